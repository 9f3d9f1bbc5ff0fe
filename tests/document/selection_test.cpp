#include "document/selection.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

using testing::NumberedPicture;

constexpr int kToolBar = 26;

TSelection dragged(int x1, int y1, int x2, int y2)
{
    TSelection s;
    BeginSelection(s, x1, y1, kToolBar);
    ExtendSelection(s, x2, y2, kToolBar);
    return s;
}

TEST(SelectionMouse, OnlyTheLeftButtonAloneSelects)
{
    TMouseState left;
    left.left = true;
    EXPECT_TRUE(IsPlainLeftButton(left));

    TMouseState state = left;
    state.shift = true;
    EXPECT_FALSE(IsPlainLeftButton(state));
    state = left;
    state.ctrl = true;
    EXPECT_FALSE(IsPlainLeftButton(state));
    state = left;
    state.alt = true;
    EXPECT_FALSE(IsPlainLeftButton(state));
    state = left;
    state.right = true;
    EXPECT_FALSE(IsPlainLeftButton(state));
    state = left;
    state.middle = true;
    EXPECT_FALSE(IsPlainLeftButton(state));
    state = left;
    state.doubleClick = true;
    EXPECT_FALSE(IsPlainLeftButton(state));
    EXPECT_FALSE(IsPlainLeftButton(TMouseState{}));
}

TEST(Selection, CoordinatesIncludeTheToolBarAndKeepTheMouseOrder)
{
    const TSelection s = dragged(30, 40, 10, 5);
    EXPECT_EQ(s.SelX1, 30);
    EXPECT_EQ(s.SelY1, 40 + kToolBar);
    EXPECT_EQ(s.SelX2, 10);
    EXPECT_EQ(s.SelY2, 5 + kToolBar);
    EXPECT_TRUE(s.Exists());
}

TEST(Selection, AClickOrALineIsNoSelection)
{
    EXPECT_FALSE(dragged(5, 5, 5, 5).Exists());
    EXPECT_FALSE(dragged(5, 5, 9, 5).Exists());
    EXPECT_FALSE(dragged(5, 5, 5, 9).Exists());
    TSelection s = dragged(1, 1, 4, 4);
    s.Clear();
    EXPECT_EQ(s.SelX1 | s.SelY1 | s.SelX2 | s.SelY2, 0);
}

TEST(Selection, SelectAllCoversTheControl)
{
    TSelection s;
    SelectAll(s, 632, 308, kToolBar);
    EXPECT_EQ(SelectionSourceRect(s, kToolBar), (TRect{0, 0, 632, 308}));
}

TEST(SelectionCopy, EveryDragDirectionCopiesTheSamePixels)
{
    const TBitmap picture = NumberedPicture(8, 6, 200);
    const TBitmap downRight = CopySelectionPixels(picture, dragged(2, 1, 5, 4), kToolBar);
    ASSERT_EQ(downRight.width(), 3);
    ASSERT_EQ(downRight.height(), 3);
    EXPECT_EQ(downRight.pixel(0, 0), (PaletteEntry{2, 1, 200, 0}));
    EXPECT_EQ(downRight.pixel(2, 2), (PaletteEntry{4, 3, 200, 0}));
    EXPECT_EQ(CopySelectionPixels(picture, dragged(5, 4, 2, 1), kToolBar), downRight);
    EXPECT_EQ(CopySelectionPixels(picture, dragged(5, 1, 2, 4), kToolBar), downRight);
    EXPECT_EQ(CopySelectionPixels(picture, dragged(2, 4, 5, 1), kToolBar), downRight);
}

TEST(SelectionCopy, DegenerateSelectionCopiesNothing)
{
    EXPECT_TRUE(CopySelectionPixels(NumberedPicture(8, 6, 200), dragged(3, 3, 3, 5), kToolBar).empty());
}

TEST(SelectionCopy, PartsOutsideThePictureStayBlack)
{
    const TBitmap copied = CopySelectionPixels(NumberedPicture(8, 6, 200), dragged(6, 4, 10, 9), kToolBar);
    ASSERT_EQ(copied.width(), 4);
    ASSERT_EQ(copied.height(), 5);
    EXPECT_EQ(copied.pixel(0, 0), (PaletteEntry{6, 4, 200, 0}));
    EXPECT_EQ(copied.pixel(1, 1), (PaletteEntry{7, 5, 200, 0}));
    EXPECT_EQ(copied.pixel(2, 0), PaletteEntry{});
    EXPECT_EQ(copied.pixel(0, 2), PaletteEntry{});
}

TEST(SelectionCopy, SelectionEntirelyOffThePictureGivesBlack)
{
    const TBitmap copied = CopySelectionPixels(NumberedPicture(8, 6, 200), dragged(-10, -10, -4, -6), kToolBar);
    ASSERT_EQ(copied.width(), 6);
    EXPECT_EQ(copied.pixel(5, 3), PaletteEntry{});
}

TEST(SelectionCopy, IndexedPicturesCopyTheirColours)
{
    TBitmap picture(4, 2, PixelFormat::pf8bit);
    picture.setPixel(1, 1, PaletteEntry{255, 255, 255, 0});
    const TBitmap copied = CopySelectionPixels(picture, dragged(0, 0, 4, 2), kToolBar);
    EXPECT_EQ(copied.pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(copied.pixel(1, 1), (PaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(copied.pixel(0, 0), (PaletteEntry{0, 0, 0, 0}));
}

TEST(SelectionCopy, TooLargeASelectionIsRefusedNotAllocated)
{
    EXPECT_ANY_THROW(CopySelectionPixels(NumberedPicture(8, 6, 200), dragged(0, 0, 100000, 100000), kToolBar));
}

} // namespace
} // namespace vistrel
