#include "icon/icon_depth.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>

namespace vistrel {

namespace {

uint32_t packColour(PaletteEntry c)
{
    return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
}

PaletteEntry unpackColour(uint32_t rgb)
{
    return PaletteEntry{static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8),
                        static_cast<uint8_t>(rgb >> 16), 0};
}

int channel(uint32_t rgb, int axis) // axis 0 = red, 1 = green, 2 = blue
{
    return static_cast<int>((rgb >> (16 - 8 * axis)) & 0xFF);
}

struct ColourCount {
    uint32_t rgb;
    uint32_t count;
};

std::vector<ColourCount> histogram(const TBitmap &picture)
{
    std::unordered_map<uint32_t, uint32_t> counts;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ++counts[packColour(picture.pixel(x, y))];
    std::vector<ColourCount> colours;
    colours.reserve(counts.size());
    for (const auto &[rgb, count] : counts)
        colours.push_back({rgb, count});
    // Hash order is unspecified; sorting keeps palettes reproducible from run to run.
    std::sort(colours.begin(), colours.end(),
              [](const ColourCount &a, const ColourCount &b) { return a.rgb < b.rgb; });
    return colours;
}

// A box of the median cut: a range [begin, end) of the colour list.
struct Box {
    size_t begin, end;
    uint64_t population;
    int longestAxis;
    int extent; // length of the longest axis
};

Box makeBox(const std::vector<ColourCount> &colours, size_t begin, size_t end)
{
    std::array<int, 3> low{255, 255, 255}, high{0, 0, 0};
    uint64_t population = 0;
    for (size_t i = begin; i < end; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], channel(colours[i].rgb, axis));
            high[axis] = std::max(high[axis], channel(colours[i].rgb, axis));
        }
        population += colours[i].count;
    }
    Box box{begin, end, population, 0, -1};
    for (int axis = 0; axis < 3; ++axis) {
        if (high[axis] - low[axis] > box.extent) {
            box.extent = high[axis] - low[axis];
            box.longestAxis = axis;
        }
    }
    return box;
}

// Splits at the population median along the longest axis; both halves keep at least one colour.
std::pair<Box, Box> split(std::vector<ColourCount> &colours, const Box &box)
{
    const int axis = box.longestAxis;
    std::sort(colours.begin() + static_cast<std::ptrdiff_t>(box.begin),
              colours.begin() + static_cast<std::ptrdiff_t>(box.end),
              [axis](const ColourCount &a, const ColourCount &b) {
                  return channel(a.rgb, axis) < channel(b.rgb, axis);
              });
    uint64_t running = 0;
    size_t cut = box.begin + 1;
    for (size_t i = box.begin; i + 1 < box.end; ++i) {
        running += colours[i].count;
        cut = i + 1;
        if (2 * running >= box.population)
            break;
    }
    return {makeBox(colours, box.begin, cut), makeBox(colours, cut, box.end)};
}

PaletteEntry meanColour(const std::vector<ColourCount> &colours, const Box &box)
{
    std::array<uint64_t, 3> sums{0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i)
        for (int axis = 0; axis < 3; ++axis)
            sums[axis] += uint64_t(channel(colours[i].rgb, axis)) * colours[i].count;
    auto mean = [&](int axis) {
        return static_cast<uint8_t>((sums[axis] + box.population / 2) / box.population);
    };
    return PaletteEntry{mean(2), mean(1), mean(0), 0};
}

// Which box to split next: the one whose colours are spread widest, weighted by how many
// pixels it stands for, so large areas get the finer shades.
bool splitsBefore(const Box &a, const Box &b)
{
    return uint64_t(a.extent) * a.population < uint64_t(b.extent) * b.population;
}

int squaredDistance(PaletteEntry a, PaletteEntry b)
{
    const int db = a.b - b.b, dg = a.g - b.g, dr = a.r - b.r;
    return db * db + dg * dg + dr * dr;
}

// Maps colours to their nearest palette entry; exact colours of the palette map to themselves.
class PaletteMapper {
public:
    explicit PaletteMapper(const std::vector<PaletteEntry> &palette) : palette_(palette) {}

    uint8_t operator()(PaletteEntry colour)
    {
        const auto [slot, inserted] = cache_.try_emplace(packColour(colour), 0);
        if (inserted)
            slot->second = nearest(colour);
        return slot->second;
    }

private:
    uint8_t nearest(PaletteEntry colour) const
    {
        size_t best = 0;
        int bestDistance = 1 << 30;
        for (size_t i = 0; i < palette_.size() && bestDistance > 0; ++i) {
            const int d = squaredDistance(colour, palette_[i]);
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        return static_cast<uint8_t>(best);
    }

    const std::vector<PaletteEntry> &palette_;
    std::unordered_map<uint32_t, uint8_t> cache_;
};

void storeIndex(uint8_t *row, int x, int bits, uint8_t index)
{
    if (bits == 8) {
        row[x] = index;
    } else if (bits == 4) {
        row[x >> 1] |= static_cast<uint8_t>((x & 1) ? index : index << 4);
    } else if (index) {
        row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
}

TBitmap mapToPalette(const TBitmap &picture, PixelFormat format, std::vector<PaletteEntry> palette)
{
    TBitmap result(picture.width(), picture.height(), format); // rows start as index 0
    result.setPalette(palette);
    PaletteMapper mapper(palette);
    const int bits = static_cast<int>(format);
    for (int y = 0; y < picture.height(); ++y) {
        uint8_t *row = result.scanLine(y);
        for (int x = 0; x < picture.width(); ++x)
            storeIndex(row, x, bits, mapper(picture.pixel(x, y)));
    }
    return result;
}

TBitmap blackAndWhite(const TBitmap &picture)
{
    TBitmap result(picture.width(), picture.height(), PixelFormat::pf1bit);
    result.setPalette(TBitmap::standardPalette(PixelFormat::pf1bit));
    for (int y = 0; y < picture.height(); ++y) {
        uint8_t *row = result.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            const PaletteEntry c = picture.pixel(x, y);
            const int luminance = (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
            storeIndex(row, x, 1, luminance >= 128 ? 1 : 0);
        }
    }
    return result;
}

} // namespace

std::vector<PaletteEntry> OptimalPalette(const TBitmap &picture, size_t maxColours)
{
    std::vector<ColourCount> colours = histogram(picture);
    if (colours.size() <= maxColours) {
        std::vector<PaletteEntry> exact;
        for (const ColourCount &c : colours)
            exact.push_back(unpackColour(c.rgb));
        return exact;
    }
    std::vector<Box> boxes{makeBox(colours, 0, colours.size())};
    while (boxes.size() < maxColours) {
        const auto widest = std::max_element(boxes.begin(), boxes.end(), splitsBefore);
        if (widest->extent <= 0)
            break;
        const auto [first, second] = split(colours, *widest);
        *widest = first;
        boxes.push_back(second);
    }
    std::vector<PaletteEntry> palette;
    for (const Box &box : boxes)
        palette.push_back(meanColour(colours, box));
    return palette;
}

TBitmap ConvertToIconDepth(const TBitmap &picture, PixelFormat format)
{
    switch (format) {
    case PixelFormat::pf1bit:
        return blackAndWhite(picture);
    case PixelFormat::pf4bit:
        return mapToPalette(picture, format, TBitmap::standardPalette(PixelFormat::pf4bit));
    case PixelFormat::pf8bit:
        return mapToPalette(picture, format, OptimalPalette(picture, 256));
    default: {
        TBitmap copy = picture;
        copy.setPixelFormat(format);
        return copy;
    }
    }
}

} // namespace vistrel
