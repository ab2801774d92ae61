// A driver that misbehaves, on the real program: every operation of the flow, at the step where
// the flow uses it, answers in each bad way a third-party driver might. Every cell must end in
// what the wizard promises for it (the general error report with the right text, or the odd
// value used as a value), the wizard still running on the right screen, and at the close the
// driver object released exactly once, with COM still initialised.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

#include "tests/e2e/FlowHarness_win.h"
#include "tools/robot/Clipboard_win.h"
#include "tools/robot/Console_win.h"
#include "tools/robot/Text_win.h"
#include "ui/ShownText.h"

namespace velmar::e2e {
namespace {

using robot::BoxIcon;
using robot::utf8;

enum class Bad { UnknownName, FailingStatus, Exception, Null, Empty, NotANumber, LongText, Object };
constexpr Bad kEveryBad[] = {Bad::UnknownName, Bad::FailingStatus, Bad::Exception, Bad::Null,
                             Bad::Empty,       Bad::NotANumber,    Bad::LongText,  Bad::Object};

const char* columnName(Bad bad) {
    switch (bad) {
        case Bad::UnknownName:
            return "unknown name";
        case Bad::FailingStatus:
            return "HRESULT";
        case Bad::Exception:
            return "exception";
        case Bad::Null:
            return "VT_NULL";
        case Bad::Empty:
            return "VT_EMPTY";
        case Bad::NotANumber:
            return "not a number";
        case Bad::LongText:
            return "1 MB text";
        case Bad::Object:
            return "VT_DISPATCH";
    }
    return "?";
}

// How the flow uses the operation at that step.
enum class Use { Call, Write, Number, Boolean, Text };

bool applies(Use use, Bad bad) {
    switch (bad) {
        case Bad::UnknownName:
        case Bad::FailingStatus:
        case Bad::Exception:
            return true;  // any operation can fail
        case Bad::Null:
        case Bad::Empty:
        case Bad::Object:
            return use != Use::Call && use != Use::Write;  // only a read has a value
        case Bad::NotANumber:
            return use == Use::Number || use == Use::Boolean;
        case Bad::LongText:
            return use == Use::Text;
    }
    return false;
}

constexpr HRESULT kFailingStatus = E_FAIL;
constexpr std::size_t kLongTextLength = 1 << 20;

std::string exceptionText(std::string_view operation) {
    return "Сбой драйвера в " + std::string(operation);
}

std::string scriptedBad(Bad bad, std::string_view operation) {
    const std::string head = std::string(operation) + " = ";
    switch (bad) {
        case Bad::UnknownName:
            return head + "unknown-name";
        case Bad::FailingStatus: {
            char status[16];
            std::snprintf(status, sizeof status, "0x%08lX",
                          static_cast<unsigned long>(kFailingStatus));
            return head + "hresult " + status;
        }
        case Bad::Exception:
            return head + "exception \"" + exceptionText(operation) + "\"";
        case Bad::Null:
            return head + "null";
        case Bad::Empty:
            return head + "empty";
        case Bad::NotANumber:
            return scriptedText(operation, "двенадцать");
        case Bad::LongText:
            return head + "longstr " + std::to_string(kLongTextLength);
        case Bad::Object:
            return head + "dispatch";
    }
    return head;
}

// The general error report's text for a status: the system's text for it (or, where the system
// has none, "OLE error" and the number), with the report's full stop.
std::string reportOfStatus(HRESULT status) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length != 0 && buffer != nullptr ? std::wstring(buffer, length) : L"";
    LocalFree(buffer);
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) {
        text.pop_back();
    }
    if (text.empty()) {
        char number[32];
        std::snprintf(number, sizeof number, "OLE error %08lX", static_cast<unsigned long>(status));
        return std::string(number) + ".";
    }
    return utf8(text) + ".";
}

// What a bad answer that the wizard cannot use reports.
std::string reportOf(Bad bad, std::string_view operation) {
    switch (bad) {
        case Bad::UnknownName:
            return "Method '" + std::string(operation) + "' not supported by automation object.";
        case Bad::FailingStatus:
            return reportOfStatus(kFailingStatus);
        case Bad::Exception:
            return exceptionText(operation) + ".";
        default:
            // A value that does not convert to what the flow reads it as.
            return reportOfStatus(DISP_E_TYPEMISMATCH);
    }
}

