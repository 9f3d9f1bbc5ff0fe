#include "imaging/enhance.h"
#include "platform/error.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <algorithm>
#include <functional>
#include <limits>
#include <string>

using namespace vistrel;
using vistrel::testing::FilledPicture;
using vistrel::testing::PatternPicture;

namespace {

TBitmap Applied(int index, const TBitmap &source, int32_t v)
{
    TBitmap result;
    ApplyEnhancement(index, source, result, v, 1);
    return result;
}

// Checks every pixel of a ripple against offset(x): rows 0 .. lastRow were moved, later rows
// overwriting earlier ones, so the pixel at (x, Y) came from row Y − offset(x) when that row moved.
void ExpectRippled(const TBitmap &before, const TBitmap &after, int lastRow, const std::function<int(int)> &offset)
{
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            const int from = y - offset(x);
            const bool moved = from >= 0 && from <= lastRow;
            ASSERT_EQ(after.pixel(x, y), before.pixel(x, moved ? from : y)) << x << "," << y;
        }
}

} // namespace

TEST(EnhancementTable, ItemTextsAreTheDialogsOwn)
{
    ASSERT_EQ(EnhancementTable.size(), 12u);
    EXPECT_STREQ(EnhancementTable[0].Caption, "Solorize");
    EXPECT_STREQ(EnhancementTable[2].Caption, "HeightMap (Size of Map Seg.        ->)");
    EXPECT_STREQ(EnhancementTable[3].Caption, "TexturizeTile (Size of Tile               ->)");
    EXPECT_STREQ(EnhancementTable[4].Caption, "TexturizeOverlap (Size of Tile        ->)");
    EXPECT_STREQ(EnhancementTable[6].Caption, "Ripple Toth");
    EXPECT_STREQ(EnhancementTable[10].Caption, "Keep Red");
    EXPECT_EQ(EnhancementTable[11].Caption, nullptr); // keep-green is the command line's own
}

TEST(EnhancementTable, EachEntryRunsItsRoutineWithTheDerivedArgument)
{
    const TBitmap source = PatternPicture(23, 17);
    const int32_t v = -3;
    const std::function<void(TBitmap &)> expected[] = {
        [&](TBitmap &r) { Solorize(source, r, -3); },
        [&](TBitmap &r) { Posterize(source, r, -29); },
        [](TBitmap &r) { HeightMap(r, 3); },
        [](TBitmap &r) { TexturizeTile(r, 4); },
        [](TBitmap &r) { TexturizeOverlap(r, 4); },
        [](TBitmap &r) { RippleRandom(r, 4, 1); },
        [](TBitmap &r) { RippleTooth(r, 4); },
        [](TBitmap &r) { RippleTriangle(r, 4); },
        [](TBitmap &r) { Triangles(r, 4); },
        [](TBitmap &r) { KeepBlue(r, 4.0L); },
        [](TBitmap &r) { KeepRed(r, 4.0L); },
        [](TBitmap &r) { KeepGreen(r, 4.0L); },
    };
    for (int index = 0; index < kEnhancementCount; ++index) {
        TBitmap direct = source;
        expected[index](direct);
        EXPECT_EQ(Applied(index, source, v), direct) << EnhancementTable[index].Name;
        EXPECT_NE(Applied(index, source, v), source) << EnhancementTable[index].Name;
    }
    EXPECT_EQ(Applied(-1, source, v), source);
    EXPECT_EQ(Applied(kEnhancementCount, source, v), source);
}

TEST(EnhancementTable, ApplyingTwiceStartsFromTheSourceEachTime)
{
    const TBitmap source = PatternPicture(9, 9);
    EXPECT_EQ(Applied(1, source, 1), Applied(1, source, 1));
}

TEST(EnhancementTable, EveryEntrySurvivesTinyPicturesAndExtremeValues)
{
    for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {2, 3}, {3, 2}, {1, 9}, {9, 1}, {4, 600}})
        for (int32_t v : {INT_MIN, INT_MIN + 1, -1000, -1, 0, 1, 2, 254, 255, 256, 1000, INT_MAX})
            for (int index = 0; index < kEnhancementCount; ++index) {
                const TBitmap source = PatternPicture(w, h);
                const TBitmap result = Applied(index, source, v);
                ASSERT_EQ(result.width(), w) << index << " " << v;
                ASSERT_EQ(result.height(), h) << index << " " << v;
            }
}

