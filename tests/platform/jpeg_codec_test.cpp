#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "platform/jpeg_eighth.h"
#include "tests/platform/codec_test_support.h"
#include "tests/support/errors.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <random>

using namespace vistrel;
using namespace vistrel::testing;

namespace {

// Encodes raw samples with libjpeg itself, for colour spaces our writer never produces.
std::vector<uint8_t> encodeRaw(const std::vector<uint8_t> &samples, int width, int height, int components,
                               J_COLOR_SPACE space, bool progressive = false,
                               const std::function<void(jpeg_compress_struct &)> &tune = {})
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    if (tune)
        tune(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&samples[cinfo.next_scanline * static_cast<size_t>(width) * components]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

struct Segment {
    uint8_t marker;
    size_t start; // of the 0xFF
    size_t end;   // one past its payload (entropy-coded data of a scan not included)
};

// The marker segments before the first scan's data, and the SOS segments after it.
std::vector<Segment> segments(const std::vector<uint8_t> &jpeg)
{
    std::vector<Segment> found;
    size_t pos = 2;
    while (pos + 4 <= jpeg.size()) {
        if (jpeg[pos] != 0xFF)
            break;
        const uint8_t marker = jpeg[pos + 1];
        if (marker == 0xD9)
            break;
        const size_t end = pos + 2 + (jpeg[pos + 2] << 8 | jpeg[pos + 3]);
        found.push_back({marker, pos, end});
        pos = end;
        if (marker == 0xDA) // skip entropy-coded data up to the next real marker
            while (pos + 1 < jpeg.size() && !(jpeg[pos] == 0xFF && jpeg[pos + 1] != 0 && (jpeg[pos + 1] < 0xD0 || jpeg[pos + 1] > 0xD7)))
                ++pos;
    }
    return found;
}

int maxChannelError(const TBitmap &a, const TBitmap &b, double *meanError)
{
    int worst = 0;
    double total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 3; ++x) {
            const int d = std::abs(a.scanLine(y)[x] - b.scanLine(y)[x]);
            worst = std::max(worst, d);
            total += d;
        }
    *meanError = total / (3.0 * a.width() * a.height());
    return worst;
}

} // namespace

TEST(JpegCodec, SmoothPictureSurvivesARoundTripClosely)
{
    const TBitmap original = SmoothPicture(96, 64);
    const std::vector<uint8_t> bytes = WriteJpegMemory(original);
    const TBitmap decoded = ReadJpegMemory(bytes.data(), bytes.size());
    ASSERT_EQ(decoded.pixelFormat(), PixelFormat::pf24bit);
    ASSERT_EQ(decoded.width(), 96);
    ASSERT_EQ(decoded.height(), 64);
    double mean = 0;
    EXPECT_LE(maxChannelError(original, decoded, &mean), 10);
    EXPECT_LT(mean, 2.0);
}

TEST(JpegCodec, LargePicturesDecodeWholeWithClearedRowPadding)
{
    // Large enough for the rows to be cleared beside the decoder; 1401 × 3 bytes leave one byte
    // of padding per row, which must be 0 so that equal pictures compare equal.
    const TBitmap original = SmoothPicture(1401, 1200);
    const std::vector<uint8_t> bytes = WriteJpegMemory(original);
    const TBitmap decoded = ReadJpegMemory(bytes.data(), bytes.size());
    double mean = 0;
    EXPECT_LE(maxChannelError(original, decoded, &mean), 10);
    EXPECT_LT(mean, 2.0);
    for (int y = 0; y < decoded.height(); ++y)
        ASSERT_EQ(decoded.scanLine(y)[decoded.bytesPerLine() - 1], 0) << "row " << y;
    EXPECT_EQ(decoded, ReadJpegMemory(bytes.data(), bytes.size()));
}

TEST(JpegCodec, StripsCarryTheRowsOfTheWholeDecodeInOrder)
{
    TempFolder folder;
    const std::string path = folder.file("strips.jpg");
    WriteJpegFile(SmoothPicture(45, 37), path);
    const TBitmap whole = ReadJpegFile(path);
    std::vector<int> firstRows, heights;
    int started = 0;
    ReadJpegFileStrips(
        path, 8,
        [&](int width, int height) {
            ++started;
            EXPECT_EQ(width, 45);
            EXPECT_EQ(height, 37);
        },
        [&](const TBitmap &rows, int firstRow) {
            EXPECT_EQ(started, 1);
            firstRows.push_back(firstRow);
            heights.push_back(rows.height());
            for (int r = 0; r < rows.height(); ++r)
                ASSERT_EQ(std::memcmp(rows.scanLine(r), whole.scanLine(firstRow + r), 45 * 3), 0) << firstRow + r;
        });
    EXPECT_EQ(firstRows, (std::vector<int>{0, 8, 16, 24, 32}));
    EXPECT_EQ(heights, (std::vector<int>{8, 8, 8, 8, 5}));

    const std::vector<uint8_t> bytes = ReadByteVector(path);
    WriteByteVector(folder.file("cut.jpg"), std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2));
    const auto ignore = [](auto &&...) {};
    EXPECT_THROW(ReadJpegFileStrips(folder.file("cut.jpg"), 8, ignore, ignore), Error);
}

