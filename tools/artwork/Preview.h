#pragma once

#include <string>

namespace velmar::artwork {

// PNG views for looking at the artwork: every stored picture as the program decodes it, the icon
// enlarged, and every page of the running window, bare and with each of its highlights in place.
void writePreviews(const std::string& assetDir, const std::string& previewDir);

}  // namespace velmar::artwork
