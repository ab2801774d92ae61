#pragma once

#include <cstdint>

namespace velmar {

// HRESULT and the few COM constants the portable code reasons about, without <windows.h>.
using HResult = std::int32_t;

constexpr HResult kSOk = 0;
constexpr HResult kSFalse = 1;

constexpr bool succeeded(HResult hr) {
    return hr >= 0;
}

// CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER: the driver may be a DLL or its own process.
constexpr std::uint32_t kDriverClassContext = 0x1 | 0x4;

}  // namespace velmar