// The smallest of the eighths that keeps the least size on both sides; none smaller: the
// bytes of the full decode, strips included.
TEST(JpegCodec, ShrunkDecodeKeepsTheLeastSizeOnBothSides)
{
    TempFolder folder;
    const std::string path = folder.file("photo.jpg");
    WriteJpegFile(SmoothPicture(400, 300), path);
    const struct {
        DecodeSize least, decoded;
    } cases[] = {{{50, 38}, {50, 38}}, {{51, 10}, {100, 75}}, {{10, 75}, {100, 75}}, {{10, 76}, {150, 113}},
                 {{260, 200}, {300, 225}}, {{400, 300}, {400, 300}}, {{401, 1}, {400, 300}}};
    for (const auto &c : cases) {
        const ScaledJpeg shrunk = ReadJpegFileShrunk(path, [&](DecodeSize full) {
            EXPECT_EQ(full.Width, 400);
            EXPECT_EQ(full.Height, 300);
            return c.least;
        });
        EXPECT_EQ(shrunk.Bitmap.width(), c.decoded.Width) << c.least.Width << "x" << c.least.Height;
        EXPECT_EQ(shrunk.Bitmap.height(), c.decoded.Height) << c.least.Width << "x" << c.least.Height;
        int stripped = 0;
        ReadJpegFileStrips(
            path, 64, [&](int width, int) { EXPECT_EQ(width, c.decoded.Width); },
            [&](const TBitmap &rows, int firstRow) {
                stripped += rows.height();
                for (int r = 0; r < rows.height(); ++r)
                    ASSERT_EQ(std::memcmp(rows.scanLine(r), shrunk.Bitmap.scanLine(firstRow + r), rows.width() * 3), 0);
            },
            [&](DecodeSize) { return c.least; });
        EXPECT_EQ(stripped, c.decoded.Height);
    }
    EXPECT_EQ(ReadJpegFileShrunk(path, [](DecodeSize) { return DecodeSize{400, 300}; }).Bitmap, ReadJpegFile(path));
}

TEST(JpegCodec, StripWriterGivesTheBytesOfTheWholeEncode)
{
    TempFolder folder;
    const TBitmap picture = SmoothPicture(45, 37);
    JpegStripWriter writer(folder.file("strips.jpg"), 45, 37);
    for (int first = 0; first < 37; first += 16) {
        TBitmap strip(45, std::min(16, 37 - first));
        for (int r = 0; r < strip.height(); ++r)
            std::memcpy(strip.scanLine(r), picture.scanLine(first + r), strip.bytesPerLine());
        writer.Write(strip);
        EXPECT_FALSE(std::filesystem::exists(folder.file("strips.jpg"))) << "before the end";
    }
    writer.Finish();
    EXPECT_EQ(ReadByteVector(folder.file("strips.jpg")), WriteJpegMemory(picture));
}

TEST(JpegCodec, WritesBaselineColourWithQuality90Tables)
{
    const std::vector<uint8_t> bytes = WriteJpegMemory(SmoothPicture(40, 30));
    bool baselineFrame = false;
    for (const Segment &s : segments(bytes)) {
        EXPECT_NE(s.marker, 0xC2) << "progressive frame";
        if (s.marker == 0xC0) {
            baselineFrame = true;
            EXPECT_EQ(bytes[s.start + 4], 8);      // sample precision
            EXPECT_EQ(bytes[s.start + 9], 3);      // components
        }
    }
    EXPECT_TRUE(baselineFrame);

    // The standard tables (natural order), scaled the way libjpeg scales them for quality 90.
    static const int luminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                      14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                      18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                      49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    static const int chrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                        24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                        99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                        99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
    const int scale = jpeg_quality_scaling(90);
    ASSERT_EQ(scale, 20);
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    EXPECT_FALSE(cinfo.progressive_mode);
    EXPECT_FALSE(cinfo.arith_code);
    EXPECT_EQ(cinfo.jpeg_color_space, JCS_YCbCr);
    EXPECT_TRUE(cinfo.saw_JFIF_marker);
    for (int table = 0; table < 2; ++table) {
        ASSERT_NE(cinfo.quant_tbl_ptrs[table], nullptr);
        const int *base = table == 0 ? luminance : chrominance;
        for (int i = 0; i < 64; ++i)
            EXPECT_EQ(cinfo.quant_tbl_ptrs[table]->quantval[i], std::clamp((base[i] * scale + 50) / 100, 1, 255))
                << "table " << table << " entry " << i;
    }
    jpeg_destroy_decompress(&cinfo);
}

