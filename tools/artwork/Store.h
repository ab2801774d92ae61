#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <cairo.h>

#include "tools/artwork/Artwork.h"

namespace velmar::artwork {

// Baseline JPEG of four components, CMYK with Adobe's marker (no colour transform) and no
// subsampling, holding inverted values the way Adobe software writes them: 0 is full ink.
std::vector<std::uint8_t> encodeCmykJpeg(cairo_surface_t* picture, int quality);

// An .ico file with the one 8-bit palettized image.
std::vector<std::uint8_t> encodeIcon(const IndexedImage& icon);

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readFile(const std::string& path);

}  // namespace velmar::artwork
