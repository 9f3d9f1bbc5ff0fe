#include "imaging/effects.h"
#include "platform/error.h"
#include "tests/support/pictures.h"

#include <cstring>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

using namespace vistrel;
using vistrel::testing::FilledPicture;
using vistrel::testing::PatternPicture;

namespace {

struct NamedEffect {
    std::string name;
    std::function<void(TBitmap &)> run;
};

std::vector<NamedEffect> AllEffects()
{
    return {
        {"Invert", Invert},
        {"GreyScale", GreyScale},
        {"AntiAlias", AntiAlias},
        {"Emboss", Emboss},
        {"Shadow", Shadow},
        {"FlipDown", FlipDown},
        {"FlipRight", FlipRight},
        {"MirrorHorizontal", MirrorHorizontal},
        {"MirrorVertical", MirrorVertical},
        {"Rotate90Right", [](TBitmap &b) { TBitmap d; Rotate90Right(b, d); b = d; }},
        {"Rotate90Left", [](TBitmap &b) { TBitmap d; Rotate90Left(b, d); b = d; }},
    };
}

uint8_t Channel(const TBitmap &b, int x, int y, int c)
{
    return b.scanLine(y)[x * 3 + c];
}

} // namespace

TEST(Effects, EveryEffectReturnsEightBitPicturesAtTwentyFourBits)
{
    for (const auto &effect : AllEffects()) {
        TBitmap b = PatternPicture(7, 6);
        b.setPixelFormat(PixelFormat::pf8bit);
        effect.run(b);
        EXPECT_EQ(b.pixelFormat(), PixelFormat::pf24bit) << effect.name;
        const bool turned = effect.name.rfind("Rotate", 0) == 0;
        EXPECT_EQ(b.width(), turned ? 6 : 7) << effect.name;
        EXPECT_EQ(b.height(), turned ? 7 : 6) << effect.name;
    }
}

// An effect marked row-local gives the same bytes on bands of rows as on the whole picture; the
// others are marked only if they do not.
TEST(Effects, RowLocalMarksExactlyTheEffectsThatWorkOnBands)
{
    const TBitmap picture = PatternPicture(9, 8);
    for (const EffectEntry &effect : EffectTable) {
        TBitmap whole = picture;
        ApplyEffect(effect, whole);
        bool same = whole.width() == 9;
        for (int first = 0; first < 8 && same; first += 3) {
            TBitmap band(9, std::min(3, 8 - first));
            for (int r = 0; r < band.height(); ++r)
                std::memcpy(band.scanLine(r), picture.scanLine(first + r), band.bytesPerLine());
            ApplyEffect(effect, band);
            for (int r = 0; r < band.height(); ++r)
                same = same && std::memcmp(band.scanLine(r), whole.scanLine(first + r), band.bytesPerLine()) == 0;
        }
        EXPECT_EQ(effect.RowLocal, same) << effect.Name;
    }
}

TEST(Effects, EveryEffectSurvivesEmptyAndOnePixelPictures)
{
    for (const auto &effect : AllEffects()) {
        for (auto [w, h] : {std::pair{0, 0}, {0, 5}, {5, 0}, {1, 1}, {1, 7}, {7, 1}, {2, 2}}) {
            TBitmap b = PatternPicture(w, h);
            effect.run(b);
            EXPECT_EQ(b.width() * b.height(), w * h) << effect.name << " " << w << "x" << h;
        }
    }
}

TEST(Effects, RowPaddingIsNeverTouched)
{
    for (const auto &effect : AllEffects()) {
        if (effect.name.rfind("Rotate", 0) == 0)
            continue; // the destination is a new bitmap
        TBitmap b = PatternPicture(5, 6); // 15 bytes of pixels, 1 byte of padding per row
        for (int y = 0; y < b.height(); ++y)
            b.scanLine(y)[15] = 0xA5;
        effect.run(b);
        for (int y = 0; y < b.height(); ++y)
            EXPECT_EQ(b.scanLine(y)[15], 0xA5) << effect.name << " row " << y;
    }
}

TEST(Invert, ComplementsEveryByteAndTwiceRestores)
{
    const TBitmap original = PatternPicture(13, 9);
    TBitmap b = original;
    Invert(b);
    for (int y = 0; y < 9; ++y)
        for (int i = 0; i < 39; ++i)
            ASSERT_EQ(b.scanLine(y)[i], 255 - original.scanLine(y)[i]);
    Invert(b);
    EXPECT_EQ(b, original);
}

