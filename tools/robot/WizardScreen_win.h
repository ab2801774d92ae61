#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/robot/Image.h"
#include "tools/robot/Wait.h"

namespace velmar::robot {

// The wizard's main window as its user sees it, read from outside: which screen is up, which
// drawn button is highlighted, and the two identifier edits. Everything here is what the window
// shows or what any program can ask of another's windows; nothing reads the wizard's memory.

inline constexpr int kWizardPageCount = 6;
// A page's top-left corner in the window (the page control's frame).
inline constexpr POINT kWizardPageOrigin{4, 4};

// A highlight that RefreshFocus lays over a drawn button, in page coordinates.
struct WizardButton {
    std::string_view name;  // the overlay image's name, e.g. "imgCn_Next"
    int page;
    RECT placed;   // where RefreshFocus puts it, with the control's size
    RECT laidOut;  // where it lies until its page's first refresh
};
std::span<const WizardButton> wizardButtons();
// Throws for a name that is not an overlay image of the wizard.
const WizardButton& wizardButton(std::string_view name);

struct WizardEditPlace {
    std::string_view name;  // "edtTecID" or "edtKKMID"
    int page;
    RECT bounds;  // page coordinates
};
const WizardEditPlace* wizardEditOfPage(int page);

// An identifier edit as another process sees it.
struct WizardEditView {
    HWND window = nullptr;
    std::wstring text;
    bool enabled = false;
    bool focused = false;
    DWORD selectionStart = 0;
    DWORD selectionEnd = 0;
};

class WizardScreen {
  public:
    // Takes the page windows in their creation order, so it must see the window before its first
    // page switch; throws when the window does not have the wizard's six pages.
    explicit WizardScreen(HWND mainWindow);

    HWND window() const { return window_; }
    DWORD threadId() const { return threadId_; }

    // The index of the one visible page; nothing while no page or several are visible.
    std::optional<int> activePage() const;
    HWND pageWindow(int page) const { return pages_.at(static_cast<std::size_t>(page)); }
    std::optional<WizardEditView> edit(int page) const;

    // One line naming what the user sees as focused: the page, then each highlighted button of it
    // (told from the pixels: a highlight's label is blue, a drawn button's grey) and the page's
    // edit when it has the keyboard focus, e.g. "0 imgDoc", "5 edtKKMID", "4 imgReg_Next". An
    // edit that is enabled without the focus shows as "edtKKMID(enabled)", a focused one whose
    // text is not wholly selected as "edtKKMID(selected 0-3)".
    std::string focusLine() const;
    // Polls focusLine until it reads as expected; the timeout names the last line seen.
    void waitForFocus(std::string_view expected, Milliseconds limit) const;

    // A window point of a page (the page's origin added).
    POINT windowPoint(POINT pagePoint) const;
    POINT screenPoint(POINT pagePoint) const;
    // Where a person points at a drawn button: the middle of the part that the button's highlight
    // covers both before and after its page's first refresh. Screen coordinates.
    POINT buttonPoint(std::string_view name) const;

    Image capture() const;

  private:
    HWND window_;
    DWORD threadId_ = 0;
    std::array<HWND, kWizardPageCount> pages_{};
};

// Whether the pixels of a button's highlighted place, taken from a capture of the whole window,
// show a highlight's blue label.
bool showsHighlight(const Image& windowCapture, const WizardButton& button);

}  // namespace velmar::robot
