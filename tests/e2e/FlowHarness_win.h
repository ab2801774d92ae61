#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/e2e/Harness_win.h"
#include "tools/robot/Input_win.h"
#include "tools/robot/MessageBox_win.h"
#include "tools/robot/WizardScreen_win.h"

namespace velmar::e2e {

inline constexpr char kTitle[] = "VELMAR: Мастер подключения";
// Limit for one visible reaction of the wizard to one input.
inline constexpr Milliseconds kReactLimit{5000};

// The simulated driver's log as the wizard's calls should leave it, built call by call.
class ExpectedLog {
  public:
    ExpectedLog& line(std::string text, unsigned flags = robot::kExact);
    // Looked up by name and then invoked as a read (method and property get, a result wanted).
    ExpectedLog& read(std::string_view operation);
    // Looked up and invoked as a method whose result is not wanted.
    ExpectedLog& call(std::string_view operation);
    // Looked up and set as a property of one VT_I4.
    ExpectedLog& write(std::string_view operation, std::int32_t value);
    // Looked up only: the driver does not know the name.
    ExpectedLog& unknown(std::string_view operation);
    // ShowProperties with its dialog, which the driver owns by the active window.
    ExpectedLog& showProperties(HWND activeWindow);
    // One pass of the registration loop up to the dialog at page 18.
    ExpectedLog& openParameterPage(HWND mainWindow);
    // The service check that passes: ECRID read once, or twice when the register has one.
    ExpectedLog& serviceCheck(bool registered);
    // The connection step that finds the register.
    ExpectedLog& connectionStep(HWND mainWindow);
    ExpectedLog& created() { return line("create"); }
    ExpectedLog& releasedOnce() { return line("release refs=0 com=initialised"); }

    std::vector<robot::SequenceEntry> entries() const;

  private:
    std::deque<std::pair<std::string, unsigned>> lines_;
};

// The driver's own spelling of a window handle in its log.
std::string driverHex(HWND window);

// Scenario lines of the simulated driver.
std::string scriptedText(std::string_view operation, std::string_view utf8Text);

// Where and how to start the program, for the tests that need more than the fixture's default.
struct WizardLaunch {
    std::wstring program{};           // empty: the dist folder's program
    std::wstring workingDirectory{};  // empty: the test's folder
    std::vector<std::string> scenario{};
    std::vector<robot::EnvironmentChange> environment{};
};

// The real program, started with a scripted driver, its main window found and shown as the user
// first sees it ("0 imgDoc"). Input goes through SendInput, as a person's would.
class Wizard {
  public:
    // A failed check leaves a picture of the window in `evidenceFolder`.
    Wizard(robot::Process process, Milliseconds startLimit, std::wstring evidenceFolder);

    robot::Process& process() { return process_; }
    const robot::Process& process() const { return process_; }
    HWND window() const { return screen_.window(); }
    const robot::WizardScreen& screen() const { return screen_; }
    std::string focusLine() const { return screen_.focusLine(); }

    void key(WORD virtualKey, robot::Modifiers modifiers = robot::Modifiers::None);
    // The pointer onto a drawn button, as a person points before clicking.
    void point(std::string_view button);
    void click(std::string_view button);
    void rightClickEdit(int page);

    // Waits for what the user sees to read as expected.
    ::testing::AssertionResult shows(std::string_view expected,
                                     Milliseconds limit = kReactLimit) const;
    // For an input that should change nothing: lets the program take it, then checks.
    ::testing::AssertionResult staysAt(std::string_view expected) const;

    robot::MessageBoxView waitForBox(std::string_view what) const;
    std::vector<HWND> openBoxes() const;

    std::optional<robot::WizardEditView> edit(int page) const { return screen_.edit(page); }
    DWORD waitForExit() const;

    // Waits until the program has taken its pending input.
    void settle() const;

  private:
    // Saves what the window shows; returns where, for the failure message.
    std::string keepEvidence() const;

