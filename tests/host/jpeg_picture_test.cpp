#include "ui/JpegPicture.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <jpeglib.h>

namespace velmar::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Rgb = std::array<int, 3>;

constexpr int kSide = 16;  // four flat 8x8 blocks: one DCT block each, so quality 100 keeps them

// One colour per quadrant (top left, top right, bottom left, bottom right), given as the
// component values the encoder stores.
struct Encoding {
    J_COLOR_SPACE input = JCS_RGB;
    J_COLOR_SPACE stored = JCS_YCbCr;
    int components = 3;
    std::array<std::array<int, 4>, 4> quadrants{};
    bool adobeMarker = true;
    bool progressive = false;
};

Bytes encode(const Encoding& encoding) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&info, &out, &outSize);
    info.image_width = kSide;
    info.image_height = kSide;
    info.input_components = encoding.components;
    info.in_color_space = encoding.input;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, encoding.stored);
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_set_quality(&info, 100, TRUE);
    info.write_Adobe_marker = encoding.adobeMarker ? TRUE : FALSE;
    if (encoding.progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(kSide * encoding.components);
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < kSide; ++x) {
            const auto& value = encoding.quadrants[(y >= 8 ? 2 : 0) + (x >= 8 ? 1 : 0)];
            for (int c = 0; c < encoding.components; ++c) {
                row[x * encoding.components + c] = static_cast<JSAMPLE>(value[c]);
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes result(out, out + outSize);
    jpeg_destroy_compress(&info);
    std::free(out);
    return result;
}

Bytes sampleCmyk() {
    Encoding encoding;
    encoding.input = JCS_CMYK;
    encoding.stored = JCS_CMYK;
    encoding.components = 4;
    encoding.quadrants = {
        {{255, 0, 0, 255}, {255, 128, 64, 100}, {0, 255, 255, 255}, {255, 255, 255, 0}}};
    return encode(encoding);
}

// Offset of the first marker `code` among the segments before the scan data.
std::size_t markerOffset(const Bytes& jpeg, std::uint8_t code) {
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        if (jpeg[at + 1] == code) {
            return at;
        }
        at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    }
    ADD_FAILURE() << "no marker " << int{code};
    return 0;
}

struct ColourCase {
    const char* name;
    Encoding encoding;
    std::array<Rgb, 4> expected;
    int tolerance;
};

void PrintTo(const ColourCase& c, std::ostream* out) {
    *out << c.name;
}

class DecodeColours : public testing::TestWithParam<ColourCase> {};

TEST_P(DecodeColours, EveryPixelHasItsQuadrantsColourInBgrxOrder) {
    const ColourCase& c = GetParam();
    const Bitmap bitmap = decodeJpeg(encode(c.encoding));
    ASSERT_EQ(bitmap.width, kSide);
    ASSERT_EQ(bitmap.height, kSide);
    ASSERT_EQ(bitmap.bgrx.size(), std::size_t{kSide * kSide * 4});
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const Rgb& want = c.expected[(y >= 8 ? 2 : 0) + (x >= 8 ? 1 : 0)];
            const std::uint8_t* p = bitmap.pixel(x, y);
            const Rgb got = {p[2], p[1], p[0]};
            for (int k = 0; k < 3; ++k) {
                ASSERT_NEAR(got[k], want[k], c.tolerance)
                    << "pixel " << x << "," << y << " channel "
                    << "RGB"[k];
            }
            ASSERT_EQ(p[3], 255) << "pixel " << x << "," << y;
        }
    }
}

Encoding cmykEncoding(J_COLOR_SPACE stored, bool adobe, std::array<std::array<int, 4>, 4> values) {
    Encoding encoding;
    encoding.input = JCS_CMYK;
    encoding.stored = stored;
    encoding.components = 4;
    encoding.adobeMarker = adobe;
    encoding.quadrants = values;
    return encoding;
}

Encoding threeComponentEncoding(J_COLOR_SPACE stored, bool progressive) {
    Encoding encoding;
    encoding.stored = stored;
    encoding.progressive = progressive;
    encoding.quadrants = {{{200, 30, 40}, {20, 180, 60}, {10, 20, 230}, {250, 250, 250}}};
    return encoding;
}

Encoding greyEncoding() {
    Encoding encoding;
    encoding.input = JCS_GRAYSCALE;
    encoding.stored = JCS_GRAYSCALE;
    encoding.components = 1;
    encoding.quadrants = {{{0}, {85}, {170}, {255}}};
    return encoding;
}

// Inverted Adobe values: R = C*K/255 and so on, so (255,128,64,100) is (100,50,25).
constexpr std::array<std::array<int, 4>, 4> kInverted = {
    {{255, 0, 0, 255}, {255, 128, 64, 100}, {0, 255, 255, 255}, {255, 255, 255, 0}}};
