#include "ui/JpegPicture.h"

// jpeglib.h expects FILE and size_t to be declared before it.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace velmar::ui {
namespace {

// Far above any picture of the program, low enough that a forged header cannot make the decoder
// ask for gigabytes.
constexpr std::uint64_t kMaxPixels = 16u * 1024 * 1024;

struct ErrorState {
    jpeg_error_mgr manager;  // first, so that libjpeg's pointer to it points to the whole
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// libjpeg reports errors by calling back into us; the callback longjmps to the setjmp of the call
// that is running. Everything it can jump over is plain data: this struct, and the two functions
// below that make the libjpeg calls, whose locals have no destructors.
struct Session {
    jpeg_decompress_struct info;
    ErrorState error;
};

[[noreturn]] void failDecoding(j_common_ptr info) {
    auto* error = reinterpret_cast<ErrorState*>(info->err);
    info->err->format_message(info, error->message);
    std::longjmp(error->jump, 1);
}

void onMessage(j_common_ptr info, int level) {
    // A warning (level -1) means truncated or corrupt data, which libjpeg would paper over with
    // grey rows; anything else is trace output.
    if (level < 0) {
        failDecoding(info);
    }
}

bool readHeader(Session& session, const std::uint8_t* data, std::size_t size) {
    if (setjmp(session.error.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&session.info);
    jpeg_mem_src(&session.info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&session.info, TRUE);
    return true;
}

// Where the decoded rows go: each row, in BGRX, in order from the top, as soon as it is decoded.
struct RowSink {
    void (*take)(void* context, int y, const std::uint8_t* row);
    void* context;
};

void convertCmykRow(std::uint8_t* row, std::size_t pixels, bool inverted);

bool readRows(Session& session, std::uint8_t* row, const RowSink& sink, bool cmyk, bool inverted) {
    if (setjmp(session.error.jump) != 0) {
        return false;
    }
    jpeg_start_decompress(&session.info);
    if (session.info.output_components != 4 ||
        session.info.output_width != session.info.image_width) {
        std::snprintf(session.error.message, sizeof session.error.message,
                      "unexpected output layout");
        return false;
    }
    while (session.info.output_scanline < session.info.output_height) {
        const auto y = static_cast<int>(session.info.output_scanline);
        JSAMPROW rows[] = {row};
        jpeg_read_scanlines(&session.info, rows, 1);
        if (cmyk) {
            convertCmykRow(row, session.info.output_width, inverted);
        }
        sink.take(sink.context, y, row);
    }
    jpeg_finish_decompress(&session.info);
    return true;
}

class SessionOwner {
  public:
    SessionOwner() {
        session_.info.err = jpeg_std_error(&session_.error.manager);
        session_.error.manager.error_exit = failDecoding;
        session_.error.manager.emit_message = onMessage;
    }
    // Safe on a session that never got created: libjpeg checks for its memory manager.
    ~SessionOwner() { jpeg_destroy_decompress(&session_.info); }
    SessionOwner(const SessionOwner&) = delete;
    SessionOwner& operator=(const SessionOwner&) = delete;

    Session& get() { return session_; }

  private:
    Session session_{};
};

[[noreturn]] void throwCorrupt(const Session& session) {
    throw PictureError(u"Повреждённое изображение: " + fromUtf8(session.error.message));
}

// a * b / 255, rounded, for a and b in 0..255.
inline std::uint8_t scale255(unsigned a, unsigned b) {
    const unsigned t = a * b + 128;
    return static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
}

// The row holds C, M, Y, K bytes, which become B, G, R, X in place.
void convertCmykRow(std::uint8_t* row, std::size_t pixels, bool inverted) {
    const std::uint8_t flip = inverted ? 0 : 255;
    std::uint8_t* p = row;
    std::uint8_t* const end = p + pixels * 4;
    for (; p != end; p += 4) {
        const unsigned c = p[0] ^ flip;
        const unsigned m = p[1] ^ flip;
        const unsigned y = p[2] ^ flip;
        const unsigned k = p[3] ^ flip;
        p[0] = scale255(y, k);
        p[1] = scale255(m, k);
        p[2] = scale255(c, k);
        p[3] = 255;
    }
}

// Spreads the rows of a source picture over an area that the picture fills; rows arrive in
// order, and each area row is written once, from the first source row that lands on it.
class Stretch {
  public:
    Stretch(PictureSize source, int width, int height, std::span<std::uint8_t> target)
        : source_(source), width_(width), height_(height), target_(target) {
        if (width <= 0 || height <= 0) {
            throw std::invalid_argument("stretch: empty area");
        }
        if (target.size() / 4 / static_cast<std::size_t>(width) <
            static_cast<std::size_t>(height)) {
            throw std::length_error("stretch: target too small");
        }
        if (source.width != width) {
            columns_.resize(static_cast<std::size_t>(width));
            for (int x = 0; x < width; ++x) {
                columns_[static_cast<std::size_t>(x)] =
                    static_cast<std::size_t>(firstLanding(x, source.width, width)) * 4;
            }
        }
    }

    static void take(void* self, int y, const std::uint8_t* row) {
        static_cast<Stretch*>(self)->rowArrived(y, row);
    }

    void rowArrived(int sourceRow, const std::uint8_t* row) {
        const std::size_t stride = static_cast<std::size_t>(width_) * 4;
        for (; nextRow_ < height_ && firstLanding(nextRow_, source_.height, height_) == sourceRow;
             ++nextRow_) {
            std::uint8_t* out = target_.data() + static_cast<std::size_t>(nextRow_) * stride;
            if (columns_.empty()) {
                std::memcpy(out, row, stride);
                continue;
            }
            for (std::size_t x = 0; x < columns_.size(); ++x) {
                std::memcpy(out + x * 4, row + columns_[x], 4);
            }
        }
    }

  private:
    // ceil(p * sourceSize / areaSize): the first source point landing on area point p.
    static int firstLanding(int p, int sourceSize, int areaSize) {
        const std::int64_t first =
            (std::int64_t{p} * sourceSize + areaSize - 1) / std::int64_t{areaSize};
        return static_cast<int>(std::min<std::int64_t>(first, sourceSize - 1));
    }

    PictureSize source_;
    int width_;
    int height_;
    std::span<std::uint8_t> target_;
    std::vector<std::size_t> columns_;  // byte offset in a source row; empty when widths agree
    int nextRow_ = 0;
};

// Where a picture of a given size is to be drawn.
struct Area {
    int width;
    int height;
    std::span<std::uint8_t> pixels;
};

void readHeaderOrThrow(Session& session, std::span<const std::uint8_t> jpeg) {
    if (jpeg.size() > std::numeric_limits<unsigned long>::max()) {
        throw PictureError(u"Повреждённое изображение: слишком длинные данные");
    }
    if (!readHeader(session, jpeg.data(), jpeg.size())) {
        throwCorrupt(session);
    }
}

template <typename PrepareArea>
void decodeWith(std::span<const std::uint8_t> jpeg, PrepareArea prepareArea) {
    SessionOwner owner;
    Session& session = owner.get();
    readHeaderOrThrow(session, jpeg);
    jpeg_decompress_struct& info = session.info;
    const std::uint64_t pixelCount = std::uint64_t{info.image_width} * info.image_height;
    if (pixelCount > kMaxPixels) {
        throw PictureError(
            u"Изображение слишком велико: " +
            fromUtf8(std::to_string(info.image_width) + "x" + std::to_string(info.image_height)));
    }
    const PictureSize size{static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
    if (size.width == 0 || size.height == 0) {
        throw PictureError(u"Повреждённое изображение: пустой размер");
    }
    const Area area = prepareArea(size);
    // libjpeg turns YCCK into CMYK itself but never CMYK into RGB; every other colour space it
    // delivers straight in the bitmap's byte order.
    const bool fourComponents =
        info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = fourComponents ? JCS_CMYK : JCS_EXT_BGRX;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(size.width) * 4);
    Stretch stretch(size, area.width, area.height, area.pixels);
    if (!readRows(session, row.data(), RowSink{&Stretch::take, &stretch}, fourComponents,
                  info.saw_Adobe_marker != 0)) {
        throwCorrupt(session);
    }
}

}  // namespace

PictureSize jpegSize(std::span<const std::uint8_t> jpeg) {
    SessionOwner owner;
    Session& session = owner.get();
    readHeaderOrThrow(session, jpeg);
    return {static_cast<int>(session.info.image_width),
            static_cast<int>(session.info.image_height)};
}

Bitmap decodeJpeg(std::span<const std::uint8_t> jpeg) {
    Bitmap bitmap;
    decodeWith(jpeg, [&](PictureSize size) {
        bitmap.width = size.width;
        bitmap.height = size.height;
        bitmap.bgrx.resize(bitmap.stride() * static_cast<std::size_t>(size.height));
        return Area{size.width, size.height, bitmap.bgrx};
    });
    return bitmap;
}

void decodeJpegInto(std::span<const std::uint8_t> jpeg, int width, int height,
                    std::span<std::uint8_t> target) {
    decodeWith(jpeg, [&](PictureSize) { return Area{width, height, target}; });
}

void stretchInto(const Bitmap& source, int width, int height, std::span<std::uint8_t> target) {
    Stretch stretch({source.width, source.height}, width, height, target);
    for (int y = 0; y < source.height; ++y) {
        stretch.rowArrived(y, source.pixel(0, y));
    }
}

}  // namespace velmar::ui
