#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "tests/platform/codec_test_support.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

using namespace vistrel;
using namespace vistrel::testing;

namespace {

void put16(std::vector<uint8_t> &out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t> &out, uint32_t v)
{
    put16(out, v);
    put16(out, v >> 16);
}

// Describes a BMP file to build byte by byte.
struct BmpFields {
    uint32_t headerSize = 40;
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    std::vector<uint32_t> palette; // 0x00RRGGBB
    std::vector<uint32_t> masks;   // red, green, blue[, alpha]
    std::vector<uint8_t> pixels;
    int64_t dataOffset = -1;       // -1: right after the colour table
};

std::vector<uint8_t> build(const BmpFields &fields)
{
    const bool core = fields.headerSize == 12;
    const bool masksInHeader = fields.headerSize >= 52;
    std::vector<uint8_t> header;
    put32(header, fields.headerSize);
    if (core) {
        put16(header, static_cast<uint32_t>(fields.width));
        put16(header, static_cast<uint32_t>(fields.height));
        put16(header, 1);
        put16(header, fields.bits);
    } else {
        put32(header, static_cast<uint32_t>(fields.width));
        put32(header, static_cast<uint32_t>(fields.height));
        put16(header, 1);
        put16(header, fields.bits);
        put32(header, fields.compression);
        put32(header, static_cast<uint32_t>(fields.pixels.size()));
        put32(header, 2835);
        put32(header, 2835);
        put32(header, fields.coloursUsed);
        put32(header, 0);
        if (masksInHeader)
            for (size_t i = 0; i < 4; ++i)
                put32(header, i < fields.masks.size() ? fields.masks[i] : 0);
        header.resize(fields.headerSize, 0);
    }
    if (!masksInHeader)
        for (uint32_t mask : fields.masks)
            put32(header, mask);
    for (uint32_t colour : fields.palette) {
        header.push_back(static_cast<uint8_t>(colour));
        header.push_back(static_cast<uint8_t>(colour >> 8));
        header.push_back(static_cast<uint8_t>(colour >> 16));
        if (!core)
            header.push_back(0);
    }
    const uint32_t offset = fields.dataOffset >= 0 ? static_cast<uint32_t>(fields.dataOffset) : 14 + static_cast<uint32_t>(header.size());
    std::vector<uint8_t> file = {'B', 'M'};
    put32(file, static_cast<uint32_t>(14 + header.size() + fields.pixels.size()));
    put32(file, 0);
    put32(file, offset);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), fields.pixels.begin(), fields.pixels.end());
    return file;
}

// Packs rows of palette indices, given top row first, as bottom-up BMP rows padded to 4 bytes.
std::vector<uint8_t> packIndices(const std::vector<std::vector<int>> &rows, int bits)
{
    std::vector<uint8_t> out;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        std::vector<uint8_t> packed((row->size() * bits + 31) / 32 * 4, 0);
        for (size_t x = 0; x < row->size(); ++x) {
            const size_t bit = x * bits;
            packed[bit / 8] |= static_cast<uint8_t>((*row)[x] << (8 - bits - bit % 8));
        }
        out.insert(out.end(), packed.begin(), packed.end());
    }
    return out;
}

TBitmap read(const std::vector<uint8_t> &file)
{
    return ReadBmpMemory(file.data(), file.size());
}

std::string errorOf(const std::vector<uint8_t> &file)
{
    try {
        read(file);
    } catch (const Error &e) {
        return e.what();
    }
    return "(no error)";
}

const PaletteEntry kBlack{0, 0, 0}, kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255};

// Eight pixels of 16-bit colour (little-endian words) plus the padding to the next 4 bytes.
std::vector<uint8_t> words(std::initializer_list<uint16_t> values)
{
    std::vector<uint8_t> out;
    for (uint16_t v : values)
        put16(out, v);
    out.resize((out.size() + 3) / 4 * 4, 0);
    return out;
}

} // namespace