// The scripted driver's long text: the digits 0..9 repeating.
const std::string& longText() {
    static const std::string text = [] {
        std::string digits(kLongTextLength, '0');
        for (std::size_t i = 0; i < digits.size(); ++i) {
            digits[i] = static_cast<char>('0' + i % 10);
        }
        return digits;
    }();
    return text;
}

// Texts that outlive the tables that point at them.
std::string_view kept(std::string text) {
    static std::vector<std::unique_ptr<std::string>> store;
    store.push_back(std::make_unique<std::string>(std::move(text)));
    return *store.back();
}

constexpr char kOldEcrid[] = "0000111122223333";
constexpr char kNoLink[] = "Нет связи с ККМ";

// A driver error box of the service check or the connection step, or the registration's. With
// the long description the box outgrows the screen, and its icon lies off it.
BoxExpect driverError(std::string_view code, std::string_view description) {
    return {kept("Ошибка ККМ: (" + std::string(code) + ") " + std::string(description)),
            BoxIcon::Error,
            {IDOK},
            description.size() < 1000};
}
BoxExpect registrationError(std::string_view code, std::string_view description) {
    return {kept("Ошибка ККМ : (" + std::string(code) + ") " + std::string(description)),
            BoxIcon::Error,
            {IDOK},
            description.size() < 1000};
}

// What an identifier edit shows of the long text: its start, and an ellipsis.
Outcome showsLongTextCut(int page) {
    static const std::string shown = longText().substr(0, ui::kMaxShownInEdit) + "…";
    return editHolds(page, shown);
}

// One step of the flow that calls one operation.
struct Stage {
    const char* step;
    const char* operation;
    Use use;
    // Scenario lines that bring the flow to the step; the bad answer is queued after them.
    std::vector<std::string> setup;
    // The inputs up to the one that fires the action (which is Enter on the highlighted button).
    std::vector<Step> (*walk)();
    // What the wizard shows once the error report is answered.
    const char* afterError;
    // What follows the action when the value is usable: empty, and the 1 MB text.
    std::vector<Step> withEmpty;
    std::vector<Step> withLongText{};
    // With the long text in an identifier edit, the steps above end with a copy, which must have
    // taken all of it.
    bool copiesLongText = false;
};

std::vector<Step> toServiceCheck() {
    return {{key(VK_TAB), shows("0 imgClose")}, {key(VK_TAB), shows("0 imgEnable")}};
}
std::vector<Step> toConnectionStep() {
    return keysToConnection();
}
std::vector<Step> toRegistration() {
    return keysToRegistration();
}

const Input kFire = key(VK_RETURN);

// The page-5 look of its first entry: the form's own state, OK highlighted and the edit enabled.
constexpr char kEndScreenFirstEntry[] = "5 imgOK edtKKMID(enabled)";

// The copy by keys: on the warning screen Enter on the edit's slot, on the end screen Ctrl+C. (The
// edits' menu is covered by the copy tests; its click is the one input here that Wine's busy
// clipboard, after a megabyte, could delay.)
std::vector<Step> copyOnWarningScreen() {
    return {{key(VK_TAB), shows("2 imgW_Cancel")},
            {key(VK_TAB), shows("2 edtTecID")},
            {key(VK_RETURN), opens(copyNotice())},
            {boxClick(IDOK), stays("2 edtTecID")}};
}
std::vector<Step> copyOnEndScreen() {
    return {{key('C', robot::Modifiers::Ctrl), stays(kEndScreenFirstEntry)}};
}

