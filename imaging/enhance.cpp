#include "imaging/enhance.h"

#include "platform/error.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace vistrel {

namespace {

constexpr int kBytesPerPixel = 3;

void convertTo24(TBitmap &bitmap)
{
    bitmap.setPixelFormat(PixelFormat::pf24bit);
}

// The source at 24 bits without changing the caller's bitmap: itself, or a converted copy.
const TBitmap &sourceAt24(const TBitmap &source, TBitmap &converted)
{
    if (source.pixelFormat() == PixelFormat::pf24bit)
        return source;
    converted = source;
    convertTo24(converted);
    return converted;
}

void prepareDestination(const TBitmap &source, TBitmap &destination)
{
    if (destination.width() < source.width() || destination.height() < source.height())
        throw Error("The destination picture is smaller than the source picture");
    convertTo24(destination);
}

uint8_t *pixelAt(TBitmap &b, int x, int64_t y)
{
    return b.scanLine(static_cast<int>(y)) + static_cast<size_t>(x) * kBytesPerPixel;
}

void copyPixel(uint8_t *to, const uint8_t *from)
{
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

// The spin value's arithmetic wraps like 32-bit machine integers: |−2^31| stays −2^31.
int32_t wrappingAbs(int32_t v)
{
    return v < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v;
}

int32_t wrappingAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t wrappingMultiply(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Round(x) of a value known to fit in 64 bits, halves to even, keeping the low 8 bits.
uint8_t lowByteOfRounded(long double x)
{
    return static_cast<uint8_t>(static_cast<int64_t>(std::nearbyint(x)));
}

// ---- Tiling: drawing a picture into a tile and the tile onto the picture, in any format. ----

// A pixel's stored value: a colour-table index, or the pixel's bytes packed little-endian.
uint32_t rawPixel(const TBitmap &b, int x, int y)
{
    const uint8_t *row = b.scanLine(y);
    switch (b.pixelFormat()) {
    case PixelFormat::pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case PixelFormat::pf4bit: return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case PixelFormat::pf8bit: return row[x];
    default: {
        uint32_t v = 0;
        const size_t bytes = static_cast<size_t>(b.bitsPerPixel() / 8);
        std::memcpy(&v, row + static_cast<size_t>(x) * bytes, bytes);
        return v;
    }
    }
}

void setRawPixel(TBitmap &b, int x, int y, uint32_t v)
{
    uint8_t *row = b.scanLine(y);
    switch (b.pixelFormat()) {
    case PixelFormat::pf1bit: {
        const auto mask = static_cast<uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>(v ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask));
        break;
    }
    case PixelFormat::pf4bit: {
        uint8_t &pair = row[x >> 1];
        pair = static_cast<uint8_t>((x & 1) ? ((pair & 0xF0u) | (v & 0x0Fu)) : ((pair & 0x0Fu) | ((v & 0x0Fu) << 4)));
        break;
    }
    case PixelFormat::pf8bit: row[x] = static_cast<uint8_t>(v); break;
    default: {
        const size_t bytes = static_cast<size_t>(b.bitsPerPixel() / 8);
        std::memcpy(row + static_cast<size_t>(x) * bytes, &v, bytes);
    }
    }
}

// The whole picture drawn stretched into a size × size tile of the same format, each tile pixel
// taking the picture's pixel under its centre (nearest neighbour). Keeping the picture's own
// format and colour table means the tiles put back exactly the picture's pixel values.
TBitmap stretchedTile(const TBitmap &picture, int size)
{
    TBitmap tile(size, size, picture.pixelFormat());
    tile.setPalette(picture.palette());
    const int64_t w = picture.width(), h = picture.height();
    for (int ty = 0; ty < size; ++ty) {
        const auto sy = static_cast<int>((2 * ty + 1) * h / (2 * size));
        for (int tx = 0; tx < size; ++tx) {
            const auto sx = static_cast<int>((2 * tx + 1) * w / (2 * size));
            setRawPixel(tile, tx, ty, rawPixel(picture, sx, sy));
        }
    }
    return tile;
}

// Draws the tile unscaled with its top-left corner at (x0, y0), clipped at the picture's edges.
void drawTile(const TBitmap &tile, TBitmap &picture, int x0, int y0)
{
    const int w = std::min(tile.width(), picture.width() - x0);
    const int h = std::min(tile.height(), picture.height() - y0);
    if (picture.bitsPerPixel() >= 8) {
        const size_t bytes = static_cast<size_t>(picture.bitsPerPixel() / 8);
        for (int ty = 0; ty < h; ++ty)
            std::memcpy(picture.scanLine(y0 + ty) + static_cast<size_t>(x0) * bytes, tile.scanLine(ty),
                        static_cast<size_t>(w) * bytes);
        return;
    }
    for (int ty = 0; ty < h; ++ty)
        for (int tx = 0; tx < w; ++tx)
            setRawPixel(picture, x0 + tx, y0 + ty, rawPixel(tile, tx, ty));
}

// Tiles of s × s pixels laid from the top-left every `step` pixels. A picture narrower or lower
// than 2 pixels, or an amount below 1, gives no tile at all: the picture stays as it is.
void texturize(TBitmap &picture, int32_t amount, bool overlap)
{
    const int s = std::min({picture.width() / 2, picture.height() / 2, amount});
    if (s < 1)
        return;
    const TBitmap tile = stretchedTile(picture, s);
    // Round(2s / 3): a third of an integer is never halfway, so this is plain rounding.
    const int step = overlap ? (2 * s + 1) / 3 : s;
    for (int y = 0; y < picture.height(); y += step)
        for (int x = 0; x < picture.width(); x += step)
            drawTile(tile, picture, x, y);
}

// ---- Ripples: every row from the bottom up, each pixel moved down by an 8-bit offset. ----

template <typename Offsets>
void rippleRows(TBitmap &b, int32_t a, Offsets offsets)
{
    const int w = b.width(), h = b.height();
    // With a negative amount the first row would lie below the picture; writes that an offset
    // would carry below the last row are dropped.
    const int64_t first = std::min<int64_t>(static_cast<int64_t>(h) - 1 - a, h - 1);
    for (int64_t y = first; y >= 0; --y) {
        offsets.startRow();
        for (int x = 0; x < w; ++x) {
            const int64_t to = y + offsets.current();
            if (to < h)
                copyPixel(pixelAt(b, x, to), pixelAt(b, x, y));
            offsets.advance();
        }
    }
}

int32_t rippleReach(const TBitmap &b, int32_t amount)
{
    return std::min(b.height() / 2, amount);
}

// A small xorshift generator: the same picture, amount and seed always give the same ripples.
class RandomOffsets {
public:
    // xorshift never leaves the state 0, so the seed is mixed into a non-zero start.
    RandomOffsets(int32_t a, uint32_t seed) : a_(a), state_((seed * 2654435761u) ^ 2463534242u)
    {
        if (state_ == 0)
            state_ = 2463534242u;
    }
    void startRow() { o_ = 0; }
    uint8_t current() const { return o_; }
    void advance()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        const uint32_t r = a_ > 0 ? static_cast<uint32_t>((static_cast<uint64_t>(state_) * static_cast<uint32_t>(a_)) >> 32) : 0;
        o_ = static_cast<uint8_t>(r);
    }

private:
    int32_t a_;
    uint32_t state_;
    uint8_t o_ = 0;
};

class ToothOffsets {
public:
    explicit ToothOffsets(int32_t a) : a_(a) {}
    void startRow() { o_ = 0; }
    uint8_t current() const { return o_; }
    void advance()
    {
        ++o_;
        if (o_ > a_)
            o_ = 0;
    }

private:
    int32_t a_;
    uint8_t o_ = 0;
};

class TriangleOffsets {
public:
    explicit TriangleOffsets(int32_t a) : a_(a) {}
    void startRow()
    {
        o_ = 0;
        rising_ = true;
    }
    uint8_t current() const { return o_; }
    void advance()
    {
        if (rising_) {
            ++o_;
            if (o_ > a_) {
                o_ = static_cast<uint8_t>(wrappingAdd(a_, -1));
                rising_ = false;
            }
        } else if (o_ == 0) {
            o_ = 1;
            rising_ = true;
        } else {
            --o_;
        }
    }

private:
    int32_t a_;
    uint8_t o_ = 0;
    bool rising_ = true;
};

void keepChannel(TBitmap &b, int channel, long double factor)
{
    // Round(c · f) must fit a 64-bit integer, as the rounding that the routine relies on requires.
    if (!std::isfinite(factor) || std::fabs(255 * factor) >= 9.2e18L)
        throw Error("The factor is out of range");
    uint8_t scaled[256];
    for (int c = 0; c < 256; ++c)
        scaled[c] = lowByteOfRounded(c * factor);
    convertTo24(b);
    for (int y = 0; y < b.height(); ++y) {
        uint8_t *p = b.scanLine(y);
        for (uint8_t *end = p + static_cast<size_t>(b.width()) * kBytesPerPixel; p < end; p += kBytesPerPixel) {
            const uint8_t kept = scaled[p[channel]];
            p[0] = p[1] = p[2] = 0;
            p[channel] = kept;
        }
    }
}

} // namespace

