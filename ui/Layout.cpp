#include "ui/Layout.h"

#include <cmath>

namespace velmar::ui {
namespace {

using A = Action;
using C = Control;
using P = Page;
using Pic = Picture;

constexpr OverlayLayout kOverlays[] = {
    {P::tsWelcome,
     C::imgClose,
     Pic::Close,
     {670, 24, 103, 31},
     Pointer::Hand,
     true,
     A::lblCloseClick},
    {P::tsWelcome,
     C::imgEnable,
     Pic::Connect,
     {364, 233, 278, 57},
     Pointer::Hand,
     true,
     A::lblEnableClick},
    {P::tsWelcome,
     C::imgDoc,
     Pic::Instruction,
     {525, 436, 176, 43},
     Pointer::Hand,
     true,
     A::lblShowDocClick},
    {P::tsFirstScreen,
     C::imgFS_Next,
     Pic::Next,
     {400, 522, 97, 26},
     Pointer::Hand,
     true,
     A::lblNextClick},
    {P::tsFirstScreen,
     C::imgFS_Close,
     Pic::Cancel,
     {624, 522, 81, 26},
     Pointer::Hand,
     true,
     A::lblCloseClick},
    {P::tsWarning,
     C::imgW_Rereg,
     Pic::Reregister,
     {365, 524, 126, 22},
     Pointer::Hand,
     true,
     A::lblNextClick},
    {P::tsWarning,
     C::imgW_Cancel,
     Pic::Cancel,
     {624, 522, 81, 26},
     Pointer::Hand,
     true,
     A::lblCloseClick},
    {P::tsConnection,
     C::imgCn_Next,
     Pic::Next,
     {390, 520, 97, 26},
     Pointer::Hand,
     true,
     A::lblCn_NextClick},
    {P::tsConnection,
     C::imgCn_Cancel,
     Pic::Cancel,
     {624, 523, 81, 26},
     Pointer::Hand,
     true,
     A::lblCloseClick},
    // The one overlay with the ordinary arrow.
    {P::tsConnection,
     C::imgCn_Return,
     Pic::Back,
     {208, 523, 81, 26},
     Pointer::Arrow,
     true,
     A::lblCn_BackClick},
    {P::tsRegistration,
     C::imgReg_Next,
     Pic::Next,
     {392, 522, 89, 26},
     Pointer::Hand,
     true,
     A::lblReg_NextClick},
    {P::tsRegistration,
     C::imgReg_Cancel,
     Pic::Cancel,
     {620, 522, 81, 26},
     Pointer::Hand,
     false,
     A::lblCloseClick},
    {P::tsRegistration,
     C::imgReg_Return,
     Pic::Back,
     {208, 523, 81, 26},
     Pointer::Hand,
     false,
     A::lblReg_BackClick},
    {P::tsEnd, C::imgOK, Pic::Ok, {624, 522, 97, 38}, Pointer::Hand, true, A::lblEndClick},
};

constexpr PageLayout kPages[] = {
    {P::tsWelcome, C::imgWelcome, Pic::Welcome, true},
    {P::tsFirstScreen, C::imgFirstScreen, Pic::FirstScreen, false},
    {P::tsWarning, C::imgWarning, Pic::Warning, false},
    {P::tsConnection, C::imgConnection, Pic::Connection, false},
    {P::tsRegistration, C::imgRegistration, Pic::Registration, false},
    {P::tsEnd, C::imgEnd, Pic::End, false},
};

constexpr int kColorInfoText = 23;  // COLOR_INFOTEXT
constexpr int kColorHotLight = 26;  // COLOR_HOTLIGHT

constexpr EditLayout kEdits[] = {
    {P::tsWarning, C::edtTecID, {93, 204, 329, 24}, 13, kColorInfoText},
    {P::tsEnd, C::edtKKMID, {248, 168, 471, 31}, 19, kColorHotLight},
};

constexpr std::optional<Control> kNone = std::nullopt;
constexpr std::array<std::array<std::optional<Control>, kSlotCount>, kPageCount> kSlots = {{
    {C::imgEnable, C::imgDoc, C::imgClose, kNone},
    {C::imgFS_Next, C::imgFS_Close, kNone, kNone},
    {C::imgW_Rereg, C::imgW_Cancel, kNone, C::edtTecID},
    {C::imgCn_Next, C::imgCn_Cancel, C::imgCn_Return, kNone},
    {C::imgReg_Next, C::imgReg_Cancel, C::imgReg_Return, kNone},
    {C::imgOK, kNone, kNone, C::edtKKMID},
}};

constexpr std::array<WrapRule, kPageCount> kWrapRules = {{
    {-1, -1, 2},
    {-1, -1, 1},
    {2, 3, 3},
    {-1, -1, 2},
    {-1, -1, 2},
    {1, 3, 3},
}};

struct EnterEntry {
    Page page;
    int slot;
    Action action;
};
constexpr EnterEntry kEnter[] = {
    {P::tsWelcome, 0, A::lblEnableClick},
    {P::tsWelcome, 1, A::lblShowDocClick},
    {P::tsWelcome, 2, A::lblCloseClick},
    {P::tsFirstScreen, 0, A::lblNextClick},
    {P::tsFirstScreen, 1, A::lblCloseClick},
    {P::tsWarning, 0, A::lblNextClick},
    {P::tsWarning, 1, A::lblCloseClick},
    {P::tsWarning, 3, A::CopyWithNotice},
    {P::tsConnection, 0, A::lblCn_NextClick},
    {P::tsConnection, 1, A::lblCloseClick},
    {P::tsConnection, 2, A::lblCn_BackClick},
    {P::tsRegistration, 0, A::lblReg_NextClick},
    {P::tsRegistration, 1, A::lblCloseClick},
    {P::tsRegistration, 2, A::lblReg_BackClick},
    {P::tsEnd, 0, A::lblEndClick},
    {P::tsEnd, 3, A::CopyWithNotice},
};

constexpr Placement kPlacements[] = {
    {P::tsWelcome, C::imgEnable, 364, 233, 0},
    {P::tsWelcome, C::imgDoc, 525, 440, 1},
    {P::tsWelcome, C::imgClose, 667, 24, 2},
    {P::tsFirstScreen, C::imgFS_Next, 400, 525, 0},
    {P::tsFirstScreen, C::imgFS_Close, 624, 522, 1},
    {P::tsWarning, C::imgW_Rereg, 365, 528, 0},
    {P::tsWarning, C::imgW_Cancel, 624, 522, 1},
    {P::tsConnection, C::imgCn_Next, 390, 523, 0},
    {P::tsConnection, C::imgCn_Cancel, 624, 522, 1},
    {P::tsConnection, C::imgCn_Return, 213, 524, 2},
    {P::tsRegistration, C::imgReg_Next, 389, 524, 0},
    {P::tsRegistration, C::imgReg_Cancel, 623, 522, 1},
    {P::tsRegistration, C::imgReg_Return, 205, 524, 2},
    {P::tsEnd, C::imgOK, 624, 522, 0},
};

constexpr std::optional<HoverTest> kNoTest = std::nullopt;
constexpr HoverRow kHover[] = {
    {P::tsWelcome, 0, {HoverTest{C::imgClose, 2}, HoverTest{C::imgDoc, 1}}},
    {P::tsWelcome, 1, {HoverTest{C::imgEnable, 0}, HoverTest{C::imgClose, 2}}},
    {P::tsWelcome, 2, {HoverTest{C::imgEnable, 0}, HoverTest{C::imgDoc, 1}}},
    {P::tsFirstScreen, 0, {HoverTest{C::imgFS_Close, 1}, kNoTest}},
    {P::tsFirstScreen, 1, {HoverTest{C::imgFS_Next, 0}, kNoTest}},
    {P::tsWarning, 0, {HoverTest{C::imgW_Cancel, 1}, HoverTest{C::edtTecID, 3}}},
    {P::tsWarning, 1, {HoverTest{C::imgW_Rereg, 0}, HoverTest{C::edtTecID, 3}}},
    {P::tsWarning, 3, {HoverTest{C::imgW_Cancel, 1}, HoverTest{C::imgW_Rereg, 0}}},
    {P::tsConnection, 0, {HoverTest{C::imgCn_Return, 2}, HoverTest{C::imgCn_Cancel, 1}}},
    {P::tsConnection, 1, {HoverTest{C::imgCn_Return, 2}, HoverTest{C::imgCn_Next, 0}}},
    {P::tsConnection, 2, {HoverTest{C::imgCn_Next, 0}, HoverTest{C::imgCn_Cancel, 1}}},
    {P::tsRegistration, 0, {HoverTest{C::imgReg_Return, 2}, HoverTest{C::imgReg_Cancel, 1}}},
    {P::tsRegistration, 1, {HoverTest{C::imgReg_Return, 2}, HoverTest{C::imgReg_Next, 0}}},
    {P::tsRegistration, 2, {HoverTest{C::imgReg_Next, 0}, HoverTest{C::imgReg_Cancel, 1}}},
    {P::tsEnd, 0, {HoverTest{C::edtKKMID, 3}, kNoTest}},
    {P::tsEnd, 3, {HoverTest{C::imgOK, 0}, kNoTest}},
};

constexpr std::string_view kControlNames[] = {
    "imgWelcome",   "imgFirstScreen", "imgWarning",    "imgConnection", "imgRegistration",
    "imgEnd",       "imgClose",       "imgEnable",     "imgDoc",        "imgFS_Next",
    "imgFS_Close",  "imgW_Rereg",     "imgW_Cancel",   "imgCn_Next",    "imgCn_Cancel",
    "imgCn_Return", "imgReg_Next",    "imgReg_Cancel", "imgReg_Return", "imgOK",
    "edtTecID",     "edtKKMID",       "lbl1",          "lblTypeOfKKM",
};
static_assert(std::size(kControlNames) == kControlCount);

constexpr std::size_t index(Page page) {
    return static_cast<std::size_t>(page);
}

}  // namespace

std::string_view formName(Control control) {
    return kControlNames[static_cast<std::size_t>(control)];
}

std::span<const OverlayLayout> overlayLayouts() {
    return kOverlays;
}

const OverlayLayout* overlayLayout(Control control) {
    for (const auto& overlay : kOverlays) {
        if (overlay.control == control) {
            return &overlay;
        }
    }
    return nullptr;
}

std::span<const PageLayout> pageLayouts() {
    return kPages;
}

const PageLayout& pageLayout(Page page) {
    return kPages[index(page)];
}

std::span<const EditLayout> editLayouts() {
    return kEdits;
}

const EditLayout* editLayout(Control control) {
    for (const auto& edit : kEdits) {
        if (edit.control == control) {
            return &edit;
        }
    }
    return nullptr;
}

const EditLayout* editOfPage(Page page) {
    for (const auto& edit : kEdits) {
        if (edit.page == page) {
            return &edit;
        }
    }
    return nullptr;
}

std::optional<Control> slotControl(Page page, int slot) {
    if (slot < 0 || slot >= kSlotCount) {
        return std::nullopt;
    }
    return kSlots[index(page)][static_cast<std::size_t>(slot)];
}

const WrapRule& wrapRule(Page page) {
    return kWrapRules[index(page)];
}

std::uint8_t applyWrapRule(Page page, std::uint8_t slot) {
    const WrapRule& rule = wrapRule(page);
    if (slot == rule.jumpFrom) {
        return static_cast<std::uint8_t>(rule.jumpTo);
    }
    return slot > rule.last ? 0 : slot;
}

std::optional<Action> enterAction(Page page, int slot) {
    for (const auto& entry : kEnter) {
        if (entry.page == page && entry.slot == slot) {
            return entry.action;
        }
    }
    return std::nullopt;
}

std::span<const Placement> placements(Page page) {
    std::size_t first = 0;
    while (first < std::size(kPlacements) && kPlacements[first].page != page) {
        ++first;
    }
    std::size_t last = first;
    while (last < std::size(kPlacements) && kPlacements[last].page == page) {
        ++last;
    }
    return std::span<const Placement>(kPlacements).subspan(first, last - first);
}

const HoverRow* hoverRow(Page page, int slot) {
    for (const auto& row : kHover) {
        if (row.page == page && row.slot == slot) {
            return &row;
        }
    }
    return nullptr;
}

Rect pageRect(int clientWidth, int clientHeight, int tabHeight) {
    return {kPageFrame, kPageFrame, clientWidth - 2 * kPageFrame,
            clientHeight - 2 * kPageFrame - tabHeight};
}

int keepCentreShare(int top, int height, int laidOutParentHeight, int parentHeight) {
    const double centre = (top + height / 2.0) * parentHeight / laidOutParentHeight;
    return static_cast<int>(std::lround(centre - height / 2.0));
}

}  // namespace velmar::ui
