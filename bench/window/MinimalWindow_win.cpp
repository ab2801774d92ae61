// The baseline of the start-up benchmark: the least a Win32 program does to show one 800 x 600
// CMYK JPEG, decoded by the same decoder, in a borderless window centred on the screen. Built a
// second time with OLE initialised first, as the program must, to tell that part of its cost.
#include <windows.h>
#ifdef VELMAR_BENCH_WITH_OLE
#include <ole2.h>
#endif

#include <cstring>

#include "bench/window/MinimalWindow.h"
#include "platform/win32/Gdi_win.h"
#include "ui/JpegPicture.h"

namespace {

using namespace velmar;

constexpr int kWidth = 800;
constexpr int kHeight = 600;

win32::Bitmap picture;

win32::Bitmap decodePicture() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(VELMAR_BENCH_PICTURE),
                                   MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    const auto* bytes =
        static_cast<const std::uint8_t*>(LockResource(LoadResource(module, resource)));
    const ui::Bitmap decoded = ui::decodeJpeg({bytes, SizeofResource(module, resource)});
    void* bits = nullptr;
    win32::Bitmap bitmap = win32::createDibSection(decoded.width, decoded.height, &bits);
    std::memcpy(bits, decoded.bgrx.data(), decoded.bgrx.size());
    return bitmap;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            win32::PaintScope paint(hwnd);
            win32::MemoryDc source(paint.dc());
            win32::SelectGuard select(source.get(), picture.get());
            BitBlt(paint.dc(), 0, 0, kWidth, kHeight, source.get(), 0, 0, SRCCOPY);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#ifdef VELMAR_BENCH_WITH_OLE
    const bool ole = SUCCEEDED(OleInitialize(nullptr));
#endif
    picture = decodePicture();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"VelmarBenchMinimal";
    RegisterClassExW(&windowClass);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND window = CreateWindowExW(WS_EX_APPWINDOW, windowClass.lpszClassName, L"Minimal", WS_POPUP,
                                  x, y, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    picture.reset();
#ifdef VELMAR_BENCH_WITH_OLE
    if (ole) {
        OleUninitialize();
    }
#endif
    return 0;
}
