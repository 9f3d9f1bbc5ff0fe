#include "icon/icon_writer.h"

#include "icon/icon_depth.h"

#include "platform/error.h"
#include "platform/png_codec.h"
#include "platform/safe_file.h"

#include <cstring>
#include <optional>

namespace vistrel {

namespace {

constexpr size_t kHeaderSize = 40;
constexpr size_t kFileHeaderSize = 6;
constexpr size_t kDirectoryEntrySize = 16;
constexpr uint32_t kImageOffset = kFileHeaderSize + kDirectoryEntrySize;

uint32_t coloursUsed(IconDepth depth)
{
    switch (depth) {
    case IconDepth::Bits1: return 2;
    case IconDepth::Bits4: return 16;
    case IconDepth::Bits8: return 256;
    default: return 0;
    }
}

void put16(uint8_t *at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t *at, uint32_t value)
{
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

void append16(std::vector<uint8_t> &out, uint32_t value)
{
    uint8_t bytes[2];
    put16(bytes, value);
    out.insert(out.end(), bytes, bytes + 2);
}

void append32(std::vector<uint8_t> &out, uint32_t value)
{
    uint8_t bytes[4];
    put32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
}

void appendBlock(std::vector<uint8_t> &out, const std::vector<uint8_t> &block)
{
    out.insert(out.end(), block.begin(), block.end());
}

std::vector<uint8_t> bitmapInfoHeader(int width, int height, int bitCount, uint32_t sizeImage,
                                      uint32_t coloursUsed)
{
    std::vector<uint8_t> header;
    header.reserve(kHeaderSize);
    append32(header, kHeaderSize);
    append32(header, static_cast<uint32_t>(width));
    append32(header, static_cast<uint32_t>(height));
    append16(header, 1);
    append16(header, static_cast<uint32_t>(bitCount));
    append32(header, 0); // uncompressed
    append32(header, sizeImage);
    append32(header, 0);
    append32(header, 0);
    append32(header, coloursUsed);
    append32(header, coloursUsed);
    return header;
}

// The mask decides transparency also in 32-bit images, so readers that look only at alpha
// and readers that look only at the mask show the same icon. Both blocks are bottom-up.
void alphaFromMask(std::vector<uint8_t> &colourPixels, const std::vector<uint8_t> &maskPixels,
                   int width, int height)
{
    const size_t colourStride = TBitmap::strideFor(width, PixelFormat::pf32bit);
    const size_t maskStride = TBitmap::strideFor(width, PixelFormat::pf1bit);
    for (int y = 0; y < height; ++y) {
        uint8_t *colourRow = colourPixels.data() + static_cast<size_t>(y) * colourStride;
        const uint8_t *maskRow = maskPixels.data() + static_cast<size_t>(y) * maskStride;
        for (int x = 0; x < width; ++x) {
            const bool transparent = MaskBitSet(maskRow, x);
            colourRow[4 * x + 3] = transparent ? 0 : 255;
        }
    }
}

size_t characterCount(const std::string &utf8)
{
    size_t count = 0;
    for (unsigned char c : utf8)
        count += (c & 0xC0) != 0x80;
    return count;
}

} // namespace

PixelFormat IconDepthFormat(IconDepth depth)
{
    switch (depth) {
    case IconDepth::Bits1: return PixelFormat::pf1bit;
    case IconDepth::Bits4: return PixelFormat::pf4bit;
    case IconDepth::Bits8: return PixelFormat::pf8bit;
    case IconDepth::Bits32: return PixelFormat::pf32bit;
    default: return PixelFormat::pf24bit;
    }
}

std::string IconResultMessage(int32_t resultCode)
{
    switch (resultCode) {
    case kIconWritten: return "The icon file was written";
    case kIconNameTooShort: return "The icon file name is too short";
    case kIconNoBitmaps: return "There is no icon to write";
    case kIconUnreadable: return "The icon's pictures cannot be read";
    case kIconCreateFailed: return "Unable to create the icon file";
    case kIconWriteFailed: return "Unable to write the icon file";
    case kIconTooLarge: return "Icons larger than 256 x 256 pixels cannot be written";
    default: return "Unknown icon writer result " + std::to_string(resultCode);
    }
}

uint16_t ReadBitmapBits(const TBitmap &bitmap, std::vector<uint8_t> &info,
                        std::vector<uint8_t> &pixels, IconDepth depth)
{
    if (bitmap.empty())
        return 0;
    const PixelFormat format = IconDepthFormat(depth);
    const TBitmap converted = ConvertToIconDepth(bitmap, format);
    const size_t stride = TBitmap::strideFor(bitmap.width(), format);
    const size_t sizeImage = stride * static_cast<size_t>(bitmap.height());
    const uint32_t used = coloursUsed(depth);

    info = bitmapInfoHeader(bitmap.width(), bitmap.height(), static_cast<int>(format),
                            static_cast<uint32_t>(sizeImage), used);
    const std::vector<PaletteEntry> &palette = converted.palette();
    for (uint32_t i = 0; i < used; ++i) {
        const PaletteEntry c = i < palette.size() ? palette[i] : PaletteEntry{};
        info.insert(info.end(), {c.b, c.g, c.r, 0});
    }
    pixels.assign(sizeImage, 0);
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(pixels.data() + static_cast<size_t>(bitmap.height() - 1 - y) * stride,
                    converted.scanLine(y), stride);
    return static_cast<uint16_t>(info.size());
}

namespace {

// One image of an icon file: its directory fields and its bytes.
struct IconImage {
    int width = 0;
    int height = 0;
    uint8_t colourCount = 0;
    uint16_t bitCount = 0;
    std::vector<uint8_t> bytes;
};

// The icon as rows of RGBA, transparent where the mask says so.
std::vector<uint8_t> rgbaOf(const TIcon &icon, IconDepth depth)
{
    const TBitmap colour = ConvertToIconDepth(icon.Colour, IconDepthFormat(depth));
    std::vector<uint8_t> rgba;
    rgba.reserve(static_cast<size_t>(colour.width()) * static_cast<size_t>(colour.height()) * 4);
    for (int y = 0; y < colour.height(); ++y) {
        const uint8_t *maskRow = icon.Mask.scanLine(y);
        for (int x = 0; x < colour.width(); ++x) {
            const PaletteEntry c = colour.pixel(x, y);
            const bool transparent = MaskBitSet(maskRow, x);
            rgba.insert(rgba.end(), {c.r, c.g, c.b, static_cast<uint8_t>(transparent ? 0 : 255)});
        }
    }
    return rgba;
}

int32_t iconImage(const TIcon &icon, IconDepth depth, bool png, IconImage &image)
{
    if (!icon.hasBitmaps())
        return kIconNoBitmaps;
    const TBitmap &colour = icon.Colour;
    const TBitmap &mask = icon.Mask;
    if (colour.empty() || mask.width() != colour.width() || mask.height() != colour.height())
        return kIconUnreadable;
    if (colour.width() > kMaxIconSide || colour.height() > kMaxIconSide)
        return kIconTooLarge;
    image.width = colour.width();
    image.height = colour.height();
    if (png) {
        image.bitCount = 32;
        image.bytes = WritePngRgbaMemory(colour.width(), colour.height(), rgbaOf(icon, depth));
        return kIconWritten;
    }
    std::vector<uint8_t> colourInfo, colourPixels, maskInfo, maskPixels;
    if (ReadBitmapBits(colour, colourInfo, colourPixels, depth) == 0
        || ReadBitmapBits(mask, maskInfo, maskPixels, IconDepth::Bits1) == 0)
        return kIconUnreadable;
    if (IconDepthFormat(depth) == PixelFormat::pf32bit)
        alphaFromMask(colourPixels, maskPixels, colour.width(), colour.height());
    // The image header counts the colour and mask rows together, from the real height.
    put32(colourInfo.data() + 8, 2 * static_cast<uint32_t>(colour.height()));
    image.colourCount = static_cast<uint8_t>(coloursUsed(depth));
    image.bitCount = static_cast<uint16_t>(IconDepthFormat(depth));
    image.bytes = colourInfo;
    appendBlock(image.bytes, colourPixels);
    appendBlock(image.bytes, maskPixels);
    return kIconWritten;
}

void assembleIconFile(const std::vector<IconImage> &images, std::vector<uint8_t> &file)
{
    size_t total = kFileHeaderSize + kDirectoryEntrySize * images.size();
    for (const IconImage &image : images)
        total += image.bytes.size();
    file.clear();
    file.reserve(total);
    append16(file, 0);
    append16(file, 1);
    append16(file, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(kFileHeaderSize + kDirectoryEntrySize * images.size());
    for (const IconImage &image : images) {
        // A side of 256 does not fit the directory's byte and is stored as 0, by convention.
        file.insert(file.end(), {static_cast<uint8_t>(image.width), static_cast<uint8_t>(image.height),
                                 image.colourCount, 0});
        append16(file, 1);
        append16(file, image.bitCount);
        append32(file, static_cast<uint32_t>(image.bytes.size()));
        append32(file, offset);
        offset += static_cast<uint32_t>(image.bytes.size());
    }
    for (const IconImage &image : images)
        appendBlock(file, image.bytes);
}

} // namespace

int32_t IconFileBytes(const TIcon &icon, IconDepth depth, std::vector<uint8_t> &file)
{
    IconImage image;
    const int32_t built = iconImage(icon, depth, false, image);
    if (built == kIconWritten)
        assembleIconFile({image}, file);
    return built;
}

int32_t IconSetFileBytes(const std::vector<TIcon> &icons, IconDepth depth, std::vector<uint8_t> &file)
{
    if (icons.empty())
        return kIconNoBitmaps;
    std::vector<IconImage> images(icons.size());
    for (size_t i = 0; i < icons.size(); ++i) {
        const bool png = icons[i].Colour.width() == kMaxIconSide;
        if (const int32_t built = iconImage(icons[i], depth, png, images[i]); built != kIconWritten)
            return built;
    }
    assembleIconFile(images, file);
    return kIconWritten;
}

namespace {

// The file's bytes, or the code of the reason there are none.
int32_t namedIconBytes(const std::string &fileName, const TIcon &icon, IconDepth depth, std::vector<uint8_t> &bytes)
{
    if (characterCount(fileName) < 4)
        return kIconNameTooShort;
    return IconFileBytes(icon, depth, bytes);
}

} // namespace

void WriteIcon(const std::string &fileName, const TIcon &icon, IconDepth depth)
{
    std::vector<uint8_t> bytes;
    const int32_t built = namedIconBytes(fileName, icon, depth, bytes);
    if (built != kIconWritten)
        throw Error(IconResultMessage(built) + ": " + fileName);
    WriteFileSafely(fileName, bytes.data(), bytes.size());
}

void WriteIconSet(const std::string &fileName, const std::vector<TIcon> &icons, IconDepth depth)
{
    std::vector<uint8_t> bytes;
    const int32_t built = IconSetFileBytes(icons, depth, bytes);
    if (built != kIconWritten)
        throw Error(IconResultMessage(built) + ": " + fileName);
    WriteFileSafely(fileName, bytes.data(), bytes.size());
}

int32_t WriteIconFile(const std::string &fileName, const TIcon &icon, IconDepth depth)
{
    std::vector<uint8_t> bytes;
    const int32_t built = namedIconBytes(fileName, icon, depth, bytes);
    if (built != kIconWritten)
        return built;
    std::optional<SafeFile> file;
    try {
        file.emplace(fileName);
    } catch (const Error &) {
        return kIconCreateFailed;
    }
    try {
        file->write(bytes.data(), bytes.size());
        file->commit();
    } catch (const Error &) {
        return kIconWriteFailed;
    }
    return kIconWritten;
}

} // namespace vistrel
