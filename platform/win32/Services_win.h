#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/Text.h"

namespace velmar::win32 {

// The running program's own full file path (GetModuleFileNameW, any length).
Text executablePath();

struct ShellOpenResult {
    bool succeeded;
    std::uint64_t instAppCode;  // hInstApp after a failure
};
// ShellExecuteExW with the verb "open" and SW_SHOWNORMAL, no owner window, SEE_MASK_NOASYNC only.
ShellOpenResult shellOpen(const Text& path);

// Empties the clipboard and puts `text` on it as its only format, CF_UNICODETEXT with its NUL.
// Throws AppError "Cannot open clipboard: …" or "Out of system resources".
void setClipboardText(HWND owner, TextView text);

}  // namespace velmar::win32
