#include "platform/png_codec.h"

#include "platform/error.h"
#include "platform/file_io.h"

#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

struct FileCloser {
    void operator()(FILE *file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Opened without blocking, so a FIFO named like a picture is refused instead of waiting for a
// writer forever.
FilePtr openRegularFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw Error(std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw Error("not a regular file");
    }
    FILE *file = ::fdopen(fd, "rb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        throw Error(std::strerror(error));
    }
    return FilePtr(file);
}

} // namespace

bool HasPngSignature(const uint8_t *bytes, size_t length)
{
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return length >= sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

TBitmap ReadPngFile(const std::string &path)
{
    return ReadNamedPicture(path, [&path] {
        const FilePtr file = openRegularFile(path);
        PngImage png;
        png_image &image = png.get();
        if (!png_image_begin_read_from_stdio(&image, file.get()))
            throw Error(image.message);
        if (image.width > INT_MAX || image.height > INT_MAX)
            throw Error("the picture is too large");
        const int width = static_cast<int>(image.width), height = static_cast<int>(image.height);
        TBitmap::checkSize(width, height);
        const bool alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
        image.format = PNG_FORMAT_BGRA;
        // 32-bit rows need no padding, so the bitmap's own rows take the decoded pixels; the row
        // stride counts components, one byte each.
        TBitmap bitmap = TBitmap::Uncleared(width, height, PixelFormat::pf32bit);
        if (!png_image_finish_read(&image, nullptr, bitmap.scanLine(0),
                                   static_cast<png_int_32>(bitmap.bytesPerLine()), nullptr))
            throw Error(image.message);
        if (!alpha)
            bitmap.setPixelFormat(PixelFormat::pf24bit);
        return bitmap;
    });
}

// The thumbnail cache's entries are read and written in memory through libpng's classic
// interface, which also gives their text chunks. It reports errors through a callback that must
// not return; it longjmps back to the setjmp of `guarded`. The lambdas run there hold only trivially destructible objects, and the C++
// objects (bitmap, buffers) live in the callers, as in the JPEG codec.

namespace {

struct Failure {
    char message[200];
};

[[noreturn]] void onError(png_structp png, png_const_charp text)
{
    auto *failure = static_cast<Failure *>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", text);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

template <typename Step>
bool guarded(png_structp png, const Step &step)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    step();
    return true;
}

struct MemorySource {
    const uint8_t *data;
    size_t size;
    size_t offset;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto *source = static_cast<MemorySource *>(png_get_io_ptr(png));
    if (length > source->size - source->offset)
        png_error(png, "the file is truncated");
    std::memcpy(out, source->data + source->offset, length);
    source->offset += length;
}

void writeToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto *bytes = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(png));
    bytes->insert(bytes->end(), data, data + length);
}

void flushNothing(png_structp) {}

class Reader {
public:
    Reader() : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, &failure_, onError, onWarning))
    {
        info_ = png_ ? png_create_info_struct(png_) : nullptr;
        if (!info_)
            throw Error("not enough memory");
    }
    ~Reader() { png_destroy_read_struct(&png_, &info_, nullptr); }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    void require(bool succeeded) const
    {
        if (!succeeded)
            throw Error(std::string("Cannot read picture: ") + failure_.message);
    }

private:
    Failure failure_{};
    png_structp png_;
    png_infop info_ = nullptr;
};

void readHeader(png_structp png, png_infop info, MemorySource &source)
{
    png_set_read_fn(png, &source, readFromMemory);
    png_read_info(png, info);
}

// Every PNG becomes 8-bit BGR rows, the bitmap's own layout.
void chooseOutput(png_structp png, png_infop info)
{
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

void readRows(png_structp png, png_infop info, std::vector<png_bytep> &rows)
{
    png_read_image(png, rows.data());
    png_read_end(png, info);
}

} // namespace

