#include "platform/bmp_codec.h"

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/safe_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>

namespace vistrel {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kLargestHeaderSize = 124;
constexpr uint32_t kResolution = 2835; // 72 dpi in pixels per metre

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6 };

uint16_t le16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t le32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16)
        | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t le32signed(const uint8_t *p)
{
    return static_cast<int32_t>(le32(p));
}

// Random access to the bytes of a BMP file, held in memory or read from disk as needed.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // The caller has checked that the range lies within size().
    virtual void read(uint64_t offset, uint8_t *dest, size_t length) const = 0;
    virtual void readBlocks(uint64_t offset, size_t length, uint8_t *const *dests, size_t count) const = 0;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint64_t size() const override { return size_; }
    void read(uint64_t offset, uint8_t *dest, size_t length) const override
    {
        if (length > 0)
            std::memcpy(dest, data_ + offset, length);
    }
    void readBlocks(uint64_t offset, size_t length, uint8_t *const *dests, size_t count) const override
    {
        for (size_t i = 0; i < count; ++i)
            std::memcpy(dests[i], data_ + offset + i * length, length);
    }

private:
    const uint8_t *data_;
    size_t size_;
};

class DiskSource : public ByteSource {
public:
    explicit DiskSource(const InputFile &file) : file_(file) {}
    uint64_t size() const override { return file_.size(); }
    void read(uint64_t offset, uint8_t *dest, size_t length) const override { file_.readAt(offset, dest, length); }
    void readBlocks(uint64_t offset, size_t length, uint8_t *const *dests, size_t count) const override
    {
        file_.readBlocksAt(offset, length, dests, count);
    }

private:
    const InputFile &file_;
};

// Where a colour channel sits in a 16- or 32-bit pixel.
struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t maximum = 0; // the channel's largest value once shifted down

    explicit ChannelMask(uint32_t m = 0) : mask(m)
    {
        if (mask == 0)
            return;
        while (((mask >> shift) & 1) == 0)
            ++shift;
        maximum = mask >> shift;
    }
    uint8_t scale(uint32_t pixel, uint8_t absent) const
    {
        if (maximum == 0)
            return absent;
        const uint64_t value = (pixel & mask) >> shift;
        return static_cast<uint8_t>((value * 255 + maximum / 2) / maximum);
    }
};

struct BmpLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 0;
    uint32_t compression = kRgb;
    uint64_t pixelOffset = 0;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha
    std::vector<PaletteEntry> palette;
};

uint64_t strideOf(int width, int bits)
{
    return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32 * 4;
}

bool isKnownHeaderSize(uint32_t size)
{
    for (uint32_t known : {kCoreHeaderSize, kInfoHeaderSize, 52u, 56u, 64u, 108u, kLargestHeaderSize})
        if (size == known)
            return true;
    return false;
}

void checkDepthAndCompression(int bits, uint32_t compression)
{
    const bool depthKnown = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!depthKnown)
        throw Error("unsupported BMP colour depth of " + std::to_string(bits) + " bits");
    const bool fits = compression == kRgb || (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4)
        || ((compression == kBitfields || compression == kAlphaBitfields) && (bits == 16 || bits == 32));
    if (!fits)
        throw Error("unsupported BMP compression " + std::to_string(compression) + " for " + std::to_string(bits)
                    + " bits");
}

void checkDimensions(int64_t width, int64_t height)
{
    if (width <= 0 || height == 0)
        throw Error("invalid picture size " + std::to_string(width) + " x " + std::to_string(height));
    const int64_t rows = height < 0 ? -height : height;
    const auto clamp = [](int64_t v) { return static_cast<int>(std::min<int64_t>(v, std::numeric_limits<int>::max())); };
    TBitmap::checkSize(clamp(width), clamp(rows));
}

void setDefaultMasks(BmpLayout &layout)
{
    if (layout.bits == 16)
        layout.masks = {0x7C00, 0x03E0, 0x001F, 0};
    else
        layout.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
}

