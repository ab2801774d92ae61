#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tests/e2e/Harness_win.h"
#include "tools/robot/Controls_win.h"
#include "tools/robot/Image.h"
#include "tools/robot/Input_win.h"
#include "tools/robot/Process_win.h"

namespace velmar::e2e {

// What the screens are meant to look like, written out here rather than taken from the
// program's own tables, so that a wrong entry there shows as a difference.

inline constexpr int kPageLeft = 4;  // a page's top-left corner in the window
inline constexpr int kPageTop = 4;
inline constexpr int kPageWidth = 792;
inline constexpr int kPageHeight = 591;
inline constexpr int kEditSlot = 3;

struct ExpectedOverlay {
    const char* name;
    int page;
    const wchar_t* picture;  // file name in the assets folder
    SIZE control;            // the control's size; its picture may be larger and is clipped
    POINT formPlace;         // where it lies until its page is first refreshed
    POINT place;             // where a refresh puts it
    int slot;                // the slot that shows it
};
std::span<const ExpectedOverlay> expectedOverlays();
const ExpectedOverlay& expectedOverlay(std::string_view name);

struct ExpectedEdit {
    const char* name;
    int page;
    RECT bounds;  // page coordinates
};
std::span<const ExpectedEdit> expectedEdits();
const ExpectedEdit* expectedEditOfPage(int page);

inline constexpr const wchar_t* kBackgroundPictures[] = {L"welcome.jpg",      L"first_screen.jpg",
                                                         L"warning.jpg",      L"connection.jpg",
                                                         L"registration.jpg", L"end.jpg"};

// The folder of the screen pictures: VELMAR_ASSETS_DIR (a Windows path), or else the repository's
// assets folder three levels above the dist folder (build/dist/<arch>).
std::wstring assetsDir();
// A picture of the assets folder as the program's decoder turns it into RGB; decoded once.
const robot::Image& assetPicture(const wchar_t* file);
// What a page shows of its background picture, page-sized: page 0 stretched, the others at
// natural size, centred.
const robot::Image& pageBackground(int page);

// The share (0..1) of the pixels of `expected` that differ by more than `tolerance` in a colour
// channel from `shown` at (left, top); pixels outside `shown` count as different.
double differingShare(const robot::Image& shown, int left, int top, const robot::Image& expected,
                      int width, int height, int tolerance = 24);
// The part of a picture that shows inside its control.
SIZE visiblePart(const ExpectedOverlay& overlay);

// What the window shows, as far as the tests tell screens apart.
struct ScreenState {
    int page = -1;  // the page whose background is seen; -1 for none
    int nearestPage = -1;
    double nearestDifference = 1.0;    // the share of that page's points that differ
    std::vector<std::string> shown;    // overlays seen at their refreshed places
    std::vector<std::string> unclear;  // places that look like neither picture
    // The active page's edit, on pages 2 and 5.
    bool editEnabled = false;
    bool editFocused = false;
    robot::EditSelection selection{};
    unsigned textLength = 0;

    std::string describe() const;
};

// The state after a refresh of `page` with `slot`: the slot's overlay alone, or (slot 3) none
// and the edit enabled with its whole text selected and the keyboard focus.
ScreenState expectedState(int page, int slot, unsigned textLength = 10);
bool sameState(const ScreenState& a, const ScreenState& b);

// The program's window with its pages and edits, found from outside once the window is up.
class WizardWindow {
  public:
    explicit WizardWindow(const robot::Process& program);

    HWND window() const { return window_; }
    HWND pageControl() const { return pageControl_; }
    // The page windows, in the page control's child order (not page order).
    const std::vector<HWND>& pageWindows() const { return pages_; }
    HWND edit(int page) const;  // pages 2 and 5

    POINT screenPoint(POINT pagePoint) const;
    RECT clientOnScreen() const;
    robot::Image capture() const;  // the client area

    ScreenState observe() const;
    ScreenState observe(const robot::Image& client) const;
    // Polls until the window shows `expected`; fails naming the last state seen, and keeps a
    // screenshot in `folder` under `shotName`.
    void waitForState(const ScreenState& expected, std::string_view what, const TempFolder& folder,
                      const std::wstring& shotName) const;

    // Real keys and pointer moves, with the window in front.
    void tap(WORD key, robot::Modifiers modifiers = robot::Modifiers::None) const;
    void moveTo(POINT pagePoint) const;
    // Out of the window altogether, so that the next move into it comes from nowhere near.
    void movePointerAway() const;

  private:
    const robot::Process& program_;
    HWND window_ = nullptr;
    HWND pageControl_ = nullptr;
    std::vector<HWND> pages_;
    std::array<HWND, 6> edits_{};
};

// A test of the screens: the program started with a scenario for the simulated driver, its
// window found and its first display awaited.
class ScreensTest : public E2eTest {
  protected:
    void TearDown() override;

    // Starts the program and waits until page 0 shows `imgDoc` alone (the first display).
    WizardWindow& startWizard(std::vector<std::string> scenario = {});
    WizardWindow& wizard() { return *wizard_; }
    const robot::Process& program() const { return *program_; }

    void expectState(int page, int slot, std::string_view what, unsigned textLength = 10);
    void expectState(const ScreenState& expected, std::string_view what);

  private:
    std::optional<robot::Process> program_;
    std::optional<WizardWindow> wizard_;
    int shots_ = 0;
};

// Scenarios of the simulated driver.
// The register has no identifier yet: Enter on the connect button opens page 1.
std::vector<std::string> newRegisterScenario();
// The register already has `id`: Enter on the connect button opens page 2 with it.
std::vector<std::string> registeredScenario(std::string_view id);
// Registration succeeds with `id`, so the flow reaches page 5.
std::vector<std::string> registrationScenario(std::string_view id);

}  // namespace velmar::e2e
