#include "shellctl/thumb_tile.h"

#include "imaging/resample.h"

#include <algorithm>
#include <cmath>

namespace vistrel {

namespace {

int RoundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value)); // the default rounding mode sends halves to even
}

void Fill(TBitmap &tile, PaletteEntry colour)
{
    for (int y = 0; y < tile.height(); ++y) {
        uint8_t *row = tile.scanLine(y);
        for (int x = 0; x < tile.width(); ++x, row += 3) {
            row[0] = colour.b;
            row[1] = colour.g;
            row[2] = colour.r;
        }
    }
}

// One pixel wide: the top-left colour on the left column and the top row, the bottom-right
// colour on the right column and the bottom row; the corners go as a pen drawing the two
// L-shaped strokes leaves them.
void Frame3D(TBitmap &tile, const TRect &r, PaletteEntry topLeft, PaletteEntry bottomRight)
{
    const int right = r.Right - 1, bottom = r.Bottom - 1;
    if (right < r.Left || bottom < r.Top)
        return;
    for (int y = r.Top; y <= bottom; ++y)
        tile.setPixel(r.Left, y, topLeft);
    for (int x = r.Left; x < right; ++x)
        tile.setPixel(x, r.Top, topLeft);
    for (int y = r.Top; y < bottom; ++y)
        tile.setPixel(right, y, bottomRight);
    for (int x = r.Left + 1; x <= right; ++x)
        tile.setPixel(x, bottom, bottomRight);
}

// Copies source onto tile with its top-left at (left, top), clipped to the tile.
void Blit(const TBitmap &source, TBitmap &tile, int left, int top)
{
    const int x0 = std::max(0, -left), y0 = std::max(0, -top);
    const int x1 = std::min(source.width(), tile.width() - left);
    const int y1 = std::min(source.height(), tile.height() - top);
    if (x1 <= x0)
        return;
    for (int y = y0; y < y1; ++y)
        std::copy_n(source.scanLine(y) + 3 * x0, 3 * (x1 - x0), tile.scanLine(top + y) + 3 * (left + x0));
}

// Converts picture to 24 bits on the way.
TBitmap Stretched(TBitmap &picture, int width, int height)
{
    TBitmap result(width, height);
    ResampleStretch(picture, result, TriangleKernel, 1.0f);
    return result;
}

} // namespace

TilePlacement PlaceOnTile(int tileW, int tileH, int pictureW, int pictureH)
{
    const int right = tileW - 2, bottom = tileH - 2;
    if (pictureW <= right && pictureH <= bottom) {
        const int left = (right - pictureW) / 2, top = (bottom - pictureH) / 2;
        return {{left, top, left + pictureW, top + pictureH}, false};
    }
    const double rx = static_cast<double>(right) / pictureW, ry = static_cast<double>(bottom) / pictureH;
    if (rx > ry) {
        const int w = RoundHalfEven(pictureW * ry);
        const int left = (right - w) / 2;
        return {{left, 0, left + w, bottom}, true};
    }
    const int h = RoundHalfEven(pictureH * rx);
    const int top = (bottom - h) / 2;
    return {{0, top, right, top + h}, true};
}

PictureSize FitInBox(int pictureW, int pictureH, int box)
{
    if (pictureW <= box && pictureH <= box)
        return {std::max(1, pictureW), std::max(1, pictureH)};
    const double scale = std::min(static_cast<double>(box) / pictureW, static_cast<double>(box) / pictureH);
    return {std::clamp(RoundHalfEven(pictureW * scale), 1, box), std::clamp(RoundHalfEven(pictureH * scale), 1, box)};
}

TBitmap RenderTile(const TBitmap &picture, int fullW, int fullH, int tileW, int tileH, const TilePalette &colours)
{
    TBitmap tile(tileW, tileH);
    Fill(tile, colours.Face);
    if (!picture.empty() && fullW > 0 && fullH > 0) {
        TBitmap source = picture;
        source.setPixelFormat(PixelFormat::pf24bit);
        const TilePlacement place = PlaceOnTile(tileW, tileH, fullW, fullH);
        const bool sameSize = source.width() == place.Target.Width() && source.height() == place.Target.Height();
        if (place.Target.Width() > 0 && place.Target.Height() > 0)
            Blit(sameSize ? source : Stretched(source, place.Target.Width(), place.Target.Height()), tile,
                 place.Target.Left, place.Target.Top);
    }
    Frame3D(tile, {0, 0, tileW, tileH}, colours.Face, PaletteEntry{0, 0, 0});
    Frame3D(tile, {1, 1, tileW - 1, tileH - 1}, colours.Highlight, colours.Shadow);
    return tile;
}

TBitmap ResizedTo(TBitmap picture, PictureSize size)
{
    picture.setPixelFormat(PixelFormat::pf24bit);
    if (size.Width == picture.width() && size.Height == picture.height())
        return picture;
    return Stretched(picture, size.Width, size.Height);
}

} // namespace vistrel
