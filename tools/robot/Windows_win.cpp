#include "tools/robot/Windows_win.h"

#include <algorithm>
#include <stdexcept>

#include "tools/robot/Text_win.h"

namespace velmar::robot {

std::wstring className(HWND window) {
    wchar_t buffer[256];
    const int length = GetClassNameW(window, buffer, 256);
    return std::wstring(buffer, length > 0 ? length : 0);
}

std::wstring windowText(HWND window) {
    // For another process's window this reads the stored text without sending it a message, so a
    // hung program cannot block the robot.
    // A text that fills the buffer may be longer: read again with room to spare.
    for (std::size_t room = 8192;; room *= 4) {
        std::wstring text(room, L'\0');
        const int length = GetWindowTextW(window, text.data(), static_cast<int>(room));
        if (length < 0 || static_cast<std::size_t>(length) + 1 < room || room >= (1u << 26)) {
            text.resize(static_cast<std::size_t>(std::max(length, 0)));
            return text;
        }
    }
}

DWORD processOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

namespace {

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK collectWindowOfProcess(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    if (processOf(window) == search.processId) {
        search.found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> topLevelWindows(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(collectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> visibleTopLevelWindows(DWORD processId) {
    std::vector<HWND> windows = topLevelWindows(processId);
    std::erase_if(windows, [](HWND window) { return !IsWindowVisible(window); });
    return windows;
}

std::vector<HWND> childWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

std::string describeWindow(HWND window) {
    if (!IsWindow(window)) {
        return "[destroyed window " + hexValue(window) + "]";
    }
    const RECT r = windowRect(window);
    std::string text = "[";
    text += utf8(className(window));
    text += " \"" + utf8(windowText(window)) + "\" " + hexValue(window);
    text += IsWindowVisible(window) ? " visible" : " hidden";
    text += " at " + std::to_string(r.left) + "," + std::to_string(r.top);
    text += " size " + std::to_string(widthOf(r)) + "x" + std::to_string(heightOf(r)) + "]";
    return text;
}

std::string describeWindows(const std::vector<HWND>& windows) {
    if (windows.empty()) {
        return "none";
    }
    std::string text;
    for (HWND window : windows) {
        text += (text.empty() ? "" : ", ") + describeWindow(window);
    }
    return text;
}

RECT windowRect(HWND window) {
    RECT r{};
    if (!GetWindowRect(window, &r)) {
        throwWin32Error("GetWindowRect of " + hexValue(window));
    }
    return r;
}

RECT clientRectOnScreen(HWND window) {
    RECT r{};
    if (!GetClientRect(window, &r)) {
        throwWin32Error("GetClientRect of " + hexValue(window));
    }
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE clientSize(HWND window) {
    const RECT r = clientRectOnScreen(window);
    return {widthOf(r), heightOf(r)};
}

LONG_PTR windowStyle(HWND window) {
    return GetWindowLongPtrW(window, GWL_STYLE);
}
LONG_PTR windowExStyle(HWND window) {
    return GetWindowLongPtrW(window, GWL_EXSTYLE);
}
HWND ownerOf(HWND window) {
    return GetWindow(window, GW_OWNER);
}

namespace {
MONITORINFO monitorInfo(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) {
        throwWin32Error("GetMonitorInfoW");
    }
    return info;
}
}  // namespace

RECT monitorRect(HWND window) {
    return monitorInfo(window).rcMonitor;
}
RECT workAreaOf(HWND window) {
    return monitorInfo(window).rcWork;
}

SIZE screenSize() {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

WindowMatch withClass(std::wstring name) {
    return [name = std::move(name)](HWND window) { return className(window) == name; };
}

WindowMatch withClassAndText(std::wstring name, std::wstring text) {
    return [name = std::move(name), text = std::move(text)](HWND window) {
        return className(window) == name && windowText(window) == text;
    };
}

HWND waitForWindow(const Process& process, std::string_view what, const WindowMatch& match,
                   Milliseconds limit) {
    try {
        return waitUntil(what, limit, [&]() -> std::optional<HWND> {
            for (HWND window : visibleTopLevelWindows(process.id())) {
                if (match(window)) {
                    return window;
                }
            }
            if (const auto code = process.exitCodeIfExited()) {
                throw std::runtime_error(process.label() + " exited with code " +
                                         std::to_string(*code) + " while the robot waited for " +
                                         std::string(what));
            }
            return std::nullopt;
        });
    } catch (const WaitTimeout& timeout) {
        throw WaitTimeout(
            std::string(timeout.what()) + " from " + process.label() +
            "; its visible windows: " + describeWindows(visibleTopLevelWindows(process.id())));
    }
}

void waitForWindowGone(HWND window, std::string_view what, Milliseconds limit) {
    waitUntil(what, limit, [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

}  // namespace velmar::robot
