#include "platform/bitmap.h"

#include "platform/error.h"

#include <algorithm>
#include <string>

namespace vistrel {

namespace {

bool isIndexed(PixelFormat format)
{
    return static_cast<int>(format) <= 8;
}

int squaredDistance(PaletteEntry a, PaletteEntry b)
{
    const int db = a.b - b.b, dg = a.g - b.g, dr = a.r - b.r;
    return db * db + dg * dg + dr * dr;
}

int nearestIndex(const std::vector<PaletteEntry> &palette, PaletteEntry c)
{
    int best = 0, bestDistance = 1 << 30;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int d = squaredDistance(c, palette[i]);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// Nearest-colour lookup with a cache per 15-bit colour, so converting a large picture costs
// one palette search per distinct colour rather than per pixel.
class NearestColour {
public:
    explicit NearestColour(const std::vector<PaletteEntry> &palette)
        : palette_(palette), cache_(32768, -1) {}

    int operator()(PaletteEntry c)
    {
        const int key = ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
        int &slot = cache_[static_cast<size_t>(key)];
        if (slot < 0)
            slot = nearestIndex(palette_, c);
        return slot;
    }

private:
    const std::vector<PaletteEntry> &palette_;
    std::vector<int> cache_;
};

void writeIndex(uint8_t *row, int x, int bits, int index)
{
    switch (bits) {
    case 1: {
        const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = index ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
        break;
    }
    case 4: {
        uint8_t &b = row[x >> 1];
        b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F))
                    : static_cast<uint8_t>((b & 0x0F) | ((index & 0x0F) << 4));
        break;
    }
    default:
        row[x] = static_cast<uint8_t>(index);
    }
}

} // namespace

void TBitmap::checkSize(int width, int height)
{
    if (width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide
        || static_cast<int64_t>(width) * height > kMaxBitmapPixels)
        throw Error("Picture size " + std::to_string(width) + " x " + std::to_string(height)
                    + " is too large (at most " + std::to_string(kMaxBitmapSide)
                    + " pixels a side and 200 million pixels)");
}

size_t TBitmap::strideFor(int width, PixelFormat format)
{
    const size_t bits = static_cast<size_t>(width) * static_cast<size_t>(format);
    return ((bits + 31) / 32) * 4;
}

TBitmap::TBitmap(int width, int height, PixelFormat format) : format_(format)
{
    if (isIndexed(format))
        palette_ = standardPalette(format);
    setSize(width, height);
}

void TBitmap::setSize(int width, int height)
{
    checkSize(width, height);
    width_ = width;
    height_ = height;
    stride_ = strideFor(width, format_);
    data_.assignZeroes(stride_ * static_cast<size_t>(height));
}

TBitmap TBitmap::Uncleared(int width, int height, PixelFormat format, PixelMemory memory)
{
    checkSize(width, height);
    TBitmap bitmap;
    bitmap.format_ = format;
    if (isIndexed(format))
        bitmap.palette_ = standardPalette(format);
    bitmap.width_ = width;
    bitmap.height_ = height;
    bitmap.stride_ = strideFor(width, format);
    bitmap.data_.resizeUncleared(bitmap.stride_ * static_cast<size_t>(height), memory);
    return bitmap;
}

void TBitmap::setPalette(std::vector<PaletteEntry> palette)
{
    if (!isIndexed(format_))
        return;
    palette.resize(size_t{1} << bitsPerPixel());
    palette_ = std::move(palette);
}

int TBitmap::paletteIndex(int x, int y) const
{
    const uint8_t *row = scanLine(y);
    switch (format_) {
    case PixelFormat::pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case PixelFormat::pf4bit: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
    }
}

PaletteEntry TBitmap::pixel(int x, int y) const
{
    if (isIndexed(format_)) {
        const size_t i = static_cast<size_t>(paletteIndex(x, y));
        return i < palette_.size() ? palette_[i] : PaletteEntry{};
    }
    const uint8_t *p = scanLine(y) + static_cast<size_t>(x) * (bitsPerPixel() / 8);
    return PaletteEntry{p[0], p[1], p[2], 0};
}

void TBitmap::setPixel(int x, int y, PaletteEntry colour)
{
    if (isIndexed(format_)) {
        // One search: building a NearestColour cache would cost more than it saves here.
        writeIndex(scanLine(y), x, bitsPerPixel(), nearestIndex(palette_, colour));
        return;
    }
    uint8_t *p = scanLine(y) + static_cast<size_t>(x) * (bitsPerPixel() / 8);
    p[0] = colour.b;
    p[1] = colour.g;
    p[2] = colour.r;
}

void TBitmap::setPixelFormat(PixelFormat format)
{
    if (format == format_)
        return;
    setPixelFormat(format, isIndexed(format) ? standardPalette(format) : std::vector<PaletteEntry>{});
}

void TBitmap::setPixelFormat(PixelFormat format, const std::vector<PaletteEntry> &palette)
{
    TBitmap converted;
    converted.format_ = format;
    converted.setSize(width_, height_);
    if (isIndexed(format))
        converted.setPalette(palette);
    const int bits = static_cast<int>(format);
    NearestColour nearest(converted.palette_);
    for (int y = 0; y < height_; ++y) {
        uint8_t *out = converted.scanLine(y);
        for (int x = 0; x < width_; ++x) {
            const PaletteEntry c = pixel(x, y);
            if (isIndexed(format)) {
                writeIndex(out, x, bits, nearest(c));
            } else {
                uint8_t *p = out + static_cast<size_t>(x) * (bits / 8);
                p[0] = c.b;
                p[1] = c.g;
                p[2] = c.r;
                if (bits == 32)
                    p[3] = format_ == PixelFormat::pf32bit ? scanLine(y)[x * 4 + 3] : 255;
            }
        }
    }
    *this = std::move(converted);
}

bool TBitmap::operator==(const TBitmap &o) const
{
    return width_ == o.width_ && height_ == o.height_ && format_ == o.format_ && data_ == o.data_
        && palette_ == o.palette_;
}

std::vector<PaletteEntry> TBitmap::standardPalette(PixelFormat format)
{
    std::vector<PaletteEntry> p;
    auto add = [&p](int r, int g, int b) {
        p.push_back(PaletteEntry{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0});
    };
    switch (format) {
    case PixelFormat::pf1bit:
        add(0, 0, 0);
        add(255, 255, 255);
        break;
    case PixelFormat::pf4bit: {
        static const int vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                       {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                       {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                       {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        for (const auto &c : vga)
            add(c[0], c[1], c[2]);
        break;
    }
    case PixelFormat::pf8bit:
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    add(r * 51, g * 51, b * 51);
        for (int i = 0; i < 40; ++i) {
            const int v = (i + 1) * 255 / 41;
            add(v, v, v);
        }
        break;
    default:
        break;
    }
    return p;
}

} // namespace vistrel
