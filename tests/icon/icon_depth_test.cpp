#include "icon/icon_depth.h"
#include "icon_test_support.h"

#include <gtest/gtest.h>

#include <set>

using namespace vistrel;
using namespace vistrel::testing;

namespace {

int worstChannelError(const TBitmap &a, const TBitmap &b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const PaletteEntry p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
        }
    return worst;
}

TBitmap gradient(int width, int height)
{
    TBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, rgb(x * 255 / (width - 1), y * 255 / (height - 1), (x + y) % 256));
    return picture;
}

} // namespace

TEST(IconDepth, OneBitMapsByLuminance)
{
    TBitmap picture(6, 1);
    const std::vector<PaletteEntry> colours{rgb(0, 255, 0), rgb(255, 0, 0),     rgb(0, 0, 255),
                                            rgb(128, 128, 128), rgb(127, 127, 127), rgb(255, 255, 0)};
    for (int x = 0; x < 6; ++x)
        picture.setPixel(x, 0, colours[x]);
    const TBitmap bw = ConvertToIconDepth(picture, PixelFormat::pf1bit);
    ASSERT_EQ(bw.pixelFormat(), PixelFormat::pf1bit);
    const PaletteEntry white = rgb(255, 255, 255), black = rgb(0, 0, 0);
    EXPECT_EQ(bw.pixel(0, 0), white); // green is bright
    EXPECT_EQ(bw.pixel(1, 0), black); // red is dark
    EXPECT_EQ(bw.pixel(2, 0), black);
    EXPECT_EQ(bw.pixel(3, 0), white);
    EXPECT_EQ(bw.pixel(4, 0), black);
    EXPECT_EQ(bw.pixel(5, 0), white);
}

TEST(IconDepth, FourBitsUseTheNearestVgaColour)
{
    const std::vector<PaletteEntry> vga = TBitmap::standardPalette(PixelFormat::pf4bit);
    TBitmap picture = patternPicture(16, 4, vga);
    picture.setPixel(0, 0, rgb(250, 6, 3));
    const TBitmap converted = ConvertToIconDepth(picture, PixelFormat::pf4bit);
    EXPECT_EQ(converted.palette(), vga);
    EXPECT_EQ(converted.pixel(0, 0), rgb(255, 0, 0));
    for (int y = 0; y < 4; ++y)
        for (int x = (y == 0); x < 16; ++x)
            EXPECT_EQ(converted.pixel(x, y), picture.pixel(x, y)) << x << "," << y;
}

TEST(IconDepth, EightBitsKeepAPictureOfFewColoursExactly)
{
    std::vector<PaletteEntry> colours;
    for (int i = 0; i < 256; ++i)
        colours.push_back(rgb(i, (i * 7) % 256, 255 - i));
    // Colours that share their high bits must still stay apart.
    colours[1] = rgb(0, 1, 255);
    const TBitmap picture = patternPicture(64, 16, colours);
    const TBitmap converted = ConvertToIconDepth(picture, PixelFormat::pf8bit);
    ASSERT_EQ(converted.pixelFormat(), PixelFormat::pf8bit);
    EXPECT_EQ(worstChannelError(picture, converted), 0);
}

TEST(IconDepth, EightBitsApproximateARichPictureClosely)
{
    const TBitmap picture = gradient(128, 128);
    const std::vector<PaletteEntry> palette = OptimalPalette(picture, 256);
    EXPECT_EQ(palette.size(), 256u);
    const TBitmap converted = ConvertToIconDepth(picture, PixelFormat::pf8bit);
    // 16 K distinct colours in 256 entries: a fixed 6x6x6 cube would be off by up to 25.
    EXPECT_LE(worstChannelError(picture, converted), 24);
    std::set<uint32_t> used;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            used.insert(converted.scanLine(y)[x]);
    EXPECT_GT(used.size(), 200u);
}

TEST(IconDepth, PaletteIsTheSameOnEveryRun)
{
    const TBitmap picture = gradient(50, 40);
    EXPECT_EQ(OptimalPalette(picture, 256), OptimalPalette(picture, 256));
    EXPECT_EQ(ConvertToIconDepth(picture, PixelFormat::pf8bit), ConvertToIconDepth(picture, PixelFormat::pf8bit));
}

TEST(IconDepth, DominantColourKeepsItsExactValue)
{
    TBitmap picture = gradient(64, 64);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 64; ++x)
            picture.setPixel(x, y, rgb(192, 85, 149));
    const TBitmap converted = ConvertToIconDepth(picture, PixelFormat::pf8bit);
    EXPECT_EQ(converted.pixel(10, 10), rgb(192, 85, 149));
}

TEST(IconDepth, TrueColourDepthsCopyTheColours)
{
    const TBitmap picture = gradient(7, 5);
    const TBitmap wide = ConvertToIconDepth(picture, PixelFormat::pf32bit);
    EXPECT_EQ(wide.pixelFormat(), PixelFormat::pf32bit);
    EXPECT_EQ(worstChannelError(picture, wide), 0);
    EXPECT_EQ(ConvertToIconDepth(wide, PixelFormat::pf24bit), picture);
}

TEST(IconDepth, EmptyPictureStaysEmpty)
{
    for (PixelFormat f : {PixelFormat::pf1bit, PixelFormat::pf4bit, PixelFormat::pf8bit, PixelFormat::pf32bit})
        EXPECT_TRUE(ConvertToIconDepth(TBitmap(), f).empty());
    EXPECT_TRUE(OptimalPalette(TBitmap(), 256).empty());
}
