#include "tests/e2e/Harness_win.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

#include "tools/robot/Console_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::e2e {

using robot::utf8;

simreg::Arch ownArch() {
#ifdef _WIN64
    return simreg::Arch::X64;
#else
    return simreg::Arch::X86;
#endif
}

simreg::Arch otherArch() {
    return ownArch() == simreg::Arch::X64 ? simreg::Arch::X86 : simreg::Arch::X64;
}

const char* archName(simreg::Arch arch) {
    return arch == simreg::Arch::X64 ? "x64" : "x86";
}

std::wstring distDir() {
    std::wstring value(32768, L'\0');
    value.resize(GetEnvironmentVariableW(L"VELMAR_DIST_DIR", value.data(),
                                         static_cast<DWORD>(value.size())));
    while (!value.empty() && (value.back() == L'\\' || value.back() == L'/')) {
        value.pop_back();
    }
    if (value.empty()) {
        throw std::runtime_error(
            "VELMAR_DIST_DIR is not set: it names the Windows path of the dist folder whose "
            "program this suite tests, e.g. Z:\\work\\main\\build\\dist\\" +
            std::string(archName(ownArch())) + " (./run.sh test sets it)");
    }
    return value;
}

std::wstring distDirOf(simreg::Arch arch) {
    const std::wstring own = distDir();
    if (arch == ownArch()) {
        return own;
    }
    const std::size_t slash = own.find_last_of(L"\\/");
    const std::wstring parent = slash == std::wstring::npos ? L"." : own.substr(0, slash);
    return parent + L"\\" + robot::wide(archName(arch));
}

std::wstring driverPathOf(simreg::Arch arch) {
    return distDirOf(arch) + L"\\" + kDriverFile;
}

bool fileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void registerDriversNormally() {
    for (const simreg::Arch arch : {simreg::Arch::X64, simreg::Arch::X86}) {
        const std::wstring path = driverPathOf(arch);
        if (fileExists(path)) {
            simreg::registerDriver(arch, path);
        } else {
            simreg::unregisterDriver(arch);
        }
    }
}

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0) {
        robot::throwWin32Error("GetTempPathW");
    }
    path_ = std::wstring(temp, length) + L"velmar-e2e-" + std::to_wstring(GetCurrentProcessId()) +
            L"-" + std::to_wstring(++counter) + L"-" + std::to_wstring(GetTickCount64());
    if (!CreateDirectoryW(path_.c_str(), nullptr)) {
        robot::throwWin32Error("cannot create the test folder " + utf8(path_));
    }
}

TempFolder::~TempFolder() {
    if (!keep_) {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(path_), ignored);
    }
}

std::vector<std::string> readLines(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::vector<std::string> lines;
    if (!file) {
        return lines;
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.erase(0, 3);
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

void writeLines(const std::wstring& path, const std::vector<std::string>& lines) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    for (const auto& line : lines) {
        file << line << '\n';
    }
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + utf8(path));
    }
}

ExitWatch watchUntilExit(const robot::Process& process, Milliseconds limit) {
    ExitWatch watch;
    std::set<HWND> seen;
    robot::waitUntil(process.label() + " to exit", limit, [&] {
        for (HWND window : robot::visibleTopLevelWindows(process.id())) {
            if (seen.insert(window).second) {
                watch.windowsSeen.push_back(robot::describeWindow(window));
            }
        }
        return process.hasExited();
    });
    watch.exitCode = *process.exitCodeIfExited();
    return watch;
}

void E2eTest::SetUp() {
    std::wstring program;
    try {
        program = distDir() + L"\\" + kProgramFile;
    } catch (const std::exception& error) {
        FAIL() << error.what();
    }
    ASSERT_TRUE(fileExists(program)) << "the program under test is missing: " << utf8(program);
    folder_.emplace();
}

void E2eTest::TearDown() {
    if (folder_ && HasFailure()) {
        folder_->keep();
        robot::printLine("The failed test's files are kept in " + utf8(folder_->path()));
    }
    folder_.reset();
}

robot::Process E2eTest::startProgram(const RunOptions& options) {
    robot::LaunchOptions launch;
    launch.program = distDir() + L"\\" + kProgramFile;
    launch.commandLine = robot::commandLineFor(launch.program, options.arguments);
    launch.workingDirectory = folder_->path();
    launch.environment.push_back({L"SIMDRV_LOG", folder_->file(L"driver.log")});
    if (options.scenario) {
        const std::wstring script = folder_->file(L"scenario.txt");
        writeLines(script, *options.scenario);
        launch.environment.push_back({L"SIMDRV_SCRIPT", script});
    } else {
        // Not even one inherited from whoever runs the suite.
        launch.environment.push_back({L"SIMDRV_SCRIPT", std::nullopt});
    }
    return robot::Process::launch(launch);
}

std::vector<std::string> E2eTest::driverLog() const {
    return readLines(folder_->file(L"driver.log"));
}

::testing::AssertionResult sequenceIs(std::span<const robot::SequenceEntry> expected,
                                      const std::vector<std::string>& actual,
                                      std::string_view context) {
    if (auto report = robot::compareSequence(expected, actual, context)) {
        return ::testing::AssertionFailure() << *report;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace velmar::e2e
