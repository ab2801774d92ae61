#include "tests/e2e/ScreensHarness_win.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>

#include "tools/robot/Capture_win.h"
#include "tools/robot/Gdi_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Wait.h"
#include "tools/robot/Windows_win.h"
#include "ui/JpegPicture.h"

namespace velmar::e2e {

using robot::Image;
using robot::utf8;

namespace {

// The overlays as laid out and as a refresh places them.
constexpr ExpectedOverlay kOverlays[] = {
    {"imgEnable", 0, L"connect.jpg", {278, 57}, {364, 233}, {364, 233}, 0},
    {"imgDoc", 0, L"instruction.jpg", {176, 43}, {525, 436}, {525, 440}, 1},
    {"imgClose", 0, L"close.jpg", {103, 31}, {670, 24}, {667, 24}, 2},
    {"imgFS_Next", 1, L"next.jpg", {97, 26}, {400, 522}, {400, 525}, 0},
    {"imgFS_Close", 1, L"cancel.jpg", {81, 26}, {624, 522}, {624, 522}, 1},
    {"imgW_Rereg", 2, L"reregister.jpg", {126, 22}, {365, 524}, {365, 528}, 0},
    {"imgW_Cancel", 2, L"cancel.jpg", {81, 26}, {624, 522}, {624, 522}, 1},
    {"imgCn_Next", 3, L"next.jpg", {97, 26}, {390, 520}, {390, 523}, 0},
    {"imgCn_Cancel", 3, L"cancel.jpg", {81, 26}, {624, 523}, {624, 522}, 1},
    {"imgCn_Return", 3, L"back.jpg", {81, 26}, {208, 523}, {213, 524}, 2},
    {"imgReg_Next", 4, L"next.jpg", {89, 26}, {392, 522}, {389, 524}, 0},
    {"imgReg_Cancel", 4, L"cancel.jpg", {81, 26}, {620, 522}, {623, 522}, 1},
    {"imgReg_Return", 4, L"back.jpg", {81, 26}, {208, 523}, {205, 524}, 2},
    {"imgOK", 5, L"ok.jpg", {97, 38}, {624, 522}, {624, 522}, 0},
};

constexpr ExpectedEdit kEdits[] = {
    {"edtTecID", 2, {93, 204, 93 + 329, 204 + 24}},
    {"edtKKMID", 5, {248, 168, 248 + 471, 168 + 31}},
};

// An overlay's place is told by the share of its pixels that differ from the overlay picture and
// from the page's background there: the one it shows differs in next to nothing, the other at
// least in the button's label (which is small: the OK label is some 2% of its picture).
constexpr double kMatchAtMost = 0.005;
constexpr double kOtherAtLeast = 0.01;
// The background is recognised on a grid of the page's points away from every control.
constexpr int kGridStep = 4;
constexpr double kPageAtMost = 0.02;

constexpr Milliseconds kStateLimit{8000};
// Off the centred window on any screen the tests run on.
constexpr POINT kPointerParking{2, 2};

Image toImage(const ui::Bitmap& bitmap) {
    Image image(bitmap.width, bitmap.height);
    for (int y = 0; y < bitmap.height; ++y) {
        for (int x = 0; x < bitmap.width; ++x) {
            const std::uint8_t* p = bitmap.pixel(x, y);
            image.setPixel(x, y, {p[2], p[1], p[0]});
        }
    }
    return image;
}

std::vector<std::uint8_t> readFile(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + utf8(path) +
                                 " (set VELMAR_ASSETS_DIR to the Windows path of assets/)");
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Page 0 shrinks its picture: picture point (x, y) lands on page point (x * 792 / 800,
// y * 591 / 600), and page point (X, Y) shows the first picture point that lands there, the one at
// (X * 800 / 792, Y * 600 / 591) rounded up.
Image stretchedToPage(const Image& picture, int width, int height) {
    Image shown(width, height);
    for (int y = 0; y < height; ++y) {
        const int sy = std::min(picture.height() - 1, (y * picture.height() + height - 1) / height);
        for (int x = 0; x < width; ++x) {
            const int sx = std::min(picture.width() - 1, (x * picture.width() + width - 1) / width);
            shown.setPixel(x, y, picture.pixel(sx, sy));
        }
    }
    return shown;
}

bool insideAny(const std::vector<RECT>& rects, int x, int y) {
    const POINT p{x, y};
    return std::any_of(rects.begin(), rects.end(), [&](const RECT& r) { return PtInRect(&r, p); });
}

// Every control's rectangle on any page, a little grown: what the page recognition leaves out.
const std::vector<RECT>& controlRects() {
    static const std::vector<RECT> rects = [] {
        std::vector<RECT> all;
        for (const ExpectedOverlay& o : kOverlays) {
            for (const POINT at : {o.formPlace, o.place}) {
                all.push_back(
                    {at.x - 2, at.y - 2, at.x + o.control.cx + 3, at.y + o.control.cy + 3});
            }
        }
        for (const ExpectedEdit& e : kEdits) {
            all.push_back(
                {e.bounds.left - 2, e.bounds.top - 2, e.bounds.right + 2, e.bounds.bottom + 2});
        }
        all.push_back({60, 202, 93, 230});           // lbl1
        all.push_back({194, 135, kPageWidth, 165});  // lblTypeOfKKM, as long as it runs
        return all;
    }();
    return rects;
}

// The share of the grid's points where the client shows something else than the page's picture.
double pageDifference(const Image& client, int page) {
    const Image& expected = pageBackground(page);
    int compared = 0;
    int differing = 0;
    for (int y = 0; y < kPageHeight; y += kGridStep) {
        for (int x = 0; x < kPageWidth; x += kGridStep) {
            if (insideAny(controlRects(), x, y)) {
                continue;
            }
            ++compared;
            const robot::Rgb a = client.pixel(x + kPageLeft, y + kPageTop);
            const robot::Rgb b = expected.pixel(x, y);
            if (std::abs(a.r - b.r) > 24 || std::abs(a.g - b.g) > 24 || std::abs(a.b - b.b) > 24) {
                ++differing;
            }
        }
    }
    return compared == 0 ? 1.0 : static_cast<double>(differing) / compared;
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text.empty() ? "none" : text;
}

}  // namespace

std::span<const ExpectedOverlay> expectedOverlays() {
    return kOverlays;
}

const ExpectedOverlay& expectedOverlay(std::string_view name) {
    for (const ExpectedOverlay& o : kOverlays) {
        if (name == o.name) {
            return o;
        }
    }
    throw std::invalid_argument("no overlay named " + std::string(name));
}

std::span<const ExpectedEdit> expectedEdits() {
    return kEdits;
}

const ExpectedEdit* expectedEditOfPage(int page) {
    for (const ExpectedEdit& e : kEdits) {
        if (e.page == page) {
            return &e;
        }
    }
    return nullptr;
}

std::wstring assetsDir() {
    std::wstring value(32768, L'\0');
    value.resize(GetEnvironmentVariableW(L"VELMAR_ASSETS_DIR", value.data(),
                                         static_cast<DWORD>(value.size())));
    if (!value.empty()) {
        return value;
    }
    return distDir() + L"\\..\\..\\..\\assets";
}

const Image& assetPicture(const wchar_t* file) {
    static std::mutex lock;
    static std::map<std::wstring, Image> pictures;
    const std::lock_guard guard(lock);
    auto found = pictures.find(file);
    if (found == pictures.end()) {
        const std::wstring path = assetsDir() + L"\\" + file;
        const std::vector<std::uint8_t> bytes = readFile(path);
        try {
            found = pictures.emplace(file, toImage(ui::decodeJpeg(bytes))).first;
        } catch (const std::exception& error) {
            throw std::runtime_error("cannot decode " + utf8(path) + ": " + error.what());
        }
    }
    return found->second;
}

const Image& pageBackground(int page) {
    static std::mutex lock;
    static std::map<int, Image> backgrounds;
    const std::lock_guard guard(lock);
    auto found = backgrounds.find(page);
    if (found == backgrounds.end()) {
        const Image& picture = assetPicture(kBackgroundPictures[page]);
        Image shown(kPageWidth, kPageHeight);
        if (page == 0) {
            shown = stretchedToPage(picture, kPageWidth, kPageHeight);
        } else {
            const int left = (kPageWidth - picture.width()) / 2;
            const int top = (kPageHeight - picture.height()) / 2;
            for (int y = 0; y < kPageHeight; ++y) {
                for (int x = 0; x < kPageWidth; ++x) {
                    shown.setPixel(x, y, picture.pixel(x - left, y - top));
                }
            }
        }
        found = backgrounds.emplace(page, std::move(shown)).first;
    }
    return found->second;
}

double differingShare(const Image& shown, int left, int top, const Image& expected, int width,
                      int height, int tolerance) {
    std::size_t differing = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int sx = left + x;
            const int sy = top + y;
            if (sx < 0 || sy < 0 || sx >= shown.width() || sy >= shown.height()) {
                ++differing;
                continue;
            }
            const robot::Rgb a = shown.pixel(sx, sy);
            const robot::Rgb b = expected.pixel(x, y);
            if (std::abs(a.r - b.r) > tolerance || std::abs(a.g - b.g) > tolerance ||
                std::abs(a.b - b.b) > tolerance) {
                ++differing;
            }
        }
    }
    return static_cast<double>(differing) / (static_cast<double>(width) * height);
}

