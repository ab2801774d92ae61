#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <cairo.h>
#include <pango/pangocairo.h>

#include "tools/artwork/Scene.h"

namespace velmar::artwork {

struct SurfaceRelease {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextRelease {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct PatternRelease {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
struct GObjectRelease {
    void operator()(void* object) const { g_object_unref(object); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceRelease>;
using ContextPtr = std::unique_ptr<cairo_t, ContextRelease>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternRelease>;
using LayoutPtr = std::unique_ptr<PangoLayout, GObjectRelease>;

// An opaque 24-bit image to draw on.
SurfacePtr newImage(int width, int height);
ContextPtr newContext(cairo_surface_t* surface);
// Throws if cairo recorded an error on the surface.
void checkSurface(cairo_surface_t* surface);

void setColour(cairo_t* cr, Rgb colour, double alpha = 1.0);
PatternPtr linearGradient(double x0, double y0, Rgb from, double x1, double y1, Rgb to);

// 8-bit coverage placed in picture coordinates: its pixel (i, j) covers picture pixel
// (x + i, y + j).
struct Mask {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<std::uint8_t> alpha;

    std::uint8_t at(int px, int py) const;
    // The box of every pixel with any coverage at all.
    std::optional<Box> ink() const;
    void moveBy(int dx, int dy) { x += dx, y += dy; }
};

// Records what `draw` paints inside the given picture rectangle; `draw` works in picture
// coordinates with an opaque source already set. With `oversample` above 1 it draws that many
// times larger and the result is averaged back down, so that small letters sit at fractions of a
// pixel rather than each on a whole one.
Mask renderMask(const Box& area, const std::function<void(cairo_t*)>& draw, int oversample = 1);
// Paints the colour, or the pattern, through the mask.
void paintMask(cairo_t* cr, const Mask& mask, Rgb colour, double alpha = 1.0);
void paintMask(cairo_t* cr, const Mask& mask, cairo_pattern_t* pattern);
// A soft copy of the mask: blurred over about `radius` pixels.
Mask blurred(const Mask& mask, int radius);
// Coverage of `a` where `b` does not cover, on a's pixels.
Mask subtract(const Mask& a, const Mask& b);

// Text, always through the fixed set of fonts the artwork is made with.
class Typesetter {
  public:
    explicit Typesetter(cairo_t* cr);
    LayoutPtr layout(Face face, double size, std::string_view text,
                     double letterSpacing = 0.0) const;
    // The height of a flat capital letter.
    double capHeight(Face face, double size) const;

  private:
    std::unique_ptr<PangoContext, GObjectRelease> context_;
};

enum class Align { Left, Centre };

// The largest size at which the label's coverage fits the box, placed there: centred in it, or
// at its left edge and centred vertically.
Mask fitLabel(const LabelDesign& design, Face face, const Box& box, Align align = Align::Centre);

}  // namespace velmar::artwork
