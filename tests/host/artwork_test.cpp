#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <jpeglib.h>

#include "tools/artwork/Artwork.h"
#include "tools/artwork/Scene.h"
#include "ui/JpegPicture.h"

#ifndef VELMAR_ASSETS_DIR
#error "VELMAR_ASSETS_DIR must name the folder of the committed pictures"
#endif

namespace velmar::artwork {

void PrintTo(const PictureFile& file, std::ostream* out) {
    *out << file.file;
}
void PrintTo(const OverlayPlace& place, std::ostream* out) {
    *out << place.control;
}
void PrintTo(const Screen& screen, std::ostream* out) {
    *out << "page " << screen.page;
}

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readAsset(std::string_view name) {
    const std::string path = std::string(VELMAR_ASSETS_DIR) + "/" + std::string(name);
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file) << "missing " << path;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

const ui::Bitmap& decodedAsset(Picture picture) {
    static std::map<Picture, ui::Bitmap> cache;
    auto found = cache.find(picture);
    if (found == cache.end()) {
        found = cache.emplace(picture, ui::decodeJpeg(readAsset(fileOf(picture).file))).first;
    }
    return found->second;
}

struct Rgb3 {
    int r, g, b;
};

Rgb3 at(const ui::Bitmap& bitmap, int x, int y) {
    const std::uint8_t* p = bitmap.pixel(x, y);
    return {p[2], p[1], p[0]};
}

bool isWhite(Rgb3 c, int least) {
    return c.r >= least && c.g >= least && c.b >= least;
}
bool isBlue(Rgb3 c) {
    return c.b >= 150 && c.b - c.r >= 80;
}
bool isGreyInk(Rgb3 c) {
    return c.r < 200 && std::abs(c.r - c.g) < 16 && std::abs(c.g - c.b) < 16;
}

// The stored form of every picture.

struct JpegFacts {
    int width = 0, height = 0, components = 0;
    J_COLOR_SPACE colourSpace = JCS_UNKNOWN;
    bool adobe = false;
    int adobeTransform = -1;
    bool allSampling1x1 = true;
    bool progressive = true, arithmetic = true;
    std::array<int, 4> firstPixelRaw{};
};

JpegFacts inspect(const Bytes& jpeg) {
    JpegFacts facts;
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    facts.width = static_cast<int>(info.image_width);
    facts.height = static_cast<int>(info.image_height);
    facts.components = info.num_components;
    facts.colourSpace = info.jpeg_color_space;
    facts.adobe = info.saw_Adobe_marker;
    facts.adobeTransform = info.Adobe_transform;
    for (int c = 0; c < info.num_components; ++c) {
        facts.allSampling1x1 &=
            info.comp_info[c].h_samp_factor == 1 && info.comp_info[c].v_samp_factor == 1;
    }
    facts.progressive = info.progressive_mode;
    facts.arithmetic = info.arith_code;
    // The raw component values, as stored, without any conversion.
    info.out_color_space = info.jpeg_color_space;
    jpeg_start_decompress(&info);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(info.output_width) * info.output_components);
    JSAMPROW rows[] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    for (int c = 0; c < std::min(4, info.output_components); ++c) {
        facts.firstPixelRaw[c] = row[c];
    }
    jpeg_abort_decompress(&info);
    jpeg_destroy_decompress(&info);
    return facts;
}

// The code of the frame marker: 0xC0 is baseline.
int frameMarker(const Bytes& jpeg) {
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const int code = jpeg[at + 1];
        if (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC) {
            return code;
        }
        at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    }
    return -1;
}

class StoredPicture : public testing::TestWithParam<PictureFile> {};

TEST_P(StoredPicture, IsABaselineInvertedCmykJpegOfItsSize) {
    const PictureFile& file = GetParam();
    const Bytes jpeg = readAsset(file.file);
    ASSERT_FALSE(jpeg.empty());
    const JpegFacts facts = inspect(jpeg);
    EXPECT_EQ(facts.width, file.size.width);
    EXPECT_EQ(facts.height, file.size.height);
    EXPECT_EQ(facts.components, 4);
    EXPECT_EQ(facts.colourSpace, JCS_CMYK);
    EXPECT_TRUE(facts.adobe);
    EXPECT_EQ(facts.adobeTransform, 0);
    EXPECT_TRUE(facts.allSampling1x1);
    EXPECT_FALSE(facts.progressive);
    EXPECT_FALSE(facts.arithmetic);
    EXPECT_EQ(frameMarker(jpeg), 0xC0);
    // The program's decoder reads the whole file without a complaint.
    EXPECT_EQ(decodedAsset(file.picture).width, file.size.width);
}

