#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ui/Layout.h"

namespace velmar::artwork {

struct Rgb {
    std::uint8_t r, g, b;
};

struct Point {
    int x, y;
};

struct Size {
    int width, height;
};

// An inclusive pixel range, the way every label box of the wizard is given.
struct Box {
    int left, top, right, bottom;

    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    bool contains(const Box& o) const {
        return o.left >= left && o.right <= right && o.top >= top && o.bottom <= bottom;
    }
    bool intersects(const Box& o) const {
        return o.left <= right && o.right >= left && o.top <= bottom && o.bottom >= top;
    }
    Box moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Box grown(int by) const { return {left - by, top - by, right + by, bottom + by}; }
};

enum class Face {
    Body,  // the panel text
    BodyBold,
    Narrow,      // drawn button labels
    NarrowBold,  // highlighted labels, the heading
    WordMark,    // the service's name in the logo
};

enum class Mark { None, ChevronLeft, ChevronRight, CircledCross };

// A run of text or a drawn mark. A space is a text part of its own, so that a label without one
// (page 1's drawn Next) is a different list of parts, not a different setting.
struct LabelPart {
    std::string_view text{};
    Mark mark = Mark::None;
};

struct LabelRow {
    std::vector<LabelPart> parts{};
    double scale = 1.0;  // font size relative to the first row
};

// A label as words and marks; its size comes from fitting it into a label box.
struct LabelDesign {
    std::vector<LabelRow> rows{};
    bool angleBrackets = false;  // tall thin brackets to the left and right of all rows
    double rowGap = 0.3;         // between rows, in cap heights of the first row
    double letterSpacing = 0.0;  // in cap heights
};

// The program's own numbering of its pictures.
using Picture = ui::Picture;

struct PictureFile {
    Picture picture;
    std::string_view file;
    Size size;
};

// A highlighted button: a white rectangle with the label in blue.
struct OverlayArt {
    Picture picture;
    const LabelDesign* label;
    Box labelBox;  // in the overlay's own coordinates
};

// A button painted into a background: a white cloud carrying a grey label.
struct DrawnButton {
    std::string_view name;
    const LabelDesign* label;
    Box labelBox;  // background coordinates
    Box cloud;     // the cloud's solid core, which holds every highlight laid over the button
};

// An overlay control at the place the running program gives it.
struct OverlayPlace {
    int page;
    std::string_view control;
    Picture picture;
    Size controlSize;
    Point place;  // page coordinates
    int button;   // index into the page's drawn buttons
};

struct Span {
    std::string_view text;
    bool underline = false;
};

// One paragraph of a panel, or a group of lines that each begin a new line; one empty line
// separates entries.
struct PanelEntry {
    std::vector<std::vector<Span>> lines{};
    bool bold = false;
    int baseline = 0;    // if set, the entry's single line sits on this baseline, beside a control
    int extraLines = 0;  // empty grid lines that follow the entry, for controls that stand there
};

// A window control that stands on a page; its place is in page coordinates.
struct Control {
    std::string_view name;
    Box pageBox;
};

struct Screen {
    int page;
    Picture background;
    std::vector<PanelEntry> text{};
    std::vector<DrawnButton> buttons{};
    std::vector<Control> controls{};
    std::vector<Box> keepClear{};  // background coordinates where no text may be drawn
};

struct DecorCloud {
    Point centre;
    std::string_view title;
    std::string_view subtitle;
};

struct Welcome {
    Box logo;
    Box claimBox;
    std::string_view claim;
    std::vector<DecorCloud> decor;
    std::vector<DrawnButton> buttons;
    Box collage;
};

struct Style {
    Rgb screenGroundLeft, screenGroundRight;
    Rgb welcomeGroundLeft, welcomeGroundRight;
    Rgb line;
    Rgb panelText, panelShadow;
    Rgb drawnLabel, welcomeDrawnLabel;
    Rgb highlightDeep, highlightLight;
    Rgb cloudEdge, cloudShadow;            // the white clouds of pages 1 to 5
    Rgb skyCloudEdge, skyShadow, skyLogo;  // the welcome screen
    Rgb ribbonLeft, ribbonRight;           // under the welcome screen's line of capitals
    Rgb decorCloudTop, decorCloudBottom, decorCloudEdge;
    Rgb iconGround;
    Box screenLogo;
    Box headingBox;
    Box panel;
    int lineY;
    int lineLeft, lineRight;
    int textLeft, textRight;
    int firstLineTop;
    double linePitch;
    double bodySize;  // pixels
    std::string_view tagline;
};

struct Scene {
    Style style;
    std::vector<PictureFile> files;
    std::string_view heading;
    std::vector<OverlayArt> overlays;
    Welcome welcome;
    std::vector<Screen> screens;  // pages 1 to 5, in page order
    std::vector<OverlayPlace> places;
};

const Scene& scene();

const PictureFile& fileOf(Picture picture);
const OverlayArt& overlayOf(Picture picture);
// The drawn buttons of a page, 0 to 5.
std::span<const DrawnButton> buttonsOf(int page);

}  // namespace velmar::artwork
