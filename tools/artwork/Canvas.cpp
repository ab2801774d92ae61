#include "tools/artwork/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

#include <fontconfig/fontconfig.h>
#include <pango/pangofc-fontmap.h>

#ifndef VELMAR_FONT_DIR
#define VELMAR_FONT_DIR "/usr/share/fonts/truetype"
#endif

namespace velmar::artwork {
namespace {

constexpr int kLabelOversample = 4;

struct FontSpec {
    Face face;
    const char* family;
    PangoWeight weight;
    const char* file;  // under VELMAR_FONT_DIR
};

// Free faces from Debian's fonts-liberation and fonts-dejavu-core; nothing else is ever looked up,
// so the pictures do not change with the fonts a machine happens to have.
constexpr FontSpec kFonts[] = {
    {Face::Body, "Liberation Sans", PANGO_WEIGHT_NORMAL, "liberation/LiberationSans-Regular.ttf"},
    {Face::BodyBold, "Liberation Sans", PANGO_WEIGHT_BOLD, "liberation/LiberationSans-Bold.ttf"},
    {Face::Narrow, "Liberation Sans Narrow", PANGO_WEIGHT_NORMAL,
     "liberation/LiberationSansNarrow-Regular.ttf"},
    {Face::NarrowBold, "Liberation Sans Narrow", PANGO_WEIGHT_BOLD,
     "liberation/LiberationSansNarrow-Bold.ttf"},
    {Face::WordMark, "DejaVu Sans", PANGO_WEIGHT_BOLD, "dejavu/DejaVuSans-Bold.ttf"},
};

const FontSpec& fontOf(Face face) {
    for (const FontSpec& f : kFonts) {
        if (f.face == face) {
            return f;
        }
    }
    throw std::logic_error("no font for face");
}

PangoFontMap* fontMap() {
    static const std::unique_ptr<PangoFontMap, GObjectRelease> map = [] {
        FcConfig* config = FcConfigCreate();
        for (const FontSpec& f : kFonts) {
            const std::string path = std::string(VELMAR_FONT_DIR) + "/" + f.file;
            if (!FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(path.c_str()))) {
                FcConfigDestroy(config);
                throw std::runtime_error("font file missing: " + path);
            }
        }
        PangoFontMap* m = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
        pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(m), config);
        FcConfigDestroy(config);
        return std::unique_ptr<PangoFontMap, GObjectRelease>(m);
    }();
    return map.get();
}

double markAdvance(Mark mark, double cap) {
    switch (mark) {
        case Mark::ChevronLeft:
        case Mark::ChevronRight:
            return 0.62 * cap;
        case Mark::CircledCross:
            return 1.5 * cap;
        case Mark::None:
            break;
    }
    return 0.0;
}

bool isBold(Face face) {
    return face == Face::BodyBold || face == Face::NarrowBold || face == Face::WordMark;
}

// Marks are drawn with about the stem width of the letters beside them.
double markStroke(Face face, double cap) {
    return (isBold(face) ? 0.2 : 0.12) * cap;
}

void drawMark(cairo_t* cr, Mark mark, Face face, double left, double baseline, double cap) {
    const double stroke = markStroke(face, cap);
    const double middle = baseline - cap / 2;
    cairo_save(cr);
    cairo_set_line_width(cr, stroke);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    switch (mark) {
        case Mark::ChevronLeft:
        case Mark::ChevronRight: {
            const double half = 0.4 * cap;
            const double w = 0.36 * cap;
            const double x0 = left + (markAdvance(mark, cap) - w) / 2;
            const double tip = mark == Mark::ChevronRight ? x0 + w : x0;
            const double tail = mark == Mark::ChevronRight ? x0 : x0 + w;
            cairo_move_to(cr, tail, middle - half);
            cairo_line_to(cr, tip, middle);
            cairo_line_to(cr, tail, middle + half);
            cairo_stroke(cr);
            break;
        }
        case Mark::CircledCross: {
            const double radius = 0.66 * cap;
            const double cx = left + radius + stroke / 2;
            cairo_new_sub_path(cr);
            cairo_arc(cr, cx, middle, radius, 0, 2 * M_PI);
            cairo_stroke(cr);
            const double arm = 0.3 * cap;
            cairo_set_line_width(cr, stroke * 0.9);
            cairo_move_to(cr, cx - arm, middle - arm);
            cairo_line_to(cr, cx + arm, middle + arm);
            cairo_move_to(cr, cx + arm, middle - arm);
            cairo_line_to(cr, cx - arm, middle + arm);
            cairo_stroke(cr);
            break;
        }
        case Mark::None:
            break;
    }
    cairo_restore(cr);
}

