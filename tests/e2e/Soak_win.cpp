// A long random session on the real program: thousands of real inputs in any order (keys, mouse
// moves and clicks anywhere, right-clicks, every box answered at random) against a driver whose
// answers are random but valid. After every input the wizard must still be running (or have
// ended with exit code 0 and one release of the driver), show only its own windows, and show on
// its active page exactly what its focus slot model allows.
//
// VELMAR_SOAK_SEED and VELMAR_SOAK_EVENTS choose the session (./run.sh soak [seed] [events]); a
// failure prints the seed and the last inputs, so that the session can be run again.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <deque>
#include <optional>
#include <random>
#include <sstream>

#include "tests/e2e/FlowHarness_win.h"
#include "tools/robot/Console_win.h"
#include "tools/robot/Input_win.h"
#include "tools/robot/PopupMenu_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::e2e {
namespace {

using robot::Modifiers;
using robot::utf8;

// The test run's session: in 500 inputs it reaches every page, the boxes and the edits' menu.
constexpr std::uint64_t kDefaultSeed = 7;
constexpr int kDefaultEvents = 500;
constexpr std::size_t kRemembered = 20;
// How long a state that breaks the rules may last while the window is still catching up.
constexpr Milliseconds kSettleLimit{1500};

std::uint64_t environmentNumber(const wchar_t* name, std::uint64_t fallback) {
    wchar_t value[64] = {};
    if (GetEnvironmentVariableW(name, value, 64) == 0 || value[0] == L'\0') {
        return fallback;
    }
    return std::wcstoull(value, nullptr, 10);
}

// Picks an index by weight.
class Dice {
  public:
    explicit Dice(std::uint64_t seed) : engine_(seed) {}

    int below(int count) { return std::uniform_int_distribution<int>(0, count - 1)(engine_); }
    bool chance(int percent) { return below(100) < percent; }
    template <std::size_t N>
    std::size_t weighted(const int (&weights)[N]) {
        return std::discrete_distribution<std::size_t>(std::begin(weights),
                                                       std::end(weights))(engine_);
    }
    std::mt19937_64& engine() { return engine_; }

  private:
    std::mt19937_64 engine_;
};

// A driver that answers every read with a random but valid value, enough for a long session.
std::vector<std::string> randomScenario(Dice& dice) {
    static const char* const kDescriptions[] = {"Нет связи с ККМ", "Неверный пароль",
                                                "Смена превысила 24 часа", "Ошибок нет"};
    static const char* const kModels[] = {"ККМ Вега-Ф", "ККМ Орион-02", "Касса \"Север\" 5.1"};
    std::vector<std::string> lines;
    for (int i = 0; i < 400; ++i) {
        // A failing service check ends the program; rarely, so that sessions get deep enough.
        const char* status = dice.chance(96) ? "0" : dice.chance(50) ? "1" : "-3";
        lines.push_back("GetCloudCashdeskParams = i4 " + std::string(status));
        lines.push_back("ResultCode = i4 " + std::string(dice.chance(80)   ? "0"
                                                         : dice.chance(50) ? "1"
                                                                           : "-12"));
        lines.push_back(scriptedText("ResultCodeDescription", kDescriptions[dice.below(4)]));
        lines.push_back(scriptedText("UDescription", kModels[dice.below(3)]));
        lines.push_back(std::string("CloudCashdeskEnabled = bool ") +
                        (dice.chance(60) ? "true" : "false"));
        std::string ecrid;
        if (dice.chance(55)) {
            for (int digit = 0; digit < 16; ++digit) {
                ecrid += static_cast<char>('0' + dice.below(10));
            }
        }
        lines.push_back(scriptedText("ECRID", ecrid));
    }
    return lines;
}

struct Remembered {
    int number;
    std::string input;
    std::string after;
};

class Soak : public WizardTest {
  protected:
    std::uint64_t seed_ = environmentNumber(L"VELMAR_SOAK_SEED", kDefaultSeed);
    int events_ = static_cast<int>(environmentNumber(L"VELMAR_SOAK_EVENTS", kDefaultEvents));
    Dice dice_{seed_};
    std::optional<Wizard> wizard_;
    int session_ = 0;
    int exits_ = 0;
    std::deque<Remembered> recent_;
    // Where the inputs went: a page (0 to 5), a box or the menu.
    std::array<int, robot::kWizardPageCount> onPage_{};
    int onBox_ = 0;
    int onMenu_ = 0;

