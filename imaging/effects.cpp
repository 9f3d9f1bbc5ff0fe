#include "imaging/effects.h"

#include "imaging/wide_vectors.h"
#include "platform/error.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace vistrel {

namespace {

constexpr int kBytesPerPixel = 3;

void convertTo24(TBitmap &bitmap)
{
    bitmap.setPixelFormat(PixelFormat::pf24bit);
}

size_t pixelBytes(const TBitmap &bitmap)
{
    return static_cast<size_t>(bitmap.width()) * kBytesPerPixel;
}

void copyPixel(uint8_t *to, const uint8_t *from)
{
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

// The weighted sum 0.30·b0 + 0.59·b1 + 0.11·b2 is N/100 with N = 30·b0 + 59·b1 + 11·b2.
// Unless N ends in 50 the rounded value lies at least 0.01 from a half, far beyond the rounding
// error of the extended-precision evaluation, so integers decide it exactly. Only the halfway
// cases depend on how the constants round; they are evaluated as extended reals.
uint8_t greyAtHalfway(const uint8_t *p, unsigned below)
{
    const long double v = 0.30L * p[0] + 0.59L * p[1] + 0.11L * p[2];
    const long double half = below + 0.5L;
    const bool up = v > half || (v == half && below % 2 == 1);
    return static_cast<uint8_t>(below + (up ? 1u : 0u));
}

// Three vectorisable sweeps: grey values rounding halves up, with the halfway pixels flagged;
// the rare flagged pixels redone exactly; the values written back to all three bytes.
// `halfway` has room for a multiple of 8 flags, the spare ones 0.
VISTREL_WIDE_VECTORS void greyRow(uint8_t *row, int width, uint8_t *grey, uint8_t *halfway)
{
    for (int x = 0; x < width; ++x) {
        const auto n = static_cast<uint16_t>(30u * row[3 * x] + 59u * row[3 * x + 1] + 11u * row[3 * x + 2]);
        grey[x] = static_cast<uint8_t>(static_cast<uint16_t>(n + 50u) / 100u);
        halfway[x] = static_cast<uint16_t>(n % 100u) == 50u;
    }
    for (int x0 = 0; x0 < width; x0 += 8) {
        uint64_t flags;
        std::memcpy(&flags, halfway + x0, sizeof flags);
        for (int x = x0; flags != 0 && x < x0 + 8 && x < width; ++x)
            if (halfway[x])
                grey[x] = greyAtHalfway(row + 3 * x, grey[x] - 1u);
    }
    for (int x = 0; x < width; ++x)
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey[x];
}

void reversePixels(uint8_t *row, int width)
{
    uint8_t *left = row;
    uint8_t *right = row + static_cast<size_t>(width - 1) * kBytesPerPixel;
    for (; left < right; left += kBytesPerPixel, right -= kBytesPerPixel) {
        uint8_t held[kBytesPerPixel];
        copyPixel(held, left);
        copyPixel(left, right);
        copyPixel(right, held);
    }
}

// Quarter turns work through bands of a few source rows: each column of a band becomes a short run
// of one destination row, so that what is read and what is written both stay in cache.
constexpr int kTurnTile = 16;
constexpr int kTurnColumns = 256;

struct TurnTile {
    const uint8_t *sourceRows[kTurnTile];
    int rows;
};

// Copies a pixel as 4 bytes, the fourth landing on the next pixel, which must be written after.
void copyPixelWide(uint8_t *to, const uint8_t *from)
{
    uint32_t v;
    std::memcpy(&v, from, sizeof v);
    std::memcpy(to, &v, sizeof v);
}

// Copies the tile's pixels of one source column into a run of consecutive destination pixels
// starting at `to`, in the order of the source rows (ascending) or the reverse. The run is written
// from left to right so that each wide copy's spare byte is overwritten by the next pixel; the
// last pixel of the run and pixels of the source's last column (whose spare byte may lie beyond
// the bitmap) get exact copies.
void copyColumnToRun(const TurnTile &tile, size_t offset, bool lastColumn, uint8_t *to, bool reversed)
{
    const int n = tile.rows;
    for (int i = 0; i < n; ++i, to += kBytesPerPixel) {
        const uint8_t *from = tile.sourceRows[reversed ? n - 1 - i : i] + offset;
        if (lastColumn || i == n - 1)
            copyPixel(to, from);
        else
            copyPixelWide(to, from);
    }
}

// runStart(x, y0, rows) gives the destination row and first column of the run that receives
// column x of the band of `rows` source rows starting at row y0.
template <typename RunStart>
void turnInTiles(const TBitmap &source, TBitmap &destination, bool reversed, RunStart runStart)
{
    const int w = source.width(), h = source.height();
    TurnTile tile;
    // A band of columns at a time keeps the destination rows being written few enough for the
    // address translation cache; a whole picture's width of them would miss it on every run.
    for (int x0 = 0; x0 < w; x0 += kTurnColumns) {
        const int x1 = std::min(w, x0 + kTurnColumns);
        for (int y0 = 0; y0 < h; y0 += kTurnTile) {
            tile.rows = std::min(h - y0, kTurnTile);
            for (int k = 0; k < tile.rows; ++k)
                tile.sourceRows[k] = source.scanLine(y0 + k);
            for (int x = x0; x < x1; ++x) {
                const auto [row, column] = runStart(x, y0, tile.rows);
                copyColumnToRun(tile, static_cast<size_t>(x) * kBytesPerPixel, x == w - 1,
                                destination.scanLine(row) + static_cast<size_t>(column) * kBytesPerPixel,
                                reversed);
            }
        }
    }
}

void prepareTurn(TBitmap &source, TBitmap &destination)
{
    convertTo24(source);
    convertTo24(destination);
    // Keeps the destination's storage when it is large enough: fresh pages cost more than the turn.
    destination.setSize(source.height(), source.width());
}

} // namespace

void Invert(TBitmap &bitmap)
{
    convertTo24(bitmap);
    const size_t n = pixelBytes(bitmap);
    for (int y = 0; y < bitmap.height(); ++y) {
        uint8_t *p = bitmap.scanLine(y);
        for (size_t i = 0; i < n; ++i)
            p[i] = static_cast<uint8_t>(~p[i]);
    }
}

void GreyScale(TBitmap &bitmap)
{
    convertTo24(bitmap);
    const int w = bitmap.width();
    std::vector<uint8_t> grey(static_cast<size_t>(w)), halfway(static_cast<size_t>(w + 7) / 8 * 8, 0);
    for (int y = 0; y < bitmap.height(); ++y)
        greyRow(bitmap.scanLine(y), w, grey.data(), halfway.data());
}

void AntiAlias(TBitmap &bitmap)
{
    AntiAliasRect(bitmap, 0, 0, bitmap.width(), bitmap.height());
}

void AntiAliasRect(TBitmap &bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    convertTo24(bitmap);
    if (x2 < x1)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    x1 = std::max(1, x1);
    y1 = std::max(1, y1);
    x2 = std::min(bitmap.width() - 2, x2);
    y2 = std::min(bitmap.height() - 2, y2);
    if (x1 > x2)
        return;
    // In place, top to bottom and left to right: the upper and left neighbours already hold
    // their new values when they are read.
    for (int y = y1; y <= y2; ++y) {
        const uint8_t *up = bitmap.scanLine(y - 1);
        uint8_t *row = bitmap.scanLine(y);
        const uint8_t *down = bitmap.scanLine(y + 1);
        // The left neighbour's new value is carried in registers rather than read back.
        unsigned left[kBytesPerPixel] = {row[(x1 - 1) * 3], row[(x1 - 1) * 3 + 1], row[(x1 - 1) * 3 + 2]};
        for (size_t i = static_cast<size_t>(x1) * kBytesPerPixel, end = static_cast<size_t>(x2 + 1) * kBytesPerPixel;
             i < end; i += kBytesPerPixel) {
            for (int c = 0; c < kBytesPerPixel; ++c) {
                left[c] = (up[i + c] + down[i + c] + row[i + c + 3] + left[c]) / 4;
                row[i + c] = static_cast<uint8_t>(left[c]);
            }
        }
    }
}

void Emboss(TBitmap &bitmap)
{
    convertTo24(bitmap);
    const int w = bitmap.width(), h = bitmap.height();
    if (w < 4 || h < 2)
        return;
    const size_t n = static_cast<size_t>(w - 3) * kBytesPerPixel;
    // Rows top to bottom, so the row below still holds its old values.
    for (int y = 0; y + 1 < h; ++y) {
        uint8_t *row = bitmap.scanLine(y);
        const uint8_t *below = bitmap.scanLine(y + 1) + 3 * kBytesPerPixel;
        for (size_t i = 0; i < n; ++i)
            row[i] = static_cast<uint8_t>(((255 - below[i]) + row[i]) / 2);
    }
}

void Shadow(TBitmap &bitmap)
{
    convertTo24(bitmap);
    const int w = bitmap.width(), h = bitmap.height();
    if (w < 5 || h < 5)
        return;
    // Bottom up, so the row four above is still unchanged when it is read.
    for (int y = h - 1; y >= 4; --y) {
        uint8_t *d = bitmap.scanLine(y);
        const uint8_t *s = bitmap.scanLine(y - 4) + 4 * kBytesPerPixel;
        uint8_t *const end = d + static_cast<size_t>(w - 4) * kBytesPerPixel;
        // Branch-free: whether blue is darker is as good as random in a photograph.
        for (; d < end; d += kBytesPerPixel, s += kBytesPerPixel) {
            const uint8_t take = s[0] < d[0] ? 0xFF : 0x00;
            for (int c = 0; c < kBytesPerPixel; ++c)
                d[c] = static_cast<uint8_t>((d[c] & ~take) | (static_cast<uint8_t>(s[c] + 1) & take));
        }
    }
}

void FlipDown(TBitmap &bitmap)
{
    convertTo24(bitmap);
    if (bitmap.empty())
        return;
    const size_t n = pixelBytes(bitmap);
    std::vector<uint8_t> held(n);
    for (int top = 0, bottom = bitmap.height() - 1; top < bottom; ++top, --bottom) {
        std::memcpy(held.data(), bitmap.scanLine(top), n);
        std::memcpy(bitmap.scanLine(top), bitmap.scanLine(bottom), n);
        std::memcpy(bitmap.scanLine(bottom), held.data(), n);
    }
}

void FlipRight(TBitmap &bitmap)
{
    convertTo24(bitmap);
    if (bitmap.width() < 2)
        return;
    for (int y = 0; y < bitmap.height(); ++y)
        reversePixels(bitmap.scanLine(y), bitmap.width());
}

void MirrorHorizontal(TBitmap &bitmap)
{
    convertTo24(bitmap);
    if (bitmap.empty())
        return;
    const int h = bitmap.height();
    const size_t n = pixelBytes(bitmap);
    // Row h div 2 is included: for an even height it copies back a row that the previous step
    // has just made equal to it, so only the bottom half really changes.
    for (int y = 0; y < h && y <= h / 2; ++y) {
        const int target = h - 1 - y;
        if (target != y)
            std::memcpy(bitmap.scanLine(target), bitmap.scanLine(y), n);
    }
}

void MirrorVertical(TBitmap &bitmap)
{
    convertTo24(bitmap);
    const int w = bitmap.width();
    if (w < 2)
        return;
    // Pixel w div 2 is included, as for the rows of MirrorHorizontal; pixels are taken from the
    // left, so that last step copies back a pixel equal to the one it overwrites.
    for (int y = 0; y < bitmap.height(); ++y) {
        uint8_t *row = bitmap.scanLine(y);
        for (int x = 0; x <= w / 2; ++x)
            copyPixel(row + static_cast<size_t>(w - 1 - x) * kBytesPerPixel,
                      row + static_cast<size_t>(x) * kBytesPerPixel);
    }
}

void Rotate90Right(TBitmap &source, TBitmap &destination)
{
    if (&source == &destination) {
        TBitmap original = source;
        Rotate90Right(original, destination);
        return;
    }
    prepareTurn(source, destination);
    const int lastColumn = source.height() - 1;
    turnInTiles(source, destination, true, [lastColumn](int x, int y0, int rows) {
        return std::pair{x, lastColumn - (y0 + rows - 1)};
    });
}

void Rotate90Left(TBitmap &source, TBitmap &destination)
{
    if (&source == &destination) {
        TBitmap original = source;
        Rotate90Left(original, destination);
        return;
    }
    prepareTurn(source, destination);
    const int lastRow = source.width() - 1;
    turnInTiles(source, destination, false, [lastRow](int x, int y0, int) { return std::pair{lastRow - x, y0}; });
}

const std::array<EffectEntry, 11> EffectTable = {{
    {"invert", "Invert", Invert, nullptr},
    {"greyscale", "Grey scale", GreyScale, nullptr},
    {"antialias", "Anti alias", AntiAlias, nullptr},
    {"emboss", "Emboss", Emboss, nullptr},
    {"shadow", "Shadow", Shadow, nullptr},
    {"flipdown", "Flip Down", FlipDown, nullptr},
    {"flipright", "Flip Right", FlipRight, nullptr},
    {"mirror-horizontal", "Mirror horizontal", MirrorHorizontal, nullptr},
    {"mirror-vertical", "Mirror vertical", MirrorVertical, nullptr},
    {"rotate-right", "Rotate 90° (R)", nullptr, Rotate90Right},
    {"rotate-left", "Rotate 90° (L)", nullptr, Rotate90Left},
}};

const EffectEntry &EffectNamed(std::string_view name)
{
    for (const EffectEntry &effect : EffectTable)
        if (name == effect.Name)
            return effect;
    throw Error("Unknown effect " + std::string(name));
}

void ApplyEffect(const EffectEntry &effect, TBitmap &picture)
{
    if (effect.InPlace) {
        effect.InPlace(picture);
        return;
    }
    TBitmap turned;
    effect.Turn(picture, turned);
    picture = std::move(turned);
}

} // namespace vistrel
