#pragma once

#include <array>

namespace vistrel {

// The donation dialog's clock: hour bits 16..1, then minute bits 32..1, then second bits 32..1.
constexpr int kClockBitCount = 17;
using TClockBits = std::array<bool, kClockBitCount>;

extern const std::array<int, kClockBitCount> kClockBitWeights;

// Which bits are lit for a time of day (hour 0-23, minute and second 0-59).
TClockBits BinaryClockBits(int hour, int minute, int second);

} // namespace vistrel