    std::wstring logPath() const {
        return folder().file(L"driver-" + std::to_wstring(session_) + L".log");
    }

    void startSession() {
        ++session_;
        WizardLaunch launch;
        launch.scenario = randomScenario(dice_);
        launch.environment = {{L"SIMDRV_LOG", logPath()}};
        wizard_.emplace(startWizard(launch));
    }

    // The session has ended: exit code 0 and the driver released once, at the end.
    ::testing::AssertionResult endedCleanly() {
        const DWORD code = wizard_->waitForExit();
        const std::vector<std::string> log = readLines(logPath());
        const auto releases = std::count_if(log.begin(), log.end(), [](const std::string& line) {
            return line.rfind("release refs", 0) == 0;
        });
        wizard_.reset();
        if (code != 0 || releases != 1 || log.empty() ||
            log.back() != "release refs=0 com=initialised") {
            return ::testing::AssertionFailure()
                   << "the program ended with exit code " << code << " and " << releases
                   << " release(s) of the driver, its log ending \""
                   << (log.empty() ? "" : log.back()) << "\"";
        }
        ++exits_;
        return ::testing::AssertionSuccess();
    }

    std::vector<HWND> visibleOfClass(const wchar_t* name) const {
        std::vector<HWND> found;
        for (HWND window : robot::visibleTopLevelWindows(wizard_->process().id())) {
            if (robot::className(window) == name) {
                found.push_back(window);
            }
        }
        return found;
    }

    POINT randomPointInWindow() {
        const RECT client = robot::clientRectOnScreen(wizard_->window());
        return {client.left + dice_.below(robot::widthOf(client)),
                client.top + dice_.below(robot::heightOf(client))};
    }

    // A drawn button of the active page, where a person would point at it.
    std::optional<std::string_view> randomButton() {
        const std::optional<int> page = wizard_->screen().activePage();
        if (!page) {
            return std::nullopt;
        }
        std::vector<std::string_view> names;
        for (const robot::WizardButton& button : robot::wizardButtons()) {
            if (button.page == *page) {
                names.push_back(button.name);
            }
        }
        return names[static_cast<std::size_t>(dice_.below(static_cast<int>(names.size())))];
    }

    // One input at a box of the wizard: any of its buttons, by key or by mouse. Cancel is taken
    // more often than OK where there is one, so that fewer sessions end at the exit confirmation
    // and more get as far as the registration and the end screen.
    std::string answerBox(HWND box) {
        const robot::MessageBoxView view = robot::readMessageBox(box);
        const std::string what = "the box \"" + utf8(view.text).substr(0, 60) + "\"";
        const bool cancel = view.button(IDCANCEL) != nullptr && dice_.chance(70);
        const bool byMouse = dice_.chance(40);
        if (byMouse) {
            const int id = cancel ? IDCANCEL : IDOK;
            robot::clickMessageBoxButton(view, id);
            return std::string("click on ") + (cancel ? "Cancel" : "OK") + " of " + what;
        }
        const WORD key = cancel ? VK_ESCAPE : dice_.chance(70) ? VK_RETURN : VK_SPACE;
        robot::answerMessageBox(view, key);
        return std::string(key == VK_ESCAPE   ? "Esc"
                           : key == VK_RETURN ? "Enter"
                                              : "Space") +
               " on " + what;
    }

    std::string useMenu(HWND menu) {
        if (dice_.chance(60)) {
            robot::clickPopupMenuItem(menu, 0, 1);
            return "click on the menu's \"Копировать\"";
        }
        robot::bringToFront(wizard_->window());
        robot::tapKey(VK_ESCAPE);
        return "Esc on the menu";
    }