TEST(Assets, HoldInvertedValuesWhereZeroIsFullInk) {
    // An overlay's corner is white paper: no ink, which Adobe's convention stores as 255.
    const JpegFacts facts = inspect(readAsset(fileOf(Picture::Next).file));
    for (int c = 0; c < 4; ++c) {
        EXPECT_GE(facts.firstPixelRaw[c], 250) << "component " << c;
    }
    EXPECT_TRUE(isWhite(at(decodedAsset(Picture::Next), 0, 0), 250));
}

INSTANTIATE_TEST_SUITE_P(Assets, StoredPicture, testing::ValuesIn(scene().files),
                         [](const testing::TestParamInfo<PictureFile>& info) {
                             std::string name(info.param.file);
                             return name.substr(0, name.find('.'));
                         });

TEST(Assets, HoldExactlyTheFourteenPicturesAndTheIcon) {
    std::set<std::string> expected{"icon.ico"};
    for (const PictureFile& file : scene().files) {
        expected.insert(std::string(file.file));
    }
    // Every picture control names one of them; shared pictures are one file.
    for (const OverlayPlace& place : scene().places) {
        EXPECT_TRUE(expected.contains(std::string(fileOf(place.picture).file))) << place.control;
    }
    std::set<std::string> present;
    for (const auto& entry : std::filesystem::directory_iterator(VELMAR_ASSETS_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".jpg") || name.ends_with(".ico")) {
            present.insert(name);
        }
    }
    EXPECT_EQ(present, expected);
    EXPECT_EQ(expected.size(), 15u);
}

TEST(Assets, IconIsOneFortyFiveSquare256ColourImageOfAWhiteOutlineOnDarkBlue) {
    const Bytes ico = readAsset("icon.ico");
    ASSERT_GE(ico.size(), 22u + 40 + 1024);
    auto u16 = [&](std::size_t at) { return ico[at] | ico[at + 1] << 8; };
    auto u32 = [&](std::size_t at) {
        return std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16;
    };
    EXPECT_EQ(u16(0), 0);
    EXPECT_EQ(u16(2), 1);  // icon
    ASSERT_EQ(u16(4), 1);  // one image
    EXPECT_EQ(ico[6], 45);
    EXPECT_EQ(ico[7], 45);
    EXPECT_EQ(u16(12), 8);
    const std::uint32_t size = u32(14);
    const std::uint32_t offset = u32(18);
    ASSERT_EQ(offset + size, ico.size());
    EXPECT_EQ(u32(offset), 40u);
    EXPECT_EQ(u32(offset + 4), 45u);
    EXPECT_EQ(u32(offset + 8), 90u);  // colour rows and mask rows
    EXPECT_EQ(u16(offset + 14), 8);
    EXPECT_EQ(u32(offset + 16), 0u);  // uncompressed
    EXPECT_EQ(u32(offset + 32), 256u);
    const std::size_t palette = offset + 40;
    const std::size_t pixels = palette + 256 * 4;
    const int rowBytes = 48;
    ASSERT_EQ(size, 40u + 1024 + 45 * rowBytes + 45 * 8);
    auto colour = [&](int x, int y) {  // rows are stored from the bottom
        const int index = ico[pixels + static_cast<std::size_t>(44 - y) * rowBytes + x];
        const std::size_t p = palette + static_cast<std::size_t>(index) * 4;
        return Rgb3{ico[p + 2], ico[p + 1], ico[p]};
    };
    const Rgb3 corner = colour(0, 0);
    EXPECT_LT(corner.r + corner.g, 120);
    EXPECT_GT(corner.b, 90);
    EXPECT_GT(corner.b, 2 * corner.g);
    int white = 0;
    for (int y = 0; y < 45; ++y) {
        for (int x = 0; x < 45; ++x) {
            white += isWhite(colour(x, y), 240);
        }
    }
    EXPECT_GT(white, 80) << "no outline";
    // An outline, not a filled shape: the middle of the cloud is ground.
    EXPECT_EQ(colour(23, 26).b, corner.b);
}

// Where the highlights land in the running window.

// Window coordinates: pages 1 to 5 show picture point (x, y) at window point (x, y); page 0
// shrinks its picture to the 792 x 591 page whose corner is window point (4, 4).
struct PixelRange {
    int first, last;
};

PixelRange windowSpan(int picture, int pictureSize, int pageSize) {
    // The page pixels whose area overlaps the picture pixel's area.
    return {picture * pageSize / pictureSize + 4, ((picture + 1) * pageSize - 1) / pictureSize + 4};
}

