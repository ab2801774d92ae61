#include "tools/robot/Controls_win.h"

#include <stdexcept>

#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::robot {

namespace {

LRESULT sendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const char* what) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                             static_cast<UINT>(kControlAnswerLimit.count()), &result)) {
        throwWin32Error(std::string(what) + " of " + describeWindow(window));
    }
    return static_cast<LRESULT>(result);
}

GUITHREADINFO threadInfoOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0 || !GetGUIThreadInfo(thread, &info)) {
        throwWin32Error("GetGUIThreadInfo for " + describeWindow(window));
    }
    return info;
}

}  // namespace

std::wstring controlText(HWND control) {
    const auto length =
        static_cast<std::size_t>(sendAndWait(control, WM_GETTEXTLENGTH, 0, 0, "WM_GETTEXTLENGTH"));
    // One more in case the text grew meanwhile; WM_GETTEXT says how much it copied.
    std::wstring text(length + 2, L'\0');
    const auto copied = static_cast<std::size_t>(sendAndWait(
        control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), "WM_GETTEXT"));
    text.resize(std::min(copied, text.size()));
    return text;
}

EditSelection editSelection(HWND edit) {
    const auto packed = static_cast<DWORD>(sendAndWait(edit, EM_GETSEL, 0, 0, "EM_GETSEL"));
    return {LOWORD(packed), HIWORD(packed)};
}

HWND focusOfThreadOf(HWND window) {
    return threadInfoOf(window).hwndFocus;
}

HWND activeOfThreadOf(HWND window) {
    return threadInfoOf(window).hwndActive;
}

HCURSOR currentCursor() {
    CURSORINFO info{};
    info.cbSize = sizeof info;
    if (!GetCursorInfo(&info)) {
        throwWin32Error("GetCursorInfo");
    }
    return info.hCursor;
}

std::vector<HWND> visibleMenus(DWORD processId) {
    std::vector<HWND> menus = visibleTopLevelWindows(processId);
    std::erase_if(menus, [](HWND window) { return className(window) != kMenuClass; });
    return menus;
}

}  // namespace velmar::robot