void Solorize(const TBitmap &source, TBitmap &destination, int32_t threshold)
{
    TBitmap converted;
    const TBitmap &s = sourceAt24(source, converted);
    prepareDestination(s, destination);
    for (int y = 0; y < s.height(); ++y) {
        const uint8_t *from = s.scanLine(y);
        uint8_t *to = destination.scanLine(y);
        for (int x = 0; x < s.width(); ++x, from += kBytesPerPixel, to += kBytesPerPixel) {
            const int mean = (from[0] + from[1] + from[2]) / 3;
            const uint8_t flip = mean > threshold ? 0xFF : 0x00;
            for (int c = 0; c < kBytesPerPixel; ++c)
                to[c] = static_cast<uint8_t>(from[c] ^ flip);
        }
    }
}

void Posterize(const TBitmap &source, TBitmap &destination, int32_t step)
{
    // Each level is a division by the step; a step of 0 has no levels to map to.
    if (step == 0)
        throw Error("Posterize needs a step other than 0");
    uint8_t level[256];
    for (int c = 0; c < 256; ++c)
        level[c] = static_cast<uint8_t>(static_cast<int64_t>(std::nearbyint(static_cast<long double>(c) / step)) * step);
    TBitmap converted;
    const TBitmap &s = sourceAt24(source, converted);
    prepareDestination(s, destination);
    const size_t n = static_cast<size_t>(s.width()) * kBytesPerPixel;
    for (int y = 0; y < s.height(); ++y) {
        const uint8_t *from = s.scanLine(y);
        uint8_t *to = destination.scanLine(y);
        for (size_t i = 0; i < n; ++i)
            to[i] = level[from[i]];
    }
}

