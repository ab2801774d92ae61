#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/robot/Process_win.h"
#include "tools/robot/Sequence.h"
#include "tools/simreg/SimRegistration_win.h"

namespace velmar::e2e {

using robot::Milliseconds;

// Limits only: every wait polls and returns as soon as the awaited thing is there. A cold start
// of a program under Wine can take a few seconds on this machine.
inline constexpr Milliseconds kStartLimit{20000};
inline constexpr Milliseconds kExitLimit{10000};

inline constexpr wchar_t kProgramFile[] = L"VelmarMaster.exe";
inline constexpr wchar_t kDriverFile[] = L"SimDriver.dll";

// The architecture this suite was built for, which is the one of the program it tests.
simreg::Arch ownArch();
simreg::Arch otherArch();
const char* archName(simreg::Arch arch);

// The dist folder of the own architecture, from VELMAR_DIST_DIR (a Windows path); throws with
// an explanation when the variable is unset.
std::wstring distDir();
// The other architecture's dist folder beside it (x64 and x86 are siblings).
std::wstring distDirOf(simreg::Arch arch);
std::wstring driverPathOf(simreg::Arch arch);
bool fileExists(const std::wstring& path);

// What ./run.sh sets up before the suite: each view holds its own architecture's simulated
// driver; a view whose driver has not been built is left empty.
void registerDriversNormally();

// A fresh folder under %TEMP%; removed at the end unless told to keep it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    void keep() { keep_ = true; }

  private:
    std::wstring path_;
    bool keep_ = false;
};

std::vector<std::string> readLines(const std::wstring& path);
void writeLines(const std::wstring& path, const std::vector<std::string>& lines);

struct RunOptions {
    std::vector<std::wstring> arguments{};
    // Lines of a scenario for the simulated driver; without one the driver runs unscripted.
    std::optional<std::vector<std::string>> scenario{};
};

// What a process showed while the robot waited for it to end.
struct ExitWatch {
    DWORD exitCode = 0;
    std::vector<std::string> windowsSeen;  // visible top-level windows, described once each
};
ExitWatch watchUntilExit(const robot::Process& process, Milliseconds limit);

// Base fixture: each test gets its own folder for the scenario and the driver's log, kept when
// the test fails.
class E2eTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The program under test, started in the test's folder with the driver's log there.
    robot::Process startProgram(const RunOptions& options = {});
    std::vector<std::string> driverLog() const;
    const TempFolder& folder() const { return *folder_; }

  private:
    std::optional<TempFolder> folder_;
};

// The whole recorded sequence against the expected table, reported as the robot lays it out.
::testing::AssertionResult sequenceIs(std::span<const robot::SequenceEntry> expected,
                                      const std::vector<std::string>& actual,
                                      std::string_view context);

}  // namespace velmar::e2e