TEST(GreyScale, WeighsBlueByteMostAndRedLeast)
{
    TBitmap b(5, 1);
    b.setPixel(0, 0, {255, 0, 0});
    b.setPixel(1, 0, {0, 255, 0});
    b.setPixel(2, 0, {0, 0, 255});
    b.setPixel(3, 0, {255, 255, 255});
    b.setPixel(4, 0, {77, 77, 77});
    GreyScale(b);
    const int expected[] = {76, 150, 28, 255, 77};
    for (int x = 0; x < 5; ++x)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(Channel(b, x, 0, c), expected[x]) << "pixel " << x;
}

TEST(GreyScale, MatchesTheExtendedPrecisionFormulaForEveryColour)
{
    // 4096 × 4096 pixels hold each of the 2^24 colours once.
    TBitmap b(4096, 4096);
    for (int y = 0; y < 4096; ++y) {
        uint8_t *row = b.scanLine(y);
        for (int x = 0; x < 4096; ++x) {
            const uint32_t colour = static_cast<uint32_t>(y) * 4096 + static_cast<uint32_t>(x);
            row[x * 3] = static_cast<uint8_t>(colour);
            row[x * 3 + 1] = static_cast<uint8_t>(colour >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(colour >> 16);
        }
    }
    GreyScale(b);
    int mismatches = 0;
    for (int y = 0; y < 4096; ++y) {
        const uint8_t *row = b.scanLine(y);
        for (int x = 0; x < 4096; ++x) {
            const uint32_t colour = static_cast<uint32_t>(y) * 4096 + static_cast<uint32_t>(x);
            const long double v = 0.30L * (colour & 255) + 0.59L * ((colour >> 8) & 255)
                + 0.11L * (colour >> 16);
            const auto expected = static_cast<uint8_t>(std::nearbyint(v));
            if (row[x * 3] != expected || row[x * 3 + 1] != expected || row[x * 3 + 2] != expected)
                ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(AntiAlias, TwoByTwoStaysAndThreeByThreeChangesOnlyTheCentre)
{
    TBitmap small = PatternPicture(2, 2);
    const TBitmap smallBefore = small;
    AntiAlias(small);
    EXPECT_EQ(small, smallBefore);

    const TBitmap before = PatternPicture(3, 3, 7);
    TBitmap b = before;
    AntiAlias(b);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c) {
                int expected = Channel(before, x, y, c);
                if (x == 1 && y == 1)
                    expected = (Channel(before, 1, 0, c) + Channel(before, 1, 2, c)
                                + Channel(before, 0, 1, c) + Channel(before, 2, 1, c)) / 4;
                EXPECT_EQ(Channel(b, x, y, c), expected) << x << "," << y << "," << c;
            }
}

TEST(AntiAlias, ReadsTheNewValuesOfTheUpperAndLeftNeighbours)
{
    // 4 × 4: the inner 2 × 2 is smoothed. Pixel (2, 2) sees (2, 1) and (1, 2) already rewritten.
    TBitmap b = FilledPicture(4, 4, {0, 0, 0});
    b.setPixel(1, 0, {200, 200, 200});
    AntiAlias(b);
    EXPECT_EQ(Channel(b, 1, 1, 0), 50);         // (200 + 0 + 0 + 0) / 4
    EXPECT_EQ(Channel(b, 2, 1, 0), 12);         // left neighbour already 50
    EXPECT_EQ(Channel(b, 1, 2, 0), 12);         // upper neighbour already 50
    EXPECT_EQ(Channel(b, 2, 2, 0), (12 + 12) / 4);
}

TEST(AntiAliasRect, OrdersItsCornersAndClampsToTheInnerPixels)
{
    const TBitmap original = PatternPicture(9, 8, 3);
    TBitmap whole = original;
    AntiAlias(whole);
    TBitmap reversed = original;
    AntiAliasRect(reversed, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
    EXPECT_EQ(reversed, whole);

    TBitmap part = original;
    AntiAliasRect(part, 5, 4, 2, 3);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 9; ++x) {
            if (x < 2 || x > 5 || y < 3 || y > 4) {
                EXPECT_EQ(part.pixel(x, y), original.pixel(x, y)) << x << "," << y;
            }
        }
    EXPECT_NE(part, original);
}

TEST(Emboss, TurnsFlatGreyDarkerOutsideTheLastRowAndColumns)
{
    TBitmap b = FilledPicture(7, 5, {128, 128, 128});
    Emboss(b);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(Channel(b, x, y, 1), (y == 4 || x >= 4) ? 128 : 127) << x << "," << y;
}

TEST(Emboss, UsesTheUnchangedPixelThreeRightAndOneDown)
{
    const TBitmap original = PatternPicture(8, 6, 11);
    TBitmap b = original;
    Emboss(b);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(Channel(b, x, y, c),
                          ((255 - Channel(original, x + 3, y + 1, c)) + Channel(original, x, y, c)) / 2);
    TBitmap narrow = PatternPicture(3, 6);
    const TBitmap narrowBefore = narrow;
    Emboss(narrow);
    EXPECT_EQ(narrow, narrowBefore);
}

TEST(Shadow, CopiesADarkerPixelFourUpAndRightLightenedByOne)
{
    TBitmap b = FilledPicture(6, 6, {200, 200, 200});
    b.setPixel(4, 0, {10, 255, 20});
    Shadow(b);
    EXPECT_EQ(b.pixel(0, 4), (PaletteEntry{11, 0, 21})); // green 255 wraps to 0
    EXPECT_EQ(b.pixel(4, 0), (PaletteEntry{10, 255, 20}));
    EXPECT_EQ(b.pixel(1, 4), (PaletteEntry{200, 200, 200}));
}

TEST(Shadow, ComparesOnlyTheBlueByte)
{
    TBitmap b = FilledPicture(5, 5, {100, 0, 0});
    b.setPixel(4, 0, {100, 255, 255}); // equal blue: no shadow even though far brighter
    b.setPixel(4, 1, {99, 255, 255});
    Shadow(b);
    EXPECT_EQ(b.pixel(0, 4), (PaletteEntry{100, 0, 0}));
}

TEST(Shadow, WorksBottomUpSoShadowsDoNotChain)
{
    TBitmap b = FilledPicture(9, 9, {255, 255, 255});
    b.setPixel(8, 0, {10, 10, 10});
    Shadow(b);
    EXPECT_EQ(b.pixel(4, 4), (PaletteEntry{11, 11, 11}));
    EXPECT_EQ(b.pixel(0, 8), (PaletteEntry{255, 255, 255}));
}

TEST(Shadow, LeavesPicturesFourPixelsHighUnchanged)
{
    TBitmap b = PatternPicture(9, 4);
    b.setPixelFormat(PixelFormat::pf32bit);
    TBitmap expected = b;
    expected.setPixelFormat(PixelFormat::pf24bit);
    Shadow(b);
    EXPECT_EQ(b, expected);
}

TEST(Flips, TurnUpsideDownAndReverseAndTwiceRestore)
{
    for (auto [w, h] : {std::pair{5, 4}, {6, 7}, {1, 3}}) {
        const TBitmap original = PatternPicture(w, h);
        TBitmap down = original;
        FlipDown(down);
        TBitmap right = original;
        FlipRight(right);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                EXPECT_EQ(down.pixel(x, y), original.pixel(x, h - 1 - y));
                EXPECT_EQ(right.pixel(x, y), original.pixel(w - 1 - x, y));
            }
        FlipDown(down);
        FlipRight(right);
        EXPECT_EQ(down, original);
        EXPECT_EQ(right, original);
    }
}

TEST(Mirrors, KeepTheFirstHalfAndReflectItOntoTheSecond)
{
    for (auto [w, h] : {std::pair{4, 4}, {5, 5}, {2, 3}, {3, 2}}) {
        const TBitmap original = PatternPicture(w, h);
        TBitmap horizontal = original;
        MirrorHorizontal(horizontal);
        TBitmap vertical = original;
        MirrorVertical(vertical);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int sy = y < (h + 1) / 2 ? y : h - 1 - y;
                const int sx = x < (w + 1) / 2 ? x : w - 1 - x;
                EXPECT_EQ(horizontal.pixel(x, y), original.pixel(x, sy)) << w << "x" << h;
                EXPECT_EQ(vertical.pixel(x, y), original.pixel(sx, y)) << w << "x" << h;
            }
        TBitmap again = horizontal;
        MirrorHorizontal(again);
        EXPECT_EQ(again, horizontal);
    }
    TBitmap column = PatternPicture(1, 6), row = PatternPicture(6, 1);
    const TBitmap columnBefore = column, rowBefore = row;
    MirrorVertical(column);
    MirrorHorizontal(row);
    EXPECT_EQ(column, columnBefore);
    EXPECT_EQ(row, rowBefore);
}

TEST(Rotate, QuarterTurnsPlaceCornersAndSwapTheSize)
{
    TBitmap source = PatternPicture(70, 45); // larger than one copying tile in both directions
    const TBitmap original = source;
    TBitmap right, left;
    Rotate90Right(source, right);
    Rotate90Left(source, left);
    ASSERT_EQ(right.width(), 45);
    ASSERT_EQ(right.height(), 70);
    ASSERT_EQ(left.width(), 45);
    ASSERT_EQ(left.height(), 70);
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 70; ++x) {
            ASSERT_EQ(right.pixel(44 - y, x), original.pixel(x, y));
            ASSERT_EQ(left.pixel(y, 69 - x), original.pixel(x, y));
        }
}

