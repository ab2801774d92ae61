#include "tools/artwork/Preview.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <stdexcept>

#include "tools/artwork/Canvas.h"
#include "tools/artwork/Scene.h"
#include "tools/artwork/Store.h"
#include "ui/JpegPicture.h"

namespace velmar::artwork {
namespace {

using ui::Bitmap;

// The decoder's rows are B, G, R, X bytes: on a little-endian machine that is cairo's RGB24.
SurfacePtr toSurface(const Bitmap& bitmap) {
    SurfacePtr surface = newImage(bitmap.width, bitmap.height);
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < bitmap.height; ++y) {
        std::memcpy(data + y * stride, bitmap.pixel(0, y), bitmap.stride());
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

void savePng(cairo_surface_t* surface, const std::string& path) {
    if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot write " + path);
    }
}

Bitmap load(const std::string& assetDir, Picture picture) {
    return ui::decodeJpeg(readFile(assetDir + "/" + std::string(fileOf(picture).file)));
}

// Stand-ins for the window controls that stand on pages 2, 4 and 5, so that the previews show
// whether the artwork leaves them room. Liberation Sans takes Tahoma's place here.
void drawControls(cairo_t* cr, int page) {
    if (page == 0) {
        return;
    }
    const Typesetter type(cr);
    auto write = [&](const char* text, Face face, double size, double x, double baseline,
                     Rgb colour) {
        LayoutPtr layout = type.layout(face, size, text);
        setColour(cr, colour);
        cairo_move_to(cr, x, baseline);
        pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout.get(), 0));
    };
    for (const Control& control : scene().screens[page - 1].controls) {
        const Box b = control.pageBox.moved(4, 4);
        if (control.name.starts_with("edt")) {
            setColour(cr, Rgb{255, 255, 255});
            cairo_rectangle(cr, b.left, b.top, b.width(), b.height());
            cairo_fill(cr);
            setColour(cr, Rgb{128, 128, 128});
            cairo_rectangle(cr, b.left, b.top, b.width(), 1);
            cairo_rectangle(cr, b.left, b.top, 1, b.height());
            cairo_fill(cr);
            setColour(cr, Rgb{64, 64, 64});
            cairo_rectangle(cr, b.left + 1, b.top + 1, b.width() - 2, 1);
            cairo_rectangle(cr, b.left + 1, b.top + 1, 1, b.height() - 2);
            cairo_fill(cr);
            const bool big = b.height() > 26;
            const double size = big ? 19 : 13;
            LayoutPtr layout = type.layout(Face::BodyBold, size, "1234567890");
            PangoRectangle logical;
            pango_layout_get_extents(layout.get(), nullptr, &logical);
            const double w = double(logical.width) / PANGO_SCALE;
            const double h = double(logical.height) / PANGO_SCALE;
            const double baseline = double(pango_layout_get_baseline(layout.get())) / PANGO_SCALE;
            write("1234567890", Face::BodyBold, size, b.left + (b.width() - w) / 2,
                  std::round(b.top + (b.height() - h) / 2 + baseline),
                  big ? Rgb{0, 102, 204} : Rgb{0, 0, 0});
        } else if (control.name == "lbl1") {
            write("ID:", Face::BodyBold, 16, b.left, b.top + 16, Rgb{0, 0, 0});
        } else {
            write("ККМ-01Ф", Face::Body, 16, b.left, b.top + 16, Rgb{0, 0, 0});
        }
    }
}

// The window as the program shows a page: the frame of the page control around it, the page's
// background (the welcome picture scaled to the page), and the given highlights.
SurfacePtr composeWindow(const std::string& assetDir, int page,
                         const std::vector<OverlayPlace>& shown) {
    SurfacePtr window = newImage(800, 600);
    ContextPtr cr = newContext(window.get());
    cairo_set_source_rgb(cr.get(), 212 / 255.0, 208 / 255.0, 200 / 255.0);
    cairo_paint(cr.get());
    cairo_rectangle(cr.get(), 4, 4, 792, 591);
    cairo_clip(cr.get());

    const Picture background = page == 0 ? Picture::Welcome : scene().screens[page - 1].background;
    SurfacePtr picture = toSurface(load(assetDir, background));
    cairo_save(cr.get());
    if (page == 0) {
        cairo_translate(cr.get(), 4, 4);
        cairo_scale(cr.get(), 792.0 / 800, 591.0 / 600);
        cairo_set_source_surface(cr.get(), picture.get(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
    } else {
        cairo_set_source_surface(cr.get(), picture.get(), 0, 0);
    }
    cairo_paint(cr.get());
    cairo_restore(cr.get());
    drawControls(cr.get(), page);

    for (const OverlayPlace& place : shown) {
        SurfacePtr overlay = toSurface(load(assetDir, place.picture));
        const int x = place.place.x + 4;
        const int y = place.place.y + 4;
        cairo_save(cr.get());
        cairo_rectangle(cr.get(), x, y, place.controlSize.width, place.controlSize.height);
        cairo_clip(cr.get());
        cairo_set_source_surface(cr.get(), overlay.get(), x, y);
        cairo_paint(cr.get());
        cairo_restore(cr.get());
    }
    return window;
}

}  // namespace

void writePreviews(const std::string& assetDir, const std::string& previewDir) {
    for (const PictureFile& file : scene().files) {
        std::string name(file.file);
        name.replace(name.rfind('.'), std::string::npos, ".png");
        savePng(toSurface(load(assetDir, file.picture)).get(), previewDir + "/" + name);
    }
    for (int page = 0; page <= 5; ++page) {
        const std::string prefix = previewDir + "/page" + std::to_string(page);
        savePng(composeWindow(assetDir, page, {}).get(), prefix + ".png");
        for (const OverlayPlace& place : scene().places) {
            if (place.page == page) {
                savePng(composeWindow(assetDir, page, {place}).get(),
                        prefix + "-" + std::string(place.control) + ".png");
            }
        }
    }
}

}  // namespace velmar::artwork
