#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "sim/DriverEngine.h"
#include "sim/Scenario.h"
#include "sim/Utf.h"

namespace velmar::sim {
namespace {

auto fields(const Entry& e) {
    return std::tie(e.kind, e.integer, e.real, e.flag, e.text, e.length, e.hresult);
}

Entry entry(EntryKind kind) {
    Entry e;
    e.kind = kind;
    return e;
}
Entry integer(EntryKind kind, std::int32_t value) {
    Entry e = entry(kind);
    e.integer = value;
    return e;
}
Entry text(EntryKind kind, std::u16string value) {
    Entry e = entry(kind);
    e.text = std::move(value);
    return e;
}

TEST(ScenarioParse, ReadsEveryValueKind) {
    Entry real = entry(EntryKind::R8);
    real.real = -1250;
    Entry no = entry(EntryKind::Bool);
    Entry yes = entry(EntryKind::Bool);
    yes.flag = true;
    Entry longString = entry(EntryKind::LongStr);
    longString.length = 1048576;
    Entry failure = entry(EntryKind::HResult);
    failure.hresult = 0x80004005;

    struct Case {
        std::string line;
        Operation op;
        Entry expected;
    };
    const std::vector<Case> cases = {
        {"ResultCode = i4 -2147483648", Operation::ResultCode,
         integer(EntryKind::I4, -2147483647 - 1)},
        {"ResultCode = i2 -32768", Operation::ResultCode, integer(EntryKind::I2, -32768)},
        {"ResultCode = r8 -1.25e3", Operation::ResultCode, real},
        {"CloudCashdeskEnabled = bool false", Operation::CloudCashdeskEnabled, no},
        {"CloudCashdeskEnabled = bool true", Operation::CloudCashdeskEnabled, yes},
        {"ECRID = str \"\"", Operation::ECRID, text(EntryKind::Str, u"")},
        {R"(UDescription = str "Касса \"Ф\" C:\\")", Operation::UDescription,
         text(EntryKind::Str, u"Касса \"Ф\" C:\\")},
        {"UDescription = str \"a # b\"  # the '#' in the text is no comment",
         Operation::UDescription, text(EntryKind::Str, u"a # b")},
        {"ECRID = longstr 1048576", Operation::ECRID, longString},
        {"ECRID = empty", Operation::ECRID, entry(EntryKind::Empty)},
        {"ECRID = null", Operation::ECRID, entry(EntryKind::Null)},
        {"ECRID = dispatch", Operation::ECRID, entry(EntryKind::Dispatch)},
        {"ShowProperties = ok", Operation::ShowProperties, entry(EntryKind::Ok)},
        {"ParentWnd = unknown-name", Operation::ParentWnd, entry(EntryKind::UnknownName)},
        {"GetDeviceMetrics = exception \"Нет связи\"", Operation::GetDeviceMetrics,
         text(EntryKind::Exception, u"Нет связи")},
        {"ParamsPageIndex = hresult 0x80004005", Operation::ParamsPageIndex, failure},
        {"\t  ecrid=str \"x\"\t# names in any case, blanks optional", Operation::ECRID,
         text(EntryKind::Str, u"x")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const Scenario s = Scenario::parse("# heading\n\n" + c.line + "\n");
        ASSERT_EQ(s.entries(c.op).size(), 1u);
        EXPECT_EQ(fields(s.entries(c.op)[0]), fields(c.expected));
        EXPECT_EQ(s.entries(c.op)[0].line, 3);
    }
}

TEST(ScenarioParse, MalformedLinesAreErrorsNamingTheLine) {
    struct Case {
        std::string text;
        int line;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"\n# comment\nFoo = i4 1\n", 3, "unknown operation \"Foo\""},
        {"ECRID str \"x\"", 1, "expected <Operation> = <value>"},
        {"ResultCode =", 1, "missing value"},
        {"ResultCode = i4", 1, "missing number"},
        {"ResultCode = i4 2147483648", 1, "number out of range: 2147483648"},
        {"ResultCode = i2 40000", 1, "number out of range: 40000"},
        {"ResultCode = i4 12abc", 1, "not an integer: 12abc"},
        {"ResultCode = r8 1,5", 1, "not a number: 1,5"},
        {"CloudCashdeskEnabled = bool yes", 1, "bool wants true or false"},
        {"ECRID = str \"no end", 1, "unterminated text"},
        {"ECRID = str noquotes", 1, "expected a text in double quotes"},
        {R"(ECRID = str "a\nb")", 1, "only \\\" and \\\\ may follow a backslash"},
        {"ECRID = str \"\xC3\x28\"", 1, "text is not valid UTF-8"},
        {"ECRID = str \"\xC0\xAF\"", 1, "text is not valid UTF-8"},      // overlong '/'
        {"ECRID = str \"\xED\xA0\x80\"", 1, "text is not valid UTF-8"},  // a surrogate
        {"ECRID = str \"\xE2\x82\"", 1, "text is not valid UTF-8"},      // cut short
        {"ECRID = str \"x\" y", 1, "unexpected text after the value: y"},
        {"ECRID = longstr -1", 1, "longstr count out of range"},
        {"ECRID = frob", 1, "unknown value kind \"frob\""},
        {"ParamsPageIndex = hresult 0x00000001", 1, "hresult 0x00000001 is not a failure code"},
        {"ParamsPageIndex = hresult 80004005", 1, "hresult wants a hexadecimal 0x... code"},
        {"ParamsPageIndex = hresult 0x180004005", 1, "not a 32-bit hexadecimal code: 0x180004005"},
        {"ECRID = ok", 1, "ECRID is read: give the value it answers"},
        {"ShowProperties = i4 1", 1,
         "ShowProperties is not read: it takes ok, unknown-name, exception or hresult"},
        {"ECRID = str \"a\"\r\nECRID = i4 1\r\nParentWnd = str \"1\"\r\n", 3,
         "ParentWnd is not read: it takes ok, unknown-name, exception or hresult"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            Scenario::parse(c.text);
            ADD_FAILURE() << "parsed";
        } catch (const ScenarioError& e) {
            EXPECT_EQ(e.line(), c.line);
            EXPECT_EQ(std::string(e.what()), "line " + std::to_string(c.line) + ": " + c.message);
        }
    }
}

TEST(ScenarioCursor, EachOperationTakesItsQueueInOrderAndTheLastRepeats) {
    const Scenario s = Scenario::parse(
        "\xEF\xBB\xBF"
        "ECRID = str \"a\"\n"
        "ResultCode = i4 1\n"
        "ECRID = unknown-name\n"
        "ECRID = str \"c\"\n");
    ScenarioCursor cursor(s);
    ScenarioCursor other(s);

    EXPECT_EQ(cursor.take(Operation::ECRID)->text, u"a");
    EXPECT_EQ(cursor.peek(Operation::ECRID)->kind, EntryKind::UnknownName);
    EXPECT_EQ(cursor.peek(Operation::ECRID)->kind, EntryKind::UnknownName) << "peek moves nothing";
    EXPECT_EQ(cursor.take(Operation::ECRID)->kind, EntryKind::UnknownName);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cursor.take(Operation::ECRID)->text, u"c");
        EXPECT_EQ(cursor.take(Operation::ResultCode)->integer, 1);
    }
    EXPECT_EQ(cursor.take(Operation::UDescription), nullptr);
    EXPECT_EQ(cursor.peek(Operation::UDescription), nullptr);
    EXPECT_EQ(other.take(Operation::ECRID)->text, u"a") << "cursors are independent";
}

