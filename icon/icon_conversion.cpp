#include "icon/icon_conversion.h"

#include "icon/icon_depth.h"
#include "imaging/resample.h"
#include "platform/error.h"

#include <algorithm>

namespace vistrel {

namespace {

// The picture drawn over a key-coloured canvas of its own size, stretched into area (nearest
// pixel): wherever area falls short of the picture the key colour stays, and so transparency.
TBitmap keyedCopy(const TBitmap &picture, const TRect &area)
{
    TBitmap canvas(picture.width(), picture.height(), PixelFormat::pf24bit);
    const int64_t areaWidth = area.Right - area.Left;
    const int64_t areaHeight = area.Bottom - area.Top;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const bool inside = x < areaWidth && y < areaHeight;
            canvas.setPixel(x, y, inside ? picture.pixel(static_cast<int>(x * picture.width() / areaWidth),
                                                         static_cast<int>(y * picture.height() / areaHeight))
                                         : IconKeyColour);
        }
    }
    return canvas;
}

void markTransparent(TBitmap &mask, int x, int y)
{
    mask.scanLine(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

} // namespace

PixelFormat ChosenPixelFormat(int colourItem)
{
    switch (colourItem) {
    case 0: return PixelFormat::pf32bit;
    case 2: return PixelFormat::pf8bit;
    case 3: return PixelFormat::pf4bit;
    case 4: return PixelFormat::pf1bit;
    default: return PixelFormat::pf24bit;
    }
}

IconDepth IconDepthCode(int colourItem)
{
    return colourItem >= 0 && colourItem <= 4 ? static_cast<IconDepth>(4 - colourItem) : IconDepth::Bits24;
}

void IconConverter::ReadIconSize(int sizeItem, int32_t customWidth, int32_t customHeight)
{
    switch (sizeItem) {
    case kIconSize16: IconWidth = IconHeight = 16; break;
    case kIconSize32: IconWidth = IconHeight = 32; break;
    case kIconSizeCustom:
        IconWidth = customWidth;
        IconHeight = customHeight;
        break;
    default: break;
    }
}

void IconConverter::TakeAspect(int32_t width, int32_t height)
{
    if (height == 0)
        throw Error("Cannot take the aspect ratio of a picture without height");
    Landscape = height < width;
    AspectPermille = static_cast<int32_t>(int64_t{width} * 1000 / height);
}

TRect IconConverter::AspectRect(int32_t w, int32_t h) const
{
    TRect rect;
    if (!KeepAspect) {
        rect.Right = w;
        rect.Bottom = h;
    } else if (Landscape) {
        // Landscape implies width > height >= 1, so AspectPermille is at least 1000. A side
        // that rounds to nothing keeps one pixel: a picture needs both.
        rect.Right = w;
        rect.Bottom = std::max(1, static_cast<int32_t>(int64_t{w} * 1000 / AspectPermille));
    } else {
        rect.Bottom = h;
        rect.Right = std::max(1, static_cast<int32_t>(int64_t{h} * AspectPermille / 1000));
    }
    return rect;
}

void IconConverter::SizeByAspect(TBitmap &bitmap, int32_t w, int32_t h) const
{
    const TRect rect = AspectRect(w, h);
    bitmap.setSize(rect.Right, rect.Bottom);
}

TIcon IconConverter::BuildIcon(const TBitmap &picture, int32_t w, int32_t h)
{
    TakeAspect(picture.width(), picture.height());
    const TBitmap keyed = keyedCopy(picture, AspectRect(w, h));
    if (w < 1)
        return TIcon();
    TBitmap colour(w, w, PixelFormat::pf24bit); // starts black
    TBitmap mask(w, w, PixelFormat::pf1bit);    // starts opaque
    for (int y = 0; y < w; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool onPicture = x < keyed.width() && y < keyed.height();
            const PaletteEntry c = onPicture ? keyed.pixel(x, y) : IconKeyColour;
            if (c == IconKeyColour)
                markTransparent(mask, x, y);
            else
                colour.setPixel(x, y, c);
        }
    }
    return TIcon{ConvertToIconDepth(colour, ChosenPixelFormat(ColourItem)), std::move(mask)};
}

IconConversion IconConverter::Convert(TBitmap &source)
{
    return Convert(source, source.width(), source.height());
}

IconConversion IconConverter::Convert(TBitmap &source, int32_t fullWidth, int32_t fullHeight)
{
    // A picture that did not load has no size to measure; the resampler then refuses it.
    if (!source.empty())
        TakeAspect(fullWidth, fullHeight);
    IconConversion result;
    SizeByAspect(result.Resampled, IconWidth, IconHeight);
    if (FilterIndex < 0 || static_cast<size_t>(FilterIndex) >= FilterTable.size())
        throw Error("Unknown filter " + std::to_string(FilterIndex));
    const FilterEntry &filter = FilterTable[static_cast<size_t>(FilterIndex)];
    ResampleStretch(source, result.Resampled, filter.Kernel, filter.Support);
    result.Icon = BuildIcon(result.Resampled, IconWidth, IconHeight);
    return result;
}

} // namespace vistrel