TEST(JpegCodec, EveryPixelFormatEncodesItsColours)
{
    const TBitmap rgb = SmoothPicture(33, 17);
    const std::vector<uint8_t> expected = WriteJpegMemory(rgb);
    TBitmap withAlpha = rgb;
    withAlpha.setPixelFormat(PixelFormat::pf32bit);
    EXPECT_EQ(WriteJpegMemory(withAlpha), expected);

    TBitmap indexed(8, 8, PixelFormat::pf8bit);
    indexed.setPixel(3, 3, {0, 0, 255});
    TBitmap indexedAsRgb = indexed;
    indexedAsRgb.setPixelFormat(PixelFormat::pf24bit);
    EXPECT_EQ(WriteJpegMemory(indexed), WriteJpegMemory(indexedAsRgb));
}

TEST(JpegCodec, GreyscaleFilesReadAsGreyRgb)
{
    std::vector<uint8_t> grey(24 * 16);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<uint8_t>((i % 24) * 10);
    const std::vector<uint8_t> bytes = encodeRaw(grey, 24, 16, 1, JCS_GRAYSCALE);
    const TBitmap decoded = ReadJpegMemory(bytes.data(), bytes.size());
    ASSERT_EQ(decoded.pixelFormat(), PixelFormat::pf24bit);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            const PaletteEntry c = decoded.pixel(x, y);
            EXPECT_EQ(c.r, c.g);
            EXPECT_EQ(c.g, c.b);
            EXPECT_NEAR(c.r, x * 10, 6) << x << "," << y;
        }
}

TEST(JpegCodec, AdobeCmykFilesReadAsTheirColours)
{
    // Photoshop-style inverted CMYK: 255 means no ink. Left half red (no cyan, full magenta and
    // yellow), right half a mid grey made of black ink alone.
    const int width = 16, height = 8;
    std::vector<uint8_t> cmyk;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool red = x < width / 2;
            const uint8_t inks[4] = {0, static_cast<uint8_t>(red ? 255 : 0), static_cast<uint8_t>(red ? 255 : 0),
                                     static_cast<uint8_t>(red ? 0 : 128)};
            for (uint8_t ink : inks)
                cmyk.push_back(static_cast<uint8_t>(255 - ink));
        }
    const std::vector<uint8_t> bytes = encodeRaw(cmyk, width, height, 4, JCS_CMYK);
    const TBitmap decoded = ReadJpegMemory(bytes.data(), bytes.size());
    const PaletteEntry red = decoded.pixel(2, 4), grey = decoded.pixel(13, 4);
    EXPECT_NEAR(red.r, 255, 6);
    EXPECT_NEAR(red.g, 0, 6);
    EXPECT_NEAR(red.b, 0, 6);
    EXPECT_NEAR(grey.r, 127, 6);
    EXPECT_NEAR(grey.g, 127, 6);
    EXPECT_NEAR(grey.b, 127, 6);
}

TEST(JpegCodec, ProgressiveFilesDecode)
{
    const TBitmap original = SmoothPicture(40, 24);
    std::vector<uint8_t> bgr;
    for (int y = 0; y < original.height(); ++y)
        bgr.insert(bgr.end(), original.scanLine(y), original.scanLine(y) + 3 * original.width());
    const std::vector<uint8_t> bytes = encodeRaw(bgr, 40, 24, 3, JCS_EXT_BGR, true);
    double mean = 0;
    EXPECT_LE(maxChannelError(original, ReadJpegMemory(bytes.data(), bytes.size()), &mean), 10);
}