TEST(Rotate, FourRightTurnsOrRightThenLeftRestore)
{
    const TBitmap original = PatternPicture(37, 66);
    TBitmap a = original, b;
    for (int i = 0; i < 2; ++i) {
        Rotate90Right(a, b);
        Rotate90Right(b, a);
    }
    EXPECT_EQ(a, original);
    TBitmap c = original;
    Rotate90Right(c, b);
    Rotate90Left(b, c);
    EXPECT_EQ(c, original);
}

TEST(Rotate, SourceAndDestinationMayBeOneBitmap)
{
    const TBitmap original = PatternPicture(5, 3);
    TBitmap b = original, expected;
    TBitmap copy = original;
    Rotate90Left(copy, expected);
    Rotate90Left(b, b);
    EXPECT_EQ(b, expected);
}

TEST(Rotate, ReusedDestinationGetsNoTraceOfItsOldPixels)
{
    TBitmap source = PatternPicture(7, 5); // 5 × 3 bytes leave one byte of padding per turned row
    TBitmap fresh;
    Rotate90Right(source, fresh);
    TBitmap used(20, 20);
    for (int y = 0; y < used.height(); ++y)
        std::memset(used.scanLine(y), 0xFF, used.bytesPerLine());
    Rotate90Right(source, used);
    EXPECT_EQ(used, fresh);
    Rotate90Left(source, used);
    Rotate90Left(source, fresh);
    EXPECT_EQ(used, fresh);
}