SIZE visiblePart(const ExpectedOverlay& overlay) {
    const Image& picture = assetPicture(overlay.picture);
    return {std::min<LONG>(overlay.control.cx, picture.width()),
            std::min<LONG>(overlay.control.cy, picture.height())};
}

std::string ScreenState::describe() const {
    if (page < 0) {
        return "no page (nearest " + std::to_string(nearestPage) + ", " +
               std::to_string(static_cast<int>(nearestDifference * 100)) + "% differs)";
    }
    std::string text = "page " + std::to_string(page) + ", shown: " + joined(shown);
    if (!unclear.empty()) {
        text += ", unclear: " + joined(unclear);
    }
    if (expectedEditOfPage(page) != nullptr) {
        text += std::string(", edit ") + (editEnabled ? "enabled" : "disabled") +
                (editFocused ? " focused" : " unfocused") + " selection " +
                std::to_string(selection.start) + ".." + std::to_string(selection.end) + " of " +
                std::to_string(textLength);
    }
    return text;
}

ScreenState expectedState(int page, int slot, unsigned textLength) {
    ScreenState state;
    state.page = page;
    for (const ExpectedOverlay& o : kOverlays) {
        if (o.page == page && o.slot == slot) {
            state.shown.push_back(o.name);
        }
    }
    if (expectedEditOfPage(page) != nullptr) {
        state.textLength = textLength;
        state.editEnabled = slot == kEditSlot;
        state.editFocused = slot == kEditSlot;
        state.selection =
            slot == kEditSlot ? robot::EditSelection{0, textLength} : robot::EditSelection{};
    }
    return state;
}