TEST(BmpReading, IndexedDepthsKeepTheirFormatAndPalette)
{
    const std::vector<std::vector<int>> rows = {{1, 0, 1, 1, 0, 0, 0, 1, 1}, {0, 1, 0, 0, 1, 1, 1, 0, 0}};
    for (uint16_t bits : {1, 4, 8}) {
        BmpFields fields;
        fields.width = 9;
        fields.height = 2;
        fields.bits = bits;
        fields.palette = {0x0000FF, 0xFF0000};
        fields.coloursUsed = 2;
        fields.pixels = packIndices(rows, bits);
        const TBitmap bitmap = read(build(fields));
        ASSERT_EQ(bitmap.bitsPerPixel(), bits);
        ASSERT_EQ(bitmap.palette().size(), size_t{1} << bits);
        EXPECT_EQ(bitmap.palette()[0], kBlue);
        EXPECT_EQ(bitmap.palette()[1], kRed);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 9; ++x)
                EXPECT_EQ(bitmap.pixel(x, y), rows[y][x] ? kRed : kBlue) << bits << " bits at " << x << "," << y;
    }
}

TEST(BmpReading, ColourTableSizesAreHandledSafely)
{
    // No count means 2^bits entries; a count beyond 2^bits is clipped; indices beyond the table
    // read as black; entries past the pixel data offset are not read from the pixels.
    BmpFields fields;
    fields.width = 3;
    fields.bits = 8;
    fields.coloursUsed = 1000;
    fields.palette = {0xFFFFFF, 0x00FF00};
    fields.pixels = {0, 1, 200, 0};
    TBitmap bitmap = read(build(fields));
    EXPECT_EQ(bitmap.pixel(0, 0), kWhite);
    EXPECT_EQ(bitmap.pixel(1, 0), kGreen);
    EXPECT_EQ(bitmap.pixel(2, 0), kBlack);

    fields.bits = 1;
    fields.coloursUsed = 0;
    fields.pixels = {0x40, 0, 0, 0};
    bitmap = read(build(fields));
    EXPECT_EQ(bitmap.pixel(0, 0), kWhite);
    EXPECT_EQ(bitmap.pixel(1, 0), kGreen);
}

TEST(BmpReading, CoreHeaderUsesThreeBytePaletteEntries)
{
    BmpFields fields;
    fields.headerSize = 12;
    fields.width = 2;
    fields.bits = 4;
    fields.palette.assign(16, 0);
    fields.palette[3] = 0x00FF00;
    fields.palette[15] = 0xFFFFFF;
    fields.pixels = {0x3F, 0, 0, 0};
    const TBitmap bitmap = read(build(fields));
    EXPECT_EQ(bitmap.pixel(0, 0), kGreen);
    EXPECT_EQ(bitmap.pixel(1, 0), kWhite);
}

