#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <tuple>

#include "tests/e2e/Harness_win.h"
#include "tools/robot/Input_win.h"
#include "tools/robot/MessageBox_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::e2e {
namespace {

using robot::utf8;

// The program reads no command line; these look like things it might have taken.
const std::vector<std::wstring> kJunkArguments = {
    L"/?",          L"--driver",  L"C:\\nowhere\\SimDriver.dll", L"two words", L"",
    L"Касса \"7\"", L"trailing\\"};

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text.empty() ? "none" : text;
}

// --- The driver cannot be created -------------------------------------------------------------

// A case that cannot be set up on this machine.
struct CaseUnavailable {
    std::string reason;
};

void unregisterEverywhere(const TempFolder&) {
    simreg::unregisterDriver(ownArch());
    simreg::unregisterDriver(otherArch());
}

// Registered from a copy that is then deleted, as after an uninstall that left the registration.
void registerMissingDll(const TempFolder& folder) {
    const std::wstring copy = folder.file(kDriverFile);
    if (!CopyFileW(driverPathOf(ownArch()).c_str(), copy.c_str(), FALSE)) {
        robot::throwWin32Error("cannot copy the simulated driver to " + utf8(copy));
    }
    simreg::registerDriver(ownArch(), copy);
    if (!DeleteFileW(copy.c_str())) {
        robot::throwWin32Error("cannot delete " + utf8(copy));
    }
}

// As on a machine with only the other architecture's driver installed.
void registerOtherArchitectureOnly(const TempFolder&) {
    const std::wstring other = driverPathOf(otherArch());
    if (!fileExists(other)) {
        throw CaseUnavailable{"the other architecture's simulated driver is not built: " +
                              utf8(other)};
    }
    simreg::unregisterDriver(ownArch());
    simreg::registerDriver(otherArch(), other);
}

struct BrokenRegistration {
    const char* name;
    void (*breakRegistration)(const TempFolder& folder);
    std::vector<std::wstring> arguments;
};

void PrintTo(const BrokenRegistration& c, std::ostream* out) {
    *out << c.name;
}

const BrokenRegistration kBrokenRegistrations[] = {
    {"NotRegistered", unregisterEverywhere, {}},
    {"DllMissing", registerMissingDll, {}},
    {"OtherArchitectureOnly", registerOtherArchitectureOnly, {}},
    {"NotRegisteredWithJunkArguments", unregisterEverywhere, kJunkArguments},
};

class DriverLoadFailure : public E2eTest, public ::testing::WithParamInterface<BrokenRegistration> {
  protected:
    void breakRegistration() {
        changed_ = true;
        try {
            GetParam().breakRegistration(folder());
        } catch (const CaseUnavailable& unavailable) {
            GTEST_SKIP() << unavailable.reason;
        }
    }

    // However the test ended, the next one finds the drivers registered as ./run.sh left them.
    void TearDown() override {
        if (changed_) {
            try {
                registerDriversNormally();
            } catch (const std::exception& error) {
                ADD_FAILURE() << "restoring the driver registration: " << error.what();
            }
        }
        E2eTest::TearDown();
    }

  private:
    bool changed_ = false;
};

