#include "ui/VelmarMaster.h"

#include <exception>

#include "app/Application.h"
#include "app/MessageBoxFlags.h"

namespace velmar::ui {

Page TfrmVelmarMaster::activePage() {
    return static_cast<Page>(view_.activePageIndex());
}

std::uint8_t& TfrmVelmarMaster::activeSlot() {
    return fModeForPages.at(static_cast<std::size_t>(view_.activePageIndex()));
}

void TfrmVelmarMaster::FormShow() {
    fMessageEnter = false;
    view_.applyShowSettings();
    const int pages = view_.pageCount();
    for (int page = 0; page < pages && page < kPageCount; ++page) {
        fModeForPages[static_cast<std::size_t>(page)] = 0;
    }
    std::uint16_t key = vk::kTab;
    FormKeyUp(key, {});
    view_.setActivePage(0);
    RefreshFocus(static_cast<std::uint32_t>(view_.activePageIndex()));
}

void TfrmVelmarMaster::tsConnectionShow() {
    // The page being left is still the active one here: it is reset to its first slot and
    // refreshed before it disappears. A failure here is of no interest to the user.
    try {
        activeSlot() = 0;
        std::uint16_t key = vk::kRefresh;
        FormKeyUp(key, {});
    } catch (const std::exception&) {
    }
}

void TfrmVelmarMaster::FormKeyUp(std::uint16_t& key, ShiftState) {
    if (fMessageEnter) {
        fMessageEnter = false;
        return;
    }
    if (key == vk::kTab || key == vk::kRefresh) {
        const Page page = activePage();
        std::uint8_t& slot = activeSlot();
        if (key == vk::kTab) {
            ++slot;
        }
        slot = applyWrapRule(page, slot);
        RefreshFocus(static_cast<std::uint32_t>(page));
        key = 0;
    } else if (key == vk::kReturn) {
        if (const auto action = enterAction(activePage(), activeSlot())) {
            fire(*action);
        }
        key = 0;
    }
}

void TfrmVelmarMaster::FormKeyDown(std::uint16_t& key, ShiftState shift) {
    constexpr std::uint16_t kNavigation[] = {vk::kEnd,  vk::kHome, vk::kRight,
                                             vk::kLeft, vk::kUp,   vk::kDown};
    for (std::uint16_t code : kNavigation) {
        if (key == code) {
            key = 0;
            return;
        }
    }
    if (activePage() == Page::tsEnd && key == vk::kC && shift.ctrl) {
        mniCopyToClipboardClick();
    }
}

void TfrmVelmarMaster::FormMouseMove(ShiftState, int x, int y) {
    const HoverRow* row = hoverRow(activePage(), activeSlot());
    if (row == nullptr) {
        return;
    }
    bool hit = false;
    for (const auto& test : row->tests) {
        if (!test) {
            continue;
        }
        hit = editLayout(test->control) != nullptr
                  ? HoverEdit(x, y, test->control, test->slotOnHit)
                  : HoverImage(x, y, test->control, test->slotOnHit);
        if (hit) {
            break;
        }
    }
    if (hit) {
        RefreshFocus(static_cast<std::uint32_t>(view_.activePageIndex()));
    }
}

void TfrmVelmarMaster::edtTecIDEnter() {
    std::uint8_t& slot = activeSlot();
    if (slot != kEditSlot) {
        slot = kEditSlot;
    }
    RefreshFocus(static_cast<std::uint32_t>(view_.activePageIndex()));
}

void TfrmVelmarMaster::edtKKMIDKeyDown(std::uint16_t& key, ShiftState) {
    key = 0;
}

void TfrmVelmarMaster::edtKKMIDKeyPress(char16_t& key) {
    key = 0;
}

void TfrmVelmarMaster::RefreshFocus(std::uint32_t pageIndex) {
    if (pageIndex >= kPageCount) {
        return;
    }
    const Page page = static_cast<Page>(pageIndex);
    const std::uint8_t slot = fModeForPages[pageIndex];
    const EditLayout* edit = editOfPage(page);
    if (edit != nullptr) {
        view_.setEnabled(edit->control, true);
    }
    for (const Placement& place : placements(page)) {
        PlaceOverlay(place.control, place.left, slot == place.visibleSlot, place.top);
    }
    if (edit == nullptr) {
        return;
    }
    if (slot == kEditSlot) {
        view_.setSelStart(edit->control, 0);
        view_.setSelLength(edit->control, static_cast<int>(view_.text(edit->control).size()));
        view_.setFocus(edit->control);
    } else {
        view_.setEnabled(edit->control, false);
        view_.setSelLength(edit->control, 0);
    }
}

void TfrmVelmarMaster::PlaceOverlay(Control image, int left, bool visible, int top) {
    view_.setVisible(image, visible);
    view_.setLeft(image, left);
    view_.setTop(image, top);
}

bool TfrmVelmarMaster::hitTest(int x, int y, Control control, std::uint8_t slot) {
    // Both upper bounds are inclusive: the tested rectangle is a pixel wider and taller than the
    // control. Visibility plays no part.
    const Rect r = view_.bounds(control);
    if (r.left <= x && x <= r.left + r.width && r.top <= y && y <= r.top + r.height) {
        activeSlot() = slot;
        return true;
    }
    return false;
}

bool TfrmVelmarMaster::HoverImage(int x, int y, Control image, std::uint8_t slot) {
    return hitTest(x, y, image, slot);
}

bool TfrmVelmarMaster::HoverEdit(int x, int y, Control edit, std::uint8_t slot) {
    return hitTest(x, y, edit, slot);
}

void TfrmVelmarMaster::fire(Action action) {
    switch (action) {
        case Action::lblEnableClick:
            return lblEnableClick();
        case Action::lblShowDocClick:
            return lblShowDocClick();
        case Action::lblCloseClick:
            return lblCloseClick();
        case Action::lblNextClick:
            return lblNextClick();
        case Action::lblCn_NextClick:
            return lblCn_NextClick();
        case Action::lblCn_BackClick:
            return lblCn_BackClick();
        case Action::lblReg_NextClick:
            return lblReg_NextClick();
        case Action::lblReg_BackClick:
            return lblReg_BackClick();
        case Action::lblEndClick:
            return lblEndClick();
        case Action::CopyWithNotice:
            mniCopyToClipboardClick();
            services_.messageBox(kCopyNotice, app::kApplicationTitle,
                                 mb::kOk | mb::kIconInformation);
            return;
    }
}

}  // namespace velmar::ui