TEST(JpegCodec, DamagedFilesAreRefusedWithTheirReason)
{
    const std::vector<uint8_t> good = WriteJpegMemory(SmoothPicture(64, 64));

    std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
    EXPECT_EQ(ErrorOf([&] { ReadJpegMemory(truncated.data(), truncated.size()); }),
              "Cannot read picture: the file is truncated");

    const std::vector<uint8_t> bmp = WriteBmpMemory(TBitmap(2, 2));
    EXPECT_EQ(ErrorOf([&] { ReadJpegMemory(bmp.data(), bmp.size()); }),
              "Cannot read picture: Not a JPEG file: starts with 0x42 0x4d");

    EXPECT_THROW(ReadJpegMemory(nullptr, 0), Error);
    const uint8_t soiOnly[] = {0xFF, 0xD8};
    EXPECT_THROW(ReadJpegMemory(soiOnly, sizeof soiOnly), Error);

    std::vector<uint8_t> headerOnly;
    for (const Segment &s : segments(good))
        if (s.marker != 0xDA)
            headerOnly.insert(headerOnly.end(), good.begin() + static_cast<long>(s.start),
                              good.begin() + static_cast<long>(s.end));
    headerOnly.insert(headerOnly.begin(), {0xFF, 0xD8});
    EXPECT_THROW(ReadJpegMemory(headerOnly.data(), headerOnly.size()), Error);
}

TEST(JpegCodec, OversizedPicturesAreRefusedBeforeDecoding)
{
    std::vector<uint8_t> bytes = WriteJpegMemory(SmoothPicture(16, 16));
    for (const Segment &s : segments(bytes))
        if (s.marker == 0xC0) {
            bytes[s.start + 5] = 20000 >> 8; // height
            bytes[s.start + 6] = 20000 & 0xFF;
            bytes[s.start + 7] = 20000 >> 8; // width
            bytes[s.start + 8] = 20000 & 0xFF;
        }
    const std::string message = ErrorOf([&] { ReadJpegMemory(bytes.data(), bytes.size()); });
    EXPECT_NE(message.find("20000 x 20000 is too large"), std::string::npos) << message;
}

TEST(JpegCodec, ProgressiveFilesWithThousandsOfScansAreRefused)
{
    std::vector<uint8_t> samples(8 * 8 * 3, 128);
    const std::vector<uint8_t> progressive = encodeRaw(samples, 8, 8, 3, JCS_RGB, true);
    const std::vector<Segment> parts = segments(progressive);
    ASSERT_EQ(parts.back().marker, 0xDA);
    // Repeat the last scan (header and data) until the file holds well over a thousand scans.
    const size_t lastScan = parts.back().start;
    const size_t end = progressive.size() - 2; // before EOI
    std::vector<uint8_t> hostile(progressive.begin(), progressive.begin() + static_cast<long>(end));
    for (int i = 0; i < 1500; ++i)
        hostile.insert(hostile.end(), progressive.begin() + static_cast<long>(lastScan),
                       progressive.begin() + static_cast<long>(end));
    hostile.insert(hostile.end(), {0xFF, 0xD9});
    const std::string message = ErrorOf([&] { ReadJpegMemory(hostile.data(), hostile.size()); });
    EXPECT_NE(message.find("too many progressive scans"), std::string::npos) << message;
}

TEST(JpegCodec, RandomGarbageNeverCrashes)
{
    std::mt19937 random(7);
    const std::vector<uint8_t> good = WriteJpegMemory(SmoothPicture(24, 24));
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> damaged = good;
        for (int i = 0; i < 1 + round % 8; ++i)
            damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        try {
            const TBitmap decoded = ReadJpegMemory(damaged.data(), damaged.size());
            EXPECT_EQ(decoded.pixelFormat(), PixelFormat::pf24bit);
        } catch (const Error &) {
        }
    }
}

TEST(JpegCodec, FilesRoundTripAndErrorsNameThePath)
{
    TempFolder folder;
    const std::string path = folder.file("shot.jpg");
    const TBitmap original = SmoothPicture(20, 10);
    WriteJpegFile(original, path);
    EXPECT_EQ(ReadByteVector(path), WriteJpegMemory(original));
    EXPECT_EQ(ReadJpegFile(path), [&] {
        const std::vector<uint8_t> bytes = ReadByteVector(path);
        return ReadJpegMemory(bytes.data(), bytes.size());
    }());

    const std::string missing = folder.file("missing.jpg");
    EXPECT_EQ(ErrorOf([&] { ReadJpegFile(missing); }),
              "Cannot read picture " + missing + ": No such file or directory");
    std::vector<uint8_t> bytes = ReadByteVector(path);
    bytes.resize(bytes.size() - 40);
    WriteByteVector(path, bytes);
    EXPECT_EQ(ErrorOf([&] { ReadJpegFile(path); }), "Cannot read picture " + path + ": the file is truncated");
    EXPECT_THROW(ReadJpegFile(folder.file("")), Error); // a folder
}

