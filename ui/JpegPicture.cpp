#include "ui/JpegPicture.h"

// jpeglib.h expects FILE and size_t to be declared before it.
#include <csetjmp>
#include <cstdio>
#include <limits>
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

bool readRows(Session& session, std::uint8_t* pixels, std::size_t stride) {
    if (setjmp(session.error.jump) != 0) {
        return false;
    }
    jpeg_start_decompress(&session.info);
    if (session.info.output_components != 4 ||
        std::size_t{session.info.output_width} * 4 != stride) {
        std::snprintf(session.error.message, sizeof session.error.message,
                      "unexpected output layout");
        return false;
    }
    while (session.info.output_scanline < session.info.output_height) {
        JSAMPROW row = pixels + session.info.output_scanline * stride;
        jpeg_read_scanlines(&session.info, &row, 1);
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

// The rows hold C, M, Y, K bytes, which become B, G, R, X in place.
void convertCmyk(Bitmap& bitmap, bool inverted) {
    const std::uint8_t flip = inverted ? 0 : 255;
    std::uint8_t* p = bitmap.bgrx.data();
    std::uint8_t* const end = p + bitmap.bgrx.size();
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

}  // namespace

Bitmap decodeJpeg(std::span<const std::uint8_t> jpeg) {
    if (jpeg.size() > std::numeric_limits<unsigned long>::max()) {
        throw PictureError(u"Повреждённое изображение: слишком длинные данные");
    }
    SessionOwner owner;
    Session& session = owner.get();
    if (!readHeader(session, jpeg.data(), jpeg.size())) {
        throwCorrupt(session);
    }

    jpeg_decompress_struct& info = session.info;
    const std::uint64_t pixelCount = std::uint64_t{info.image_width} * info.image_height;
    if (pixelCount > kMaxPixels) {
        throw PictureError(
            u"Изображение слишком велико: " +
            fromUtf8(std::to_string(info.image_width) + "x" + std::to_string(info.image_height)));
    }
    // libjpeg turns YCCK into CMYK itself but never CMYK into RGB; every other colour space it
    // delivers straight in the bitmap's byte order.
    const bool fourComponents =
        info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = fourComponents ? JCS_CMYK : JCS_EXT_BGRX;

    Bitmap bitmap;
    bitmap.width = static_cast<int>(info.image_width);
    bitmap.height = static_cast<int>(info.image_height);
    bitmap.bgrx.resize(static_cast<std::size_t>(pixelCount) * 4);
    if (!readRows(session, bitmap.bgrx.data(), bitmap.stride())) {
        throwCorrupt(session);
    }
    if (fourComponents) {
        convertCmyk(bitmap, info.saw_Adobe_marker != 0);
    }
    return bitmap;
}

}  // namespace velmar::ui
