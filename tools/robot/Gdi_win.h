#pragma once

#include <windows.h>

#include <utility>

#include "platform/win32/Gdi_win.h"
#include "tools/robot/Image.h"

namespace velmar::robot {

// The screen's DC and a memory DC compatible with the screen, on the program's own GDI owners.
class ScreenDc : public win32::WindowDc {
  public:
    ScreenDc() : WindowDc(nullptr) {}
};

class MemoryDc : public win32::MemoryDc {
  public:
    MemoryDc() : win32::MemoryDc(nullptr) {}
};

using win32::GdiObject;

// A 32-bit top-down DIB section selected into its own memory DC for as long as it lives.
class DibCanvas {
  public:
    DibCanvas(int width, int height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC dc() const { return dc_.get(); }
    // The pixels as they are now (after GdiFlush), the unused top byte cleared.
    Image image() const;

  private:
    int width_;
    int height_;
    MemoryDc dc_;
    GdiObject<HBITMAP> bitmap_;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

}  // namespace velmar::robot
