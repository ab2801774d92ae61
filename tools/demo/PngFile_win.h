#pragma once

#include <string>

#include "tools/robot/Image.h"

namespace velmar::demo {

// A compressed PNG through the system's imaging component; where that cannot write one, the
// robot's own uncompressed PNG.
void savePicture(const robot::Image& image, const std::wstring& path);

}  // namespace velmar::demo
