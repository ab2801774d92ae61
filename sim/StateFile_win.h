#pragma once

#include "sim/DriverEngine.h"

namespace velmar::sim {

// The interactive driver's state lives in %LOCALAPPDATA%\VelmarSimDriver\state.txt, so that a
// second demo run finds the register already registered.
DeviceState loadDeviceState();                   // the defaults when there is no readable file
void saveDeviceState(const DeviceState& state);  // throws std::runtime_error

}  // namespace velmar::sim
