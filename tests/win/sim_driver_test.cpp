#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/SimDriver_win.h"
#include "sim/WinUtil_win.h"

namespace velmar::sim {
namespace {

using Lines = std::vector<std::string>;

class ComScope {
  public:
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};

// Calls the driver the way the wizard does: look the name up at every call, then invoke.
class Client {
  public:
    explicit Client(IDispatch* driver) : driver_(driver) {}

    HRESULT lookup(const wchar_t* name, DISPID& id) {
        auto* names = const_cast<LPOLESTR>(name);
        return driver_->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    }

    HRESULT invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception = nullptr) {
        UINT argError = 0;
        return driver_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, exception,
                               &argError);
    }

    HRESULT call(const wchar_t* name) {
        DISPID id = 0;
        if (const HRESULT hr = lookup(name, id); FAILED(hr)) {
            return hr;
        }
        DISPPARAMS none{};
        return invoke(id, DISPATCH_METHOD, &none, nullptr);
    }

    HRESULT read(const wchar_t* name, ScopedVariant& result, EXCEPINFO* exception = nullptr) {
        DISPID id = 0;
        if (const HRESULT hr = lookup(name, id); FAILED(hr)) {
            return hr;
        }
        DISPPARAMS none{};
        return invoke(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, result.get(), exception);
    }

    HRESULT write(const wchar_t* name, LONG value) {
        DISPID id = 0;
        if (const HRESULT hr = lookup(name, id); FAILED(hr)) {
            return hr;
        }
        VARIANT arg;
        VariantInit(&arg);
        V_VT(&arg) = VT_I4;
        V_I4(&arg) = value;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&arg, &named, 1, 1};
        return invoke(id, DISPATCH_PROPERTYPUT, &params, nullptr);
    }

  private:
    IDispatch* driver_;
};

struct Driver {
    explicit Driver(const char* scenarioText)
        : scenario(Scenario::parse(scenarioText)), object(createSimDriver(&scenario, log)) {}
    ~Driver() { object->Release(); }
    Scenario scenario;
    CallLog log;
    IDispatch* object;
    Client client{object};
};

std::wstring temporaryPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

void writeTextFile(const std::wstring& path, const std::string& text) {
    DeleteFileW(path.c_str());
    appendToFile(path, text);
}

TEST(SimDriverLog, WizardSequencesAreLoggedAsReceived) {
    ComScope com;
    Driver d(
        "GetCloudCashdeskParams = i4 0\n"
        "ECRID = str \"\"\n"
        "CloudCashdeskEnabled = bool true\n");
    ScopedVariant status, ecrid, enabled;
    ASSERT_EQ(d.client.read(L"GetCloudCashdeskParams", status), S_OK);
    ASSERT_EQ(d.client.read(L"ECRID", ecrid), S_OK);
    ASSERT_EQ(d.client.write(L"ParentWnd", 0x1234), S_OK);
    ASSERT_EQ(d.client.write(L"ParamsPageIndex", 18), S_OK);
    ASSERT_EQ(d.client.call(L"ShowAdditionalParams"), S_OK);
    ASSERT_EQ(d.client.read(L"cloudcashdeskenabled", enabled), S_OK);

    EXPECT_EQ(d.log.lines(),
              (Lines{
                  "create",
                  "lookup GetCloudCashdeskParams",
                  "invoke GetCloudCashdeskParams flags=3 args=0 named=none value=none result=yes",
                  "lookup ECRID",
                  "invoke ECRID flags=3 args=0 named=none value=none result=yes",
                  "lookup ParentWnd",
                  "invoke ParentWnd flags=4 args=1 named=-3 value=i4:4660 result=no",
                  "lookup ParamsPageIndex",
                  "invoke ParamsPageIndex flags=4 args=1 named=-3 value=i4:18 result=no",
                  "lookup ShowAdditionalParams",
                  "invoke ShowAdditionalParams flags=1 args=0 named=none value=none result=no",
                  "dialog ShowAdditionalParams parent=1234 page=18",
                  "lookup cloudcashdeskenabled",
                  "invoke CloudCashdeskEnabled flags=3 args=0 named=none value=none result=yes",
              }));
    EXPECT_EQ(V_VT(&*enabled), VT_BOOL);
    EXPECT_EQ(V_BOOL(&*enabled), VARIANT_TRUE);
}

