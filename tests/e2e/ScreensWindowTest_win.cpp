// The window as the system and the screen see it: its styles, size and place, its pages and
// edits, and what its first display shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/e2e/ScreensHarness_win.h"
#include "tools/robot/Capture_win.h"
#include "tools/robot/Controls_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::e2e {
namespace {

using robot::utf8;

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(robot::widthOf(r)) + "x" + std::to_string(robot::heightOf(r));
}

RECT rectInParent(HWND child) {
    RECT r = robot::windowRect(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The shipped program's own resources, read from its file.
class ProgramResources {
  public:
    explicit ProgramResources(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
        if (module_ == nullptr) {
            robot::throwWin32Error("cannot open the resources of " + utf8(path));
        }
    }
    ~ProgramResources() { FreeLibrary(module_); }
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;

    std::span<const std::uint8_t> find(const wchar_t* name, const wchar_t* type) const {
        HRSRC resource = FindResourceW(module_, name, type);
        if (resource == nullptr) {
            return {};
        }
        HGLOBAL loaded = LoadResource(module_, resource);
        return {static_cast<const std::uint8_t*>(LockResource(loaded)),
                SizeofResource(module_, resource)};
    }

  private:
    HMODULE module_;
};

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

class ScreensWindow : public ScreensTest {};

TEST_F(ScreensWindow, IsOneBorderlessCentredPopupThatCarriesTheTaskbarButton) {
    const WizardWindow& wizard = startWizard();
    const HWND window = wizard.window();

    EXPECT_EQ(utf8(robot::windowText(window)), "Мастер подключения к velmar-online.ru");
    const auto style = static_cast<unsigned long>(robot::windowStyle(window));
    EXPECT_NE(style & WS_POPUP, 0u) << robot::hexValue(style);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_BORDER | WS_DLGFRAME |
                       WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              0u)
        << robot::hexValue(style);
    const auto exStyle = static_cast<unsigned long>(robot::windowExStyle(window));
    EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0u) << robot::hexValue(exStyle);
    EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE |
                         WS_EX_STATICEDGE | WS_EX_WINDOWEDGE),
              0u)
        << robot::hexValue(exStyle);
    EXPECT_EQ(robot::ownerOf(window), nullptr) << "an owned window has no button of its own";

    const RECT frame = robot::windowRect(window);
    const RECT client = robot::clientRectOnScreen(window);
    EXPECT_EQ(rectText(client), rectText(frame)) << "no frame around the client area";
    EXPECT_EQ(robot::widthOf(client), 800);
    EXPECT_EQ(robot::heightOf(client), 600);
    const RECT screen = robot::monitorRect(window);
    EXPECT_EQ(frame.left - screen.left, (robot::widthOf(screen) - 800) / 2) << rectText(frame);
    EXPECT_EQ(frame.top - screen.top, (robot::heightOf(screen) - 600) / 2) << rectText(frame);

    // Only while the menu of the test's own right-click is up may another window show.
    const std::vector<HWND> visible = robot::visibleTopLevelWindows(program().id());
    EXPECT_EQ(visible, std::vector<HWND>{window}) << robot::describeWindows(visible);
}

TEST_F(ScreensWindow, HoldsSixPagesOf792By591At4_4AndTheEditsAtTheirPlaces) {
    const WizardWindow& wizard = startWizard();

    EXPECT_EQ(rectText(rectInParent(wizard.pageControl())), "0,0 800x600");
    ASSERT_EQ(wizard.pageWindows().size(), 6u) << robot::describeWindows(wizard.pageWindows());
    int visiblePages = 0;
    for (HWND page : wizard.pageWindows()) {
        EXPECT_EQ(rectText(rectInParent(page)), "4,4 792x591") << robot::describeWindow(page);
        visiblePages += IsWindowVisible(page) ? 1 : 0;
    }
    EXPECT_EQ(visiblePages, 1);

    for (const ExpectedEdit& expected : expectedEdits()) {
        SCOPED_TRACE(expected.name);
        const HWND edit = wizard.edit(expected.page);  // found only at its layout place
        const auto style = static_cast<unsigned long>(robot::windowStyle(edit));
        EXPECT_NE(style & ES_CENTER, 0u) << robot::hexValue(style);
        EXPECT_EQ(style & (ES_READONLY | ES_MULTILINE | ES_PASSWORD), 0u) << robot::hexValue(style);
        EXPECT_NE(robot::windowExStyle(edit) & WS_EX_CLIENTEDGE, 0) << "the ordinary edit box";
        EXPECT_EQ(utf8(robot::controlText(edit)), "1234567890");
    }
}