TEST(Solorize, InvertsPixelsWhoseMeanExceedsTheThreshold)
{
    const TBitmap source = PatternPicture(8, 5);
    EXPECT_EQ(Applied(0, source, 255), source);
    TBitmap inverted = source;
    for (int y = 0; y < 5; ++y)
        for (int i = 0; i < 24; ++i)
            inverted.scanLine(y)[i] = static_cast<uint8_t>(255 - source.scanLine(y)[i]);
    EXPECT_EQ(Applied(0, source, -1), inverted);

    TBitmap grey(2, 1);
    grey.setPixel(0, 0, {2, 3, 5}); // mean (2 + 3 + 5) div 3 = 3
    grey.setPixel(1, 0, {4, 4, 4});
    TBitmap d = grey;
    Solorize(grey, d, 3);
    EXPECT_EQ(d.pixel(0, 0), (PaletteEntry{2, 3, 5}));
    EXPECT_EQ(d.pixel(1, 0), (PaletteEntry{251, 251, 251}));
}

TEST(Solorize, RefusesADestinationSmallerThanTheSource)
{
    const TBitmap source = PatternPicture(4, 4);
    TBitmap d(3, 4);
    EXPECT_THROW(Solorize(source, d, 0), Error);
    EXPECT_THROW(Posterize(source, d, 3), Error);
}

TEST(Posterize, RoundsToMultiplesOfTheStepKeepingTheLowByte)
{
    TBitmap source(4, 1);
    source.setPixel(0, 0, {255, 1, 3});
    source.setPixel(1, 0, {5, 7, 100});
    source.setPixel(2, 0, {0, 36, 35});
    TBitmap d = source;
    Posterize(source, d, 71);
    EXPECT_EQ(d.pixel(0, 0), (PaletteEntry{28, 0, 0}));      // 255 → 4 · 71 = 284 → 28
    EXPECT_EQ(d.pixel(2, 0), (PaletteEntry{0, 71, 0}));      // 36/71 rounds up, 35/71 down
    Posterize(source, d, 2);                                  // halves go to the even multiple
    EXPECT_EQ(d.pixel(0, 0), (PaletteEntry{0, 0, 4}));       // 255/2 = 127.5 → 128 → 256; 1/2 → 0; 3/2 → 2
    EXPECT_EQ(d.pixel(1, 0), (PaletteEntry{4, 8, 100}));     // 2.5 → 2, 3.5 → 4
    TBitmap negative = source;
    Posterize(source, negative, -71);
    Posterize(source, d, 71);
    EXPECT_EQ(negative, d);
    EXPECT_EQ(Applied(1, source, 0), source);
}

TEST(Posterize, StepZeroIsAnError)
{
    const TBitmap source = PatternPicture(3, 3);
    TBitmap d = source;
    EXPECT_THROW(Posterize(source, d, 0), Error);
    EXPECT_EQ(d, source);
}

TEST(HeightMap, LiftsPixelsByBrightnessAndLowerRowsWin)
{
    const TBitmap source = PatternPicture(6, 30);
    EXPECT_EQ(Applied(2, source, 0), source);

    TBitmap b = FilledPicture(3, 30, {0, 0, 0});
    b.setPixel(1, 20, {255, 255, 255});
    b.setPixel(2, 25, {255, 255, 255}); // lands on row 15, over the black pixel placed there
    HeightMap(b, 10);
    EXPECT_EQ(b.pixel(1, 10), (PaletteEntry{255, 255, 255}));
    EXPECT_EQ(b.pixel(1, 20), (PaletteEntry{255, 255, 255})); // nothing overwrote it
    EXPECT_EQ(b.pixel(2, 15), (PaletteEntry{255, 255, 255}));

    TBitmap half = FilledPicture(1, 20, {0, 0, 0});
    half.setPixel(0, 19, {128, 127, 127}); // mean 382/3/255 · 10 = 4.99… → 5
    HeightMap(half, 10);
    EXPECT_EQ(half.pixel(0, 14), (PaletteEntry{128, 127, 127}));
}

TEST(HeightMap, NegativeAmountsLowerPixelsAndDropThoseLeavingThePicture)
{
    // Bright enough that every pixel moves 5 rows down.
    TBitmap b(1, 12);
    for (int y = 0; y < 12; ++y)
        b.setPixel(0, y, {static_cast<uint8_t>(200 + y), 255, 255});
    const TBitmap before = b;
    HeightMap(b, -5);
    for (int y = 0; y < 12; ++y)
        EXPECT_EQ(b.pixel(0, y), before.pixel(0, y < 5 ? y : y - 5)) << y;
}

