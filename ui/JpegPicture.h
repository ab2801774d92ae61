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

// Decodes a JPEG held in memory: YCbCr, RGB and greyscale pictures, and four-component CMYK or YCCK
// ones. With an Adobe marker the four components are read as Adobe software writes them, inverted
// (0 is full ink); without it as plain ink values. Every warning of the decoder, such as data that
// ends early, counts as an error: a picture is shown whole or not at all.
Bitmap decodeJpeg(std::span<const std::uint8_t> jpeg);

}  // namespace velmar::ui
