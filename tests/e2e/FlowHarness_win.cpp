#include "tests/e2e/FlowHarness_win.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "tools/robot/Capture_win.h"
#include "tools/robot/Clipboard_win.h"
#include "tools/robot/PopupMenu_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::e2e {

using robot::utf8;

namespace {

// How long a program under Wine may take to handle one key or move after SendInput returns.
constexpr Milliseconds kSettleTime{150};

}  // namespace

ExpectedLog& ExpectedLog::line(std::string text, unsigned flags) {
    lines_.emplace_back(std::move(text), flags);
    return *this;
}

ExpectedLog& ExpectedLog::read(std::string_view operation) {
    line("lookup " + std::string(operation));
    return line("invoke " + std::string(operation) +
                " flags=3 args=0 named=none value=none result=yes");
}

ExpectedLog& ExpectedLog::call(std::string_view operation) {
    line("lookup " + std::string(operation));
    return line("invoke " + std::string(operation) +
                " flags=1 args=0 named=none value=none result=no");
}

ExpectedLog& ExpectedLog::write(std::string_view operation, std::int32_t value) {
    line("lookup " + std::string(operation));
    return line("invoke " + std::string(operation) +
                " flags=4 args=1 named=-3 value=i4:" + std::to_string(value) + " result=no");
}

ExpectedLog& ExpectedLog::unknown(std::string_view operation) {
    return line("lookup " + std::string(operation));
}

ExpectedLog& ExpectedLog::showProperties(HWND activeWindow) {
    call("ShowProperties");
    return line("dialog ShowProperties parent=" + driverHex(activeWindow) + " page=none");
}

ExpectedLog& ExpectedLog::openParameterPage(HWND mainWindow) {
    write("ParentWnd", static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(mainWindow)));
    write("ParamsPageIndex", 18);
    call("ShowAdditionalParams");
    return line("dialog ShowAdditionalParams parent=" + driverHex(mainWindow) + " page=18");
}

ExpectedLog& ExpectedLog::serviceCheck(bool registered) {
    read("GetCloudCashdeskParams");
    read("ECRID");
    return registered ? read("ECRID") : *this;
}

ExpectedLog& ExpectedLog::connectionStep(HWND mainWindow) {
    showProperties(mainWindow);
    call("GetDeviceMetrics");
    read("ResultCode");
    return read("UDescription");
}

std::vector<robot::SequenceEntry> ExpectedLog::entries() const {
    std::vector<robot::SequenceEntry> entries;
    for (const auto& [text, flags] : lines_) {
        entries.push_back({text, flags});
    }
    return entries;
}

std::string driverHex(HWND window) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(window)));
    return buffer;
}

std::string scriptedText(std::string_view operation, std::string_view utf8Text) {
    std::string line = std::string(operation) + " = str \"";
    for (const char c : utf8Text) {
        if (c == '"' || c == '\\') {
            line += '\\';
        }
        line += c;
    }
    return line + "\"";
}

Wizard::Wizard(robot::Process process, Milliseconds startLimit, std::wstring evidenceFolder)
    : process_(std::move(process)),
      screen_(robot::waitForWindow(process_, "the main window",
                                   robot::withClass(L"TfrmVelmarMaster"), startLimit)),
      evidenceFolder_(std::move(evidenceFolder)) {
    process_.waitForInputIdle(startLimit);
    screen_.waitForFocus("0 imgDoc", startLimit);
}

void Wizard::key(WORD virtualKey, robot::Modifiers modifiers) {
    robot::bringToFront(window());
    robot::tapKey(virtualKey, modifiers);
}

void Wizard::point(std::string_view button) {
    robot::moveMouse(screen_.buttonPoint(button));
}

void Wizard::click(std::string_view button) {
    robot::bringToFront(window());
    robot::leftClick(screen_.buttonPoint(button));
}

void Wizard::rightClickEdit(int page) {
    const robot::WizardEditPlace* place = robot::wizardEditOfPage(page);
    const RECT& r = place->bounds;
    robot::bringToFront(window());
    robot::rightClick(screen_.screenPoint(robot::centreOf(r)));
}

::testing::AssertionResult Wizard::shows(std::string_view expected, Milliseconds limit) const {
    try {
        screen_.waitForFocus(expected, limit);
    } catch (const std::exception& error) {
        return ::testing::AssertionFailure() << error.what() << keepEvidence();
    }
    return ::testing::AssertionSuccess();
}

std::string Wizard::keepEvidence() const {
    static int count = 0;
    const std::wstring path = evidenceFolder_ + L"\\window-" + std::to_wstring(++count) + L".png";
    try {
        robot::savePng(screen_.capture(), path);
    } catch (const std::exception& error) {
        return std::string("; no picture: ") + error.what();
    }
    return "; the window as it was: " + utf8(path);
}