TEST(BmpReading, SixteenBitDefaultsTo555AndBitfieldsChooseOtherLayouts)
{
    BmpFields fields;
    fields.width = 4;
    fields.bits = 16;
    fields.pixels = words({0x7C00, 0x03E0, 0x001F, 0x0210});
    TBitmap bitmap = read(build(fields));
    ASSERT_EQ(bitmap.pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(bitmap.pixel(0, 0), kRed);
    EXPECT_EQ(bitmap.pixel(1, 0), kGreen);
    EXPECT_EQ(bitmap.pixel(2, 0), kBlue);
    EXPECT_EQ(bitmap.pixel(3, 0), (PaletteEntry{132, 132, 0})); // 16 of 31 in green and blue

    fields.compression = 3;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixels = words({0xF800, 0x07E0, 0x001F, 0x0400});
    for (uint32_t headerSize : {40u, 56u, 124u}) {
        fields.headerSize = headerSize;
        bitmap = read(build(fields));
        EXPECT_EQ(bitmap.pixel(0, 0), kRed) << headerSize;
        EXPECT_EQ(bitmap.pixel(1, 0), kGreen) << headerSize;
        EXPECT_EQ(bitmap.pixel(2, 0), kBlue) << headerSize;
        EXPECT_EQ(bitmap.pixel(3, 0), (PaletteEntry{0, 130, 0})) << headerSize; // 32 of 63
    }
}

TEST(BmpReading, TwentyFourBitRowsReadTheSameBottomUpAndTopDown)
{
    BmpFields fields;
    fields.width = 2;
    fields.height = 3;
    // Bottom row first: blue blue | green green | red white, each row padded to 8 bytes.
    fields.pixels = {255, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
    const TBitmap bottomUp = read(build(fields));
    EXPECT_EQ(bottomUp.pixel(0, 0), kRed);
    EXPECT_EQ(bottomUp.pixel(1, 0), kWhite);
    EXPECT_EQ(bottomUp.pixel(1, 1), kGreen);
    EXPECT_EQ(bottomUp.pixel(0, 2), kBlue);

    BmpFields flipped = fields;
    flipped.height = -3;
    flipped.pixels.clear();
    for (int row = 2; row >= 0; --row)
        flipped.pixels.insert(flipped.pixels.end(), fields.pixels.begin() + row * 8, fields.pixels.begin() + row * 8 + 8);
    EXPECT_EQ(read(build(flipped)), bottomUp);
}

TEST(BmpReading, ThirtyTwoBitKeepsTheFourthByte)
{
    BmpFields fields;
    fields.width = 2;
    fields.bits = 32;
    fields.pixels = {1, 2, 3, 0x80, 4, 5, 6, 0};
    TBitmap bitmap = read(build(fields));
    ASSERT_EQ(bitmap.pixelFormat(), PixelFormat::pf32bit);
    EXPECT_EQ(std::vector<uint8_t>(bitmap.scanLine(0), bitmap.scanLine(0) + 8), fields.pixels);

    // R, G, B, A in byte order, as some writers lay them out, with an alpha mask.
    fields.headerSize = 124;
    fields.compression = 3;
    fields.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
    bitmap = read(build(fields));
    EXPECT_EQ(std::vector<uint8_t>(bitmap.scanLine(0), bitmap.scanLine(0) + 8),
              (std::vector<uint8_t>{3, 2, 1, 0x80, 6, 5, 4, 0}));

    fields.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0};
    bitmap = read(build(fields));
    EXPECT_EQ(bitmap.scanLine(0)[3], 255) << "no alpha mask means opaque";
}

TEST(BmpReading, Rle8RunsLiteralsAndEscapes)
{
    BmpFields fields;
    fields.width = 8;
    fields.height = 3;
    fields.bits = 8;
    fields.compression = 1;
    fields.palette.assign(256, 0);
    fields.pixels = {3, 5,             // run of three 5s
                   0, 3, 7, 8, 9, 0, // literal 7 8 9, padded to 16 bits
                   0, 0,             // end of line
                   0, 2, 2, 1,       // jump right 2 and up 1
                   2, 4,             // two 4s
                   0, 1,             // end of picture
                   9, 9};            // ignored
    const TBitmap bitmap = read(build(fields));
    const std::vector<std::vector<uint8_t>> expected = {
        {0, 0, 4, 4, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {5, 5, 5, 7, 8, 9, 0, 0}};
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(std::vector<uint8_t>(bitmap.scanLine(y), bitmap.scanLine(y) + 8), expected[y]) << y;
}

TEST(BmpReading, Rle4RunsAlternateNibbles)
{
    BmpFields fields;
    fields.width = 6;
    fields.height = -2; // top-down
    fields.bits = 4;
    fields.compression = 2;
    fields.palette.assign(16, 0);
    fields.pixels = {5, 0x12,             // 1 2 1 2 1
                   0, 0,                // end of line
                   0, 3, 0x34, 0x50,    // literal 3 4 5 (two bytes, already even)
                   0, 1};
    const TBitmap bitmap = read(build(fields));
    EXPECT_EQ(std::vector<uint8_t>(bitmap.scanLine(0), bitmap.scanLine(0) + 3), (std::vector<uint8_t>{0x12, 0x12, 0x10}));
    EXPECT_EQ(std::vector<uint8_t>(bitmap.scanLine(1), bitmap.scanLine(1) + 3), (std::vector<uint8_t>{0x34, 0x50, 0x00}));
}

TEST(BmpReading, RleDataEndingEarlyLeavesTheRestAtIndexZero)
{
    BmpFields fields;
    fields.width = 6;
    fields.height = 2;
    fields.bits = 8;
    fields.compression = 1;
    fields.palette.assign(256, 0x112233);
    fields.pixels = {2, 7, 0, 3, 1}; // a run, then a literal cut short
    const TBitmap bitmap = read(build(fields));
    EXPECT_EQ(std::vector<uint8_t>(bitmap.scanLine(1), bitmap.scanLine(1) + 6), (std::vector<uint8_t>{7, 7, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(bitmap.scanLine(0), bitmap.scanLine(0) + 6), (std::vector<uint8_t>(6, 0)));
}

TEST(BmpReading, HostileFilesAreRefused)
{
    BmpFields good;
    good.width = 4;
    good.height = 2;
    good.pixels.assign(24, 0x55);
    const std::vector<uint8_t> file = build(good);
    ASSERT_NO_THROW(read(file));

    auto cut = [&file](size_t size) { return std::vector<uint8_t>(file.begin(), file.begin() + static_cast<long>(size)); };
    auto patched = [&file](size_t at, uint32_t value) {
        std::vector<uint8_t> bytes = file;
        std::memcpy(&bytes[at], &value, 4);
        return bytes;
    };
    auto with = [&good](auto change) {
        BmpFields fields = good;
        change(fields);
        return build(fields);
    };
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
        {"empty", {}},
        {"signature only", cut(2)},
        {"header cut", cut(20)},
        {"info header cut", cut(40)},
        {"pixels cut", cut(file.size() - 1)},
        {"not a BMP", {'P', '6', ' ', '1', ' ', '1'}},
        {"header size beyond the file", patched(14, 124)},
        {"huge header size", patched(14, 0x7FFFFFF0)},
        {"unknown header size", patched(14, 41)},
        {"depth", with([](BmpFields &s) { s.bits = 7; })},
        {"RLE8 at 24 bits", with([](BmpFields &s) { s.compression = 1; })},
        {"unknown compression", with([](BmpFields &s) { s.compression = 4; })},
        {"width 0", with([](BmpFields &s) { s.width = 0; })},
        {"negative width", with([](BmpFields &s) { s.width = -4; })},
        {"height 0", with([](BmpFields &s) { s.height = 0; })},
        {"width 100000", with([](BmpFields &s) { s.width = 100000; })},
        {"height INT_MIN", with([](BmpFields &s) { s.height = INT_MIN; })},
        {"20000 x 20000", with([](BmpFields &s) { s.width = s.height = 20000; })},
        {"offset beyond file", with([](BmpFields &s) { s.dataOffset = 100000; })},
        {"offset at the end", with([](BmpFields &s) { s.dataOffset = 54 + 24; })},
        {"masks cut", cut(14 + 40 + 4)},
    };
    for (const auto &[name, bytes] : cases)
        EXPECT_THROW(read(bytes), Error) << name;
    EXPECT_EQ(errorOf(cut(file.size() - 1)), "Cannot read picture: the pixel data is truncated");
    EXPECT_EQ(errorOf({'P', '6'}), "Cannot read picture: not a BMP file: starts with 0x50 0x36");
    EXPECT_NE(errorOf(with([](BmpFields &s) { s.height = INT_MIN; })).find("too large"), std::string::npos);
}

TEST(BmpReading, HostileBitfieldAndRleFilesAreRefused)
{
    BmpFields masks;
    masks.width = 2;
    masks.bits = 16;
    masks.compression = 3;
    masks.pixels = {0, 0, 0, 0};
    std::vector<uint8_t> file = build(masks); // the 12 mask bytes are missing
    EXPECT_THROW(read(file), Error);

    BmpFields rle;
    rle.width = 4;
    rle.height = 2;
    rle.bits = 8;
    rle.compression = 1;
    rle.palette.assign(2, 0);
    const std::vector<std::vector<uint8_t>> streams = {
        {5, 1},                    // run longer than the row
        {2, 1, 3, 1},              // second run overflows
        {0, 5, 1, 2, 3, 4, 5, 0},  // literal longer than the row
        {0, 2, 5, 0},              // jump past the right edge
        {0, 2, 0, 2},              // jump past the top
        {0, 0, 0, 0, 1, 1},        // run after the last line's end
    };
    for (size_t i = 0; i < streams.size(); ++i) {
        rle.pixels = streams[i];
        if (i + 1 < streams.size())
            EXPECT_THROW(read(build(rle)), Error) << i;
        else
            EXPECT_NO_THROW(read(build(rle))) << "data after the last line is ignored";
    }
}

TEST(BmpReading, RandomBytesNeverCrash)
{
    std::mt19937 random(11);
    BmpFields fields;
    fields.width = 5;
    fields.height = 3;
    fields.bits = 8;
    fields.compression = 1;
    fields.palette.assign(4, 0x808080);
    fields.pixels.assign(40, 1);
    const std::vector<uint8_t> base = build(fields);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bytes = base;
        if (round % 4 == 0) {
            bytes.resize(random() % 200);
            for (uint8_t &b : bytes)
                b = static_cast<uint8_t>(random());
        } else {
            for (int i = 0; i < 1 + round % 6; ++i)
                bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        }
        try {
            const TBitmap bitmap = read(bytes);
            EXPECT_FALSE(bitmap.empty());
        } catch (const Error &) {
        }
    }
}

TEST(BmpWriting, HeaderFieldsDescribeA24BitBottomUpFile)
{
    TBitmap bitmap(3, 2);
    bitmap.setPixel(0, 0, kRed);
    bitmap.setPixel(2, 1, kBlue);
    const std::vector<uint8_t> file = WriteBmpMemory(bitmap);
    auto u32 = [&file](size_t at) { return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | uint32_t(file[at + 3]) << 24; };
    auto u16 = [&file](size_t at) { return file[at] | file[at + 1] << 8; };
    ASSERT_EQ(file.size(), 54u + 2 * 12);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(u32(2), file.size());
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 3u);
    EXPECT_EQ(u32(22), 2u);
    EXPECT_EQ(u16(26), 1);
    EXPECT_EQ(u16(28), 24);
    EXPECT_EQ(u32(30), 0u);
    EXPECT_EQ(u32(34), 24u);
    EXPECT_EQ(u32(38), 2835u);
    EXPECT_EQ(u32(46), 0u);
    // The bottom row comes first: its last pixel is blue; then the top row starting with red.
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 54 + 6, file.begin() + 54 + 9), (std::vector<uint8_t>{255, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 66, file.begin() + 69), (std::vector<uint8_t>{0, 0, 255}));
}

