#include "capture/region.h"

#include "platform/error.h"

#include <algorithm>

namespace vistrel {

namespace {

constexpr uint32_t kRectanglesType = 1;

uint32_t readU32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

int32_t readI32(const uint8_t *p) { return static_cast<int32_t>(readU32(p)); }

TRect readRect(const uint8_t *p) { return {readI32(p), readI32(p + 4), readI32(p + 8), readI32(p + 12)}; }

void writeU32(std::vector<uint8_t> &out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void writeRect(std::vector<uint8_t> &out, const TRect &r)
{
    for (int32_t value : {r.Left, r.Top, r.Right, r.Bottom})
        writeU32(out, static_cast<uint32_t>(value));
}

bool inside(const TRect &r, const TRect &bounds)
{
    return r.Left >= bounds.Left && r.Top >= bounds.Top && r.Right <= bounds.Right && r.Bottom <= bounds.Bottom;
}

[[noreturn]] void refuse(const std::string &why) { throw Error("Invalid window region data: " + why); }

} // namespace

RegionData MakeRegion(std::vector<TRect> rects)
{
    RegionData region;
    if (!rects.empty())
        region.bounds = rects.front();
    for (const TRect &r : rects)
        region.bounds = {std::min(region.bounds.Left, r.Left), std::min(region.bounds.Top, r.Top),
                         std::max(region.bounds.Right, r.Right), std::max(region.bounds.Bottom, r.Bottom)};
    region.rects = std::move(rects);
    return region;
}

int32_t ReadMask2Size(const uint8_t size[4])
{
    const int32_t dataSize = readI32(size);
    if (dataSize < 0 || dataSize > kMaxMask2DataSize)
        refuse("impossible size " + std::to_string(dataSize));
    return dataSize;
}

RegionData ParseRegionData(const uint8_t *data, size_t size)
{
    if (size < kRegionHeaderSize)
        refuse("header cut short");
    if (readU32(data) != kRegionHeaderSize || readU32(data + 4) != kRectanglesType)
        refuse("not a rectangle region");
    const uint32_t count = readU32(data + 8);
    const uint32_t rectBytes = readU32(data + 12);
    if (count > kMaxRegionRects || size != kRegionHeaderSize + kRegionRectSize * count)
        refuse("rectangle count does not match the data size");
    if (rectBytes != 0 && rectBytes != kRegionRectSize * count)
        refuse("rectangle byte size does not match the count");
    RegionData region;
    region.bounds = readRect(data + 16);
    region.rects.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const TRect r = readRect(data + kRegionHeaderSize + kRegionRectSize * i);
        if (r.Left >= r.Right || r.Top >= r.Bottom || !inside(r, region.bounds))
            refuse("rectangle " + std::to_string(i) + " is empty or outside the bounds");
        region.rects.push_back(r);
    }
    return region;
}

std::optional<RegionData> ReadMask2(const std::vector<uint8_t> &bytes)
{
    if (bytes.size() < 4)
        refuse("size cut short");
    const int32_t dataSize = ReadMask2Size(bytes.data());
    if (bytes.size() - 4 != static_cast<size_t>(dataSize))
        refuse("expected " + std::to_string(dataSize) + " bytes of region data, found " +
               std::to_string(bytes.size() - 4));
    if (dataSize == 0)
        return std::nullopt;
    return ParseRegionData(bytes.data() + 4, static_cast<size_t>(dataSize));
}

std::vector<uint8_t> WriteMask2(const std::optional<RegionData> &region)
{
    std::vector<uint8_t> out;
    if (!region) {
        writeU32(out, 0);
        return out;
    }
    if (region->rects.size() > kMaxRegionRects)
        refuse("too many rectangles");
    const auto count = static_cast<uint32_t>(region->rects.size());
    writeU32(out, static_cast<uint32_t>(kRegionHeaderSize + kRegionRectSize * count));
    writeU32(out, kRegionHeaderSize);
    writeU32(out, kRectanglesType);
    writeU32(out, count);
    writeU32(out, static_cast<uint32_t>(kRegionRectSize * count));
    writeRect(out, region->bounds);
    for (const TRect &r : region->rects)
        writeRect(out, r);
    return out;
}

} // namespace vistrel
