#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/AppError.h"

namespace velmar::ui {

// A decoded picture: rows from the top down, 4 bytes a pixel in the order blue, green, red and an
// unused fourth byte (255), no padding between rows. That is the layout of a top-down 32-bit DIB
// section, so the Windows side blits it as it stands.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgrx;

    std::size_t stride() const { return static_cast<std::size_t>(width) * 4; }
    const std::uint8_t* pixel(int x, int y) const {
        return bgrx.data() + static_cast<std::size_t>(y) * stride() +
               static_cast<std::size_t>(x) * 4;
    }
};

// A picture that cannot be decoded; the text says why, in words for the user.
class PictureError : public AppError {
  public:
    using AppError::AppError;
};

// The size of a JPEG held in memory, read from its header.
struct PictureSize {
    int width = 0;
    int height = 0;
};

// Decodes a JPEG held in memory: YCbCr, RGB and greyscale pictures, and four-component CMYK or YCCK
// ones. With an Adobe marker the four components are read as Adobe software writes them, inverted
// (0 is full ink); without it as plain ink values. Every warning of the decoder, such as data that
// ends early, counts as an error: a picture is shown whole or not at all. Errors are PictureError.
PictureSize jpegSize(std::span<const std::uint8_t> jpeg);
Bitmap decodeJpeg(std::span<const std::uint8_t> jpeg);

// Decodes a JPEG straight into a `width` x `height` area in the Bitmap layout (`target`, rows of
// width * 4 bytes, at least width * height * 4 bytes), stretched to fill it as stretchInto does;
// row by row, so no copy of the whole picture is made on the way.
void decodeJpegInto(std::span<const std::uint8_t> jpeg, int width, int height,
                    std::span<std::uint8_t> target);

// Draws `source` into a `width` x `height` area of the same layout so that it fills the area:
// source point (x, y) lands on area point (x * width / source width, y * height / source height),
// rounded down, and each area point shows the first source point that lands on it (when
// enlarging, the nearest one). `target` must hold width * height * 4 bytes.
void stretchInto(const Bitmap& source, int width, int height, std::span<std::uint8_t> target);

}  // namespace velmar::ui
