#include "platform/win32/Services_win.h"

#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/AppError.h"
#include "platform/win32/SystemText_win.h"

namespace velmar::win32 {
namespace {

class ClipboardScope {
  public:
    explicit ClipboardScope(HWND owner) {
        if (!OpenClipboard(owner)) {
            throw AppError(u"Cannot open clipboard: " + systemErrorText(GetLastError()));
        }
    }
    ~ClipboardScope() { CloseClipboard(); }
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;
};

// Global memory that is freed unless the clipboard took it.
class GlobalMemory {
  public:
    explicit GlobalMemory(std::size_t bytes) : handle_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
    ~GlobalMemory() {
        if (handle_ != nullptr) {
            GlobalFree(handle_);
        }
    }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    HGLOBAL get() const { return handle_; }
    void release() { handle_ = nullptr; }

  private:
    HGLOBAL handle_;
};

[[noreturn]] void outOfResources() {
    throw AppError(u"Out of system resources");
}

using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);

// The shell is loaded when the document is first opened, not at every start, and only from the
// system folder (its own dependencies too), never from the program's or the current folder.
HMODULE loadShell() {
    if (HMODULE shell = LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return shell;
    }
    // A system without the search flags (Windows 7 before KB2533623): the full path instead.
    std::wstring path(MAX_PATH, L'\0');
    const UINT length = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
    if (length == 0 || length >= path.size()) {
        throw AppError(systemErrorText(GetLastError()));
    }
    path.resize(length);
    path += L"\\shell32.dll";
    if (HMODULE shell = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
        return shell;
    }
    throw AppError(systemErrorText(GetLastError()));
}

ShellExecuteExFunction shellExecuteEx() {
    // Kept for the life of the process; a failed load is tried again on the next call.
    static const ShellExecuteExFunction function = [] {
        const auto found = reinterpret_cast<ShellExecuteExFunction>(
            reinterpret_cast<void*>(GetProcAddress(loadShell(), "ShellExecuteExW")));
        if (found == nullptr) {
            throw AppError(systemErrorText(GetLastError()));
        }
        return found;
    }();
    return function;
}

}  // namespace

Text executablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            throw AppError(systemErrorText(GetLastError()));
        }
        if (length < buffer.size()) {
            return fromWide(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

ShellOpenResult shellOpen(const Text& path) {
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOASYNC;
    request.hwnd = nullptr;
    request.lpVerb = L"open";
    request.lpFile = wide(path);
    request.nShow = SW_SHOWNORMAL;
    if (shellExecuteEx()(&request)) {
        return {true, 0};
    }
    return {false, static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(request.hInstApp))};
}

void setClipboardText(HWND owner, TextView text) {
    ClipboardScope clipboard(owner);
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    GlobalMemory memory(bytes);
    if (memory.get() == nullptr) {
        outOfResources();
    }
    void* target = GlobalLock(memory.get());
    if (target == nullptr) {
        outOfResources();
    }
    std::memcpy(target, text.data(), text.size() * sizeof(char16_t));
    static_cast<char16_t*>(target)[text.size()] = u'\0';
    GlobalUnlock(memory.get());
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) {
        outOfResources();
    }
    memory.release();  // the clipboard owns it now
}

}  // namespace velmar::win32