TEST_F(ScreensWindow, TheProgramCarriesOneIconOf45By45In256ColoursAndNoManifest) {
    const ProgramResources resources(distDir() + L"\\" + kProgramFile);

    const auto group = resources.find(L"MAINICON", MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
    ASSERT_GE(group.size(), sizeof(IconGroupHeader) + sizeof(IconGroupEntry));
    const auto* header = reinterpret_cast<const IconGroupHeader*>(group.data());
    ASSERT_EQ(header->count, 1) << "a single image";
    const auto* entry = reinterpret_cast<const IconGroupEntry*>(header + 1);
    EXPECT_EQ(entry->width, 45);
    EXPECT_EQ(entry->height, 45);
    EXPECT_TRUE(entry->bitCount == 8 || (entry->bitCount == 0 && entry->colourCount == 0))
        << "bits " << entry->bitCount << ", colours " << int{entry->colourCount};

    // The classic control look: nothing asks for the styled controls.
    EXPECT_TRUE(
        resources.find(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */).empty());
}

// --- The first display -----------------------------------------------------------------------

// Decoded here and there by the same decoder and blitted unchanged: only rounding may differ.
constexpr int kExactTolerance = 8;

class ScreensFirstDisplay : public ScreensTest {};

TEST_F(ScreensFirstDisplay, ShowsTheInstructionHighlightAndTheBackgroundElsewhere) {
    const WizardWindow& wizard = startWizard();
    const robot::Image client = wizard.capture();

    const ExpectedOverlay& doc = expectedOverlay("imgDoc");
    const SIZE docPart = visiblePart(doc);
    EXPECT_EQ(docPart.cx, 176);
    EXPECT_EQ(docPart.cy, 43);
    EXPECT_LE(differingShare(client, 525 + 4, 440 + 4, assetPicture(doc.picture), docPart.cx,
                             docPart.cy, kExactTolerance),
              0.001)
        << "imgDoc at page point 525,440";

    const robot::Image& background = pageBackground(0);
    for (const char* name : {"imgEnable", "imgClose"}) {
        SCOPED_TRACE(name);
        const ExpectedOverlay& overlay = expectedOverlay(name);
        const SIZE part = visiblePart(overlay);
        robot::Image place(part.cx, part.cy);
        for (int y = 0; y < part.cy; ++y) {
            for (int x = 0; x < part.cx; ++x) {
                place.setPixel(x, y, background.pixel(overlay.place.x + x, overlay.place.y + y));
            }
        }
        const int left = overlay.place.x + kPageLeft;
        const int top = overlay.place.y + kPageTop;
        EXPECT_LE(differingShare(client, left, top, place, part.cx, part.cy), 0.02)
            << "the stretched background";
        EXPECT_GE(
            differingShare(client, left, top, assetPicture(overlay.picture), part.cx, part.cy),
            0.10)
            << "not the highlighted button";
    }
}

TEST_F(ScreensFirstDisplay, TheBandAroundThePageShowsOnlyThePageControlsFrame) {
    const WizardWindow& wizard = startWizard();
    const robot::Image client = wizard.capture();

    // The frame is drawn in the 3-D colours; a tab, a caption or the picture would bring others.
    const int frameColours[] = {COLOR_BTNFACE, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,
                                COLOR_3DDKSHADOW, COLOR_3DLIGHT};
    auto isFrameColour = [&](robot::Rgb p) {
        return std::any_of(std::begin(frameColours), std::end(frameColours), [&](int index) {
            const COLORREF c = GetSysColor(index);
            return p == robot::Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
        });
    };
    int outside = 0;
    std::string first;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            const bool inPage = x >= 4 && x < 4 + 792 && y >= 4 && y < 4 + 591;
            if (!inPage && !isFrameColour(client.pixel(x, y))) {
                if (outside++ == 0) {
                    first = std::to_string(x) + "," + std::to_string(y);
                }
            }
        }
    }
    EXPECT_EQ(outside, 0) << "band pixels in other colours, the first at " << first;
}

}  // namespace
}  // namespace velmar::e2e
