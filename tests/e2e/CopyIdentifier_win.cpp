// The identifier copy on the real program: each trigger puts exactly the edit's text on the
// clipboard, alone, in place of whatever another program left there; a busy clipboard ends in
// the general error report and the wizard goes on.
#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <ostream>
#include <thread>

#include "tests/e2e/FlowHarness_win.h"
#include "tools/robot/Clipboard_win.h"
#include "tools/robot/Text_win.h"

namespace velmar::e2e {
namespace {

using robot::Modifiers;

constexpr char kNewEcrid[] = "5550001112223334";
constexpr char kOldEcrid[] = "3330001112223334";

// Registers during the typical run.
const std::vector<std::string> kRegisters = {
    "ECRID = str \"\"",
    scriptedText("ECRID", kNewEcrid),
    "CloudCashdeskEnabled = bool true",
};
// Already has an identifier at the service check.
const std::vector<std::string> kRegistered = {scriptedText("ECRID", kOldEcrid)};

std::vector<Step> keysToEndScreen() {
    return concat({keysToRegistration(), {{key(VK_RETURN), shows("5 imgOK edtKKMID(enabled)")}}});
}

std::vector<Step> keysToWarningScreen() {
    return {
        {key(VK_TAB), shows("0 imgClose")},
        {key(VK_TAB), shows("0 imgEnable")},
        {key(VK_RETURN), shows("2 imgW_Rereg")},
    };
}

// From the warning screen's Cancel.
std::vector<Step> exitFromWarningCancel() {
    return {{key(VK_RETURN), opens(exitConfirmation())}, {boxKey(VK_RETURN), exits()}};
}

struct CopyCase {
    const char* name;
    std::vector<std::string> scenario;
    std::vector<Step> toCopy;  // up to and including the trigger
    const char* copied;        // nullptr: the clipboard keeps what another program left
    std::vector<Step> toEnd;
};

void PrintTo(const CopyCase& c, std::ostream* out) {
    *out << c.name;
}

const CopyCase kCopies[] = {
    {"EnterOnTheEndScreen",
     kRegisters,
     concat({keysToEndScreen(),
             {
                 {key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")},
                 {key(VK_TAB), shows("5 edtKKMID")},
                 {key(VK_RETURN), opens(copyNotice())},
                 // The notice's Enter fires nothing: no second copy, no second notice.
                 {boxKey(VK_RETURN), stays("5 edtKKMID")},
             }}),
     kNewEcrid,
     {{key(VK_TAB), shows("5 imgOK")}, {key(VK_RETURN), exits()}}},
    {"EnterOnTheWarningScreen", kRegistered,
     concat({keysToWarningScreen(),
             {
                 {key(VK_TAB), shows("2 imgW_Cancel")},
                 {key(VK_TAB), shows("2 edtTecID")},
                 {key(VK_RETURN), opens(copyNotice())},
                 {boxKey(VK_RETURN), stays("2 edtTecID")},
             }}),
     kOldEcrid,
     concat({{{key(VK_TAB), shows("2 imgW_Rereg")}, {key(VK_TAB), shows("2 imgW_Cancel")}},
             exitFromWarningCancel()})},
    // Without a key release to spend it on, the copy's flag swallows the next Tab.
    {"NoticeClosedByClick",
     kRegisters,
     concat({keysToEndScreen(),
             {
                 {key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")},
                 {key(VK_TAB), shows("5 edtKKMID")},
                 {key(VK_RETURN), opens(copyNotice())},
                 {boxClick(IDOK), stays("5 edtKKMID")},
             }}),
     kNewEcrid,
     {{key(VK_TAB), stays("5 edtKKMID")},
      {key(VK_TAB), shows("5 imgOK")},
      {key(VK_RETURN), exits()}}},
    // No notice; the release of C spends the copy's flag.
    {"CtrlCOnTheEndScreen",
     kRegisters,
     concat({keysToEndScreen(),
             {
                 {key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")},
                 {key('C', Modifiers::Ctrl), stays("5 imgOK edtKKMID(enabled)")},
             }}),
     kNewEcrid,
     {{key(VK_TAB), shows("5 edtKKMID")},
      {key(VK_TAB), shows("5 imgOK")},
      {key(VK_RETURN), exits()}}},
    {"CtrlShiftCInTheEndScreensEdit",
     kRegisters,
     concat({keysToEndScreen(),
             {
                 {key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")},
                 {key(VK_TAB), shows("5 edtKKMID")},
                 {key('C', Modifiers::Ctrl | Modifiers::Shift), stays("5 edtKKMID")},
             }}),
     kNewEcrid,
     {{key(VK_TAB), shows("5 imgOK")}, {key(VK_RETURN), exits()}}},
    {"CtrlAltCOnTheEndScreen",
     kRegisters,
     concat({keysToEndScreen(),
             {
                 {key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")},
                 {key('C', Modifiers::Ctrl | Modifiers::Alt), stays("5 imgOK edtKKMID(enabled)")},
             }}),
     kNewEcrid,
     {{key(VK_TAB), shows("5 edtKKMID")},
      {key(VK_TAB), shows("5 imgOK")},
      {key(VK_RETURN), exits()}}},
    {"CtrlCOnTheWarningScreenCopiesNothing", kRegistered,
     concat({keysToWarningScreen(), {{key('C', Modifiers::Ctrl), stays("2 imgW_Rereg")}}}), nullptr,
     concat({{{key(VK_TAB), shows("2 imgW_Cancel")}}, exitFromWarningCancel()})},
    // Not even the edit's own Ctrl+C, with its whole text selected.
    {"CtrlCInTheWarningScreensEditCopiesNothing", kRegistered,
     concat({keysToWarningScreen(),
             {
                 {key(VK_TAB), shows("2 imgW_Cancel")},
                 {key(VK_TAB), shows("2 edtTecID")},
                 {key('C', Modifiers::Ctrl), stays("2 edtTecID")},
             }}),
     nullptr,
     concat({{{key(VK_TAB), shows("2 imgW_Rereg")}, {key(VK_TAB), shows("2 imgW_Cancel")}},
             exitFromWarningCancel()})},
    // The edit is enabled from the layout and nothing of it is selected: the whole text goes.
    {"MenuOnTheEndScreen",
     kRegisters,
     concat({keysToEndScreen(),
             {
                 {key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")},
                 {menuCopy(), stays("5 imgOK edtKKMID(enabled)")},
             }}),
     kNewEcrid,
     {{key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")},
      {key(VK_TAB), shows("5 edtKKMID")},
      {key(VK_TAB), shows("5 imgOK")},
      {key(VK_RETURN), exits()}}},
    {"MenuOnTheWarningScreen", kRegistered,
     concat({keysToWarningScreen(),
             {
                 {key(VK_TAB), shows("2 imgW_Cancel")},
                 {key(VK_TAB), shows("2 edtTecID")},
                 {menuCopy(), stays("2 edtTecID")},
             }}),
     kOldEcrid,
     concat({{{key(VK_TAB), stays("2 edtTecID")},
              {key(VK_TAB), shows("2 imgW_Rereg")},
              {key(VK_TAB), shows("2 imgW_Cancel")}},
             exitFromWarningCancel()})},
    // The identifier's second read is empty: an empty text still replaces the clipboard's.
    {"EmptyIdentifier",
     {"ECRID = str \"\"", "ECRID = str \"9\"", "ECRID = str \"\"",
      "CloudCashdeskEnabled = bool true"},
     concat({keysToEndScreen(),
             {
                 {look(), editHolds(5, "")},
                 {key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")},
                 {key(VK_TAB), shows("5 edtKKMID")},
                 {key(VK_RETURN), opens(copyNotice())},
                 {boxKey(VK_RETURN), stays("5 edtKKMID")},
             }}),
     "",
     {{key(VK_TAB), shows("5 imgOK")}, {key(VK_RETURN), exits()}}},
};

class CopyTrigger : public WizardTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(CopyTrigger, PutsExactlyTheEditsTextAloneOnTheClipboard) {
    const CopyCase& c = GetParam();
    fillClipboardWithOtherContent();
    const ClipboardContent before = readClipboard();
    Wizard wizard = startWizard(c.scenario);

    ASSERT_TRUE(runSteps(wizard, c.toCopy));
    if (c.copied != nullptr) {
        EXPECT_TRUE(clipboardHoldsOnly(robot::wide(c.copied)));
    } else {
        const ClipboardContent after = readClipboard();
        EXPECT_EQ(after.formats, before.formats);
        EXPECT_EQ(after.text, before.text);
    }
    ASSERT_TRUE(runSteps(wizard, c.toEnd));
    const std::vector<std::string> log = driverLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "release refs=0 com=initialised");
}

INSTANTIATE_TEST_SUITE_P(Copy, CopyTrigger, ::testing::ValuesIn(kCopies),
                         [](const auto& info) { return std::string(info.param.name); });

// --- A clipboard that another program holds open ----------------------------------------------

// Stands in for the error text the program reports, which only the running test can know.
constexpr std::string_view kBusyReport = "(the busy clipboard's report)";

// What OpenClipboard says while the clipboard is held, as the general error report shows it.
std::string busyClipboardReport() {
    std::promise<DWORD> result;
    std::thread([&] {
        result.set_value(OpenClipboard(nullptr) ? ERROR_SUCCESS : GetLastError());
        CloseClipboard();
    }).join();
    const DWORD code = result.get_future().get();
    if (code == ERROR_SUCCESS) {
        throw std::runtime_error("the clipboard opened although it is held");
    }
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring system(buffer != nullptr ? buffer : L"", length);
    LocalFree(buffer);
    // The system's text without its line end and full stop, as error texts are built.
    while (!system.empty() && (system.back() <= L' ' || system.back() == L'.')) {
        system.pop_back();
    }
    std::string text = "Cannot open clipboard: " + robot::utf8(system);
    return text.back() > '.' ? text + "." : text;
}

struct BusyCase {
    const char* name;
    std::vector<Step> toTrigger;
    // While the clipboard is held; a box expected with kBusyReport is the error report.
    std::vector<Step> busy;
    // After it is free again, up to a copy that works.
    std::vector<Step> free;
};

void PrintTo(const BusyCase& c, std::ostream* out) {
    *out << c.name;
}

const BusyCase kBusy[] = {
    {"EnterShowsNoNotice",
     concat(
         {keysToEndScreen(),
          {{key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")}, {key(VK_TAB), shows("5 edtKKMID")}}}),
     {
         {key(VK_RETURN), opens(errorReport(kBusyReport))},
         // A click lets no release through; the failed copy has set no flag.
         {boxClick(IDOK), stays("5 edtKKMID")},
     },
     {
         {key(VK_RETURN), opens(copyNotice())},
         {boxKey(VK_RETURN), stays("5 edtKKMID")},
     }},
    // The Enter that closes the report is released on the wizard, which copies again.
    {"EnterOnTheReportTriesAgain",
     concat(
         {keysToEndScreen(),
          {{key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")}, {key(VK_TAB), shows("5 edtKKMID")}}}),
     {
         {key(VK_RETURN), opens(errorReport(kBusyReport))},
         {boxKey(VK_RETURN), opens(errorReport(kBusyReport))},
     },
     {
         {boxKey(VK_RETURN), opens(copyNotice())},
         {boxKey(VK_RETURN), stays("5 edtKKMID")},
     }},
    {"CtrlC",
     concat({keysToEndScreen(), {{key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")}}}),
     {
         {key('C', Modifiers::Ctrl), opens(errorReport(kBusyReport))},
         {boxClick(IDOK), stays("5 imgOK edtKKMID(enabled)")},
     },
     {
         {key(VK_TAB), shows("5 edtKKMID")},
         {key('C', Modifiers::Ctrl), stays("5 edtKKMID")},
     }},
    {"Menu",
     concat({keysToEndScreen(), {{key(VK_TAB), stays("5 imgOK edtKKMID(enabled)")}}}),
     {
         {menuCopy(), opens(errorReport(kBusyReport))},
         {boxClick(IDOK), stays("5 imgOK edtKKMID(enabled)")},
     },
     {
         // The failed copy set no flag: this Tab moves.
         {key(VK_TAB), shows("5 edtKKMID")},
         {menuCopy(), stays("5 edtKKMID")},
     }},
};

class BusyClipboard : public WizardTest, public ::testing::WithParamInterface<BusyCase> {};

TEST_P(BusyClipboard, ReportsTheErrorAndTheWizardGoesOn) {
    const BusyCase& c = GetParam();
    fillClipboardWithOtherContent();
    Wizard wizard = startWizard(kRegisters);
    ASSERT_TRUE(runSteps(wizard, c.toTrigger));
    {
        const robot::ClipboardHold hold;
        const std::string report = busyClipboardReport();
        std::vector<Step> busy = c.busy;
        for (Step& step : busy) {
            if (step.then.box && step.then.box->text == kBusyReport) {
                step.then.box->text = report;
            }
        }
        ASSERT_TRUE(runSteps(wizard, busy));
    }
    ASSERT_TRUE(runSteps(wizard, c.free));
    EXPECT_TRUE(clipboardHoldsOnly(robot::wide(kNewEcrid)));
    PostMessageW(wizard.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(wizard.waitForExit(), 0u);
    const std::vector<std::string> log = driverLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "release refs=0 com=initialised");
}

INSTANTIATE_TEST_SUITE_P(Copy, BusyClipboard, ::testing::ValuesIn(kBusy),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmar::e2e
