// Every branch of the wizard's flow on the real program: what the driver answers decides the
// screen, the box and the calls that follow; each case ends with the program's exit.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>

#include "tests/e2e/FlowHarness_win.h"

namespace velmar::e2e {
namespace {

using robot::BoxIcon;

struct FlowCase {
    const char* name;
    std::vector<std::string> scenario;
    std::vector<Step> steps;
    // The driver's log between its creation and its one release.
    void (*calls)(ExpectedLog& log, HWND mainWindow);
};

void PrintTo(const FlowCase& c, std::ostream* out) {
    *out << c.name;
}

class FlowBranch : public WizardTest, public ::testing::WithParamInterface<FlowCase> {};

TEST_P(FlowBranch, ShowsWhatTheDriverAnswersAndEndsWithOneRelease) {
    const FlowCase& c = GetParam();
    Wizard wizard = startWizard(c.scenario);
    ASSERT_TRUE(runSteps(wizard, c.steps));
    ExpectedLog expected;
    expected.created();
    c.calls(expected, wizard.window());
    expected.releasedOnce();
    EXPECT_TRUE(logIs(expected));
}

std::string caseName(const ::testing::TestParamInfo<FlowCase>& info) {
    return info.param.name;
}

// The close button of the active page highlighted, OK on the exit confirmation.
std::vector<Step> confirmExit(WORD answer = VK_RETURN) {
    return {{key(VK_RETURN), opens(exitConfirmation())}, {boxKey(answer), exits()}};
}

// --- The service check -----------------------------------------------------------------------

const std::vector<std::string> kServiceFails = {
    "GetCloudCashdeskParams = i4 1",
    "ResultCode = i4 -3",
    "ResultCodeDescription = str \"Нет связи с ККМ\"",
};
const BoxExpect kServiceFailureBox{"Ошибка ККМ: (-3) Нет связи с ККМ", BoxIcon::Error, {IDOK}};

const FlowCase kServiceChecks[] = {
    {"FailsByKeyboard",
     kServiceFails,
     {
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_TAB), shows("0 imgEnable")},
         {key(VK_RETURN), opens(kServiceFailureBox)},
         {boxKey(VK_RETURN), exits()},
     },
     [](ExpectedLog& log, HWND) {
         log.read("GetCloudCashdeskParams").read("ResultCode").read("ResultCodeDescription");
     }},
    {"FailsByMouse",
     kServiceFails,
     {
         {pointTo("imgEnable"), shows("0 imgEnable")},
         {clickOn("imgEnable"), opens(kServiceFailureBox)},
         {boxClick(IDOK), exits()},
     },
     [](ExpectedLog& log, HWND) {
         log.read("GetCloudCashdeskParams").read("ResultCode").read("ResultCodeDescription");
     }},
    // Back on the connection screen checks again, with fresh values.
    {"FailsWhenCheckedAgainFromTheConnectionScreen",
     {
         "GetCloudCashdeskParams = i4 0",
         "GetCloudCashdeskParams = i4 1",
         "ResultCode = i4 -3",
         "ResultCodeDescription = str \"Нет связи с ККМ\"",
     },
     concat({keysToConnection(),
             {
                 {key(VK_TAB), shows("3 imgCn_Cancel")},
                 {key(VK_TAB), shows("3 imgCn_Return")},
                 {key(VK_RETURN), opens(kServiceFailureBox)},
                 {boxKey(VK_RETURN), exits()},
             }}),
     [](ExpectedLog& log, HWND) {
         log.serviceCheck(false)
             .read("GetCloudCashdeskParams")
             .read("ResultCode")
             .read("ResultCodeDescription");
     }},
    {"PassesAgainFromTheConnectionScreen",
     {},
     concat({keysToConnection(),
             {
                 {key(VK_TAB), shows("3 imgCn_Cancel")},
                 {key(VK_TAB), shows("3 imgCn_Return")},
                 {key(VK_RETURN), shows("1 imgFS_Next")},
                 {key(VK_TAB), shows("1 imgFS_Close")},
             },
             confirmExit()}),
     [](ExpectedLog& log, HWND) { log.serviceCheck(false).serviceCheck(false); }},
};

INSTANTIATE_TEST_SUITE_P(ServiceCheck, FlowBranch, ::testing::ValuesIn(kServiceChecks), caseName);

