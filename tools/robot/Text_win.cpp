#include "tools/robot/Text_win.h"

#include <cstdio>
#include <stdexcept>

namespace velmar::robot {

std::string utf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

std::wstring wide(std::string_view utf8Text) {
    if (utf8Text.empty()) {
        return {};
    }
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(),
                                         static_cast<int>(utf8Text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Text.data(), static_cast<int>(utf8Text.size()),
                        result.data(), size);
    return result;
}

std::string win32ErrorText(std::string_view what, DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring system(buffer != nullptr ? buffer : L"", length);
    LocalFree(buffer);
    while (!system.empty() && (system.back() == L'\n' || system.back() == L'\r' ||
                               system.back() == L' ' || system.back() == L'.')) {
        system.pop_back();
    }
    std::string text(what);
    text += ": ";
    text += system.empty() ? std::string("unknown error") : utf8(system);
    text += " (error " + std::to_string(code) + ")";
    return text;
}

void throwWin32Error(std::string_view what, DWORD code) {
    throw std::runtime_error(win32ErrorText(what, code));
}

std::string hexValue(std::uintptr_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
    return buffer;
}

}  // namespace velmar::robot
