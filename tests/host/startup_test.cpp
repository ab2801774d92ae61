#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "Sequence.h"
#include "app/Application.h"
#include "app/DriverObject.h"
#include "app/MessageBoxFlags.h"
#include "platform/AppError.h"

namespace velmar::app {
namespace {

using velmar::testing::Events;
using velmar::testing::sameSequence;

struct ProcessExited {
    int code;
};

constexpr HResult kFail = static_cast<HResult>(0x80004005);
constexpr HResult kClassNotRegistered = static_cast<HResult>(0x80040154);
constexpr WindowId kHiddenWindow = 100;
constexpr WindowId kMainWindow = 200;

// Records every runtime call the start-up makes, with enough detail to tell the paths apart.
struct FakeRuntime : ComApi, AppShell {
    Events events;
    HResult oleResult = kSOk;
    HResult appComResult = kSOk;
    HResult formComResult = kSFalse;
    HResult progIdResult = kSOk;
    HResult createResult = kSOk;
    int coInitCalls = 0;
    bool driverHeld = false;
    bool mainFormAlive = false;
    WindowId active = 0;
    WindowId focus = 0;
    std::vector<WindowId> otherWindows;
    std::function<void(Application&)> duringLoop;

    HResult oleInitialize() override {
        events.push_back("OleInitialize");
        return oleResult;
    }
    void oleUninitialize() override { events.push_back("OleUninitialize"); }
    HResult coInitialize() override {
        events.push_back("CoInitialize");
        return ++coInitCalls == 1 ? appComResult : formComResult;
    }
    void coUninitialize() override { events.push_back("CoUninitialize"); }
    HResult clsidFromProgId(TextView progId, ClassId&) override {
        events.push_back("CLSIDFromProgID " + toUtf8(progId));
        return progIdResult;
    }
    HResult createDriverInstance(const ClassId&, std::uint32_t context) override {
        events.push_back("CoCreateInstance context=" + std::to_string(context));
        driverHeld = succeeded(createResult);
        return createResult;
    }
    void clearDriver() override {
        events.push_back(driverHeld ? "Driver released" : "Driver cleared while empty");
        driverHeld = false;
    }

