#pragma once

#include <windows.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/robot/Process_win.h"

namespace velmar::robot {

inline constexpr wchar_t kDialogClass[] = L"#32770";

// Told from the pixels of the box's icon control, compared with the system icons drawn here.
enum class BoxIcon { None, Error, Warning, Information, Question, Unknown };
std::string_view iconName(BoxIcon icon);
inline std::ostream& operator<<(std::ostream& out, BoxIcon icon) {
    return out << iconName(icon);
}

struct BoxButton {
    HWND window = nullptr;
    int id = 0;
    std::wstring text;
};

struct MessageBoxView {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    std::vector<BoxButton> buttons;  // the visible ones, in tab order
    BoxIcon icon = BoxIcon::None;

    const BoxButton* button(int id) const;
};

MessageBoxView readMessageBox(HWND box);
// Waits for a visible top-level dialog of the process and reads it.
MessageBoxView waitForMessageBox(const Process& process, Milliseconds limit,
                                 std::string_view what = "a message box");
// One line for failure messages: caption, text, buttons and icon.
std::string describeMessageBox(const MessageBoxView& box);

// Brings the box forward, answers it, and waits until it has closed.
void answerMessageBox(const MessageBoxView& box, WORD virtualKey);
void clickMessageBoxButton(const MessageBoxView& box, int buttonId);

}  // namespace velmar::robot
