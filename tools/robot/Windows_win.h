#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/robot/Process_win.h"

namespace velmar::robot {

std::wstring className(HWND window);
std::wstring windowText(HWND window);
DWORD processOf(HWND window);

// The process's top-level windows, in Z order (top first).
std::vector<HWND> topLevelWindows(DWORD processId);
std::vector<HWND> visibleTopLevelWindows(DWORD processId);
// Direct children only, in Z order.
std::vector<HWND> childWindows(HWND parent);

// For failure messages: class, caption, handle, visibility and rectangle of a window.
std::string describeWindow(HWND window);
std::string describeWindows(const std::vector<HWND>& windows);

RECT windowRect(HWND window);
// The client area in screen coordinates.
RECT clientRectOnScreen(HWND window);
SIZE clientSize(HWND window);
LONG_PTR windowStyle(HWND window);
LONG_PTR windowExStyle(HWND window);
HWND ownerOf(HWND window);
// The monitor that holds most of the window: its whole area and its work area.
RECT monitorRect(HWND window);
RECT workAreaOf(HWND window);
SIZE screenSize();

inline int widthOf(const RECT& r) {
    return r.right - r.left;
}
inline int heightOf(const RECT& r) {
    return r.bottom - r.top;
}
inline POINT centreOf(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

using WindowMatch = std::function<bool(HWND)>;
WindowMatch withClass(std::wstring name);
WindowMatch withClassAndText(std::wstring name, std::wstring text);

// Polls the process's visible top-level windows until one matches. Fails at once, naming what was
// awaited and the exit code, if the process ends first; a timeout also lists the windows seen.
HWND waitForWindow(const Process& process, std::string_view what, const WindowMatch& match,
                   Milliseconds limit);
// Polls until the window is gone or hidden.
void waitForWindowGone(HWND window, std::string_view what, Milliseconds limit);

}  // namespace velmar::robot
