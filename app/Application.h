#pragma once

#include <exception>

#include "app/Runtime.h"
#include "platform/Text.h"

namespace velmar::app {

inline constexpr char16_t kApplicationTitle[] = u"VELMAR: Мастер подключения";
// The main form itself could not be created.
inline constexpr int kStartupFailureExitCode = 1;

// The error report's text: the message with a full stop appended when its last character comes
// after the full stop in code order (so "…)" and "…!" stay as they are, "…а" gets one).
Text errorReportText(TextView message);

// The application object and the process's fixed start-up and shutdown order.
//
// Start-up: OleInitialize (with the hidden window), CoInitialize, the main form (whose FormCreate
// creates the driver object), the event loop. Shutdown, whichever path leads to it: the main form
// is destroyed if the loop ran, Driver is cleared, any window still owned is destroyed, then the
// two initialisations that succeeded are undone, COM before OLE, and the process exits.
class Application {
  public:
    Application(ComApi& com, AppShell& shell) : com_(com), shell_(shell) {}
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    [[noreturn]] void run();
    // Shuts down from wherever it is called (FormCreate's failure path among others) and exits.
    [[noreturn]] void halt(int exitCode);

    // A modal box owned by the active window, or by the hidden window when none is active. The
    // thread's other windows are disabled meanwhile; activation and focus are restored after.
    int messageBox(TextView text, TextView caption, std::uint32_t flags);
    // The general error report for an error that escaped an action.
    void showException(const std::exception& error);

    const Text& title() const { return title_; }
    bool mainFormOnTaskbar() const { return mainFormOnTaskbar_; }
    bool oleInitialized() const { return oleInitialized_; }
    bool comInitialized() const { return comInitialized_; }

  private:
    ComApi& com_;
    AppShell& shell_;
    Text title_;
    bool mainFormOnTaskbar_ = false;
    bool oleInitialized_ = false;
    bool comInitialized_ = false;
    bool loopStarted_ = false;
    bool halting_ = false;
};

}  // namespace velmar::app
