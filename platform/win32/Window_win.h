#pragma once

#include <windows.h>

#include <exception>

namespace velmar::win32 {

// Base of the program's windows: the window procedure finds its object through the pointer
// stored at WM_NCCREATE and forwards to handleMessage. No exception may cross the system's
// frames, so one that escapes a handler is handed to the error sink (the general error report)
// and the message counts as handled.
class Window {
  public:
    using ErrorSink = void (*)(const std::exception& error);
    static void setErrorSink(ErrorSink sink) { errorSink_ = sink; }
    static void reportError(const std::exception& error);

    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const { return hwnd_; }

  protected:
    // Registers the class once per process, with this trampoline as its window procedure.
    static void registerClass(const wchar_t* className, WNDCLASSEXW prototype);
    HWND create(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int x,
                int y, int width, int height, HWND parent, HMENU menu);
    void destroy();

    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Called once the window is gone (WM_NCDESTROY); the handle is no longer valid then.
    virtual void onDestroyed() {}

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static ErrorSink errorSink_;
    HWND hwnd_ = nullptr;
};

}  // namespace velmar::win32