// --- A register that already has an identifier -----------------------------------------------

const FlowCase kRegistered[] = {
    // The identifier shown is the one of the second read.
    {"ShowsTheIdentifierOfTheSecondRead",
     {"ECRID = str \"0000111122223333\"", "ECRID = str \"4444555566667777\""},
     {
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_TAB), shows("0 imgEnable")},
         {key(VK_RETURN), shows("2 imgW_Rereg")},
         {look(), editHolds(2, "4444555566667777")},
         {key(VK_TAB), shows("2 imgW_Cancel")},
         {key(VK_TAB), shows("2 edtTecID")},
         {key(VK_TAB), shows("2 imgW_Rereg")},
         {key(VK_RETURN), shows("3 imgCn_Next")},
         {key(VK_TAB), shows("3 imgCn_Cancel")},
         {key(VK_TAB), shows("3 imgCn_Return")},
         // Back: the check again, and the warning screen with the identifier read afresh.
         {key(VK_RETURN), shows("2 imgW_Rereg")},
         {look(), editHolds(2, "4444555566667777")},
         {key(VK_TAB), shows("2 imgW_Cancel")},
         {key(VK_RETURN), opens(exitConfirmation())},
         {boxKey(VK_RETURN), exits()},
     },
     [](ExpectedLog& log, HWND) { log.serviceCheck(true).serviceCheck(true); }},
    {"ReregistersThroughTheConnectionScreen",
     {"ECRID = str \"0000111122223333\"", "ECRID = str \"0000111122223333\"",
      "CloudCashdeskEnabled = bool true", "ECRID = str \"8888999900001111\""},
     {
         {pointTo("imgEnable"), shows("0 imgEnable")},
         {clickOn("imgEnable"), shows("2 imgW_Rereg")},
         {clickOn("imgW_Rereg"), shows("3 imgCn_Next")},
         {clickOn("imgCn_Next"), shows("4 imgReg_Next")},
         {clickOn("imgReg_Next"), shows("5 imgOK edtKKMID(enabled)")},
         {look(), editHolds(5, "8888999900001111")},
         {clickOn("imgOK"), exits()},
     },
     [](ExpectedLog& log, HWND window) {
         log.serviceCheck(true)
             .connectionStep(window)
             .openParameterPage(window)
             .read("GetCloudCashdeskParams")
             .read("CloudCashdeskEnabled")
             .read("ECRID")
             .read("ECRID");
     }},
};

INSTANTIATE_TEST_SUITE_P(Registered, FlowBranch, ::testing::ValuesIn(kRegistered), caseName);

// --- The connection step -----------------------------------------------------------------------

const FlowCase kConnections[] = {
    {"FailsStaysAndSucceedsOnTheNextTry",
     {"ResultCode = i4 1", "ResultCode = i4 1", "ResultCode = i4 0",
      "ResultCodeDescription = str \"Нет связи\""},
     concat({keysToConnection(),
             {
                 {key(VK_RETURN), opens({"Ошибка ККМ: (1) Нет связи", BoxIcon::Error, {IDOK}})},
                 // The release of that Enter is swallowed: no second try.
                 {boxKey(VK_RETURN), stays("3 imgCn_Next")},
                 {key(VK_RETURN), shows("4 imgReg_Next")},
                 {key(VK_RETURN), stays("4 imgReg_Next")},
                 {key(VK_TAB), shows("4 imgReg_Cancel")},
             },
             confirmExit()}),
     [](ExpectedLog& log, HWND window) {
         log.serviceCheck(false)
             .showProperties(window)
             .call("GetDeviceMetrics")
             .read("ResultCode")
             .read("ResultCode")
             .read("ResultCodeDescription")
             .connectionStep(window);
     }},
    {"FailureAnsweredByClickSwallowsTheNextKey",
     {"ResultCode = i4 -1", "ResultCodeDescription = str \"Порт занят\""},
     concat({keysToConnection(),
             {
                 {key(VK_RETURN), opens({"Ошибка ККМ: (-1) Порт занят", BoxIcon::Error, {IDOK}})},
                 {boxClick(IDOK), stays("3 imgCn_Next")},
                 {key(VK_TAB), stays("3 imgCn_Next")},
                 {key(VK_TAB), shows("3 imgCn_Cancel")},
             },
             confirmExit()}),
     [](ExpectedLog& log, HWND window) {
         log.serviceCheck(false)
             .showProperties(window)
             .call("GetDeviceMetrics")
             .read("ResultCode")
             .read("ResultCode")
             .read("ResultCodeDescription");
     }},
    // Back from the registration screen does not refresh the connection screen.
    {"BackFromRegistration",
     {},
     concat({keysToRegistration(),
             {
                 {key(VK_TAB), shows("4 imgReg_Cancel")},
                 {key(VK_TAB), shows("4 imgReg_Return")},
                 {key(VK_RETURN), shows("3 imgCn_Next")},
                 {key(VK_TAB), shows("3 imgCn_Cancel")},
             },
             confirmExit()}),
     [](ExpectedLog& log, HWND window) { log.serviceCheck(false).connectionStep(window); }},
};