struct RowPlan {
    double size = 0, cap = 0, baseline = 0, width = 0;
    std::vector<double> partWidths;
};

struct LabelPlan {
    std::vector<RowPlan> rows;
    double contentWidth = 0;
    double bracketWidth = 0, bracketGap = 0, bracketTop = 0, bracketBottom = 0;
    double width = 0, height = 0;
};

LabelPlan planLabel(const Typesetter& type, const LabelDesign& design, Face face, double size) {
    LabelPlan plan;
    const double cap0 = type.capHeight(face, size);
    double baseline = 0;
    for (std::size_t r = 0; r < design.rows.size(); ++r) {
        const LabelRow& row = design.rows[r];
        RowPlan rp;
        rp.size = size * row.scale;
        rp.cap = type.capHeight(face, rp.size);
        baseline = r == 0 ? rp.cap : baseline + design.rowGap * cap0 + rp.cap;
        rp.baseline = std::round(baseline);
        for (const LabelPart& part : row.parts) {
            double w = 0;
            if (part.mark != Mark::None) {
                w = markAdvance(part.mark, rp.cap);
            } else {
                const double spacing = part.text == " " ? 0.0 : design.letterSpacing * cap0;
                LayoutPtr layout = type.layout(face, rp.size, part.text, spacing);
                PangoRectangle logical;
                pango_layout_get_extents(layout.get(), nullptr, &logical);
                w = static_cast<double>(logical.width) / PANGO_SCALE;
            }
            rp.partWidths.push_back(w);
            rp.width += w;
        }
        plan.contentWidth = std::max(plan.contentWidth, rp.width);
        plan.rows.push_back(std::move(rp));
    }
    plan.height = plan.rows.back().baseline + 0.25 * plan.rows.back().cap;
    if (design.angleBrackets) {
        plan.bracketTop = -0.12 * cap0;
        plan.bracketBottom = plan.rows.back().baseline + 0.12 * cap0;
        plan.bracketWidth = 0.2 * (plan.bracketBottom - plan.bracketTop);
        plan.bracketGap = 0.45 * cap0;
    }
    plan.width = plan.contentWidth + 2 * (plan.bracketWidth + plan.bracketGap);
    return plan;
}

void drawBracket(cairo_t* cr, double tipX, double backX, double top, double bottom, double stroke) {
    cairo_save(cr);
    cairo_set_line_width(cr, stroke);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr, 20);
    cairo_move_to(cr, backX, top + stroke);
    cairo_line_to(cr, tipX, (top + bottom) / 2);
    cairo_line_to(cr, backX, bottom - stroke);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void drawPlannedLabel(cairo_t* cr, const Typesetter& type, const LabelDesign& design, Face face,
                      const LabelPlan& plan, double left, double top) {
    const double cap0 = plan.rows.front().cap;
    if (design.angleBrackets) {
        const double stroke = std::max(1.1, (isBold(face) ? 0.1 : 0.065) * cap0);
        const double t = top + plan.bracketTop;
        const double b = top + plan.bracketBottom;
        drawBracket(cr, left + stroke / 2, left + plan.bracketWidth, t, b, stroke);
        const double right = left + plan.width;
        drawBracket(cr, right - stroke / 2, right - plan.bracketWidth, t, b, stroke);
    }
    const double contentLeft = left + plan.bracketWidth + plan.bracketGap;
    for (std::size_t r = 0; r < plan.rows.size(); ++r) {
        const RowPlan& rp = plan.rows[r];
        const LabelRow& row = design.rows[r];
        double x = contentLeft + (plan.contentWidth - rp.width) / 2;
        const double baseline = std::round(top) + rp.baseline;
        for (std::size_t p = 0; p < row.parts.size(); ++p) {
            const LabelPart& part = row.parts[p];
            if (part.mark != Mark::None) {
                drawMark(cr, part.mark, face, x, baseline, rp.cap);
            } else if (part.text != " ") {
                LayoutPtr layout =
                    type.layout(face, rp.size, part.text, design.letterSpacing * cap0);
                cairo_move_to(cr, x, baseline);
                pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout.get(), 0));
            }
            x += rp.partWidths[p];
        }
    }
}

}  // namespace

SurfacePtr newImage(int width, int height) {
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    checkSurface(surface.get());
    return surface;
}

