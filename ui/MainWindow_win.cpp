#include "ui/MainWindow_win.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

#include "app/DriverObject.h"
#include "platform/AppError.h"
#include "platform/win32/Services_win.h"
#include "platform/win32/SystemText_win.h"
#include "ui/Branding.h"
#include "ui/JpegPicture.h"
#include "ui/Resources.h"
#include "ui/ShownText.h"

namespace velmar::ui {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
// The main form carries the program's taskbar button.
constexpr DWORD kExStyle = WS_EX_APPWINDOW;
constexpr wchar_t kPageControlClass[] = L"VelmarPageControl";
constexpr wchar_t kPageClass[] = L"VelmarPage";
constexpr UINT kReportMessage = WM_APP + 1;
constexpr UINT kCopyCommand = 1;
constexpr char16_t kLbl1Caption[] = u"ID:";
constexpr char16_t kEditTextAtCreation[] = u"1234567890";
constexpr COLORREF kWhite = RGB(255, 255, 255);

// The label's layout place before the page reached its running height.
constexpr int kTypeOfKkmLeft = 196;
constexpr int kTypeOfKkmLayoutTop = 137;
constexpr int kTypeOfKkmLayoutHeight = 19;
constexpr int kLbl1Left = 64;
constexpr int kLbl1Top = 206;

int pageIndex(Page page) {
    return static_cast<int>(page);
}

win32::Font tahoma(int pixels, bool bold) {
    return win32::Font(CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                   FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
}

RECT toRect(int left, int top, int width, int height) {
    return RECT{left, top, left + width, top + height};
}

bool insideRect(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// An exception must not leave a window procedure of the system's edit class either.
template <typename Body>
LRESULT guarded(Body body) {
    try {
        return body();
    } catch (const std::exception& error) {
        win32::Window::reportError(error);
    } catch (...) {
        win32::Window::reportError(std::runtime_error("Unexpected error"));
    }
    return 0;
}

}  // namespace

// pgcScreens: the frame around the pages and the 1-pixel tab row under them.
class MainWindow::PageControlWindow final : public win32::Window {
  public:
    explicit PageControlWindow(MainWindow& owner) : owner_(owner) {}

    void create(HWND parent) {
        WNDCLASSEXW windowClass{};
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        registerClass(kPageControlClass, windowClass);
        Window::create(0, kPageControlClass, L"",
                       WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP, 0, 0, kClientWidth,
                       kClientHeight, parent, nullptr);
    }

  protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (owner_.previewFormMessage(hwnd(), message, wParam)) {
            return 0;
        }
        switch (message) {
            case WM_PAINT: {
                win32::PaintScope paint(hwnd());
                RECT client;
                GetClientRect(hwnd(), &client);
                FillRect(paint.dc(), &client, GetSysColorBrush(COLOR_BTNFACE));
                RECT frame = client;
                frame.bottom -= owner_.tabHeight_;
                DrawEdge(paint.dc(), &frame, EDGE_RAISED, BF_RECT);
                return 0;
            }
            case WM_ERASEBKGND:
                return 1;
            default:
                break;
        }
        return Window::handleMessage(message, wParam, lParam);
    }

  private:
    MainWindow& owner_;
};

// One page of pgcScreens: draws its background, overlays and labels, and turns the mouse into
// clicks on overlays and moves over the background.
class MainWindow::PageWindow final : public win32::Window {
  public:
    PageWindow(MainWindow& owner, int index) : owner_(owner), index_(index) {}

    void create(HWND parent, const Rect& r, bool visible) {
        WNDCLASSEXW windowClass{};
        windowClass.style = CS_DBLCLKS;
        windowClass.hCursor = nullptr;  // set per point in WM_SETCURSOR
        registerClass(kPageClass, windowClass);
        Window::create(0, kPageClass, L"",
                       WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0),
                       r.left, r.top, r.width, r.height, parent, nullptr);
    }

  protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (owner_.previewFormMessage(hwnd(), message, wParam)) {
            return 0;
        }
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        switch (message) {
            case WM_PAINT: {
                // Each rectangle of what is invalid is composed on its own: a slot change
                // invalidates two overlays, often far apart, and the page between them stays.
                const std::vector<RECT> parts = win32::updateRects(hwnd());
                win32::PaintScope paint(hwnd());
                if (parts.empty()) {
                    owner_.paintPage(index_, paint.dc(), paint.area());
                }
                for (const RECT& part : parts) {
                    owner_.paintPage(index_, paint.dc(), part);
                }
                return 0;
            }
            case WM_ERASEBKGND:
                return 1;
            case WM_MOUSEMOVE:
                owner_.pageMouseMove(index_, point);
                return 0;
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
                owner_.pageButtonDown(index_, point);
                return 0;
            case WM_LBUTTONUP:
                owner_.pageButtonUp(index_, point);
                return 0;
            case WM_SETCURSOR:
                if (LOWORD(lParam) == HTCLIENT && owner_.pageSetCursor(index_)) {
                    return TRUE;
                }
                break;
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORSTATIC: {
                // The edits: their own text colour on the ordinary window colour; grey when
                // disabled, as the system shows a disabled edit.
                const auto dc = reinterpret_cast<HDC>(wParam);
                const auto edit = reinterpret_cast<HWND>(lParam);
                const EditLayout* layout = editOfPage(static_cast<Page>(index_));
                int colour = layout != nullptr ? layout->textSystemColour : COLOR_WINDOWTEXT;
                if (!IsWindowEnabled(edit)) {
                    colour = COLOR_GRAYTEXT;
                }
                SetTextColor(dc, GetSysColor(colour));
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(owner_.windowBrush_.get());
            }
            case WM_CONTEXTMENU:
                return 0;  // the page has no menu; an edit's own menu is handled by the edit
            default:
                break;
        }
        return Window::handleMessage(message, wParam, lParam);
    }

  private:
    MainWindow& owner_;
    int index_;
};

MainWindow::MainWindow(app::Application& app, app::ComApi& com, const win32::Variant& driver,
                       Owner& owner)
    : app_(app), com_(com), driver_(driver), owner_(owner), form_(*this, *this) {
    for (int page = 0; page < kPageCount; ++page) {
        backgrounds_[static_cast<std::size_t>(page)].picture =
            pageLayout(static_cast<Page>(page)).picture;
    }
    for (const OverlayLayout& layout : overlayLayouts()) {
        OverlayState& state = overlays_[static_cast<std::size_t>(layout.control)];
        state.layout = &layout;
        state.visible = layout.visibleAtCreation;
        state.left = layout.bounds.left;
        state.top = layout.bounds.top;
        state.picture.picture = layout.picture;
    }
}

MainWindow::~MainWindow() {
    if (copyMenu_ != nullptr) {
        DestroyMenu(copyMenu_);
    }
}

void MainWindow::create() {
    WNDCLASSEXW windowClass{};
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    registerClass(kClassName, windowClass);
    Window::create(kExStyle, kClassName, win32::wide(kMainWindowCaption), kStyle, 0, 0,
                   kClientWidth, kClientHeight, nullptr, nullptr);
    createControls();
    FormCreate();
}

void MainWindow::createControls() {
    labelBoldFont_ = tahoma(16, true);
    labelFont_ = tahoma(16, false);
    tecIdFont_ = tahoma(13, true);
    kkmIdFont_ = tahoma(19, true);
    windowBrush_ = win32::Brush(CreateSolidBrush(GetSysColor(COLOR_WINDOW)));

    copyMenu_ = CreatePopupMenu();
    AppendMenuW(copyMenu_, MF_STRING, kCopyCommand, L"Копировать");

    pageControl_ = std::make_unique<PageControlWindow>(*this);
    pageControl_->create(hwnd());
    const Rect area = pageRect(kClientWidth, kClientHeight, tabHeight_);
    for (int page = 0; page < kPageCount; ++page) {
        auto& window = pages_[static_cast<std::size_t>(page)];
        window = std::make_unique<PageWindow>(*this, page);
        window->create(pageControl_->hwnd(), area, page == activePage_);
    }
    for (const EditLayout& layout : editLayouts()) {
        edits_[static_cast<std::size_t>(layout.page)] =
            createEdit(layout, pageWindow(pageIndex(layout.page)));
        editTexts_[static_cast<std::size_t>(layout.page)] = kEditTextAtCreation;
    }
    typeOfKkmTop_ = kTypeOfKkmLayoutTop;
}