bool sameState(const ScreenState& a, const ScreenState& b) {
    if (a.page != b.page || a.shown != b.shown || !a.unclear.empty() || !b.unclear.empty()) {
        return false;
    }
    if (expectedEditOfPage(a.page) == nullptr) {
        return true;
    }
    if (a.editEnabled != b.editEnabled || a.editFocused != b.editFocused ||
        a.textLength != b.textLength) {
        return false;
    }
    // Without the focus only the selection's length is set (to 0); its start stays where it was.
    if (!a.editFocused) {
        return a.selection.start == a.selection.end && b.selection.start == b.selection.end;
    }
    return a.selection == b.selection;
}

// --- WizardWindow -----------------------------------------------------------------------------

WizardWindow::WizardWindow(const robot::Process& program) : program_(program) {
    window_ = robot::waitForWindow(program, "the main window",
                                   robot::withClass(L"TfrmVelmarMaster"), kStartLimit);
    const std::vector<HWND> children = robot::childWindows(window_);
    if (children.size() != 1) {
        throw std::runtime_error("the main window should hold the page control alone, not " +
                                 robot::describeWindows(children));
    }
    pageControl_ = children.front();
    pages_ = robot::childWindows(pageControl_);
    for (HWND page : pages_) {
        for (HWND child : robot::childWindows(page)) {
            if (_wcsicmp(robot::className(child).c_str(), L"Edit") != 0) {
                continue;
            }
            RECT r = robot::windowRect(child);
            MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
            for (const ExpectedEdit& e : kEdits) {
                if (EqualRect(&r, &e.bounds)) {
                    edits_[static_cast<std::size_t>(e.page)] = child;
                }
            }
        }
    }
}

HWND WizardWindow::edit(int page) const {
    HWND found = edits_.at(static_cast<std::size_t>(page));
    if (found == nullptr) {
        throw std::runtime_error("no edit of page " + std::to_string(page) +
                                 " at its layout place");
    }
    return found;
}

RECT WizardWindow::clientOnScreen() const {
    return robot::clientRectOnScreen(window_);
}

POINT WizardWindow::screenPoint(POINT pagePoint) const {
    const RECT client = clientOnScreen();
    return {client.left + kPageLeft + pagePoint.x, client.top + kPageTop + pagePoint.y};
}

Image WizardWindow::capture() const {
    return robot::captureClient(window_);
}

ScreenState WizardWindow::observe() const {
    return observe(capture());
}

