#include "app/Application.h"

#include <cstdlib>

#include "app/MessageBoxFlags.h"
#include "platform/AppError.h"

namespace velmar::app {

Text errorReportText(TextView message) {
    Text text(message);
    if (!text.empty() && text.back() > u'.') {
        text += u'.';
    }
    return text;
}

void Application::run() {
    oleInitialized_ = succeeded(com_.oleInitialize());
    shell_.createApplicationWindow();
    comInitialized_ = succeeded(com_.coInitialize());
    mainFormOnTaskbar_ = true;
    title_ = kApplicationTitle;
    try {
        shell_.createMainForm(*this);
    } catch (const std::exception& error) {
        // The form could not be built (out of resources, say): say why rather than vanish.
        showException(error);
        halt(kStartupFailureExitCode);
    }
    loopStarted_ = true;
    shell_.runMessageLoop(*this);
    halt(0);
}

void Application::halt(int exitCode) {
    // A second halt (say, from a destroy handler during shutdown) must not run the steps twice.
    if (!halting_) {
        halting_ = true;
        if (loopStarted_ && shell_.mainFormExists()) {
            shell_.destroyMainForm();
        }
        com_.clearDriver();
        if (shell_.mainFormExists()) {
            shell_.destroyMainForm();
        }
        if (comInitialized_) {
            com_.coUninitialize();
        }
        shell_.destroyApplicationWindow();
        if (oleInitialized_) {
            com_.oleUninitialize();
        }
    }
    shell_.exitProcess(exitCode);
    std::abort();  // exitProcess does not come back; never run on past it
}

int Application::messageBox(TextView text, TextView caption, std::uint32_t flags) {
    const WindowId active = shell_.activeWindow();
    const WindowId focus = shell_.focusedWindow();
    const WindowId owner = active != 0 ? active : shell_.applicationWindow();
    const auto disabled = shell_.disableThreadWindows(owner);
    const int answer = shell_.showMessageBox(owner, text, caption, flags);
    shell_.enableWindows(disabled);
    shell_.restoreActivation(active, focus);
    return answer;
}

void Application::showException(const std::exception& error) {
    messageBox(errorReportText(errorText(error)), title_, mb::kOk | mb::kIconError);
}

}  // namespace velmar::app