TEST(BmpWriting, EveryFormatRoundTripsThroughTwentyFourBits)
{
    const TBitmap rgb = SmoothPicture(13, 7);
    EXPECT_EQ(read(WriteBmpMemory(rgb)), rgb);

    TBitmap withAlpha = rgb;
    withAlpha.setPixelFormat(PixelFormat::pf32bit);
    EXPECT_EQ(read(WriteBmpMemory(withAlpha)), rgb);

    for (PixelFormat format : {PixelFormat::pf1bit, PixelFormat::pf4bit, PixelFormat::pf8bit}) {
        TBitmap indexed = rgb;
        indexed.setPixelFormat(format);
        const TBitmap back = read(WriteBmpMemory(indexed));
        ASSERT_EQ(back.pixelFormat(), PixelFormat::pf24bit);
        for (int y = 0; y < rgb.height(); ++y)
            for (int x = 0; x < rgb.width(); ++x)
                EXPECT_EQ(back.pixel(x, y), indexed.pixel(x, y));
    }
}

TEST(BmpWriting, FilesRoundTripAndFailuresLeaveNothingBehind)
{
    TempFolder folder;
    const std::string path = folder.file("picture.bmp");
    const TBitmap picture = SmoothPicture(100, 61);
    WriteBmpFile(picture, path);
    EXPECT_EQ(ReadByteVector(path), WriteBmpMemory(picture));
    EXPECT_EQ(ReadBmpFile(path), picture);

    const std::string unwritable = folder.file("missing/picture.bmp");
    try {
        WriteBmpFile(picture, unwritable);
        ADD_FAILURE() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + unwritable + ": No such file or directory");
    }

    const std::string full = folder.file("full.bmp");
    {
        FileSizeLimit limit(1000);
        EXPECT_THROW(WriteBmpFile(picture, full), Error);
    }
    EXPECT_FALSE(std::filesystem::exists(full));
    EXPECT_THROW(WriteBmpFile(TBitmap(), full), Error);
    EXPECT_FALSE(std::filesystem::exists(full));
}

