#include "platform/error.h"
#include "platform/screen_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vistrel;

namespace {

// Every pixel of a monitor image differs from its neighbours, and each monitor has its own tint.
QRgb patternPixel(int x, int y, int tint) { return qRgb((x * 7 + y) & 255, (y * 5 + x / 3) & 255, (tint + x + y * 3) & 255); }

QImage pattern(int width, int height, int tint)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, patternPixel(x, y, tint));
    return image;
}

MonitorCopy monitor(QRect logical, qreal ratio, int tint)
{
    return {logical, ratio,
            pattern(qRound(logical.width() * ratio), qRound(logical.height() * ratio), tint)};
}

QRgb bitmapPixel(const TBitmap &bitmap, int x, int y)
{
    const PaletteEntry p = bitmap.pixel(x, y);
    return qRgb(p.r, p.g, p.b);
}

// The pixel of `image` at (x, y) must be the bitmap's at (x - dx, y - dy) for a whole block.
void expectBlock(const TBitmap &bitmap, QRect block, int dx, int dy, int tint)
{
    for (int y = block.top(); y <= block.bottom(); ++y)
        for (int x = block.left(); x <= block.right(); ++x)
            ASSERT_EQ(bitmapPixel(bitmap, x, y), patternPixel(x + dx, y + dy, tint)) << x << "," << y;
}

} // namespace

TEST(ScreenCopy, OneMonitorGivesItsPixelsUnchanged)
{
    const ScreenCopy copy({monitor({0, 0, 1024, 768}, 1.0, 0)});
    EXPECT_EQ(copy.virtualRect(), QRect(0, 0, 1024, 768));
    const TBitmap shot = copy.copyRect({101, 51, 198, 148});
    ASSERT_EQ(shot.width(), 198);
    ASSERT_EQ(shot.height(), 148);
    expectBlock(shot, {0, 0, 198, 148}, 101, 51, 0);
}

TEST(ScreenCopy, HighDensityMonitorGivesPhysicalPixelsAtFullResolution)
{
    const ScreenCopy copy({monitor({0, 0, 640, 512}, 2.0, 0)});
    const TBitmap shot = copy.copyRect({101, 51, 198, 148});
    ASSERT_EQ(shot.width(), 396);
    ASSERT_EQ(shot.height(), 296);
    expectBlock(shot, {0, 0, 396, 296}, 202, 102, 0);
}

TEST(ScreenCopy, SecondMonitorOfAnotherDensityKeepsItsOwnPixels)
{
    const ScreenCopy copy({monitor({0, 0, 1920, 1080}, 1.0, 0), monitor({1920, 0, 1280, 800}, 2.0, 90)});
    EXPECT_EQ(copy.virtualRect(), QRect(0, 0, 3200, 1080));

    const TBitmap inside = copy.copyRect({2001, 101, 200, 100});
    ASSERT_EQ(inside.width(), 400);
    ASSERT_EQ(inside.height(), 200);
    expectBlock(inside, {0, 0, 400, 200}, 162, 202, 90);

    // Across both: the denser monitor sets the scale, the other one's pixels are doubled.
    const TBitmap across = copy.copyRect({1900, 10, 40, 20});
    ASSERT_EQ(across.width(), 80);
    ASSERT_EQ(across.height(), 40);
    expectBlock(across, {40, 0, 40, 40}, -40, 20, 90);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(bitmapPixel(across, x, y), patternPixel(1900 + x / 2, 10 + y / 2, 0)) << x << "," << y;
}

TEST(ScreenCopy, MonitorsLeftOfAndBelowTheOriginAndGapsBetweenThem)
{
    const ScreenCopy copy({monitor({-1280, 0, 1280, 1024}, 1.0, 10), monitor({0, 200, 800, 600}, 1.0, 20)});
    EXPECT_EQ(copy.virtualRect(), QRect(-1280, 0, 2080, 1024));
    const TBitmap left = copy.copyRect({-1000, 300, 50, 40});
    expectBlock(left, {0, 0, 50, 40}, 280, 300, 10);
    // Above the right monitor lies no screen: black, not garbage.
    const TBitmap gap = copy.copyRect({-10, 190, 30, 20});
    EXPECT_EQ(bitmapPixel(gap, 25, 5), qRgb(0, 0, 0));
    EXPECT_EQ(bitmapPixel(gap, 5, 5), patternPixel(1275, 195, 10));
    EXPECT_EQ(bitmapPixel(gap, 25, 15), patternPixel(15, 5, 20));
}

TEST(ScreenCopy, FractionalRatioGivesTheScaledSize)
{
    const ScreenCopy copy({monitor({0, 0, 800, 600}, 1.5, 0)});
    const TBitmap shot = copy.copyRect({10, 20, 100, 50});
    EXPECT_EQ(shot.width(), 150);
    EXPECT_EQ(shot.height(), 75);
    EXPECT_EQ(bitmapPixel(shot, 0, 0), patternPixel(15, 30, 0));
    EXPECT_EQ(bitmapPixel(shot, 149, 74), patternPixel(164, 104, 0));
}

