#include "imaging/redact.h"

#include "platform/error.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace vistrel {

namespace {

constexpr int kBytesPerPixel = 3;
// Three box passes come close to a Gaussian whose width is about the box radius. The radius grows
// with the area so that letters of any size the area can hold melt into one another.
constexpr int kBlurPasses = 3;
constexpr int kLeastBlurRadius = 12;

uint8_t *pixelAt(TBitmap &picture, int x, int y)
{
    return picture.scanLine(y) + static_cast<size_t>(x) * kBytesPerPixel;
}

void fillArea(TBitmap &picture, const TRect &area, PaletteEntry colour)
{
    for (int y = area.Top; y < area.Bottom; ++y) {
        uint8_t *p = pixelAt(picture, area.Left, y);
        for (int x = area.Left; x < area.Right; ++x, p += kBytesPerPixel) {
            p[0] = colour.b;
            p[1] = colour.g;
            p[2] = colour.r;
        }
    }
}

PaletteEntry meanOf(TBitmap &picture, const TRect &block)
{
    uint64_t sum[kBytesPerPixel] = {};
    for (int y = block.Top; y < block.Bottom; ++y) {
        const uint8_t *p = pixelAt(picture, block.Left, y);
        for (int x = block.Left; x < block.Right; ++x, p += kBytesPerPixel)
            for (int c = 0; c < kBytesPerPixel; ++c)
                sum[c] += p[c];
    }
    const uint64_t count = static_cast<uint64_t>(block.Width()) * static_cast<uint64_t>(block.Height());
    const auto mean = [&](int c) { return static_cast<uint8_t>((sum[c] + count / 2) / count); };
    return {mean(0), mean(1), mean(2), 0};
}

int gridLineBefore(int position)
{
    return position / kRedactBlock * kRedactBlock;
}

void pixelate(TBitmap &picture, const TRect &area)
{
    for (int top = gridLineBefore(area.Top); top < area.Bottom; top += kRedactBlock)
        for (int left = gridLineBefore(area.Left); left < area.Right; left += kRedactBlock) {
            const TRect block{std::max(left, area.Left), std::max(top, area.Top),
                              std::min(left + kRedactBlock, area.Right), std::min(top + kRedactBlock, area.Bottom)};
            fillArea(picture, block, meanOf(picture, block));
        }
}

// One box pass along a row of `count` pixels, with the ends repeated beyond the area, so that
// only pixels of the area enter the result.
void horizontalBoxPass(uint8_t *row, int count, int radius, std::vector<uint8_t> &line)
{
    line.assign(row, row + static_cast<size_t>(count) * kBytesPerPixel);
    const auto at = [&](int i, int c) {
        return static_cast<uint32_t>(line[static_cast<size_t>(std::clamp(i, 0, count - 1)) * kBytesPerPixel + c]);
    };
    const uint32_t width = 2u * static_cast<uint32_t>(radius) + 1u;
    uint32_t sum[kBytesPerPixel] = {};
    for (int i = -radius; i <= radius; ++i)
        for (int c = 0; c < kBytesPerPixel; ++c)
            sum[c] += at(i, c);
    for (int i = 0; i < count; ++i, row += kBytesPerPixel)
        for (int c = 0; c < kBytesPerPixel; ++c) {
            row[c] = static_cast<uint8_t>((sum[c] + width / 2) / width);
            sum[c] = sum[c] + at(i + radius + 1, c) - at(i - radius, c);
        }
}

// The same down the columns, worked row by row with a running sum for every byte of the width,
// so that the picture is read along its rows.
void verticalBoxPass(TBitmap &picture, const TRect &area, int radius, std::vector<uint8_t> &copy,
                     std::vector<uint32_t> &sums)
{
    const size_t rowBytes = static_cast<size_t>(area.Width()) * kBytesPerPixel;
    const int height = area.Height();
    copy.resize(rowBytes * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(pixelAt(picture, area.Left, area.Top + y), rowBytes, copy.data() + rowBytes * static_cast<size_t>(y));
    const auto row = [&](int i) { return copy.data() + rowBytes * static_cast<size_t>(std::clamp(i, 0, height - 1)); };
    const uint32_t width = 2u * static_cast<uint32_t>(radius) + 1u;
    sums.assign(rowBytes, 0);
    for (int i = -radius; i <= radius; ++i) {
        const uint8_t *in = row(i);
        for (size_t b = 0; b < rowBytes; ++b)
            sums[b] += in[b];
    }
    for (int y = 0; y < height; ++y) {
        uint8_t *out = pixelAt(picture, area.Left, area.Top + y);
        const uint8_t *entering = row(y + radius + 1), *leaving = row(y - radius);
        for (size_t b = 0; b < rowBytes; ++b) {
            out[b] = static_cast<uint8_t>((sums[b] + width / 2) / width);
            sums[b] = sums[b] + entering[b] - leaving[b];
        }
    }
}

void blur(TBitmap &picture, const TRect &area)
{
    const int radius = std::max(kLeastBlurRadius, std::min(area.Width(), area.Height()) / 4);
    std::vector<uint8_t> copy;
    std::vector<uint32_t> sums;
    for (int pass = 0; pass < kBlurPasses; ++pass) {
        for (int y = area.Top; y < area.Bottom; ++y)
            horizontalBoxPass(pixelAt(picture, area.Left, y), area.Width(), radius, copy);
        verticalBoxPass(picture, area, radius, copy, sums);
    }
}

} // namespace

TRect ClipToPicture(const TRect &area, int width, int height)
{
    const TRect clipped{std::max(std::min(area.Left, area.Right), 0), std::max(std::min(area.Top, area.Bottom), 0),
                        std::min(std::max(area.Left, area.Right), width),
                        std::min(std::max(area.Top, area.Bottom), height)};
    return clipped.Width() > 0 && clipped.Height() > 0 ? clipped : TRect{};
}

void Redact(TBitmap &picture, const TRect &area, RedactMode mode, PaletteEntry fill)
{
    const TRect clipped = ClipToPicture(area, picture.width(), picture.height());
    if (clipped == TRect{})
        throw Error("The rectangle to hide lies outside the picture (" + std::to_string(picture.width()) + " x "
                    + std::to_string(picture.height()) + ")");
    picture.setPixelFormat(PixelFormat::pf24bit);
    switch (mode) {
    case RedactMode::Pixelate: pixelate(picture, clipped); break;
    case RedactMode::Blur: blur(picture, clipped); break;
    case RedactMode::Fill: fillArea(picture, clipped, fill); break;
    }
}

} // namespace vistrel