    void createApplicationWindow() override { events.push_back("create hidden window"); }
    void destroyApplicationWindow() override { events.push_back("destroy hidden window"); }
    void createMainForm(Application& app) override {
        events.push_back("create main form");
        mainFormAlive = true;
        events.push_back("FormCreate");
        formCreate(app, *this);
    }
    bool mainFormExists() const override { return mainFormAlive; }
    void destroyMainForm() override {
        events.push_back("FormDestroy");
        mainFormAlive = false;
        formDestroy(*this);
    }
    void runMessageLoop(Application& app) override {
        events.push_back("show main form");
        active = focus = kMainWindow;
        if (duringLoop) {
            duringLoop(app);
        }
        events.push_back("main form closed");
    }
    WindowId activeWindow() override { return active; }
    WindowId focusedWindow() override { return focus; }
    WindowId applicationWindow() override { return kHiddenWindow; }
    std::vector<WindowId> disableThreadWindows(WindowId except) override {
        events.push_back("disable windows but " + std::to_string(except));
        return otherWindows;
    }
    void enableWindows(const std::vector<WindowId>& windows) override {
        events.push_back("enable " + std::to_string(windows.size()) + " windows");
    }
    void restoreActivation(WindowId a, WindowId f) override {
        events.push_back("restore active=" + std::to_string(a) + " focus=" + std::to_string(f));
    }
    int showMessageBox(WindowId owner, TextView text, TextView caption,
                       std::uint32_t flags) override {
        events.push_back("box owner=" + std::to_string(owner) + " flags=" + std::to_string(flags) +
                         " [" + toUtf8(caption) + "] " + toUtf8(text));
        return mb::kIdOk;
    }
    [[noreturn]] void exitProcess(int code) override {
        events.push_back("exit " + std::to_string(code));
        throw ProcessExited{code};
    }
};

int runProgram(FakeRuntime& runtime) {
    Application app(runtime, runtime);
    try {
        app.run();
    } catch (const ProcessExited& exited) {
        return exited.code;
    }
    ADD_FAILURE() << "the program did not exit through exitProcess";
    return -1;
}

TEST(Startup, NormalCloseShutsDownInFixedOrder) {
    FakeRuntime runtime;
    EXPECT_EQ(runProgram(runtime), 0);
    EXPECT_TRUE(sameSequence(
        {
            "OleInitialize",
            "create hidden window",
            "CoInitialize",
            "create main form",
            "FormCreate",
            "CoInitialize",
            "CLSIDFromProgID AddIn.DrvFR",
            "CoCreateInstance context=5",
            "show main form",
            "main form closed",
            "FormDestroy",
            "CoUninitialize",
            "Driver released",
            "CoUninitialize",
            "destroy hidden window",
            "OleUninitialize",
            "exit 0",
        },
        runtime.events));
}

// Whatever step fails, the user sees one box, no window, and the program ends with 701 from
// inside FormCreate; the form is destroyed by the final clean-up, and nothing is released.
struct LoadFailureCase {
    const char* name;
    HResult progIdResult;
    HResult createResult;
    Events driverSteps;
};

class DriverLoadFailure : public ::testing::TestWithParam<LoadFailureCase> {};

TEST_P(DriverLoadFailure, ShowsBoxAndExitsWith701) {
    const auto& param = GetParam();
    FakeRuntime runtime;
    runtime.progIdResult = param.progIdResult;
    runtime.createResult = param.createResult;
    EXPECT_EQ(runProgram(runtime), 701);

    Events expected = {"OleInitialize",    "create hidden window", "CoInitialize",
                       "create main form", "FormCreate",           "CoInitialize"};
    expected.insert(expected.end(), param.driverSteps.begin(), param.driverSteps.end());
    const Events tail = {
        "disable windows but 100",
        "box owner=100 flags=16 [Ошибка!] Ошибка загрузки драйвера кассы",
        "enable 0 windows",
        "restore active=0 focus=0",
        "Driver cleared while empty",
        "FormDestroy",
        "CoUninitialize",
        "CoUninitialize",
        "destroy hidden window",
        "OleUninitialize",
        "exit 701",
    };
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_TRUE(sameSequence(expected, runtime.events));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DriverLoadFailure,
    ::testing::Values(
        LoadFailureCase{
            "ProgIdUnknown", kClassNotRegistered, kSOk, {"CLSIDFromProgID AddIn.DrvFR"}},
        LoadFailureCase{"ServerCannotStart",
                        kSOk,
                        kFail,
                        {"CLSIDFromProgID AddIn.DrvFR", "CoCreateInstance context=5"}},
        LoadFailureCase{"NoDispatchInterface",
                        kSOk,
                        static_cast<HResult>(0x80004002),
                        {"CLSIDFromProgID AddIn.DrvFR", "CoCreateInstance context=5"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Only the initialisations that succeeded are undone; FormDestroy's CoUninitialize is made
// whatever the form's CoInitialize returned.
TEST(Startup, UndoesOnlySuccessfulInitialisations) {
    struct Case {
        HResult ole, appCom, formCom;
        Events tail;
    };
    const Case cases[] = {
        {kFail,
         kSOk,
         kSOk,
         {"FormDestroy", "CoUninitialize", "Driver released", "CoUninitialize",
          "destroy hidden window", "exit 0"}},
        {kSOk,
         kFail,
         kSOk,
         {"FormDestroy", "CoUninitialize", "Driver released", "destroy hidden window",
          "OleUninitialize", "exit 0"}},
        {kSOk,
         kSFalse,
         kFail,
         {"FormDestroy", "CoUninitialize", "Driver released", "CoUninitialize",
          "destroy hidden window", "OleUninitialize", "exit 0"}},
    };
    for (const auto& c : cases) {
        FakeRuntime runtime;
        runtime.oleResult = c.ole;
        runtime.appComResult = c.appCom;
        runtime.formComResult = c.formCom;
        EXPECT_EQ(runProgram(runtime), 0);
        const Events tail(runtime.events.end() - static_cast<long>(c.tail.size()),
                          runtime.events.end());
        EXPECT_TRUE(sameSequence(c.tail, tail));
    }
}

TEST(Startup, ErrorReportDuringLoopLeavesProgramRunning) {
    FakeRuntime runtime;
    runtime.duringLoop = [&](Application& app) {
        app.showException(AppError(u"Method 'Foo' not supported by automation object"));
        app.showException(std::runtime_error("plain"));
    };
    EXPECT_EQ(runProgram(runtime), 0);
    Events boxes;
    for (const auto& e : runtime.events) {
        if (e.rfind("box ", 0) == 0 || e.rfind("restore", 0) == 0) {
            boxes.push_back(e);
        }
    }
    EXPECT_TRUE(sameSequence(
        {
            "box owner=200 flags=16 [VELMAR: Мастер подключения] Method 'Foo' not supported by "
            "automation object.",
            "restore active=200 focus=200",
            "box owner=200 flags=16 [VELMAR: Мастер подключения] plain.",
            "restore active=200 focus=200",
        },
        boxes));
}

TEST(ErrorReportText, AppendsFullStopOnlyAfterCharactersAboveIt) {
    const std::pair<Text, Text> cases[] = {
        {u"", u""},
        {u"Ошибка", u"Ошибка."},
        {u"done.", u"done."},
        {u"really!", u"really!"},  // '!' comes before '.'
        {u"(see above)", u"(see above)"},
        {u"a/b", u"a/b."},  // '/' comes right after '.'
        {u"code 5", u"code 5."},
        {u"trailing ", u"trailing "},
        {u"line\r\n", u"line\r\n"},
        {u"\U0001F600", u"\U0001F600."},  // a surrogate pair ends above '.'
    };
    for (const auto& [message, expected] : cases) {
        EXPECT_EQ(toUtf8(errorReportText(message)), toUtf8(expected));
    }
}

TEST(MessageBoxOwner, ActiveWindowElseHiddenWindowAndStateRestored) {
    FakeRuntime runtime;
    Application app(runtime, runtime);
    runtime.active = 0;
    app.messageBox(u"t", u"c", 0);
    runtime.active = 300;
    runtime.focus = 301;
    runtime.otherWindows = {400};
    app.messageBox(u"t", u"c", 0x31);
    EXPECT_TRUE(sameSequence(
        {
            "disable windows but 100",
            "box owner=100 flags=0 [c] t",
            "enable 0 windows",
            "restore active=0 focus=0",
            "disable windows but 300",
            "box owner=300 flags=49 [c] t",
            "enable 1 windows",
            "restore active=300 focus=301",
        },
        runtime.events));
}

}  // namespace
}  // namespace velmar::app