ContextPtr newContext(cairo_surface_t* surface) {
    ContextPtr cr(cairo_create(surface));
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(std::string("cairo: ") +
                                 cairo_status_to_string(cairo_status(cr.get())));
    }
    return cr;
}

void checkSurface(cairo_surface_t* surface) {
    const cairo_status_t status = cairo_surface_status(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(std::string("cairo: ") + cairo_status_to_string(status));
    }
}

void setColour(cairo_t* cr, Rgb colour, double alpha) {
    cairo_set_source_rgba(cr, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0, alpha);
}

PatternPtr linearGradient(double x0, double y0, Rgb from, double x1, double y1, Rgb to) {
    PatternPtr pattern(cairo_pattern_create_linear(x0, y0, x1, y1));
    cairo_pattern_add_color_stop_rgb(pattern.get(), 0, from.r / 255.0, from.g / 255.0,
                                     from.b / 255.0);
    cairo_pattern_add_color_stop_rgb(pattern.get(), 1, to.r / 255.0, to.g / 255.0, to.b / 255.0);
    return pattern;
}

std::uint8_t Mask::at(int px, int py) const {
    const int i = px - x;
    const int j = py - y;
    if (i < 0 || j < 0 || i >= width || j >= height) {
        return 0;
    }
    return alpha[static_cast<std::size_t>(j) * width + i];
}

std::optional<Box> Mask::ink() const {
    std::optional<Box> box;
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            if (alpha[static_cast<std::size_t>(j) * width + i] == 0) {
                continue;
            }
            if (!box) {
                box = Box{x + i, y + j, x + i, y + j};
            } else {
                box->left = std::min(box->left, x + i);
                box->right = std::max(box->right, x + i);
                box->top = std::min(box->top, y + j);
                box->bottom = std::max(box->bottom, y + j);
            }
        }
    }
    return box;
}

Mask renderMask(const Box& area, const std::function<void(cairo_t*)>& draw, int oversample) {
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_A8, area.width() * oversample,
                                                  area.height() * oversample));
    checkSurface(surface.get());
    {
        ContextPtr cr = newContext(surface.get());
        cairo_scale(cr.get(), oversample, oversample);
        cairo_translate(cr.get(), -area.left, -area.top);
        cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
        draw(cr.get());
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
            throw std::runtime_error(std::string("cairo: ") +
                                     cairo_status_to_string(cairo_status(cr.get())));
        }
    }
    cairo_surface_flush(surface.get());
    Mask mask{area.left, area.top, area.width(), area.height(), {}};
    mask.alpha.resize(static_cast<std::size_t>(mask.width) * mask.height);
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const int samples = oversample * oversample;
    for (int j = 0; j < mask.height; ++j) {
        for (int i = 0; i < mask.width; ++i) {
            int sum = 0;
            for (int v = 0; v < oversample; ++v) {
                const unsigned char* row = data + (j * oversample + v) * stride + i * oversample;
                for (int u = 0; u < oversample; ++u) {
                    sum += row[u];
                }
            }
            mask.alpha[static_cast<std::size_t>(j) * mask.width + i] =
                static_cast<std::uint8_t>((sum + samples / 2) / samples);
        }
    }
    return mask;
}

namespace {

SurfacePtr maskSurface(const Mask& mask) {
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_A8, mask.width, mask.height));
    checkSurface(surface.get());
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int j = 0; j < mask.height; ++j) {
        std::memcpy(data + j * stride, &mask.alpha[static_cast<std::size_t>(j) * mask.width],
                    mask.width);
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}  // namespace

void paintMask(cairo_t* cr, const Mask& mask, Rgb colour, double alpha) {
    setColour(cr, colour, alpha);
    SurfacePtr surface = maskSurface(mask);
    cairo_mask_surface(cr, surface.get(), mask.x, mask.y);
}

void paintMask(cairo_t* cr, const Mask& mask, cairo_pattern_t* pattern) {
    cairo_set_source(cr, pattern);
    SurfacePtr surface = maskSurface(mask);
    cairo_mask_surface(cr, surface.get(), mask.x, mask.y);
}

