#include "icon/icon_conversion.h"
#include "imaging/resample.h"
#include "icon_test_support.h"
#include "platform/error.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::testing;

namespace {

// Rows (or columns) of the icon whose every pixel is transparent.
int transparentRowsAtBottom(const TIcon &icon)
{
    int rows = 0;
    for (int y = icon.Mask.height() - 1; y >= 0; --y, ++rows)
        for (int x = 0; x < icon.Mask.width(); ++x)
            if (!isTransparent(icon.Mask, x, y))
                return rows;
    return rows;
}

int transparentColumnsAtRight(const TIcon &icon)
{
    int columns = 0;
    for (int x = icon.Mask.width() - 1; x >= 0; --x, ++columns)
        for (int y = 0; y < icon.Mask.height(); ++y)
            if (!isTransparent(icon.Mask, x, y))
                return columns;
    return columns;
}

int transparentCount(const TIcon &icon)
{
    int count = 0;
    for (int y = 0; y < icon.Mask.height(); ++y)
        for (int x = 0; x < icon.Mask.width(); ++x)
            count += isTransparent(icon.Mask, x, y);
    return count;
}

IconConversion convertDefault(TBitmap picture, bool keepAspect = true)
{
    IconConverter converter;
    converter.KeepAspect = keepAspect;
    converter.ReadIconSize(kIconSize32, 0, 0);
    return converter.Convert(picture);
}

} // namespace

TEST(IconSizing, SizeChoicesSetBothSidesOrTakeTheCustomOnes)
{
    IconConverter converter;
    converter.ReadIconSize(kIconSize16, 99, 99);
    EXPECT_EQ(converter.IconWidth, 16);
    EXPECT_EQ(converter.IconHeight, 16);
    converter.ReadIconSize(kIconSizeNone, 99, 99);
    EXPECT_EQ(converter.IconWidth, 16);
    converter.ReadIconSize(kIconSizeCustom, 48, 48);
    EXPECT_EQ(converter.IconWidth, 48);
    converter.ReadIconSize(kIconSize32, 48, 48);
    EXPECT_EQ(converter.IconHeight, 32);
}

TEST(IconSizing, LandscapePictureKeepsFullWidth)
{
    IconConverter converter;
    converter.TakeAspect(800, 600);
    EXPECT_TRUE(converter.Landscape);
    EXPECT_EQ(converter.AspectPermille, 1333);
    TBitmap preview;
    converter.SizeByAspect(preview, 144, 142);
    EXPECT_EQ(preview.width(), 144);
    EXPECT_EQ(preview.height(), 108);
    TBitmap icon;
    converter.SizeByAspect(icon, 32, 32);
    EXPECT_EQ(icon.width(), 32);
    EXPECT_EQ(icon.height(), 24);
}

// 300 × 100 shrunk to an eighth is 38 × 13: its own proportions would make a 256 icon 87 rows high.
TEST(IconSizing, ShrunkSourceKeepsTheFullPicturesProportions)
{
    IconConverter converter;
    converter.ReadIconSize(kIconSizeCustom, 256, 256);
    TBitmap shrunk = SmoothPicture(38, 13);
    EXPECT_EQ(converter.Convert(shrunk, 300, 100).Resampled.height(), 85);
}

TEST(IconSizing, PortraitPictureKeepsFullHeight)
{
    IconConverter converter;
    converter.TakeAspect(600, 800);
    EXPECT_FALSE(converter.Landscape);
    EXPECT_EQ(converter.AspectPermille, 750);
    const TRect preview = converter.AspectRect(144, 142);
    EXPECT_EQ(preview.Right, 106);
    EXPECT_EQ(preview.Bottom, 142);
    const TRect icon = converter.AspectRect(32, 32);
    EXPECT_EQ(icon.Right, 24);
    EXPECT_EQ(icon.Bottom, 32);
}

TEST(IconSizing, WithoutAspectTheRequestedSizeIsTaken)
{
    IconConverter converter;
    converter.KeepAspect = false;
    converter.TakeAspect(800, 600);
    const TRect rect = converter.AspectRect(32, 30);
    EXPECT_EQ(rect.Right, 32);
    EXPECT_EQ(rect.Bottom, 30);
}

TEST(IconSizing, PictureWithoutHeightIsAnError)
{
    IconConverter converter;
    EXPECT_THROW(converter.TakeAspect(10, 0), Error);
}

TEST(IconSizing, ColourItemsMapToFormatsAndDepthCodes)
{
    const PixelFormat formats[] = {PixelFormat::pf32bit, PixelFormat::pf24bit, PixelFormat::pf8bit,
                                   PixelFormat::pf4bit, PixelFormat::pf1bit};
    for (int item = 0; item < 5; ++item) {
        EXPECT_EQ(ChosenPixelFormat(item), formats[item]);
        EXPECT_EQ(IconDepthFormat(IconDepthCode(item)), formats[item]);
    }
    EXPECT_EQ(IconDepthCode(2), IconDepth::Bits8);
    EXPECT_EQ(IconDepthCode(0), IconDepth::Bits32);
}

TEST(IconBuilding, LandscapePictureLeavesTheBottomRowsTransparent)
{
    const IconConversion result = convertDefault(FilledPicture(800, 600, rgb(10, 200, 30)));
    EXPECT_EQ(result.Resampled.width(), 32);
    EXPECT_EQ(result.Resampled.height(), 24);
    ASSERT_EQ(result.Icon.Colour.width(), 32);
    ASSERT_EQ(result.Icon.Colour.height(), 32);
    EXPECT_EQ(result.Icon.Colour.pixelFormat(), PixelFormat::pf8bit);
    EXPECT_EQ(transparentRowsAtBottom(result.Icon), 8);
    EXPECT_EQ(transparentCount(result.Icon), 8 * 32);
    EXPECT_EQ(result.Icon.Colour.pixel(5, 5), rgb(10, 200, 30));
    EXPECT_EQ(result.Icon.Colour.pixel(5, 30), rgb(0, 0, 0)); // transparent parts are black
}