TEST(ScenarioOperations, LookupIgnoresCaseAndDispatchIdsRoundTrip) {
    struct Case {
        std::u16string name;
        std::optional<Operation> expected;
    };
    const std::vector<Case> cases = {
        {u"ShowProperties", Operation::ShowProperties},
        {u"showadditionalparams", Operation::ShowAdditionalParams},
        {u"ecrid", Operation::ECRID},
        {u"PARAMSPAGEINDEX", Operation::ParamsPageIndex},
        {u"ECRID ", std::nullopt},
        {u"ECRI", std::nullopt},
        {u"", std::nullopt},
        {u"ЕCRID", std::nullopt},  // a Cyrillic Е
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findOperation(c.name), c.expected) << logText(c.name);
    }
    for (std::size_t i = 0; i < kOperationCount; ++i) {
        const auto op = static_cast<Operation>(i);
        EXPECT_NE(dispatchId(op), 0) << "DISPID_VALUE is not an operation";
        EXPECT_EQ(operationFromDispatchId(dispatchId(op)), op);
        EXPECT_EQ(findOperation(operationName(op)), op);
    }
    EXPECT_EQ(operationFromDispatchId(0), std::nullopt);
    EXPECT_EQ(operationFromDispatchId(-3), std::nullopt);
}

TEST(LogText, KeepsALineOneLineAndShowsEveryUnit) {
    struct Case {
        std::u16string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {u"plain", "plain"},
        {u"Нет связи", "Нет связи"},
        {u"C:\\log", "C:\\\\log"},
        {u"a\r\nb\tc", "a\\r\\nb\\tc"},
        {u"\x1b", "\\u001b"},
        {std::u16string(1, char16_t{0xD800}) + u"x", "\\ud800x"},
        {std::u16string(1, char16_t{0xDC00}), "\\udc00"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(logText(c.text), c.expected);
    }
}

TEST(DeviceStateFile, RoundTripsAwkwardTextsAndSurvivesDamage) {
    DeviceState state;
    state.registerAnswers = false;
    state.description = u"Касса=1\\2\r\nвторая строка";
    state.failCloudParams = true;
    state.cloudEnabled = true;
    state.ecrid = u"1234567890123456";
    EXPECT_EQ(parseDeviceState(serializeDeviceState(state)), state);

    const DeviceState damaged = parseDeviceState(
        "registerAnswers=maybe\ndescription=bad\\q\ncloudEnabled=1\ngarbage\necrid=77\r\n");
    EXPECT_TRUE(damaged.registerAnswers);
    EXPECT_EQ(damaged.description, kDefaultDescription);
    EXPECT_TRUE(damaged.cloudEnabled);
    EXPECT_EQ(damaged.ecrid, u"77");
    EXPECT_EQ(parseDeviceState(""), DeviceState{});
}

TEST(DriverEngine, ResultsFollowTheRegisterAndTheServiceSettings) {
    DriverEngine engine;
    EXPECT_EQ(engine.lastResult().code, 0);
    EXPECT_EQ(engine.uDescription(), u"") << "nothing is known before GetDeviceMetrics";

    engine.deviceMetrics();
    EXPECT_EQ(engine.lastResult().code, 0);
    EXPECT_EQ(engine.uDescription(), kDefaultDescription);

    engine.state().registerAnswers = false;
    engine.deviceMetrics();
    EXPECT_EQ(engine.lastResult().code, kNoLinkCode);
    EXPECT_EQ(engine.lastResult().description, u"Нет связи");
    EXPECT_EQ(engine.uDescription(), u"");
    EXPECT_EQ(engine.cloudCashdeskParams(), 0) << "the driver's own settings need no register";
    EXPECT_EQ(engine.lastResult().code, 0);

    engine.state().failCloudParams = true;
    EXPECT_EQ(engine.cloudCashdeskParams(), kCloudParamsFailureCode);
    EXPECT_EQ(engine.lastResult().code, kCloudParamsFailureCode);
    EXPECT_FALSE(engine.lastResult().description.empty());
    engine.dialogClosed();
    EXPECT_EQ(engine.lastResult().code, 0);
}

TEST(DriverEngine, RegistrationNeedsTheServiceOnAndTheRegisterAnswering) {
    struct Case {
        bool cloudEnabled;
        bool registerAnswers;
        Registration expected;
    };
    for (const Case& c :
         {Case{false, true, Registration::ServiceOff}, Case{true, false, Registration::NoLink},
          Case{false, false, Registration::ServiceOff}, Case{true, true, Registration::Done}}) {
        DriverEngine engine;
        engine.state().cloudEnabled = c.cloudEnabled;
        engine.state().registerAnswers = c.registerAnswers;
        EXPECT_EQ(engine.registerAtService(1), c.expected);
        EXPECT_EQ(engine.state().ecrid.empty(), c.expected != Registration::Done);
    }
}

TEST(DriverEngine, IdentifiersLookLikeTheServicesAndDiffer) {
    std::vector<std::u16string> seen;
    for (std::uint64_t entropy : {0ull, 1ull, 2ull, 0xFFFFFFFFFFFFFFFFull}) {
        const std::u16string id = makeEcrid(entropy);
        ASSERT_EQ(id.size(), 16u);
        EXPECT_NE(id[0], u'0');
        for (char16_t c : id) {
            EXPECT_TRUE(c >= u'0' && c <= u'9') << logText(id);
        }
        for (const auto& earlier : seen) {
            EXPECT_NE(id, earlier);
        }
        seen.push_back(id);
    }
}

}  // namespace
}  // namespace velmar::sim