Mask blurred(const Mask& mask, int radius) {
    // Three box passes each way come close to a Gaussian.
    const int pad = 3 * radius;
    Mask out{mask.x - pad, mask.y - pad, mask.width + 2 * pad, mask.height + 2 * pad, {}};
    std::vector<int> a(static_cast<std::size_t>(out.width) * out.height, 0);
    for (int j = 0; j < mask.height; ++j) {
        for (int i = 0; i < mask.width; ++i) {
            a[static_cast<std::size_t>(j + pad) * out.width + i + pad] =
                mask.alpha[static_cast<std::size_t>(j) * mask.width + i];
        }
    }
    std::vector<int> b(a.size());
    const int span = 2 * radius + 1;
    auto pass = [&](bool horizontal) {
        const int lines = horizontal ? out.height : out.width;
        const int length = horizontal ? out.width : out.height;
        for (int l = 0; l < lines; ++l) {
            auto index = [&](int k) {
                return horizontal ? static_cast<std::size_t>(l) * out.width + k
                                  : static_cast<std::size_t>(k) * out.width + l;
            };
            int sum = 0;
            for (int k = -radius; k <= radius; ++k) {
                sum += (k >= 0 && k < length) ? a[index(k)] : 0;
            }
            for (int k = 0; k < length; ++k) {
                b[index(k)] = sum / span;
                const int drop = k - radius;
                const int add = k + radius + 1;
                sum -= (drop >= 0) ? a[index(drop)] : 0;
                sum += (add < length) ? a[index(add)] : 0;
            }
        }
        a.swap(b);
    };
    for (int n = 0; n < 3; ++n) {
        pass(true);
        pass(false);
    }
    out.alpha.resize(a.size());
    std::transform(a.begin(), a.end(), out.alpha.begin(),
                   [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); });
    return out;
}

Mask subtract(const Mask& a, const Mask& b) {
    Mask out = a;
    for (int j = 0; j < a.height; ++j) {
        for (int i = 0; i < a.width; ++i) {
            std::uint8_t& v = out.alpha[static_cast<std::size_t>(j) * a.width + i];
            v = static_cast<std::uint8_t>(v * (255 - b.at(a.x + i, a.y + j)) / 255);
        }
    }
    return out;
}

Typesetter::Typesetter(cairo_t* cr) : context_(pango_font_map_create_context(fontMap())) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context_.get(), options);
    cairo_font_options_destroy(options);
    pango_cairo_update_context(cr, context_.get());
}

LayoutPtr Typesetter::layout(Face face, double size, std::string_view text,
                             double letterSpacing) const {
    LayoutPtr layout(pango_layout_new(context_.get()));
    const FontSpec& font = fontOf(face);
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, font.family);
    pango_font_description_set_weight(description, font.weight);
    pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
    pango_layout_set_font_description(layout.get(), description);
    pango_font_description_free(description);
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    if (letterSpacing != 0.0) {
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_letter_spacing_new(
                                               static_cast<int>(letterSpacing * PANGO_SCALE)));
        pango_layout_set_attributes(layout.get(), attributes);
        pango_attr_list_unref(attributes);
    }
    return layout;
}

double Typesetter::capHeight(Face face, double size) const {
    LayoutPtr probe = layout(face, size, "H");
    PangoRectangle ink;
    pango_layout_get_extents(probe.get(), &ink, nullptr);
    return static_cast<double>(ink.height) / PANGO_SCALE;
}

Mask fitLabel(const LabelDesign& design, Face face, const Box& box, Align align) {
    auto render = [&](double size) {
        SurfacePtr scratch = newImage(1, 1);
        ContextPtr probe = newContext(scratch.get());
        const Typesetter type(probe.get());
        const LabelPlan plan = planLabel(type, design, face, size);
        const int margin = 4 + static_cast<int>(size / 4);
        const Box area{-margin, -margin, static_cast<int>(std::ceil(plan.width)) + margin,
                       static_cast<int>(std::ceil(plan.height)) + margin};
        return renderMask(
            area,
            [&](cairo_t* cr) {
                const Typesetter local(cr);
                drawPlannedLabel(cr, local, design, face, plan, 0, 0);
            },
            kLabelOversample);
    };
    auto fits = [&](const Mask& mask) {
        const std::optional<Box> ink = mask.ink();
        return ink && ink->width() <= box.width() && ink->height() <= box.height();
    };
    double low = 2.0;
    double high = 4.0 * box.height() + 8;
    if (!fits(render(low))) {
        throw std::runtime_error("label does not fit its box at any size");
    }
    while (high - low > 0.02) {
        const double middle = (low + high) / 2;
        (fits(render(middle)) ? low : high) = middle;
    }
    Mask mask = render(low);
    const Box ink = *mask.ink();
    const int dx =
        (align == Align::Centre ? box.left + (box.width() - ink.width()) / 2 : box.left) - ink.left;
    const int dy = box.top + (box.height() - ink.height()) / 2 - ink.top;
    mask.moveBy(dx, dy);
    return mask;
}

}  // namespace velmar::artwork
