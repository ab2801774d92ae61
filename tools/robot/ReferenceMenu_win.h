#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/robot/Image.h"

namespace velmar::robot {

// Another process's menu items cannot be read, but a menu can be told by its looks: this shows a
// popup menu of the robot's own with the given string items at a screen point, nothing selected,
// takes a picture of its window and closes it again. A program's menu that looks the same to the
// pixel has the same items in the same font.
Image pictureOfReferenceMenu(const std::vector<std::wstring>& items, POINT at);

}  // namespace velmar::robot
