// The identifier edits with the keyboard focus: keys and characters change nothing, the context
// menu is the program's own; and the navigation keys do nothing on a page either.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/ScreensHarness_win.h"
#include "tools/robot/Capture_win.h"
#include "tools/robot/Clipboard_win.h"
#include "tools/robot/Controls_win.h"
#include "tools/robot/Input_win.h"
#include "tools/robot/ReferenceMenu_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Wait.h"
#include "tools/robot/Windows_win.h"

namespace velmar::e2e {
namespace {

using robot::Modifiers;
using robot::utf8;

// An edit that has the focus, and how the wizard gets there from its first display.
struct EditCase {
    const char* name;
    int page;
    const char* id;  // the register's identifier, which the edit shows
    std::vector<std::string> (*scenario)(std::string_view id);
};

void PrintTo(const EditCase& c, std::ostream* out) {
    *out << c.name;
}

const EditCase kEditCases[] = {
    {"WarningPage", 2, "0123456789AB", registeredScenario},
    {"EndPage", 5, "K-00042", registrationScenario},
};

class ScreensEdit : public ScreensTest, public ::testing::WithParamInterface<EditCase> {
  protected:
    unsigned idLength() const { return static_cast<unsigned>(std::string(GetParam().id).size()); }

    void tapAndExpect(WORD key, int page, int slot, std::string_view what) {
        wizard().tap(key);
        expectState(page, slot, what, page == GetParam().page ? idLength() : 10);
    }

    // Starts the wizard and walks to the edit's slot with Tab and Enter.
    HWND startAtTheEdit() {
        const EditCase& c = GetParam();
        startWizard(c.scenario(c.id));
        tapAndExpect(VK_TAB, 0, 2, "Tab on page 0");
        tapAndExpect(VK_TAB, 0, 0, "Tab on page 0");
        if (c.page == 2) {
            tapAndExpect(VK_RETURN, 2, 0, "the warning page");
            tapAndExpect(VK_TAB, 2, 1, "Tab on page 2");
        } else {
            tapAndExpect(VK_RETURN, 1, 0, "the first-start page");
            tapAndExpect(VK_RETURN, 3, 0, "the connection page");
            wizard().tap(VK_RETURN);
            robot::waitUntil("the registration page", Milliseconds(8000),
                             [&] { return wizard().observe().page == 4; });
            // The message flag of the connection step swallows the first release, and the
            // registration step's flag the first one on page 5.
            wizard().tap(VK_RETURN);
            wizard().tap(VK_RETURN);
            ScreenState entered = expectedState(5, 0, idLength());
            entered.editEnabled = true;
            expectState(entered, "the end page as the form left it");
            wizard().tap(VK_TAB);
        }
        tapAndExpect(VK_TAB, c.page, kEditSlot, "the edit's slot");
        return wizard().edit(c.page);
    }