ScreenState WizardWindow::observe(const Image& client) const {
    ScreenState state;
    for (int page = 0; page < 6; ++page) {
        const double difference = pageDifference(client, page);
        if (difference < state.nearestDifference) {
            state.nearestDifference = difference;
            state.nearestPage = page;
        }
    }
    if (state.nearestDifference > kPageAtMost) {
        return state;
    }
    state.page = state.nearestPage;
    const Image& background = pageBackground(state.page);
    for (const ExpectedOverlay& o : kOverlays) {
        if (o.page != state.page) {
            continue;
        }
        const SIZE part = visiblePart(o);
        const int left = o.place.x + kPageLeft;
        const int top = o.place.y + kPageTop;
        Image under(part.cx, part.cy);
        for (int y = 0; y < part.cy; ++y) {
            for (int x = 0; x < part.cx; ++x) {
                under.setPixel(x, y, background.pixel(o.place.x + x, o.place.y + y));
            }
        }
        const double asOverlay =
            differingShare(client, left, top, assetPicture(o.picture), part.cx, part.cy);
        const double asBackground = differingShare(client, left, top, under, part.cx, part.cy);
        if (asOverlay <= kMatchAtMost && asBackground >= kOtherAtLeast) {
            state.shown.push_back(o.name);
        } else if (!(asBackground <= kMatchAtMost && asOverlay >= kOtherAtLeast)) {
            state.unclear.push_back(
                std::string(o.name) + " (" + std::to_string(asOverlay * 100).substr(0, 4) +
                "% differs from it, " + std::to_string(asBackground * 100).substr(0, 4) +
                "% from the background)");
        }
    }
    if (expectedEditOfPage(state.page) != nullptr) {
        HWND editWindow = edit(state.page);
        state.editEnabled = IsWindowEnabled(editWindow) != FALSE;
        state.editFocused = robot::focusOfThreadOf(window_) == editWindow;
        state.selection = robot::editSelection(editWindow);
        state.textLength = static_cast<unsigned>(robot::controlText(editWindow).size());
    }
    return state;
}

void WizardWindow::waitForState(const ScreenState& expected, std::string_view what,
                                const TempFolder& folder, const std::wstring& shotName) const {
    ScreenState last;
    try {
        robot::waitUntil(what, kStateLimit, [&] {
            if (const auto code = program_.exitCodeIfExited()) {
                throw std::runtime_error(program_.label() + " exited with code " +
                                         std::to_string(*code) + " while the robot waited for " +
                                         std::string(what));
            }
            last = observe();
            return sameState(last, expected);
        });
    } catch (const robot::WaitTimeout& timeout) {
        const std::wstring shot = folder.file(shotName);
        robot::savePng(capture(), shot);
        throw robot::WaitTimeout(std::string(timeout.what()) + ": expected " + expected.describe() +
                                 "; the window shows " + last.describe() + " (screenshot " +
                                 utf8(shot) + ")");
    }
}

void WizardWindow::tap(WORD key, robot::Modifiers modifiers) const {
    robot::bringToFront(window_);
    robot::tapKey(key, modifiers);
}

void WizardWindow::moveTo(POINT pagePoint) const {
    robot::bringToFront(window_);
    robot::moveMouse(screenPoint(pagePoint));
}

void WizardWindow::movePointerAway() const {
    robot::moveMouse(kPointerParking);
}

// --- ScreensTest ------------------------------------------------------------------------------

WizardWindow& ScreensTest::startWizard(std::vector<std::string> scenario) {
    // A window that opens under the pointer gets a move at once; the first display must not.
    robot::moveMouse(kPointerParking);
    program_.emplace(startProgram({.scenario = std::move(scenario)}));
    wizard_.emplace(*program_);
    robot::bringToFront(wizard_->window());
    expectState(0, 1, "the first display");
    return *wizard_;
}

void ScreensTest::expectState(int page, int slot, std::string_view what, unsigned textLength) {
    expectState(expectedState(page, slot, textLength), what);
}

void ScreensTest::expectState(const ScreenState& expected, std::string_view what) {
    wizard_->waitForState(expected, what, folder(),
                          L"screen-" + std::to_wstring(++shots_) + L".png");
}

void ScreensTest::TearDown() {
    wizard_.reset();
    program_.reset();  // a program still running is killed here
    E2eTest::TearDown();
}

// --- Scenarios --------------------------------------------------------------------------------

std::vector<std::string> newRegisterScenario() {
    return {"# the register has no identifier yet", "ECRID = str \"\""};
}

std::vector<std::string> registeredScenario(std::string_view id) {
    return {"# the register is registered already", "ECRID = str \"" + std::string(id) + "\""};
}

std::vector<std::string> registrationScenario(std::string_view id) {
    return {"# no identifier at the start; the registration gives one", "ECRID = str \"\"",
            "ECRID = str \"" + std::string(id) + "\"", "CloudCashdeskEnabled = bool true"};
}

}  // namespace velmar::e2e
