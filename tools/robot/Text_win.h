#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace velmar::robot {

// The robot's messages are UTF-8 (GoogleTest prints them as they are); the Win32 side is UTF-16.
std::string utf8(std::wstring_view text);
std::wstring wide(std::string_view utf8Text);

// "what: <system text> (error N)".
std::string win32ErrorText(std::string_view what, DWORD code);
[[noreturn]] void throwWin32Error(std::string_view what, DWORD code = GetLastError());

std::string hexValue(std::uintptr_t value);
inline std::string hexValue(HWND window) {
    return hexValue(reinterpret_cast<std::uintptr_t>(window));
}

}  // namespace velmar::robot
