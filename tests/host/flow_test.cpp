#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

#include "FakeForm.h"

namespace velmar::testing {
namespace {

using namespace std::string_literals;
using ui::Control;
using ui::Page;
namespace vk = ui::vk;

using Shown = std::vector<std::string>;
using Script = std::map<std::string, std::vector<Answer>>;

const std::string kTitle = "VELMAR: Мастер подключения";
const std::string kExitConfirmation =
    "Выйти из мастера настройки подключения к сервису \"Велмар\" ?";
const std::string kNotRegistered =
    "Работа с сервисом \"VELMAR\" включена, но ККМ не была зарегистрирована.\r\n"
    "Для продолжения работы мастера выполните, пожалуйста, регистрацию ККМ на сервисе.";
const std::string kNotEnabled =
    "Работа с облачной кассой не включена. Для продолжения работы включите, пожалуйста, работу "
    "с сервисом.";
constexpr unsigned kErrorFlags = 0x10;    // MB_OK | MB_ICONERROR
constexpr unsigned kWarningFlags = 0x31;  // MB_OKCANCEL | MB_ICONWARNING

const std::string kId = "0001112223334445";
const std::string kUntouched = "1234567890";  // what the fake's edits hold from the start

std::string box(const std::string& text, unsigned flags) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%02X", flags);
    return text + " | " + kTitle + " | " + hex;
}

Thrown noMethod(const std::string& op) {
    return Thrown{"Method '" + op + "' not supported by automation object"};
}

// One registration pass up to the service check, as the driver sees it.
const Events kPassStart = {"ParentWnd=4267", "ParamsPageIndex=18", "ShowAdditionalParams",
                           "GetCloudCashdeskParams"};

Events concat(std::initializer_list<Events> parts) {
    Events all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Some overlay of `page` was placed while the action ran: the page was refreshed.
bool refreshed(const FakeForm& f, Page page) {
    for (const auto& o : ui::overlayLayouts()) {
        if (o.page != page) {
            continue;
        }
        const std::string prefix = "place " + controlName(o.control) + " ";
        for (const auto& line : f.log) {
            if (line.rfind(prefix, 0) == 0) {
                return true;
            }
        }
    }
    return false;
}

std::string captionsOf(const FakeForm& f) {
    std::string all;
    for (const auto& [label, caption] : f.captions) {
        all += controlName(label) + "=" + toUtf8(caption) + ";";
    }
    return all;
}

void script(FakeForm& f, const Script& answers) {
    for (const auto& [op, queue] : answers) {
        f.driverFake.set(op, queue);
    }
}

// Every row of the flow's state table, driven by a click on the row's button.
TEST(FlowStateTable, EveryRow) {
    struct Row {
        std::string name;
        Page from;
        Control button;
        Script driver = {};
        std::deque<int> answers = {};
        int to;
        bool closed;
        Events boxes = {};
        Events calls = {};
        bool messageEnter;
        std::string tecId = kUntouched;
        std::string kkmId = kUntouched;
        std::string captions = {};
        Shown shown;  // on the page the row ends on
        bool refreshed = false;
    };
    const Events serviceCheckFails = {"GetCloudCashdeskParams", "ResultCode",
                                      "ResultCodeDescription"};
    const Events connectionStep = {"ShowProperties", "GetDeviceMetrics", "ResultCode"};
    const Script registered = {
        {"GetCloudCashdeskParams", {0}}, {"CloudCashdeskEnabled", {true}}, {"ECRID", {kId}}};
    std::vector<Row> rows = {
        {.name = "service check fails",
         .from = Page::tsWelcome,
         .button = Control::imgEnable,
         .driver = {{"GetCloudCashdeskParams", {1}},
                    {"ResultCode", {-3}},
                    {"ResultCodeDescription", {"Нет связи"s}}},
         .to = 0,
         .closed = true,
         .boxes = {box("Ошибка ККМ: (-3) Нет связи", kErrorFlags)},
         .calls = serviceCheckFails,
         .messageEnter = false,
         .shown = {"imgEnable"}},
        {.name = "service check, identifier present",
         .from = Page::tsWelcome,
         .button = Control::imgEnable,
         .driver = {{"GetCloudCashdeskParams", {0}}, {"ECRID", {kId}}},
         .to = 2,
         .closed = false,
         .calls = {"GetCloudCashdeskParams", "ECRID", "ECRID"},
         .messageEnter = false,
         .tecId = kId,
         .shown = {"imgW_Rereg"},
         .refreshed = true},
        {.name = "service check, no identifier",
         .from = Page::tsWelcome,
         .button = Control::imgEnable,
         .driver = {{"GetCloudCashdeskParams", {0}}, {"ECRID", {""s}}},
         .to = 1,
         .closed = false,
         .calls = {"GetCloudCashdeskParams", "ECRID"},
         .messageEnter = false,
         .shown = {"imgFS_Next"},
         .refreshed = true},
        {.name = "instruction",
         .from = Page::tsWelcome,
         .button = Control::imgDoc,
         .to = 0,
         .closed = false,
         .messageEnter = false,
         .shown = {"imgEnable"}},
        {.name = "first start, next",
         .from = Page::tsFirstScreen,
         .button = Control::imgFS_Next,
         .to = 3,
         .closed = false,
         .messageEnter = false,
         .shown = {"imgCn_Next"},
         .refreshed = true},
        {.name = "warning, re-register",
         .from = Page::tsWarning,
         .button = Control::imgW_Rereg,
         .to = 3,
         .closed = false,
         .messageEnter = false,
         .shown = {"imgCn_Next"},
         .refreshed = true},
        {.name = "connection succeeds",
         .from = Page::tsConnection,
         .button = Control::imgCn_Next,
         .driver = {{"ResultCode", {0}}, {"UDescription", {"ККМ-Ф 01, заводской № 17"s}}},
         .to = 4,
         .closed = false,
         .calls = concat({connectionStep, {"UDescription"}}),
         .messageEnter = true,
         .captions = "lblTypeOfKKM=ККМ-Ф 01, заводской № 17;",
         // Not refreshed: the registration page as the form created it.
         .shown = {"imgReg_Next"}},
        {.name = "connection fails",
         .from = Page::tsConnection,
         .button = Control::imgCn_Next,
         .driver = {{"ResultCode", {1}}, {"ResultCodeDescription", {"Порт недоступен"s}}},
         .to = 3,
         .closed = false,
         .boxes = {box("Ошибка ККМ: (1) Порт недоступен", kErrorFlags)},
         .calls = concat({connectionStep, {"ResultCode", "ResultCodeDescription"}}),
         .messageEnter = true,
         .shown = {"imgCn_Next"}},
        {.name = "back from connection, service check fails",
         .from = Page::tsConnection,
         .button = Control::imgCn_Return,
         .driver = {{"GetCloudCashdeskParams", {-1}},
                    {"ResultCode", {-3}},
                    {"ResultCodeDescription", {"Нет связи"s}}},
         .to = 3,
         .closed = true,
         .boxes = {box("Ошибка ККМ: (-3) Нет связи", kErrorFlags)},
         .calls = serviceCheckFails,
         .messageEnter = false,
         .shown = {"imgCn_Next"}},
        {.name = "back from connection, identifier present",
         .from = Page::tsConnection,
         .button = Control::imgCn_Return,
         .driver = {{"GetCloudCashdeskParams", {0}}, {"ECRID", {kId}}},
         .to = 2,
         .closed = false,
         .calls = {"GetCloudCashdeskParams", "ECRID", "ECRID"},
         .messageEnter = false,
         .tecId = kId,
         .shown = {"imgW_Rereg"},
         .refreshed = true},
        {.name = "back from connection, no identifier",
         .from = Page::tsConnection,
         .button = Control::imgCn_Return,
         .driver = {{"GetCloudCashdeskParams", {0}}, {"ECRID", {""s}}},
         .to = 1,
         .closed = false,
         .calls = {"GetCloudCashdeskParams", "ECRID"},
         .messageEnter = false,
         .shown = {"imgFS_Next"},
         .refreshed = true},
        {.name = "registration fails",
         .from = Page::tsRegistration,
         .button = Control::imgReg_Next,
         .driver = {{"GetCloudCashdeskParams", {-1}},
                    {"ResultCode", {-3}},
                    {"ResultCodeDescription", {"Нет связи с ОФД"s}}},
         .to = 4,
         .closed = false,
         .boxes = {box("Ошибка ККМ : (-3) Нет связи с ОФД", kErrorFlags)},
         .calls = concat({kPassStart, {"ResultCode", "ResultCodeDescription"}}),
         .messageEnter = true,
         .kkmId = "",
         .shown = {"imgReg_Next"}},
        {.name = "registration succeeds",
         .from = Page::tsRegistration,
         .button = Control::imgReg_Next,
         .driver = registered,
         .to = 5,
         .closed = false,
         .calls = concat({kPassStart, {"CloudCashdeskEnabled", "ECRID", "ECRID"}}),
         .messageEnter = true,
         .kkmId = kId,
         // Not refreshed: the end page as the form created it.
         .shown = {"imgOK", "edtKKMID enabled"}},
        {.name = "registration succeeds, an identifier of one blank",
         .from = Page::tsRegistration,
         .button = Control::imgReg_Next,
         .driver = {{"GetCloudCashdeskParams", {0}},
                    {"CloudCashdeskEnabled", {true}},
                    {"ECRID", {" "s}}},
         .to = 5,
         .closed = false,
         .calls = concat({kPassStart, {"CloudCashdeskEnabled", "ECRID", "ECRID"}}),
         .messageEnter = true,
         .kkmId = " ",
         .shown = {"imgOK", "edtKKMID enabled"}},
        {.name = "service not enabled: OK repeats, Cancel ends",
         .from = Page::tsRegistration,
         .button = Control::imgReg_Next,
         .driver = {{"GetCloudCashdeskParams", {0}}, {"CloudCashdeskEnabled", {false}}},
         .answers = {mb::kIdOk, mb::kIdCancel},
         .to = 4,
         .closed = false,
         .boxes = {box(kNotEnabled, kWarningFlags), box(kNotEnabled, kWarningFlags)},
         .calls =
             concat({kPassStart, {"CloudCashdeskEnabled"}, kPassStart, {"CloudCashdeskEnabled"}}),
         .messageEnter = true,
         .kkmId = "",
         .shown = {"imgReg_Next"}},
        {.name = "not registered: OK repeats, Cancel ends",
         .from = Page::tsRegistration,
         .button = Control::imgReg_Next,
         .driver = {{"GetCloudCashdeskParams", {0}},
                    {"CloudCashdeskEnabled", {true}},
                    {"ECRID", {""s}}},
         .answers = {mb::kIdOk, mb::kIdCancel},
         .to = 4,
         .closed = false,
         .boxes = {box(kNotRegistered, kWarningFlags), box(kNotRegistered, kWarningFlags)},
         .calls = concat({kPassStart,
                          {"CloudCashdeskEnabled", "ECRID"},
                          kPassStart,
                          {"CloudCashdeskEnabled", "ECRID"}}),
         .messageEnter = true,
         .kkmId = "",
         .shown = {"imgReg_Next"}},
        {.name = "registration, back",
         .from = Page::tsRegistration,
         .button = Control::imgReg_Return,
         .to = 3,
         .closed = false,
         .messageEnter = false,
         // Not refreshed: the connection page as the form created it.
         .shown = {"imgCn_Next", "imgCn_Cancel", "imgCn_Return"}},
        {.name = "end, OK",
         .from = Page::tsEnd,
         .button = Control::imgOK,
         .to = 5,
         .closed = true,
         .messageEnter = false,
         .shown = {"imgOK"}},
    };
    const std::pair<Control, std::string> closeButtons[] = {
        {Control::imgClose, "imgEnable"},        {Control::imgFS_Close, "imgFS_Next"},
        {Control::imgW_Cancel, "imgW_Rereg"},    {Control::imgCn_Cancel, "imgCn_Next"},
        {Control::imgReg_Cancel, "imgReg_Next"},
    };
    for (const auto& [button, slot0] : closeButtons) {
        const Page page = ui::overlayLayout(button)->page;
        for (int answer : {mb::kIdOk, mb::kIdCancel}) {
            rows.push_back({.name = controlName(button) + " answered " + std::to_string(answer),
                            .from = page,
                            .button = button,
                            .answers = {answer},
                            .to = static_cast<int>(page),
                            .closed = answer == mb::kIdOk,
                            .boxes = {box(kExitConfirmation, kWarningFlags)},
                            .messageEnter = answer != mb::kIdOk,
                            .shown = {slot0}});
        }
    }

    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        FakeForm f;
        f.startOn(r.from);
        script(f, r.driver);
        f.boxAnswers = r.answers;
        f.click(r.button);
        EXPECT_EQ(f.active, r.to);
        EXPECT_EQ(f.closed, r.closed);
        EXPECT_TRUE(sameSequence(r.boxes, f.boxLines()));
        if (r.closed && !r.boxes.empty()) {
            EXPECT_EQ(f.log.back(), "close") << "the window closes only after the box";
        }
        EXPECT_TRUE(sameSequence(r.calls, f.driverFake.calls));
        EXPECT_EQ(f.form.fMessageEnter, r.messageEnter);
        EXPECT_EQ(toUtf8(f.edits.at(Control::edtTecID).text), r.tecId);
        EXPECT_EQ(toUtf8(f.edits.at(Control::edtKKMID).text), r.kkmId);
        EXPECT_EQ(captionsOf(f), r.captions);
        EXPECT_EQ(f.shownOn(static_cast<Page>(r.to)), r.shown);
        EXPECT_EQ(refreshed(f, static_cast<Page>(r.to)), r.refreshed);
        // The page left is reset and refreshed by the switch's show handling, the flag not yet set.
        if (r.to != static_cast<int>(r.from)) {
            EXPECT_TRUE(refreshed(f, r.from));
        }
        EXPECT_EQ(f.slot(), 0);
        EXPECT_TRUE(f.boxAnswers.empty()) << "boxes the row expected were not asked";
    }
}

// The driver's dialogs, the box and the page switch in the order they happen, pass by pass:
// the identifier emptied first, then the window and the page written before every dialog.
TEST(RegistrationLoop, SeveralPasses) {
    struct Case {
        std::string name;
        std::deque<int> answers;
        Events timeline;
        int page;
        std::string kkmId;
    };
    const Events pass = {"text edtKKMID=",
                         "driver ParentWnd=-2147483643",
                         "driver ParamsPageIndex=18",
                         "driver ShowAdditionalParams",
                         "driver GetCloudCashdeskParams",
                         "driver CloudCashdeskEnabled"};
    const Events threePasses =
        concat({pass,
                {"box " + kNotEnabled},
                pass,
                {"driver ECRID", "box " + kNotRegistered},
                pass,
                {"driver ECRID", "driver ECRID", "text edtKKMID=" + kId, "show page 5"}});
    const Case cases[] = {
        {"not enabled, OK, not registered, OK, registered",
         {mb::kIdOk, mb::kIdOk},
         threePasses,
         5,
         kId},
        // Only Cancel leaves: 0 (a box that failed) and 7 repeat the pass as OK does.
        {"answers other than Cancel repeat", {0, 7}, threePasses, 5, kId},
        {"not enabled, OK, not registered, Cancel",
         {mb::kIdOk, mb::kIdCancel},
         concat({pass, {"box " + kNotEnabled}, pass, {"driver ECRID", "box " + kNotRegistered}}),
         4,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeForm f;
        f.startOn(Page::tsRegistration);
        f.handle = INT32_MIN + 5;
        script(f, {{"GetCloudCashdeskParams", {0}},
                   {"CloudCashdeskEnabled", {false, true}},
                   {"ECRID", {""s, kId}}});
        f.driverFake.onCall = [&f](const std::string& op) { f.log.push_back("driver " + op); };
        f.boxAnswers = c.answers;
        f.click(Control::imgReg_Next);
        Events timeline;
        for (const auto& line : f.log) {
            for (const char* kind : {"text ", "driver ", "box ", "show page "}) {
                if (line.rfind(kind, 0) == 0) {
                    timeline.push_back(line);
                }
            }
        }
        EXPECT_TRUE(sameSequence(c.timeline, timeline));
        EXPECT_EQ(f.active, c.page);
        EXPECT_EQ(toUtf8(f.edits.at(Control::edtKKMID).text), c.kkmId);
        EXPECT_TRUE(f.form.fMessageEnter);
        for (const Box& b : f.boxes) {
            EXPECT_EQ(b.flags, kWarningFlags);
            EXPECT_EQ(b.caption, kTitle);
        }
    }
}

// %d is the ResultCode read after the failure was seen, as a signed 32-bit number; %s is taken
// as it stands, format characters included.
TEST(DriverErrorBoxes, CodeAndDescription) {
    struct Case {
        Page page;
        Control button;
        std::vector<Answer> resultCodes;
        std::string description;
        std::string text;
    };
    const Case cases[] = {
        {Page::tsWelcome, Control::imgEnable, {-3}, "Нет связи", "Ошибка ККМ: (-3) Нет связи"},
        {Page::tsWelcome, Control::imgEnable, {INT32_MIN}, "", "Ошибка ККМ: (-2147483648) "},
        {Page::tsWelcome,
         Control::imgEnable,
         {INT32_MAX},
         "100% %s %d",
         "Ошибка ККМ: (2147483647) 100% %s %d"},
        {Page::tsWelcome, Control::imgEnable, {0}, "?", "Ошибка ККМ: (0) ?"},
        {Page::tsConnection,
         Control::imgCn_Next,
         {1, -3},
         "Нет бумаги",
         "Ошибка ККМ: (-3) Нет бумаги"},
        {Page::tsConnection,
         Control::imgCn_Next,
         {1, INT32_MIN},
         "строка 1\r\nстрока 2",
         "Ошибка ККМ: (-2147483648) строка 1\r\nстрока 2"},
        {Page::tsRegistration,
         Control::imgReg_Next,
         {-3},
         "Нет связи",
         "Ошибка ККМ : (-3) Нет связи"},
        {Page::tsRegistration,
         Control::imgReg_Next,
         {INT32_MIN},
         "%s",
         "Ошибка ККМ : (-2147483648) %s"},
        {Page::tsRegistration, Control::imgReg_Next, {0}, "", "Ошибка ККМ : (0) "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        FakeForm f;
        f.startOn(c.page);
        script(f, {{"GetCloudCashdeskParams", {5}},
                   {"ResultCode", c.resultCodes},
                   {"ResultCodeDescription", {c.description}}});
        f.click(c.button);
        EXPECT_TRUE(sameSequence({box(c.text, kErrorFlags)}, f.boxLines()));
    }
}

// A call that fails, or a value that does not convert, stops the action at that step: what was
// done stays done, the flag is untouched, nothing is refreshed and the error goes on to the
// general error report.
TEST(FlowErrors, StopTheActionAtTheFailingStep) {
    struct Row {
        std::string name;
        Page from;
        Control button;
        Script driver;
        std::string error;
        Events calls;
        int page;
        std::deque<int> answers = {};
        Events boxes = {};
        std::string kkmId = kUntouched;
    };
    const std::string mismatch = "Type mismatch";
    const Events cnStart = {"ShowProperties", "GetDeviceMetrics", "ResultCode"};
    const Events notEnabledPass = concat({kPassStart, {"CloudCashdeskEnabled"}});
    const Row rows[] = {
        {"GetCloudCashdeskParams fails",
         Page::tsWelcome,
         Control::imgEnable,
         {{"GetCloudCashdeskParams", {noMethod("GetCloudCashdeskParams")}}},
         "Method 'GetCloudCashdeskParams' not supported by automation object",
         {"GetCloudCashdeskParams"},
         0},
        {"GetCloudCashdeskParams is no number",
         Page::tsWelcome,
         Control::imgEnable,
         {{"GetCloudCashdeskParams", {"abc"s}}},
         mismatch,
         {"GetCloudCashdeskParams"},
         0},
        {"service check, ResultCode fails",
         Page::tsWelcome,
         Control::imgEnable,
         {{"GetCloudCashdeskParams", {1}}, {"ResultCode", {Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         {"GetCloudCashdeskParams", "ResultCode"},
         0},
        {"service check, ResultCodeDescription fails",
         Page::tsWelcome,
         Control::imgEnable,
         {{"GetCloudCashdeskParams", {1}},
          {"ResultCode", {-3}},
          {"ResultCodeDescription", {noMethod("ResultCodeDescription")}}},
         "Method 'ResultCodeDescription' not supported by automation object",
         {"GetCloudCashdeskParams", "ResultCode", "ResultCodeDescription"},
         0},
        {"first ECRID fails",
         Page::tsWelcome,
         Control::imgEnable,
         {{"GetCloudCashdeskParams", {0}}, {"ECRID", {noMethod("ECRID")}}},
         "Method 'ECRID' not supported by automation object",
         {"GetCloudCashdeskParams", "ECRID"},
         0},
        {"ECRID is no text",
         Page::tsWelcome,
         Control::imgEnable,
         {{"GetCloudCashdeskParams", {0}}, {"ECRID", {true}}},
         mismatch,
         {"GetCloudCashdeskParams", "ECRID"},
         0},
        {"second ECRID fails: the warning page stays active",
         Page::tsWelcome,
         Control::imgEnable,
         {{"GetCloudCashdeskParams", {0}}, {"ECRID", {kId, Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         {"GetCloudCashdeskParams", "ECRID", "ECRID"},
         2},
        {"back, second ECRID fails",
         Page::tsConnection,
         Control::imgCn_Return,
         {{"GetCloudCashdeskParams", {0}}, {"ECRID", {kId, Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         {"GetCloudCashdeskParams", "ECRID", "ECRID"},
         2},
        {"ShowProperties fails",
         Page::tsConnection,
         Control::imgCn_Next,
         {{"ShowProperties", {noMethod("ShowProperties")}}},
         "Method 'ShowProperties' not supported by automation object",
         {"ShowProperties"},
         3},
        {"GetDeviceMetrics fails",
         Page::tsConnection,
         Control::imgCn_Next,
         {{"GetDeviceMetrics", {Thrown{"Порт занят"}}}},
         "Порт занят",
         {"ShowProperties", "GetDeviceMetrics"},
         3},
        {"connection, ResultCode fails",
         Page::tsConnection,
         Control::imgCn_Next,
         {{"ResultCode", {Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         cnStart,
         3},
        {"connection, ResultCode is no number",
         Page::tsConnection,
         Control::imgCn_Next,
         {{"ResultCode", {"x"s}}},
         mismatch,
         cnStart,
         3},
        {"UDescription fails",
         Page::tsConnection,
         Control::imgCn_Next,
         {{"ResultCode", {0}}, {"UDescription", {noMethod("UDescription")}}},
         "Method 'UDescription' not supported by automation object",
         concat({cnStart, {"UDescription"}}),
         3},
        {"connection, second ResultCode fails",
         Page::tsConnection,
         Control::imgCn_Next,
         {{"ResultCode", {1, Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         concat({cnStart, {"ResultCode"}}),
         3},
        {"connection, ResultCodeDescription fails",
         Page::tsConnection,
         Control::imgCn_Next,
         {{"ResultCode", {1}}, {"ResultCodeDescription", {Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         concat({cnStart, {"ResultCode", "ResultCodeDescription"}}),
         3},
        {"ParentWnd fails",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"ParentWnd", {noMethod("ParentWnd")}}},
         "Method 'ParentWnd' not supported by automation object",
         {"ParentWnd=4267"},
         4,
         {},
         {},
         ""},
        {"ParamsPageIndex fails",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"ParamsPageIndex", {noMethod("ParamsPageIndex")}}},
         "Method 'ParamsPageIndex' not supported by automation object",
         {"ParentWnd=4267", "ParamsPageIndex=18"},
         4,
         {},
         {},
         ""},
        {"ShowAdditionalParams fails",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"ShowAdditionalParams", {Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         {"ParentWnd=4267", "ParamsPageIndex=18", "ShowAdditionalParams"},
         4,
         {},
         {},
         ""},
        {"registration, GetCloudCashdeskParams fails",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"GetCloudCashdeskParams", {Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         kPassStart,
         4,
         {},
         {},
         ""},
        {"registration, ResultCode fails",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"GetCloudCashdeskParams", {1}}, {"ResultCode", {Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         concat({kPassStart, {"ResultCode"}}),
         4,
         {},
         {},
         ""},
        {"registration, ResultCodeDescription fails",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"GetCloudCashdeskParams", {1}}, {"ResultCodeDescription", {Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         concat({kPassStart, {"ResultCode", "ResultCodeDescription"}}),
         4,
         {},
         {},
         ""},
        {"CloudCashdeskEnabled fails",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"GetCloudCashdeskParams", {0}},
          {"CloudCashdeskEnabled", {noMethod("CloudCashdeskEnabled")}}},
         "Method 'CloudCashdeskEnabled' not supported by automation object",
         notEnabledPass,
         4,
         {},
         {},
         ""},
        {"CloudCashdeskEnabled is no Boolean",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"GetCloudCashdeskParams", {0}}, {"CloudCashdeskEnabled", {"да"s}}},
         mismatch,
         notEnabledPass,
         4,
         {},
         {},
         ""},
        {"registration, first ECRID fails",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"GetCloudCashdeskParams", {0}},
          {"CloudCashdeskEnabled", {true}},
          {"ECRID", {Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         concat({notEnabledPass, {"ECRID"}}),
         4,
         {},
         {},
         ""},
        {"registration, second ECRID fails: no switch to the end page",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"GetCloudCashdeskParams", {0}},
          {"CloudCashdeskEnabled", {true}},
          {"ECRID", {kId, Thrown{"Сбой вызова"}}}},
         "Сбой вызова",
         concat({notEnabledPass, {"ECRID", "ECRID"}}),
         4,
         {},
         {},
         ""},
        {"second pass, CloudCashdeskEnabled fails",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"GetCloudCashdeskParams", {0}}, {"CloudCashdeskEnabled", {false, Thrown{"Сбой"}}}},
         "Сбой",
         concat({notEnabledPass, notEnabledPass}),
         4,
         {mb::kIdOk},
         {box(kNotEnabled, kWarningFlags)},
         ""},
        {"second pass, ShowAdditionalParams fails",
         Page::tsRegistration,
         Control::imgReg_Next,
         {{"ShowAdditionalParams", {0, Thrown{"Сбой"}}},
          {"GetCloudCashdeskParams", {0}},
          {"CloudCashdeskEnabled", {false}}},
         "Сбой",
         concat({notEnabledPass, {"ParentWnd=4267", "ParamsPageIndex=18", "ShowAdditionalParams"}}),
         4,
         {mb::kIdOk},
         {box(kNotEnabled, kWarningFlags)},
         ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        FakeForm f;
        f.startOn(r.from);
        script(f, r.driver);
        f.boxAnswers = r.answers;
        std::string error = "nothing thrown";
        try {
            f.click(r.button);
        } catch (const AppError& e) {
            error = toUtf8(e.text());
        }
        EXPECT_EQ(error, r.error);
        EXPECT_TRUE(sameSequence(r.calls, f.driverFake.calls));
        EXPECT_EQ(f.active, r.page);
        EXPECT_TRUE(sameSequence(r.boxes, f.boxLines()));
        EXPECT_FALSE(f.form.fMessageEnter);
        EXPECT_FALSE(f.closed);
        EXPECT_EQ(toUtf8(f.edits.at(Control::edtTecID).text), kUntouched);
        EXPECT_EQ(toUtf8(f.edits.at(Control::edtKKMID).text), r.kkmId);
        EXPECT_TRUE(f.captions.empty());
        if (r.page != static_cast<int>(r.from)) {
            EXPECT_FALSE(refreshed(f, static_cast<Page>(r.page)));
        }
    }
}

// Fired by Enter, a failing action leaves the key release unconsumed on its way out.
TEST(FlowErrors, EnterReleaseIsNotConsumed) {
    FakeForm f;
    f.startOn(Page::tsConnection, 0);
    f.driverFake.set("GetDeviceMetrics", {Thrown{"Порт занят"}});
    std::uint16_t key = vk::kReturn;
    EXPECT_THROW(f.form.FormKeyUp(key, {}), AppError);
    EXPECT_EQ(key, vk::kReturn);
    EXPECT_FALSE(f.form.fMessageEnter);
    EXPECT_EQ(f.active, 3);
}

// Only IDOK leaves; every other answer (Esc gives IDCANCEL) keeps the page and swallows the next
// key release, so Tab has to be released twice to move.
TEST(ExitConfirmation, OnlyOkCloses) {
    for (int answer : {mb::kIdOk, mb::kIdCancel, 0, 3, 4, 5, 6, 7, -1}) {
        SCOPED_TRACE(answer);
        FakeForm f;
        f.startOn(Page::tsWarning, 1);
        f.boxAnswers = {answer};
        f.click(Control::imgW_Cancel);
        EXPECT_TRUE(sameSequence({box(kExitConfirmation, kWarningFlags)}, f.boxLines()));
        EXPECT_TRUE(f.driverFake.calls.empty());
        EXPECT_EQ(f.active, 2);
        const bool ok = answer == mb::kIdOk;
        EXPECT_EQ(f.closed, ok);
        EXPECT_EQ(f.form.fMessageEnter, !ok);
        if (ok) {
            continue;
        }
        f.keyUp(vk::kTab);
        EXPECT_EQ(f.slot(), 1);
        EXPECT_FALSE(f.form.fMessageEnter);
        f.keyUp(vk::kTab);
        EXPECT_EQ(f.slot(), 3);
    }
}

// The end page's OK closes at once, by click and by Enter, and touches nothing else.
TEST(EndPage, OkClosesWithoutABox) {
    for (bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "Enter" : "click");
        FakeForm f;
        f.startOn(Page::tsEnd, 0);
        if (byKey) {
            f.keyUp(vk::kReturn);
        } else {
            f.click(Control::imgOK);
        }
        EXPECT_TRUE(f.closed);
        EXPECT_TRUE(f.boxes.empty());
        EXPECT_TRUE(f.driverFake.calls.empty());
        EXPECT_FALSE(f.form.fMessageEnter);
        EXPECT_TRUE(sameSequence({"close"}, f.log));
    }
}

// Both ways onto the connection page reset its slot before refreshing it, whatever it held.
TEST(NextToConnection, ResetsTheConnectionSlot) {
    for (Control button : {Control::imgFS_Next, Control::imgW_Rereg}) {
        SCOPED_TRACE(controlName(button));
        FakeForm f;
        f.startOn(ui::overlayLayout(button)->page);
        f.form.fModeForPages[3] = 2;
        f.click(button);
        EXPECT_EQ(f.active, 3);
        EXPECT_EQ(f.slot(), 0);
        EXPECT_EQ(f.shownOn(Page::tsConnection), Shown{"imgCn_Next"});
    }
}

// With the keyboard focus resting on the registration page, the switch hands it to the end page,
// whose edit is still enabled from the form: its focus entry selects slot 3 there.
TEST(RegistrationLoop, FocusOnThePageFollowsIntoTheEndPagesEdit) {
    FakeForm f;
    f.startOn(Page::tsRegistration);
    f.focus = {FakeForm::FocusKind::Page, 4, Control::edtTecID};
    script(f,
           {{"GetCloudCashdeskParams", {0}}, {"CloudCashdeskEnabled", {true}}, {"ECRID", {kId}}});
    f.click(Control::imgReg_Next);
    ASSERT_EQ(f.active, 5);
    EXPECT_EQ(f.slot(), ui::kEditSlot);
    EXPECT_EQ(f.shownOn(Page::tsEnd), Shown{"edtKKMID enabled"});
    EXPECT_EQ(f.focus.kind, FakeForm::FocusKind::Edit);
    EXPECT_EQ(f.edits.at(Control::edtKKMID).selLength, static_cast<int>(kId.size()));
    EXPECT_TRUE(f.form.fMessageEnter);
}

}  // namespace
}  // namespace velmar::testing
