#include "ui/ShownText.h"

namespace velmar::ui {

Text shownInEdit(TextView text) {
    if (text.size() <= kMaxShownInEdit) {
        return Text(text);
    }
    std::size_t cut = kMaxShownInEdit;
    // Never half of a surrogate pair.
    if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) {
        --cut;
    }
    return Text(text.substr(0, cut)) + u"\u2026";
}

}  // namespace velmar::ui
