// Appends the command line it was started with, whole and argument by argument, to the UTF-8 file
// named by VELMAR_OPENLOG, then exits. Without the variable it does nothing. Each record ends with
// a line "end", so that a reader can tell a record still being written.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <string_view>

#include "tools/robot/Text_win.h"

using velmar::robot::utf8;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t logPath[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableW(L"VELMAR_OPENLOG", logPath, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) {
        return 2;
    }
    const wchar_t* commandLine = GetCommandLineW();
    std::string text = "command " + utf8(commandLine) + "\n";
    int count = 0;
    if (wchar_t** arguments = CommandLineToArgvW(commandLine, &count)) {
        for (int i = 0; i < count; ++i) {
            text += "arg" + std::to_string(i) + " " + utf8(arguments[i]) + "\n";
        }
        LocalFree(arguments);
    }
    text += "end\n";
    HANDLE file = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 3;
    }
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size() ? 0 : 4;
}
