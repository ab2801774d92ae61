#include <algorithm>
#include <array>
#include <string_view>

#include "tools/robot/Image.h"

namespace velmar::robot {

namespace {

using Bytes = std::vector<std::uint8_t>;

void putBigEndian32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void putLittleEndian(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

std::uint32_t adler32(const Bytes& data) {
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void putChunk(Bytes& out, std::string_view type, const Bytes& body) {
    putBigEndian32(out, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), body.begin(), body.end());
    putBigEndian32(out, crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Image& image) {
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(image.height()) * (1 + 3 * image.width()));
    for (int y = 0; y < image.height(); ++y) {
        raw.push_back(0);  // filter type: none
        for (int x = 0; x < image.width(); ++x) {
            const Rgb p = image.pixel(x, y);
            raw.insert(raw.end(), {p.r, p.g, p.b});
        }
    }

    Bytes zlib = {0x78, 0x01};
    constexpr std::size_t kMaxStored = 65535;
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min(kMaxStored, raw.size() - offset);
        const bool final = offset + length == raw.size();
        zlib.push_back(final ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
        putLittleEndian(zlib, static_cast<std::uint32_t>(length), 2);
        putLittleEndian(zlib, static_cast<std::uint32_t>(~length & 0xFFFF), 2);
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                    raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
        offset += length;
    } while (offset < raw.size());
    putBigEndian32(zlib, adler32(raw));

    Bytes header;
    putBigEndian32(header, static_cast<std::uint32_t>(image.width()));
    putBigEndian32(header, static_cast<std::uint32_t>(image.height()));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter, no interlace

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    return png;
}

std::vector<std::uint8_t> encodeBmp(const Image& image) {
    const std::uint32_t rowSize = (static_cast<std::uint32_t>(image.width()) * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = rowSize * static_cast<std::uint32_t>(image.height());
    constexpr std::uint32_t kHeaders = 14 + 40;

    Bytes bmp = {'B', 'M'};
    putLittleEndian(bmp, kHeaders + pixelBytes, 4);
    putLittleEndian(bmp, 0, 4);
    putLittleEndian(bmp, kHeaders, 4);
    putLittleEndian(bmp, 40, 4);  // BITMAPINFOHEADER
    putLittleEndian(bmp, static_cast<std::uint32_t>(image.width()), 4);
    putLittleEndian(bmp, static_cast<std::uint32_t>(image.height()), 4);
    putLittleEndian(bmp, 1, 2);   // planes
    putLittleEndian(bmp, 24, 2);  // bits per pixel
    putLittleEndian(bmp, 0, 4);   // BI_RGB
    putLittleEndian(bmp, pixelBytes, 4);
    putLittleEndian(bmp, 2835, 4);  // 72 dpi
    putLittleEndian(bmp, 2835, 4);
    putLittleEndian(bmp, 0, 4);
    putLittleEndian(bmp, 0, 4);
    for (int y = image.height() - 1; y >= 0; --y) {
        const std::size_t rowStart = bmp.size();
        for (int x = 0; x < image.width(); ++x) {
            const Rgb p = image.pixel(x, y);
            bmp.insert(bmp.end(), {p.b, p.g, p.r});
        }
        bmp.resize(rowStart + rowSize, 0);
    }
    return bmp;
}

}  // namespace velmar::robot