    // One input at the wizard's window.
    std::string actOnWindow() {
        static const WORD kNavigation[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END};
        static const WORD kEditing[] = {VK_DELETE, VK_BACK, VK_INSERT};
        const int weights[] = {18, 3, 14, 1, 3, 5, 4, 1, 3, 2, 1, 1, 10, 10, 8, 4, 3, 2};
        Wizard& wizard = *wizard_;
        switch (dice_.weighted(weights)) {
            case 0:
                wizard.key(VK_TAB);
                return "Tab";
            case 1:
                wizard.key(VK_TAB, Modifiers::Shift);
                return "Shift+Tab";
            case 2:
                wizard.key(VK_RETURN);
                return "Enter";
            case 3:
                wizard.key(VK_RETURN, Modifiers::Ctrl);
                return "Ctrl+Enter";
            case 4:
                wizard.key(VK_ESCAPE);
                return "Esc";
            case 5: {
                const WORD key = kNavigation[dice_.below(6)];
                wizard.key(key);
                return "navigation key " + std::to_string(key);
            }
            case 6:
                wizard.key('C', Modifiers::Ctrl);
                return "Ctrl+C";
            case 7:
                wizard.key('C', Modifiers::Ctrl | Modifiers::Shift);
                return "Ctrl+Shift+C";
            case 8: {
                const auto letter = static_cast<WORD>('A' + dice_.below(26));
                wizard.key(letter);
                return std::string("letter ") + static_cast<char>(letter);
            }
            case 9: {
                const WORD key = kEditing[dice_.below(3)];
                wizard.key(key, key == VK_INSERT ? Modifiers::Shift : Modifiers::None);
                return key == VK_INSERT ? "Shift+Insert" : "editing key " + std::to_string(key);
            }
            case 10:
                wizard.key('V', Modifiers::Ctrl);
                return "Ctrl+V";
            case 11:
                wizard.key(VK_F4, Modifiers::Alt);
                return "Alt+F4";
            case 12: {
                const POINT at = randomPointInWindow();
                robot::moveMouse(at);
                return "pointer to " + std::to_string(at.x) + "," + std::to_string(at.y);
            }
            case 13:
                if (const auto button = randomButton()) {
                    wizard.point(*button);
                    return "pointer onto " + std::string(*button);
                }
                return "nothing (no page)";
            case 14:
                if (const auto button = randomButton()) {
                    wizard.click(*button);
                    return "click on " + std::string(*button);
                }
                return "nothing (no page)";
            case 15: {
                const POINT at = randomPointInWindow();
                robot::bringToFront(wizard.window());
                robot::leftClick(at);
                return "click at " + std::to_string(at.x) + "," + std::to_string(at.y);
            }
            case 16: {
                const std::optional<int> page = wizard.screen().activePage();
                if (page && robot::wizardEditOfPage(*page) != nullptr) {
                    wizard.rightClickEdit(*page);
                    return "right-click on the edit";
                }
                return "nothing (no edit)";
            }
            default: {
                const POINT at = randomPointInWindow();
                robot::bringToFront(wizard.window());
                robot::rightClick(at);
                return "right-click at " + std::to_string(at.x) + "," + std::to_string(at.y);
            }
        }
    }

    // The wizard shows one of its states: a box, the menu, or its page with exactly one thing
    // focused. Any other visible window of the program is a fault.
    std::optional<std::string> brokenRule() const {
        for (HWND window : robot::visibleTopLevelWindows(wizard_->process().id())) {
            const std::wstring name = robot::className(window);
            if (window != wizard_->window() && name != robot::kDialogClass &&
                name != robot::kPopupMenuClass) {
                return "an unexpected window: " + robot::describeWindow(window);
            }
        }
        if (!visibleOfClass(robot::kDialogClass).empty() ||
            !visibleOfClass(robot::kPopupMenuClass).empty()) {
            return std::nullopt;
        }
        // One highlighted button and no focused edit, or the edit focused with its whole text
        // selected and no highlight.
        const std::string line = wizard_->focusLine();
        std::istringstream words(line);
        std::string page, word;
        words >> page;
        if (page.empty() || !std::isdigit(static_cast<unsigned char>(page[0]))) {
            return "the window shows " + line;
        }
        int highlights = 0, focusedEdits = 0;
        bool wholeSelection = true;
        while (words >> word) {
            if (word.rfind("img", 0) == 0) {
                ++highlights;
            } else if (word.rfind("edt", 0) == 0 && word.find("(enabled)") == std::string::npos) {
                ++focusedEdits;
                wholeSelection = word.find("(selected") == std::string::npos;
            }
        }
        if ((highlights == 1 && focusedEdits == 0) ||
            (highlights == 0 && focusedEdits == 1 && wholeSelection)) {
            return std::nullopt;
        }
        return "the page shows \"" + line + "\"";
    }

    std::string lastInputs() const {
        std::string text;
        for (const Remembered& r : recent_) {
            text += "\n  " + std::to_string(r.number) + ". " + r.input + "  ->  " + r.after;
        }
        return text;
    }

