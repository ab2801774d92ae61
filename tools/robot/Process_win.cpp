#include "tools/robot/Process_win.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "tools/robot/Text_win.h"

namespace velmar::robot {

namespace {

std::wstring_view variableName(std::wstring_view entry) {
    // Entries such as "=C:=C:\dir" start with '=': the name's own '=' comes after it.
    const std::size_t equals = entry.find(L'=', 1);
    return entry.substr(0, equals == std::wstring_view::npos ? entry.size() : equals);
}

int compareNames(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) -
           CSTR_EQUAL;
}

std::vector<std::wstring> inheritedEnvironment() {
    std::vector<std::wstring> entries;
    wchar_t* block = GetEnvironmentStringsW();
    if (block == nullptr) {
        throwWin32Error("GetEnvironmentStringsW");
    }
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
        entries.emplace_back(entry);
    }
    FreeEnvironmentStringsW(block);
    return entries;
}

std::wstring fileNameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::wstring quoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them: then each one needs doubling.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

std::wstring commandLineFor(const std::wstring& program,
                            const std::vector<std::wstring>& arguments) {
    std::wstring line = quoteArgument(program);
    for (const auto& argument : arguments) {
        line += L' ';
        line += quoteArgument(argument);
    }
    return line;
}

std::vector<std::wstring> mergeEnvironment(std::vector<std::wstring> inherited,
                                           const std::vector<EnvironmentChange>& changes) {
    for (const auto& change : changes) {
        std::erase_if(inherited, [&](const std::wstring& entry) {
            return compareNames(variableName(entry), change.name) == 0;
        });
        if (change.value) {
            inherited.push_back(change.name + L"=" + *change.value);
        }
    }
    std::stable_sort(inherited.begin(), inherited.end(),
                     [](const std::wstring& a, const std::wstring& b) {
                         return compareNames(variableName(a), variableName(b)) < 0;
                     });
    return inherited;
}

Process Process::launch(const LaunchOptions& options) {
    std::wstring block;
    for (const auto& entry : mergeEnvironment(inheritedEnvironment(), options.environment)) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    if (block.size() == 1) {
        block += L'\0';
    }

    // CreateProcessW may write into the command line.
    std::wstring commandLine = options.commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(
            options.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
            CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED, block.data(),
            options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(), &startup,
            &info)) {
        throwWin32Error("cannot start " + utf8(options.program));
    }

    Process process;
    process.process_.reset(info.hProcess);
    process.id_ = info.dwProcessId;
    process.label_ =
        utf8(fileNameOf(options.program)) + " (pid " + std::to_string(info.dwProcessId) + ")";

    // The job is a safety net only; without one the destructor still kills the process.
    process.job_.reset(CreateJobObjectW(nullptr, nullptr));
    if (process.job_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(process.job_.get(), JobObjectExtendedLimitInformation, &limits,
                                     sizeof limits) ||
            !AssignProcessToJobObject(process.job_.get(), info.hProcess)) {
            process.job_.reset();
        }
    }
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    return process;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        kill();
        process_ = std::move(other.process_);
        job_ = std::move(other.job_);
        id_ = std::exchange(other.id_, 0);
        label_ = std::move(other.label_);
    }
    return *this;
}

Process::~Process() {
    kill();
}

bool Process::hasExited() const {
    return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
}

std::optional<DWORD> Process::exitCodeIfExited() const {
    if (!hasExited()) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.get(), &code)) {
        throwWin32Error("GetExitCodeProcess of " + label_);
    }
    return code;
}

DWORD Process::waitForExit(Milliseconds limit) const {
    const DWORD result = WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count()));
    if (result == WAIT_TIMEOUT) {
        throw WaitTimeout("timed out after " + std::to_string(limit.count()) + " ms waiting for " +
                          label_ + " to exit");
    }
    if (result != WAIT_OBJECT_0) {
        throwWin32Error("waiting for " + label_ + " to exit");
    }
    return *exitCodeIfExited();
}

void Process::waitForInputIdle(Milliseconds limit) const {
    const DWORD result = WaitForInputIdle(process_.get(), static_cast<DWORD>(limit.count()));
    if (result == 0) {
        return;
    }
    if (const auto code = exitCodeIfExited()) {
        throw std::runtime_error(label_ + " exited with code " + std::to_string(*code) +
                                 " while the robot waited for it to become idle");
    }
    if (result == WAIT_TIMEOUT) {
        throw WaitTimeout("timed out after " + std::to_string(limit.count()) + " ms waiting for " +
                          label_ + " to become idle");
    }
    throwWin32Error("WaitForInputIdle of " + label_);
}

void Process::kill() {
    if (process_ && !hasExited()) {
        TerminateProcess(process_.get(), kKilledExitCode);
        WaitForSingleObject(process_.get(), 5000);
    }
}

}  // namespace velmar::robot
