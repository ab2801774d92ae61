#include "platform/win32/Window_win.h"

#include <stdexcept>

namespace velmar::win32 {

Window::ErrorSink Window::errorSink_ = nullptr;

void Window::reportError(const std::exception& error) {
    if (errorSink_ != nullptr) {
        errorSink_(error);
    }
}

Window::~Window() {
    destroy();
}

void Window::registerClass(const wchar_t* className, WNDCLASSEXW prototype) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    prototype.hInstance = GetModuleHandleW(nullptr);
    if (GetClassInfoExW(prototype.hInstance, className, &existing)) {
        return;
    }
    prototype.cbSize = sizeof prototype;
    prototype.lpfnWndProc = windowProc;
    prototype.lpszClassName = className;
    if (RegisterClassExW(&prototype) == 0) {
        throw std::runtime_error("RegisterClassExW failed");
    }
}

HWND Window::create(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menu) {
    HWND hwnd = CreateWindowExW(exStyle, className, caption, style, x, y, width, height, parent,
                                menu, GetModuleHandleW(nullptr), this);
    if (hwnd == nullptr) {
        throw std::runtime_error("CreateWindowExW failed");
    }
    return hwnd;
}

void Window::destroy() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
}

LRESULT Window::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        result = self->handleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        reportError(error);
    } catch (...) {
        reportError(std::runtime_error("Unexpected error"));
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->onDestroyed();
    }
    return result;
}

}  // namespace velmar::win32
