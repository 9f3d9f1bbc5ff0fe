#pragma once

#include "platform/bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vistrel {

// An icon in memory: the colour image and its mask, where white (index 1 of a 1-bit mask)
// marks a transparent pixel. An icon with neither bitmap is the empty holder.
struct TIcon {
    TBitmap Colour;
    TBitmap Mask;

    bool hasBitmaps() const { return !Colour.empty() || !Mask.empty(); }
};

// Result codes of WriteIconFile.
constexpr int32_t kIconWritten = 0;
constexpr int32_t kIconNameTooShort = -1;
constexpr int32_t kIconNoBitmaps = -2;
constexpr int32_t kIconUnreadable = -3;
constexpr int32_t kIconCreateFailed = -4;
constexpr int32_t kIconWriteFailed = -5;
constexpr int32_t kIconTooLarge = -6;

// ICO stores sides up to 256 (as 0 in the directory's one-byte fields).
constexpr int kMaxIconSide = 256;

// The depth an icon's image is written at, by its code in the icon writer's interface. A code
// outside these (from a caller's arithmetic, or a fuzzer) writes 24 bits.
enum class IconDepth : uint8_t { Bits1 = 0, Bits4 = 1, Bits8 = 2, Bits24 = 3, Bits32 = 4 };

PixelFormat IconDepthFormat(IconDepth depth);

// A sentence describing a result code, for messages.
std::string IconResultMessage(int32_t resultCode);

// Builds one image block: info receives the 40-byte BITMAPINFOHEADER and, up to 8 bits, the
// colour table; pixels the rows bottom-up at the depth `depth`. Returns the size of the
// info block, 0 (allocating nothing) for a bitmap without pixels.
uint16_t ReadBitmapBits(const TBitmap &bitmap, std::vector<uint8_t> &info,
                        std::vector<uint8_t> &pixels, IconDepth depth);

// The bytes of a single-image .ico file. Returns kIconWritten, kIconNoBitmaps,
// kIconUnreadable (a bitmap without pixels, or a mask of another size) or kIconTooLarge.
int32_t IconFileBytes(const TIcon &icon, IconDepth depth, std::vector<uint8_t> &file);

// The bytes of an .ico file holding every icon, in the order given. Images of 256 pixels are
// stored PNG-compressed (32-bit RGBA), as current readers expect; the others as in a
// single-image file. Returns the codes of IconFileBytes for the first icon that has one.
int32_t IconSetFileBytes(const std::vector<TIcon> &icons, IconDepth depth, std::vector<uint8_t> &file);

// Writes the icon as a single-image .ico file through SafeFile: an existing file of that name is
// replaced only by a complete new one. Throws Error with the message of the result code and the
// file name, or SafeFile's "Unable to write to <file>: <reason>".
void WriteIcon(const std::string &fileName, const TIcon &icon, IconDepth depth);

// Writes several icons into one .ico file as IconSetFileBytes lays them out, as WriteIcon does.
void WriteIconSet(const std::string &fileName, const std::vector<TIcon> &icons, IconDepth depth);

// WriteIcon reporting by result code instead: kIconCreateFailed when the file cannot be
// created, kIconWriteFailed when it cannot be written whole.
int32_t WriteIconFile(const std::string &fileName, const TIcon &icon, IconDepth depth);

} // namespace vistrel