void HeightMap(TBitmap &bitmap, int32_t amount)
{
    convertTo24(bitmap);
    const TBitmap original = bitmap;
    int64_t lift[3 * 255 + 1];
    for (int sum = 0; sum <= 3 * 255; ++sum)
        lift[sum] = static_cast<int64_t>(std::nearbyint(sum / 3.0L / 255.0L * amount));
    const int h = bitmap.height();
    // Top to bottom: lower rows land later and cover what upper rows placed. A negative amount
    // lowers pixels; those that would leave the picture are dropped.
    for (int y = 0; y < h; ++y) {
        const uint8_t *from = original.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x, from += kBytesPerPixel) {
            const int64_t to = y - lift[from[0] + from[1] + from[2]];
            if (to >= 0 && to < h)
                copyPixel(pixelAt(bitmap, x, to), from);
        }
    }
}

void TexturizeTile(TBitmap &bitmap, int32_t amount)
{
    texturize(bitmap, amount, false);
}

void TexturizeOverlap(TBitmap &bitmap, int32_t amount)
{
    texturize(bitmap, amount, true);
}

void RippleRandom(TBitmap &bitmap, int32_t amount, uint32_t seed)
{
    const int32_t a = rippleReach(bitmap, amount);
    convertTo24(bitmap);
    rippleRows(bitmap, a, RandomOffsets(a, seed));
}

void RippleTooth(TBitmap &bitmap, int32_t amount)
{
    convertTo24(bitmap);
    const int32_t a = rippleReach(bitmap, amount);
    rippleRows(bitmap, a, ToothOffsets(a));
}

void RippleTriangle(TBitmap &bitmap, int32_t amount)
{
    convertTo24(bitmap);
    const int32_t a = rippleReach(bitmap, amount);
    rippleRows(bitmap, a, TriangleOffsets(a));
}

