#include "icon/icon_preview.h"

#include "platform/error.h"
#include "tests/icon/icon_test_support.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

using testing::rgb;

TEST(DrawIconOver, OpaqueIconPixelsCoverThePictureAndTransparentOnesLetItThrough)
{
    const TBitmap picture = testing::FilledPicture(6, 4, rgb(10, 20, 30));
    TIcon icon = testing::solidIcon(8, 8, rgb(200, 100, 50)); // larger than the picture: cut
    icon.Mask = testing::borderMask(8, 8);                     // left column and bottom row transparent
    const TBitmap drawn = DrawIconOver(picture, icon);
    ASSERT_EQ(drawn.width(), 6);
    ASSERT_EQ(drawn.height(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(drawn.pixel(x, y), x == 0 ? rgb(10, 20, 30) : rgb(200, 100, 50)) << x << "," << y;
}

TEST(DrawIconOver, SmallerAndEmptyIconsLeaveTheRestOfThePicture)
{
    const TBitmap picture = testing::NumberedPicture(5, 5, 7);
    const TBitmap drawn = DrawIconOver(picture, testing::solidIcon(2, 2, rgb(1, 2, 3)));
    EXPECT_EQ(drawn.pixel(1, 1), rgb(1, 2, 3));
    EXPECT_EQ(drawn.pixel(2, 2), picture.pixel(2, 2));
    EXPECT_TRUE(DrawIconOver(picture, TIcon()) == picture);
}

TEST(ParseIconSide, DigitsFromOneToTheLargestIconSide)
{
    const struct {
        const char *text;
        int32_t side; // 0: refused
    } cases[] = {{"48", 48}, {"1", 1}, {"256", 256}, {"007", 7}, {"0", 0}, {"257", 0},
                 {"", 0},    {"4 8", 0}, {"-5", 0}, {"99999999999999", 0}, {"12a", 0}};
    for (const auto &c : cases) {
        if (c.side)
            EXPECT_EQ(ParseIconSide(c.text), c.side) << c.text;
        else
            EXPECT_THROW(ParseIconSide(c.text), Error) << c.text;
    }
}

} // namespace
} // namespace vistrel
