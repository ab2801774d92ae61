#include <gtest/gtest.h>

#include "FakeForm.h"

namespace velmar::testing {
namespace {

using ui::Control;
using ui::Page;
namespace vk = ui::vk;

const std::string kTitle = "VELMAR: Мастер подключения";
const std::string kNotice = "KKM ID скопирован в буфер обмена. | " + kTitle + " | 0x40";

struct EditState {
    Text text;
    int selStart, selLength;
    bool enabled;
    bool operator==(const EditState&) const = default;
};

std::map<Control, EditState> editsOf(const FakeForm& f) {
    std::map<Control, EditState> state;
    for (const auto& [control, e] : f.edits) {
        state[control] = {e.text, e.selStart, e.selLength, e.enabled};
    }
    return state;
}

// The active page alone picks the edit: the warning page's on page 2, the end page's on every
// other; the whole text goes, whatever is selected, and an empty one replaces the old content.
TEST(Copy, SourceChosenByTheActivePage) {
    struct Case {
        Page page;
        std::string tecId, kkmId;
        std::string copied;
    };
    const Case cases[] = {
        {Page::tsWelcome, "TEC-7", "KKM-9", "KKM-9"},
        {Page::tsFirstScreen, "TEC-7", "KKM-9", "KKM-9"},
        {Page::tsWarning, "TEC-7", "KKM-9", "TEC-7"},
        {Page::tsConnection, "TEC-7", "KKM-9", "KKM-9"},
        {Page::tsRegistration, "TEC-7", "KKM-9", "KKM-9"},
        {Page::tsEnd, "TEC-7", "KKM-9", "KKM-9"},
        {Page::tsWarning, "", "KKM-9", ""},
        {Page::tsEnd, "TEC-7", "", ""},
        {Page::tsEnd, "", "Идентификатор № 5\r\n", "Идентификатор № 5\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "page " << int(c.page) << " copies '" << c.copied << "'");
        FakeForm f;
        f.startOn(c.page);
        f.edits.at(Control::edtTecID).text = fromUtf8(c.tecId);
        f.edits.at(Control::edtKKMID).text = fromUtf8(c.kkmId);
        for (auto& [control, e] : f.edits) {
            e.selStart = 1;
            e.selLength = 2;
        }
        f.clipboard = u"прежнее содержимое";
        const auto slots = f.form.fModeForPages;
        const auto edits = editsOf(f);
        f.form.mniCopyToClipboardClick();
        ASSERT_TRUE(f.clipboard.has_value());
        EXPECT_EQ(toUtf8(*f.clipboard), c.copied);
        EXPECT_TRUE(f.form.fMessageEnter);
        EXPECT_EQ(f.active, static_cast<int>(c.page));
        EXPECT_EQ(f.form.fModeForPages, slots);
        EXPECT_TRUE(editsOf(f) == edits);
        EXPECT_TRUE(f.log.empty());
        EXPECT_TRUE(f.boxes.empty());
    }
}

// A clipboard failure ends the copy and its trigger: the error goes on, the flag stays as it was,
// the old content stays and no notice follows; a key trigger leaves its key unconsumed.
TEST(Copy, FailureEndsTheTrigger) {
    enum class Trigger { Menu, CtrlC, Enter };
    struct Case {
        std::string name;
        Trigger trigger;
        Page page;
    };
    const Case cases[] = {
        {"menu on the warning page", Trigger::Menu, Page::tsWarning},
        {"menu on the end page", Trigger::Menu, Page::tsEnd},
        {"Ctrl+C", Trigger::CtrlC, Page::tsEnd},
        {"Enter on the warning page's edit", Trigger::Enter, Page::tsWarning},
        {"Enter on the end page's edit", Trigger::Enter, Page::tsEnd},
    };
    for (const std::string error :
         {"Cannot open clipboard: Access is denied.", "Cannot open clipboard: Отказано в доступе.",
          "Out of system resources"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name + ": " + error);
            FakeForm f;
            f.startOn(c.page, ui::kEditSlot);
            f.clipboard = u"прежнее содержимое";
            f.clipboardError = error;
            std::uint16_t key = 0;
            std::string thrown = "nothing thrown";
            try {
                switch (c.trigger) {
                    case Trigger::Menu:
                        f.form.mniCopyToClipboardClick();
                        break;
                    case Trigger::CtrlC:
                        key = vk::kC;
                        f.form.FormKeyDown(key, {.ctrl = true});
                        break;
                    case Trigger::Enter:
                        key = vk::kReturn;
                        f.form.FormKeyUp(key, {});
                        break;
                }
            } catch (const AppError& e) {
                thrown = toUtf8(e.text());
            }
            EXPECT_EQ(thrown, error);
            EXPECT_FALSE(f.form.fMessageEnter);
            EXPECT_TRUE(f.boxes.empty());
            EXPECT_EQ(toUtf8(*f.clipboard), "прежнее содержимое");
            if (c.trigger != Trigger::Menu) {
                EXPECT_NE(key, 0);
            }
        }
    }
}

// Enter on the edit copies, sets the flag before the notice opens, and the release that closes
// the notice is swallowed; a copy by the menu swallows the next release just the same.
TEST(Copy, NextKeyReleaseIsSwallowed) {
    FakeForm f;
    f.startOn(Page::tsWarning, ui::kEditSlot);
    f.edits.at(Control::edtTecID).text = u"0001112223334445";
    f.keyUp(vk::kReturn);
    EXPECT_EQ(toUtf8(*f.clipboard), "0001112223334445");
    ASSERT_TRUE(sameSequence({kNotice}, f.boxLines()));
    EXPECT_TRUE(f.boxes[0].messageEnterWhenShown);
    f.keyUp(vk::kReturn);
    EXPECT_EQ(f.boxes.size(), 1u);
    EXPECT_EQ(f.slot(), ui::kEditSlot);

    FakeForm g;
    g.startOn(Page::tsEnd, 0);
    g.form.mniCopyToClipboardClick();
    EXPECT_TRUE(g.boxes.empty());
    g.keyUp(vk::kTab);
    EXPECT_EQ(g.slot(), 0);
    g.keyUp(vk::kTab);
    EXPECT_EQ(g.slot(), ui::kEditSlot);
}

}  // namespace
}  // namespace velmar::testing