    // Back to the edit's slot from slot 0 of its page.
    void returnToTheEdit() {
        if (GetParam().page == 2) {
            tapAndExpect(VK_TAB, 2, 1, "Tab on page 2");
        }
        tapAndExpect(VK_TAB, GetParam().page, kEditSlot, "back to the edit's slot");
    }
};

struct EditInput {
    const char* name;
    void (*send)();
};

const EditInput kEditInputs[] = {
    {"Letters",
     [] {
         robot::tapKey('A');
         robot::tapKey('Z');
     }},
    {"ShiftedLetter", [] { robot::tapKey('Q', Modifiers::Shift); }},
    {"DigitAndSpace",
     [] {
         robot::tapKey('7');
         robot::tapKey(VK_SPACE);
     }},
    {"UnicodeCharacters", [] { robot::typeText(L"жЖ№"); }},
    {"Delete", [] { robot::tapKey(VK_DELETE); }},
    {"Backspace", [] { robot::tapKey(VK_BACK); }},
    {"CtrlV", [] { robot::tapKey('V', Modifiers::Ctrl); }},
    {"ShiftInsert", [] { robot::tapKey(VK_INSERT, Modifiers::Shift); }},
    {"CtrlX", [] { robot::tapKey('X', Modifiers::Ctrl); }},
    {"ShiftDelete", [] { robot::tapKey(VK_DELETE, Modifiers::Shift); }},
    {"CtrlZ", [] { robot::tapKey('Z', Modifiers::Ctrl); }},
    {"CtrlBackspace", [] { robot::tapKey(VK_BACK, Modifiers::Ctrl); }},
    {"Arrows",
     [] {
         for (WORD key : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) {
             robot::tapKey(key);
         }
     }},
    {"HomeAndEnd",
     [] {
         robot::tapKey(VK_HOME);
         robot::tapKey(VK_END);
     }},
    {"ShiftArrowAndCtrlHome",
     [] {
         robot::tapKey(VK_LEFT, Modifiers::Shift);
         robot::tapKey(VK_HOME, Modifiers::Ctrl);
     }},
};

TEST_P(ScreensEdit, KeysAndCharactersChangeNeitherTheTextNorTheSelection) {
    const HWND edit = startAtTheEdit();
    const std::string id = GetParam().id;
    const robot::EditSelection whole{0, idLength()};
    robot::setClipboardText(L"PASTED");

    for (const EditInput& input : kEditInputs) {
        SCOPED_TRACE(input.name);
        robot::bringToFront(wizard().window());
        input.send();
        // The caret or the selection would move at once; watch them for a while.
        for (int look = 0; look < 4; ++look) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ASSERT_EQ(robot::editSelection(edit), whole);
            ASSERT_EQ(robot::focusOfThreadOf(wizard().window()), edit);
        }
        // Input is handled in order: once the Tab after it has moved the highlight, whatever
        // the input did to the text is done.
        tapAndExpect(VK_TAB, GetParam().page, 0, "Tab after the input");
        EXPECT_EQ(utf8(robot::controlText(edit)), id);
        returnToTheEdit();
    }
}

TEST_P(ScreensEdit, RightClickShowsTheProgramsOneItemMenuAndItsItemCopies) {
    const HWND edit = startAtTheEdit();
    const RECT editRect = robot::windowRect(edit);
    const POINT inside = robot::centreOf(editRect);
    // Far from where the program's menu opens, so that neither covers the other.
    const robot::Image reference =
        robot::pictureOfReferenceMenu({L"Копировать"}, {20, robot::screenSize().cy - 120});
    ASSERT_TRUE(robot::visibleMenus(GetCurrentProcessId()).empty());

    robot::bringToFront(wizard().window());
    robot::rightClick(inside);
    const HWND menu =
        robot::waitUntil("the context menu", Milliseconds(5000), [&]() -> std::optional<HWND> {
            const auto menus = robot::visibleMenus(program().id());
            if (menus.empty()) {
                return std::nullopt;
            }
            return menus.front();
        });
    const RECT menuRect = robot::windowRect(menu);
    EXPECT_EQ(menuRect.left, inside.x) << "opens at the pointer";
    EXPECT_EQ(menuRect.top, inside.y) << "opens at the pointer";
    // The menu paints as it opens; give it the time the reference had.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const robot::Image shown = robot::captureWindow(menu);
    ASSERT_EQ(shown.width(), reference.width()) << "a menu of one item \"Копировать\"";
    ASSERT_EQ(shown.height(), reference.height()) << "a menu of one item \"Копировать\"";
    EXPECT_LE(differingShare(shown, 0, 0, reference, reference.width(), reference.height(), 8),
              0.005)
        << "the item's looks";
    EXPECT_EQ(robot::visibleMenus(program().id()).size(), 1u);

    robot::tapKey(VK_ESCAPE);
    robot::waitForWindowGone(menu, "the context menu to close", Milliseconds(5000));
    // The system's own edit menu would open once the program's has closed.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(robot::visibleMenus(program().id()).empty())
        << robot::describeWindows(robot::visibleMenus(program().id()));
    EXPECT_EQ(utf8(robot::controlText(edit)), GetParam().id);

    // The one item copies the identifier.
    robot::setClipboardText(L"before");
    robot::bringToFront(wizard().window());
    robot::rightClick(inside);
    const HWND again = robot::waitUntil("the context menu again", Milliseconds(5000),
                                        [&]() -> std::optional<HWND> {
                                            const auto menus = robot::visibleMenus(program().id());
                                            if (menus.empty()) {
                                                return std::nullopt;
                                            }
                                            return menus.front();
                                        });
    robot::leftClick(robot::centreOf(robot::windowRect(again)));
    robot::waitForWindowGone(again, "the context menu to close", Milliseconds(5000));
    robot::waitUntil("the identifier on the clipboard", Milliseconds(5000), [&] {
        const auto text = robot::clipboardText();
        return text && utf8(*text) == GetParam().id;
    });
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreensEdit, ::testing::ValuesIn(kEditCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Navigation keys on a page ---------------------------------------------------------------

class ScreensNavigationKeys : public ScreensTest {};

TEST_F(ScreensNavigationKeys, ChangeNothingOnTheWelcomePage) {
    startWizard();
    int slot = 1;
    for (const WORD key : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END}) {
        SCOPED_TRACE("key " + std::to_string(key));
        wizard().tap(key);
        wizard().tap(key, Modifiers::Ctrl);
        // Had the key moved the slot or the page, the Tab would not lead to the next slot.
        slot = (slot + 1) % 3;
        wizard().tap(VK_TAB);
        expectState(0, slot, "Tab after the key");
    }
}

}  // namespace
}  // namespace velmar::e2e
