#include <gtest/gtest.h>

#include "FakeForm.h"

namespace velmar::testing {
namespace {

using ui::Control;
using ui::Page;
namespace vk = ui::vk;

using Shown = std::vector<std::string>;

// A form shown on the given page with the given slot, as if the user had got there.
void goTo(FakeForm& f, Page page, std::uint8_t slot) {
    f.active = static_cast<int>(page);
    f.form.fModeForPages[static_cast<std::size_t>(page)] = slot;
    f.form.RefreshFocus(static_cast<std::uint32_t>(page));
    f.log.clear();
}

TEST(FirstDisplay, OpensOnWelcomeWithTheInstructionHighlighted) {
    FakeForm f;
    f.showWindow();
    EXPECT_EQ(f.active, 0);
    EXPECT_EQ(f.slot(), 1);
    EXPECT_EQ(f.shownOn(Page::tsWelcome), Shown{"imgDoc"});
    EXPECT_EQ(f.overlays.at(Control::imgDoc).left, 525);
    EXPECT_EQ(f.overlays.at(Control::imgDoc).top, 440);
    for (int page = 0; page < ui::kPageCount; ++page) {
        EXPECT_EQ(f.form.fModeForPages[static_cast<std::size_t>(page)], page == 0 ? 1 : 0);
    }
    // The page's show handling runs before the window's, and the first page is already active.
    EXPECT_TRUE(sameSequence(
        {
            "place imgEnable shown 364,233",
            "place imgDoc hidden 525,440",
            "place imgClose hidden 667,24",
            "show settings",
            "place imgEnable hidden 364,233",
            "place imgDoc shown 525,440",
            "place imgClose hidden 667,24",
            "place imgEnable hidden 364,233",
            "place imgDoc shown 525,440",
            "place imgClose hidden 667,24",
        },
        f.log));
}

// Tab walks every page's cycle from every slot it can hold (and from those it never holds);
// after each release exactly the slot's overlay shows, and the edit is live only on slot 3.
TEST(TabRelease, WalksEachPagesCycle) {
    struct Case {
        Page page;
        std::uint8_t from, to;
        Shown shown;
    };
    const Case cases[] = {
        {Page::tsWelcome, 0, 1, {"imgDoc"}},
        {Page::tsWelcome, 1, 2, {"imgClose"}},
        {Page::tsWelcome, 2, 0, {"imgEnable"}},
        {Page::tsFirstScreen, 0, 1, {"imgFS_Close"}},
        {Page::tsFirstScreen, 1, 0, {"imgFS_Next"}},
        {Page::tsWarning, 0, 1, {"imgW_Cancel"}},
        {Page::tsWarning, 1, 3, {"edtTecID enabled"}},
        {Page::tsWarning, 2, 3, {"edtTecID enabled"}},
        {Page::tsWarning, 3, 0, {"imgW_Rereg"}},
        {Page::tsConnection, 0, 1, {"imgCn_Cancel"}},
        {Page::tsConnection, 1, 2, {"imgCn_Return"}},
        {Page::tsConnection, 2, 0, {"imgCn_Next"}},
        {Page::tsRegistration, 0, 1, {"imgReg_Cancel"}},
        {Page::tsRegistration, 1, 2, {"imgReg_Return"}},
        {Page::tsRegistration, 2, 0, {"imgReg_Next"}},
        {Page::tsEnd, 0, 3, {"edtKKMID enabled"}},
        {Page::tsEnd, 2, 3, {"edtKKMID enabled"}},
        {Page::tsEnd, 3, 0, {"imgOK"}},
        {Page::tsEnd, 255, 0, {"imgOK"}},  // the byte wraps to 0 and stays a valid slot
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "page " << int(c.page) << " slot " << int(c.from));
        FakeForm f;
        goTo(f, c.page, c.from);
        f.keyUp(vk::kTab);
        EXPECT_EQ(f.slot(), c.to);
        EXPECT_EQ(f.shownOn(c.page), c.shown);
        const auto* edit = ui::editOfPage(c.page);
        if (edit != nullptr) {
            const auto& e = f.edits.at(edit->control);
            const bool editSlot = c.to == ui::kEditSlot;
            EXPECT_EQ(f.focus.kind == FakeForm::FocusKind::Edit, editSlot);
            EXPECT_EQ(e.selLength, editSlot ? 10 : 0);
        }
    }
}

TEST(KeyRelease, TabWithModifiersAndRefreshCode) {
    FakeForm f;
    goTo(f, Page::tsConnection, 1);
    f.keyUp(vk::kTab, {.shift = true});
    EXPECT_EQ(f.slot(), 2);  // Shift+Tab moves forward too
    std::uint16_t key = vk::kRefresh;
    f.form.FormKeyUp(key, {});
    EXPECT_EQ(f.slot(), 2);  // 95 refreshes without advancing
    EXPECT_EQ(key, 0);
    key = 'A';
    f.form.FormKeyUp(key, {});
    EXPECT_EQ(key, 'A');  // other keys pass through
    EXPECT_EQ(f.shownOn(Page::tsConnection), Shown{"imgCn_Return"});
}

TEST(KeyRelease, MessageFlagSwallowsExactlyOneRelease) {
    FakeForm f;
    goTo(f, Page::tsWelcome, 0);
    f.form.fMessageEnter = true;
    std::uint16_t key = vk::kTab;
    f.form.FormKeyUp(key, {});
    EXPECT_EQ(key, vk::kTab);  // swallowed, yet not consumed
    EXPECT_FALSE(f.form.fMessageEnter);
    EXPECT_EQ(f.slot(), 0);
    EXPECT_TRUE(f.log.empty());
    f.keyUp(vk::kTab);
    EXPECT_EQ(f.slot(), 1);
}

// Enter fires the entry of its page and slot, whether or not the overlay shows; the effect seen
// first tells which handler ran.
TEST(EnterRelease, FiresTheTableEntry) {
    struct Case {
        Page page;
        std::uint8_t slot;
        std::string effect;
    };
    const Case cases[] = {
        {Page::tsWelcome, 0, "driver GetCloudCashdeskParams"},
        {Page::tsWelcome, 1, "shell"},
        {Page::tsWelcome, 2, "box Выйти из мастера настройки подключения к сервису \"Велмар\" ?"},
        {Page::tsWelcome, 3, "nothing"},
        {Page::tsFirstScreen, 0, "page 3"},
        {Page::tsFirstScreen, 1,
         "box Выйти из мастера настройки подключения к сервису \"Велмар\" ?"},
        {Page::tsFirstScreen, 2, "nothing"},
        {Page::tsWarning, 0, "page 3"},
        {Page::tsWarning, 1, "box Выйти из мастера настройки подключения к сервису \"Велмар\" ?"},
        {Page::tsWarning, 2, "nothing"},
        {Page::tsWarning, 3, "clipboard 1234567890, box KKM ID скопирован в буфер обмена."},
        {Page::tsConnection, 0, "driver ShowProperties"},
        {Page::tsConnection, 1,
         "box Выйти из мастера настройки подключения к сервису \"Велмар\" ?"},
        {Page::tsConnection, 2, "driver GetCloudCashdeskParams"},
        {Page::tsConnection, 3, "nothing"},
        {Page::tsRegistration, 0, "driver ParentWnd=4267"},
        {Page::tsRegistration, 1,
         "box Выйти из мастера настройки подключения к сервису \"Велмар\" ?"},
        {Page::tsRegistration, 2, "page 3"},
        {Page::tsEnd, 0, "close"},
        {Page::tsEnd, 1, "nothing"},
        {Page::tsEnd, 3, "clipboard 1234567890, box KKM ID скопирован в буфер обмена."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "page " << int(c.page) << " slot " << int(c.slot));
        FakeForm f;
        goTo(f, c.page, c.slot);
        f.boxAnswers = {mb::kIdCancel};
        const int before = f.active;
        std::uint16_t key = vk::kReturn;
        f.form.FormKeyUp(key, {.ctrl = true});
        EXPECT_EQ(key, 0);
        std::string effect = "nothing";
        if (!f.driverFake.calls.empty()) {
            effect = "driver " + f.driverFake.calls.front();
        } else if (!f.shellRequests.empty()) {
            effect = "shell";
        } else if (f.clipboard) {
            effect = "clipboard " + toUtf8(*f.clipboard) + ", box " + f.boxes.at(0).text;
        } else if (!f.boxes.empty()) {
            effect = "box " + f.boxes.at(0).text;
        } else if (f.closed) {
            effect = "close";
        } else if (f.active != before) {
            effect = "page " + std::to_string(f.active);
        }
        EXPECT_EQ(effect, c.effect);
    }
}

TEST(EnterRelease, CopyNoticeIsAnInformationBoxAndItsEnterFiresNothing) {
    FakeForm f;
    goTo(f, Page::tsEnd, 3);
    f.keyUp(vk::kReturn);
    ASSERT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.boxes[0].caption, "VELMAR: Мастер подключения");
    EXPECT_EQ(f.boxes[0].flags, 0x40u);
    // The Enter that closed the notice is released on the window: swallowed, slot 3 stays.
    f.keyUp(vk::kReturn);
    EXPECT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.slot(), 3);
}

