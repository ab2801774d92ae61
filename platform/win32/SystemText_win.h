#pragma once

#include <windows.h>

#include "platform/Text.h"

namespace velmar::win32 {

// The system's text for an error or status code, without its trailing blanks and full stops;
// "OLE error XXXXXXXX" when the system has no text for it.
Text systemErrorText(DWORD code);

inline const wchar_t* wide(const Text& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline const wchar_t* wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
inline Text fromWide(const wchar_t* text, std::size_t length) {
    return Text(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace velmar::win32
