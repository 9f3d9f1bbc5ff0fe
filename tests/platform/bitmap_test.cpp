#include "platform/bitmap.h"
#include "platform/error.h"

#include <gtest/gtest.h>

using namespace vistrel;

TEST(Bitmap, RowsArePaddedToFourBytes)
{
    EXPECT_EQ(TBitmap::strideFor(1, PixelFormat::pf24bit), 4u);
    EXPECT_EQ(TBitmap::strideFor(5, PixelFormat::pf24bit), 16u);
    EXPECT_EQ(TBitmap::strideFor(33, PixelFormat::pf1bit), 8u);
    EXPECT_EQ(TBitmap::strideFor(9, PixelFormat::pf4bit), 8u);
    EXPECT_EQ(TBitmap::strideFor(3, PixelFormat::pf32bit), 12u);
}

TEST(Bitmap, CopiesAreDeepAndIndependent)
{
    TBitmap a(2, 2);
    a.setPixel(1, 1, {10, 20, 30});
    TBitmap b = a;
    b.setPixel(1, 1, {1, 2, 3});
    EXPECT_EQ(a.pixel(1, 1), (PaletteEntry{10, 20, 30}));
    EXPECT_EQ(b.pixel(1, 1), (PaletteEntry{1, 2, 3}));
    EXPECT_NE(a, b);
}

TEST(Bitmap, ConversionThroughEveryDepthKeepsPaletteColours)
{
    TBitmap rgb(4, 3);
    const PaletteEntry red{0, 0, 255}, white{255, 255, 255}, black{0, 0, 0};
    rgb.setPixel(0, 0, red);
    rgb.setPixel(3, 2, white);
    for (PixelFormat f : {PixelFormat::pf8bit, PixelFormat::pf4bit, PixelFormat::pf32bit}) {
        TBitmap converted = rgb;
        converted.setPixelFormat(f);
        EXPECT_EQ(converted.pixel(0, 0), red) << static_cast<int>(f);
        EXPECT_EQ(converted.pixel(3, 2), white) << static_cast<int>(f);
        converted.setPixelFormat(PixelFormat::pf24bit);
        EXPECT_EQ(converted, rgb) << static_cast<int>(f);
    }
    TBitmap mono = rgb;
    mono.setPixelFormat(PixelFormat::pf1bit);
    EXPECT_EQ(mono.pixel(3, 2), white);
    EXPECT_EQ(mono.pixel(1, 1), black);
}

TEST(Bitmap, ThirtyTwoBitConversionMakesPixelsOpaque)
{
    TBitmap rgb(1, 1);
    rgb.setPixelFormat(PixelFormat::pf32bit);
    EXPECT_EQ(rgb.scanLine(0)[3], 255);
}

TEST(Bitmap, RefusesSizesBeyondTheLimits)
{
    EXPECT_THROW(TBitmap(kMaxBitmapSide + 1, 1), Error);
    EXPECT_THROW(TBitmap(16000, 16000), Error);
    EXPECT_THROW(TBitmap(-1, 5), Error);
    EXPECT_NO_THROW(TBitmap(0, 0));
}

TEST(Bitmap, SetPixelOnIndexedBitmapsPicksTheNearestPaletteEntry)
{
    TBitmap indexed(3, 1, PixelFormat::pf4bit);
    indexed.setPalette({{0, 0, 0}, {0, 0, 200}, {250, 250, 250}});
    indexed.setPixel(0, 0, {10, 10, 180});
    indexed.setPixel(1, 0, {240, 255, 255});
    indexed.setPixel(2, 0, {20, 20, 20});
    EXPECT_EQ(indexed.scanLine(0)[0], 0x12);
    EXPECT_EQ(indexed.scanLine(0)[1] >> 4, 0);
    EXPECT_EQ(indexed.pixel(0, 0), (PaletteEntry{0, 0, 200}));
}

TEST(Bitmap, ReusedStorageIsClearedAndCopiesKeepTheirOwnBytes)
{
    TBitmap a(3, 2);
    a.setPixel(2, 1, {9, 8, 7});
    TBitmap b(3, 2);
    b = a; // same size: storage reused
    EXPECT_EQ(b, a);
    a.setSize(2, 2); // smaller: storage reused, yet every byte is 0 again
    EXPECT_EQ(a.pixel(1, 1), (PaletteEntry{0, 0, 0}));
    EXPECT_EQ(b.pixel(2, 1), (PaletteEntry{9, 8, 7}));

    TBitmap moved = std::move(b);
    EXPECT_EQ(moved.pixel(2, 1), (PaletteEntry{9, 8, 7}));
    b = moved; // a moved-from bitmap takes a copy again
    EXPECT_EQ(b, moved);
}

TEST(Bitmap, UnclearedBitmapsHaveTheirSizeAndFormat)
{
    TBitmap bitmap = TBitmap::Uncleared(5, 3, PixelFormat::pf8bit);
    EXPECT_EQ(bitmap.width(), 5);
    EXPECT_EQ(bitmap.bytesPerLine(), 8u);
    EXPECT_EQ(bitmap.palette().size(), 256u);
    EXPECT_THROW(TBitmap::Uncleared(kMaxBitmapSide + 1, 1, PixelFormat::pf24bit), Error);
}