TEST(BmpReading, FileErrorsNameThePath)
{
    TempFolder folder;
    const std::string path = folder.file("cut.bmp");
    std::vector<uint8_t> bytes = WriteBmpMemory(SmoothPicture(50, 40));
    bytes.resize(bytes.size() - 10);
    WriteByteVector(path, bytes);
    try {
        ReadBmpFile(path);
        ADD_FAILURE() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot read picture " + path + ": the pixel data is truncated");
    }
    EXPECT_THROW(ReadBmpFile(folder.file("none.bmp")), Error);
}

TEST(BmpReading, LargeFilesReadInManyBlocksMatchMemoryReading)
{
    // More rows than one vectored read takes, top-down and bottom-up.
    TempFolder folder;
    const TBitmap picture = SmoothPicture(7, 2500);
    const std::string path = folder.file("tall.bmp");
    WriteBmpFile(picture, path);
    EXPECT_EQ(ReadBmpFile(path), picture);

    std::vector<uint8_t> bytes = ReadByteVector(path);
    const int32_t negative = -2500;
    std::memcpy(&bytes[22], &negative, 4);
    WriteByteVector(path, bytes);
    const TBitmap flipped = ReadBmpFile(path);
    EXPECT_EQ(flipped, read(bytes));
    EXPECT_EQ(flipped.pixel(3, 0), picture.pixel(3, 2499));
}