TEST(KeyPress, NavigationKeysConsumedAndCtrlCCopiesOnlyOnTheEndPage) {
    for (std::uint16_t code : {vk::kEnd, vk::kHome, vk::kLeft, vk::kUp, vk::kRight, vk::kDown}) {
        FakeForm f;
        goTo(f, Page::tsEnd, 3);
        std::uint16_t key = code;
        f.form.FormKeyDown(key, {});
        EXPECT_EQ(key, 0);
        EXPECT_EQ(f.active, 5);
    }
    struct Case {
        Page page;
        ui::ShiftState shift;
        bool copies;
    };
    const Case cases[] = {
        {Page::tsEnd, {.ctrl = true}, true},
        {Page::tsEnd, {.shift = true, .ctrl = true}, true},
        {Page::tsEnd, {.ctrl = true, .alt = true}, true},
        {Page::tsEnd, {}, false},
        {Page::tsWarning, {.ctrl = true}, false},
    };
    for (const auto& c : cases) {
        FakeForm f;
        goTo(f, c.page, 0);
        f.edits.at(Control::edtKKMID).text = u"0001112223334445";
        std::uint16_t key = vk::kC;
        f.form.FormKeyDown(key, c.shift);
        EXPECT_EQ(key, vk::kC);  // never consumed
        EXPECT_EQ(f.clipboard.has_value(), c.copies);
        EXPECT_TRUE(f.boxes.empty());  // no notice for Ctrl+C
        EXPECT_EQ(f.form.fMessageEnter, c.copies);
    }
}