::testing::AssertionResult Wizard::staysAt(std::string_view expected) const {
    settle();
    const std::string seen = focusLine();
    if (seen != expected) {
        return ::testing::AssertionFailure()
               << "the wizard shows \"" << seen << "\" where it should have stayed at \""
               << expected << "\"" << keepEvidence();
    }
    return ::testing::AssertionSuccess();
}

robot::MessageBoxView Wizard::waitForBox(std::string_view what) const {
    return robot::waitForMessageBox(process_, kReactLimit, what);
}

std::vector<HWND> Wizard::openBoxes() const {
    std::vector<HWND> boxes;
    for (HWND window : robot::visibleTopLevelWindows(process_.id())) {
        if (robot::className(window) == robot::kDialogClass) {
            boxes.push_back(window);
        }
    }
    return boxes;
}

DWORD Wizard::waitForExit() const {
    return process_.waitForExit(kExitLimit);
}

void Wizard::settle() const {
    std::this_thread::sleep_for(kSettleTime);
    if (!process_.hasExited()) {
        process_.waitForInputIdle(kReactLimit);
    }
}

std::string describe(const Input& input) {
    switch (input.kind) {
        case Input::Kind::Key:
        case Input::Kind::BoxKey: {
            std::string name;
            if (robot::has(input.modifiers, robot::Modifiers::Ctrl)) {
                name += "Ctrl+";
            }
            if (robot::has(input.modifiers, robot::Modifiers::Alt)) {
                name += "Alt+";
            }
            if (robot::has(input.modifiers, robot::Modifiers::Shift)) {
                name += "Shift+";
            }
            switch (input.key) {
                case VK_TAB:
                    name += "Tab";
                    break;
                case VK_RETURN:
                    name += "Enter";
                    break;
                case VK_ESCAPE:
                    name += "Esc";
                    break;
                default:
                    name += "key " + std::to_string(input.key);
                    break;
            }
            return input.kind == Input::Kind::BoxKey ? name + " on the box" : name;
        }
        case Input::Kind::Point:
            return "pointer onto " + std::string(input.button);
        case Input::Kind::Click:
            return "click on " + std::string(input.button);
        case Input::Kind::BoxClick:
            return "click on the box's button " + std::to_string(input.boxButton);
        case Input::Kind::MenuCopy:
            return "right-click on the edit, then \"Копировать\"";
        case Input::Kind::Nothing:
            return "no input";
    }
    return "?";
}

namespace {

void perform(Wizard& wizard, const Input& input, const std::optional<robot::MessageBoxView>& box) {
    switch (input.kind) {
        case Input::Kind::Key:
            wizard.key(input.key, input.modifiers);
            return;
        case Input::Kind::Point:
            wizard.point(input.button);
            return;
        case Input::Kind::Click:
            wizard.click(input.button);
            return;
        case Input::Kind::BoxKey:
        case Input::Kind::BoxClick: {
            // A box left open by the steps before this table.
            const std::vector<HWND> open = wizard.openBoxes();
            if (!box && open.empty()) {
                throw std::logic_error("no box is open to answer");
            }
            const robot::MessageBoxView target = box ? *box : robot::readMessageBox(open.front());
            if (input.kind == Input::Kind::BoxKey) {
                robot::answerMessageBox(target, input.key);
            } else {
                robot::clickMessageBoxButton(target, input.boxButton);
            }
            return;
        }
        case Input::Kind::MenuCopy: {
            const std::optional<int> page = wizard.screen().activePage();
            if (!page) {
                throw std::logic_error("no page to right-click on");
            }
            wizard.rightClickEdit(*page);
            robot::clickPopupMenuItem(
                robot::waitForPopupMenu(wizard.process(), kReactLimit, "the edit's menu"), 0, 1);
            return;
        }
        case Input::Kind::Nothing:
            return;
    }
}

}  // namespace

void act(Wizard& wizard, const Input& input) {
    perform(wizard, input, std::nullopt);
}

BoxExpect exitConfirmation() {
    return {"Выйти из мастера настройки подключения к сервису \"Велмар\" ?",
            robot::BoxIcon::Warning,
            {IDOK, IDCANCEL}};
}

BoxExpect copyNotice() {
    return {"KKM ID скопирован в буфер обмена.", robot::BoxIcon::Information, {IDOK}};
}

BoxExpect notEnabledWarning() {
    return {
        "Работа с облачной кассой не включена. Для продолжения работы включите, пожалуйста, "
        "работу с сервисом.",
        robot::BoxIcon::Warning,
        {IDOK, IDCANCEL}};
}