INSTANTIATE_TEST_SUITE_P(Connection, FlowBranch, ::testing::ValuesIn(kConnections), caseName);

// --- The registration loop ---------------------------------------------------------------------

void registrationPass(ExpectedLog& log, HWND window, bool enabled, bool readEcrid) {
    log.openParameterPage(window).read("GetCloudCashdeskParams").read("CloudCashdeskEnabled");
    if (enabled && readEcrid) {
        log.read("ECRID");
    }
}

const FlowCase kRegistrations[] = {
    // Esc answers Cancel, and its release is swallowed.
    {"NotEnabledOkByEnterThenCancelByEsc",
     {},
     concat({keysToRegistration(),
             {
                 {key(VK_RETURN), opens(notEnabledWarning())},
                 {boxKey(VK_RETURN), opens(notEnabledWarning())},
                 {boxKey(VK_ESCAPE), stays("4 imgReg_Next")},
                 {look(), editHolds(5, "")},
                 {key(VK_TAB), shows("4 imgReg_Cancel")},
             },
             confirmExit()}),
     [](ExpectedLog& log, HWND window) {
         log.serviceCheck(false).connectionStep(window);
         registrationPass(log, window, false, false);
         registrationPass(log, window, false, false);
     }},
    // A click answers without a key release: the next one is swallowed.
    {"NotRegisteredOkByClickThenCancelByClick",
     {"CloudCashdeskEnabled = bool true"},
     concat({keysToRegistration(),
             {
                 {key(VK_RETURN), opens(notRegisteredWarning())},
                 {boxClick(IDOK), opens(notRegisteredWarning())},
                 {boxClick(IDCANCEL), stays("4 imgReg_Next")},
                 {look(), editHolds(5, "")},
                 {key(VK_TAB), stays("4 imgReg_Next")},
                 {key(VK_TAB), shows("4 imgReg_Cancel")},
             },
             confirmExit()}),
     [](ExpectedLog& log, HWND window) {
         log.serviceCheck(false).connectionStep(window);
         registrationPass(log, window, true, true);
         registrationPass(log, window, true, true);
     }},
    {"SeveralPassesUntilRegistered",
     {"CloudCashdeskEnabled = bool false", "CloudCashdeskEnabled = bool true", "ECRID = str \"\"",
      "ECRID = str \"\"", "ECRID = str \"1029384756102938\""},
     concat({keysToRegistration(),
             {
                 {key(VK_RETURN), opens(notEnabledWarning())},
                 {boxKey(VK_RETURN), opens(notRegisteredWarning())},
                 {boxKey(VK_RETURN), shows("5 imgOK edtKKMID(enabled)")},
                 {look(), editHolds(5, "1029384756102938")},
                 // The release of the Enter that answered the warning was the one swallowed.
                 {key(VK_TAB), shows("5 edtKKMID")},
                 {key(VK_TAB), shows("5 imgOK")},
                 {key(VK_RETURN), exits()},
             }}),
     [](ExpectedLog& log, HWND window) {
         log.serviceCheck(false).connectionStep(window);
         registrationPass(log, window, false, false);
         registrationPass(log, window, true, true);
         registrationPass(log, window, true, true);
         log.read("ECRID");
     }},
    {"ErrorBoxEndsTheLoop",
     {"GetCloudCashdeskParams = i4 0", "GetCloudCashdeskParams = i4 -2", "ResultCode = i4 0",
      "ResultCode = i4 -7", "ResultCodeDescription = str \"ККМ не найдена на сервисе\""},
     concat({keysToRegistration(),
             {
                 {key(VK_RETURN),
                  opens({"Ошибка ККМ : (-7) ККМ не найдена на сервисе", BoxIcon::Error, {IDOK}})},
                 {boxKey(VK_RETURN), stays("4 imgReg_Next")},
                 {look(), editHolds(5, "")},
                 {key(VK_TAB), shows("4 imgReg_Cancel")},
             },
             confirmExit()}),
     [](ExpectedLog& log, HWND window) {
         log.serviceCheck(false)
             .connectionStep(window)
             .openParameterPage(window)
             .read("GetCloudCashdeskParams")
             .read("ResultCode")
             .read("ResultCodeDescription");
     }},
};

