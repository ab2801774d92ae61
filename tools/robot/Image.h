#pragma once

#include <cstdint>
#include <vector>

namespace velmar::robot {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A captured picture: top-down rows, one 0x00RRGGBB value per pixel (a 32-bit DIB's layout).
class Image {
  public:
    Image() = default;
    Image(int width, int height) : width_(width), height_(height), pixels_(size(width, height)) {}

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb pixel(int x, int y) const {
        const std::uint32_t value = pixels_[index(x, y)];
        return {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value)};
    }
    void setPixel(int x, int y, Rgb colour) {
        pixels_[index(x, y)] =
            (std::uint32_t{colour.r} << 16) | (std::uint32_t{colour.g} << 8) | colour.b;
    }
    std::uint32_t* data() { return pixels_.data(); }
    const std::uint32_t* data() const { return pixels_.data(); }

  private:
    static std::size_t size(int width, int height) {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    }
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// Whole file contents. The PNG is 8-bit RGB, its deflate stream in stored (uncompressed)
// blocks: large, but needs no compressor and any viewer reads it. The BMP is 24-bit bottom-up.
std::vector<std::uint8_t> encodePng(const Image& image);
std::vector<std::uint8_t> encodeBmp(const Image& image);

}  // namespace velmar::robot