TEST(EditHandlers, DiscardEveryKeyAndCharacter) {
    FakeForm f;
    for (std::uint16_t code : {std::uint16_t{0x2E}, std::uint16_t{0x08}, std::uint16_t{'V'},
                               std::uint16_t{0x2D}, std::uint16_t{'A'}}) {
        std::uint16_t key = code;
        f.form.edtKKMIDKeyDown(key, {.ctrl = true});
        EXPECT_EQ(key, 0);
    }
    char16_t ch = u'ж';
    f.form.edtKKMIDKeyPress(ch);
    EXPECT_EQ(ch, 0);
}

TEST(EditHandlers, ClickInEnabledEditSelectsAllAgain) {
    FakeForm f;
    goTo(f, Page::tsWarning, 3);
    f.edits.at(Control::edtTecID).selStart = 4;
    f.edits.at(Control::edtTecID).selLength = 1;
    f.form.edtTecIDEnter();
    EXPECT_EQ(f.edits.at(Control::edtTecID).selStart, 0);
    EXPECT_EQ(f.edits.at(Control::edtTecID).selLength, 10);
}

// Focusing the edit raises its entry event, which refreshes once more, nested, and stops there.
TEST(EditHandlers, RefreshOnEditSlotNestsOnce) {
    FakeForm f;
    goTo(f, Page::tsWarning, 1);
    f.keyUp(vk::kTab);
    EXPECT_TRUE(sameSequence(
        {
            "place imgW_Rereg hidden 365,528",
            "place imgW_Cancel hidden 624,522",
            "focus edtTecID",
            "place imgW_Rereg hidden 365,528",
            "place imgW_Cancel hidden 624,522",
        },
        f.log));
}

// The hover rectangles include their right and bottom edges; the first hit of the row wins.
TEST(MouseMove, HitsTableRectanglesWithInclusiveBounds) {
    struct Case {
        Page page;
        std::uint8_t slot;
        int x, y;
        std::uint8_t expected;
    };
    const Case cases[] = {
        {Page::tsWelcome, 0, 770, 55, 2},   // imgClose at 667,24 103x31: right edge 770
        {Page::tsWelcome, 0, 771, 55, 0},   // just outside
        {Page::tsWelcome, 0, 700, 460, 1},  // imgDoc
        {Page::tsWelcome, 0, 667, 24, 2},
        {Page::tsWelcome, 1, 400, 250, 0},
        {Page::tsWelcome, 2, 10, 10, 2},  // nothing hit: the last slot stays
        {Page::tsFirstScreen, 0, 650, 530, 1},
        {Page::tsFirstScreen, 1, 420, 530, 0},
        {Page::tsWarning, 0, 100, 210, 3},  // onto the disabled edit
        {Page::tsWarning, 3, 640, 530, 1},
        {Page::tsConnection, 0, 250, 530, 2},
        {Page::tsConnection, 2, 400, 530, 0},
        {Page::tsRegistration, 0, 400, 530, 0},  // slot 0 does not test imgReg_Next
        {Page::tsRegistration, 0, 630, 530, 1},
        {Page::tsEnd, 0, 300, 180, 3},
        {Page::tsEnd, 3, 650, 540, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "page " << int(c.page) << " at " << c.x << "," << c.y);
        FakeForm f;
        goTo(f, c.page, c.slot);
        f.form.FormMouseMove({}, c.x, c.y);
        EXPECT_EQ(f.slot(), c.expected);
    }
}

