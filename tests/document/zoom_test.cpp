#include "document/zoom.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

// A window as the opener leaves it: natural size shown, not yet zoomed.
TZoomView openedWindow(int pictureW, int pictureH)
{
    TZoomView view;
    view.PictureW = pictureW;
    view.PictureH = pictureH;
    view.ToolBarH = 26;
    view.StatusBarH = 20;
    view.ImageW = pictureW;
    view.ImageH = pictureH;
    view.ClientW = std::max(pictureW, 140);
    view.ClientH = pictureH + 26 + 20 + 10;
    view.FormW = view.ClientW;
    view.FormH = view.ClientH;
    return view;
}

TEST(ZoomSteps, FifteenPercentTruncated)
{
    EXPECT_EQ(ZoomedInSize(100), 115);
    EXPECT_EQ(ZoomedInSize(80), 92);
    EXPECT_EQ(ZoomedOutSize(100), 85);
    EXPECT_EQ(ZoomedOutSize(80), 68);
    EXPECT_EQ(ZoomedInSize(7), 8);
    EXPECT_EQ(ZoomedOutSize(7), 6);
}

TEST(ZoomSteps, SixPixelsOrLessNeverChange)
{
    for (int size = 0; size <= 6; ++size) {
        EXPECT_EQ(ZoomedInSize(size), size);
        EXPECT_EQ(ZoomedOutSize(size), size);
    }
}

TEST(ZoomSteps, GrowthStopsAtTheLargestSide)
{
    int size = 100;
    for (int i = 0; i < 200; ++i)
        size = ZoomedInSize(size);
    EXPECT_EQ(size, kMaxZoomedSide);
}

TEST(ZoomSteps, StepsAccumulateAndDoNotReturnToTheStart)
{
    EXPECT_EQ(ZoomedOutSize(ZoomedInSize(100)), 98);
}

TEST(Zoom, ZoomInStretchesAndFitsTheWindowToTheControl)
{
    TZoomView view = openedWindow(100, 80);
    ZoomIn(view);
    EXPECT_EQ(view.ImageW, 115);
    EXPECT_EQ(view.ImageH, 92);
    EXPECT_TRUE(view.Stretch);
    EXPECT_EQ(view.ClientW, 115);
    EXPECT_EQ(view.ClientH, 26 + 92 + 20);
    EXPECT_TRUE(view.HorzScrollBar);
    EXPECT_TRUE(view.VertScrollBar);
}

TEST(Zoom, ZoomOutBelowNaturalSizeHidesBothScrollBars)
{
    TZoomView view = openedWindow(100, 80);
    ZoomOut(view);
    EXPECT_EQ(view.ImageW, 85);
    EXPECT_EQ(view.ImageH, 68);
    EXPECT_FALSE(view.HorzScrollBar);
    EXPECT_FALSE(view.VertScrollBar);
    ZoomIn(view); // 85 -> 97, 68 -> 78: still below
    EXPECT_FALSE(view.HorzScrollBar);
    ZoomIn(view); // 97 -> 111, 78 -> 89
    EXPECT_TRUE(view.HorzScrollBar);
    EXPECT_TRUE(view.VertScrollBar);
}

TEST(Zoom, FirstStepStartsFromTheNaturalSize)
{
    TZoomView view = openedWindow(100, 80);
    view.ImageW = 300; // the control was resized by something else meanwhile
    view.ImageH = 10;
    view.ClientW = 500;
    ZoomIn(view);
    EXPECT_TRUE(view.ZoomReady);
    EXPECT_EQ(view.ImageW, 115);
    EXPECT_EQ(view.ImageH, 92);

    view.ImageW = 300; // once ready, steps scale whatever size the control has
    ZoomIn(view);
    EXPECT_EQ(view.ImageW, 345);
}

TEST(Zoom, ResetRestoresNaturalSizeAndRecordedClientSize)
{
    TZoomView view = openedWindow(100, 80);
    ZoomIn(view);
    ZoomIn(view);
    ZoomOut(view);
    ResetZoom(view);
    EXPECT_EQ(view.ImageW, 100);
    EXPECT_EQ(view.ImageH, 80);
    EXPECT_FALSE(view.Stretch);
    EXPECT_EQ(view.ClientW, 140);
    EXPECT_EQ(view.ClientH, 80 + 26 + 20 + 10);
    EXPECT_TRUE(view.HorzScrollBar);
    EXPECT_TRUE(view.VertScrollBar);
}

TEST(Zoom, ResetOfAPastedPictureTakesTheControlSizeAsNatural)
{
    TZoomView view;
    view.ImageW = 64;
    view.ImageH = 48;
    view.FormW = 64;
    view.FormH = 48 + 46;
    ResetZoom(view);
    EXPECT_EQ(view.PictureW, 64);
    EXPECT_EQ(view.PictureH, 48);
    ZoomIn(view);
    ZoomIn(view);
    ResetZoom(view);
    EXPECT_EQ(view.ImageW, 64);
    EXPECT_EQ(view.ImageH, 48);
}

TEST(Zoom, TinyPictureNeitherGrowsNorShrinks)
{
    TZoomView view = openedWindow(6, 5);
    ZoomIn(view);
    EXPECT_EQ(view.ImageW, 6);
    EXPECT_EQ(view.ImageH, 5);
    ZoomOut(view);
    EXPECT_EQ(view.ImageW, 6);
    EXPECT_EQ(view.ImageH, 5);
    EXPECT_TRUE(view.HorzScrollBar); // equal to the natural size counts as "at or above"
}

} // namespace
} // namespace vistrel
