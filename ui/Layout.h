#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace velmar::ui {

// The wizard's screens, in the page control's order.
enum class Page : std::uint8_t {
    tsWelcome,
    tsFirstScreen,
    tsWarning,
    tsConnection,
    tsRegistration,
    tsEnd,
};
inline constexpr int kPageCount = 6;

// Every control of the form that the focus logic, the layout or the drawing names.
enum class Control : std::uint8_t {
    imgWelcome,
    imgFirstScreen,
    imgWarning,
    imgConnection,
    imgRegistration,
    imgEnd,
    imgClose,
    imgEnable,
    imgDoc,
    imgFS_Next,
    imgFS_Close,
    imgW_Rereg,
    imgW_Cancel,
    imgCn_Next,
    imgCn_Cancel,
    imgCn_Return,
    imgReg_Next,
    imgReg_Cancel,
    imgReg_Return,
    imgOK,
    edtTecID,
    edtKKMID,
    lbl1,
    lblTypeOfKKM,
};
inline constexpr int kControlCount = 24;

// The control's name in the form, as "imgCn_Return".
std::string_view formName(Control control);

// The 14 distinct pictures; several controls may show the same one.
enum class Picture : std::uint8_t {
    Welcome,
    FirstScreen,
    Warning,
    Connection,
    Registration,
    End,
    Close,
    Connect,
    Instruction,
    Next,
    Cancel,
    Back,
    Reregister,
    Ok,
};
inline constexpr int kPictureCount = 14;

// What activating a button does; the form maps each to its handler.
enum class Action : std::uint8_t {
    lblEnableClick,
    lblShowDocClick,
    lblCloseClick,
    lblNextClick,
    lblCn_NextClick,
    lblCn_BackClick,
    lblReg_NextClick,
    lblReg_BackClick,
    lblEndClick,
    // Enter on an identifier edit: mniCopyToClipboardClick, then the copy notice.
    CopyWithNotice,
};

enum class Pointer : std::uint8_t { Arrow, Hand };

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// A picture control on its page, as laid out.
struct OverlayLayout {
    Page page;
    Control control;
    Picture picture;
    Rect bounds;  // layout position and control size, page coordinates
    Pointer pointer;
    bool visibleAtCreation;
    Action click;
};
std::span<const OverlayLayout> overlayLayouts();
const OverlayLayout* overlayLayout(Control control);

struct PageLayout {
    Page page;
    Control background;
    Picture picture;
    bool stretched;  // the welcome screen fills the page; the others sit centred at natural size
};
std::span<const PageLayout> pageLayouts();
const PageLayout& pageLayout(Page page);

struct EditLayout {
    Page page;
    Control control;
    Rect bounds;
    int fontPixels;
    int textSystemColour;  // a COLOR_* index
};
std::span<const EditLayout> editLayouts();
const EditLayout* editLayout(Control control);
const EditLayout* editOfPage(Page page);

// The focus slots: which control each slot of a page names (none for the numbers a page skips).
inline constexpr int kSlotCount = 4;
inline constexpr int kEditSlot = 3;
std::optional<Control> slotControl(Page page, int slot);

// After Tab's advance: slot == jumpFrom becomes jumpTo; otherwise slot > last becomes 0.
struct WrapRule {
    int jumpFrom;  // -1: none
    int jumpTo;
    int last;
};
const WrapRule& wrapRule(Page page);
std::uint8_t applyWrapRule(Page page, std::uint8_t slot);

// What Enter fires for a page and slot; none for the pairs not in the table.
std::optional<Action> enterAction(Page page, int slot);

// Where RefreshFocus puts each overlay, and which slot shows it.
struct Placement {
    Page page;
    Control control;
    int left;
    int top;
    int visibleSlot;
};
std::span<const Placement> placements(Page page);

// The rectangles a mouse move tests, per page and current slot, in order; the first hit wins.
struct HoverTest {
    Control control;
    std::uint8_t slotOnHit;
};
struct HoverRow {
    Page page;
    std::uint8_t slot;
    std::array<std::optional<HoverTest>, 2> tests;
};
const HoverRow* hoverRow(Page page, int slot);

// The page control's geometry: a 4-pixel frame, the tab row below the pages.
inline constexpr int kPageFrame = 4;
inline constexpr int kLayoutTabHeight = 11;
inline constexpr int kRunningTabHeight = 1;
Rect pageRect(int clientWidth, int clientHeight, int tabHeight);

// A control anchored to neither edge keeps its vertical centre at the same share of the height.
int keepCentreShare(int top, int height, int laidOutParentHeight, int parentHeight);

}  // namespace velmar::ui
