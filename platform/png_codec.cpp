#include "platform/png_codec.h"

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/safe_file.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
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

// Files are read and written through libpng's classic interface, the only one that takes limits
// on what a file may make it allocate. It reports errors through a callback that must not
// return; it longjmps back to the setjmp of `guarded`. The lambdas run there hold only trivially
// destructible objects, and the C++ objects (bitmap, buffers) live in the callers, as in the
// JPEG codec.

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

// What a file may make the decoder hold besides its pixels. libpng's own defaults let a text
// chunk that merely declares 2 GB allocate them, and keep every compressed one expanded to 8 MB;
// here no chunk is stored but a colour profile, and text only as the thumbnail keys it holds.
constexpr png_alloc_size_t kChunkBytes = 4u << 20; // one chunk (the pixel data is not one)
constexpr png_uint_32 kKeptChunks = 16;             // chunks taken as unknown, text included
constexpr size_t kTextBytes = 64u << 10;            // a thumbnail's keys are short
const char kThumbnailKeyPrefix[] = "Thumb::";

using TextKeys = std::map<std::string, std::string>;

// Expands zlib data, giving up (false) beyond kTextBytes.
bool inflateBounded(const uint8_t *data, size_t size, std::string &out)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    out.resize(kTextBytes);
    stream.next_in = const_cast<Bytef *>(data); // zlib only reads the input
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return status == Z_STREAM_END;
}

// One text chunk's key and text: tEXt (key, text), zTXt (key, method, deflated text) or iTXt
// (key, compressed flag, method, language, translated key, text). False for a damaged chunk
// and for any other chunk.
bool parseText(const png_unknown_chunk &chunk, std::string &key, std::string &text)
{
    const auto *begin = chunk.data, *end = chunk.data + chunk.size;
    const auto *keyEnd = std::find(begin, end, '\0');
    if (keyEnd == end)
        return false;
    key.assign(begin, keyEnd);
    const auto *rest = keyEnd + 1;
    const std::string type(reinterpret_cast<const char *>(chunk.name), 4);
    if (type == "tEXt") {
        text.assign(rest, end);
        return true;
    }
    if (type == "zTXt")
        return rest < end && inflateBounded(rest + 1, static_cast<size_t>(end - rest - 1), text);
    if (type != "iTXt" || end - rest < 2)
        return false;
    const bool compressed = rest[0] != 0;
    const auto *language = std::find(rest + 2, end, '\0');
    const auto *translated = language == end ? end : std::find(language + 1, end, '\0');
    if (translated == end)
        return false;
    if (compressed)
        return inflateBounded(translated + 1, static_cast<size_t>(end - translated - 1), text);
    text.assign(translated + 1, end);
    return true;
}

// Called by libpng for each text chunk, which it hands over as unknown, already bounded by
// kChunkBytes. It must not throw through libpng.
int keepThumbnailKey(png_structp png, png_unknown_chunkp chunk)
{
    auto *keys = static_cast<TextKeys *>(png_get_user_chunk_ptr(png));
    try {
        std::string key, text;
        if (parseText(*chunk, key, text) && key.rfind(kThumbnailKeyPrefix, 0) == 0 && text.size() < kTextBytes)
            (*keys)[key] = std::move(text);
    } catch (const std::bad_alloc &) {
        return -1;
    }
    return 1;
}

// Text goes to `keys` when given, else nowhere; the other chunks libpng would store (palettes
// suggested, Exif) are dropped, as nobody here looks at them.
void limitStoredChunks(png_structp png, TextKeys *keys)
{
    static const png_byte kDropped[] = {'t', 'E', 'X', 't', 0, 'z', 'T', 'X', 't', 0, 'i', 'T', 'X', 't', 0,
                                        's', 'P', 'L', 'T', 0, 'e', 'X', 'I', 'f', 0};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kDropped, 5);
    if (keys)
        png_set_read_user_chunk_fn(png, keys, keepThumbnailKey);
}

