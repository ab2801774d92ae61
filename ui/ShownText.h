#pragma once

#include <cstddef>

#include "platform/Text.h"

namespace velmar::ui {

// The most an identifier edit is given to show. An edit control lays out its one line again on
// every change and paint, at a cost that grows with the square of the line's length; far beyond
// any real identifier, a driver's oversized answer would freeze the window for minutes.
inline constexpr std::size_t kMaxShownInEdit = 1024;

// What an identifier edit shows of its text: all of it, or the start of an oversized one with an
// ellipsis. The text itself (what the copy takes) is always the whole one.
Text shownInEdit(TextView text);

}  // namespace velmar::ui
