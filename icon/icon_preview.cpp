#include "icon/icon_preview.h"

#include "icon/icon_depth.h"
#include "platform/error.h"

#include <algorithm>

namespace vistrel {

TBitmap DrawIconOver(const TBitmap &picture, const TIcon &icon)
{
    TBitmap canvas = picture;
    canvas.setPixelFormat(PixelFormat::pf24bit);
    if (icon.Colour.empty())
        return canvas;
    const bool masked = icon.Mask.pixelFormat() == PixelFormat::pf1bit && icon.Mask.width() == icon.Colour.width() &&
                        icon.Mask.height() == icon.Colour.height();
    const int width = std::min(canvas.width(), icon.Colour.width());
    const int height = std::min(canvas.height(), icon.Colour.height());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!masked || !MaskBitSet(icon.Mask.scanLine(y), x))
                canvas.setPixel(x, y, icon.Colour.pixel(x, y));
    return canvas;
}

int32_t ParseIconSide(const std::string &text)
{
    const bool digits = !text.empty() && text.size() <= 9 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits)
        throw Error("'" + text + "' is not a valid integer value");
    const int32_t side = std::stoi(text);
    if (side < 1 || side > kMaxIconSide)
        throw Error("An icon is from 1 to " + std::to_string(kMaxIconSide) + " pixels wide, not " + text);
    return side;
}

} // namespace vistrel
