#include "tools/robot/Capture_win.h"

#include <stdexcept>

#include "tools/robot/Gdi_win.h"
#include "tools/robot/Handle_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::robot {

DibCanvas::DibCanvas(int width, int height) : width_(width), height_(height) {
    if (width <= 0 || height <= 0) {
        throw std::invalid_argument("an empty canvas (" + std::to_string(width) + "x" +
                                    std::to_string(height) + ")");
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        throwWin32Error("CreateDIBSection");
    }
    bitmap_.reset(bitmap);
    bits_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_.get(), bitmap);
}

// The bitmap is deselected before its owner deletes it.
DibCanvas::~DibCanvas() {
    SelectObject(dc_.get(), previous_);
}

Image DibCanvas::image() const {
    GdiFlush();
    Image image(width_, height_);
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    for (std::size_t i = 0; i < count; ++i) {
        image.data()[i] = bits_[i] & 0x00FFFFFFu;
    }
    return image;
}

Image captureScreen(const RECT& area) {
    DibCanvas canvas(widthOf(area), heightOf(area));
    ScreenDc screen;
    if (!BitBlt(canvas.dc(), 0, 0, widthOf(area), heightOf(area), screen.get(), area.left, area.top,
                SRCCOPY | CAPTUREBLT)) {
        throwWin32Error("BitBlt from the screen");
    }
    return canvas.image();
}

Image captureWindow(HWND window) {
    return captureScreen(windowRect(window));
}
Image captureClient(HWND window) {
    return captureScreen(clientRectOnScreen(window));
}

namespace {

void writeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        throwWin32Error("cannot create " + utf8(path));
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        throwWin32Error("cannot write " + utf8(path));
    }
}

}  // namespace

void savePng(const Image& image, const std::wstring& path) {
    writeFile(path, encodePng(image));
}
void saveBmp(const Image& image, const std::wstring& path) {
    writeFile(path, encodeBmp(image));
}

}  // namespace velmar::robot