class Reader {
public:
    // Pictures wider or higher than maxSide are refused before any pixel is allocated.
    Reader(int maxSide, TextKeys *keys)
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, &failure_, onError, onWarning))
    {
        info_ = png_ ? png_create_info_struct(png_) : nullptr;
        if (!info_)
            throw Error("not enough memory");
        png_set_user_limits(png_, static_cast<png_uint_32>(maxSide), static_cast<png_uint_32>(maxSide));
        png_set_chunk_malloc_max(png_, kChunkBytes);
        png_set_chunk_cache_max(png_, kKeptChunks);
        limitStoredChunks(png_, keys);
    }
    ~Reader() { png_destroy_read_struct(&png_, &info_, nullptr); }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    // Runs one libpng step; its error becomes an Error with libpng's message.
    template <typename Step>
    void run(const Step &step) const
    {
        if (!guarded(png_, step))
            throw Error(failure_.message);
    }
    png_uint_32 width() const { return png_get_image_width(png_, info_); }
    png_uint_32 height() const { return png_get_image_height(png_, info_); }

private:
    Failure failure_{};
    png_structp png_;
    png_infop info_ = nullptr;
};

// Every PNG becomes 8-bit BGR rows, the bitmap's own layout, with alpha when asked.
void chooseOutput(png_structp png, png_infop info, bool keepAlpha)
{
    png_set_expand(png);
    png_set_strip_16(png);
    if (!keepAlpha)
        png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// As the viewers show them: sRGB out, and files without a gamma taken as sRGB, except 16-bit
// ones, which hold linear light.
void chooseGamma(png_structp png, png_infop info)
{
    png_fixed_point fileGamma = 0;
    if (!png_get_gAMA_fixed(png, info, &fileGamma))
        fileGamma = png_get_bit_depth(png, info) == 16 ? PNG_GAMMA_LINEAR : PNG_DEFAULT_sRGB;
    png_set_gamma_fixed(png, PNG_DEFAULT_sRGB, fileGamma);
}

bool hasAlpha(png_structp png, png_infop info)
{
    return (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
}

// Made outside the guarded steps, whose frames a libpng error skips without destructors.
std::vector<png_bytep> rowsOf(TBitmap &bitmap)
{
    std::vector<png_bytep> rows(static_cast<size_t>(bitmap.height()));
    for (int y = 0; y < bitmap.height(); ++y)
        rows[static_cast<size_t>(y)] = bitmap.scanLine(y);
    return rows;
}

void readRows(png_structp png, png_infop info, std::vector<png_bytep> &rows)
{
    png_read_image(png, rows.data());
    png_read_end(png, info);
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
        const Reader reader(kMaxBitmapSide, nullptr);
        reader.run([&] {
            png_init_io(reader.png(), file.get());
            png_read_info(reader.png(), reader.info());
        });
        TBitmap::checkSize(static_cast<int>(reader.width()), static_cast<int>(reader.height()));
        const bool alpha = hasAlpha(reader.png(), reader.info());
        reader.run([&] {
            chooseGamma(reader.png(), reader.info());
            chooseOutput(reader.png(), reader.info(), alpha);
        });
        TBitmap bitmap = TBitmap::Uncleared(static_cast<int>(reader.width()), static_cast<int>(reader.height()),
                                            alpha ? PixelFormat::pf32bit : PixelFormat::pf24bit);
        std::vector<png_bytep> rows = rowsOf(bitmap);
        reader.run([&] { readRows(reader.png(), reader.info(), rows); });
        return bitmap;
    });
}

PngPicture ReadPngMemory(const uint8_t *data, size_t size, int maxSide)
{
    return ReadNamedPicture({}, [&] {
        PngPicture picture;
        const Reader reader(maxSide, &picture.Text);
        MemorySource source{data, size, 0};
        reader.run([&] {
            png_set_read_fn(reader.png(), &source, readFromMemory);
            png_read_info(reader.png(), reader.info());
        });
        if (reader.width() == 0 || reader.height() == 0)
            throw Error("its size is out of range");
        reader.run([&] { chooseOutput(reader.png(), reader.info(), false); });
        picture.Bitmap = TBitmap(static_cast<int>(reader.width()), static_cast<int>(reader.height()));
        std::vector<png_bytep> rows = rowsOf(picture.Bitmap);
        reader.run([&] { readRows(reader.png(), reader.info(), rows); });
        return picture;
    });
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

void WritePngFile(const TBitmap &bitmap, const std::string &path)
{
    std::vector<uint8_t> bytes;
    try {
        bytes = WritePngMemory(bitmap, {});
    } catch (const Error &e) {
        throw WriteError(path, e.what());
    }
    WriteFileSafely(path, bytes.data(), bytes.size());
}

namespace {

// The simplified interface's state, freed on every way out.
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

} // namespace

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
