#include "platform/win32/SystemText_win.h"

#include <cstdio>

namespace velmar::win32 {

Text systemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    Text text;
    if (length != 0 && buffer != nullptr) {
        text = fromWide(buffer, length);
    }
    LocalFree(buffer);
    while (!text.empty() && (text.back() <= u' ' || text.back() == u'.')) {
        text.pop_back();
    }
    if (text.empty()) {
        char fallback[32];
        std::snprintf(fallback, sizeof fallback, "OLE error %08lX",
                      static_cast<unsigned long>(code));
        text = fromUtf8(fallback);
    }
    return text;
}

}  // namespace velmar::win32