    robot::Process process_;
    robot::WizardScreen screen_;
    std::wstring evidenceFolder_;
};

// What a box of the wizard should show.
struct BoxExpect {
    std::string_view text{};
    robot::BoxIcon icon{};
    std::vector<int> buttons{};
    // A text far too long for the screen makes the box larger than it, with the icon off it
    // where nobody sees it: such a box is checked without its icon.
    bool iconOnScreen = true;
};

// A message box of the wizard: its text, the application title as caption, its icon and its
// buttons (IDOK alone, or IDOK and IDCANCEL), owned by the main window.
::testing::AssertionResult isWizardBox(const robot::MessageBoxView& box, const BoxExpect& expected,
                                       HWND mainWindow);

// One input of a person at the wizard and what it should lead to; the tests are tables of them.
struct Input {
    enum class Kind { Key, Point, Click, BoxKey, BoxClick, MenuCopy, Nothing } kind{};
    WORD key = 0;
    robot::Modifiers modifiers = robot::Modifiers::None;
    std::string_view button{};  // Point and Click: a drawn button
    int boxButton = 0;          // BoxClick
};
inline Input key(WORD virtualKey, robot::Modifiers modifiers = robot::Modifiers::None) {
    return {Input::Kind::Key, virtualKey, modifiers};
}
inline Input pointTo(std::string_view button) {
    return {.kind = Input::Kind::Point, .button = button};
}
inline Input clickOn(std::string_view button) {
    return {.kind = Input::Kind::Click, .button = button};
}
// Answers the box that the previous step opened.
inline Input boxKey(WORD virtualKey) {
    return {Input::Kind::BoxKey, virtualKey};
}
inline Input boxClick(int buttonId) {
    return {.kind = Input::Kind::BoxClick, .boxButton = buttonId};
}
// A right-click on the active page's edit, then the menu's one item.
inline Input menuCopy() {
    return {Input::Kind::MenuCopy};
}
// No input: for a step that only looks.
inline Input look() {
    return {Input::Kind::Nothing};
}
std::string describe(const Input& input);

struct Outcome {
    enum class Kind { Shows, Stays, Box, Exits, EditText } kind{};
    std::string_view focus{};  // Shows, Stays: the focus line (see WizardScreen::focusLine)
    std::optional<BoxExpect> box{};
    int page = 0;  // EditText: the page of the edit, and its text in `focus`
};
inline Outcome shows(std::string_view focus) {
    return {Outcome::Kind::Shows, focus};
}
// The input is swallowed or does nothing: the wizard still shows this.
inline Outcome stays(std::string_view focus) {
    return {Outcome::Kind::Stays, focus};
}
inline Outcome opens(BoxExpect box) {
    return {.kind = Outcome::Kind::Box, .box = std::move(box)};
}
// The main window closes and the program ends with exit code 0.
inline Outcome exits() {
    return {Outcome::Kind::Exits};
}

// The identifier edit of the page holds this text (shown or not).
inline Outcome editHolds(int page, std::string_view utf8Text) {
    return {.kind = Outcome::Kind::EditText, .focus = utf8Text, .page = page};
}

struct Step {
    Input input;
    Outcome then;
};

// Carries out one input and checks nothing.
void act(Wizard& wizard, const Input& input);

// The steps of several tables, one after the other.
std::vector<Step> concat(std::initializer_list<std::vector<Step>> parts);

// The wizard's boxes.
BoxExpect exitConfirmation();
BoxExpect copyNotice();
BoxExpect notEnabledWarning();
BoxExpect notRegisteredWarning();
// The general error report of an error with this text (its full stop included).
BoxExpect errorReport(std::string_view text);

// The keyboard's way from the welcome screen, with the driver's default answers (service check
// passes, register not registered, connection found).
std::vector<Step> keysToFirstStart();  // ends at "1 imgFS_Next"
std::vector<Step> keysToConnection();  // "3 imgCn_Next"
// "4 imgReg_Next", with the key release that the connection step swallows already spent.
std::vector<Step> keysToRegistration();

// Runs the steps in order and stops at the first one whose outcome differs.
::testing::AssertionResult runSteps(Wizard& wizard, const std::vector<Step>& steps);

// What the clipboard holds, read as another program reads it.
struct ClipboardContent {
    std::vector<UINT> formats;
    std::optional<std::wstring> text;  // CF_UNICODETEXT up to its NUL
    std::size_t textBytes = 0;         // the size of the CF_UNICODETEXT data
    bool textEndsWithNul = false;
};
ClipboardContent readClipboard();
// Leaves text and a private format of the tests on the clipboard, as another program might.
void fillClipboardWithOtherContent();
// The clipboard holds this text as Unicode text with its NUL and nothing else but the text formats
// that the system itself derives from it.
::testing::AssertionResult clipboardHoldsOnly(std::wstring_view text);

// Moves the pointer off the place where the wizard's window opens.
void parkPointer();

// The fixture of the flow, document and copy tests.
class WizardTest : public E2eTest {
  protected:
    Wizard startWizard(const WizardLaunch& launch);
    Wizard startWizard(std::vector<std::string> scenario);
    ::testing::AssertionResult logIs(const ExpectedLog& expected) const;
};

}  // namespace velmar::e2e