std::vector<PaletteEntry> readPalette(const ByteSource &source, uint64_t offset, uint64_t end, uint32_t declared,
                                      int bits, int entrySize)
{
    const uint64_t possible = uint64_t{1} << bits;
    uint64_t count = declared == 0 ? possible : std::min<uint64_t>(declared, possible);
    count = std::min<uint64_t>(count, (end > offset ? end - offset : 0) / entrySize);
    std::vector<uint8_t> bytes(count * entrySize);
    source.read(offset, bytes.data(), bytes.size());
    std::vector<PaletteEntry> palette(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t *p = &bytes[i * entrySize];
        palette[i] = PaletteEntry{p[0], p[1], p[2], 0};
    }
    return palette;
}

std::string hexByte(uint8_t byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", byte);
    return text;
}

BmpLayout readLayout(const ByteSource &source)
{
    const uint64_t fileSize = source.size();
    uint8_t fileHeader[kFileHeaderSize + 4];
    if (fileSize < 2)
        throw Error("not a BMP file");
    source.read(0, fileHeader, 2);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        throw Error("not a BMP file: starts with " + hexByte(fileHeader[0]) + " " + hexByte(fileHeader[1]));
    if (fileSize < sizeof fileHeader)
        throw Error("the BMP header is truncated");
    source.read(0, fileHeader, sizeof fileHeader);

    const uint32_t headerSize = le32(fileHeader + kFileHeaderSize);
    if (!isKnownHeaderSize(headerSize))
        throw Error("unsupported BMP header size " + std::to_string(headerSize));
    if (fileSize < kFileHeaderSize + headerSize)
        throw Error("the BMP header is truncated");
    uint8_t header[kLargestHeaderSize] = {};
    source.read(kFileHeaderSize, header, headerSize);

    BmpLayout layout;
    const bool core = headerSize == kCoreHeaderSize;
    const int64_t width = core ? le16(header + 4) : le32signed(header + 4);
    const int64_t height = core ? le16(header + 6) : le32signed(header + 8);
    layout.bits = core ? le16(header + 10) : le16(header + 14);
    layout.compression = core ? kRgb : le32(header + 16);
    checkDepthAndCompression(layout.bits, layout.compression);
    checkDimensions(width, height);
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height < 0 ? -height : height);
    layout.topDown = height < 0;

    uint64_t paletteOffset = kFileHeaderSize + headerSize;
    setDefaultMasks(layout);
    if (layout.compression == kBitfields || layout.compression == kAlphaBitfields) {
        const int maskCount = layout.compression == kAlphaBitfields ? 4 : 3;
        uint8_t maskBytes[16] = {};
        if (headerSize >= 52) {
            std::memcpy(maskBytes, header + 40, headerSize >= 56 ? 16 : 12);
        } else {
            if (fileSize < paletteOffset + 4 * maskCount)
                throw Error("the BMP header is truncated");
            source.read(paletteOffset, maskBytes, 4 * maskCount);
            paletteOffset += 4 * maskCount;
        }
        for (int i = 0; i < 4; ++i)
            layout.masks[i] = le32(maskBytes + 4 * i);
    }

    const uint32_t dataOffset = le32(fileHeader + 10);
    const uint32_t coloursUsed = core ? 0 : le32(header + 32);
    if (layout.bits <= 8) {
        const uint64_t paletteEnd = dataOffset > paletteOffset ? dataOffset : fileSize;
        layout.palette = readPalette(source, paletteOffset, std::min(paletteEnd, fileSize), coloursUsed, layout.bits,
                                     core ? 3 : 4);
        paletteOffset += layout.palette.size() * (core ? 3 : 4);
    }
    // Some writers leave the offset 0; the pixels then follow the colour table.
    layout.pixelOffset = dataOffset != 0 ? dataOffset : paletteOffset;
    if (layout.pixelOffset > fileSize)
        throw Error("the pixel data offset lies beyond the end of the file");
    return layout;
}

PixelFormat outputFormat(const BmpLayout &layout)
{
    switch (layout.bits) {
    case 1: return PixelFormat::pf1bit;
    case 4: return PixelFormat::pf4bit;
    case 8: return PixelFormat::pf8bit;
    case 32: return PixelFormat::pf32bit;
    default: return PixelFormat::pf24bit;
    }
}

