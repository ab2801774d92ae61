#include "ui/MainForm_win.h"

#include "app/DriverObject.h"
#include "platform/win32/SystemText_win.h"
#include "ui/Branding.h"

namespace velmar::ui {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
// The main form carries the program's taskbar button.
constexpr DWORD kExStyle = WS_EX_APPWINDOW;

}  // namespace

void TfrmVelmarMaster::create() {
    WNDCLASSEXW windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    registerClass(kClassName, windowClass);
    Window::create(kExStyle, kClassName, win32::wide(kMainWindowCaption), kStyle, 0, 0, kClientWidth,
           kClientHeight, nullptr, nullptr);
    FormCreate();
}

void TfrmVelmarMaster::FormCreate() { app::formCreate(app_, com_); }

void TfrmVelmarMaster::FormDestroy() { app::formDestroy(com_); }

void TfrmVelmarMaster::FormShow() {
    // Centred on the screen at its final size; a popup's window and client rectangles coincide.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
    SetWindowPos(hwnd(), nullptr, x, y, kClientWidth, kClientHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmVelmarMaster::show() {
    FormShow();
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    UpdateWindow(hwnd());
    SetForegroundWindow(hwnd());
}

void TfrmVelmarMaster::close() { owner_.mainFormClosed(); }

LRESULT TfrmVelmarMaster::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            close();
            return 0;
        case WM_DESTROY:
            FormDestroy();
            return 0;
        default:
            return Window::handleMessage(message, wParam, lParam);
    }
}

}  // namespace velmar::ui
