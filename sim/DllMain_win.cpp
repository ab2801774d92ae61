#include <windows.h>
#include <olectl.h>

#include <stdexcept>
#include <string>

#include "sim/SimDriver_win.h"
#include "tools/simreg/SimRegistration_win.h"

namespace {

std::wstring thisDllPath() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&thisDllPath), &module);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

constexpr velmar::simreg::Arch kOwnArch =
    sizeof(void*) == 8 ? velmar::simreg::Arch::X64 : velmar::simreg::Arch::X86;

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (clsid != velmar::sim::toGuid(velmar::sim::kSimDriverClsid)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    // Stay loaded for the life of the process: a client that releases the driver after
    // CoUninitialize (which frees the apartment's DLLs) must reach our log line, not unmapped
    // memory, and the zombie objects kept for over-releases must stay callable.
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&DllGetClassObject), &pinned);
    return velmar::sim::simDriverClassFactory()->QueryInterface(riid, object);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        velmar::simreg::registerDriver(kOwnArch, thisDllPath());
        return S_OK;
    } catch (const std::exception&) {
        return SELFREG_E_CLASS;
    }
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    try {
        velmar::simreg::unregisterDriver(kOwnArch);
        return S_OK;
    } catch (const std::exception&) {
        return SELFREG_E_CLASS;
    }
}

}  // extern "C"