TEST(MouseMove, OntoDisabledEndEditFocusesIt) {
    FakeForm f;
    goTo(f, Page::tsEnd, 0);
    EXPECT_TRUE(f.mouseMove(300, 180));  // disabled: the background hears the move
    EXPECT_EQ(f.slot(), 3);
    EXPECT_EQ(f.shownOn(Page::tsEnd), Shown{"edtKKMID enabled"});
    EXPECT_EQ(f.focus.kind, FakeForm::FocusKind::Edit);
    EXPECT_FALSE(f.mouseMove(300, 180));  // now enabled, it covers its own rectangle
}

// A switch shows the new page first; its show event sees the old page still active and resets
// and refreshes that one; the new page keeps its state until the action refreshes it.
TEST(PageSwitch, ShowEventRunsWhileThePageBeingLeftIsActive) {
    FakeForm f;
    goTo(f, Page::tsFirstScreen, 1);
    f.keyUp(vk::kReturn);  // slot 1 is Cancel: answer the confirmation with Cancel
    f.log.clear();
    f.boxes.clear();
    f.form.fMessageEnter = false;
    f.form.fModeForPages[1] = 0;
    f.form.RefreshFocus(1);
    f.log.clear();
    f.click(Control::imgFS_Next);
    EXPECT_TRUE(sameSequence(
        {
            "show page 3",
            "page 3 shown, active 1",
            "place imgFS_Next shown 400,525",
            "place imgFS_Close hidden 624,522",
            "hide page 1",
            "place imgCn_Next shown 390,523",
            "place imgCn_Cancel hidden 624,522",
            "place imgCn_Return hidden 213,524",
        },
        f.log));
}

TEST(PageSwitch, PageLeftWhileMessageFlagIsSetKeepsItsHighlight) {
    // Mouse only: the connection step opens page 4 and sets the flag; the user hovers and clicks
    // Back; the switch's refresh of page 4 is swallowed, so page 4 keeps Back shown at slot 0.
    FakeForm f;
    f.showWindow();
    f.active = 3;
    f.driverFake.set("UDescription", {std::string("ККМ-Тест")});
    f.click(Control::imgCn_Next);
    ASSERT_EQ(f.active, 4);
    EXPECT_TRUE(f.form.fMessageEnter);
    EXPECT_EQ(f.shownOn(Page::tsRegistration), Shown{"imgReg_Next"});  // as the form made it
    EXPECT_TRUE(f.mouseMove(210, 530));  // Back, hidden at its form place 208,523
    EXPECT_EQ(f.slot(), 2);
    EXPECT_EQ(f.shownOn(Page::tsRegistration), Shown{"imgReg_Return"});
    f.click(Control::imgReg_Return);
    ASSERT_EQ(f.active, 3);
    EXPECT_FALSE(f.form.fMessageEnter);  // the show event's release took it
    EXPECT_EQ(f.form.fModeForPages[4], 0);
    EXPECT_EQ(f.shownOn(Page::tsRegistration), Shown{"imgReg_Return"});

    f.click(Control::imgCn_Next);
    ASSERT_EQ(f.active, 4);
    EXPECT_EQ(f.shownOn(Page::tsRegistration), Shown{"imgReg_Return"});
    EXPECT_EQ(f.slot(), 0);
    // Over the hidden Next the background hears the move, but slot 0 does not test Next.
    EXPECT_TRUE(f.mouseMove(400, 530));
    EXPECT_EQ(f.slot(), 0);
    EXPECT_EQ(f.shownOn(Page::tsRegistration), Shown{"imgReg_Return"});
    // Enter, once a release has used up the flag, fires the slot's action, not the highlight's.
    f.keyUp(vk::kTab);
    ASSERT_FALSE(f.form.fMessageEnter);
    EXPECT_EQ(f.slot(), 0);
    f.driverFake.calls.clear();
    f.boxAnswers = {mb::kIdCancel};  // the registration warning ends the loop
    f.keyUp(vk::kReturn);
    ASSERT_FALSE(f.driverFake.calls.empty());
    EXPECT_EQ(f.driverFake.calls.front(), "ParentWnd=4267");  // lblReg_NextClick ran
}

TEST(PageSwitch, StaleHighlightGivesWayToHover) {
    FakeForm f;
    f.active = 4;
    f.form.fModeForPages[4] = 0;
    f.setVisible(Control::imgReg_Next, false);
    f.setVisible(Control::imgReg_Return, true);
    EXPECT_TRUE(f.mouseMove(630, 530));  // onto the hidden Cancel at its form place
    EXPECT_EQ(f.slot(), 1);
    EXPECT_EQ(f.shownOn(Page::tsRegistration), Shown{"imgReg_Cancel"});
}

TEST(RefreshFocus, IgnoresPagesOutOfRange) {
    FakeForm f;
    f.form.RefreshFocus(6);
    f.form.RefreshFocus(0xFFFFFFFFu);
    EXPECT_TRUE(f.log.empty());
}

}  // namespace
}  // namespace velmar::testing