TEST(TexturizeTile, ValueZeroMakesOnePixelTilesOfTheCentreColour)
{
    TBitmap source = PatternPicture(100, 80);
    const PaletteEntry centre = source.pixel(50, 40);
    EXPECT_EQ(Applied(3, source, 0), FilledPicture(100, 80, centre));
}

TEST(TexturizeTile, TileSizeIsLimitedByHalfTheWidthAndHeight)
{
    const TBitmap result = Applied(3, PatternPicture(100, 80), 99); // 40 × 40 tiles
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(result.pixel(x, y), result.pixel(x % 40, y % 40)) << x << "," << y;
    EXPECT_FALSE(result.pixel(0, 0) == result.pixel(1, 0));
}

TEST(TexturizeOverlap, LaterTilesCoverEarlierOnesAtTwoThirdsSpacing)
{
    // s = 4 gives the step 3: every pixel repeats the tile's first 3 × 3 pixels.
    const TBitmap source = PatternPicture(8, 8);
    const TBitmap result = Applied(4, source, 3);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(result.pixel(x, y), result.pixel(x % 3, y % 3)) << x << "," << y;
    TBitmap tiled = source;
    TexturizeTile(tiled, 4);
    EXPECT_EQ(result.pixel(2, 2), tiled.pixel(2, 2));
}

TEST(Texturize, LeavesPicturesTooSmallForATileAlone)
{
    for (auto [w, h] : {std::pair{1, 1}, {1, 9}, {9, 1}, {0, 0}})
        for (int32_t amount : {INT_MIN, 0, 1, INT_MAX}) {
            const TBitmap source = PatternPicture(w, h);
            TBitmap a = source, b = source;
            TexturizeTile(a, amount);
            TexturizeOverlap(b, amount);
            EXPECT_EQ(a, source);
            EXPECT_EQ(b, source);
        }
}

TEST(Texturize, KeepsTheFormatAndTilesIndexedPictures)
{
    for (PixelFormat format : {PixelFormat::pf1bit, PixelFormat::pf4bit, PixelFormat::pf8bit, PixelFormat::pf32bit}) {
        TBitmap b = PatternPicture(13, 10);
        b.setPixelFormat(format);
        TexturizeTile(b, 3);
        EXPECT_EQ(b.pixelFormat(), format);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(b.pixel(x, y), b.pixel(x % 3, y % 3)) << static_cast<int>(format);
    }
}

TEST(RippleTooth, MovesPixelXDownByXModuloAPlusOne)
{
    const TBitmap source = PatternPicture(11, 20);
    const TBitmap result = Applied(6, source, 2); // a = 3: rows 16 .. 0 move
    ExpectRippled(source, result, 16, [](int x) { return x % 4; });
}

TEST(RippleTooth, WideAmountsWrapTheOffsetAt256)
{
    const TBitmap source = PatternPicture(300, 600);
    TBitmap b = source;
    RippleTooth(b, 280);
    ExpectRippled(source, b, 600 - 1 - 280, [](int x) { return x % 256; });
}

TEST(RippleTriangle, OffsetsRiseAndFallWithPeriodTwiceTheAmount)
{
    const TBitmap source = PatternPicture(15, 12);
    TBitmap b = source;
    RippleTriangle(b, 3);
    const int wave[] = {0, 1, 2, 3, 2, 1};
    ExpectRippled(source, b, 8, [&](int x) { return wave[x % 6]; });
}

TEST(RippleTriangle, ZeroReachStaysInsideThePicture)
{
    // With a = 0 the 8-bit offset runs 0, 255, 254, …: only moves that stay inside happen.
    const TBitmap row = PatternPicture(40, 1);
    TBitmap b = row;
    RippleTriangle(b, 5);
    EXPECT_EQ(b, row);
    const TBitmap tall = PatternPicture(3, 300);
    TBitmap t = tall;
    RippleTriangle(t, 0);
    ExpectRippled(tall, t, 299, [](int x) { return x == 0 ? 0 : 256 - x; });
}