    std::string describeState() const {
        if (!wizard_) {
            return "(ended)";
        }
        if (const auto boxes = visibleOfClass(robot::kDialogClass); !boxes.empty()) {
            return "box \"" + utf8(robot::readMessageBox(boxes.front()).text).substr(0, 60) + "\"";
        }
        if (!visibleOfClass(robot::kPopupMenuClass).empty()) {
            return "menu";
        }
        return wizard_->focusLine();
    }

    ::testing::AssertionResult failure(int number, const std::string& what) const {
        return ::testing::AssertionFailure()
               << "soak seed " << seed_ << ", input " << number << " of " << events_ << " (session "
               << session_ << "): " << what << "\nThe last inputs:" << lastInputs()
               << "\nRun it again with: ./run.sh soak " << seed_ << " " << events_;
    }

    ::testing::AssertionResult run() {
        startSession();
        for (int number = 1; number <= events_; ++number) {
            std::string input;
            try {
                const auto boxes = visibleOfClass(robot::kDialogClass);
                const auto menus = visibleOfClass(robot::kPopupMenuClass);
                if (!boxes.empty()) {
                    ++onBox_;
                    input = answerBox(boxes.front());
                } else if (!menus.empty()) {
                    ++onMenu_;
                    input = useMenu(menus.front());
                } else {
                    if (const std::optional<int> page = wizard_->screen().activePage()) {
                        ++onPage_[static_cast<std::size_t>(*page)];
                    }
                    input = actOnWindow();
                }
                wizard_->settle();
            } catch (const std::exception& error) {
                if (!wizard_->process().hasExited()) {
                    return failure(number, std::string("the input failed: ") + error.what());
                }
                input += " (the program ended meanwhile)";
            }
            if (wizard_->process().hasExited()) {
                if (auto ended = endedCleanly(); !ended) {
                    return failure(number, ended.message());
                }
                recent_.push_back({number, input, "(ended; started again)"});
                startSession();
            } else {
                std::optional<std::string> broken;
                try {
                    robot::waitUntil("the rules to hold", kSettleLimit,
                                     [&] { return !(broken = brokenRule()); });
                } catch (const robot::WaitTimeout&) {
                    return failure(number, *broken);
                } catch (const std::exception& error) {
                    if (!wizard_->process().hasExited()) {
                        return failure(number, error.what());
                    }
                }
                recent_.push_back({number, input, describeState()});
            }
            if (recent_.size() > kRemembered) {
                recent_.pop_front();
            }
            if (number % 1000 == 0) {
                robot::printLine("Soak: " + std::to_string(number) + " inputs, " +
                                 std::to_string(session_) + " session(s)");
            }
        }
        return closeAtTheEnd();
    }

    // Boxes and the menu answered with Esc, then the window closed: exit code 0, one release.
    ::testing::AssertionResult closeAtTheEnd() {
        for (int tries = 0; tries < 5 && !wizard_->process().hasExited(); ++tries) {
            if (const auto boxes = visibleOfClass(robot::kDialogClass); !boxes.empty()) {
                robot::answerMessageBox(robot::readMessageBox(boxes.front()), VK_ESCAPE);
            } else if (!visibleOfClass(robot::kPopupMenuClass).empty()) {
                robot::bringToFront(wizard_->window());
                robot::tapKey(VK_ESCAPE);
            } else {
                PostMessageW(wizard_->window(), WM_CLOSE, 0, 0);
                break;
            }
            wizard_->settle();
        }
        if (auto ended = endedCleanly(); !ended) {
            return failure(events_, "at the close: " + std::string(ended.message()));
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_F(Soak, RandomInputsKeepTheWizardWithinItsRules) {
    robot::printLine("Soak: seed " + std::to_string(seed_) + ", " + std::to_string(events_) +
                     " inputs");
    EXPECT_TRUE(run());
    std::string pages;
    for (const int count : onPage_) {
        pages += ' ';
        pages += std::to_string(count);
    }
    robot::printLine("Soak: " + std::to_string(session_) + " session(s), " +
                     std::to_string(exits_) + " clean end(s); inputs on pages 0 to 5:" + pages +
                     ", on boxes " + std::to_string(onBox_) + ", on the menu " +
                     std::to_string(onMenu_));
}

}  // namespace
}  // namespace velmar::e2e