TEST(SimDriverLog, ShowPropertiesNamesTheActiveWindowAndNoPage) {
    ComScope com;
    Driver d("");
    ASSERT_EQ(d.client.call(L"ShowProperties"), S_OK);
    EXPECT_EQ(d.log.lines().back(), "dialog ShowProperties parent=0 page=none");
    ASSERT_EQ(d.client.call(L"ShowAdditionalParams"), S_OK);
    EXPECT_EQ(d.log.lines().back(), "dialog ShowAdditionalParams parent=0 page=none");
}

TEST(SimDriverLog, ReleasesAreCountedAndOverReleaseIsLogged) {
    CallLog log;
    Scenario scenario;
    {
        ComScope com;
        IDispatch* driver = createSimDriver(&scenario, log);
        driver->AddRef();
        EXPECT_EQ(driver->Release(), 1u);
        EXPECT_EQ(driver->Release(), 0u);
        EXPECT_EQ(driver->Release(), 0u);
    }
    IDispatch* late = createSimDriver(&scenario, log);
    late->Release();  // COM is not initialised on this thread any more
    EXPECT_EQ(log.lines(), (Lines{"create", "release refs=0 com=initialised", "release refs=-1",
                                  "create", "release refs=0 com=uninitialised"}));
}

TEST(SimDriverLog, OddInvocationsAreLoggedExactlyAndAnsweredLikeAStandardDispatch) {
    ComScope com;
    Driver d("");
    ScopedVariant bstrArg;
    V_VT(bstrArg.get()) = VT_BSTR;
    V_BSTR(bstrArg.get()) = SysAllocString(L"Ж\\x\n");
    VARIANT i2Arg, i4Arg;
    VariantInit(&i2Arg);
    V_VT(&i2Arg) = VT_I2;
    V_I2(&i2Arg) = 7;
    VariantInit(&i4Arg);
    V_VT(&i4Arg) = VT_I4;
    V_I4(&i4Arg) = 5;
    DISPID putId = DISPID_PROPERTYPUT;
    DISPID otherId = 3;
    const DISPID parentWnd = dispatchId(Operation::ParentWnd);
    const DISPID resultCode = dispatchId(Operation::ResultCode);
    const DISPID metrics = dispatchId(Operation::GetDeviceMetrics);

    struct Case {
        DISPID id;
        WORD flags;
        DISPPARAMS params;
        bool nullParams;
        bool wantResult;
        HRESULT expected;
        std::string line;
    };
    const std::vector<Case> cases = {
        {resultCode,
         DISPATCH_PROPERTYGET,
         {},
         false,
         true,
         S_OK,
         "invoke ResultCode flags=2 args=0 named=none value=none result=yes"},
        {resultCode,
         DISPATCH_METHOD,
         {},
         false,
         true,
         DISP_E_MEMBERNOTFOUND,
         "invoke ResultCode flags=1 args=0 named=none value=none result=yes"},
        {resultCode,
         DISPATCH_PROPERTYPUT,
         {&i4Arg, &putId, 1, 1},
         false,
         false,
         DISP_E_MEMBERNOTFOUND,
         "invoke ResultCode flags=4 args=1 named=-3 value=i4:5 result=no"},
        {metrics,
         DISPATCH_PROPERTYGET,
         {},
         false,
         true,
         DISP_E_MEMBERNOTFOUND,
         "invoke GetDeviceMetrics flags=2 args=0 named=none value=none result=yes"},
        {metrics,
         DISPATCH_METHOD,
         {&i4Arg, nullptr, 1, 0},
         false,
         false,
         DISP_E_BADPARAMCOUNT,
         "invoke GetDeviceMetrics flags=1 args=1 named=none value=i4:5 result=no"},
        {parentWnd,
         DISPATCH_PROPERTYPUT,
         {&i2Arg, &putId, 1, 1},
         false,
         false,
         S_OK,
         "invoke ParentWnd flags=4 args=1 named=-3 value=vt2 result=no"},
        {parentWnd,
         DISPATCH_PROPERTYPUT,
         {bstrArg.get(), &putId, 1, 1},
         false,
         false,
         DISP_E_TYPEMISMATCH,
         "invoke ParentWnd flags=4 args=1 named=-3 value=bstr:Ж\\\\x\\n result=no"},
        {parentWnd,
         DISPATCH_PROPERTYPUT,
         {&i4Arg, nullptr, 1, 0},
         false,
         false,
         DISP_E_PARAMNOTFOUND,
         "invoke ParentWnd flags=4 args=1 named=none value=i4:5 result=no"},
        {parentWnd,
         DISPATCH_PROPERTYPUT,
         {&i4Arg, &otherId, 1, 1},
         false,
         false,
         DISP_E_PARAMNOTFOUND,
         "invoke ParentWnd flags=4 args=1 named=3 value=i4:5 result=no"},
        {parentWnd,
         DISPATCH_PROPERTYPUT,
         {},
         false,
         false,
         DISP_E_BADPARAMCOUNT,
         "invoke ParentWnd flags=4 args=0 named=none value=none result=no"},
        {parentWnd,
         DISPATCH_PROPERTYGET,
         {},
         false,
         true,
         S_OK,
         "invoke ParentWnd flags=2 args=0 named=none value=none result=yes"},
        {resultCode,
         DISPATCH_PROPERTYGET,
         {},
         true,
         true,
         E_INVALIDARG,
         "invoke ResultCode flags=2 args=null named=none value=none result=yes"},
        {99,
         DISPATCH_METHOD,
         {},
         false,
         false,
         DISP_E_MEMBERNOTFOUND,
         "invoke dispid:99 flags=1 args=0 named=none value=none result=no"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ScopedVariant result;
        DISPPARAMS params = c.params;
        EXPECT_EQ(d.client.invoke(c.id, c.flags, c.nullParams ? nullptr : &params,
                                  c.wantResult ? result.get() : nullptr),
                  c.expected);
        EXPECT_EQ(d.log.lines().back(), c.line);
    }
    ScopedVariant parent;
    DISPPARAMS none{};
    ASSERT_EQ(d.client.invoke(parentWnd, DISPATCH_PROPERTYGET, &none, parent.get()), S_OK);
    EXPECT_EQ(V_I4(&*parent), 7) << "the VT_I2 write was coerced and kept";
}

TEST(SimDriverAnswers, ScriptedValuesArriveWithTheirTypes) {
    ComScope com;
    Driver d(
        "ResultCode = i4 -3\n"
        "ResultCode = i2 -4\n"
        "ResultCode = r8 2.5\n"
        "ResultCode = empty\n"
        "ResultCode = null\n"
        "ECRID = str \"Касса \\\"1\\\"\"\n"
        "ECRID = longstr 1048576\n"
        "UDescription = dispatch\n");
    struct Case {
        const wchar_t* name;
        VARTYPE vt;
        double number;
    };
    for (const Case& c : {Case{L"ResultCode", VT_I4, -3}, Case{L"ResultCode", VT_I2, -4},
                          Case{L"ResultCode", VT_R8, 2.5}, Case{L"ResultCode", VT_EMPTY, 0},
                          Case{L"ResultCode", VT_NULL, 0}, Case{L"ResultCode", VT_NULL, 0}}) {
        ScopedVariant v;
        ASSERT_EQ(d.client.read(c.name, v), S_OK);
        EXPECT_EQ(V_VT(&*v), c.vt);
        if (c.vt == VT_I4 || c.vt == VT_I2 || c.vt == VT_R8) {
            ScopedVariant asDouble;
            ASSERT_EQ(VariantChangeType(asDouble.get(), v.get(), 0, VT_R8), S_OK);
            EXPECT_EQ(V_R8(&*asDouble), c.number);
        }
    }

    ScopedVariant quoted, big, object;
    ASSERT_EQ(d.client.read(L"ECRID", quoted), S_OK);
    EXPECT_EQ(u16(V_BSTR(&*quoted)), u"Касса \"1\"");
    ASSERT_EQ(d.client.read(L"ECRID", big), S_OK);
    ASSERT_EQ(V_VT(&*big), VT_BSTR);
    const std::u16string_view bigText = u16(V_BSTR(&*big));
    ASSERT_EQ(bigText.size(), 1048576u);
    EXPECT_EQ(bigText.substr(0, 12), u"012345678901");
    EXPECT_EQ(bigText.back(), longStringUnit(1048575));

    ASSERT_EQ(d.client.read(L"UDescription", object), S_OK);
    ASSERT_EQ(V_VT(&*object), VT_DISPATCH);
    ASSERT_NE(V_DISPATCH(&*object), nullptr);
    {
        Client inert(V_DISPATCH(&*object));
        DISPID id = 0;
        EXPECT_EQ(inert.lookup(L"ECRID", id), DISP_E_UNKNOWNNAME);
    }
    // The handed-out object tells its last release, so that a client's leak of it shows.
    const auto released = [&] {
        const auto lines = d.log.lines();
        return std::count(lines.begin(), lines.end(), "release value-object");
    };
    EXPECT_EQ(released(), 0);
    VariantClear(object.get());
    EXPECT_EQ(released(), 1);
}

TEST(SimDriverAnswers, FailuresAreAnsweredAsScripted) {
    ComScope com;
    Driver d(
        "GetDeviceMetrics = exception \"Порт COM3 занят\"\n"
        "GetDeviceMetrics = hresult 0x80070005\n"
        "GetDeviceMetrics = ok\n");
    ScopedVariant ignored;
    EXCEPINFO info{};
    DISPID id = 0;
    ASSERT_EQ(d.client.lookup(L"GetDeviceMetrics", id), S_OK);
    DISPPARAMS none{};
    ASSERT_EQ(d.client.invoke(id, DISPATCH_METHOD, &none, nullptr, &info), DISP_E_EXCEPTION);
    EXPECT_EQ(info.scode, E_FAIL);
    EXPECT_EQ(u16(info.bstrSource), u"SimDriver");
    EXPECT_EQ(u16(info.bstrDescription), u"Порт COM3 занят");
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    EXPECT_EQ(d.client.call(L"GetDeviceMetrics"), static_cast<HRESULT>(0x80070005));
    EXPECT_EQ(d.client.call(L"GetDeviceMetrics"), S_OK);
    EXPECT_EQ(d.client.call(L"GetDeviceMetrics"), S_OK) << "the last entry repeats";
}

TEST(SimDriverAnswers, UnknownNameIsPeekedByLookupAndTakenByInvoke) {
    ComScope com;
    Driver d(
        "ECRID = unknown-name\n"
        "ECRID = str \"7700123456789012\"\n");
    DISPID id = 0;
    EXPECT_EQ(d.client.lookup(L"ECRID", id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    EXPECT_EQ(d.client.lookup(L"ECRID", id), DISP_E_UNKNOWNNAME) << "a lookup consumes nothing";
    ScopedVariant v;
    DISPPARAMS none{};
    EXPECT_EQ(d.client.invoke(dispatchId(Operation::ECRID), DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                              &none, v.get()),
              DISP_E_MEMBERNOTFOUND);
    ASSERT_EQ(d.client.read(L"ECRID", v), S_OK);
    EXPECT_EQ(u16(V_BSTR(&*v)), u"7700123456789012");
    EXPECT_EQ(d.client.lookup(L"NoSuchOperation", id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(d.log.lines().back(), "lookup NoSuchOperation");
}

TEST(SimDriverAnswers, UnscriptedOperationsFollowTheDefaultRegister) {
    ComScope com;
    Driver d(
        "GetCloudCashdeskParams = i4 5\n"
        "UDescription = str \"scripted\"\n"
        "UDescription = unknown-name\n");
    auto readText = [&](const wchar_t* name) {
        ScopedVariant v;
        EXPECT_EQ(d.client.read(name, v), S_OK);
        return std::u16string(u16(V_BSTR(&*v)));
    };
    auto readCode = [&] {
        ScopedVariant v;
        EXPECT_EQ(d.client.read(L"ResultCode", v), S_OK);
        return V_I4(&*v);
    };
    ScopedVariant status;
    ASSERT_EQ(d.client.read(L"GetCloudCashdeskParams", status), S_OK);
    EXPECT_EQ(V_I4(&*status), 5);
    EXPECT_EQ(readCode(), 0) << "a scripted value leaves the engine's ResultCode alone";
    ASSERT_EQ(d.client.call(L"ShowProperties"), S_OK);
    ASSERT_EQ(d.client.call(L"GetDeviceMetrics"), S_OK);
    EXPECT_EQ(readCode(), 0);
    EXPECT_EQ(readText(L"ResultCodeDescription"), u"Ошибок нет");
    EXPECT_EQ(readText(L"UDescription"), u"scripted");
    EXPECT_EQ(readText(L"ECRID"), u"");
    ScopedVariant enabled;
    ASSERT_EQ(d.client.read(L"CloudCashdeskEnabled", enabled), S_OK);
    EXPECT_EQ(V_BOOL(&*enabled), VARIANT_FALSE);
}

TEST(SimDriverCreation, EnvironmentSelectsScriptAndLogFile) {
    ComScope com;
    const std::wstring script = temporaryPath(L"simdrv_test_script.txt");
    const std::wstring logFile = temporaryPath(L"simdrv_test_log.txt");
    SetEnvironmentVariableW(L"SIMDRV_SCRIPT", script.c_str());
    SetEnvironmentVariableW(L"SIMDRV_LOG", logFile.c_str());

    writeTextFile(script, "ECRID = str \"42\"\n");
    DeleteFileW(logFile.c_str());
    IDispatch* driver = nullptr;
    ASSERT_EQ(simDriverClassFactory()->CreateInstance(nullptr, IID_IDispatch,
                                                      reinterpret_cast<void**>(&driver)),
              S_OK);
    ScopedVariant v;
    ASSERT_EQ(Client(driver).read(L"ECRID", v), S_OK);
    EXPECT_EQ(u16(V_BSTR(&*v)), u"42");
    driver->Release();
    EXPECT_EQ(readWholeFile(logFile),
              "create\nlookup ECRID\n"
              "invoke ECRID flags=3 args=0 named=none value=none result=yes\n"
              "release refs=0 com=initialised\n");

    writeTextFile(script, "# broken\nECRID = str \"no end\n");
    DeleteFileW(logFile.c_str());
    EXPECT_EQ(simDriverClassFactory()->CreateInstance(nullptr, IID_IDispatch,
                                                      reinterpret_cast<void**>(&driver)),
              E_FAIL);
    EXPECT_EQ(driver, nullptr);
    EXPECT_EQ(readWholeFile(logFile), "scenario-error line 2: unterminated text\n");

    DeleteFileW(script.c_str());
    DeleteFileW(logFile.c_str());
    EXPECT_EQ(simDriverClassFactory()->CreateInstance(nullptr, IID_IDispatch,
                                                      reinterpret_cast<void**>(&driver)),
              E_FAIL);
    EXPECT_EQ(readWholeFile(logFile).rfind("scenario-error cannot open ", 0), 0u);

    SetEnvironmentVariableW(L"SIMDRV_SCRIPT", nullptr);
    SetEnvironmentVariableW(L"SIMDRV_LOG", nullptr);
    DeleteFileW(logFile.c_str());
}

}  // namespace
}  // namespace velmar::sim