constexpr std::array<Rgb, 4> kInvertedRgb = {
    {{255, 0, 0}, {100, 50, 25}, {0, 255, 255}, {0, 0, 0}}};
constexpr std::array<Rgb, 4> kThreeComponentRgb = {
    {{200, 30, 40}, {20, 180, 60}, {10, 20, 230}, {250, 250, 250}}};

INSTANTIATE_TEST_SUITE_P(
    Inputs, DecodeColours,
    testing::Values(
        ColourCase{"AdobeCmyk", cmykEncoding(JCS_CMYK, true, kInverted), kInvertedRgb, 2},
        ColourCase{"AdobeYcck", cmykEncoding(JCS_YCCK, true, kInverted), kInvertedRgb, 3},
        // Without Adobe's marker the values are plain ink: full cyan is 255.
        ColourCase{
            "CmykWithoutAdobeMarker",
            cmykEncoding(JCS_CMYK, false,
                         {{{0, 255, 255, 0}, {0, 127, 191, 155}, {255, 0, 0, 0}, {0, 0, 0, 255}}}),
            kInvertedRgb, 2},
        ColourCase{"YCbCr", threeComponentEncoding(JCS_YCbCr, false), kThreeComponentRgb, 3},
        ColourCase{"ProgressiveYCbCr", threeComponentEncoding(JCS_YCbCr, true), kThreeComponentRgb,
                   3},
        ColourCase{"StoredAsRgb", threeComponentEncoding(JCS_RGB, false), kThreeComponentRgb, 2},
        ColourCase{"Greyscale",
                   greyEncoding(),
                   {{{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, {255, 255, 255}}},
                   1}),
    [](const testing::TestParamInfo<ColourCase>& info) { return std::string(info.param.name); });

struct BrokenCase {
    const char* name;
    Bytes (*make)();
    std::u16string messageStart;
};

const std::u16string kCorrupt = u"Повреждённое изображение: ";

Bytes cutAt(std::size_t size) {
    const Bytes whole = sampleCmyk();
    return Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
}

Bytes patchedSize(int width, int height) {
    Bytes jpeg = sampleCmyk();
    const std::size_t sof = markerOffset(jpeg, 0xC0);
    jpeg[sof + 5] = static_cast<std::uint8_t>(height >> 8);
    jpeg[sof + 6] = static_cast<std::uint8_t>(height);
    jpeg[sof + 7] = static_cast<std::uint8_t>(width >> 8);
    jpeg[sof + 8] = static_cast<std::uint8_t>(width);
    return jpeg;
}

std::size_t scanStart(const Bytes& jpeg) {
    const std::size_t sos = markerOffset(jpeg, 0xDA);
    return sos + 2 + (jpeg[sos + 2] << 8 | jpeg[sos + 3]);
}

void PrintTo(const BrokenCase& c, std::ostream* out) {
    *out << c.name;
}

class DecodeBroken : public testing::TestWithParam<BrokenCase> {};

TEST_P(DecodeBroken, IsAPictureErrorWithItsCause) {
    const BrokenCase& c = GetParam();
    const Bytes jpeg = c.make();
    try {
        decodeJpeg(jpeg);
        FAIL() << "decoded without an error";
    } catch (const PictureError& error) {
        EXPECT_TRUE(error.text().starts_with(c.messageStart)) << error.what();
        EXPECT_GT(error.text().size(), c.messageStart.size()) << "the cause is missing";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, DecodeBroken,
    testing::Values(
        BrokenCase{"Empty", [] { return Bytes{}; }, kCorrupt},
        BrokenCase{"NotAJpeg", [] { return Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}; },
                   kCorrupt},
        BrokenCase{"StartMarkerOnly",
                   [] {
                       return Bytes{0xFF, 0xD8};
                   },
                   kCorrupt},
        BrokenCase{"CutInTheHeader", [] { return cutAt(20); }, kCorrupt},
        BrokenCase{"CutBeforeTheScan", [] { return cutAt(markerOffset(sampleCmyk(), 0xDA)); },
                   kCorrupt},
        BrokenCase{"CutInTheScan",
                   [] {
                       const Bytes whole = sampleCmyk();
                       return cutAt((scanStart(whole) + whole.size()) / 2);
                   },
                   kCorrupt},
        BrokenCase{"EndMarkerMissing", [] { return cutAt(sampleCmyk().size() - 2); }, kCorrupt},
        BrokenCase{"MarkerInsideTheScan",
                   [] {
                       Bytes jpeg = sampleCmyk();
                       const std::size_t at = scanStart(jpeg) + 4;
                       jpeg[at] = 0xFF;
                       jpeg[at + 1] = 0xD9;
                       return jpeg;
                   },
                   kCorrupt},
        BrokenCase{"UndefinedHuffmanTable",
                   [] {
                       Bytes jpeg = sampleCmyk();
                       // The first component's table selectors, right after its id.
                       jpeg[markerOffset(jpeg, 0xDA) + 6] = 0x33;
                       return jpeg;
                   },
                   kCorrupt},
        BrokenCase{"ZeroWidth", [] { return patchedSize(0, kSide); }, kCorrupt},
        // A forged header must not make the decoder allocate what it claims.
        BrokenCase{"HugeSize", [] { return patchedSize(60000, 60000); },
                   u"Изображение слишком велико: "}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return std::string(info.param.name); });

// Stretching: a picture whose every pixel names its own column and row, so that the output says
// exactly which source pixel each target pixel shows.
Bitmap coordinatePicture(int width, int height) {
    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bgrx.resize(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bitmap.bgrx.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            p[0] = static_cast<std::uint8_t>(x & 0xFF);
            p[1] = static_cast<std::uint8_t>(x >> 8);
            p[2] = static_cast<std::uint8_t>(y & 0xFF);
            p[3] = static_cast<std::uint8_t>(y >> 8);
        }
    }
    return bitmap;
}

