// Random small bitmaps, masks and depth codes through icon building and the ICO writer, in memory.
#include "icon/icon_conversion.h"
#include "icon/icon_writer.h"
#include "platform/error.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }

    void fill(uint8_t *out, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            out[i] = byte();
    }

private:
    const uint8_t *data_;
    size_t size_;
    size_t position_ = 0;
};

vistrel::PixelFormat anyFormat(uint8_t choice)
{
    static const vistrel::PixelFormat formats[] = {vistrel::PixelFormat::pf1bit, vistrel::PixelFormat::pf4bit,
                                                   vistrel::PixelFormat::pf8bit, vistrel::PixelFormat::pf24bit,
                                                   vistrel::PixelFormat::pf32bit};
    return formats[choice % 5];
}

// Mostly small sides; now and then one just around the 256 limit of the format.
int anySide(FuzzInput &in)
{
    const uint8_t choice = in.byte();
    if (choice >= 250)
        return 250 + in.byte() % 10;
    return choice % 41;
}

vistrel::TBitmap anyBitmap(FuzzInput &in, int width, int height)
{
    vistrel::TBitmap bitmap(width, height, anyFormat(in.byte()));
    if (bitmap.bitsPerPixel() <= 8) {
        std::vector<vistrel::PaletteEntry> palette(size_t{1} << bitmap.bitsPerPixel());
        for (vistrel::PaletteEntry &entry : palette)
            entry = vistrel::PaletteEntry{in.byte(), in.byte(), in.byte(), 0};
        bitmap.setPalette(palette);
    }
    for (int y = 0; y < height; ++y)
        in.fill(bitmap.scanLine(y), bitmap.bytesPerLine());
    return bitmap;
}

void checkLayout(const std::vector<uint8_t> &file)
{
    auto le32 = [&file](size_t at) {
        return uint32_t{file[at]} | uint32_t{file[at + 1]} << 8 | uint32_t{file[at + 2]} << 16
            | uint32_t{file[at + 3]} << 24;
    };
    if (file.size() < 62 || le32(14) + 22 != file.size() || le32(18) != 22)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const auto depthCode = static_cast<vistrel::IconDepth>(in.byte()); // codes beyond 4 too
    const int width = anySide(in), height = anySide(in);
    const bool maskMatches = in.byte() % 8 != 0;
    vistrel::TIcon icon;
    icon.Colour = anyBitmap(in, width, height);
    icon.Mask = maskMatches ? anyBitmap(in, width, height) : anyBitmap(in, anySide(in), anySide(in));

    std::vector<uint8_t> file;
    if (vistrel::IconFileBytes(icon, depthCode, file) == vistrel::kIconWritten)
        checkLayout(file);

    vistrel::IconConverter converter;
    converter.KeepAspect = in.byte() & 1;
    converter.ColourItem = in.byte() % 6;
    const int side = anySide(in);
    try {
        const vistrel::TIcon built = converter.BuildIcon(icon.Colour, side, side);
        if (vistrel::IconFileBytes(built, vistrel::IconDepthCode(converter.ColourItem), file) == vistrel::kIconWritten)
            checkLayout(file);
    } catch (const vistrel::Error &) {
        // A picture without height has no aspect: refused, as it should be.
    }
    return 0;
}
