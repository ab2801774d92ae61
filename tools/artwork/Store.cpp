#include "tools/artwork/Store.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <jpeglib.h>

namespace velmar::artwork {
namespace {

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

std::vector<std::uint8_t> encodeCmykJpeg(cairo_surface_t* picture, int quality) {
    cairo_surface_flush(picture);
    const int width = cairo_image_surface_get_width(picture);
    const int height = cairo_image_surface_get_height(picture);
    const int stride = cairo_image_surface_get_stride(picture);
    const unsigned char* data = cairo_image_surface_get_data(picture);

    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    // Writes the Adobe marker with transform 0 and gives every component 1x1 sampling.
    jpeg_set_colorspace(&info, JCS_CMYK);
    jpeg_set_quality(&info, quality, TRUE);
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);

    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 4);
    while (info.next_scanline < info.image_height) {
        const auto* pixels =
            reinterpret_cast<const std::uint32_t*>(data + info.next_scanline * stride);
        for (int x = 0; x < width; ++x) {
            const unsigned r = (pixels[x] >> 16) & 0xFF;
            const unsigned g = (pixels[x] >> 8) & 0xFF;
            const unsigned b = pixels[x] & 0xFF;
            // Inverted values: K is the lightness left after the black ink, and C, M, Y scale
            // it down to each channel, so that R = C * K / 255 on reading.
            const unsigned k = std::max({r, g, b});
            JSAMPLE* out = &row[static_cast<std::size_t>(x) * 4];
            out[0] = static_cast<JSAMPLE>(k == 0 ? 255 : (r * 255 + k / 2) / k);
            out[1] = static_cast<JSAMPLE>(k == 0 ? 255 : (g * 255 + k / 2) / k);
            out[2] = static_cast<JSAMPLE>(k == 0 ? 255 : (b * 255 + k / 2) / k);
            out[3] = static_cast<JSAMPLE>(k);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

std::vector<std::uint8_t> encodeIcon(const IndexedImage& icon) {
    if (icon.palette.size() != 256 || icon.width > 255 || icon.height > 255) {
        throw std::logic_error("an icon needs a 256-colour palette and a side below 256");
    }
    const int rowBytes = (icon.width + 3) / 4 * 4;
    const int maskBytes = (icon.width + 31) / 32 * 4;
    const std::uint32_t imageSize = 40 + 256 * 4 + (rowBytes + maskBytes) * icon.height;

    std::vector<std::uint8_t> out;
    put16(out, 0);  // reserved
    put16(out, 1);  // an icon, not a cursor
    put16(out, 1);  // one image
    out.push_back(static_cast<std::uint8_t>(icon.width));
    out.push_back(static_cast<std::uint8_t>(icon.height));
    out.push_back(0);  // 0: 256 colours or more
    out.push_back(0);
    put16(out, 1);  // planes
    put16(out, 8);  // bits per pixel
    put32(out, imageSize);
    put32(out, 6 + 16);

    // The image is a DIB whose height counts the colour rows and the transparency mask rows.
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(icon.width));
    put32(out, static_cast<std::uint32_t>(icon.height * 2));
    put16(out, 1);
    put16(out, 8);
    put32(out, 0);  // BI_RGB
    put32(out, imageSize - 40 - 256 * 4);
    put32(out, 0);
    put32(out, 0);
    put32(out, 256);
    put32(out, 0);
    for (std::uint32_t colour : icon.palette) {
        out.push_back(static_cast<std::uint8_t>(colour));
        out.push_back(static_cast<std::uint8_t>(colour >> 8));
        out.push_back(static_cast<std::uint8_t>(colour >> 16));
        out.push_back(0);
    }
    for (int y = icon.height - 1; y >= 0; --y) {
        const auto* row = &icon.pixels[static_cast<std::size_t>(y) * icon.width];
        out.insert(out.end(), row, row + icon.width);
        out.insert(out.end(), rowBytes - icon.width, 0);
    }
    // An all-clear mask: every pixel is opaque.
    out.insert(out.end(), static_cast<std::size_t>(maskBytes) * icon.height, 0);
    return out;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace velmar::artwork
