#pragma once

#include <cstdint>

namespace velmar::mb {

// The Windows message-box flags and answers the program uses.
constexpr std::uint32_t kOk = 0x0;
constexpr std::uint32_t kOkCancel = 0x1;
constexpr std::uint32_t kIconError = 0x10;
constexpr std::uint32_t kIconWarning = 0x30;
constexpr std::uint32_t kIconInformation = 0x40;

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

}  // namespace velmar::mb
