#include "tools/artwork/Artwork.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "tools/artwork/Collage.h"

namespace velmar::artwork {
namespace {

constexpr Rgb kWhite{255, 255, 255};

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

std::string describe(const Box& b) {
    return std::to_string(b.left) + ".." + std::to_string(b.right) + " x " + std::to_string(b.top) +
           ".." + std::to_string(b.bottom);
}

// A cloud: a solid core with round puffs around it, all one filled path.

struct Circle {
    double x, y, r;
};

struct CloudShape {
    double left, top, right, bottom, radius;
    std::vector<Circle> puffs;
};

void cloudPath(cairo_t* cr, const CloudShape& c) {
    cairo_new_path(cr);
    const double r = std::min({c.radius, (c.right - c.left) / 2, (c.bottom - c.top) / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, c.right - r, c.top + r, r, -M_PI / 2, 0);
    cairo_arc(cr, c.right - r, c.bottom - r, r, 0, M_PI / 2);
    cairo_arc(cr, c.left + r, c.bottom - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, c.left + r, c.top + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
    for (const Circle& p : c.puffs) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, p.x, p.y, p.r, 0, 2 * M_PI);
    }
}

Box bounds(const CloudShape& c) {
    double l = c.left, t = c.top, r = c.right, b = c.bottom;
    for (const Circle& p : c.puffs) {
        l = std::min(l, p.x - p.r), r = std::max(r, p.x + p.r);
        t = std::min(t, p.y - p.r), b = std::max(b, p.y + p.r);
    }
    return {static_cast<int>(std::floor(l)) - 1, static_cast<int>(std::floor(t)) - 1,
            static_cast<int>(std::ceil(r)) + 1, static_cast<int>(std::ceil(b)) + 1};
}

// A puff: its centre at a share of the core's width from the left and `rise` above the core's
// edge, its radius; heights in the cloud's unit, so that wide clouds do not tower.
struct Puff {
    double along, rise, radius;
};

CloudShape cloudAround(const Box& core, std::initializer_list<Puff> top,
                       std::initializer_list<Puff> below, double unit, double cornerRadius) {
    const double w = core.width();
    CloudShape c{double(core.left), double(core.top), core.right + 1.0,
                 core.bottom + 1.0, cornerRadius,     {}};
    for (const Puff& p : top) {
        c.puffs.push_back({c.left + p.along * w, c.top - p.rise * unit, p.radius * unit});
    }
    for (const Puff& p : below) {
        c.puffs.push_back({c.left + p.along * w, c.bottom + p.rise * unit, p.radius * unit});
    }
    return c;
}

// A cloud of the row along the bottom of pages 1 to 5; its core runs off the picture's lower edge,
// with puffs along its top and down its sides.
CloudShape rowCloud(const Box& core) {
    const double unit = 40;
    return cloudAround(core,
                       {{0.12, -0.42, 0.5},
                        {0.38, -0.08, 0.58},
                        {0.66, 0.02, 0.66},
                        {0.9, -0.38, 0.5},
                        {0.0, -1.0, 0.62},
                        {1.0, -1.05, 0.62},
                        {-0.04, -1.9, 0.72},
                        {1.04, -1.95, 0.72}},
                       {}, unit, 16);
}

// A cloud floating free: round ends make its core a stadium, puffs above and below.
CloudShape floatingCloud(const Box& core, int variant) {
    const double h = core.height();
    const double unit = std::min<double>(h, 0.45 * core.width());
    CloudShape c =
        variant == 0
            ? cloudAround(core, {{0.2, -0.05, 0.45}, {0.48, 0.1, 0.62}, {0.78, -0.02, 0.44}},
                          {{0.35, -0.12, 0.34}, {0.68, -0.1, 0.36}}, unit, 0)
            : cloudAround(core, {{0.25, 0.02, 0.5}, {0.58, 0.12, 0.56}, {0.84, -0.12, 0.36}},
                          {{0.3, -0.14, 0.32}, {0.62, -0.12, 0.38}}, unit, 0);
    c.puffs.push_back({c.left, c.top + h / 2, h / 2});
    c.puffs.push_back({c.right, c.top + h / 2, h / 2});
    return c;
}

Mask fillMask(const CloudShape& c) {
    return renderMask(bounds(c), [&](cairo_t* cr) {
        cloudPath(cr, c);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        cairo_fill(cr);
    });
}

// The band of the given width just outside the cloud: every puff stroked, less the filled shape,
// which leaves the outer edge of the whole and none of the puffs' inner arcs.
Mask outline(const CloudShape& c, double width) {
    const Mask strokes =
        renderMask(bounds(c).grown(static_cast<int>(std::ceil(width)) + 1), [&](cairo_t* cr) {
            cloudPath(cr, c);
            cairo_set_line_width(cr, 2 * width);
            cairo_stroke(cr);
        });
    return subtract(strokes, fillMask(c));
}

void paintShadow(cairo_t* cr, const Mask& shape, int blur, int dropY, double alpha, Rgb colour) {
    Mask shadow = blurred(shape, blur);
    shadow.moveBy(0, dropY);
    paintMask(cr, shadow, colour, alpha);
}

// A white cloud with a soft shadow and a thin edge that shows it against white as well.
void paintWhiteCloud(cairo_t* cr, const CloudShape& c, Rgb edge, Rgb shadowColour) {
    const Mask shape = fillMask(c);
    paintShadow(cr, shape, 5, 4, 0.35, shadowColour);
    const Mask ring = outline(c, 1.3);
    paintMask(cr, shape, kWhite);
    paintMask(cr, ring, edge, 0.9);
}

// The edge of a drawn cloud symbol: a chain of circles from left to right, each crossing the next,
// standing on a flat bottom that touches the first and the last. Stroked with round joins, so
// the valleys between the puffs stay round on the inside too.
void symbolPath(cairo_t* cr, const std::vector<Circle>& chain) {
    auto crossing = [](const Circle& a, const Circle& b) {
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double d = std::hypot(dx, dy);
        const double along = (d * d + a.r * a.r - b.r * b.r) / (2 * d);
        const double across = std::sqrt(std::max(0.0, a.r * a.r - along * along));
        const double mx = a.x + along * dx / d, my = a.y + along * dy / d;
        // Of the two crossings, the upper one lies on the outline.
        const double x1 = mx + across * dy / d, y1 = my - across * dx / d;
        const double x2 = mx - across * dy / d, y2 = my + across * dx / d;
        return y1 < y2 ? std::pair{x1, y1} : std::pair{x2, y2};
    };
    auto angleOf = [](const Circle& c, std::pair<double, double> p) {
        return std::atan2(p.second - c.y, p.first - c.x);
    };
    cairo_new_path(cr);
    double from = M_PI / 2;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        double to =
            i + 1 < chain.size() ? angleOf(chain[i], crossing(chain[i], chain[i + 1])) : M_PI / 2;
        while (to <= from) {
            to += 2 * M_PI;
        }
        cairo_arc(cr, chain[i].x, chain[i].y, chain[i].r, from, to);
        if (i + 1 < chain.size()) {
            from = angleOf(chain[i + 1], crossing(chain[i], chain[i + 1]));
        }
    }
    cairo_close_path(cr);
}

Mask symbolOutline(const std::vector<Circle>& chain, double width, const Box& area) {
    return renderMask(area, [&](cairo_t* cr) {
        symbolPath(cr, chain);
        cairo_set_line_width(cr, width);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    });
}

constexpr double kLogoWidth = 179;
constexpr double kLogoHeight = 39;

// The logo: a cloud outline holding an abacus, the word mark and the tagline under it, as
// coverage of one colour.
void drawLogo(cairo_t* cr, const Box& box, const Style& style) {
    const Rgb colour{0, 0, 0};
    const double s = std::min(box.width() / kLogoWidth, box.height() / kLogoHeight);
    const double ox = box.left;
    const double oy = box.top + (box.height() - kLogoHeight * s) / 2;
    auto X = [&](double u) { return ox + u * s; };
    auto Y = [&](double v) { return oy + v * s; };

    const double line = std::max(1.7, 2.2 * s);
    const Mask ring = symbolOutline({{X(9), Y(29.5), 7.5 * s},
                                     {X(19), Y(20), 9 * s},
                                     {X(31), Y(16), 11.5 * s},
                                     {X(41), Y(28.5), 8.5 * s}},
                                    line, box.grown(4));
    paintMask(cr, ring, colour);

    // The abacus: a frame with three rods and their beads.
    cairo_save(cr);
    setColour(cr, colour);
    cairo_set_line_width(cr, std::max(1.0, 1.2 * s));
    cairo_rectangle(cr, X(15.5), Y(18.5), 22 * s, 13.5 * s);
    cairo_stroke(cr);
    cairo_set_line_width(cr, std::max(0.7, 0.7 * s));
    const double rods[] = {22, 25.25, 28.5};
    const double beads[3][3] = {{19, 22, 34}, {19, 29, 32}, {21.5, 24.5, 34}};
    for (int r = 0; r < 3; ++r) {
        cairo_move_to(cr, X(15.5), Y(rods[r]));
        cairo_line_to(cr, X(37.5), Y(rods[r]));
        cairo_stroke(cr);
        for (double b : beads[r]) {
            cairo_new_sub_path(cr);
            cairo_arc(cr, X(b), Y(rods[r]), 1.3 * s, 0, 2 * M_PI);
        }
        cairo_fill(cr);
    }
    cairo_restore(cr);

    auto boxAt = [&](double l, double t, double r, double b) {
        return Box{static_cast<int>(std::lround(X(l))), static_cast<int>(std::lround(Y(t))),
                   static_cast<int>(std::lround(X(r))), static_cast<int>(std::lround(Y(b)))};
    };
    const LabelDesign mark{.rows = {{.parts = {{"Велмар"}}}}};
    paintMask(cr, fitLabel(mark, Face::WordMark, boxAt(55, 1, 172, 27), Align::Left), colour);
    const LabelDesign tagline{.rows = {{.parts = {{style.tagline}}}}, .letterSpacing = 0.12};
    paintMask(cr, fitLabel(tagline, Face::NarrowBold, boxAt(56, 31, 178, 38), Align::Left), colour);
}

void paintLogo(cairo_t* cr, const Box& box, Rgb colour, const Style& style) {
    const Mask logo = renderMask(box.grown(8), [&](cairo_t* m) { drawLogo(m, box, style); });
    if (!box.contains(*logo.ink())) {
        fail("the logo spills out of " + describe(box) + ": " + describe(*logo.ink()));
    }
    paintMask(cr, logo, colour);
}

// The background pixels that a window rectangle can show, on either side of the scaling.
Box pictureBoxOfWindowBox(int page, const Box& window) {
    const Box p = window.moved(-4, -4);
    if (page != 0) {
        return window;
    }
    return {p.left * 800 / 792, p.top * 600 / 591, ((p.right + 1) * 800 + 791) / 792 - 1,
            ((p.bottom + 1) * 600 + 590) / 591 - 1};
}

void checkClearOf(const Mask& text, const Box& box, const std::string& what) {
    for (int y = box.top; y <= box.bottom; ++y) {
        for (int x = box.left; x <= box.right; ++x) {
            if (text.at(x, y) != 0) {
                fail(what + ": text at " + std::to_string(x) + "," + std::to_string(y));
            }
        }
    }
}

void checkApart(const Mask& a, const Mask& b, const std::string& what) {
    for (int j = 0; j < a.height; ++j) {
        for (int i = 0; i < a.width; ++i) {
            if (a.alpha[static_cast<std::size_t>(j) * a.width + i] != 0 &&
                b.at(a.x + i, a.y + j) != 0) {
                fail(what + " at " + std::to_string(a.x + i) + "," + std::to_string(a.y + j));
            }
        }
    }
}

// Every highlight laid over one of the page's buttons must fall on white, apart from the grey
// label it hides; otherwise the highlight would show as a box on the cloud.
void checkHighlightsOnWhite(cairo_surface_t* picture, int page) {
    cairo_surface_flush(picture);
    const unsigned char* data = cairo_image_surface_get_data(picture);
    const int stride = cairo_image_surface_get_stride(picture);
    for (const OverlayPlace& place : scene().places) {
        if (place.page != page) {
            continue;
        }
        const DrawnButton& button = buttonsOf(page)[place.button];
        const Box area = pictureBoxOfWindowBox(page, visibleWindowBox(place));
        if (!button.cloud.contains(area)) {
            fail(std::string(place.control) + " shows " + describe(area) +
                 " beyond its cloud core " + describe(button.cloud));
        }
        const Box label = button.labelBox.grown(1);
        for (int y = area.top; y <= area.bottom; ++y) {
            for (int x = area.left; x <= area.right; ++x) {
                const auto pixel =
                    *reinterpret_cast<const std::uint32_t*>(data + y * stride + 4 * x);
                if (!label.contains(x, y) && (pixel & 0xFFFFFF) != 0xFFFFFF) {
                    fail(std::string(place.control) + " lies on a non-white pixel at " +
                         std::to_string(x) + "," + std::to_string(y));
                }
            }
        }
    }
}

Mask panelText(const Screen& screen, const Style& style) {
    return renderMask(style.panel, [&](cairo_t* cr) {
        const Typesetter type(cr);
        int line = 0;
        for (const PanelEntry& entry : screen.text) {
            for (const std::vector<Span>& spans : entry.lines) {
                std::string text;
                PangoAttrList* attributes = pango_attr_list_new();
                for (const Span& span : spans) {
                    if (span.underline) {
                        PangoAttribute* u = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
                        u->start_index = static_cast<guint>(text.size());
                        u->end_index = static_cast<guint>(text.size() + span.text.size());
                        pango_attr_list_insert(attributes, u);
                    }
                    text += span.text;
                }
                LayoutPtr layout =
                    type.layout(entry.bold ? Face::BodyBold : Face::Body, style.bodySize, text);
                pango_layout_set_attributes(layout.get(), attributes);
                pango_attr_list_unref(attributes);
                pango_layout_set_width(layout.get(),
                                       (style.textRight - style.textLeft + 1) * PANGO_SCALE);
                pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD);
                const int lines = pango_layout_get_line_count(layout.get());
                if (entry.baseline != 0 && lines != 1) {
                    fail("a line beside a control wraps: " + text);
                }
                const double ascent = double(pango_layout_get_baseline(layout.get())) / PANGO_SCALE;
                for (int i = 0; i < lines; ++i, ++line) {
                    const double baseline =
                        entry.baseline != 0
                            ? entry.baseline
                            : std::round(style.firstLineTop + line * style.linePitch + ascent);
                    cairo_move_to(cr, style.textLeft, baseline);
                    pango_cairo_show_layout_line(cr,
                                                 pango_layout_get_line_readonly(layout.get(), i));
                }
            }
            line += 1 + entry.extraLines;
        }
    });
}