struct Shown {
    int x, y;
};

Shown shownAt(const Bytes& target, int width, int x, int y) {
    const std::uint8_t* p = target.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    return {p[0] | p[1] << 8, p[2] | p[3] << 8};
}

TEST(StretchInto, TheWelcomePictureOnItsPageShowsPicturePointXYAtXTimes792Over800) {
    const Bitmap picture = coordinatePicture(800, 600);
    Bytes page(792 * 591 * 4);
    stretchInto(picture, 792, 591, page);
    for (int y = 0; y < 591; ++y) {
        for (int x = 0; x < 792; ++x) {
            const Shown from = shownAt(page, 792, x, y);
            ASSERT_EQ(from.x * 792 / 800, x) << "page point " << x << "," << y;
            ASSERT_EQ(from.y * 591 / 600, y) << "page point " << x << "," << y;
            // The first picture point that lands there.
            ASSERT_TRUE(from.x == 0 || (from.x - 1) * 792 / 800 < x) << "page point " << x;
            ASSERT_TRUE(from.y == 0 || (from.y - 1) * 591 / 600 < y) << "page point " << y;
        }
    }
    // The corners show the picture's corners: nothing is cut off at either end.
    EXPECT_EQ(shownAt(page, 792, 0, 0).x, 0);
    EXPECT_EQ(shownAt(page, 792, 791, 590).x, 799);
    EXPECT_EQ(shownAt(page, 792, 791, 590).y, 599);
}

TEST(StretchInto, KeepsAPictureOfTheAreasOwnSizeAsItIsAndWritesNothingPastTheArea) {
    const Bitmap picture = coordinatePicture(7, 5);
    Bytes area(7 * 5 * 4 + 8, 0xAB);
    stretchInto(picture, 7, 5, area);
    EXPECT_TRUE(std::equal(picture.bgrx.begin(), picture.bgrx.end(), area.begin()));
    EXPECT_EQ(area[7 * 5 * 4], 0xAB);
    Bytes tooSmall(7 * 5 * 4 - 1);
    EXPECT_THROW(stretchInto(picture, 7, 5, tooSmall), std::length_error);
}

TEST(DecodeJpegInto, DrawsRowByRowWhatDecodingAndThenStretchingWouldGive) {
    const Bytes jpeg = sampleCmyk();
    const Bitmap whole = decodeJpeg(jpeg);
    EXPECT_EQ(jpegSize(jpeg).width, kSide);
    EXPECT_EQ(jpegSize(jpeg).height, kSide);
    for (const auto& [width, height] :
         {std::pair{kSide, kSide}, std::pair{11, 7}, std::pair{23, 20}}) {
        Bytes expected(static_cast<std::size_t>(width) * height * 4);
        stretchInto(whole, width, height, expected);
        Bytes drawn(expected.size());
        decodeJpegInto(jpeg, width, height, drawn);
        EXPECT_EQ(drawn, expected) << width << "x" << height;
    }
    Bytes tooSmall(kSide * kSide * 4 - 1);
    EXPECT_THROW(decodeJpegInto(jpeg, kSide, kSide, tooSmall), std::length_error);
    Bytes area(kSide * kSide * 4);
    EXPECT_THROW(decodeJpegInto(Bytes(jpeg.begin(), jpeg.begin() + 20), kSide, kSide, area),
                 PictureError);
}

}  // namespace
}  // namespace velmar::ui