BoxExpect notRegisteredWarning() {
    return {
        "Работа с сервисом \"VELMAR\" включена, но ККМ не была зарегистрирована.\r\n"
        "Для продолжения работы мастера выполните, пожалуйста, регистрацию ККМ на сервисе.",
        robot::BoxIcon::Warning,
        {IDOK, IDCANCEL}};
}

BoxExpect errorReport(std::string_view text) {
    return {text, robot::BoxIcon::Error, {IDOK}};
}

std::vector<Step> keysToFirstStart() {
    return {
        {key(VK_TAB), shows("0 imgClose")},
        {key(VK_TAB), shows("0 imgEnable")},
        {key(VK_RETURN), shows("1 imgFS_Next")},
    };
}

std::vector<Step> keysToConnection() {
    return concat({keysToFirstStart(), {{key(VK_RETURN), shows("3 imgCn_Next")}}});
}

std::vector<Step> keysToRegistration() {
    return concat({keysToConnection(),
                   {
                       {key(VK_RETURN), shows("4 imgReg_Next")},
                       {key(VK_RETURN), stays("4 imgReg_Next")},
                   }});
}

std::vector<Step> concat(std::initializer_list<std::vector<Step>> parts) {
    std::vector<Step> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

::testing::AssertionResult runSteps(Wizard& wizard, const std::vector<Step>& steps) {
    std::optional<robot::MessageBoxView> box;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        const std::string where =
            "step " + std::to_string(i + 1) + " (" + describe(step.input) + ")";
        try {
            perform(wizard, step.input, box);
            box.reset();
            switch (step.then.kind) {
                case Outcome::Kind::Shows:
                    if (auto shown = wizard.shows(step.then.focus); !shown) {
                        return shown << "\n  after " << where;
                    }
                    break;
                case Outcome::Kind::Stays:
                    if (auto stayed = wizard.staysAt(step.then.focus); !stayed) {
                        return stayed << "\n  after " << where;
                    }
                    break;
                case Outcome::Kind::Box: {
                    box = wizard.waitForBox("the box after " + where);
                    const BoxExpect& expected = *step.then.box;
                    if (auto right = isWizardBox(*box, expected, wizard.window()); !right) {
                        return right << "\n  after " << where;
                    }
                    break;
                }
                case Outcome::Kind::EditText: {
                    const auto edit = wizard.edit(step.then.page);
                    const std::string text = edit ? utf8(edit->text) : "(no edit)";
                    if (text != step.then.focus) {
                        return ::testing::AssertionFailure()
                               << "the edit of page " << step.then.page << " holds \"" << text
                               << "\", not \"" << step.then.focus << "\", at " << where;
                    }
                    break;
                }
                case Outcome::Kind::Exits: {
                    const DWORD code = wizard.waitForExit();
                    if (code != 0) {
                        return ::testing::AssertionFailure()
                               << "exit code " << code << " after " << where;
                    }
                    break;
                }
            }
            if (step.then.kind != Outcome::Kind::Box && step.then.kind != Outcome::Kind::Exits) {
                if (const std::vector<HWND> boxes = wizard.openBoxes(); !boxes.empty()) {
                    return ::testing::AssertionFailure()
                           << "a box is open after " << where << ": "
                           << robot::describeMessageBox(robot::readMessageBox(boxes.front()));
                }
            }
        } catch (const std::exception& error) {
            return ::testing::AssertionFailure() << error.what() << "\n  at " << where;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult isWizardBox(const robot::MessageBoxView& box, const BoxExpect& expected,
                                       HWND mainWindow) {
    std::vector<int> shown;
    for (const auto& button : box.buttons) {
        shown.push_back(button.id);
    }
    const HWND owner = robot::ownerOf(box.window);
    const bool iconRight = !expected.iconOnScreen || box.icon == expected.icon;
    if (utf8(box.text) != expected.text || utf8(box.caption) != kTitle || !iconRight ||
        shown != expected.buttons || owner != mainWindow) {
        auto failure = ::testing::AssertionFailure();
        failure << "expected a box \"" << kTitle << "\": \"" << expected.text << "\", icon "
                << (expected.iconOnScreen ? robot::iconName(expected.icon) : "off the screen")
                << ", buttons";
        for (const int id : expected.buttons) {
            failure << " " << id;
        }
        failure << ", owned by the main window " << robot::hexValue(mainWindow) << "\n  saw the "
                << robot::describeMessageBox(box) << ", owned by " << robot::hexValue(owner);
        if (utf8(box.text) != expected.text) {
            failure << "\n  texts of " << expected.text.size() << " and " << utf8(box.text).size()
                    << " bytes";
        }
        return failure;
    }
    return ::testing::AssertionSuccess();
}

namespace {

constexpr wchar_t kPrivateFormat[] = L"VelmarE2eMarker";

class OpenClipboardScope {
  public:
    explicit OpenClipboardScope(HWND owner) {
        robot::waitUntil("the clipboard to be free", Milliseconds(2000),
                         [&] { return OpenClipboard(owner) != FALSE; });
    }
    ~OpenClipboardScope() { CloseClipboard(); }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
};

std::string formatList(const std::vector<UINT>& formats) {
    std::string text;
    for (const UINT format : formats) {
        text += (text.empty() ? "" : ", ") + robot::clipboardFormatName(format);
    }
    return text.empty() ? "nothing" : text;
}

}  // namespace

ClipboardContent readClipboard() {
    ClipboardContent content;
    content.formats = robot::clipboardFormats();
    content.text = robot::clipboardText();
    const OpenClipboardScope open(nullptr);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        content.textBytes = GlobalSize(data);
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            const std::size_t count = content.textBytes / sizeof(wchar_t);
            content.textEndsWithNul = count > 0 && units[count - 1] == L'\0';
            GlobalUnlock(data);
        }
    }
    return content;
}

void fillClipboardWithOtherContent() {
    robot::setClipboardText(L"text another program left");
    const UINT marker = RegisterClipboardFormatW(kPrivateFormat);
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    {
        const OpenClipboardScope open(owner);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 4);
        if (memory == nullptr || SetClipboardData(marker, memory) == nullptr) {
            robot::throwWin32Error("SetClipboardData of the private format");
        }
    }
    DestroyWindow(owner);
    const std::vector<UINT> formats = robot::clipboardFormats();
    if (std::find(formats.begin(), formats.end(), marker) == formats.end() ||
        std::find(formats.begin(), formats.end(), CF_UNICODETEXT) == formats.end()) {
        throw std::runtime_error("the clipboard did not take the tests' content: " +
                                 formatList(formats));
    }
}

