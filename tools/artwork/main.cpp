// Draws the wizard's pictures and icon into a folder: velmar_artwork OUT_DIR [--preview DIR]
#include <cstdio>
#include <exception>
#include <string>

#include "tools/artwork/Artwork.h"
#include "tools/artwork/Preview.h"
#include "tools/artwork/Scene.h"
#include "tools/artwork/Store.h"

namespace {

// High enough that 7-pixel capitals stay crisp.
constexpr int kJpegQuality = 94;

}  // namespace

int main(int argc, char** argv) {
    using namespace velmar::artwork;
    std::string outDir;
    std::string previewDir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--preview" && i + 1 < argc) {
            previewDir = argv[++i];
        } else if (outDir.empty() && !arg.starts_with("--")) {
            outDir = arg;
        } else {
            outDir.clear();
            break;
        }
    }
    if (outDir.empty()) {
        std::fprintf(stderr, "usage: velmar_artwork OUT_DIR [--preview DIR]\n");
        return 2;
    }
    try {
        for (const PictureFile& file : scene().files) {
            SurfacePtr picture = renderPicture(file.picture);
            writeFile(outDir + "/" + std::string(file.file),
                      encodeCmykJpeg(picture.get(), kJpegQuality));
        }
        writeFile(outDir + "/icon.ico", encodeIcon(renderIcon()));
        if (!previewDir.empty()) {
            writePreviews(outDir, previewDir);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velmar_artwork: %s\n", error.what());
        return 1;
    }
    return 0;
}