const std::vector<Stage>& stages() {
    static const std::vector<Stage> all = {
        {"service check",
         "GetCloudCashdeskParams",
         Use::Number,
         {},
         toServiceCheck,
         "0 imgEnable",
         {{kFire, shows("1 imgFS_Next")}}},
        {"service check",
         "ECRID",
         Use::Text,
         {},
         toServiceCheck,
         "0 imgEnable",
         {{kFire, shows("1 imgFS_Next")}},
         // Not empty: read again (the same long text) for the warning screen.
         concat({{{kFire, shows("2 imgW_Rereg")}, {look(), showsLongTextCut(2)}},
                 copyOnWarningScreen()}),
         true},
        {"service check, second read",
         "ECRID",
         Use::Text,
         {scriptedText("ECRID", kOldEcrid)},
         toServiceCheck,
         // The warning screen was made active before the read: it shows its form state.
         "2 imgW_Rereg imgW_Cancel edtTecID(enabled)",
         {{kFire, shows("2 imgW_Rereg")}, {look(), editHolds(2, "")}},
         concat({{{kFire, shows("2 imgW_Rereg")}, {look(), showsLongTextCut(2)}},
                 copyOnWarningScreen()}),
         true},
        {"service check failing",
         "ResultCode",
         Use::Number,
         {"GetCloudCashdeskParams = i4 1", scriptedText("ResultCodeDescription", kNoLink)},
         toServiceCheck,
         "0 imgEnable",
         {{kFire, opens(driverError("0", kNoLink))}, {boxClick(IDOK), exits()}}},
        {"service check failing",
         "ResultCodeDescription",
         Use::Text,
         {"GetCloudCashdeskParams = i4 1", "ResultCode = i4 -3"},
         toServiceCheck,
         "0 imgEnable",
         {{kFire, opens(driverError("-3", ""))}, {boxClick(IDOK), exits()}},
         {{kFire, opens(driverError("-3", longText()))}, {boxKey(VK_RETURN), exits()}}},
        {"connection step", "ShowProperties", Use::Call, {}, toConnectionStep, "3 imgCn_Next", {}},
        {"connection step",
         "GetDeviceMetrics",
         Use::Call,
         {},
         toConnectionStep,
         "3 imgCn_Next",
         {}},
        {"connection step",
         "ResultCode",
         Use::Number,
         {},
         toConnectionStep,
         "3 imgCn_Next",
         {{kFire, shows("4 imgReg_Next")}}},
        {"connection step",
         "UDescription",
         Use::Text,
         {},
         toConnectionStep,
         "3 imgCn_Next",
         {{kFire, shows("4 imgReg_Next")}},
         // The long description runs on to the right on one line; the screen still answers.
         {{kFire, shows("4 imgReg_Next")},
          {key(VK_TAB), stays("4 imgReg_Next")},
          {key(VK_TAB), shows("4 imgReg_Cancel")}}},
        {"connection step failing, second read",
         "ResultCode",
         Use::Number,
         {"ResultCode = i4 1", scriptedText("ResultCodeDescription", kNoLink)},
         toConnectionStep,
         "3 imgCn_Next",
         {{kFire, opens(driverError("0", kNoLink))}, {boxClick(IDOK), stays("3 imgCn_Next")}}},
        {"connection step failing",
         "ResultCodeDescription",
         Use::Text,
         {"ResultCode = i4 1"},
         toConnectionStep,
         "3 imgCn_Next",
         {{kFire, opens(driverError("1", ""))}, {boxClick(IDOK), stays("3 imgCn_Next")}},
         {{kFire, opens(driverError("1", longText()))},
          {boxKey(VK_RETURN), stays("3 imgCn_Next")}}},
        {"registration", "ParentWnd", Use::Write, {}, toRegistration, "4 imgReg_Next", {}},
        {"registration", "ParamsPageIndex", Use::Write, {}, toRegistration, "4 imgReg_Next", {}},
        {"registration",
         "ShowAdditionalParams",
         Use::Call,
         {},
         toRegistration,
         "4 imgReg_Next",
         {}},
        {"registration",
         "GetCloudCashdeskParams",
         Use::Number,
         {"GetCloudCashdeskParams = i4 0"},
         toRegistration,
         "4 imgReg_Next",
         // Read as 0: the service's settings are read, and it is off.
         {{kFire, opens(notEnabledWarning())}, {boxClick(IDCANCEL), stays("4 imgReg_Next")}}},
        {"registration",
         "CloudCashdeskEnabled",
         Use::Boolean,
         {},
         toRegistration,
         "4 imgReg_Next",
         {{kFire, opens(notEnabledWarning())}, {boxClick(IDCANCEL), stays("4 imgReg_Next")}}},
        {"registration",
         "ECRID",
         Use::Text,
         {"ECRID = str \"\"", "CloudCashdeskEnabled = bool true"},
         toRegistration,
         "4 imgReg_Next",
         {{kFire, opens(notRegisteredWarning())}, {boxClick(IDCANCEL), stays("4 imgReg_Next")}},
         concat({{{kFire, shows(kEndScreenFirstEntry)}, {look(), showsLongTextCut(5)}},
                 copyOnEndScreen()}),
         true},
        {"registration, second read",
         "ECRID",
         Use::Text,
         {"ECRID = str \"\"", scriptedText("ECRID", kOldEcrid), "CloudCashdeskEnabled = bool true"},
         toRegistration,
         "4 imgReg_Next",
         {{kFire, shows(kEndScreenFirstEntry)}, {look(), editHolds(5, "")}},
         concat({{{kFire, shows(kEndScreenFirstEntry)}, {look(), showsLongTextCut(5)}},
                 copyOnEndScreen()}),
         true},
        {"registration failing",
         "ResultCode",
         Use::Number,
         {"GetCloudCashdeskParams = i4 0", "GetCloudCashdeskParams = i4 1", "ResultCode = i4 0",
          scriptedText("ResultCodeDescription", kNoLink)},
         toRegistration,
         "4 imgReg_Next",
         {{kFire, opens(registrationError("0", kNoLink))},
          {boxClick(IDOK), stays("4 imgReg_Next")}}},
        {"registration failing",
         "ResultCodeDescription",
         Use::Text,
         {"GetCloudCashdeskParams = i4 0", "GetCloudCashdeskParams = i4 1", "ResultCode = i4 0",
          "ResultCode = i4 1"},
         toRegistration,
         "4 imgReg_Next",
         {{kFire, opens(registrationError("1", ""))}, {boxClick(IDOK), stays("4 imgReg_Next")}},
         {{kFire, opens(registrationError("1", longText()))},
          {boxKey(VK_RETURN), stays("4 imgReg_Next")}}},
    };
    return all;
}

