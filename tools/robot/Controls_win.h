#pragma once

#include <windows.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/robot/Wait.h"

namespace velmar::robot {

// Another process's controls, read the way the system lets one process read another's: messages
// that the system marshals (WM_GETTEXT, EM_GETSEL with its packed result) and the thread's
// input state. A program that does not answer within the limit makes these throw.
inline constexpr Milliseconds kControlAnswerLimit{5000};

// WM_GETTEXT: the text the control holds now (GetWindowTextW of another process's window does
// not ask the control itself).
std::wstring controlText(HWND control);

struct EditSelection {
    unsigned start = 0;
    unsigned end = 0;
    friend bool operator==(const EditSelection&, const EditSelection&) = default;
    friend std::ostream& operator<<(std::ostream& out, const EditSelection& s) {
        return out << s.start << ".." << s.end;
    }
};
// EM_GETSEL without pointers: the start and end packed into the result.
EditSelection editSelection(HWND edit);

// The keyboard focus and the active window of the thread that owns the window.
HWND focusOfThreadOf(HWND window);
HWND activeOfThreadOf(HWND window);

// The pointer's shape as the system shows it now: the cursor handle of the foreground thread.
// Handles of shared system cursors are per process, so compare them with other readings taken
// from the same program, not with one the robot loads.
HCURSOR currentCursor();

inline constexpr wchar_t kMenuClass[] = L"#32768";
// The process's visible popup menu windows, top first.
std::vector<HWND> visibleMenus(DWORD processId);

}  // namespace velmar::robot
