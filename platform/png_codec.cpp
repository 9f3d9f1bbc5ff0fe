#include "platform/png_codec.h"

#include "platform/error.h"

#include <png.h>

#include <climits>
#include <cstring>

namespace vistrel {

namespace {

// The decoder's state, freed on every way out.
class PngImage {
public:
    PngImage()
    {
        std::memset(&image_, 0, sizeof image_);
        image_.version = PNG_IMAGE_VERSION;
    }
    ~PngImage() { png_image_free(&image_); }
    PngImage(const PngImage &) = delete;
    PngImage &operator=(const PngImage &) = delete;

    png_image &get() { return image_; }

private:
    png_image image_;
};

[[noreturn]] void fail(const std::string &path, const std::string &reason)
{
    throw Error("Cannot read picture " + path + ": " + reason);
}

} // namespace

bool HasPngSignature(const uint8_t *bytes, size_t length)
{
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return length >= sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

TBitmap ReadPngFile(const std::string &path)
{
    PngImage png;
    png_image &image = png.get();
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        fail(path, image.message);
    if (image.width > INT_MAX || image.height > INT_MAX)
        fail(path, "the picture is too large");
    const int width = static_cast<int>(image.width), height = static_cast<int>(image.height);
    try {
        TBitmap::checkSize(width, height);
    } catch (const Error &error) {
        fail(path, error.what());
    }
    const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_BGRA;
    // 32-bit rows need no padding, so the bitmap's own rows take the decoded pixels; the row
    // stride counts components, one byte each.
    TBitmap bitmap = TBitmap::Uncleared(width, height, PixelFormat::pf32bit);
    if (!png_image_finish_read(&image, nullptr, bitmap.scanLine(0), static_cast<png_int_32>(bitmap.bytesPerLine()),
                               nullptr))
        fail(path, image.message);
    if (!alpha)
        bitmap.setPixelFormat(PixelFormat::pf24bit);
    return bitmap;
}

} // namespace vistrel