PngPicture ReadPngMemory(const uint8_t *data, size_t size, int maxSide)
{
    Reader reader;
    MemorySource source{data, size, 0};
    reader.require(guarded(reader.png(), [&] { readHeader(reader.png(), reader.info(), source); }));
    const png_uint_32 width = png_get_image_width(reader.png(), reader.info());
    const png_uint_32 height = png_get_image_height(reader.png(), reader.info());
    if (width == 0 || height == 0 || width > static_cast<png_uint_32>(maxSide)
        || height > static_cast<png_uint_32>(maxSide))
        throw Error("Cannot read picture: its size is out of range");
    reader.require(guarded(reader.png(), [&] { chooseOutput(reader.png(), reader.info()); }));
    PngPicture picture;
    picture.Bitmap = TBitmap(static_cast<int>(width), static_cast<int>(height));
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = picture.Bitmap.scanLine(static_cast<int>(y));
    reader.require(guarded(reader.png(), [&] { readRows(reader.png(), reader.info(), rows); }));
    png_textp text = nullptr;
    const int count = png_get_text(reader.png(), reader.info(), &text, nullptr);
    for (int i = 0; i < count; ++i)
        picture.Text[text[i].key] = std::string(text[i].text, text[i].text_length);
    return picture;
}

namespace {

class Writer {
public:
    Writer() : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure_, onError, onWarning))
    {
        info_ = png_ ? png_create_info_struct(png_) : nullptr;
        if (!info_)
            throw Error("not enough memory");
    }
    ~Writer() { png_destroy_write_struct(&png_, &info_); }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    void require(bool succeeded) const
    {
        if (!succeeded)
            throw Error(std::string("Cannot write a PNG picture: ") + failure_.message);
    }

private:
    Failure failure_{};
    png_structp png_;
    png_infop info_ = nullptr;
};

void writeAll(png_structp png, png_infop info, const TBitmap &bitmap, std::vector<png_text> &text,
              std::vector<uint8_t> &bytes)
{
    png_set_write_fn(png, &bytes, writeToVector, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.width()), static_cast<png_uint_32>(bitmap.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!text.empty())
        png_set_text(png, info, text.data(), static_cast<int>(text.size()));
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < bitmap.height(); ++y)
        png_write_row(png, const_cast<png_bytep>(bitmap.scanLine(y))); // libpng only reads the row
    png_write_end(png, info);
}

} // namespace

std::vector<uint8_t> WritePngMemory(const TBitmap &bitmap, const std::vector<std::pair<std::string, std::string>> &text)
{
    if (bitmap.empty())
        throw Error("Cannot write a PNG picture: the picture is empty");
    TBitmap converted;
    if (bitmap.pixelFormat() != PixelFormat::pf24bit) {
        converted = bitmap;
        converted.setPixelFormat(PixelFormat::pf24bit);
    }
    const TBitmap &rgb = converted.empty() ? bitmap : converted;
    std::vector<png_text> chunks(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
        chunks[i].key = const_cast<png_charp>(text[i].first.c_str());
        chunks[i].text = const_cast<png_charp>(text[i].second.c_str());
        chunks[i].text_length = text[i].second.size();
    }
    Writer writer;
    std::vector<uint8_t> bytes;
    writer.require(guarded(writer.png(), [&] { writeAll(writer.png(), writer.info(), rgb, chunks, bytes); }));
    return bytes;
}

std::vector<uint8_t> WritePngRgbaMemory(int width, int height, const std::vector<uint8_t> &rgba)
{
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4)
        throw Error("Cannot write PNG: the pixels do not match the size");
    PngImage png;
    png_image &image = png.get();
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr))
        throw Error(std::string("Cannot write PNG: ") + image.message);
    std::vector<uint8_t> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba.data(), 0, nullptr))
        throw Error(std::string("Cannot write PNG: ") + image.message);
    bytes.resize(size);
    return bytes;
}

} // namespace vistrel