Box windowBoxOf(int page, const Box& b) {
    if (page != 0) {
        return b;
    }
    return {windowSpan(b.left, 800, 792).first, windowSpan(b.top, 600, 591).first,
            windowSpan(b.right, 800, 792).last, windowSpan(b.bottom, 600, 591).last};
}

Box visiblePart(const OverlayPlace& place) {
    const Size picture = fileOf(place.picture).size;
    return {place.place.x + 4, place.place.y + 4,
            place.place.x + 4 + std::min(place.controlSize.width, picture.width) - 1,
            place.place.y + 4 + std::min(place.controlSize.height, picture.height) - 1};
}

// The colour the running window shows at a window point, with or without the overlay.
Rgb3 windowColour(const OverlayPlace& place, int x, int y, bool withOverlay) {
    if (withOverlay && visiblePart(place).contains(x, y)) {
        return at(decodedAsset(place.picture), x - 4 - place.place.x, y - 4 - place.place.y);
    }
    const Picture background =
        place.page == 0 ? Picture::Welcome : scene().screens[place.page - 1].background;
    if (place.page != 0) {
        return at(decodedAsset(background), x, y);
    }
    // The picture pixel under the page pixel's centre.
    return at(decodedAsset(background), ((x - 4) * 2 + 1) * 800 / (792 * 2),
              ((y - 4) * 2 + 1) * 600 / (591 * 2));
}

class Highlight : public testing::TestWithParam<OverlayPlace> {
  protected:
    const OverlayPlace& place() const { return GetParam(); }
    const DrawnButton& button() const { return buttonsOf(place().page)[place().button]; }
};

TEST_P(Highlight, VisiblePartCoversTheDrawnLabelBox) {
    const Box drawn = windowBoxOf(place().page, button().labelBox);
    EXPECT_TRUE(visiblePart(place()).contains(drawn));
    // The overlay's own label lies in the part of its picture that the control shows.
    const Box shown = visiblePart(place()).moved(-4 - place().place.x, -4 - place().place.y);
    EXPECT_TRUE(shown.contains(overlayOf(place().picture).labelBox));
}

TEST_P(Highlight, RenderedLabelsKeepToTheirBoxes) {
    const Mask drawn = drawnLabelMask(place().page, place().button);
    ASSERT_TRUE(drawn.ink());
    EXPECT_TRUE(button().labelBox.contains(*drawn.ink()));
    const Mask blue = overlayLabelMask(place().picture);
    ASSERT_TRUE(blue.ink());
    EXPECT_TRUE(overlayOf(place().picture).labelBox.contains(*blue.ink()));
}

TEST_P(Highlight, HidesEveryGreyLabelPixelAndShowsTheBlueLabel) {
    const Box visible = visiblePart(place());
    const Mask drawn = drawnLabelMask(place().page, place().button);
    int inkPixels = 0;
    for (int y = drawn.y; y < drawn.y + drawn.height; ++y) {
        for (int x = drawn.x; x < drawn.x + drawn.width; ++x) {
            if (drawn.at(x, y) == 0) {
                continue;
            }
            const Box shows = windowBoxOf(place().page, {x, y, x, y});
            ASSERT_TRUE(visible.contains(shows))
                << "grey label pixel " << x << "," << y << " outside";
            if (drawn.at(x, y) < 160) {
                continue;
            }
            // Where the label is solid, the stored background shows it grey...
            const Picture background =
                place().page == 0 ? Picture::Welcome : scene().screens[place().page - 1].background;
            EXPECT_TRUE(isGreyInk(at(decodedAsset(background), x, y)))
                << "the stored background has no label at " << x << "," << y;
            // ...and the highlight hides it wherever it shows.
            for (int wy = shows.top; wy <= shows.bottom; ++wy) {
                for (int wx = shows.left; wx <= shows.right; ++wx) {
                    ++inkPixels;
                    EXPECT_FALSE(isGreyInk(windowColour(place(), wx, wy, true)))
                        << "grey shows through at " << wx << "," << wy;
                }
            }
        }
    }
    EXPECT_GT(inkPixels, 20);

    const Mask blue = overlayLabelMask(place().picture);
    int bluePixels = 0;
    for (int v = blue.y; v < blue.y + blue.height; ++v) {
        for (int u = blue.x; u < blue.x + blue.width; ++u) {
            if (blue.at(u, v) >= 200) {
                ++bluePixels;
                const int wx = u + place().place.x + 4;
                const int wy = v + place().place.y + 4;
                ASSERT_TRUE(visible.contains(wx, wy));
                EXPECT_TRUE(isBlue(windowColour(place(), wx, wy, true)))
                    << "at " << wx << "," << wy;
            }
        }
    }
    EXPECT_GT(bluePixels, 20);
}