// Strips of every kind of file put together give the whole picture at 24 bits, truncated files
// failing before the first strip.
TEST(BmpReading, StripsCarryTheWholePictureAtTwentyFourBits)
{
    TempFolder folder;
    std::vector<std::vector<uint8_t>> files = {WriteBmpMemory(PatternPicture(13, 37))};
    files.push_back(files[0]);
    const int32_t topDown = -37;
    std::memcpy(&files[1][22], &topDown, 4);
    BmpFields indexed;
    indexed.width = 5;
    indexed.height = 3;
    indexed.bits = 8;
    indexed.palette = {0x102030, 0xFF8000, 0x00FF00};
    indexed.pixels = packIndices({{0, 1, 2, 1, 0}, {2, 2, 2, 2, 2}, {1, 0, 1, 0, 1}}, 8);
    files.push_back(build(indexed));
    indexed.compression = 1;
    indexed.pixels = {5, 1, 0, 0, 5, 2, 0, 0, 2, 0, 3, 1, 0, 1};
    files.push_back(build(indexed));
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string path = folder.file("strips.bmp");
        WriteByteVector(path, files[i]);
        TBitmap expected = ReadBmpFile(path), assembled;
        expected.setPixelFormat(PixelFormat::pf24bit);
        ReadBmpFileStrips(
            path, 2, [&](int width, int height) { assembled = TBitmap(width, height); },
            [&](TBitmap &rows, int firstRow) {
                ASSERT_EQ(rows.pixelFormat(), PixelFormat::pf24bit);
                for (int r = 0; r < rows.height(); ++r)
                    std::memcpy(assembled.scanLine(firstRow + r), rows.scanLine(r), rows.bytesPerLine());
            });
        EXPECT_EQ(assembled, expected) << "file " << i;
    }
    files[0].resize(files[0].size() - 1);
    WriteByteVector(folder.file("cut.bmp"), files[0]);
    const auto unexpected = [](auto &&...) { FAIL(); };
    EXPECT_THROW(ReadBmpFileStrips(folder.file("cut.bmp"), 2, unexpected, unexpected), Error);
}