LabelDesign headingDesign() {
    return {.rows = {{.parts = {{scene().heading}}}}, .letterSpacing = 0.06};
}

void paintScreen(cairo_t* cr, cairo_surface_t* surface, const Screen& screen) {
    const Style& style = scene().style;
    PatternPtr ground =
        linearGradient(0, 0, style.screenGroundLeft, 800, 0, style.screenGroundRight);
    cairo_set_source(cr, ground.get());
    cairo_paint(cr);

    paintLogo(cr, style.screenLogo, kWhite, style);
    setColour(cr, style.line);
    cairo_rectangle(cr, style.lineLeft, style.lineY, style.lineRight - style.lineLeft + 1, 1);
    cairo_fill(cr);
    paintMask(cr, fitLabel(headingDesign(), Face::NarrowBold, style.headingBox), kWhite);

    const Box& p = style.panel;
    paintShadow(cr,
                renderMask(p,
                           [&](cairo_t* m) {
                               cairo_rectangle(m, p.left, p.top, p.width(), p.height());
                               cairo_fill(m);
                           }),
                6, 3, 0.3, style.panelShadow);
    setColour(cr, kWhite);
    cairo_rectangle(cr, p.left, p.top, p.width(), p.height());
    cairo_fill(cr);

    const Mask text = panelText(screen, style);
    if (const auto ink = text.ink();
        ink && (ink->left < style.textLeft || ink->right > style.textRight)) {
        fail("panel text runs out of its margins: " + describe(*ink));
    }
    for (const Box& clear : screen.keepClear) {
        checkClearOf(
            text, clear,
            "page " + std::to_string(screen.page) + " keeps " + describe(clear) + " clear");
    }
    for (const Control& control : screen.controls) {
        const Box box = control.pageBox.moved(4, 4);
        if (std::none_of(screen.keepClear.begin(), screen.keepClear.end(),
                         [&](const Box& clear) { return clear.contains(box); })) {
            fail(std::string(control.name) + " stands outside the clear places of its page");
        }
    }
    paintMask(cr, text, style.panelText);

    for (const DrawnButton& button : screen.buttons) {
        const CloudShape cloud = rowCloud(button.cloud);
        Mask grown = blurred(fillMask(cloud), 2);
        checkApart(text, grown, "text runs into the cloud of " + std::string(button.name));
        paintWhiteCloud(cr, cloud, style.cloudEdge, style.cloudShadow);
    }
    for (std::size_t b = 0; b < screen.buttons.size(); ++b) {
        paintMask(cr, drawnLabelMask(screen.page, static_cast<int>(b)), style.drawnLabel);
    }
    checkHighlightsOnWhite(surface, screen.page);
}

