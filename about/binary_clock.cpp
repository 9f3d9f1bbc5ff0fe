#include "about/binary_clock.h"

#include <cstddef>

namespace vistrel {

const std::array<int, kClockBitCount> kClockBitWeights{16, 8, 4, 2, 1, 32, 16, 8, 4, 2, 1, 32, 16, 8, 4, 2, 1};

namespace {

constexpr int kHourBits = 5;
constexpr int kMinuteBits = 6;

// Walks one row from its highest weight down, lighting a bit whenever the rest still holds it.
void FillRow(int value, int first, int count, TClockBits &bits)
{
    for (int i = first; i < first + count; ++i) {
        const int weight = kClockBitWeights[static_cast<std::size_t>(i)];
        bits[static_cast<std::size_t>(i)] = value >= weight;
        if (value >= weight)
            value -= weight;
    }
}

} // namespace

TClockBits BinaryClockBits(int hour, int minute, int second)
{
    TClockBits bits{};
    FillRow(hour, 0, kHourBits, bits);
    FillRow(minute, kHourBits, kMinuteBits, bits);
    FillRow(second, kHourBits + kMinuteBits, kMinuteBits, bits);
    return bits;
}

} // namespace vistrel
