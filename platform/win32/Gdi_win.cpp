#include "platform/win32/Gdi_win.h"

namespace velmar::win32 {

Bitmap createDibSection(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return Bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

std::vector<RECT> updateRects(HWND window) {
    Region region(CreateRectRgn(0, 0, 0, 0));
    if (!region || GetUpdateRgn(window, region.get(), FALSE) <= NULLREGION) {
        return {};
    }
    const DWORD size = GetRegionData(region.get(), 0, nullptr);
    // RGNDATA is a header followed by its rectangles; the vector keeps it aligned for both.
    std::vector<RECT> storage((size + sizeof(RECT) - 1) / sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(storage.data());
    if (size == 0 || GetRegionData(region.get(), size, data) == 0) {
        return {};
    }
    const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
    return {rects, rects + data->rdh.nCount};
}

}  // namespace velmar::win32