TEST(IconBuilding, WithoutAspectTheWholeIconIsOpaque)
{
    const IconConversion result = convertDefault(FilledPicture(800, 600, rgb(10, 200, 30)), false);
    EXPECT_EQ(result.Resampled.height(), 32);
    EXPECT_EQ(transparentCount(result.Icon), 0);
}

TEST(IconBuilding, PortraitPictureLeavesTheRightColumnsTransparent)
{
    const IconConversion result = convertDefault(FilledPicture(600, 800, rgb(90, 90, 200)));
    EXPECT_EQ(result.Resampled.width(), 24);
    EXPECT_EQ(result.Resampled.height(), 32);
    EXPECT_EQ(transparentColumnsAtRight(result.Icon), 8);
    EXPECT_EQ(transparentCount(result.Icon), 8 * 32);
}

TEST(IconBuilding, CustomSizeMakesASquareIcon)
{
    IconConverter converter;
    converter.ReadIconSize(kIconSizeCustom, 48, 48);
    TBitmap picture = FilledPicture(100, 100, rgb(1, 1, 1));
    const IconConversion result = converter.Convert(picture);
    EXPECT_EQ(result.Icon.Colour.width(), 48);
    EXPECT_EQ(result.Icon.Colour.height(), 48);
}

TEST(IconBuilding, KeyColouredPixelsBecomeTransparent)
{
    TBitmap picture = FilledPicture(8, 4, rgb(200, 100, 50));
    picture.setPixel(1, 2, IconKeyColour);
    IconConverter converter;
    converter.ColourItem = 1; // 24 bits
    const TIcon icon = converter.BuildIcon(picture, 8, 8);
    EXPECT_TRUE(isTransparent(icon.Mask, 1, 2));
    EXPECT_EQ(icon.Colour.pixel(1, 2), rgb(0, 0, 0));
    EXPECT_FALSE(isTransparent(icon.Mask, 0, 0));
    EXPECT_EQ(icon.Colour.pixel(0, 0), rgb(200, 100, 50));
    // Everything below the 8 x 4 picture is padding.
    EXPECT_EQ(transparentCount(icon), 1 + 32);
    EXPECT_TRUE(isTransparent(icon.Mask, 0, 4));
}

TEST(IconBuilding, PictureIsStretchedIntoItsAspectRectangle)
{
    // A square picture measured for an 8 x 8 icon fills 8 x 8, so a 4 x 4 picture is drawn
    // twice as large and only its top-left quarter fits onto its own canvas.
    TBitmap picture = FilledPicture(4, 4, rgb(1, 1, 1));
    picture.setPixel(1, 1, rgb(50, 60, 70));
    IconConverter converter;
    converter.ColourItem = 1;
    const TIcon icon = converter.BuildIcon(picture, 8, 8);
    EXPECT_EQ(icon.Colour.pixel(0, 0), rgb(1, 1, 1));
    EXPECT_EQ(icon.Colour.pixel(2, 3), rgb(50, 60, 70));
    EXPECT_EQ(icon.Colour.pixel(3, 3), rgb(50, 60, 70));
    EXPECT_TRUE(isTransparent(icon.Mask, 4, 0));
}

TEST(IconBuilding, IconUsesTheChosenDepth)
{
    const TBitmap picture = FilledPicture(8, 8, rgb(250, 3, 3));
    IconConverter converter;
    const PixelFormat formats[] = {PixelFormat::pf32bit, PixelFormat::pf24bit, PixelFormat::pf8bit,
                                   PixelFormat::pf4bit, PixelFormat::pf1bit};
    for (int item = 0; item < 5; ++item) {
        converter.ColourItem = item;
        EXPECT_EQ(converter.BuildIcon(picture, 8, 8).Colour.pixelFormat(), formats[item]);
    }
    converter.ColourItem = 3;
    EXPECT_EQ(converter.BuildIcon(picture, 8, 8).Colour.pixel(0, 0), rgb(255, 0, 0));
}

TEST(IconBuilding, ColumnLostToAspectRoundingStaysTransparent)
{
    // 13 x 32 measures 406 permille; its aspect rectangle in 32 x 32 is only 12 wide.
    IconConverter converter;
    converter.ColourItem = 1;
    const TIcon icon = converter.BuildIcon(FilledPicture(13, 32, rgb(9, 9, 9)), 32, 32);
    EXPECT_FALSE(isTransparent(icon.Mask, 11, 0));
    EXPECT_TRUE(isTransparent(icon.Mask, 12, 0));
}

TEST(IconBuilding, ZeroWidthGivesTheEmptyHolder)
{
    IconConverter converter;
    EXPECT_FALSE(converter.BuildIcon(FilledPicture(4, 4, rgb(1, 1, 1)), 0, 0).hasBitmaps());
}

TEST(IconConversionFailure, EmptyPictureIsTooSmall)
{
    IconConverter converter;
    converter.ReadIconSize(kIconSize32, 0, 0);
    TBitmap empty;
    try {
        converter.Convert(empty);
        FAIL() << "no error";
    } catch (const Error &e) {
        EXPECT_STREQ(e.what(), "Source bitmap too small");
    }
}

TEST(IconConversionFailure, FilterOutsideTheTableIsAnError)
{
    IconConverter converter;
    converter.ReadIconSize(kIconSize16, 0, 0);
    converter.FilterIndex = 7;
    TBitmap picture = FilledPicture(4, 4, rgb(1, 1, 1));
    EXPECT_THROW(converter.Convert(picture), Error);
}