::testing::AssertionResult clipboardHoldsOnly(std::wstring_view text) {
    const ClipboardContent content = readClipboard();
    // CF_TEXT, CF_OEMTEXT and CF_LOCALE are derived by the system from the Unicode text and
    // listed with it; any other format was put there by someone.
    std::vector<UINT> stored;
    for (const UINT format : content.formats) {
        if (format != CF_TEXT && format != CF_OEMTEXT && format != CF_LOCALE) {
            stored.push_back(format);
        }
    }
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (stored != std::vector<UINT>{CF_UNICODETEXT} || content.text != std::wstring(text) ||
        content.textBytes != bytes || !content.textEndsWithNul) {
        return ::testing::AssertionFailure()
               << "the clipboard should hold only \"" << utf8(text) << "\" as CF_UNICODETEXT ("
               << bytes << " bytes with the NUL); it holds " << formatList(content.formats)
               << ", text \"" << (content.text ? utf8(*content.text) : "(none)") << "\" in "
               << content.textBytes << " bytes"
               << (content.textEndsWithNul ? "" : " without a NUL");
    }
    return ::testing::AssertionSuccess();
}

void parkPointer() {
    // Away from where the centred window opens, so that no move reaches it before the test's own.
    robot::moveMouse({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1});
}

Wizard WizardTest::startWizard(const WizardLaunch& launch) {
    parkPointer();
    robot::LaunchOptions options;
    options.program = launch.program.empty() ? distDir() + L"\\" + kProgramFile : launch.program;
    options.commandLine = robot::commandLineFor(options.program, {});
    options.workingDirectory =
        launch.workingDirectory.empty() ? folder().path() : launch.workingDirectory;
    const std::wstring script = folder().file(L"scenario.txt");
    writeLines(script, launch.scenario);
    options.environment = {{L"SIMDRV_LOG", folder().file(L"driver.log")},
                           {L"SIMDRV_SCRIPT", script}};
    options.environment.insert(options.environment.end(), launch.environment.begin(),
                               launch.environment.end());
    return Wizard(robot::Process::launch(options), kStartLimit, folder().path());
}

Wizard WizardTest::startWizard(std::vector<std::string> scenario) {
    return startWizard(WizardLaunch{.scenario = std::move(scenario)});
}

::testing::AssertionResult WizardTest::logIs(const ExpectedLog& expected) const {
    const std::vector<robot::SequenceEntry> entries = expected.entries();
    return sequenceIs(entries, driverLog(), "the driver's log");
}

}  // namespace velmar::e2e
