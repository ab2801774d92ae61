#include "app/Win32Shell_win.h"

#include "app/Application.h"
#include "platform/win32/SystemText_win.h"

namespace velmar::app {
namespace {

constexpr wchar_t kApplicationClass[] = L"VelmarMasterApplication";

Application* reportingApp = nullptr;

void reportToApplication(const std::exception& error) {
    if (reportingApp != nullptr) {
        reportingApp->showException(error);
    }
}

HWND toHwnd(WindowId id) {
    return reinterpret_cast<HWND>(id);
}
WindowId toId(HWND hwnd) {
    return reinterpret_cast<WindowId>(hwnd);
}

}  // namespace

void Win32Shell::HiddenWindow::create() {
    registerClass(kApplicationClass, WNDCLASSEXW{});
    Window::create(WS_EX_TOOLWINDOW, kApplicationClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                   nullptr);
}

void Win32Shell::createApplicationWindow() {
    hiddenWindow_.create();
}

void Win32Shell::destroyApplicationWindow() {
    hiddenWindow_.destroyWindow();
}

void Win32Shell::createMainForm(Application& app) {
    reportingApp = &app;
    win32::Window::setErrorSink(reportToApplication);
    // The object exists before its window so that a shutdown started inside FormCreate finds the
    // form and destroys it.
    mainForm_ = std::make_unique<ui::MainWindow>(app, com_, driver_, *this);
    mainForm_->create();
}

bool Win32Shell::mainFormExists() const {
    return mainForm_ && mainForm_->hwnd() != nullptr;
}

void Win32Shell::destroyMainForm() {
    mainForm_->destroyWindow();
}

void Win32Shell::runMessageLoop(Application&) {
    mainForm_->show();
    MSG message;
    while (!terminated_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

WindowId Win32Shell::activeWindow() {
    return toId(GetActiveWindow());
}

WindowId Win32Shell::focusedWindow() {
    return toId(GetFocus());
}

WindowId Win32Shell::applicationWindow() {
    return toId(hiddenWindow_.hwnd());
}

namespace {

struct WindowSearch {
    HWND except;
    std::vector<WindowId> found;
};

BOOL CALLBACK collectEnabledWindow(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    if (hwnd != search.except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        search.found.push_back(toId(hwnd));
    }
    return TRUE;
}

}  // namespace

std::vector<WindowId> Win32Shell::disableThreadWindows(WindowId except) {
    WindowSearch search{toHwnd(except), {}};
    EnumThreadWindows(GetCurrentThreadId(), collectEnabledWindow,
                      reinterpret_cast<LPARAM>(&search));
    for (WindowId id : search.found) {
        EnableWindow(toHwnd(id), FALSE);
    }
    return search.found;
}

void Win32Shell::enableWindows(const std::vector<WindowId>& windows) {
    for (WindowId id : windows) {
        if (IsWindow(toHwnd(id))) {
            EnableWindow(toHwnd(id), TRUE);
        }
    }
}

void Win32Shell::restoreActivation(WindowId active, WindowId focus) {
    if (active != 0 && IsWindow(toHwnd(active))) {
        SetActiveWindow(toHwnd(active));
    }
    if (focus != 0 && IsWindow(toHwnd(focus))) {
        SetFocus(toHwnd(focus));
    }
}

int Win32Shell::showMessageBox(WindowId owner, TextView text, TextView caption,
                               std::uint32_t flags) {
    const Text textCopy(text);
    const Text captionCopy(caption);
    return MessageBoxW(toHwnd(owner), win32::wide(textCopy), win32::wide(captionCopy), flags);
}

void Win32Shell::exitProcess(int exitCode) {
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace velmar::app