TEST(Rotate, PicturesWiderThanOneBandOfColumnsTurnWhole)
{
    const TBitmap original = PatternPicture(300, 19);
    TBitmap source = original, right, left;
    Rotate90Right(source, right);
    Rotate90Left(source, left);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 300; ++x) {
            ASSERT_EQ(right.pixel(18 - y, x), original.pixel(x, y));
            ASSERT_EQ(left.pixel(y, 299 - x), original.pixel(x, y));
        }
}

TEST(EffectTable, EachEntryRunsItsRoutineAndIsFoundByItsName)
{
    const std::vector<NamedEffect> effects = AllEffects();
    ASSERT_EQ(EffectTable.size(), effects.size());
    const TBitmap source = PatternPicture(13, 7);
    for (size_t i = 0; i < EffectTable.size(); ++i) {
        TBitmap direct = source;
        effects[i].run(direct);
        TBitmap fromTable = source;
        ApplyEffect(EffectTable[i], fromTable);
        EXPECT_EQ(fromTable, direct) << effects[i].name;
        EXPECT_EQ(&EffectNamed(EffectTable[i].Name), &EffectTable[i]) << effects[i].name;
    }
    EXPECT_THROW(EffectNamed("sharpen"), Error);
    EXPECT_THROW(EffectNamed("Invert"), Error); // names are the command line's, in lower case
}

namespace {

TBitmap TurnedByDefinition(const TBitmap &s, bool clockwise)
{
    const int w = s.width(), h = s.height();
    TBitmap d(h, w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t *to = clockwise ? d.scanLine(x) + (h - 1 - y) * 3 : d.scanLine(w - 1 - x) + y * 3;
            std::memcpy(to, s.scanLine(y) + x * 3, 3);
        }
    return d;
}

} // namespace

TEST(Rotate, EverySizeAndDestinationGivesTheDefinedTurn)
{
    // Whole blocks of pixels and leftovers in either direction, rows whose bytes fill their
    // stored length exactly (16 wide) or not, pictures wider than one band of columns and large
    // enough to be turned in two halves (the last also onto huge pages); the destination fresh,
    // of the turned size already, larger, smaller or of another format.
    const std::pair<int, int> sizes[] = {{8, 8},   {16, 16},  {16, 8},    {17, 9},   {9, 17},
                                         {24, 8},  {8, 24},   {64, 3},    {3, 64},   {31, 33},
                                         {131, 67}, {260, 130}, {300, 40}, {1030, 1021}, {1203, 1201}};
    for (auto [w, h] : sizes)
        for (bool clockwise : {true, false}) {
            TBitmap source = PatternPicture(w, h, 3);
            const TBitmap expected = TurnedByDefinition(source, clockwise);
            TBitmap destinations[] = {TBitmap(), PatternPicture(h, w), PatternPicture(h + 1, w + 1),
                                      PatternPicture(2, 2), TBitmap(h, w, PixelFormat::pf8bit)};
            for (TBitmap &d : destinations) {
                const int before = d.width();
                (clockwise ? Rotate90Right : Rotate90Left)(source, d);
                ASSERT_EQ(d, expected) << w << "x" << h << (clockwise ? " right" : " left") << ", destination "
                                       << before << " wide";
            }
        }
}