// Rows whose bytes are already laid out as TBitmap keeps them.
bool storedAsIs(const BmpLayout &layout)
{
    if (layout.bits != 16 && layout.compression == kRgb)
        return true;
    const auto &m = layout.masks;
    return layout.bits == 32 && m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF && (m[3] == 0 || m[3] == 0xFF000000);
}

// Rows first .. first + bitmap.height() − 1 of the picture into bitmap, as pointers in the order
// the file holds them.
std::vector<uint8_t *> rowsInFileOrder(TBitmap &bitmap, bool topDown)
{
    std::vector<uint8_t *> rows(static_cast<size_t>(bitmap.height()));
    for (int i = 0; i < bitmap.height(); ++i)
        rows[static_cast<size_t>(i)] = bitmap.scanLine(topDown ? i : bitmap.height() - 1 - i);
    return rows;
}

void unpackMaskedRow(const uint8_t *in, uint8_t *out, int width, const BmpLayout &layout)
{
    const ChannelMask red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]), alpha(layout.masks[3]);
    const int inBytes = layout.bits / 8, outBytes = layout.bits == 32 ? 4 : 3;
    for (int x = 0; x < width; ++x, in += inBytes, out += outBytes) {
        const uint32_t pixel = inBytes == 2 ? le16(in) : le32(in);
        out[0] = blue.scale(pixel, 0);
        out[1] = green.scale(pixel, 0);
        out[2] = red.scale(pixel, 0);
        if (outBytes == 4)
            out[3] = alpha.scale(pixel, 255);
    }
}

void checkPixelData(const ByteSource &source, const BmpLayout &layout)
{
    const uint64_t stride = strideOf(layout.width, layout.bits);
    if (source.size() - layout.pixelOffset < stride * static_cast<uint64_t>(layout.height))
        throw Error("the pixel data is truncated");
}

// Picture rows first .. first + band.height() − 1 of an uncompressed file into band.
void readBand(const ByteSource &source, const BmpLayout &layout, TBitmap &band, int first)
{
    const uint64_t stride = strideOf(layout.width, layout.bits);
    const int firstInFile = layout.topDown ? first : layout.height - first - band.height();
    const uint64_t offset = layout.pixelOffset + static_cast<uint64_t>(firstInFile) * stride;
    const std::vector<uint8_t *> rows = rowsInFileOrder(band, layout.topDown);
    if (storedAsIs(layout)) {
        source.readBlocks(offset, stride, rows.data(), rows.size());
        return;
    }
    std::vector<uint8_t> fileRow(stride);
    for (size_t i = 0; i < rows.size(); ++i) {
        source.read(offset + i * stride, fileRow.data(), fileRow.size());
        unpackMaskedRow(fileRow.data(), rows[i], layout.width, layout);
    }
}

// A bitmap for rows of the picture that the reader writes whole: rows stored as they are give
// every byte, padding included; unpacked ones leave the padding, so those are cleared.
TBitmap bandFor(const BmpLayout &layout, int rows)
{
    TBitmap band = storedAsIs(layout) ? TBitmap::Uncleared(layout.width, rows, outputFormat(layout))
                                      : TBitmap(layout.width, rows, outputFormat(layout));
    if (layout.bits <= 8)
        band.setPalette(layout.palette);
    return band;
}

void putIndex(uint8_t *row, int x, bool fourBit, uint8_t index)
{
    if (!fourBit) {
        row[x] = index;
        return;
    }
    uint8_t &pair = row[x >> 1];
    pair = (x & 1) ? static_cast<uint8_t>((pair & 0xF0) | (index & 0x0F))
                   : static_cast<uint8_t>((pair & 0x0F) | (index << 4));
}

// Walks RLE4/RLE8 data. Pixels it never reaches keep index 0; data that ends early simply
// stops the picture, while runs or jumps outside the picture are errors.
class RleDecoder {
public:
    RleDecoder(const std::vector<uint8_t> &data, TBitmap &bitmap, const BmpLayout &layout)
        : data_(data), rows_(rowsInFileOrder(bitmap, layout.topDown)), width_(layout.width),
          fourBit_(layout.bits == 4)
    {
    }

