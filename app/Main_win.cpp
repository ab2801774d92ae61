#include <windows.h>

#include "app/Application.h"
#include "app/Win32Shell_win.h"
#include "platform/win32/ComApi_win.h"
#include "platform/win32/Variant_win.h"

// The program-wide Driver value: the only reference to the driver object, from FormCreate until
// the shutdown clears it. The process ends in ExitProcess, so no static destructor runs after it.
velmar::win32::Variant Driver;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // No library is ever looked for in the current folder. (The driver's own folder stays
    // searched for the driver's dependencies; the shell comes from the system folder.)
    SetDllDirectoryW(L"");
    velmar::win32::ComApiWin32 com(Driver);
    velmar::app::Win32Shell shell(com, Driver);
    velmar::app::Application app(com, shell);
    app.run();
}
