#pragma once

// Resource identifiers shared by the program's .rc file and its code.
#define VELMAR_PICTURE_WELCOME 100
#define VELMAR_PICTURE_FIRST_SCREEN 101
#define VELMAR_PICTURE_WARNING 102
#define VELMAR_PICTURE_CONNECTION 103
#define VELMAR_PICTURE_REGISTRATION 104
#define VELMAR_PICTURE_END 105
#define VELMAR_PICTURE_CLOSE 106
#define VELMAR_PICTURE_CONNECT 107
#define VELMAR_PICTURE_INSTRUCTION 108
#define VELMAR_PICTURE_NEXT 109
#define VELMAR_PICTURE_CANCEL 110
#define VELMAR_PICTURE_BACK 111
#define VELMAR_PICTURE_REREGISTER 112
#define VELMAR_PICTURE_OK 113

#ifndef RC_INVOKED
#include "ui/Layout.h"

namespace velmar::ui {

// The pictures are numbered in the order of the Picture enumeration.
constexpr int pictureResourceId(Picture picture) {
    return VELMAR_PICTURE_WELCOME + static_cast<int>(picture);
}
static_assert(pictureResourceId(Picture::Ok) == VELMAR_PICTURE_OK);

}  // namespace velmar::ui
#endif
