#pragma once

#include <cstdint>

#include "platform/Text.h"
#include "ui/Layout.h"

namespace velmar::ui {

// What the form's logic needs of its window and controls. The Win32 window implements it; the
// native tests implement it with a recording fake.
class FormView {
  public:
    virtual ~FormView() = default;

    // The page control.
    virtual int pageCount() = 0;
    virtual int activePageIndex() = 0;
    // Switches pages in the page control's order (see switchActivePage); the entered page's show
    // event runs inside, while the page being left is still the active one.
    virtual void setActivePage(int page) = 0;

    // The window: the show-time settings (no border, 1 x 1 tabs, height 600, width 800, centred).
    virtual void applyShowSettings() = 0;
    // Ends the event loop; the window stays until shutdown destroys it.
    virtual void closeWindow() = 0;
    virtual std::int32_t windowHandle() = 0;

    // Overlay images.
    virtual void setVisible(Control image, bool visible) = 0;
    virtual void setLeft(Control image, int left) = 0;
    virtual void setTop(Control image, int top) = 0;
    // Current bounds of an overlay image or an edit, page coordinates.
    virtual Rect bounds(Control control) = 0;

    // Edits.
    virtual void setEnabled(Control edit, bool enabled) = 0;
    virtual void setSelStart(Control edit, int start) = 0;
    virtual void setSelLength(Control edit, int length) = 0;
    virtual Text text(Control edit) = 0;
    virtual void setText(Control edit, TextView text) = 0;
    // Gives the edit the keyboard focus; when it did not have it, its focus-entry event runs
    // (edtTecIDEnter) before this returns.
    virtual void setFocus(Control edit) = 0;

    // Labels.
    virtual void setCaption(Control label, TextView caption) = 0;
};

// The page control's side of a page switch.
class PageControlHost {
  public:
    virtual ~PageControlHost() = default;
    // The keyboard focus is on the page itself or on one of its controls.
    virtual bool focusWithin(int page) = 0;
    virtual bool focusIsPage(int page) = 0;
    virtual void focusPage(int page) = 0;
    // Focuses the first control of the page that can take the focus (its edit, when enabled).
    virtual void focusFirstControl(int page) = 0;
    virtual void showPage(int page) = 0;  // brought to the front and made visible
    virtual void hidePage(int page) = 0;
    virtual void pageShown(int page) = 0;  // the page's show event
};

// Makes `page` the active page: 1. nothing if it already is; 2. focus within the page being
// left moves to that page; 3. the new page is shown and its show event runs, the old index still
// active; 4. the focus follows to the new page; 5. the old page is hidden, the index moves, and a
// focus resting on the new page itself passes to its first focusable control.
void switchActivePage(PageControlHost& host, int& activeIndex, int page);

}  // namespace velmar::ui
