#include "tools/robot/Clipboard_win.h"

#include <cstring>
#include <cwchar>
#include <future>
#include <optional>
#include <stdexcept>

#include "tools/robot/Text_win.h"
#include "tools/robot/Wait.h"
#include "tools/robot/Windows_win.h"

namespace velmar::robot {

namespace {

constexpr Milliseconds kOpenLimit{2000};

// A message-only window: SetClipboardData needs the clipboard opened by an owner window.
class HelperWindow {
  public:
    HelperWindow() {
        static const ATOM atom = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"VelmarRobotClipboard";
            return RegisterClassW(&windowClass);
        }();
        window_ = CreateWindowExW(0, MAKEINTATOM(atom), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        if (window_ == nullptr) {
            throwWin32Error("cannot create the robot's clipboard window");
        }
    }
    ~HelperWindow() { DestroyWindow(window_); }
    HelperWindow(const HelperWindow&) = delete;
    HelperWindow& operator=(const HelperWindow&) = delete;
    HWND get() const { return window_; }

  private:
    HWND window_ = nullptr;
};

void openClipboard(HWND owner) {
    try {
        waitUntil("the clipboard to be free", kOpenLimit,
                  [&] { return OpenClipboard(owner) != FALSE; });
    } catch (const WaitTimeout& timeout) {
        HWND holder = GetOpenClipboardWindow();
        throw WaitTimeout(std::string(timeout.what()) + "; it is held open by " +
                          (holder != nullptr ? describeWindow(holder) : "a window-less caller"));
    }
}

class OpenedClipboard {
  public:
    explicit OpenedClipboard(HWND owner = nullptr) { openClipboard(owner); }
    ~OpenedClipboard() { CloseClipboard(); }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

class LockedGlobal {
  public:
    explicit LockedGlobal(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
    ~LockedGlobal() {
        if (data_ != nullptr) {
            GlobalUnlock(memory_);
        }
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    void* data() const { return data_; }

  private:
    HGLOBAL memory_;
    void* data_;
};

}  // namespace

std::vector<UINT> clipboardFormats() {
    OpenedClipboard clipboard;
    std::vector<UINT> formats;
    for (UINT format = EnumClipboardFormats(0); format != 0;
         format = EnumClipboardFormats(format)) {
        formats.push_back(format);
    }
    return formats;
}

std::string clipboardFormatName(UINT format) {
    static const struct {
        UINT format;
        const char* name;
    } standard[] = {{CF_TEXT, "CF_TEXT"},
                    {CF_BITMAP, "CF_BITMAP"},
                    {CF_OEMTEXT, "CF_OEMTEXT"},
                    {CF_DIB, "CF_DIB"},
                    {CF_UNICODETEXT, "CF_UNICODETEXT"},
                    {CF_HDROP, "CF_HDROP"},
                    {CF_LOCALE, "CF_LOCALE"},
                    {CF_DIBV5, "CF_DIBV5"}};
    for (const auto& entry : standard) {
        if (entry.format == format) {
            return entry.name;
        }
    }
    wchar_t name[256];
    const int length = GetClipboardFormatNameW(format, name, 256);
    return length > 0 ? utf8(std::wstring_view(name, length)) : std::to_string(format);
}

std::optional<std::wstring> clipboardText() {
    OpenedClipboard clipboard;
    HANDLE memory = GetClipboardData(CF_UNICODETEXT);
    if (memory == nullptr) {
        return std::nullopt;
    }
    const LockedGlobal lock(memory);
    if (lock.data() == nullptr) {
        throwWin32Error("GlobalLock on the clipboard text");
    }
    const std::size_t capacity = GlobalSize(memory) / sizeof(wchar_t);
    const auto* text = static_cast<const wchar_t*>(lock.data());
    return std::wstring(text, wcsnlen(text, capacity));
}

void setClipboardText(std::wstring_view text) {
    const HelperWindow owner;
    OpenedClipboard clipboard(owner.get());
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (memory == nullptr) {
        throwWin32Error("GlobalAlloc for the clipboard text");
    }
    {
        const LockedGlobal lock(memory);
        std::memcpy(lock.data(), text.data(), text.size() * sizeof(wchar_t));
        static_cast<wchar_t*>(lock.data())[text.size()] = L'\0';
    }
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        const DWORD error = GetLastError();
        GlobalFree(memory);
        throwWin32Error("SetClipboardData", error);
    }
}

void emptyClipboard() {
    const HelperWindow owner;
    OpenedClipboard clipboard(owner.get());
    EmptyClipboard();
}

ClipboardHold::ClipboardHold() {
    std::promise<HWND> opened;
    std::future<HWND> result = opened.get_future();
    thread_ = std::thread([this, &opened] {
        std::optional<HelperWindow> owner;
        try {
            owner.emplace();
            openClipboard(owner->get());
        } catch (...) {
            opened.set_exception(std::current_exception());
            return;
        }
        threadId_ = GetCurrentThreadId();
        opened.set_value(owner->get());
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            DispatchMessageW(&message);
        }
        CloseClipboard();
    });
    try {
        owner_ = result.get();
    } catch (...) {
        thread_.join();
        throw;
    }
}

ClipboardHold::~ClipboardHold() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
}

}  // namespace velmar::robot