TEST(ScreenCopy, ABlackScreenGivesABlackShot)
{
    QImage black(64, 48, QImage::Format_RGB32);
    black.fill(Qt::black);
    const TBitmap shot = ScreenCopy({GrabbedMonitor({0, 0, 64, 48}, 1.0, black)}).copyRect({8, 4, 20, 10});
    ASSERT_EQ(shot.width(), 20);
    ASSERT_EQ(shot.height(), 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(bitmapPixel(shot, x, y), qRgb(0, 0, 0)) << x << "," << y;
}

TEST(GrabbedMonitor, OnlyAMissingOrMisshapenGrabIsAFailure)
{
    const auto filled = [](int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::black);
        return image;
    };
    const struct {
        QRect logical;
        qreal ratio;
        QImage pixels;
        bool read;
    } cases[] = {
        {{0, 0, 64, 48}, 1.0, filled(64, 48), true},
        {{100, 0, 64, 48}, 2.0, filled(128, 96), true},
        {{0, 0, 10, 10}, 1.5, filled(15, 15), true},
        {{0, 0, 64, 48}, 1.0, QImage(), false},
        {{0, 0, 64, 48}, 1.0, filled(63, 48), false},
        {{0, 0, 64, 48}, 2.0, filled(64, 48), false},
    };
    for (const auto &c : cases) {
        if (c.read) {
            EXPECT_EQ(GrabbedMonitor(c.logical, c.ratio, c.pixels).pixels.size(), c.pixels.size());
        } else {
            EXPECT_THROW(GrabbedMonitor(c.logical, c.ratio, c.pixels), Error);
        }
    }
}

TEST(QScreenSource, RefusesSessionsWithoutX11)
{
    // No GUI application at all here: there is nothing to read, which must be said, not saved.
    EXPECT_FALSE(QScreenSource::readsThisSession());
    EXPECT_THROW(QScreenSource().grab(), Error);
}

// A desktop picture as a screenshot service returns it, over monitors at their logical places:
// the copy must hand out the picture's own pixels for every logical rectangle.
struct DesktopPictureCase {
    const char *name;
    std::vector<QRect> monitors;
    QSize picture;
    qreal ratio;
};

class DesktopPicture : public ::testing::TestWithParam<DesktopPictureCase> {};

TEST_P(DesktopPicture, MapsPhysicalPixelsOntoLogicalPlaces)
{
    const DesktopPictureCase &c = GetParam();
    const QImage picture = pattern(c.picture.width(), c.picture.height(), 40);
    const ScreenCopy copy = DesktopPictureToScreenCopy(picture, c.monitors);
    QRect desktop;
    for (const QRect &place : c.monitors)
        desktop |= place;
    EXPECT_EQ(copy.virtualRect(), desktop);
    ASSERT_EQ(copy.monitors().size(), c.monitors.size());
    for (const MonitorCopy &monitor : copy.monitors())
        EXPECT_DOUBLE_EQ(monitor.devicePixelRatio, c.ratio);

    // A rectangle on the last monitor, away from its edges, in logical units.
    const QRect place = c.monitors.back();
    const QRect logical(place.left() + 40, place.top() + 24, 100, 60);
    const TBitmap shot = copy.copyRect(logical);
    ASSERT_EQ(shot.width(), qRound(100 * c.ratio));
    ASSERT_EQ(shot.height(), qRound(60 * c.ratio));
    const int dx = qRound((logical.left() - desktop.left()) * c.ratio);
    const int dy = qRound((logical.top() - desktop.top()) * c.ratio);
    expectBlock(shot, {0, 0, shot.width(), shot.height()}, dx, dy, 40);
}

INSTANTIATE_TEST_SUITE_P(
    Scales, DesktopPicture,
    ::testing::Values(DesktopPictureCase{"Plain", {{0, 0, 640, 480}}, {640, 480}, 1.0},
                      DesktopPictureCase{"Double", {{0, 0, 640, 480}}, {1280, 960}, 2.0},
                      DesktopPictureCase{"Fractional", {{0, 0, 640, 480}}, {800, 600}, 1.25},
                      DesktopPictureCase{"TwoMonitorsDouble", {{0, 0, 640, 480}, {640, 0, 640, 480}}, {2560, 960}, 2.0},
                      DesktopPictureCase{"LeftOfOrigin", {{-640, 0, 640, 480}, {0, 0, 800, 600}}, {1440, 600}, 1.0}),
    [](const ::testing::TestParamInfo<DesktopPictureCase> &info) { return std::string(info.param.name); });

TEST(DesktopPicture, UnevenPictureIsFittedToEachMonitor)
{
    const ScreenCopy copy = DesktopPictureToScreenCopy(pattern(1280, 480, 0), {{0, 0, 640, 480}});
    ASSERT_EQ(copy.monitors().size(), 1u);
    EXPECT_EQ(copy.monitors()[0].pixels.size(), QSize(1280, 960));
    EXPECT_EQ(copy.copyRect({0, 0, 640, 480}).width(), 1280);
}

TEST(DesktopPicture, NoKnownMonitorMeansOneThePictureFills)
{
    const ScreenCopy copy = DesktopPictureToScreenCopy(pattern(300, 200, 5), {});
    EXPECT_EQ(copy.virtualRect(), QRect(0, 0, 300, 200));
    expectBlock(copy.copyRect({10, 10, 20, 20}), {0, 0, 20, 20}, 10, 10, 5);
}
