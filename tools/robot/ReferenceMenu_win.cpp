#include "tools/robot/ReferenceMenu_win.h"

#include <stdexcept>
#include <thread>

#include "tools/robot/Capture_win.h"
#include "tools/robot/Controls_win.h"
#include "tools/robot/Text_win.h"

namespace velmar::robot {

namespace {

constexpr wchar_t kOwnerClass[] = L"VelmarRobotMenuOwner";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTickMs = 40;
// The menu's modal loop paints before it hands out timer ticks; one more tick makes sure.
constexpr int kTicksShown = 2;
constexpr int kTicksAtMost = 100;

struct MenuShot {
    Image image;
    int ticks = 0;
    int ticksShown = 0;
    bool taken = false;
};

LRESULT CALLBACK ownerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kTimerId) {
        auto* shot = reinterpret_cast<MenuShot*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        const std::vector<HWND> menus = visibleMenus(GetCurrentProcessId());
        if (!menus.empty() && ++shot->ticksShown >= kTicksShown) {
            shot->image = captureWindow(menus.front());
            shot->taken = true;
        }
        if (shot->taken || ++shot->ticks > kTicksAtMost) {
            KillTimer(hwnd, kTimerId);
            EndMenu();
        }
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void showAndTake(const std::vector<std::wstring>& items, POINT at, MenuShot& shot) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ownerProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kOwnerClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throwWin32Error("RegisterClassExW for the reference menu's owner");
    }
    HWND owner = CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerClass, L"", WS_POPUP, at.x, at.y, 1, 1,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (owner == nullptr) {
        throwWin32Error("CreateWindowExW for the reference menu's owner");
    }
    SetWindowLongPtrW(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&shot));
    HMENU menu = CreatePopupMenu();
    UINT id = 1;
    for (const std::wstring& item : items) {
        AppendMenuW(menu, MF_STRING, id++, item.c_str());
    }
    SetTimer(owner, kTimerId, kTickMs, nullptr);
    TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr);
    DestroyMenu(menu);
    DestroyWindow(owner);
}

}  // namespace

Image pictureOfReferenceMenu(const std::vector<std::wstring>& items, POINT at) {
    MenuShot shot;
    std::string error;
    // A thread of its own: the menu's modal loop must not run on a thread that owns other windows.
    std::thread([&] {
        try {
            showAndTake(items, at, shot);
        } catch (const std::exception& e) {
            error = e.what();
        }
    }).join();
    if (!error.empty()) {
        throw std::runtime_error(error);
    }
    if (!shot.taken) {
        throw std::runtime_error("the reference menu did not show");
    }
    return shot.image;
}

}  // namespace velmar::robot
