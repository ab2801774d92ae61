#include "tools/robot/MessageBox_win.h"

#include <cstdlib>
#include <stdexcept>

#include "tools/robot/Capture_win.h"
#include "tools/robot/Gdi_win.h"
#include "tools/robot/Input_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::robot {

namespace {

constexpr int kTextId = 0xFFFF;
constexpr Milliseconds kCloseLimit{5000};
// Only a box whose icon is none of the system ones waits this long.
constexpr Milliseconds kIconPaintLimit{3000};

HWND iconControl(HWND box) {
    for (HWND child : childWindows(box)) {
        if (className(child) == L"Static" && IsWindowVisible(child) &&
            (windowStyle(child) & SS_TYPEMASK) == SS_ICON) {
            return child;
        }
    }
    return nullptr;
}

// Pixels that differ by more than a rounding step.
std::size_t differences(const Image& a, const Image& b) {
    std::size_t count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const Rgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(p.r - q.r) > 2 || std::abs(p.g - q.g) > 2 || std::abs(p.b - q.b) > 2) {
                ++count;
            }
        }
    }
    return count;
}

BoxIcon matchingIcon(const Image& shown) {
    // The control paints the icon from its top-left corner over the dialog's background, which
    // the icon's transparent corner leaves visible.
    const Rgb background = shown.pixel(0, 0);
    const struct {
        BoxIcon icon;
        const wchar_t* resource;
    } candidates[] = {{BoxIcon::Error, IDI_HAND},
                      {BoxIcon::Warning, IDI_EXCLAMATION},
                      {BoxIcon::Information, IDI_ASTERISK},
                      {BoxIcon::Question, IDI_QUESTION}};
    for (const auto& candidate : candidates) {
        DibCanvas canvas(shown.width(), shown.height());
        const GdiObject<HBRUSH> brush(
            CreateSolidBrush(RGB(background.r, background.g, background.b)));
        const RECT all{0, 0, shown.width(), shown.height()};
        FillRect(canvas.dc(), &all, brush.get());
        DrawIconEx(canvas.dc(), 0, 0, LoadIconW(nullptr, candidate.resource), 0, 0, 0, nullptr,
                   DI_NORMAL | DI_DEFAULTSIZE);
        if (differences(canvas.image(), shown) == 0) {
            return candidate.icon;
        }
    }
    return BoxIcon::Unknown;
}

BoxIcon iconOf(HWND box) {
    HWND control = iconControl(box);
    DWORD_PTR icon = 0;
    if (control == nullptr ||
        !SendMessageTimeoutW(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 1000, &icon) ||
        icon == 0) {
        return BoxIcon::None;
    }
    const RECT area = clientRectOnScreen(control);
    if (widthOf(area) <= 0 || heightOf(area) <= 0) {
        return BoxIcon::None;
    }
    // A box just shown may not have painted its icon yet.
    BoxIcon seen = BoxIcon::Unknown;
    try {
        waitUntil("the icon to be painted", kIconPaintLimit, [&] {
            seen = matchingIcon(captureScreen(area));
            return seen != BoxIcon::Unknown;
        });
    } catch (const WaitTimeout&) {
    }
    return seen;
}

}  // namespace

std::string_view iconName(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::None:
            return "none";
        case BoxIcon::Error:
            return "error";
        case BoxIcon::Warning:
            return "warning";
        case BoxIcon::Information:
            return "information";
        case BoxIcon::Question:
            return "question";
        case BoxIcon::Unknown:
            break;
    }
    return "unknown";
}

const BoxButton* MessageBoxView::button(int id) const {
    for (const auto& b : buttons) {
        if (b.id == id) {
            return &b;
        }
    }
    return nullptr;
}

MessageBoxView readMessageBox(HWND box) {
    MessageBoxView view;
    view.window = box;
    view.caption = windowText(box);
    if (HWND text = GetDlgItem(box, kTextId)) {
        view.text = windowText(text);
    }
    for (HWND child : childWindows(box)) {
        if (className(child) == L"Button" && IsWindowVisible(child)) {
            view.buttons.push_back({child, GetDlgCtrlID(child), windowText(child)});
        }
    }
    view.icon = iconOf(box);
    return view;
}

MessageBoxView waitForMessageBox(const Process& process, Milliseconds limit,
                                 std::string_view what) {
    return readMessageBox(waitForWindow(process, what, withClass(kDialogClass), limit));
}

std::string describeMessageBox(const MessageBoxView& box) {
    std::string text = "message box \"" + utf8(box.caption) + "\": \"" + utf8(box.text) +
                       "\", icon " + std::string(iconName(box.icon)) + ", buttons";
    for (const auto& b : box.buttons) {
        text += " [" + std::to_string(b.id) + " \"" + utf8(b.text) + "\"]";
    }
    return text;
}

void answerMessageBox(const MessageBoxView& box, WORD virtualKey) {
    bringToFront(box.window);
    tapKey(virtualKey);
    waitForWindowGone(box.window,
                      "message box \"" + utf8(box.caption) + "\" to close after the key " +
                          std::to_string(virtualKey),
                      kCloseLimit);
}

void clickMessageBoxButton(const MessageBoxView& box, int buttonId) {
    const BoxButton* target = box.button(buttonId);
    if (target == nullptr) {
        throw std::runtime_error("no button " + std::to_string(buttonId) + " on the " +
                                 describeMessageBox(box));
    }
    bringToFront(box.window);
    leftClick(target->window);
    waitForWindowGone(box.window,
                      "message box \"" + utf8(box.caption) + "\" to close after a click on \"" +
                          utf8(target->text) + "\"",
                      kCloseLimit);
}

}  // namespace velmar::robot
