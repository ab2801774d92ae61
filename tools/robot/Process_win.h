#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/robot/Handle_win.h"
#include "tools/robot/Wait.h"

namespace velmar::robot {

// Sets (or, without a value, removes) one variable of the inherited environment.
struct EnvironmentChange {
    std::wstring name;
    std::optional<std::wstring> value;
};

struct LaunchOptions {
    std::wstring program;           // the executable's path
    std::wstring commandLine;       // passed exactly as given; see commandLineFor
    std::wstring workingDirectory;  // empty: the robot's own
    std::vector<EnvironmentChange> environment;
};

// Quotes one argument so that the usual parsing (CommandLineToArgvW, the C runtime) gives it back
// unchanged.
std::wstring quoteArgument(const std::wstring& argument);
// The program's quoted path followed by the quoted arguments.
std::wstring commandLineFor(const std::wstring& program,
                            const std::vector<std::wstring>& arguments);

// The inherited variables ("NAME=value") with the changes applied; names compare without case,
// the result is sorted as Windows keeps an environment block.
std::vector<std::wstring> mergeEnvironment(std::vector<std::wstring> inherited,
                                           const std::vector<EnvironmentChange>& changes);

// A started program. It never outlives its owner: the destructor kills a process that is still
// running, and the process sits in a kill-on-close job, so it also goes if the robot itself dies.
class Process {
  public:
    static Process launch(const LaunchOptions& options);

    Process(Process&& other) noexcept = default;
    Process& operator=(Process&& other) noexcept;
    ~Process();

    DWORD id() const { return id_; }
    HANDLE handle() const { return process_.get(); }
    // For messages: the executable's file name and the process id.
    const std::string& label() const { return label_; }

    bool hasExited() const;
    std::optional<DWORD> exitCodeIfExited() const;
    // The exact exit code (not the shell's value modulo 256); throws WaitTimeout past the limit.
    DWORD waitForExit(Milliseconds limit) const;
    // WaitForInputIdle: the program has drained its input and waits for more.
    void waitForInputIdle(Milliseconds limit) const;
    void kill();

  private:
    Process() = default;

    UniqueHandle process_;
    UniqueHandle job_;
    DWORD id_ = 0;
    std::string label_;
};

// The exit code that kill() leaves, chosen to be told apart from any code of the program.
inline constexpr DWORD kKilledExitCode = 0xDEAD;

}  // namespace velmar::robot