TEST_P(Highlight, LiesOnWhiteCloudAwayFromTheLabels) {
    const Box visible = visiblePart(place());
    const Box drawn = windowBoxOf(place().page, button().labelBox).grown(2);
    const Box blue = overlayOf(place().picture)
                         .labelBox.moved(place().place.x + 4, place().place.y + 4)
                         .grown(2);
    for (int y = visible.top; y <= visible.bottom; ++y) {
        for (int x = visible.left; x <= visible.right; ++x) {
            if (drawn.contains(x, y) || blue.contains(x, y)) {
                continue;
            }
            ASSERT_TRUE(isWhite(windowColour(place(), x, y, false), 236))
                << "background at " << x << "," << y;
            ASSERT_TRUE(isWhite(windowColour(place(), x, y, true), 236))
                << "overlay at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Places, Highlight, testing::ValuesIn(scene().places),
                         [](const testing::TestParamInfo<OverlayPlace>& info) {
                             return std::string(info.param.control);
                         });

// What the screens promise besides the highlights.

// The widest run of empty columns inside the label's ink: the gap a space leaves.
int widestGap(const Mask& mask) {
    const Box ink = *mask.ink();
    int widest = 0, run = 0;
    for (int x = ink.left; x <= ink.right; ++x) {
        bool empty = true;
        for (int y = ink.top; y <= ink.bottom && empty; ++y) {
            empty = mask.at(x, y) == 0;
        }
        run = empty ? run + 1 : 0;
        widest = std::max(widest, run);
    }
    return widest;
}

TEST(Labels, PageOneDrawsItsNextChevronWithoutASpaceTheHighlightWithOne) {
    const int drawnPageOne = widestGap(drawnLabelMask(1, 0));
    const int drawnPageThree = widestGap(drawnLabelMask(3, 0));
    const int overlay = widestGap(overlayLabelMask(Picture::Next));
    EXPECT_LE(drawnPageOne, 2);
    EXPECT_GE(drawnPageThree, 3);
    EXPECT_GE(overlay, 3);
}

class ScreenPage : public testing::TestWithParam<Screen> {};

TEST_P(ScreenPage, LeavesTheControlsPlacesPlainWhite) {
    const Screen& screen = GetParam();
    const ui::Bitmap& picture = decodedAsset(screen.background);
    for (const Control& control : screen.controls) {
        const Box box = control.pageBox.moved(4, 4);
        EXPECT_TRUE(std::any_of(screen.keepClear.begin(), screen.keepClear.end(),
                                [&](const Box& clear) { return clear.contains(box); }))
            << control.name;
    }
    for (const Box& clear : screen.keepClear) {
        for (int y = clear.top; y <= clear.bottom; ++y) {
            for (int x = clear.left; x <= clear.right; ++x) {
                ASSERT_TRUE(isWhite(at(picture, x, y), 245)) << "at " << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenPage, testing::ValuesIn(scene().screens),
                         [](const testing::TestParamInfo<Screen>& info) {
                             return "Page" + std::to_string(info.param.page);
                         });

// The committed files are what the scene draws today: a change to the scene that was not
// regenerated shows up here.
class UpToDate : public testing::TestWithParam<PictureFile> {};

TEST_P(UpToDate, StoredPictureMatchesAFreshDrawing) {
    const PictureFile& file = GetParam();
    SurfacePtr fresh = renderPicture(file.picture);
    cairo_surface_flush(fresh.get());
    const unsigned char* data = cairo_image_surface_get_data(fresh.get());
    const int stride = cairo_image_surface_get_stride(fresh.get());
    const ui::Bitmap& stored = decodedAsset(file.picture);
    // Compression moves a channel by a dozen at most; a changed drawing moves it by far more.
    constexpr int kCompressionNoise = 40;
    for (int y = 0; y < stored.height; ++y) {
        for (int x = 0; x < stored.width; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, data + y * stride + 4 * x, 4);
            const Rgb3 s = at(stored, x, y);
            const int differs = std::max({std::abs(int(pixel >> 16 & 0xFF) - s.r),
                                          std::abs(int(pixel >> 8 & 0xFF) - s.g),
                                          std::abs(int(pixel & 0xFF) - s.b)});
            ASSERT_LE(differs, kCompressionNoise)
                << "at " << x << "," << y
                << ": the assets are older than the scene; run ./run.sh artwork";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Assets, UpToDate, testing::ValuesIn(scene().files),
                         [](const testing::TestParamInfo<PictureFile>& info) {
                             std::string name(info.param.file);
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace velmar::artwork
