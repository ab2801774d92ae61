#include "sim/StateFile_win.h"

#include <stdexcept>

#include "sim/WinUtil_win.h"

namespace velmar::sim {

namespace {

std::optional<std::wstring> stateFolder() {
    const auto base = environmentVariable(L"LOCALAPPDATA");
    if (!base) {
        return std::nullopt;
    }
    return *base + L"\\VelmarSimDriver";
}

}  // namespace

DeviceState loadDeviceState() {
    const auto folder = stateFolder();
    if (!folder) {
        return {};
    }
    try {
        return parseDeviceState(readWholeFile(*folder + L"\\state.txt"));
    } catch (const std::runtime_error&) {
        return {};
    }
}

void saveDeviceState(const DeviceState& state) {
    const auto folder = stateFolder();
    if (!folder) {
        throw std::runtime_error("LOCALAPPDATA is not set");
    }
    if (!CreateDirectoryW(folder->c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        const DWORD code = GetLastError();
        throw std::runtime_error("cannot create " + toUtf8(u16(folder->c_str(), folder->size())) +
                                 ": " + windowsErrorText(code));
    }
    replaceFile(*folder + L"\\state.txt", serializeDeviceState(state));
}

}  // namespace velmar::sim