void paintDecorCloud(cairo_t* cr, const DecorCloud& decor, int variant, const Style& style) {
    const LabelDesign words{
        .rows = {{.parts = {{decor.title}}}, {.parts = {{decor.subtitle}}, .scale = 0.52}},
        .rowGap = 0.38,
        .letterSpacing = 0.05};
    const int halfWidth = 85;
    const Box textBox{decor.centre.x - halfWidth, decor.centre.y - 17, decor.centre.x + halfWidth,
                      decor.centre.y + 17};
    Mask text = fitLabel(words, Face::NarrowBold, textBox);
    const Box ink = *text.ink();
    const CloudShape cloud = floatingCloud(ink.grown(10), variant);
    const Mask shape = fillMask(cloud);
    paintShadow(cr, shape, 5, 4, 0.28, style.skyShadow);
    const Box b = bounds(cloud);
    PatternPtr fill =
        linearGradient(0, b.top, style.decorCloudTop, 0, b.bottom, style.decorCloudBottom);
    paintMask(cr, shape, fill.get());
    paintMask(cr, outline(cloud, 1.2), style.decorCloudEdge, 0.8);
    paintMask(cr, text, kWhite);
}

void paintWelcome(cairo_t* cr, cairo_surface_t* surface) {
    const Style& style = scene().style;
    const Welcome& w = scene().welcome;
    PatternPtr ground =
        linearGradient(0, 0, style.welcomeGroundLeft, 520, 0, style.welcomeGroundRight);
    cairo_set_source(cr, ground.get());
    cairo_paint(cr);
    // A touch of light from the top left, as on a sky.
    PatternPtr glow(cairo_pattern_create_radial(120, 40, 20, 120, 40, 520));
    cairo_pattern_add_color_stop_rgba(glow.get(), 0, 1, 1, 1, 0.35);
    cairo_pattern_add_color_stop_rgba(glow.get(), 1, 1, 1, 1, 0);
    cairo_set_source(cr, glow.get());
    cairo_paint(cr);

    paintLogo(cr, w.logo, style.skyLogo, style);
    const LabelDesign claim{.rows = {{.parts = {{w.claim}}}}, .letterSpacing = 0.1};
    const Mask claimText = fitLabel(claim, Face::NarrowBold, w.claimBox, Align::Left);
    // White on the pale sky would hardly read: the line sits on a blue ribbon.
    const Box ribbon = claimText.ink()->grown(5);
    const Mask band = renderMask(ribbon.grown(2), [&](cairo_t* m) {
        const double r = ribbon.height() / 2.0;
        cairo_new_sub_path(m);
        cairo_arc(m, ribbon.left - 4 + r, ribbon.top + r, r, M_PI / 2, 3 * M_PI / 2);
        cairo_arc(m, ribbon.right + 5 - r, ribbon.top + r, r, -M_PI / 2, M_PI / 2);
        cairo_close_path(m);
        cairo_fill(m);
    });
    paintShadow(cr, band, 3, 2, 0.25, style.skyShadow);
    PatternPtr bandFill =
        linearGradient(ribbon.left, 0, style.ribbonLeft, ribbon.right, 0, style.ribbonRight);
    paintMask(cr, band, bandFill.get());
    paintMask(cr, claimText, kWhite);

    for (std::size_t i = 0; i < w.decor.size(); ++i) {
        paintDecorCloud(cr, w.decor[i], static_cast<int>(i % 2), style);
    }
    paintCollage(cr, w.collage);
    for (std::size_t b = 0; b < w.buttons.size(); ++b) {
        const DrawnButton& button = w.buttons[b];
        paintWhiteCloud(cr, floatingCloud(button.cloud, b == 1 ? 0 : 1), style.skyCloudEdge,
                        style.skyShadow);
        paintMask(cr, drawnLabelMask(0, static_cast<int>(b)), style.welcomeDrawnLabel);
    }
    checkHighlightsOnWhite(surface, 0);
}