TEST_P(DriverLoadFailure, OnlyTheFailureBoxShowsAndEnterEndsWith701) {
    breakRegistration();
    if (IsSkipped()) {
        return;
    }
    robot::Process program = startProgram({.arguments = GetParam().arguments});

    const robot::MessageBoxView box =
        robot::waitForMessageBox(program, kStartLimit, "the driver-load failure box");
    EXPECT_EQ(utf8(box.caption), "Ошибка!");
    EXPECT_EQ(utf8(box.text), "Ошибка загрузки драйвера кассы");
    EXPECT_EQ(box.icon, robot::BoxIcon::Error) << robot::describeMessageBox(box);
    ASSERT_EQ(box.buttons.size(), 1u) << robot::describeMessageBox(box);
    EXPECT_EQ(box.buttons[0].id, IDOK) << robot::describeMessageBox(box);
    const std::vector<HWND> visible = robot::visibleTopLevelWindows(program.id());
    EXPECT_EQ(visible, std::vector<HWND>{box.window}) << robot::describeWindows(visible);

    robot::answerMessageBox(box, VK_RETURN);
    const ExitWatch exit = watchUntilExit(program, kExitLimit);
    EXPECT_EQ(exit.exitCode, 701u);
    EXPECT_TRUE(exit.windowsSeen.empty()) << "shown after the box: " << joined(exit.windowsSeen);
    EXPECT_EQ(driverLog(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Startup, DriverLoadFailure, ::testing::ValuesIn(kBrokenRegistrations),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The main window --------------------------------------------------------------------------

struct ArgumentSet {
    const char* name;
    std::vector<std::wstring> arguments;
};

void PrintTo(const ArgumentSet& set, std::ostream* out) {
    *out << set.name;
}

const ArgumentSet kArgumentSets[] = {
    {"NoArguments", {}},
    {"JunkArguments", kJunkArguments},
};

struct CloseWay {
    const char* name;
    void (*close)(HWND window);
};

void PrintTo(const CloseWay& way, std::ostream* out) {
    *out << way.name;
}

const CloseWay kCloseWays[] = {
    {"PostedClose", [](HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }},
    {"AltF4",
     [](HWND window) {
         robot::bringToFront(window);
         robot::tapKey(VK_F4, robot::Modifiers::Alt);
     }},
};

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(robot::widthOf(r)) + "x" + std::to_string(robot::heightOf(r));
}

class MainWindow : public E2eTest,
                   public ::testing::WithParamInterface<std::tuple<ArgumentSet, CloseWay>> {};

TEST_P(MainWindow, OpensAloneBorderlessAndCentredAndClosingEndsWith0) {
    const auto& [argumentSet, closeWay] = GetParam();
    robot::Process program = startProgram({.arguments = argumentSet.arguments});

    const HWND window = robot::waitForWindow(program, "the main window",
                                             robot::withClass(L"TfrmVelmarMaster"), kStartLimit);
    program.waitForInputIdle(kStartLimit);
    EXPECT_EQ(utf8(robot::windowText(window)), "Мастер подключения к velmar-online.ru");

    const auto style = static_cast<unsigned long>(robot::windowStyle(window));
    EXPECT_NE(style & WS_POPUP, 0u) << "style " << robot::hexValue(style);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0u) << "style " << robot::hexValue(style);
    const RECT frame = robot::windowRect(window);
    const RECT client = robot::clientRectOnScreen(window);
    EXPECT_EQ(robot::widthOf(client), 800);
    EXPECT_EQ(robot::heightOf(client), 600);
    EXPECT_TRUE(EqualRect(&frame, &client))
        << "window " << rectText(frame) << " around client " << rectText(client);
    const RECT screen = robot::monitorRect(window);
    EXPECT_NEAR(frame.left - screen.left, (robot::widthOf(screen) - robot::widthOf(frame)) / 2, 1)
        << "window " << rectText(frame) << " on screen " << rectText(screen);
    EXPECT_NEAR(frame.top - screen.top, (robot::heightOf(screen) - robot::heightOf(frame)) / 2, 1)
        << "window " << rectText(frame) << " on screen " << rectText(screen);
    const std::vector<HWND> visible = robot::visibleTopLevelWindows(program.id());
    EXPECT_EQ(visible, std::vector<HWND>{window}) << robot::describeWindows(visible);

    closeWay.close(window);
    EXPECT_EQ(program.waitForExit(kExitLimit), 0u);

    const robot::SequenceEntry kCreatedAndReleasedOnce[] = {
        {"create"},
        {"release refs=0 com=initialised"},
    };
    EXPECT_TRUE(sequenceIs(kCreatedAndReleasedOnce, driverLog(), "the driver's log"));
}

INSTANTIATE_TEST_SUITE_P(Startup, MainWindow,
                         ::testing::Combine(::testing::ValuesIn(kArgumentSets),
                                            ::testing::ValuesIn(kCloseWays)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace velmar::e2e