TEST(JpegCodec, FailedWritesReportThePathAndLeaveNoFile)
{
    TempFolder folder;
    const std::string unwritable = folder.file("no/such/folder.jpg");
    EXPECT_EQ(ErrorOf([&] { WriteJpegFile(SmoothPicture(4, 4), unwritable); }),
              "Unable to write to " + unwritable + ": No such file or directory");

    const std::string full = folder.file("full.jpg");
    {
        FileSizeLimit limit(100);
        EXPECT_EQ(ErrorOf([&] { WriteJpegFile(SmoothPicture(64, 64), full); }), "Unable to write to " + full + ": File too large");
    }
    EXPECT_FALSE(std::filesystem::exists(full));
    EXPECT_THROW(WriteJpegFile(TBitmap(), folder.file("empty.jpg")), Error);
    EXPECT_FALSE(std::filesystem::exists(folder.file("empty.jpg")));
}

// Decoding at an eighth from the DC coefficients alone gives libjpeg's own bytes at 1/8 where no
// chroma is subsampled (restart markers or not) and close ones where it is; files it does not
// handle, or damaged ones, are left to libjpeg.
TEST(JpegEighth, GivesLibjpegsEighthOrLeavesTheFileToIt)
{
    const TBitmap picture = SmoothPicture(203, 149);
    std::vector<uint8_t> bgr, grey;
    for (int y = 0; y < picture.height(); ++y) {
        bgr.insert(bgr.end(), picture.scanLine(y), picture.scanLine(y) + 3 * picture.width());
        for (int x = 0; x < picture.width(); ++x)
            grey.push_back(picture.scanLine(y)[3 * x + 1]);
    }
    const auto sampled = [](int h, int v, int restartRows) {
        return [=](jpeg_compress_struct &c) {
            c.comp_info[0].h_samp_factor = h;
            c.comp_info[0].v_samp_factor = v;
            c.restart_in_rows = restartRows;
        };
    };
    const struct {
        const char *name;
        std::vector<uint8_t> jpeg;
        int worst; // channel difference from libjpeg's; -1: left to libjpeg
    } cases[] = {
        {"4:4:4", encodeRaw(bgr, 203, 149, 3, JCS_EXT_BGR, false, sampled(1, 1, 0)), 0},
        {"4:4:4, restarts", encodeRaw(bgr, 203, 149, 3, JCS_EXT_BGR, false, sampled(1, 1, 1)), 0},
        {"grey, restarts", encodeRaw(grey, 203, 149, 1, JCS_GRAYSCALE, false, sampled(1, 1, 3)), 0},
        {"4:2:0, restarts", encodeRaw(bgr, 203, 149, 3, JCS_EXT_BGR, false, sampled(2, 2, 2)), 12},
        {"4:2:2", encodeRaw(bgr, 203, 149, 3, JCS_EXT_BGR, false, sampled(2, 1, 0)), 12},
        {"progressive", encodeRaw(bgr, 203, 149, 3, JCS_EXT_BGR, true), -1},
        {"truncated", [&] {
             std::vector<uint8_t> whole = encodeRaw(bgr, 203, 149, 3, JCS_EXT_BGR);
             whole.resize(whole.size() * 2 / 3);
             return whole;
         }(), -1},
        {"a BMP", WriteBmpMemory(picture), -1},
    };
    TempFolder folder;
    const std::string path = folder.file("photo.jpg");
    for (const auto &c : cases) {
        WriteByteVector(path, c.jpeg);
        const std::optional<EighthJpeg> eighth = ReadJpegEighth(path, [](int width, int height) {
            EXPECT_EQ(width, 203);
            EXPECT_EQ(height, 149);
            return true;
        });
        ASSERT_EQ(eighth.has_value(), c.worst >= 0) << c.name;
        if (!eighth)
            continue;
        EXPECT_FALSE(ReadJpegEighth(path, [](int, int) { return false; })) << c.name;
        const TBitmap libjpeg = ReadJpegFileScaled(path, 1).Bitmap;
        ASSERT_EQ(eighth->Bitmap.width(), libjpeg.width()) << c.name;
        ASSERT_EQ(eighth->Bitmap.height(), libjpeg.height()) << c.name;
        double mean = 0;
        EXPECT_LE(maxChannelError(eighth->Bitmap, libjpeg, &mean), c.worst) << c.name;
        EXPECT_LE(mean, c.worst / 4.0) << c.name;
    }
}