HWND MainWindow::createEdit(const EditLayout& layout, HWND parent) {
    HWND edit =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", win32::wide(kEditTextAtCreation),
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_CENTER | ES_AUTOHSCROLL,
                        layout.bounds.left, layout.bounds.top, layout.bounds.width,
                        layout.bounds.height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (edit == nullptr) {
        throw std::runtime_error("cannot create an edit");
    }
    SendMessageW(edit, WM_SETFONT,
                 reinterpret_cast<WPARAM>(layout.control == Control::edtTecID ? tecIdFont_.get()
                                                                              : kkmIdFont_.get()),
                 FALSE);
    SetWindowLongPtrW(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    editDefaultProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc)));
    return edit;
}

void MainWindow::layoutPages(int tabHeight) {
    tabHeight_ = tabHeight;
    const Rect area = pageRect(kClientWidth, kClientHeight, tabHeight_);
    for (auto& page : pages_) {
        MoveWindow(page->hwnd(), area.left, area.top, area.width, area.height, TRUE);
    }
    // lblTypeOfKKM keeps its vertical centre at the same share of the page's height.
    const int laidOut = pageRect(kClientWidth, kClientHeight, kLayoutTabHeight).height;
    typeOfKkmTop_ =
        keepCentreShare(kTypeOfKkmLayoutTop, kTypeOfKkmLayoutHeight, laidOut, area.height);
    InvalidateRect(pageControl_->hwnd(), nullptr, TRUE);
}

void MainWindow::FormCreate() {
    app::formCreate(app_, com_);
}

void MainWindow::FormDestroy() {
    app::formDestroy(com_);
}

void MainWindow::show() {
    // The first page becomes visible with the window, and its show event comes first.
    form_.tsConnectionShow();
    form_.FormShow();
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(hwnd());
    SetFocus(focusedControl_ != nullptr ? focusedControl_ : pageControl_->hwnd());
    // Painted last, so that the first frame reaches the screen as soon as it is drawn.
    UpdateWindow(hwnd());
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            closeWindow();
            return 0;
        case WM_DESTROY:
            FormDestroy();
            return 0;
        case WM_SETFOCUS:
            // Activation lands on the window itself: hand it on to the control that had it.
            if (pageControl_ != nullptr) {
                SetFocus(focusedControl_ != nullptr && IsWindowEnabled(focusedControl_)
                             ? focusedControl_
                             : pageControl_->hwnd());
            }
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (previewKeyMessage(message, wParam)) {
                return 0;
            }
            break;
        case kReportMessage:
            while (!pendingReports_.empty()) {
                const Text text = std::move(pendingReports_.front());
                pendingReports_.pop_front();
                reportError(AppError(text));
            }
            return 0;
        default:
            break;
    }
    return Window::handleMessage(message, wParam, lParam);
}

// --- Input ------------------------------------------------------------------------------------

ShiftState MainWindow::shiftState() {
    return {GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
}

bool MainWindow::previewKeyDown(WPARAM& key) {
    auto code = static_cast<std::uint16_t>(key);
    form_.FormKeyDown(code, shiftState());
    key = code;
    return code == 0;
}

bool MainWindow::previewKeyUp(WPARAM& key) {
    auto code = static_cast<std::uint16_t>(key);
    form_.FormKeyUp(code, shiftState());
    key = code;
    return code == 0;
}

void MainWindow::focusChanged(HWND focused) {
    focusedControl_ = focused;
}

bool MainWindow::previewKeyMessage(UINT message, WPARAM& wParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            return previewKeyDown(wParam);
        case WM_KEYUP:
        case WM_SYSKEYUP:
            return previewKeyUp(wParam);
        default:
            return false;
    }
}

bool MainWindow::previewFormMessage(HWND window, UINT message, WPARAM& wParam) {
    if (message == WM_SETFOCUS) {
        focusChanged(window);
        return true;
    }
    return previewKeyMessage(message, wParam);
}

LRESULT CALLBACK MainWindow::editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return guarded([&] { return self->handleEditMessage(hwnd, message, wParam, lParam); });
}