    void run()
    {
        while (pos_ + 2 <= data_.size() && line_ < rows_.size()) {
            const uint8_t count = data_[pos_], value = data_[pos_ + 1];
            pos_ += 2;
            if (count > 0)
                repeat(count, value);
            else if (value == 0)
                nextLine();
            else if (value == 1)
                return;
            else if (value == 2)
                jump();
            else
                copyLiteral(value);
        }
    }

private:
    void claim(int count)
    {
        if (x_ + count > width_)
            throw Error("the RLE data runs past the end of a row");
    }

    void repeat(int count, uint8_t value)
    {
        claim(count);
        for (int i = 0; i < count; ++i)
            put(fourBit_ ? ((i & 1) ? value & 0x0F : value >> 4) : value);
    }

    void copyLiteral(int count)
    {
        claim(count);
        const size_t bytes = fourBit_ ? (static_cast<size_t>(count) + 1) / 2 : static_cast<size_t>(count);
        if (pos_ + bytes > data_.size()) {
            pos_ = data_.size();
            return;
        }
        for (int i = 0; i < count; ++i) {
            const uint8_t byte = data_[pos_ + (fourBit_ ? i / 2 : i)];
            put(fourBit_ ? ((i & 1) ? byte & 0x0F : byte >> 4) : byte);
        }
        pos_ += bytes + (bytes & 1); // literal runs are padded to 16 bits
    }

    void jump()
    {
        if (pos_ + 2 > data_.size()) {
            pos_ = data_.size();
            return;
        }
        x_ += data_[pos_];
        line_ += data_[pos_ + 1];
        pos_ += 2;
        if (x_ > width_ || line_ >= rows_.size())
            throw Error("the RLE data moves past the end of the picture");
    }

    void nextLine()
    {
        x_ = 0;
        ++line_;
    }

    void put(int index) { putIndex(rows_[line_], x_++, fourBit_, static_cast<uint8_t>(index)); }

    const std::vector<uint8_t> &data_;
    std::vector<uint8_t *> rows_;
    int width_;
    bool fourBit_;
    size_t pos_ = 0;
    int x_ = 0;
    size_t line_ = 0;
};

void readRle(const ByteSource &source, const BmpLayout &layout, TBitmap &bitmap)
{
    // Every pixel costs at most two bytes, plus an end-of-line per row; more cannot be
    // meaningful, so a huge file is not read whole.
    const uint64_t pixels = static_cast<uint64_t>(layout.width) * static_cast<uint64_t>(layout.height);
    const uint64_t useful = 2 * pixels + 4 * static_cast<uint64_t>(layout.height) + 2;
    std::vector<uint8_t> data(std::min(source.size() - layout.pixelOffset, useful));
    source.read(layout.pixelOffset, data.data(), data.size());
    RleDecoder(data, bitmap, layout).run();
}

bool isRle(const BmpLayout &layout)
{
    return layout.compression == kRle4 || layout.compression == kRle8;
}

TBitmap readBmp(const ByteSource &source)
{
    const BmpLayout layout = readLayout(source);
    if (isRle(layout)) {
        TBitmap bitmap(layout.width, layout.height, outputFormat(layout));
        bitmap.setPalette(layout.palette);
        readRle(source, layout, bitmap);
        return bitmap;
    }
    checkPixelData(source, layout);
    TBitmap bitmap = bandFor(layout, layout.height);
    readBand(source, layout, bitmap, 0);
    return bitmap;
}

