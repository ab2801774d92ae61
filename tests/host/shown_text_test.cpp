#include "ui/ShownText.h"

#include <gtest/gtest.h>

namespace velmar::ui {
namespace {

Text digits(std::size_t length) {
    Text text(length, u'0');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = static_cast<char16_t>(u'0' + i % 10);
    }
    return text;
}

TEST(ShownInEdit, ShowsARealIdentifierAndAnythingUpToTheLimitWhole) {
    for (const Text& text :
         {Text(), Text(u"1234567890"), Text(u"0000111122223333"), digits(kMaxShownInEdit)}) {
        EXPECT_EQ(shownInEdit(text), text);
    }
}

TEST(ShownInEdit, ShowsTheStartOfAnOversizedTextWithAnEllipsis) {
    const Text text = digits(1 << 20);
    const Text shown = shownInEdit(text);
    ASSERT_EQ(shown.size(), kMaxShownInEdit + 1);
    EXPECT_EQ(shown.substr(0, kMaxShownInEdit), text.substr(0, kMaxShownInEdit));
    EXPECT_EQ(shown.back(), u'\u2026');
    EXPECT_EQ(shownInEdit(digits(kMaxShownInEdit + 1)).size(), kMaxShownInEdit + 1);
}

TEST(ShownInEdit, NeverCutsASurrogatePairInTwo) {
    // U+1D7D8 (a mathematical digit) at the limit: its pair would straddle the cut.
    Text text = digits(kMaxShownInEdit - 1) + u"\U0001D7D8" + digits(10);
    const Text shown = shownInEdit(text);
    EXPECT_EQ(shown, digits(kMaxShownInEdit - 1) + u"\u2026");
}

}  // namespace
}  // namespace velmar::ui
