// The typical run: from the welcome screen to the identifier on the clipboard and the exit, once
// by keyboard alone and once by mouse alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>

#include "tests/e2e/FlowHarness_win.h"
#include "tools/robot/Text_win.h"

namespace velmar::e2e {
namespace {

constexpr char kEcrid[] = "7712345678901234";
constexpr wchar_t kEcridWide[] = L"7712345678901234";

const std::vector<std::string> kTypicalScenario = {
    "GetCloudCashdeskParams = i4 0",
    // Empty at the service check, the new identifier after the registration.
    "ECRID = str \"\"",
    scriptedText("ECRID", kEcrid),
    "ResultCode = i4 0",
    scriptedText("UDescription", "Меридиан-Ф 02, зав. № 00104217"),
    "CloudCashdeskEnabled = bool true",
};

// The administrator forgets to switch the service on in the first pass.
std::vector<std::string> withServiceOffAtFirst(std::vector<std::string> scenario) {
    std::erase(scenario, "CloudCashdeskEnabled = bool true");
    scenario.push_back("CloudCashdeskEnabled = bool false");
    scenario.push_back("CloudCashdeskEnabled = bool true");
    return scenario;
}

struct TypicalRun {
    const char* name;
    std::vector<std::string> scenario;
    // The passes of the registration loop before the one that succeeds.
    int passesWithTheServiceOff;
    // Up to the identifier on the clipboard.
    std::vector<Step> toCopy;
    // From there to the end.
    std::vector<Step> toEnd;
};

void PrintTo(const TypicalRun& run, std::ostream* out) {
    *out << run.name;
}

const TypicalRun kRuns[] = {
    {"KeyboardOnly",
     kTypicalScenario,
     0,
     {
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_TAB), shows("0 imgEnable")},
         {key(VK_RETURN), shows("1 imgFS_Next")},
         {key(VK_RETURN), shows("3 imgCn_Next")},
         // Page 4 opens as it was laid out: its Next highlighted, not yet refreshed.
         {key(VK_RETURN), shows("4 imgReg_Next")},
         // The connection step has set fMessageEnter, and its dialog took no key.
         {key(VK_RETURN), stays("4 imgReg_Next")},
         {key(VK_RETURN), shows("5 imgOK edtKKMID(enabled)")},
         // Likewise after the registration step.
         {key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")},
         {key(VK_TAB), shows("5 edtKKMID")},
         {key(VK_RETURN), opens(copyNotice())},
         // The release of the Enter that closes the notice is swallowed.
         {boxKey(VK_RETURN), stays("5 edtKKMID")},
     },
     {
         {key(VK_TAB), shows("5 imgOK")},
         {key(VK_RETURN), exits()},
     }},
    {"MouseOnly",
     kTypicalScenario,
     0,
     {
         {pointTo("imgEnable"), shows("0 imgEnable")},
         {clickOn("imgEnable"), shows("1 imgFS_Next")},
         {clickOn("imgFS_Next"), shows("3 imgCn_Next")},
         {clickOn("imgCn_Next"), shows("4 imgReg_Next")},
         {clickOn("imgReg_Next"), shows("5 imgOK edtKKMID(enabled)")},
         {menuCopy(), stays("5 imgOK edtKKMID(enabled)")},
     },
     {
         {clickOn("imgOK"), exits()},
     }},
    {"MouseOnlyClickingAWarningAway",
     withServiceOffAtFirst(kTypicalScenario),
     1,
     {
         {pointTo("imgEnable"), shows("0 imgEnable")},
         {clickOn("imgEnable"), shows("1 imgFS_Next")},
         {clickOn("imgFS_Next"), shows("3 imgCn_Next")},
         {clickOn("imgCn_Next"), shows("4 imgReg_Next")},
         {clickOn("imgReg_Next"), opens(notEnabledWarning())},
         {boxClick(IDOK), shows("5 imgOK edtKKMID(enabled)")},
         {menuCopy(), stays("5 imgOK edtKKMID(enabled)")},
     },
     {
         {clickOn("imgOK"), exits()},
     }},
};

class TypicalRunTest : public WizardTest, public ::testing::WithParamInterface<TypicalRun> {};

TEST_P(TypicalRunTest, EndsWithTheIdentifierOnTheClipboardAndExitCode0) {
    const TypicalRun& run = GetParam();
    fillClipboardWithOtherContent();
    Wizard wizard = startWizard(run.scenario);

    ASSERT_TRUE(runSteps(wizard, run.toCopy));
    EXPECT_EQ(robot::utf8(wizard.edit(5)->text), kEcrid);
    EXPECT_TRUE(clipboardHoldsOnly(kEcridWide));
    ASSERT_TRUE(runSteps(wizard, run.toEnd));

    const HWND window = wizard.window();
    ExpectedLog expected;
    expected.created().serviceCheck(false).connectionStep(window);
    for (int pass = 0; pass < run.passesWithTheServiceOff; ++pass) {
        expected.openParameterPage(window)
            .read("GetCloudCashdeskParams")
            .read("CloudCashdeskEnabled");
    }
    expected.openParameterPage(window)
        .read("GetCloudCashdeskParams")
        .read("CloudCashdeskEnabled")
        .read("ECRID")
        .read("ECRID")
        .releasedOnce();
    EXPECT_TRUE(logIs(expected));
}

INSTANTIATE_TEST_SUITE_P(Flow, TypicalRunTest, ::testing::ValuesIn(kRuns),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmar::e2e
