#pragma once

#include <windows.h>

#include <array>
#include <deque>
#include <memory>
#include <optional>

#include "app/Application.h"
#include "app/Runtime.h"
#include "driver/DispatchDriver_win.h"
#include "platform/win32/Gdi_win.h"
#include "platform/win32/Window_win.h"
#include "ui/FormView.h"
#include "ui/Layout.h"
#include "ui/VelmarMaster.h"

namespace velmar::ui {

// The borderless 800 x 600 window of frmVelmarMaster: the page control pgcScreens with its six
// pages, the picture controls drawn by their pages, the two edits and the popup menu. It carries
// events to TfrmVelmarMaster and carries out what the form asks of its window.
class MainWindow final : public win32::Window,
                         private FormView,
                         private PageControlHost,
                         private FormServices {
  public:
    // Told when the form is closed: the event loop then ends.
    class Owner {
      public:
        virtual void mainFormClosed() = 0;

      protected:
        ~Owner() = default;
    };

    static constexpr wchar_t kClassName[] = L"TfrmVelmarMaster";

    MainWindow(app::Application& app, app::ComApi& com, const win32::Variant& driver, Owner& owner);
    ~MainWindow() override;

    // Builds the window and its layout, then runs FormCreate (which may end the program).
    void create();
    // The first page's show event, then FormShow, then the window becomes visible.
    void show();
    void destroyWindow() { destroy(); }

    void FormCreate();
    void FormDestroy();

  protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    // A picture control's picture, decoded from the program's resources when first drawn.
    struct PictureSlot {
        Picture picture;
        bool failed = false;
        int width = 0;
        int height = 0;
        // At the picture's own size, or for the welcome screen already stretched to its page.
        win32::Bitmap bitmap;
    };

    struct OverlayState {
        const OverlayLayout* layout = nullptr;
        bool visible = false;
        int left = 0;
        int top = 0;
        PictureSlot picture;
    };

    class PageControlWindow;
    class PageWindow;

    // FormView
    int pageCount() override { return kPageCount; }
    int activePageIndex() override { return activePage_; }
    void setActivePage(int page) override;
    void applyShowSettings() override;
    void closeWindow() override;
    std::int32_t windowHandle() override;
    void setVisible(Control image, bool visible) override;
    void setLeft(Control image, int left) override;
    void setTop(Control image, int top) override;
    Rect bounds(Control control) override;
    void setEnabled(Control edit, bool enabled) override;
    void setSelStart(Control edit, int start) override;
    void setSelLength(Control edit, int length) override;
    Text text(Control edit) override;
    void setText(Control edit, TextView text) override;
    void setFocus(Control edit) override;
    void setCaption(Control label, TextView caption) override;

    // PageControlHost
    bool focusWithin(int page) override;
    bool focusIsPage(int page) override;
    void focusPage(int page) override;
    void focusFirstControl(int page) override;
    void showPage(int page) override;
    void hidePage(int page) override;
    void pageShown(int page) override;

    // FormServices
    int messageBox(TextView text, TextView caption, std::uint32_t flags) override;
    driver::FiscalDriver& driver() override { return driver_; }
    Text executablePath() override;
    ShellOpenOutcome openWithShell(TextView path) override;
    void setClipboardText(TextView text) override;

    // Input shared by every window of the form: the form sees keys before the focused control.
    static ShiftState shiftState();
    bool previewKeyDown(WPARAM& key);
    bool previewKeyUp(WPARAM& key);
    void focusChanged(HWND focused);
    // Key preview of one key message: true when the form consumed the key.
    bool previewKeyMessage(UINT message, WPARAM& wParam);
    // Key preview and focus tracking for the page control and the pages: true when handled.
    bool previewFormMessage(HWND window, UINT message, WPARAM& wParam);

    void createControls();
    void layoutPages(int tabHeight);
    HWND createEdit(const EditLayout& layout, HWND parent);
    static LRESULT CALLBACK editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleEditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
    void showCopyMenu(HWND edit, LPARAM position);

    // Drawing and the page's mouse.
    void paintPage(int page, HDC target, const RECT& area);
    // The slot's bitmap, decoded on first use; with `fill`, stretched to fill that size.
    HBITMAP pictureBitmap(PictureSlot& slot, std::optional<SIZE> fill = std::nullopt);
    void invalidateOverlay(const OverlayState& overlay);
    template <typename Value>
    void changeOverlay(Control image, Value OverlayState::*field, Value value);
    void invalidateLabel(Control label);
    RECT labelRect(Control label);
    SIZE captionExtent(Control label);
    OverlayState* overlayAt(int page, POINT point);
    void pageMouseMove(int page, POINT point);
    void pageButtonDown(int page, POINT point);
    void pageButtonUp(int page, POINT point);
    bool pageSetCursor(int page);
    void reportLater(Text text);

    OverlayState& overlay(Control image);
    // Where an edit's window and text are kept (its page); a logic error for any other control.
    static std::size_t editIndex(Control edit);
    HWND editWindow(Control edit) const;
    HWND pageWindow(int page) const;

    app::Application& app_;
    app::ComApi& com_;
    driver::DispatchDriver driver_;
    Owner& owner_;
    TfrmVelmarMaster form_;

    std::unique_ptr<PageControlWindow> pageControl_;
    std::array<std::unique_ptr<PageWindow>, kPageCount> pages_;
    std::array<PictureSlot, kPageCount> backgrounds_;
    std::array<OverlayState, kControlCount> overlays_;
    std::array<HWND, kPageCount> edits_{};
    // Each edit's text; the edit control itself may show only the start of it (shownInEdit).
    std::array<Text, kPageCount> editTexts_{};
    WNDPROC editDefaultProc_ = nullptr;
    HMENU copyMenu_ = nullptr;  // pmcCopyClipboard

    win32::Font labelBoldFont_;
    win32::Font labelFont_;
    win32::Font tecIdFont_;
    win32::Font kkmIdFont_;
    win32::Brush windowBrush_;
    // Where a page composes what it paints; one for all pages, as one paints at a time.
    win32::Bitmap backBuffer_;
    SIZE backBufferSize_{};

    Text typeOfKkm_;
    // The labels' caption sizes, measured when a caption is set rather than on every paint: a
    // driver's description may be very long.
    std::optional<SIZE> lbl1Extent_;
    std::optional<SIZE> typeOfKkmExtent_;
    int typeOfKkmTop_ = 0;
    int activePage_ = 0;
    int tabHeight_ = kLayoutTabHeight;
    HWND focusedControl_ = nullptr;
    Control pressed_ = Control::imgWelcome;
    bool pressing_ = false;
    std::deque<Text> pendingReports_;
};

}  // namespace velmar::ui
