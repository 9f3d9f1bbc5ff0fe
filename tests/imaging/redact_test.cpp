#include "imaging/redact.h"

#include "platform/error.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vistrel;

namespace {

// Black one-pixel stripes on white every third column: fine detail as letters have it.
TBitmap stripes(int width, int height)
{
    TBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, x % 3 ? PaletteEntry{255, 255, 255, 0} : PaletteEntry{0, 0, uint8_t(7 * y), 0});
    return picture;
}

bool inside(const TRect &r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

struct RedactCase {
    const char *name;
    RedactMode mode;
    TRect area;    // as given, corners in any order
    TRect clipped; // what is hidden
    int contrast;  // the stripes' contrast left inside, below a readable edge (block edges differ)
};

class RedactModes : public ::testing::TestWithParam<RedactCase> {};

} // namespace

TEST_P(RedactModes, HideTheClippedAreaAndNothingElse)
{
    const RedactCase &c = GetParam();
    const TBitmap before = stripes(50, 40);
    TBitmap after = before;
    const PaletteEntry fill{10, 20, 30, 0};
    Redact(after, c.area, c.mode, fill);
    EXPECT_EQ(ClipToPicture(c.area, 50, 40), c.clipped);
    int lightest = 0, darkest = 255;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            const PaletteEntry p = after.pixel(x, y);
            if (!inside(c.clipped, x, y)) {
                ASSERT_EQ(p, before.pixel(x, y)) << x << "," << y;
                continue;
            }
            lightest = std::max<int>(lightest, p.b);
            darkest = std::min<int>(darkest, p.b);
            if (c.mode == RedactMode::Fill) {
                ASSERT_EQ(p, fill);
            }
            if (c.mode != RedactMode::Pixelate)
                continue;
            // Every pixel holds the mean of its grid block's part inside the area.
            const int left = std::max(x / kRedactBlock * kRedactBlock, c.clipped.Left);
            const int top = std::max(y / kRedactBlock * kRedactBlock, c.clipped.Top);
            const int right = std::min(left / kRedactBlock * kRedactBlock + kRedactBlock, c.clipped.Right);
            const int bottom = std::min(top / kRedactBlock * kRedactBlock + kRedactBlock, c.clipped.Bottom);
            int sum = 0;
            for (int by = top; by < bottom; ++by)
                for (int bx = left; bx < right; ++bx)
                    sum += before.pixel(bx, by).b;
            const int count = (right - left) * (bottom - top);
            ASSERT_EQ(p.b, (sum + count / 2) / count) << x << "," << y;
        }
    EXPECT_LE(lightest - darkest, c.contrast);
}

INSTANTIATE_TEST_SUITE_P(
    Redact, RedactModes,
    ::testing::Values(RedactCase{"pixelate", RedactMode::Pixelate, {5, 3, 37, 35}, {5, 3, 37, 35}, 30},
                      RedactCase{"pixelate_dragged_up_left", RedactMode::Pixelate, {37, 35, 5, 3}, {5, 3, 37, 35}, 30},
                      RedactCase{"blur", RedactMode::Blur, {4, 8, 44, 30}, {4, 8, 44, 30}, 24},
                      RedactCase{"fill", RedactMode::Fill, {0, 0, 50, 40}, {0, 0, 50, 40}, 0},
                      RedactCase{"fill_partly_outside", RedactMode::Fill, {-10, 30, 20, 90}, {0, 30, 20, 40}, 0},
                      RedactCase{"blur_partly_outside", RedactMode::Blur, {40, -5, 70, 12}, {40, 0, 50, 12}, 24}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Redact, AreaWhollyOutsideThePictureIsAnErrorAndChangesNothing)
{
    TBitmap picture = stripes(20, 10);
    const TBitmap before = picture;
    for (const TRect &outside : {TRect{20, 0, 30, 10}, TRect{-5, -5, 0, 0}, TRect{3, 3, 3, 8}})
        EXPECT_THROW(Redact(picture, outside, RedactMode::Fill), Error);
    EXPECT_EQ(picture, before);
}