void paintOverlay(cairo_t* cr, const OverlayArt& overlay) {
    const Style& style = scene().style;
    setColour(cr, kWhite);
    cairo_paint(cr);
    const Box& box = overlay.labelBox;
    PatternPtr blue = linearGradient(box.left, box.top, style.highlightDeep, box.right + 1,
                                     box.bottom + 1, style.highlightLight);
    paintMask(cr, overlayLabelMask(overlay.picture), blue.get());
}

}  // namespace

Box windowBoxOfPicturePixels(int page, const Box& b) {
    if (page != 0) {
        return b;
    }
    const Box p{b.left * 792 / 800, b.top * 591 / 600, ((b.right + 1) * 792 + 799) / 800 - 1,
                ((b.bottom + 1) * 591 + 599) / 600 - 1};
    return p.moved(4, 4);
}

Box visibleWindowBox(const OverlayPlace& place) {
    const Size picture = fileOf(place.picture).size;
    const int w = std::min(place.controlSize.width, picture.width);
    const int h = std::min(place.controlSize.height, picture.height);
    const int left = place.place.x + 4;
    const int top = place.place.y + 4;
    return {left, top, left + w - 1, top + h - 1};
}

Mask drawnLabelMask(int page, int button) {
    const DrawnButton& b = buttonsOf(page)[button];
    return fitLabel(*b.label, Face::Narrow, b.labelBox);
}

