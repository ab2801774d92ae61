#include "tools/robot/WizardScreen_win.h"

#include <stdexcept>

#include "tools/robot/Capture_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::robot {
namespace {

constexpr wchar_t kPageControlClass[] = L"VelmarPageControl";
constexpr wchar_t kPageClass[] = L"VelmarPage";
constexpr UINT kMessageLimitMs = 2000;

constexpr RECT box(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

// The placements of RefreshFocus and the layout positions, with each control's size.
constexpr WizardButton kButtons[] = {
    {"imgEnable", 0, box(364, 233, 278, 57), box(364, 233, 278, 57)},
    {"imgDoc", 0, box(525, 440, 176, 43), box(525, 436, 176, 43)},
    {"imgClose", 0, box(667, 24, 103, 31), box(670, 24, 103, 31)},
    {"imgFS_Next", 1, box(400, 525, 97, 26), box(400, 522, 97, 26)},
    {"imgFS_Close", 1, box(624, 522, 81, 26), box(624, 522, 81, 26)},
    // The re-register picture is one row shorter than its control.
    {"imgW_Rereg", 2, box(365, 528, 125, 22), box(365, 524, 125, 22)},
    {"imgW_Cancel", 2, box(624, 522, 81, 26), box(624, 522, 81, 26)},
    {"imgCn_Next", 3, box(390, 523, 97, 26), box(390, 520, 97, 26)},
    {"imgCn_Cancel", 3, box(624, 522, 81, 26), box(624, 523, 81, 26)},
    {"imgCn_Return", 3, box(213, 524, 81, 26), box(208, 523, 81, 26)},
    {"imgReg_Next", 4, box(389, 524, 89, 26), box(392, 522, 89, 26)},
    {"imgReg_Cancel", 4, box(623, 522, 81, 26), box(620, 522, 81, 26)},
    {"imgReg_Return", 4, box(205, 524, 81, 26), box(208, 523, 81, 26)},
    {"imgOK", 5, box(624, 522, 97, 38), box(624, 522, 97, 38)},
};

constexpr WizardEditPlace kEdits[] = {
    {"edtTecID", 2, box(93, 204, 329, 24)},
    {"edtKKMID", 5, box(248, 168, 471, 31)},
};

// A highlight's label runs from deep to light blue; the drawn buttons' labels are grey and the
// ground under every button is white, so a few dozen blue pixels tell a highlight.
bool highlightBlue(Rgb p) {
    return p.r < 90 && p.b > 170 && p.b - p.r > 120;
}
constexpr int kHighlightPixels = 30;

LRESULT sendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageLimitMs,
                             &result)) {
        throwWin32Error("message " + std::to_string(message) + " to " + describeWindow(window));
    }
    return static_cast<LRESULT>(result);
}