std::string rowName(const Stage& stage) {
    return std::string(stage.operation) + " (" + stage.step + ")";
}

class DriverMisbehaviour : public WizardTest {
  protected:
    // One cell: the wizard with the bad answer queued, driven to the step and on to the end.
    ::testing::AssertionResult runCell(const Stage& stage, Bad bad) {
        std::vector<std::string> scenario = stage.setup;
        scenario.push_back(scriptedBad(bad, stage.operation));
        DeleteFileW(folder().file(L"driver.log").c_str());
        std::vector<Step> steps = stage.walk();
        const std::vector<Step>* after = nullptr;
        if (bad == Bad::Empty) {
            after = &stage.withEmpty;
        } else if (bad == Bad::LongText) {
            after = &stage.withLongText;
        }
        if (after != nullptr) {
            steps.insert(steps.end(), after->begin(), after->end());
        } else {
            steps.push_back({kFire, opens(errorReport(kept(reportOf(bad, stage.operation))))});
            // By mouse: Enter's release would reach the window and fire the action again.
            steps.push_back({boxClick(IDOK), stays(stage.afterError)});
        }
        try {
            if (bad == Bad::LongText && stage.copiesLongText) {
                robot::setClipboardText(L"before the copy");  // what the copy must replace
            }
            Wizard wizard = startWizard(scenario);
            if (auto run = runSteps(wizard, steps); !run) {
                return run;
            }
            if (bad == Bad::LongText && stage.copiesLongText) {
                if (auto copied = copiedWholeLongText(); !copied) {
                    return copied;
                }
            }
            if (!wizard.process().hasExited()) {
                PostMessageW(wizard.window(), WM_CLOSE, 0, 0);
            }
            if (const DWORD code = wizard.waitForExit(); code != 0) {
                return ::testing::AssertionFailure() << "exit code " << code;
            }
        } catch (const std::exception& error) {
            return ::testing::AssertionFailure() << error.what();
        }
        return releasedOnce(bad == Bad::Object);
    }