void Triangles(TBitmap &bitmap, int32_t amount)
{
    convertTo24(bitmap);
    const int32_t a = std::max(amount, 5) / 2 * 2 + 1;
    const int32_t half = a / 2;
    for (int y = 0; y < bitmap.height() && bitmap.width() > 0; ++y) {
        uint8_t *row = bitmap.scanLine(y);
        int32_t xs = y % (a - 1);
        if (xs > half)
            xs = 2 * half - xs;
        if (xs == 0)
            xs = a;
        const int32_t sp = std::abs(half - y % a) + half;
        uint8_t colour[kBytesPerPixel];
        copyPixel(colour, row);
        // x mod xs and x mod sp, kept as counters.
        for (int32_t x = 0, byXs = 0, bySp = 0; x < bitmap.width(); ++x) {
            uint8_t *p = row + static_cast<size_t>(x) * kBytesPerPixel;
            if (byXs == 0 || bySp == 1)
                copyPixel(colour, p);
            copyPixel(p, colour);
            if (++byXs == xs)
                byXs = 0;
            if (++bySp == sp)
                bySp = 0;
        }
    }
}

void KeepBlue(TBitmap &bitmap, long double factor)
{
    keepChannel(bitmap, 0, factor);
}

void KeepGreen(TBitmap &bitmap, long double factor)
{
    keepChannel(bitmap, 1, factor);
}

void KeepRed(TBitmap &bitmap, long double factor)
{
    keepChannel(bitmap, 2, factor);
}

namespace {

// The dialog's spin value v becomes each routine's argument: Solorize takes v itself, Posterize
// 10·v + 1, HeightMap |v| and the others |v| + 1, all wrapping as 32-bit integers do.
int32_t sizeFrom(int32_t v)
{
    return wrappingAdd(wrappingAbs(v), 1);
}

} // namespace

const std::array<EnhancementEntry, kEnhancementCount> EnhancementTable = {{
    {"solorize", "Solorize", [](const TBitmap &s, TBitmap &r, int32_t v, uint32_t) { Solorize(s, r, v); }},
    {"posterize", "Posterize",
     [](const TBitmap &s, TBitmap &r, int32_t v, uint32_t) { Posterize(s, r, wrappingAdd(wrappingMultiply(10, v), 1)); }},
    {"heightmap", "HeightMap (Size of Map Seg.        ->)",
     [](const TBitmap &, TBitmap &r, int32_t v, uint32_t) { HeightMap(r, wrappingAbs(v)); }},
    {"texturize-tile", "TexturizeTile (Size of Tile               ->)",
     [](const TBitmap &, TBitmap &r, int32_t v, uint32_t) { TexturizeTile(r, sizeFrom(v)); }},
    {"texturize-overlap", "TexturizeOverlap (Size of Tile        ->)",
     [](const TBitmap &, TBitmap &r, int32_t v, uint32_t) { TexturizeOverlap(r, sizeFrom(v)); }},
    {"ripple-random", "Ripple Random",
     [](const TBitmap &, TBitmap &r, int32_t v, uint32_t seed) { RippleRandom(r, sizeFrom(v), seed); }},
    {"ripple-tooth", "Ripple Toth", [](const TBitmap &, TBitmap &r, int32_t v, uint32_t) { RippleTooth(r, sizeFrom(v)); }},
    {"ripple-triangle", "RippleTriangle",
     [](const TBitmap &, TBitmap &r, int32_t v, uint32_t) { RippleTriangle(r, sizeFrom(v)); }},
    {"triangles", "Triangles", [](const TBitmap &, TBitmap &r, int32_t v, uint32_t) { Triangles(r, sizeFrom(v)); }},
    {"keep-blue", "Keep Blue", [](const TBitmap &, TBitmap &r, int32_t v, uint32_t) { KeepBlue(r, sizeFrom(v)); }},
    {"keep-red", "Keep Red", [](const TBitmap &, TBitmap &r, int32_t v, uint32_t) { KeepRed(r, sizeFrom(v)); }},
    // Not in the dialog's list, which ends above; the command line offers all three channels.
    {"keep-green", nullptr, [](const TBitmap &, TBitmap &r, int32_t v, uint32_t) { KeepGreen(r, sizeFrom(v)); }},
}};

void ApplyEnhancement(int index, const TBitmap &source, TBitmap &result, int32_t v, uint32_t seed)
{
    result = source;
    if (index >= 0 && index < kEnhancementCount)
        EnhancementTable[static_cast<size_t>(index)].Apply(source, result, v, seed);
}

uint32_t SeedFromClock()
{
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return static_cast<uint32_t>(ticks ^ (ticks >> 32));
}

} // namespace vistrel
