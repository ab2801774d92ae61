#include "tools/robot/PopupMenu_win.h"

#include <stdexcept>
#include <string>

#include "tools/robot/Input_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::robot {

HWND waitForPopupMenu(const Process& process, Milliseconds limit, std::string_view what) {
    return waitForWindow(process, what, withClass(kPopupMenuClass), limit);
}

void clickPopupMenuItem(HWND menu, int index, int itemCount) {
    if (itemCount <= 0 || index < 0 || index >= itemCount) {
        throw std::invalid_argument("no item " + std::to_string(index) + " of " +
                                    std::to_string(itemCount));
    }
    const RECT r = clientRectOnScreen(menu);
    const int itemHeight = heightOf(r) / itemCount;
    const POINT middle{(r.left + r.right) / 2, r.top + index * itemHeight + itemHeight / 2};
    leftClick(middle);
    waitForWindowGone(menu,
                      "the popup menu to close after a click on item " + std::to_string(index),
                      Milliseconds(5000));
}

}  // namespace velmar::robot
