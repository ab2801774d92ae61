#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "Sequence.h"
#include "driver/DispatchDriver_win.h"
#include "platform/AppError.h"
#include "platform/win32/SystemText_win.h"
#include "sim/Scenario.h"
#include "sim/CallLog_win.h"
#include "sim/SimDriver_win.h"

namespace velmar::driver {
namespace {

using velmar::testing::Events;
using velmar::testing::sameSequence;

// The client under test, talking to a scripted simulated driver held in a Driver value of its
// own, as the program holds it.
class ScriptedDriver {
  public:
    explicit ScriptedDriver(const std::string& script)
        : scenario_(sim::Scenario::parse(script)), client_(driverValue_) {
        VARIANT* slot = driverValue_.put();
        slot->vt = VT_DISPATCH;
        slot->pdispVal = sim::createSimDriver(&scenario_, log_);
    }

    DispatchDriver& client() { return client_; }
    Events calls() const {
        Events lines;
        for (const auto& line : log_.lines()) {
            if (line.rfind("lookup ", 0) == 0 || line.rfind("invoke ", 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }

  private:
    sim::Scenario scenario_;
    sim::CallLog log_;
    win32::Variant driverValue_;
    DispatchDriver client_;
};

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const AppError& error) {
        return toUtf8(error.text());
    }
    return "(no error)";
}

std::string systemText(HRESULT hr) {
    return toUtf8(win32::systemErrorText(static_cast<DWORD>(hr)));
}

TEST(DispatchDriver, EachOperationLooksUpItsNameAndInvokesWithItsKind) {
    ScriptedDriver sim("ResultCode = i4 0\n");
    auto& d = sim.client();
    d.showProperties();
    d.getDeviceMetrics();
    d.showAdditionalParams();
    d.resultCode();
    d.resultCode();
    d.resultCodeDescription();
    d.uDescription();
    d.getCloudCashdeskParams();
    d.cloudCashdeskEnabled();
    d.ecrId();
    d.setParentWnd(0x1234);
    d.setParamsPageIndex(18);
    const std::string read = " flags=3 args=0 named=none value=none result=yes";
    const std::string call = " flags=1 args=0 named=none value=none result=no";
    EXPECT_TRUE(sameSequence(
        {
            "lookup ShowProperties",
            "invoke ShowProperties" + call,
            "lookup GetDeviceMetrics",
            "invoke GetDeviceMetrics" + call,
            "lookup ShowAdditionalParams",
            "invoke ShowAdditionalParams" + call,
            "lookup ResultCode",
            "invoke ResultCode" + read,
            "lookup ResultCode",
            "invoke ResultCode" + read,
            "lookup ResultCodeDescription",
            "invoke ResultCodeDescription" + read,
            "lookup UDescription",
            "invoke UDescription" + read,
            "lookup GetCloudCashdeskParams",
            "invoke GetCloudCashdeskParams" + read,
            "lookup CloudCashdeskEnabled",
            "invoke CloudCashdeskEnabled" + read,
            "lookup ECRID",
            "invoke ECRID" + read,
            "lookup ParentWnd",
            "invoke ParentWnd flags=4 args=1 named=-3 value=i4:4660 result=no",
            "lookup ParamsPageIndex",
            "invoke ParamsPageIndex flags=4 args=1 named=-3 value=i4:18 result=no",
        },
        sim.calls()));
}

// What each kind of returned value becomes as an integer, a Boolean and a text, by the system's
// own conversion rules. An empty optional means the conversion is an error (type mismatch).
struct ConversionCase {
    const char* value;
    std::optional<std::int32_t> asInt;
    std::optional<bool> asBool;
    std::optional<std::string> asText;
};

TEST(DispatchDriver, ConvertsReturnedValuesBySystemRules) {
    const ConversionCase cases[] = {
        {"i4 -3", -3, true, "-3"},
        {"i4 0", 0, false, "0"},
        {"i2 5", 5, true, "5"},
        {"r8 3.75", 4, true, std::nullopt},  // rounds; the text depends on the locale
        {"bool true", -1, true, std::nullopt},
        {"bool false", 0, false, std::nullopt},
        {"empty", 0, false, ""},
        {"null", std::nullopt, std::nullopt, std::nullopt},
        {"str \"12\"", 12, true, "12"},
        {"str \"abc\"", std::nullopt, std::nullopt, "abc"},
        {"str \"\"", std::nullopt, std::nullopt, ""},
        {"str \"Ошибок нет\"", std::nullopt, std::nullopt, "Ошибок нет"},
    };
    const std::string mismatch = systemText(DISP_E_TYPEMISMATCH);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const std::string script = std::string("ResultCode = ") + c.value +
                                   "\nCloudCashdeskEnabled = " + c.value + "\nECRID = " + c.value +
                                   "\n";
        ScriptedDriver sim(script);
        auto& d = sim.client();
        if (c.asInt) {
            EXPECT_EQ(d.resultCode(), *c.asInt);
        } else {
            EXPECT_NE(errorOf([&] { d.resultCode(); }), "(no error)");
        }
        if (c.asBool) {
            EXPECT_EQ(d.cloudCashdeskEnabled(), *c.asBool);
        } else {
            EXPECT_NE(errorOf([&] { d.cloudCashdeskEnabled(); }), "(no error)");
        }
        if (c.asText) {
            EXPECT_EQ(toUtf8(d.ecrId()), *c.asText);
        }
    }
    // The message of a failed conversion is the system's own.
    ScriptedDriver nullValue("ResultCode = null\n");
    EXPECT_EQ(errorOf([&] { nullValue.client().resultCode(); }), mismatch);
}

TEST(DispatchDriver, LongTextArrivesWhole) {
    ScriptedDriver sim("ECRID = longstr 1048576\n");
    EXPECT_EQ(sim.client().ecrId().size(), 1048576u);
}

TEST(DispatchDriver, FailuresCarryTheTextTheUserIsShown) {
    const std::pair<const char*, std::string> cases[] = {
        {"unknown-name", "Method 'ECRID' not supported by automation object"},
        {"exception \"Касса не отвечает\"", "Касса не отвечает"},
        // An exception without a description falls back to the text of its code.
        {"exception \"\"", systemText(E_FAIL)},
        {"hresult 0x80004005", systemText(E_FAIL)},
        {"hresult 0x8007000E", systemText(E_OUTOFMEMORY)},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        ScriptedDriver sim(std::string("ECRID = ") + value + "\n");
        EXPECT_EQ(errorOf([&] { sim.client().ecrId(); }), expected);
    }
    EXPECT_FALSE(systemText(E_FAIL).empty());
}

TEST(DispatchDriver, WriteFailuresAreErrorsToo) {
    ScriptedDriver sim(
        "ParamsPageIndex = exception \"Нет такой страницы\"\nParentWnd = unknown-name\n");
    EXPECT_EQ(errorOf([&] { sim.client().setParamsPageIndex(18); }), "Нет такой страницы");
    EXPECT_EQ(errorOf([&] { sim.client().setParentWnd(1); }),
              "Method 'ParentWnd' not supported by automation object");
}

TEST(SystemErrorText, TrimsTrailingBlanksAndFullStopsAndNamesUnknownCodes) {
    const std::string text = systemText(E_FAIL);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), '\n');
    EXPECT_EQ(systemText(static_cast<HRESULT>(0xA0BC1234)), "OLE error A0BC1234");
}

}  // namespace
}  // namespace velmar::driver