LRESULT MainWindow::handleEditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN: {
            if (previewKeyDown(wParam)) {
                return 0;
            }
            auto code = static_cast<std::uint16_t>(wParam);
            form_.edtKKMIDKeyDown(code, shiftState());
            if (code == 0) {
                return 0;
            }
            wParam = code;
            break;
        }
        case WM_SYSKEYDOWN:  // system keys (Alt+F4) still reach the system; they never touch the
                             // text
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (previewKeyMessage(message, wParam)) {
                return 0;
            }
            break;
        case WM_CHAR: {
            auto character = static_cast<char16_t>(wParam);
            form_.edtKKMIDKeyPress(character);
            if (character == 0) {
                return 0;
            }
            wParam = character;
            break;
        }
        case WM_PASTE:
        case WM_CUT:
        case WM_CLEAR:
        case WM_UNDO:
            return 0;  // the identifier is only shown, never edited
        case WM_SETFOCUS: {
            const LRESULT result = CallWindowProcW(editDefaultProc_, edit, message, wParam, lParam);
            // Focus entry counts when the focus comes from another control of the form, not when
            // the window merely gets it back after a box or another program.
            if (focusedControl_ != edit) {
                focusedControl_ = edit;
                form_.edtTecIDEnter();
            }
            return result;
        }
        case WM_LBUTTONUP: {
            const LRESULT result = CallWindowProcW(editDefaultProc_, edit, message, wParam, lParam);
            form_.edtTecIDEnter();  // the edit's click
            return result;
        }
        case WM_CONTEXTMENU:
            showCopyMenu(edit, lParam);
            return 0;
        default:
            break;
    }
    return CallWindowProcW(editDefaultProc_, edit, message, wParam, lParam);
}

void MainWindow::showCopyMenu(HWND edit, LPARAM position) {
    POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (at.x == -1 && at.y == -1) {  // from the keyboard: under the edit
        RECT r;
        GetWindowRect(edit, &r);
        at = {r.left, r.bottom};
    }
    const UINT chosen = TrackPopupMenu(copyMenu_, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                       at.x, at.y, 0, hwnd(), nullptr);
    if (chosen == kCopyCommand) {
        form_.mniCopyToClipboardClick();
    }
}

// --- FormView ---------------------------------------------------------------------------------

void MainWindow::setActivePage(int page) {
    switchActivePage(*this, activePage_, page);
}

