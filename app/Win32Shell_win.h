#pragma once

#include <memory>

#include "app/Runtime.h"
#include "platform/win32/Window_win.h"
#include "platform/win32/Variant_win.h"
#include "ui/MainWindow_win.h"

namespace velmar::app {

// The real windowing side: the hidden application window, frmVelmarMaster, the event loop and
// the message boxes.
class Win32Shell final : public AppShell, public ui::MainWindow::Owner {
  public:
    Win32Shell(ComApi& com, const win32::Variant& driver) : com_(com), driver_(driver) {}

    void createApplicationWindow() override;
    void destroyApplicationWindow() override;
    void createMainForm(Application& app) override;
    bool mainFormExists() const override;
    void destroyMainForm() override;
    void runMessageLoop(Application& app) override;

    WindowId activeWindow() override;
    WindowId focusedWindow() override;
    WindowId applicationWindow() override;
    std::vector<WindowId> disableThreadWindows(WindowId except) override;
    void enableWindows(const std::vector<WindowId>& windows) override;
    void restoreActivation(WindowId active, WindowId focus) override;
    int showMessageBox(WindowId owner, TextView text, TextView caption,
                       std::uint32_t flags) override;

    [[noreturn]] void exitProcess(int exitCode) override;

    void mainFormClosed() override { terminated_ = true; }

  private:
    // The application's own window: never shown, no text, no taskbar button; it owns the
    // message boxes raised while no window of the program is active.
    class HiddenWindow final : public win32::Window {
      public:
        void create();
        void destroyWindow() { destroy(); }
    };

    ComApi& com_;
    const win32::Variant& driver_;
    HiddenWindow hiddenWindow_;
    std::unique_ptr<ui::MainWindow> mainForm_;
    bool terminated_ = false;
};

}  // namespace velmar::app
