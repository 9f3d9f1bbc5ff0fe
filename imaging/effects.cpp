#include "imaging/effects.h"

#include "imaging/side_by_side.h"
#include "imaging/wide_vectors.h"
#include "platform/error.h"

#include <algorithm>
#include <cstring>
#include <thread>
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

// Quarter turns move the picture in blocks of 8 × 8 pixels: the block's 8 source rows of 24
// bytes become 8 destination rows of 24 bytes. Blocks are taken 8 source rows at a time across a
// band of source columns, so that the destination rows being filled stay few enough for the
// address translation cache while each of them receives whole cache lines in turn; the source
// rows that come next are fetched ahead, for no prefetcher guesses a jump from row to row.
constexpr int kTurnBlock = 8;
constexpr int kTurnBand = 128;
constexpr int kTurnAhead = 2 * kTurnBlock; // source rows

// to[j][k] := from[k][j] for the block's pixels j, k; from[k] and to[j] point at their first pixel.
using TurnBlockKernel = void (*)(const uint8_t *const *from, uint8_t *const *to);

void turnBlockPortable(const uint8_t *const *from, uint8_t *const *to)
{
    for (int j = 0; j < kTurnBlock; ++j)
        for (int k = 0; k < kTurnBlock; ++k)
            copyPixel(to[j] + k * kBytesPerPixel, from[k] + j * kBytesPerPixel);
}

#ifdef VISTREL_AVX2_KERNELS

// Each source row's 24 bytes are spread into eight 32-bit lanes, the 8 × 8 matrix of lanes is
// transposed and each row of it packed back into 24 bytes. Reads 4 bytes beyond each source row's
// 24, which must exist.
VISTREL_AVX2 void turnBlockAvx2(const uint8_t *const *from, uint8_t *const *to)
{
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i gather = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    __m256i r[kTurnBlock], t[kTurnBlock];
    for (int k = 0; k < kTurnBlock; ++k)
        r[k] = _mm256_shuffle_epi8(_mm256_loadu2_m128i(reinterpret_cast<const __m128i *>(from[k] + 12),
                                                       reinterpret_cast<const __m128i *>(from[k])),
                                   spread);
    for (int k = 0; k < kTurnBlock; k += 2) {
        t[k] = _mm256_unpacklo_epi32(r[k], r[k + 1]);
        t[k + 1] = _mm256_unpackhi_epi32(r[k], r[k + 1]);
    }
    for (int k = 0; k < kTurnBlock; k += 4) {
        r[k] = _mm256_unpacklo_epi64(t[k], t[k + 2]);
        r[k + 1] = _mm256_unpackhi_epi64(t[k], t[k + 2]);
        r[k + 2] = _mm256_unpacklo_epi64(t[k + 1], t[k + 3]);
        r[k + 3] = _mm256_unpackhi_epi64(t[k + 1], t[k + 3]);
    }
    for (int j = 0; j < kTurnBlock / 2; ++j) {
        t[j] = _mm256_permute2x128_si256(r[j], r[j + 4], 0x20);
        t[j + 4] = _mm256_permute2x128_si256(r[j], r[j + 4], 0x31);
    }
    for (int j = 0; j < kTurnBlock; ++j) {
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(t[j], pack), gather);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to[j]), _mm256_castsi256_si128(bytes));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(to[j] + 16), _mm256_extracti128_si256(bytes, 1));
    }
}
#endif

TurnBlockKernel turnBlockKernel()
{
#ifdef VISTREL_AVX2_KERNELS
    if (ProcessorHasAvx2())
        return turnBlockAvx2;
#endif
    return turnBlockPortable;
}

// Where a quarter turn puts source pixel (x, y) of a w × h picture: destination row and column.
struct TurnTarget {
    bool clockwise;
    int w, h;
    int row(int x) const { return clockwise ? x : w - 1 - x; }
    int column(int y) const { return clockwise ? h - 1 - y : y; }
};

void turnPixel(const TBitmap &source, TBitmap &destination, TurnTarget target, int x, int y)
{
    copyPixel(destination.scanLine(target.row(x)) + static_cast<size_t>(target.column(y)) * kBytesPerPixel,
              source.scanLine(y) + static_cast<size_t>(x) * kBytesPerPixel);
}

void fetchAhead(const TBitmap &source, int y, int x0, int x1)
{
    for (int k = 0; k < kTurnBlock; ++k) {
        const uint8_t *row = source.scanLine(y + k);
        for (int x = x0; x < x1; x += 64 / kBytesPerPixel)
            __builtin_prefetch(row + static_cast<size_t>(x) * kBytesPerPixel);
        __builtin_prefetch(row + static_cast<size_t>(x1) * kBytesPerPixel - 1);
    }
}

