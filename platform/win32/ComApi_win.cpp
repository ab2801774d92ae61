#include "platform/win32/ComApi_win.h"

#include <ole2.h>

#include <cstring>

#include "platform/win32/SystemText_win.h"

namespace velmar::win32 {

static_assert(sizeof(CLSID) == sizeof(app::ClassId::bytes));

HResult ComApiWin32::oleInitialize() {
    return OleInitialize(nullptr);
}

void ComApiWin32::oleUninitialize() {
    OleUninitialize();
}

HResult ComApiWin32::coInitialize() {
    return CoInitialize(nullptr);
}

void ComApiWin32::coUninitialize() {
    CoUninitialize();
}

HResult ComApiWin32::clsidFromProgId(TextView progId, app::ClassId& clsid) {
    const Text name(progId);
    CLSID value{};
    const HRESULT hr = CLSIDFromProgID(wide(name), &value);
    std::memcpy(clsid.bytes.data(), &value, sizeof value);
    return hr;
}

HResult ComApiWin32::createDriverInstance(const app::ClassId& clsid, std::uint32_t classContext) {
    CLSID value;
    std::memcpy(&value, clsid.bytes.data(), sizeof value);
    IDispatch* object = nullptr;
    const HRESULT hr = CoCreateInstance(value, nullptr, classContext, IID_IDispatch,
                                        reinterpret_cast<void**>(&object));
    if (SUCCEEDED(hr)) {
        if (object == nullptr) {
            return E_NOINTERFACE;
        }
        VARIANT* slot = driver_.put();
        slot->vt = VT_DISPATCH;
        slot->pdispVal = object;  // the reference CoCreateInstance gave now belongs to Driver
    }
    return hr;
}

void ComApiWin32::clearDriver() {
    driver_.clear();
}

}  // namespace velmar::win32
