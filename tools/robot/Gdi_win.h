#pragma once

#include <windows.h>

#include <utility>

#include "tools/robot/Image.h"

namespace velmar::robot {

// Owners for the few GDI objects the robot uses.

class ScreenDc {
  public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_ != nullptr) {
            ReleaseDC(nullptr, dc_);
        }
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

class MemoryDc {
  public:
    MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {}
    ~MemoryDc() {
        if (dc_ != nullptr) {
            DeleteDC(dc_);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

template <class Handle>
class GdiObject {
  public:
    explicit GdiObject(Handle object = nullptr) : object_(object) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    Handle get() const { return object_; }
    void reset(Handle object = nullptr) {
        if (object_ != nullptr) {
            DeleteObject(object_);
        }
        object_ = object;
    }

  private:
    Handle object_;
};

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