    // The edit shows only the start of the long text; the copy must still have taken all of it.
    static ::testing::AssertionResult copiedWholeLongText() {
        const std::wstring expected(longText().begin(), longText().end());
        std::size_t seen = 0;
        try {
            robot::waitUntil("the copy to reach the clipboard", kReactLimit, [&] {
                const auto text = robot::clipboardText();
                seen = text ? text->size() : 0;
                return text == expected;
            });
        } catch (const std::exception&) {
            return ::testing::AssertionFailure()
                   << "the copy put " << seen << " characters on the clipboard, not the "
                   << expected.size() << " of the identifier";
        }
        // A megabyte left on the clipboard would keep the system busy for the cells after.
        robot::setClipboardText(L"after the copy");
        return ::testing::AssertionSuccess();
    }

    // The driver object created and released once, at the end, with COM initialised; a value
    // object handed out released too.
    ::testing::AssertionResult releasedOnce(bool valueObject) const {
        const std::vector<std::string> log = driverLog();
        const auto count = [&](auto match) { return std::count_if(log.begin(), log.end(), match); };
        const auto creates = count([](const std::string& l) { return l == "create"; });
        const auto releases =
            count([](const std::string& l) { return l.rfind("release refs", 0) == 0; });
        const auto values = count([](const std::string& l) { return l == "release value-object"; });
        if (creates != 1 || releases != 1 || log.empty() ||
            log.back() != "release refs=0 com=initialised" || values != (valueObject ? 1 : 0)) {
            auto failure = ::testing::AssertionFailure();
            failure << "the driver's log shows " << creates << " creation(s), " << releases
                    << " release(s), " << values << " release(s) of a value object, last line \""
                    << (log.empty() ? "" : log.back()) << "\"";
            return failure;
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_F(DriverMisbehaviour, EveryOperationAtItsStepSurvivesEveryBadAnswer) {
    std::map<std::pair<std::size_t, Bad>, bool> passed;
    for (std::size_t row = 0; row < stages().size(); ++row) {
        const Stage& stage = stages()[row];
        for (const Bad bad : kEveryBad) {
            if (!applies(stage.use, bad)) {
                continue;
            }
            ::testing::AssertionResult result = runCell(stage, bad);
            // A report that quotes the long text whole would bury the others.
            if (const std::string message = result.message(); message.size() > 2000) {
                result = ::testing::AssertionFailure() << message.substr(0, 1000) << " [...] "
                                                       << message.substr(message.size() - 500);
            }
            passed[{row, bad}] = static_cast<bool>(result);
            EXPECT_TRUE(result) << rowName(stage) << ", " << columnName(bad);
        }
    }

    // The matrix, as a table: ok, FAIL, or "-" where the answer cannot occur for that use.
    constexpr std::size_t kRowWidth = 56;
    constexpr std::size_t kColumnWidth = 14;
    const auto pad = [](std::string text, std::size_t width) {
        // Column widths count characters; Cyrillic letters take two bytes each.
        std::size_t characters = 0;
        for (const char c : text) {
            characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        }
        return text + std::string(width > characters ? width - characters : 1, ' ');
    };
    std::string header = pad("operation (step)", kRowWidth);
    for (const Bad bad : kEveryBad) {
        header += pad(columnName(bad), kColumnWidth);
    }
    robot::printLine(header);
    for (std::size_t row = 0; row < stages().size(); ++row) {
        std::string line = pad(rowName(stages()[row]), kRowWidth);
        for (const Bad bad : kEveryBad) {
            const auto found = passed.find({row, bad});
            line += pad(found == passed.end() ? "-" : found->second ? "ok" : "FAIL", kColumnWidth);
        }
        robot::printLine(line);
    }
}

}  // namespace
}  // namespace velmar::e2e
