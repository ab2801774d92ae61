#pragma once

#include <windows.h>

#include <string>

#include "tools/robot/Image.h"

namespace velmar::robot {

// What is on the screen in that rectangle (screen coordinates), taken with one BitBlt from the
// screen DC: other processes' windows included, and whatever covers them.
Image captureScreen(const RECT& area);
Image captureWindow(HWND window);  // its window rectangle
Image captureClient(HWND window);  // its client area

void savePng(const Image& image, const std::wstring& path);
void saveBmp(const Image& image, const std::wstring& path);

}  // namespace velmar::robot