Mask overlayLabelMask(Picture overlay) {
    const OverlayArt& art = overlayOf(overlay);
    return fitLabel(*art.label, Face::NarrowBold, art.labelBox);
}

SurfacePtr renderPicture(Picture picture) {
    const Size size = fileOf(picture).size;
    SurfacePtr surface = newImage(size.width, size.height);
    {
        ContextPtr cr = newContext(surface.get());
        if (picture == Picture::Welcome) {
            paintWelcome(cr.get(), surface.get());
        } else if (const auto screen =
                       std::find_if(scene().screens.begin(), scene().screens.end(),
                                    [&](const Screen& s) { return s.background == picture; });
                   screen != scene().screens.end()) {
            paintScreen(cr.get(), surface.get(), *screen);
        } else {
            paintOverlay(cr.get(), overlayOf(picture));
        }
    }
    checkSurface(surface.get());
    cairo_surface_flush(surface.get());
    return surface;
}

IndexedImage renderIcon() {
    const Style& style = scene().style;
    constexpr int kSide = 45;
    const Mask ring =
        symbolOutline({{12, 28, 7}, {23, 19, 10}, {34, 27, 8}}, 3.0, {0, 0, kSide - 1, kSide - 1});
    // The palette runs from the ground to white, so every blend of the two has its colour.
    IndexedImage icon{kSide, kSide, {}, {}};
    for (int i = 0; i < 256; ++i) {
        auto mix = [&](std::uint8_t from) { return std::uint32_t(from + (255 - from) * i / 255); };
        icon.palette.push_back(mix(style.iconGround.r) << 16 | mix(style.iconGround.g) << 8 |
                               mix(style.iconGround.b));
    }
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            icon.pixels.push_back(ring.at(x, y));
        }
    }
    return icon;
}

}  // namespace velmar::artwork
