// Decodes the picture of each of the window's 20 picture controls with the program's decoder and
// with djpeg on the same file, and prints the times side by side. djpeg runs as a process, so the
// cost of starting it (measured on a 1 x 1 picture) is taken off its times.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "ui/JpegPicture.h"
#include "ui/Layout.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr int kRounds = 15;
constexpr double kTarget = 1.3;
constexpr double kResolutionMs = 0.5;

const char* const kPictureFiles[] = {
    "welcome.jpg", "first_screen.jpg", "warning.jpg", "connection.jpg", "registration.jpg",
    "end.jpg",     "close.jpg",        "connect.jpg", "instruction.jpg", "next.jpg",
    "cancel.jpg",  "back.jpg",         "reregister.jpg", "ok.jpg",
};

// A 1 x 1 greyscale JPEG: what djpeg costs when there is next to nothing to decode.
Bytes tinyJpeg() {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 1;
    info.image_height = 1;
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    JSAMPLE pixel = 128;
    JSAMPROW row = &pixel;
    jpeg_write_scanlines(&info, &row, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs djpeg on the file, output discarded; returns the wall time in ms, or a negative value.
double timeDjpeg(const std::string& file) {
    const char* argv[] = {"djpeg", "-outfile", "/dev/null", file.c_str(), nullptr};
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double elapsed = msSince(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

double djpegMedian(const std::string& file) {
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        const double t = timeDjpeg(file);
        if (t < 0) {
            return -1;
        }
        times.push_back(t);
    }
    return median(times);
}

double ourMedian(const Bytes& jpeg) {
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Clock::now();
        const auto bitmap = velmar::ui::decodeJpeg(jpeg);
        times.push_back(msSince(start));
        if (bitmap.width == 0) {
            return -1;
        }
    }
    return median(times);
}

}  // namespace

int main() {
    using namespace velmar::ui;
    const std::string assets = VELMAR_ASSETS_DIR;
    const std::string tiny = "/tmp/velmar-bench-tiny.jpg";
    const Bytes tinyBytes = tinyJpeg();
    std::ofstream(tiny, std::ios::binary)
        .write(reinterpret_cast<const char*>(tinyBytes.data()),
               static_cast<std::streamsize>(tinyBytes.size()));
    const double startup = djpegMedian(tiny);
    if (startup < 0) {
        std::fprintf(stderr, "djpeg is not available (Debian package libjpeg-turbo-progs)\n");
        return 1;
    }

    struct Row {
        std::string_view control;
        Picture picture;
    };
    std::vector<Row> rows;
    for (const auto& page : pageLayouts()) {
        rows.push_back({formName(page.background), page.picture});
    }
    for (const auto& overlay : overlayLayouts()) {
        rows.push_back({formName(overlay.control), overlay.picture});
    }

    std::printf("djpeg start-up cost (1 x 1 picture): %.2f ms, taken off its times\n\n", startup);
    std::printf("%-16s %-18s %9s %10s %10s %7s\n", "control", "picture", "size", "ours ms",
                "djpeg ms", "ratio");
    double oursTotal = 0;
    double djpegTotal = 0;
    double megapixels = 0;
    for (const auto& row : rows) {
        const std::string file = assets + "/" + kPictureFiles[static_cast<int>(row.picture)];
        const Bytes jpeg = readFile(file);
        const Bitmap bitmap = decodeJpeg(jpeg);
        const double ours = ourMedian(jpeg);
        const double djpeg = std::max(djpegMedian(file) - startup, 0.001);
        oursTotal += ours;
        djpegTotal += djpeg;
        megapixels += bitmap.width * static_cast<double>(bitmap.height) / 1e6;
        char size[32];
        std::snprintf(size, sizeof size, "%dx%d", bitmap.width, bitmap.height);
        // Below a fraction of a millisecond djpeg's time is lost in its start-up's jitter.
        char ratioText[16] = "-";
        if (djpeg >= kResolutionMs) {
            std::snprintf(ratioText, sizeof ratioText, "%.2f", ours / djpeg);
        }
        std::printf("%-16.*s %-18s %9s %10.3f %10.3f %7s\n", static_cast<int>(row.control.size()),
                    row.control.data(),
                    kPictureFiles[static_cast<int>(row.picture)], size, ours, djpeg, ratioText);
    }
    const double ratio = oursTotal / djpegTotal;
    std::printf("\nall 20 controls: ours %.2f ms (%.2f ms per megapixel), djpeg %.2f ms (%.2f ms per "
                "megapixel)\n",
                oursTotal, oursTotal / megapixels, djpegTotal, djpegTotal / megapixels);
    std::printf("(\"-\": too small to time against a process start)\n");
    std::printf("decode time ratio %.2f (target <= %.2f): %s\n", ratio, kTarget,
                ratio <= kTarget ? "PASS" : "FAIL");
    return 0;
}
