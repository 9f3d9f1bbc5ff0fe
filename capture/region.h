#pragma once

#include "capture/capture_state.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vistrel {

// A window region as a list of rectangles with their bounding rectangle, stored in the "Mask2"
// layout: a signed 32-bit byte count S, then S bytes of region data (a 32-byte header: header
// size 32, type 1 = rectangles, rectangle count, rectangle bytes, bounding rectangle; then the
// rectangles as left, top, right, bottom), all little-endian. S = 0 means no region.
struct RegionData {
    TRect bounds;
    std::vector<TRect> rects;
};

constexpr size_t kRegionHeaderSize = 32;
constexpr size_t kRegionRectSize = 16;
// Far beyond any window outline; keeps a hostile count from demanding gigabytes.
constexpr uint32_t kMaxRegionRects = 1u << 20;
constexpr int32_t kMaxMask2DataSize = static_cast<int32_t>(kRegionHeaderSize + kRegionRectSize * kMaxRegionRects);

// The region of `rects` (each non-empty and ordered) with their bounding rectangle.
RegionData MakeRegion(std::vector<TRect> rects);

// The data size S from the first four bytes of a "Mask2" value. Throws Error unless
// 0 <= S <= kMaxMask2DataSize.
int32_t ReadMask2Size(const uint8_t size[4]);
// Region data of S bytes (the part after the size). Throws Error when it is not a
// well-formed rectangle region.
RegionData ParseRegionData(const uint8_t *data, size_t size);
// A whole "Mask2" value: no region for S = 0. Throws Error for short or malformed data.
std::optional<RegionData> ReadMask2(const std::vector<uint8_t> &bytes);
std::vector<uint8_t> WriteMask2(const std::optional<RegionData> &region);

} // namespace vistrel