void MainWindow::applyShowSettings() {
    // No border to remove: the window is created without one. The tab strip shrinks to 1 x 1,
    // which gives every page its running size; then the size and the centred place.
    layoutPages(kRunningTabHeight);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
    SetWindowPos(hwnd(), nullptr, x, y, kClientWidth, kClientHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::closeWindow() {
    owner_.mainFormClosed();
}

std::int32_t MainWindow::windowHandle() {
    // Window handles carry 32 significant bits on both architectures.
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(hwnd()));
}

MainWindow::OverlayState& MainWindow::overlay(Control image) {
    OverlayState& state = overlays_.at(static_cast<std::size_t>(image));
    if (state.layout == nullptr) {
        throw std::logic_error("not an overlay image");
    }
    return state;
}

std::size_t MainWindow::editIndex(Control edit) {
    const EditLayout* layout = editLayout(edit);
    if (layout == nullptr) {
        throw std::logic_error("not an edit");
    }
    return static_cast<std::size_t>(layout->page);
}

HWND MainWindow::editWindow(Control edit) const {
    return edits_[editIndex(edit)];
}

HWND MainWindow::pageWindow(int page) const {
    return pages_.at(static_cast<std::size_t>(page))->hwnd();
}

void MainWindow::invalidateOverlay(const OverlayState& state) {
    if (!state.visible) {
        return;
    }
    const RECT r =
        toRect(state.left, state.top, state.layout->bounds.width, state.layout->bounds.height);
    InvalidateRect(pageWindow(pageIndex(state.layout->page)), &r, FALSE);
}

template <typename Value>
void MainWindow::changeOverlay(Control image, Value OverlayState::*field, Value value) {
    OverlayState& state = overlay(image);
    if (state.*field == value) {
        return;
    }
    // Only what the overlay covered and covers now is drawn again.
    invalidateOverlay(state);
    state.*field = value;
    invalidateOverlay(state);
}

void MainWindow::setVisible(Control image, bool visible) {
    changeOverlay(image, &OverlayState::visible, visible);
}

void MainWindow::setLeft(Control image, int left) {
    changeOverlay(image, &OverlayState::left, left);
}

void MainWindow::setTop(Control image, int top) {
    changeOverlay(image, &OverlayState::top, top);
}

Rect MainWindow::bounds(Control control) {
    if (editLayout(control) != nullptr) {
        HWND edit = editWindow(control);
        RECT r;
        GetWindowRect(edit, &r);
        MapWindowPoints(nullptr, GetParent(edit), reinterpret_cast<POINT*>(&r), 2);
        return {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    const OverlayState& state = overlay(control);
    return {state.left, state.top, state.layout->bounds.width, state.layout->bounds.height};
}

void MainWindow::setEnabled(Control edit, bool enabled) {
    HWND window = editWindow(edit);
    if (!enabled && GetFocus() == window) {
        // A disabled window would leave the keyboard focus nowhere: give it to the page.
        SetFocus(GetParent(window));
    }
    EnableWindow(window, enabled ? TRUE : FALSE);
}

void MainWindow::setSelStart(Control edit, int start) {
    SendMessageW(editWindow(edit), EM_SETSEL, static_cast<WPARAM>(start), start);
}

void MainWindow::setSelLength(Control edit, int length) {
    DWORD start = 0;
    SendMessageW(editWindow(edit), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    SendMessageW(editWindow(edit), EM_SETSEL, start, static_cast<LPARAM>(start) + length);
}

Text MainWindow::text(Control edit) {
    return editTexts_[editIndex(edit)];
}

void MainWindow::setText(Control edit, TextView value) {
    editTexts_[editIndex(edit)] = Text(value);
    const Text shown = shownInEdit(value);
    SetWindowTextW(editWindow(edit), win32::wide(shown));
}

void MainWindow::setFocus(Control edit) {
    SetFocus(editWindow(edit));
}

SIZE MainWindow::captionExtent(Control label) {
    const bool typeOfKkm = label == Control::lblTypeOfKKM;
    std::optional<SIZE>& extent = typeOfKkm ? typeOfKkmExtent_ : lbl1Extent_;
    if (!extent) {
        win32::WindowDc screen(hwnd());
        win32::SelectGuard font(screen.get(), typeOfKkm ? labelFont_.get() : labelBoldFont_.get());
        const Text& caption = typeOfKkm ? typeOfKkm_ : Text(kLbl1Caption);
        SIZE size{};
        GetTextExtentPoint32W(screen.get(), win32::wide(caption), static_cast<int>(caption.size()),
                              &size);
        TEXTMETRICW metrics{};
        GetTextMetricsW(screen.get(), &metrics);
        extent = SIZE{size.cx, metrics.tmHeight};
    }
    return *extent;
}

RECT MainWindow::labelRect(Control label) {
    const bool typeOfKkm = label == Control::lblTypeOfKKM;
    const SIZE extent = captionExtent(label);
    const int width = std::max<int>(extent.cx, typeOfKkm ? 5 : 0);
    return typeOfKkm ? toRect(kTypeOfKkmLeft, typeOfKkmTop_, width, extent.cy)
                     : toRect(kLbl1Left, kLbl1Top, width, extent.cy);
}

void MainWindow::invalidateLabel(Control label) {
    const RECT r = labelRect(label);
    // A caption runs on to the right as far as the page's edge.
    RECT wide = r;
    wide.right = kClientWidth;
    InvalidateRect(pageWindow(pageIndex(label == Control::lblTypeOfKKM ? Page::tsRegistration
                                                                       : Page::tsWarning)),
                   &wide, FALSE);
}

void MainWindow::setCaption(Control label, TextView caption) {
    if (label != Control::lblTypeOfKKM) {
        return;
    }
    invalidateLabel(label);
    typeOfKkm_ = Text(caption);
    typeOfKkmExtent_.reset();
    invalidateLabel(label);
}

// --- PageControlHost --------------------------------------------------------------------------

bool MainWindow::focusWithin(int page) {
    HWND focus = GetFocus();
    HWND window = pageWindow(page);
    return focus != nullptr && (focus == window || IsChild(window, focus));
}

bool MainWindow::focusIsPage(int page) {
    return GetFocus() == pageWindow(page);
}

void MainWindow::focusPage(int page) {
    SetFocus(pageWindow(page));
}

void MainWindow::focusFirstControl(int page) {
    HWND edit = edits_[static_cast<std::size_t>(page)];
    if (edit != nullptr && IsWindowEnabled(edit)) {
        SetFocus(edit);
    }
}

void MainWindow::showPage(int page) {
    HWND window = pageWindow(page);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(window, SW_SHOW);
}

void MainWindow::hidePage(int page) {
    ShowWindow(pageWindow(page), SW_HIDE);
}

void MainWindow::pageShown(int) {
    form_.tsConnectionShow();
}

// --- FormServices -----------------------------------------------------------------------------

int MainWindow::messageBox(TextView text, TextView caption, std::uint32_t flags) {
    return app_.messageBox(text, caption, flags);
}

Text MainWindow::executablePath() {
    return win32::executablePath();
}

ShellOpenOutcome MainWindow::openWithShell(TextView path) {
    const auto result = win32::shellOpen(Text(path));
    return {result.succeeded, result.instAppCode};
}

void MainWindow::setClipboardText(TextView text) {
    win32::setClipboardText(hwnd(), text);
}

// --- Drawing ----------------------------------------------------------------------------------

HBITMAP MainWindow::pictureBitmap(PictureSlot& slot, std::optional<SIZE> fill) {
    if (fill && slot.bitmap && (slot.width != fill->cx || slot.height != fill->cy)) {
        slot.bitmap.reset();  // its page has another size now
    }
    if (slot.bitmap || slot.failed) {
        return slot.bitmap.get();
    }
    // Decoded on first use and kept; every control holds its own copy.
    try {
        HMODULE module = GetModuleHandleW(nullptr);
        HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(pictureResourceId(slot.picture)),
                                       MAKEINTRESOURCEW(10) /* RT_RCDATA */);
        HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
        const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
        if (data == nullptr) {
            throw AppError(u"Изображение экрана не найдено в программе");
        }
        const std::span<const std::uint8_t> jpeg(static_cast<const std::uint8_t*>(data),
                                                 SizeofResource(module, resource));
        const PictureSize natural = jpegSize(jpeg);
        const int width = fill ? static_cast<int>(fill->cx) : natural.width;
        const int height = fill ? static_cast<int>(fill->cy) : natural.height;
        void* bits = nullptr;
        win32::Bitmap bitmap = win32::createDibSection(width, height, &bits);
        if (!bitmap) {
            throw AppError(u"Out of system resources");
        }
        decodeJpegInto(
            jpeg, width, height,
            {static_cast<std::uint8_t*>(bits), static_cast<std::size_t>(width) * height * 4});
        slot.width = width;
        slot.height = height;
        slot.bitmap = std::move(bitmap);
    } catch (const std::exception& error) {
        // Shown once, after the paint; the control stays empty rather than failing every paint.
        slot.failed = true;
        reportLater(errorText(error));
    }
    return slot.bitmap.get();
}

void MainWindow::reportLater(Text text) {
    pendingReports_.push_back(std::move(text));
    PostMessageW(hwnd(), kReportMessage, 0, 0);
}

void MainWindow::paintPage(int page, HDC target, const RECT& area) {
    RECT client;
    GetClientRect(pageWindow(page), &client);
    const int width = client.right;
    const int height = client.bottom;
    if (!backBuffer_ || backBufferSize_.cx != width || backBufferSize_.cy != height) {
        void* bits = nullptr;
        backBuffer_ = win32::createDibSection(width, height, &bits);
        backBufferSize_ = {width, height};
        if (!backBuffer_) {
            backBufferSize_ = {};
            return;  // out of memory: nothing to draw with, and nothing lost by not drawing
        }
    }
    // Everything is composed in page coordinates, limited to the area, then shown in one blit.
    win32::MemoryDc back(target);
    win32::SelectGuard backSelect(back.get(), backBuffer_.get());
    IntersectClipRect(back.get(), area.left, area.top, area.right, area.bottom);
    win32::MemoryDc source(target);

    FillRect(back.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
    PictureSlot& background = backgrounds_[static_cast<std::size_t>(page)];
    const bool stretched = pageLayout(static_cast<Page>(page)).stretched;
    if (HBITMAP picture = pictureBitmap(
            background, stretched ? std::optional<SIZE>(SIZE{width, height}) : std::nullopt)) {
        // Stretched pictures fill the page; the others sit at natural size, centred, with the
        // halves rounded toward zero as integer division does.
        const int left = stretched ? 0 : (width - background.width) / 2;
        const int top = stretched ? 0 : (height - background.height) / 2;
        win32::SelectGuard pictureSelect(source.get(), picture);
        BitBlt(back.get(), left, top, background.width, background.height, source.get(), 0, 0,
               SRCCOPY);
    }

    for (OverlayState& state : overlays_) {
        if (state.layout == nullptr || pageIndex(state.layout->page) != page || !state.visible) {
            continue;
        }
        if (HBITMAP picture = pictureBitmap(state.picture)) {
            // From the picture's top-left corner, clipped to the control.
            const int w = std::min(state.layout->bounds.width, state.picture.width);
            const int h = std::min(state.layout->bounds.height, state.picture.height);
            win32::SelectGuard pictureSelect(source.get(), picture);
            BitBlt(back.get(), state.left, state.top, w, h, source.get(), 0, 0, SRCCOPY);
        }
    }

    if (page == pageIndex(Page::tsWarning)) {
        const RECT r = labelRect(Control::lbl1);
        win32::Brush white(CreateSolidBrush(kWhite));
        FillRect(back.get(), &r, white.get());
        win32::SelectGuard font(back.get(), labelBoldFont_.get());
        SetBkMode(back.get(), TRANSPARENT);
        SetTextColor(back.get(), GetSysColor(COLOR_WINDOWTEXT));
        RECT textRect = r;
        DrawTextW(back.get(), win32::wide(kLbl1Caption), -1, &textRect,
                  DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    }
    if (page == pageIndex(Page::tsRegistration) && !typeOfKkm_.empty()) {
        RECT r = labelRect(Control::lblTypeOfKKM);
        win32::SelectGuard font(back.get(), labelFont_.get());
        SetBkMode(back.get(), TRANSPARENT);
        SetTextColor(back.get(), GetSysColor(COLOR_WINDOWTEXT));
        DrawTextW(back.get(), win32::wide(typeOfKkm_), static_cast<int>(typeOfKkm_.size()), &r,
                  DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    }

    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, back.get(),
           area.left, area.top, SRCCOPY);
}

MainWindow::OverlayState* MainWindow::overlayAt(int page, POINT point) {
    for (OverlayState& state : overlays_) {
        if (state.layout != nullptr && pageIndex(state.layout->page) == page && state.visible &&
            insideRect(toRect(state.left, state.top, state.layout->bounds.width,
                              state.layout->bounds.height),
                       point)) {
            return &state;
        }
    }
    return nullptr;
}

void MainWindow::pageMouseMove(int page, POINT point) {
    // A visible overlay takes the move itself, and has no handler for it.
    if (overlayAt(page, point) == nullptr) {
        form_.FormMouseMove(shiftState(), point.x, point.y);
    }
}

void MainWindow::pageButtonDown(int page, POINT point) {
    if (OverlayState* state = overlayAt(page, point)) {
        pressed_ = state->layout->control;
        pressing_ = true;
        SetCapture(pageWindow(page));
    }
}

void MainWindow::pageButtonUp(int page, POINT point) {
    if (!pressing_) {
        return;
    }
    pressing_ = false;
    ReleaseCapture();
    // A click: pressed and released over the same visible overlay.
    OverlayState* state = overlayAt(page, point);
    if (state != nullptr && state->layout->control == pressed_) {
        form_.fire(state->layout->click);
    }
}

bool MainWindow::pageSetCursor(int page) {
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(pageWindow(page), &point);
    const OverlayState* state = overlayAt(page, point);
    const bool hand = state != nullptr && state->layout->pointer == Pointer::Hand;
    SetCursor(LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW));
    return true;
}

}  // namespace velmar::ui