// Hands the picture over in 24-bit strips, top to bottom; an RLE file is decoded whole first.
void readStrips(const ByteSource &source, int stripRows, const BmpStarted &started, const BmpStrip &visit)
{
    const BmpLayout layout = readLayout(source);
    const int rows = std::clamp(stripRows, 1, layout.height);
    TBitmap whole;
    if (isRle(layout))
        whole = readBmp(source);
    else
        checkPixelData(source, layout);
    started(layout.width, layout.height);
    TBitmap strip;
    for (int first = 0; first < layout.height; first += rows) {
        const int count = std::min(rows, layout.height - first);
        if (strip.height() != count)
            strip = bandFor(layout, count);
        if (whole.empty())
            readBand(source, layout, strip, first);
        else
            for (int r = 0; r < count; ++r)
                std::memcpy(strip.scanLine(r), whole.scanLine(first + r), strip.bytesPerLine());
        if (strip.pixelFormat() == PixelFormat::pf24bit) {
            visit(strip, first);
        } else {
            TBitmap converted = strip;
            converted.setPixelFormat(PixelFormat::pf24bit);
            visit(converted, first);
        }
    }
}

void putLe16(uint8_t *p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void putLe32(uint8_t *p, uint32_t v)
{
    putLe16(p, v);
    putLe16(p + 2, v >> 16);
}

constexpr size_t kWrittenHeaderSize = kFileHeaderSize + kInfoHeaderSize;

std::array<uint8_t, kWrittenHeaderSize> headerFor(const TBitmap &bitmap)
{
    // Within TBitmap's limits this stays far below 4 GB.
    const uint64_t imageSize = bitmap.bytesPerLine() * static_cast<uint64_t>(bitmap.height());
    std::array<uint8_t, kWrittenHeaderSize> h{};
    h[0] = 'B';
    h[1] = 'M';
    putLe32(&h[2], static_cast<uint32_t>(kWrittenHeaderSize + imageSize));
    putLe32(&h[10], kWrittenHeaderSize);
    uint8_t *info = &h[kFileHeaderSize];
    putLe32(info, kInfoHeaderSize);
    putLe32(info + 4, static_cast<uint32_t>(bitmap.width()));
    putLe32(info + 8, static_cast<uint32_t>(bitmap.height()));
    putLe16(info + 12, 1);
    putLe16(info + 14, 24);
    putLe32(info + 16, kRgb);
    putLe32(info + 20, static_cast<uint32_t>(imageSize));
    putLe32(info + 24, kResolution);
    putLe32(info + 28, kResolution);
    return h;
}

// Calls write(data, size) for the header and then each row, bottom row first.
template <typename Write>
void writeBmp(const TBitmap &bitmap, const Write &write)
{
    if (bitmap.empty())
        throw Error("the picture is empty");
    TBitmap converted;
    const bool direct = bitmap.pixelFormat() == PixelFormat::pf24bit;
    if (!direct) {
        converted = bitmap;
        converted.setPixelFormat(PixelFormat::pf24bit);
    }
    const TBitmap &source = direct ? bitmap : converted;
    const auto header = headerFor(source);
    write(header.data(), header.size());
    for (int y = source.height() - 1; y >= 0; --y)
        write(source.scanLine(y), source.bytesPerLine());
}

} // namespace

TBitmap ReadBmpFile(const std::string &path)
{
    return ReadNamedPicture(path, [&path] {
        const InputFile file(path);
        return readBmp(DiskSource(file));
    });
}

void ReadBmpFileStrips(const std::string &path, int stripRows, const BmpStarted &started, const BmpStrip &strip)
{
    ReadNamedPicture(path, [&] {
        const InputFile file(path);
        readStrips(DiskSource(file), stripRows, started, strip);
        return 0;
    });
}

TBitmap ReadBmpMemory(const uint8_t *data, size_t size)
{
    return ReadNamedPicture({}, [data, size] { return readBmp(MemorySource(data, size)); });
}

std::vector<uint8_t> WriteBmpMemory(const TBitmap &bitmap)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(kWrittenHeaderSize + strideOf(bitmap.width(), 24) * static_cast<size_t>(bitmap.height()));
    writeBmp(bitmap, [&bytes](const uint8_t *data, size_t size) { bytes.insert(bytes.end(), data, data + size); });
    return bytes;
}

void WriteBmpFile(const TBitmap &bitmap, const std::string &path)
{
    if (bitmap.empty())
        throw WriteError(path, "the picture is empty");
    SafeFile file(path);
    writeBmp(bitmap, [&file](const uint8_t *data, size_t size) { file.write(data, size); });
    file.commit();
}

} // namespace vistrel