INSTANTIATE_TEST_SUITE_P(Registration, FlowBranch, ::testing::ValuesIn(kRegistrations), caseName);

// --- The exit confirmation on every page with a close button -----------------------------------

const FlowCase kExits[] = {
    {"WelcomeCancelByClick",
     {},
     {
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_RETURN), opens(exitConfirmation())},
         {boxClick(IDCANCEL), stays("0 imgClose")},
         {key(VK_TAB), stays("0 imgClose")},
         {key(VK_TAB), shows("0 imgEnable")},
         {key(VK_TAB), shows("0 imgDoc")},
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_RETURN), opens(exitConfirmation())},
         {boxClick(IDOK), exits()},
     },
     [](ExpectedLog&, HWND) {}},
    {"FirstStartCancelByEsc",
     {},
     concat({keysToFirstStart(),
             {
                 {key(VK_TAB), shows("1 imgFS_Close")},
                 {key(VK_RETURN), opens(exitConfirmation())},
                 {boxKey(VK_ESCAPE), stays("1 imgFS_Close")},
                 {key(VK_TAB), shows("1 imgFS_Next")},
                 {key(VK_TAB), shows("1 imgFS_Close")},
             },
             confirmExit()}),
     [](ExpectedLog& log, HWND) { log.serviceCheck(false); }},
    {"WarningCancelByClick",
     {"ECRID = str \"0000111122223333\""},
     {
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_TAB), shows("0 imgEnable")},
         {key(VK_RETURN), shows("2 imgW_Rereg")},
         {key(VK_TAB), shows("2 imgW_Cancel")},
         {key(VK_RETURN), opens(exitConfirmation())},
         {boxClick(IDCANCEL), stays("2 imgW_Cancel")},
         {key(VK_TAB), stays("2 imgW_Cancel")},
         {key(VK_TAB), shows("2 edtTecID")},
         {key(VK_TAB), shows("2 imgW_Rereg")},
         {key(VK_TAB), shows("2 imgW_Cancel")},
         {key(VK_RETURN), opens(exitConfirmation())},
         {boxClick(IDOK), exits()},
     },
     [](ExpectedLog& log, HWND) { log.serviceCheck(true); }},
    {"ConnectionCancelByEscThenByMouse",
     {},
     concat({keysToConnection(),
             {
                 {key(VK_TAB), shows("3 imgCn_Cancel")},
                 {key(VK_RETURN), opens(exitConfirmation())},
                 {boxKey(VK_ESCAPE), stays("3 imgCn_Cancel")},
                 {clickOn("imgCn_Cancel"), opens(exitConfirmation())},
                 {boxKey(VK_RETURN), exits()},
             }}),
     [](ExpectedLog& log, HWND) { log.serviceCheck(false); }},
    {"RegistrationCancelByClick",
     {},
     concat({keysToRegistration(),
             {
                 {key(VK_TAB), shows("4 imgReg_Cancel")},
                 {key(VK_RETURN), opens(exitConfirmation())},
                 {boxClick(IDCANCEL), stays("4 imgReg_Cancel")},
                 {key(VK_TAB), stays("4 imgReg_Cancel")},
                 {key(VK_TAB), shows("4 imgReg_Return")},
                 {pointTo("imgReg_Cancel"), shows("4 imgReg_Cancel")},
                 {clickOn("imgReg_Cancel"), opens(exitConfirmation())},
                 {boxClick(IDOK), exits()},
             }}),
     [](ExpectedLog& log, HWND window) { log.serviceCheck(false).connectionStep(window); }},
};

