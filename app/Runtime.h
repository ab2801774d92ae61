#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/ComTypes.h"
#include "platform/Text.h"

namespace velmar::app {

// An opaque window handle; 0 means none.
using WindowId = std::uintptr_t;

struct ClassId {
    std::array<std::uint8_t, 16> bytes{};
};

// The COM runtime of the main thread, and the program-wide Driver value that holds the one
// reference to the driver object.
class ComApi {
  public:
    virtual ~ComApi() = default;
    virtual HResult oleInitialize() = 0;
    virtual void oleUninitialize() = 0;
    virtual HResult coInitialize() = 0;
    virtual void coUninitialize() = 0;
    virtual HResult clsidFromProgId(TextView progId, ClassId& clsid) = 0;
    // CoCreateInstance for IID_IDispatch; on success the reference is stored in Driver.
    virtual HResult createDriverInstance(const ClassId& clsid, std::uint32_t classContext) = 0;
    // Empties Driver, releasing the object when it holds one.
    virtual void clearDriver() = 0;
};

class Application;

// The windowing side of the process: the application's hidden window, the main form, the event
// loop and message boxes.
class AppShell {
  public:
    virtual ~AppShell() = default;

    virtual void createApplicationWindow() = 0;
    virtual void destroyApplicationWindow() = 0;
    // Creates frmVelmarMaster: its layout, then its FormCreate (which may halt the program).
    virtual void createMainForm(Application& app) = 0;
    virtual bool mainFormExists() const = 0;
    // Destroys the main form; its FormDestroy runs inside.
    virtual void destroyMainForm() = 0;
    // Shows the main form and dispatches events until it is closed.
    virtual void runMessageLoop(Application& app) = 0;

    virtual WindowId activeWindow() = 0;
    virtual WindowId focusedWindow() = 0;
    virtual WindowId applicationWindow() = 0;
    // Disables the thread's visible, enabled top-level windows but `except` (the box's owner,
    // which the box disables itself) and returns them.
    virtual std::vector<WindowId> disableThreadWindows(WindowId except) = 0;
    virtual void enableWindows(const std::vector<WindowId>& windows) = 0;
    virtual void restoreActivation(WindowId active, WindowId focus) = 0;
    virtual int showMessageBox(WindowId owner, TextView text, TextView caption,
                               std::uint32_t flags) = 0;

    [[noreturn]] virtual void exitProcess(int exitCode) = 0;
};

}  // namespace velmar::app
