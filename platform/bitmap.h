#pragma once

#include "platform/pixel_buffer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vistrel {

enum class PixelFormat { pf1bit = 1, pf4bit = 4, pf8bit = 8, pf24bit = 24, pf32bit = 32 };

// A colour-table entry, laid out like the rows of a 32-bit bitmap: blue, green, red, reserved.
struct PaletteEntry {
    uint8_t b = 0, g = 0, r = 0, reserved = 0;
    bool operator==(const PaletteEntry &o) const { return b == o.b && g == o.g && r == o.r; }
};

// Anything larger is refused before allocating: no picture a user takes or opens comes near it,
// while a hostile file header could otherwise demand gigabytes.
constexpr int kMaxBitmapSide = 16384;
constexpr int64_t kMaxBitmapPixels = 200000000;

// Raster with rows stored top-down, each padded to 4 bytes. 24-bit rows hold B, G, R bytes;
// 32-bit rows B, G, R, A; 1/4/8-bit rows hold colour-table indices, most significant bits first.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height, PixelFormat format = PixelFormat::pf24bit);
    // A bitmap whose bytes, row padding included, the caller is about to write every one of.
    static TBitmap Uncleared(int width, int height, PixelFormat format, PixelMemory memory = PixelMemory::Pages);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ == 0 || height_ == 0; }
    PixelFormat pixelFormat() const { return format_; }
    int bitsPerPixel() const { return static_cast<int>(format_); }
    size_t bytesPerLine() const { return stride_; }

    uint8_t *scanLine(int y) { return data_.data() + static_cast<size_t>(y) * stride_; }
    const uint8_t *scanLine(int y) const { return data_.data() + static_cast<size_t>(y) * stride_; }

    // Resizes to width × height, keeping the format; every byte becomes 0 (black / index 0).
    void setSize(int width, int height);
    // Converts the pixels to another format. Lowering the depth maps each pixel to the nearest
    // colour of the standard table of that depth (see standardPalette) unless a palette is given.
    void setPixelFormat(PixelFormat format);
    void setPixelFormat(PixelFormat format, const std::vector<PaletteEntry> &palette);

    const std::vector<PaletteEntry> &palette() const { return palette_; }
    // For 1/4/8-bit bitmaps; entries beyond 2^bits are dropped, missing ones read as black.
    void setPalette(std::vector<PaletteEntry> palette);

    // The colour of one pixel whatever the format (alpha is not part of it).
    PaletteEntry pixel(int x, int y) const;
    void setPixel(int x, int y, PaletteEntry colour);

    bool operator==(const TBitmap &o) const;
    bool operator!=(const TBitmap &o) const { return !(*this == o); }

    // Black and white, the 16 VGA colours, and for 8 bits a 6×6×6 cube followed by 40 greys.
    static std::vector<PaletteEntry> standardPalette(PixelFormat format);
    static size_t strideFor(int width, PixelFormat format);
    // Throws Error unless width × height is a size this program is prepared to hold.
    static void checkSize(int width, int height);

private:
    int paletteIndex(int x, int y) const;

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::pf24bit;
    size_t stride_ = 0;
    PixelBuffer data_;
    std::vector<PaletteEntry> palette_;
};

} // namespace vistrel