INSTANTIATE_TEST_SUITE_P(Exit, FlowBranch, ::testing::ValuesIn(kExits), caseName);

// --- A failing automation call: the general error report, and the wizard goes on ---------------

const FlowCase kAutomationErrors[] = {
    {"UnknownNameAtTheServiceCheck",
     {"GetCloudCashdeskParams = unknown-name"},
     {
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_TAB), shows("0 imgEnable")},
         {key(VK_RETURN),
          opens(
              errorReport("Method 'GetCloudCashdeskParams' not supported by automation object."))},
         {boxClick(IDOK), stays("0 imgEnable")},
         {key(VK_TAB), shows("0 imgDoc")},
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_RETURN), opens(exitConfirmation())},
         {boxKey(VK_RETURN), exits()},
     },
     [](ExpectedLog& log, HWND) { log.unknown("GetCloudCashdeskParams"); }},
    {"UnknownNameInTheConnectionStep",
     {"GetDeviceMetrics = unknown-name"},
     concat(
         {keysToConnection(),
          {
              {key(VK_RETURN),
               opens(errorReport("Method 'GetDeviceMetrics' not supported by automation object."))},
              // No key is swallowed afterwards: the step stopped before it set the flag.
              {boxClick(IDOK), stays("3 imgCn_Next")},
              {key(VK_TAB), shows("3 imgCn_Cancel")},
          },
          confirmExit()}),
     [](ExpectedLog& log, HWND window) {
         log.serviceCheck(false).showProperties(window).unknown("GetDeviceMetrics");
     }},
    // What the pass did before the failing call stays done: the identifier edit is emptied.
    {"UnknownNameInTheRegistrationLoop",
     {"ParamsPageIndex = unknown-name"},
     concat(
         {keysToRegistration(),
          {
              {look(), editHolds(5, "1234567890")},
              {key(VK_RETURN),
               opens(errorReport("Method 'ParamsPageIndex' not supported by automation object."))},
              {boxClick(IDOK), stays("4 imgReg_Next")},
              {look(), editHolds(5, "")},
              {key(VK_TAB), shows("4 imgReg_Cancel")},
          },
          confirmExit()}),
     [](ExpectedLog& log, HWND window) {
         log.serviceCheck(false)
             .connectionStep(window)
             .write("ParentWnd", static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(window)))
             .unknown("ParamsPageIndex");
     }},
    {"DriverExceptionShowsItsDescription",
     {"ECRID = exception \"Сбой обмена с ККМ\""},
     {
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_TAB), shows("0 imgEnable")},
         {key(VK_RETURN), opens(errorReport("Сбой обмена с ККМ."))},
         {boxClick(IDOK), stays("0 imgEnable")},
         {key(VK_TAB), shows("0 imgDoc")},
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_RETURN), opens(exitConfirmation())},
         {boxKey(VK_RETURN), exits()},
     },
     [](ExpectedLog& log, HWND) { log.read("GetCloudCashdeskParams").read("ECRID"); }},
    // Answered with Enter, the box lets the release through: Enter fires the action again.
    {"ErrorReportAnsweredByEnterLetsTheReleaseThrough",
     {"GetCloudCashdeskParams = unknown-name"},
     {
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_TAB), shows("0 imgEnable")},
         {key(VK_RETURN),
          opens(
              errorReport("Method 'GetCloudCashdeskParams' not supported by automation object."))},
         {boxKey(VK_RETURN),
          opens(
              errorReport("Method 'GetCloudCashdeskParams' not supported by automation object."))},
         {boxClick(IDOK), stays("0 imgEnable")},
         {key(VK_TAB), shows("0 imgDoc")},
         {key(VK_TAB), shows("0 imgClose")},
         {key(VK_RETURN), opens(exitConfirmation())},
         {boxKey(VK_RETURN), exits()},
     },
     [](ExpectedLog& log, HWND) {
         log.unknown("GetCloudCashdeskParams").unknown("GetCloudCashdeskParams");
     }},
};

INSTANTIATE_TEST_SUITE_P(AutomationError, FlowBranch, ::testing::ValuesIn(kAutomationErrors),
                         caseName);

}  // namespace
}  // namespace velmar::e2e