TEST(RippleRandom, OneSeedOnePictureAndOtherSeedsOtherPictures)
{
    const TBitmap source = PatternPicture(30, 40);
    std::vector<TBitmap> bySeed;
    for (uint32_t seed : {0u, 1u, 2u, 0xFFFFFFFFu, 123456789u}) {
        TBitmap once = source, again = source;
        RippleRandom(once, 6, seed);
        RippleRandom(again, 6, seed);
        EXPECT_EQ(once, again) << seed;
        for (const TBitmap &other : bySeed)
            EXPECT_NE(once, other) << seed;
        bySeed.push_back(once);
    }
}

TEST(RippleRandom, KeepsTheFirstColumnAndMovesPixelsDownWithinTheAmount)
{
    const TBitmap source = PatternPicture(30, 40);
    TBitmap a = source;
    RippleRandom(a, 6, 7);
    EXPECT_NE(a, source);
    for (int y = 0; y < 40; ++y)
        EXPECT_EQ(a.pixel(0, y), source.pixel(0, y));
    // Each pixel came from at most 5 rows above in its own column.
    for (int y = 0; y < 40; ++y)
        for (int x = 1; x < 30; ++x) {
            bool found = false;
            for (int o = 0; o < 6 && !found; ++o)
                found = y - o >= 0 && a.pixel(x, y) == source.pixel(x, y - o);
            ASSERT_TRUE(found) << x << "," << y;
        }
}

TEST(Triangles, HoldsColoursOverRunsSetByTwoTriangleWaves)
{
    for (int32_t amount : {0, 5, 6, 9, 40}) {
        const TBitmap source = PatternPicture(50, 30);
        TBitmap b = source;
        Triangles(b, amount);
        const int a = std::max(amount, 5) / 2 * 2 + 1, half = a / 2;
        for (int y = 0; y < 30; ++y) {
            int xs = y % (a - 1);
            if (xs > half)
                xs = 2 * half - xs;
            if (xs == 0)
                xs = a;
            const int sp = std::abs(half - y % a) + half;
            PaletteEntry c = source.pixel(0, y);
            for (int x = 0; x < 50; ++x) {
                if (x % xs == 0 || x % sp == 1)
                    c = source.pixel(x, y);
                ASSERT_EQ(b.pixel(x, y), c) << amount << " " << x << "," << y;
            }
        }
    }
}

TEST(KeepChannel, KeepsOneScaledChannelAndZeroesTheOthers)
{
    TBitmap source(2, 1);
    source.setPixel(0, 0, {200, 100, 50});
    source.setPixel(1, 0, {7, 130, 255});
    TBitmap blue = Applied(9, source, 0);
    EXPECT_EQ(blue.pixel(0, 0), (PaletteEntry{200, 0, 0}));
    EXPECT_EQ(blue.pixel(1, 0), (PaletteEntry{7, 0, 0}));
    blue = Applied(9, source, 1);
    EXPECT_EQ(blue.pixel(0, 0), (PaletteEntry{144, 0, 0})); // 400 mod 256
    // Each entry keeps the channel it is named after (PaletteEntry is blue, green, red).
    const struct {
        int index;
        PaletteEntry first, second;
    } kept[] = {{10, {0, 0, 50}, {0, 0, 255}}, {11, {0, 100, 0}, {0, 130, 0}}};
    for (const auto &k : kept) {
        const TBitmap one = Applied(k.index, source, 0);
        EXPECT_EQ(one.pixel(0, 0), k.first) << EnhancementTable[k.index].Name;
        EXPECT_EQ(one.pixel(1, 0), k.second) << EnhancementTable[k.index].Name;
    }

    TBitmap half = source;
    KeepBlue(half, 0.5L); // 3.5 rounds to 4, 100 to 100
    EXPECT_EQ(half.pixel(1, 0), (PaletteEntry{4, 0, 0}));
    TBitmap negative = source;
    KeepGreen(negative, -1.0L);
    EXPECT_EQ(negative.pixel(0, 0), (PaletteEntry{0, 156, 0}));
}

TEST(KeepChannel, FactorsBeyondIntegerRoundingAreErrors)
{
    TBitmap b = PatternPicture(3, 3);
    const TBitmap before = b;
    EXPECT_THROW(KeepBlue(b, 1e30L), Error);
    EXPECT_THROW(KeepGreen(b, std::numeric_limits<long double>::infinity()), Error);
    EXPECT_EQ(b, before);
}
