#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "sim/DriverEngine.h"

namespace velmar::sim {

using SaveState = void (*)(const DeviceState&);  // throws std::runtime_error
using Entropy = std::uint64_t (*)();

// Modal; OK keeps the person's choices (and saves them), Отмена drops them. The reset button
// restores and saves the defaults at once.
void runPropertiesDialog(HWND owner, DeviceState& state, SaveState save);

// Modal; every change applies (and is saved) at once. Only page 18 holds the cloud cash-desk
// settings; on any other page they are shown disabled.
void runAdditionalParamsDialog(HWND owner, std::optional<std::int32_t> page, DriverEngine& engine,
                               Entropy entropy, SaveState save);

}  // namespace velmar::sim