std::wstring editText(HWND edit) {
    const auto length = static_cast<std::size_t>(sendTo(edit, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<std::size_t>(
        sendTo(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(copied, length));
    return text;
}

HWND focusOfThread(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

}  // namespace

std::span<const WizardButton> wizardButtons() {
    return kButtons;
}

const WizardButton& wizardButton(std::string_view name) {
    for (const WizardButton& button : kButtons) {
        if (button.name == name) {
            return button;
        }
    }
    throw std::invalid_argument("the wizard has no button " + std::string(name));
}

const WizardEditPlace* wizardEditOfPage(int page) {
    for (const WizardEditPlace& edit : kEdits) {
        if (edit.page == page) {
            return &edit;
        }
    }
    return nullptr;
}

bool showsHighlight(const Image& capture, const WizardButton& button) {
    int blue = 0;
    const RECT& r = button.placed;
    for (int y = r.top + kWizardPageOrigin.y; y < r.bottom + kWizardPageOrigin.y; ++y) {
        for (int x = r.left + kWizardPageOrigin.x; x < r.right + kWizardPageOrigin.x; ++x) {
            if (x < capture.width() && y < capture.height() && highlightBlue(capture.pixel(x, y))) {
                ++blue;
            }
        }
    }
    return blue >= kHighlightPixels;
}

WizardScreen::WizardScreen(HWND mainWindow) : window_(mainWindow) {
    threadId_ = GetWindowThreadProcessId(mainWindow, nullptr);
    HWND pageControl = nullptr;
    for (HWND child : childWindows(mainWindow)) {
        if (className(child) == kPageControlClass) {
            pageControl = child;
        }
    }
    if (pageControl == nullptr) {
        throw std::runtime_error("no page control in " + describeWindow(mainWindow));
    }
    std::vector<HWND> pages;
    for (HWND child : childWindows(pageControl)) {
        if (className(child) == kPageClass) {
            pages.push_back(child);
        }
    }
    if (pages.size() != pages_.size()) {
        throw std::runtime_error("the page control holds " + std::to_string(pages.size()) +
                                 " pages: " + describeWindows(pages));
    }
    // Children keep their creation order until one is brought to the front; the edits show
    // whether that order is the pages' order.
    for (std::size_t i = 0; i < pages.size(); ++i) {
        pages_[i] = pages[i];
        const bool hasEdit = !childWindows(pages[i]).empty();
        if (hasEdit != (wizardEditOfPage(static_cast<int>(i)) != nullptr)) {
            throw std::runtime_error("the pages are not in their creation order: page " +
                                     std::to_string(i) + " is " + describeWindow(pages[i]));
        }
    }
}

std::optional<int> WizardScreen::activePage() const {
    std::optional<int> visible;
    for (int page = 0; page < kWizardPageCount; ++page) {
        if (IsWindowVisible(pageWindow(page))) {
            if (visible) {
                return std::nullopt;
            }
            visible = page;
        }
    }
    return visible;
}

std::optional<WizardEditView> WizardScreen::edit(int page) const {
    if (wizardEditOfPage(page) == nullptr) {
        return std::nullopt;
    }
    const std::vector<HWND> children = childWindows(pageWindow(page));
    if (children.empty()) {
        return std::nullopt;
    }
    WizardEditView view;
    view.window = children.front();
    view.text = editText(view.window);
    view.enabled = IsWindowEnabled(view.window) != FALSE;
    view.focused = focusOfThread(threadId_) == view.window;
    const auto selection = static_cast<DWORD>(sendTo(view.window, EM_GETSEL, 0, 0));
    view.selectionStart = LOWORD(selection);
    view.selectionEnd = HIWORD(selection);
    return view;
}

std::string WizardScreen::focusLine() const {
    const std::optional<int> page = activePage();
    if (!page) {
        return "no single page visible";
    }
    std::string line = std::to_string(*page);
    const Image shot = capture();
    for (const WizardButton& button : kButtons) {
        if (button.page == *page && showsHighlight(shot, button)) {
            line += ' ';
            line += button.name;
        }
    }
    if (const WizardEditPlace* place = wizardEditOfPage(*page)) {
        if (const auto view = edit(*page)) {
            const auto length = static_cast<DWORD>(view->text.size());
            if (view->focused || view->enabled) {
                line += ' ';
                line += place->name;
            }
            if (view->focused) {
                if (view->selectionStart != 0 || view->selectionEnd != length) {
                    line += "(selected " + std::to_string(view->selectionStart) + "-" +
                            std::to_string(view->selectionEnd) + ")";
                }
            } else if (view->enabled) {
                line += "(enabled)";
            }
        }
    }
    return line;
}

void WizardScreen::waitForFocus(std::string_view expected, Milliseconds limit) const {
    std::string seen;
    try {
        waitUntil("the wizard to show \"" + std::string(expected) + "\"", limit, [&] {
            seen = focusLine();
            return seen == expected;
        });
    } catch (const WaitTimeout& timeout) {
        throw WaitTimeout(std::string(timeout.what()) + "; it shows \"" + seen + "\"");
    }
}

POINT WizardScreen::windowPoint(POINT pagePoint) const {
    return {pagePoint.x + kWizardPageOrigin.x, pagePoint.y + kWizardPageOrigin.y};
}

POINT WizardScreen::screenPoint(POINT pagePoint) const {
    POINT point = windowPoint(pagePoint);
    ClientToScreen(window_, &point);
    return point;
}

POINT WizardScreen::buttonPoint(std::string_view name) const {
    const WizardButton& button = wizardButton(name);
    RECT both{};
    IntersectRect(&both, &button.placed, &button.laidOut);
    return screenPoint(centreOf(both));
}

Image WizardScreen::capture() const {
    return captureClient(window_);
}

}  // namespace velmar::robot
