#pragma once

#include <string>

namespace velmar::simreg {

enum class Arch { X64, X86 };

// Registers the simulated driver DLL as the in-process server of the driver's ProgID, under
// HKLM\Software\Classes in the registry view of `view`. The DLL must exist and be built for that
// architecture. Throws std::runtime_error.
void registerDriver(Arch view, const std::wstring& dllWindowsPath);

// Removes what registerDriver wrote in that view; nothing to remove is no error. The ProgID key
// is shared by both views, so it stays while the other view still has the class registered.
void unregisterDriver(Arch view);

}  // namespace velmar::simreg
