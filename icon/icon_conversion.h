#pragma once

#include "icon/icon_writer.h"
#include "platform/bitmap.h"
#include "platform/rect.h"

#include <cstdint>
#include <string>

namespace vistrel {

// Pixels of exactly this colour are transparent in a built icon (red 192, green 85, blue 149).
constexpr PaletteEntry IconKeyColour{149, 85, 192, 0};

// Items of the converter's choices, in the order the window lists them.
enum IconSizeItem { kIconSizeNone = -1, kIconSize16 = 0, kIconSize32 = 1, kIconSizeCustom = 2 };
constexpr int kDefaultIconColourItem = 2; // "8 bit (256 Colors)"
constexpr int kDefaultIconFilter = 6;     // "Mitchell filter"

// Colour item 0..4 (32, 24, 8, 4, 1 bits) → pixel format of the icon's colour image.
PixelFormat ChosenPixelFormat(int colourItem);
// Colour item 0..4 → the icon writer's depth (32, 24, 8, 4, 1 bits); others → 24 bits.
IconDepth IconDepthCode(int colourItem);

// The resampled picture (the icon preview) and the icon made from it.
struct IconConversion {
    TBitmap Resampled;
    TIcon Icon;
};

// The converter's state between its steps and the steps themselves, free of any window.
class IconConverter {
public:
    bool KeepAspect = true;
    int FilterIndex = kDefaultIconFilter;
    int ColourItem = kDefaultIconColourItem;
    int32_t IconWidth = 0;
    int32_t IconHeight = 0;
    int32_t AspectPermille = 0;
    bool Landscape = false;

    // 16 and 32 set both sides; the custom item takes the given sides; no item changes nothing.
    void ReadIconSize(int sizeItem, int32_t customWidth, int32_t customHeight);
    // Throws Error for a height of 0.
    void TakeAspect(int32_t width, int32_t height);
    // Sizes the bitmap to fit w × h with the measured aspect (when kept), one side equal to it.
    void SizeByAspect(TBitmap &bitmap, int32_t w, int32_t h) const;
    TRect AspectRect(int32_t w, int32_t h) const;
    // The w × w icon: the picture top-left, every other pixel and every IconKeyColour pixel
    // transparent (and black in the colour image). A width below 1 gives the empty holder.
    TIcon BuildIcon(const TBitmap &picture, int32_t w, int32_t h);
    // Measures, sizes, resamples with FilterTable[FilterIndex] and builds the icon, after
    // ReadIconSize. Converts source to 24 bits. Throws Error ("Source bitmap too small", …).
    IconConversion Convert(TBitmap &source);
    // Convert for a source decoded shrunk from a fullWidth × fullHeight picture: the icon's
    // proportions are those of the full size.
    IconConversion Convert(TBitmap &source, int32_t fullWidth, int32_t fullHeight);
};

} // namespace vistrel
