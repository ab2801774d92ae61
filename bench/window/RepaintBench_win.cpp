#include "bench/window/RepaintBench_win.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "app/Application.h"
#include "app/Runtime.h"
#include "platform/win32/Gdi_win.h"
#include "platform/win32/Variant_win.h"
#include "ui/MainWindow_win.h"

namespace velmar::bench {
namespace {

// What the window needs of the runtime to be created and shown; no action is fired here.
class NoCom final : public app::ComApi {
  public:
    HResult oleInitialize() override { return kSOk; }
    void oleUninitialize() override {}
    HResult coInitialize() override { return kSOk; }
    void coUninitialize() override {}
    HResult clsidFromProgId(TextView, app::ClassId&) override { return kSOk; }
    HResult createDriverInstance(const app::ClassId&, std::uint32_t) override { return kSOk; }
    void clearDriver() override {}
};

class NoShell final : public app::AppShell {
  public:
    void createApplicationWindow() override {}
    void destroyApplicationWindow() override {}
    void createMainForm(app::Application&) override {}
    bool mainFormExists() const override { return false; }
    void destroyMainForm() override {}
    void runMessageLoop(app::Application&) override {}
    app::WindowId activeWindow() override { return 0; }
    app::WindowId focusedWindow() override { return 0; }
    app::WindowId applicationWindow() override { return 0; }
    std::vector<app::WindowId> disableThreadWindows(app::WindowId) override { return {}; }
    void enableWindows(const std::vector<app::WindowId>&) override {}
    void restoreActivation(app::WindowId, app::WindowId) override {}
    int showMessageBox(app::WindowId, TextView, TextView, std::uint32_t) override { return 1; }
    [[noreturn]] void exitProcess(int exitCode) override {
        ExitProcess(static_cast<UINT>(exitCode));
    }
};

class KeepOpen final : public ui::MainWindow::Owner {
  public:
    void mainFormClosed() override {}
};

void pumpUntilIdle() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

BOOL CALLBACK collectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> windowAndDescendants(HWND window) {
    std::vector<HWND> all{window};
    EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&all));
    return all;
}

long long invalidArea(HWND window) {
    long long area = 0;
    for (HWND part : windowAndDescendants(window)) {
        for (const RECT& r : win32::updateRects(part)) {
            area += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
        }
    }
    return area;
}

double paintAll(HWND window) {
    const auto start = std::chrono::steady_clock::now();
    for (HWND part : windowAndDescendants(window)) {
        UpdateWindow(part);
    }
    GdiFlush();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

std::vector<RepaintSample> measureSlotChanges() {
    NoCom com;
    NoShell shell;
    app::Application app(com, shell);
    win32::Variant driver;
    KeepOpen owner;
    ui::MainWindow window(app, com, driver, owner);
    window.create();
    window.show();
    pumpUntilIdle();
    paintAll(window.hwnd());

    // The visible parts of page 0's overlays: imgEnable shows 57 of its picture's 70 rows.
    constexpr long long kEnable = 278 * 57;
    constexpr long long kDoc = 176 * 43;
    constexpr long long kClose = 103 * 31;
    const struct {
        const char* change;
        long long overlays;
    } kChanges[] = {
        {"page 0 slot 1 -> 2 (imgDoc -> imgClose)", kDoc + kClose},
        {"page 0 slot 2 -> 0 (imgClose -> imgEnable)", kClose + kEnable},
        {"page 0 slot 0 -> 1 (imgEnable -> imgDoc)", kEnable + kDoc},
    };
    std::vector<RepaintSample> samples;
    for (const auto& change : kChanges) {
        // The release as the keyboard delivers it, to the control with the focus.
        HWND focus = GetFocus();
        if (focus == nullptr) {
            throw std::runtime_error("the window has no keyboard focus");
        }
        SendMessageW(focus, WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC00F0001));
        const long long invalid = invalidArea(window.hwnd());
        const double paintMs = paintAll(window.hwnd());
        pumpUntilIdle();
        samples.push_back({change.change, change.overlays, invalid, paintMs});
    }
    window.destroyWindow();
    pumpUntilIdle();
    return samples;
}

}  // namespace velmar::bench
