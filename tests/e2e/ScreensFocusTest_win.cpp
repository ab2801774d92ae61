// The highlight as the user moves it: Tab releases, the pointer over the page, the pointer's
// shape.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/ScreensHarness_win.h"
#include "tools/robot/Controls_win.h"
#include "tools/robot/Input_win.h"
#include "tools/robot/Text_win.h"

namespace velmar::e2e {
namespace {

using robot::Modifiers;

constexpr char kWarningId[] = "0123456789AB";  // on page 2 the edit holds it: 12 characters

// One key and the screen it must lead to.
struct KeyStep {
    WORD key;
    Modifiers modifiers;
    int page;
    int slot;
};

constexpr KeyStep tab(int page, int slot) {
    return {VK_TAB, Modifiers::None, page, slot};
}
constexpr KeyStep enter(int page, int slot) {
    return {VK_RETURN, Modifiers::None, page, slot};
}

struct Walk {
    const char* name;
    std::vector<std::string> (*scenario)();
    std::vector<KeyStep> steps;  // from the first display (page 0, slot 1)
};

void PrintTo(const Walk& walk, std::ostream* out) {
    *out << walk.name;
}

std::vector<std::string> newRegister() {
    return newRegisterScenario();
}
std::vector<std::string> registered() {
    return registeredScenario(kWarningId);
}

const Walk kWalks[] = {
    {"Welcome", newRegister, {tab(0, 2), tab(0, 0), tab(0, 1), tab(0, 2), tab(0, 0)}},
    {"WelcomeWithShiftTabGoingForward",
     newRegister,
     {{VK_TAB, Modifiers::Shift, 0, 2}, {VK_TAB, Modifiers::Shift, 0, 0}, tab(0, 1)}},
    {"FirstScreen", newRegister, {tab(0, 2), tab(0, 0), enter(1, 0), tab(1, 1), tab(1, 0)}},
    {"WarningThroughTheEdit",
     registered,
     {tab(0, 2), tab(0, 0), enter(2, 0), tab(2, 1), tab(2, 3), tab(2, 0), tab(2, 1), tab(2, 3)}},
    {"Connection",
     newRegister,
     {tab(0, 2), tab(0, 0), enter(1, 0), enter(3, 0), tab(3, 1), tab(3, 2), tab(3, 0)}},
    {"ConnectionFromTheWarning",
     registered,
     {tab(0, 2), tab(0, 0), enter(2, 0), enter(3, 0), tab(3, 1), tab(3, 2), tab(3, 0)}},
};

class ScreensTabWalk : public ScreensTest, public ::testing::WithParamInterface<Walk> {};

TEST_P(ScreensTabWalk, TheHighlightFollowsEachRelease) {
    startWizard(GetParam().scenario());
    int number = 0;
    for (const KeyStep& step : GetParam().steps) {
        const std::string what = "step " + std::to_string(++number) + ": page " +
                                 std::to_string(step.page) + " slot " + std::to_string(step.slot);
        wizard().tap(step.key, step.modifiers);
        expectState(step.page, step.slot, what, step.page == 2 ? 12 : 10);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreensTabWalk, ::testing::ValuesIn(kWalks),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The edit's slot on the warning page -----------------------------------------------------

class ScreensWarningEdit : public ScreensTest {};

TEST_F(ScreensWarningEdit, TabToSlot3FocusesTheEditWithItsWholeTextSelected) {
    startWizard(registeredScenario(kWarningId));
    for (const KeyStep& step : {tab(0, 2), tab(0, 0), enter(2, 0), tab(2, 1)}) {
        wizard().tap(step.key, step.modifiers);
        expectState(step.page, step.slot, "on the way to the warning page's edit", 12);
    }
    const HWND edit = wizard().edit(2);
    EXPECT_EQ(robot::utf8(robot::controlText(edit)), kWarningId);
    EXPECT_FALSE(IsWindowEnabled(edit));

    wizard().tap(VK_TAB);
    expectState(2, 3, "slot 3", 12);
    EXPECT_TRUE(IsWindowEnabled(edit));
    EXPECT_EQ(robot::focusOfThreadOf(wizard().window()), edit);
    EXPECT_EQ(robot::editSelection(edit), (robot::EditSelection{0, 12}));
    // The selection shows: the edit's inside is mostly the highlight colour now.
    const robot::Image client = wizard().capture();
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const robot::Rgb selected{GetRValue(highlight), GetGValue(highlight), GetBValue(highlight)};
    const ExpectedEdit& expected = *expectedEditOfPage(2);
    int highlighted = 0;
    for (int x = expected.bounds.left; x < expected.bounds.right; ++x) {
        highlighted +=
            client.pixel(x + kPageLeft,
                         (expected.bounds.top + expected.bounds.bottom) / 2 + kPageTop) == selected
                ? 1
                : 0;
    }
    EXPECT_GT(highlighted, 20) << "pixels in the highlight colour across the edit's middle";
}

// --- Pages entered without a refresh ---------------------------------------------------------

class ScreensEnteredWithoutRefresh : public ScreensTest {};

// After a step that set the message flag, the next release is swallowed: the screen stays.
void expectSwallowed(const WizardWindow& wizard, WORD key, const char* what) {
    const robot::Image before = wizard.capture();
    const std::string beforeState = wizard.observe(before).describe();
    wizard.tap(key);
    // Nothing to wait for when nothing is to happen: give the program time to act wrongly.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const robot::Image after = wizard.capture();
    EXPECT_EQ(differingShare(after, 0, 0, before, before.width(), before.height(), 0), 0.0)
        << what << ": before " << beforeState << "; after " << wizard.observe(after).describe();
    EXPECT_EQ(wizard.observe(after).describe(), beforeState) << what;
}

TEST_F(ScreensEnteredWithoutRefresh, RegistrationAndEndShowTheirFormStateUntilTheirFirstRefresh) {
    startWizard(registrationScenario("K-00042"));
    for (const KeyStep& step : {tab(0, 2), tab(0, 0), enter(1, 0), enter(3, 0)}) {
        wizard().tap(step.key, step.modifiers);
        expectState(step.page, step.slot, "on the way to the registration page");
    }

    // Next on the connection page opens page 4 and leaves it as the form laid it out: the Next
    // highlight at its layout place (392, 522), 89 columns of it.
    wizard().tap(VK_RETURN);
    const ExpectedOverlay& next = expectedOverlay("imgReg_Next");
    const SIZE part = visiblePart(next);
    EXPECT_EQ(part.cx, 89);
    robot::waitUntil("page 4 with imgReg_Next at its layout place", Milliseconds(8000), [&] {
        const robot::Image client = wizard().capture();
        return differingShare(client, next.formPlace.x + kPageLeft, next.formPlace.y + kPageTop,
                              assetPicture(next.picture), part.cx, part.cy) <= 0.02;
    });
    EXPECT_EQ(wizard().observe().page, 4);

    expectSwallowed(wizard(), VK_TAB, "the first Tab on page 4");
    wizard().tap(VK_TAB);
    expectState(4, 1, "the second Tab on page 4");
    wizard().tap(VK_TAB);
    expectState(4, 2, "Tab on page 4");
    wizard().tap(VK_TAB);
    expectState(4, 0, "Tab on page 4");

    // Next on page 4 registers and opens page 5 with the new identifier; its edit is still
    // enabled from the form's creation.
    wizard().tap(VK_RETURN);
    ScreenState entered = expectedState(5, 0, 7);
    entered.editEnabled = true;
    expectState(entered, "page 5 as the form left it");
    EXPECT_EQ(robot::utf8(robot::controlText(wizard().edit(5))), "K-00042");

    expectSwallowed(wizard(), VK_TAB, "the first Tab on page 5");
    wizard().tap(VK_TAB);
    expectState(5, 3, "the second Tab on page 5", 7);
    wizard().tap(VK_TAB);
    expectState(5, 0, "Tab on page 5", 7);
    wizard().tap(VK_TAB);
    expectState(5, 3, "Tab on page 5", 7);
}

// --- The pointer over page 0 ------------------------------------------------------------------

struct HoverCase {
    const char* name;
    int startSlot;
    std::vector<POINT> path;  // page points, visited in order
    int slotAfter;
};

void PrintTo(const HoverCase& c, std::ostream* out) {
    *out << c.name;
}

// With slot 0 imgEnable is shown, and the hidden imgClose (667, 24, 103 x 31) and imgDoc
// (525, 440, 176 x 43) are tested with both far edges inclusive.
const HoverCase kHoverCases[] = {
    {"CloseFarCornerIsInside", 0, {{770, 55}}, 2},
    {"RightOfCloseIsOutside", 0, {{771, 55}}, 0},
    {"BelowCloseIsOutside", 0, {{770, 56}}, 0},
    {"CloseNearCorner", 0, {{667, 24}}, 2},
    {"LeftOfCloseIsOutside", 0, {{666, 30}}, 0},
    {"InsideInstruction", 0, {{700, 460}}, 1},
    {"InstructionFarCornerIsInside", 0, {{701, 483}}, 1},
    {"BelowInstructionIsOutside", 0, {{600, 484}}, 0},
    {"ConnectFarCornerFromSlot1", 1, {{642, 290}}, 0},
    {"RightOfConnectFromSlot1", 1, {{643, 290}}, 1},
    {"OverTheShownOverlayItself", 1, {{600, 460}}, 1},
    {"OffEveryRectangleKeepsTheLastSlot", 0, {{770, 55}, {400, 150}, {100, 500}}, 2},
    {"FromCloseToConnect", 2, {{700, 40}, {500, 260}}, 0},
};

class ScreensHover : public ScreensTest, public ::testing::WithParamInterface<HoverCase> {};

TEST_P(ScreensHover, EdgePointsOnTheWelcomePage) {
    const HoverCase& c = GetParam();
    startWizard();
    // From slot 1 Tab walks 2, 0, 1.
    for (int slot = 1; slot != c.startSlot;) {
        slot = (slot + 1) % 3;
        wizard().tap(VK_TAB);
        expectState(0, slot, "the case's starting slot");
    }
    for (const POINT point : c.path) {
        wizard().moveTo(point);
    }
    if (c.slotAfter != c.startSlot) {
        expectState(0, c.slotAfter, "after the pointer's path");
        return;
    }
    // Nothing to see when nothing changes: the next Tab must start from the same slot, which it
    // would not if the moves had been taken for hits.
    wizard().tap(VK_TAB);
    expectState(0, (c.startSlot + 1) % 3, "Tab after the pointer's path");
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreensHover, ::testing::ValuesIn(kHoverCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The pointer's shape ----------------------------------------------------------------------

class ScreensPointer : public ScreensTest {};

TEST_F(ScreensPointer, HandOverTheOverlaysAndTheArrowOverTheConnectionPagesBack) {
    startWizard();
    // The arrow as the program shows it: over the frame around the pages.
    wizard().moveTo({-3, 300});
    wizard().moveTo({-2, 300});
    const HCURSOR arrow = robot::currentCursor();
    ASSERT_NE(arrow, nullptr);

    // imgDoc is shown on the first display.
    wizard().moveTo({600, 460});
    wizard().moveTo({601, 460});
    const HCURSOR hand = robot::currentCursor();
    EXPECT_NE(hand, arrow) << "over imgDoc";

    for (const KeyStep& step : {tab(0, 2), tab(0, 0), enter(1, 0), enter(3, 0)}) {
        wizard().tap(step.key, step.modifiers);
        expectState(step.page, step.slot, "on the way to the connection page");
    }
    struct Place {
        const char* overlay;
        POINT point;
        int slot;  // the pointer's move there highlights it
        bool hand;
    };
    const Place kPlaces[] = {
        {"imgCn_Return", {250, 535}, 2, false},
        {"imgCn_Next", {430, 535}, 0, true},
        {"imgCn_Cancel", {660, 535}, 1, true},
        {"imgCn_Return", {240, 530}, 2, false},
    };
    for (const Place& place : kPlaces) {
        SCOPED_TRACE(place.overlay);
        wizard().moveTo(place.point);
        expectState(3, place.slot, std::string("the pointer over ") + place.overlay);
        // The shape is chosen as the pointer moves over what is shown now.
        wizard().moveTo({place.point.x + 1, place.point.y});
        EXPECT_EQ(robot::currentCursor(), place.hand ? hand : arrow)
            << (place.hand ? "the hand" : "the arrow");
    }
    wizard().moveTo({400, 300});
    wizard().moveTo({401, 300});
    EXPECT_EQ(robot::currentCursor(), arrow) << "over the background";
}

}  // namespace
}  // namespace velmar::e2e
