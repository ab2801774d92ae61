#pragma once

#include <windows.h>

#include <string_view>

#include "tools/robot/Process_win.h"

namespace velmar::robot {

inline constexpr wchar_t kPopupMenuClass[] = L"#32768";

// Waits for a visible popup menu of the process (TrackPopupMenu's window).
HWND waitForPopupMenu(const Process& process, Milliseconds limit,
                      std::string_view what = "a popup menu");

// Another process's menu items cannot be read, so the items are told by their place: a menu of
// `itemCount` items of equal height (no separators), the item `index` from the top. Clicks it and
// waits until the menu has closed.
void clickPopupMenuItem(HWND menu, int index, int itemCount);

}  // namespace velmar::robot