// Turns the whole blocks of source columns x0 .. x1 − 1.
void turnBlocks(const TBitmap &source, TBitmap &destination, TurnTarget target, TurnBlockKernel kernel, int x0,
                int x1)
{
    const int h = source.height();
    const int wholeW = source.width() / kTurnBlock * kTurnBlock, wholeH = h / kTurnBlock * kTurnBlock;
    // The kernels may read 4 bytes beyond a block's row: past the last pixel of the picture's
    // last row they would leave the bitmap, so that block goes through the portable kernel.
    const bool lastRowRoomy = source.bytesPerLine() >= (static_cast<size_t>(wholeW) * kBytesPerPixel) + 4;
    for (int band = x0; band < x1; band += kTurnBand) {
        const int bandEnd = std::min(x1, band + kTurnBand);
        for (int y = 0; y < wholeH; y += kTurnBlock) {
            if (y + kTurnAhead + kTurnBlock <= h)
                fetchAhead(source, y + kTurnAhead, band, bandEnd);
            // The block's rows, ordered so that row k lands in destination column `first` + k.
            const int first = target.clockwise ? target.column(y + kTurnBlock - 1) : target.column(y);
            const uint8_t *from[kTurnBlock];
            for (int k = 0; k < kTurnBlock; ++k)
                from[k] = source.scanLine(target.clockwise ? y + kTurnBlock - 1 - k : y + k);
            const bool lastRow = y + kTurnBlock == h;
            for (int x = band; x < bandEnd; x += kTurnBlock) {
                const uint8_t *fromBlock[kTurnBlock];
                uint8_t *to[kTurnBlock];
                for (int k = 0; k < kTurnBlock; ++k) {
                    fromBlock[k] = from[k] + static_cast<size_t>(x) * kBytesPerPixel;
                    to[k] = destination.scanLine(target.row(x + k)) + static_cast<size_t>(first) * kBytesPerPixel;
                }
                const bool roomy = !lastRow || x + kTurnBlock < wholeW || lastRowRoomy;
                (roomy ? kernel : turnBlockPortable)(fromBlock, to);
            }
        }
    }
}

void turn(const TBitmap &source, TBitmap &destination, TurnTarget target, TurnBlockKernel kernel)
{
    const int w = source.width(), h = source.height();
    const int wholeW = w / kTurnBlock * kTurnBlock, wholeH = h / kTurnBlock * kTurnBlock;
    // Large pictures are turned in two halves of columns side by side: each half fills its own
    // destination rows, and the fresh pages behind them are taken on two processors.
    constexpr int64_t kPixelsForASecondThread = int64_t{1} << 20;
    const int middle = wholeW / 2 / kTurnBand * kTurnBand;
    if (static_cast<int64_t>(w) * h >= kPixelsForASecondThread && middle > 0 && std::thread::hardware_concurrency() > 1) {
        RunSideBySide([&] { turnBlocks(source, destination, target, kernel, 0, middle); },
                      [&] { turnBlocks(source, destination, target, kernel, middle, wholeW); });
    } else {
        turnBlocks(source, destination, target, kernel, 0, wholeW);
    }
    // The columns and rows left over beyond whole blocks.
    for (int y = 0; y < h; ++y)
        for (int x = wholeW; x < w; ++x)
            turnPixel(source, destination, target, x, y);
    for (int y = wholeH; y < h; ++y)
        for (int x = 0; x < wholeW; ++x)
            turnPixel(source, destination, target, x, y);
}

void clearPadding(TBitmap &bitmap)
{
    const size_t used = pixelBytes(bitmap), padding = bitmap.bytesPerLine() - used;
    for (int y = 0; padding > 0 && y < bitmap.height(); ++y)
        std::memset(bitmap.scanLine(y) + used, 0, padding);
}

// Gives destination the turned size at 24 bits. Every pixel is about to be written, so storage of
// the right size is kept as it is, and new storage is not cleared first; storage merely large
// enough is kept too (cleared), for fresh pages cost more than clearing.
void prepareTurn(TBitmap &source, TBitmap &destination)
{
    convertTo24(source);
    const int w = source.height(), h = source.width();
    if (destination.width() == w && destination.height() == h && destination.pixelFormat() == PixelFormat::pf24bit)
        return;
    if (destination.bytesPerLine() * static_cast<size_t>(destination.height())
        >= TBitmap::strideFor(w, PixelFormat::pf24bit) * static_cast<size_t>(h)) {
        convertTo24(destination);
        destination.setSize(w, h);
        return;
    }
    destination = TBitmap(); // never hold the old and the new pixels together
    destination = TBitmap::Uncleared(w, h, PixelFormat::pf24bit, PixelMemory::HugePages);
}

void quarterTurn(TBitmap &source, TBitmap &destination, bool clockwise, TurnBlockKernel kernel)
{
    if (&source == &destination) {
        TBitmap original = source;
        quarterTurn(original, destination, clockwise, kernel);
        return;
    }
    prepareTurn(source, destination);
    turn(source, destination, {clockwise, source.width(), source.height()}, kernel);
    clearPadding(destination);
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
    quarterTurn(source, destination, true, turnBlockKernel());
}

void Rotate90Left(TBitmap &source, TBitmap &destination)
{
    quarterTurn(source, destination, false, turnBlockKernel());
}

const std::array<EffectEntry, 11> EffectTable = {{
    {"invert", "Invert", Invert, nullptr, true},
    {"greyscale", "Grey scale", GreyScale, nullptr, true},
    {"antialias", "Anti alias", AntiAlias, nullptr},
    {"emboss", "Emboss", Emboss, nullptr},
    {"shadow", "Shadow", Shadow, nullptr},
    {"flipdown", "Flip Down", FlipDown, nullptr},
    {"flipright", "Flip Right", FlipRight, nullptr, true},
    {"mirror-horizontal", "Mirror horizontal", MirrorHorizontal, nullptr},
    {"mirror-vertical", "Mirror vertical", MirrorVertical, nullptr, true},
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
