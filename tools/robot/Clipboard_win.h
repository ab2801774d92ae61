#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace velmar::robot {

// Each call opens the clipboard, waiting a little if another window has it open, and closes it
// again before returning.

// The formats present, in the clipboard's own order.
std::vector<UINT> clipboardFormats();
// "CF_UNICODETEXT", a registered format's name, or the number.
std::string clipboardFormatName(UINT format);
// The CF_UNICODETEXT text up to its terminator; nothing when the format is absent.
std::optional<std::wstring> clipboardText();
void setClipboardText(std::wstring_view text);
void emptyClipboard();

// Holds the clipboard open from a thread of the robot's process for as long as it lives, so that
// the program under test finds it busy. The thread keeps pumping messages meanwhile, as an owner
// of the clipboard must.
class ClipboardHold {
  public:
    // Returns once the clipboard is open; throws if it cannot be opened.
    ClipboardHold();
    ~ClipboardHold();
    ClipboardHold(const ClipboardHold&) = delete;
    ClipboardHold& operator=(const ClipboardHold&) = delete;

    HWND owner() const { return owner_; }

  private:
    std::thread thread_;
    DWORD threadId_ = 0;
    HWND owner_ = nullptr;
};

}  // namespace velmar::robot
