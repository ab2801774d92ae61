#include "ui/FormView.h"

namespace velmar::ui {

void switchActivePage(PageControlHost& host, int& activeIndex, int page) {
    if (page == activeIndex) {
        return;
    }
    const int leaving = activeIndex;
    const bool focusWasThere = leaving >= 0 && host.focusWithin(leaving);
    if (focusWasThere) {
        host.focusPage(leaving);
    }
    host.showPage(page);
    host.pageShown(page);
    if (focusWasThere) {
        host.focusPage(page);
    }
    if (leaving >= 0) {
        host.hidePage(leaving);
    }
    activeIndex = page;
    if (host.focusIsPage(page)) {
        host.focusFirstControl(page);
    }
}

}  // namespace velmar::ui
