#include "tools/demo/PngFile_win.h"

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <vector>

#include "tools/robot/Capture_win.h"

namespace velmar::demo {
namespace {

using Microsoft::WRL::ComPtr;

class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    HRESULT result_;
};

bool encodeWithWic(const robot::Image& image, const std::wstring& path) {
    const ComScope com;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
        return false;
    }
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, nullptr)) || FAILED(frame->Initialize(nullptr))) {
        return false;
    }
    const auto width = static_cast<UINT>(image.width());
    const auto height = static_cast<UINT>(image.height());
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(frame->SetSize(width, height)) || FAILED(frame->SetPixelFormat(&format)) ||
        format != GUID_WICPixelFormat24bppBGR) {
        return false;
    }
    const UINT stride = (width * 3 + 3) & ~3u;
    std::vector<BYTE> rows(static_cast<std::size_t>(stride) * height);
    for (UINT y = 0; y < height; ++y) {
        BYTE* out = rows.data() + static_cast<std::size_t>(y) * stride;
        for (UINT x = 0; x < width; ++x) {
            const robot::Rgb p = image.pixel(static_cast<int>(x), static_cast<int>(y));
            out[3 * x] = p.b;
            out[3 * x + 1] = p.g;
            out[3 * x + 2] = p.r;
        }
    }
    return SUCCEEDED(
               frame->WritePixels(height, stride, static_cast<UINT>(rows.size()), rows.data())) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

void savePicture(const robot::Image& image, const std::wstring& path) {
    if (!encodeWithWic(image, path)) {
        robot::savePng(image, path);
    }
}

}  // namespace velmar::demo
