#include "document/edit_history.h"

#include "imaging/effects.h"
#include "platform/error.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

// A 3 x 2 picture identified by the blue value of its first pixel.
TBitmap picture(uint8_t id)
{
    TBitmap bitmap(3, 2, PixelFormat::pf24bit);
    bitmap.setPixel(0, 0, PaletteEntry{id, 0, 0, 0});
    return bitmap;
}

uint8_t id(const TBitmap &bitmap)
{
    return bitmap.pixel(0, 0).b;
}

std::vector<int> ids(const std::vector<TBitmap> &list)
{
    std::vector<int> result;
    for (const TBitmap &bitmap : list)
        result.push_back(id(bitmap));
    return result;
}

void addOne(TBitmap &bitmap)
{
    PaletteEntry c = bitmap.pixel(0, 0);
    ++c.b;
    bitmap.setPixel(0, 0, c);
}

using Ids = std::vector<int>;

TEST(EditHistory, OneCommandThenUndoRedoRedo)
{
    TEditHistory history;
    TBitmap shown = picture(0);
    RunEffectCommand(shown, history, addOne);
    EXPECT_EQ(id(shown), 1);
    EXPECT_EQ(ids(history.UndoList()), (Ids{0}));
    EXPECT_EQ(ids(history.RedoList()), (Ids{1}));

    history.UndoStep(shown);
    EXPECT_EQ(id(shown), 0);
    EXPECT_EQ(ids(history.UndoList()), Ids{});
    EXPECT_EQ(ids(history.RedoList()), (Ids{1, 0}));

    history.RedoStep(shown); // shows the same picture again
    EXPECT_EQ(id(shown), 0);
    EXPECT_EQ(ids(history.UndoList()), (Ids{0}));
    EXPECT_EQ(ids(history.RedoList()), (Ids{1}));

    history.RedoStep(shown);
    EXPECT_EQ(id(shown), 1);
    EXPECT_EQ(ids(history.UndoList()), (Ids{0, 1}));
    EXPECT_EQ(ids(history.RedoList()), Ids{});
}

TEST(EditHistory, StepsOnEmptyListsDoNothing)
{
    TEditHistory history;
    TBitmap shown = picture(7);
    history.UndoStep(shown);
    history.RedoStep(shown);
    EXPECT_EQ(id(shown), 7);
    EXPECT_TRUE(history.UndoList().empty());
    EXPECT_TRUE(history.RedoList().empty());
}

TEST(EditHistory, FiveCommandsKeepFourUndoSnapshots)
{
    TEditHistory history;
    TBitmap shown = picture(0);
    for (int i = 0; i < 5; ++i)
        RunEffectCommand(shown, history, addOne);
    EXPECT_EQ(ids(history.UndoList()), (Ids{1, 2, 3, 4}));
    EXPECT_EQ(ids(history.RedoList()), (Ids{5}));
    for (int i = 0; i < 6; ++i)
        history.UndoStep(shown);
    EXPECT_EQ(id(shown), 1); // the picture before the first command is gone
}

TEST(EditHistory, EveryCommandReplacesTheRedoList)
{
    TEditHistory history;
    TBitmap shown = picture(0);
    RunEffectCommand(shown, history, addOne);
    RunEffectCommand(shown, history, addOne);
    history.UndoStep(shown);
    history.UndoStep(shown);
    EXPECT_EQ(history.RedoList().size(), 3u);
    RunEffectCommand(shown, history, addOne);
    EXPECT_EQ(ids(history.UndoList()), (Ids{0}));
    EXPECT_EQ(ids(history.RedoList()), (Ids{1}));
}

TEST(EditHistory, RedoStepsMayPassTheLimitButCommandsBringItBack)
{
    TEditHistory history;
    TBitmap shown = picture(0);
    for (int i = 0; i < 4; ++i)
        RunEffectCommand(shown, history, addOne);
    history.RedoStep(shown);
    EXPECT_EQ(history.UndoList().size(), 5u);
    for (int round = 0; round < 10; ++round) {
        RunEffectCommand(shown, history, addOne);
        history.RedoStep(shown);
    }
    EXPECT_EQ(history.UndoList().size(), 5u);
    EXPECT_TRUE(history.RedoList().empty());
}

TEST(EditHistory, SnapshotsAreIndependentCopies)
{
    TEditHistory history;
    TBitmap shown = picture(3);
    history.SnapshotBefore(shown);
    addOne(shown);
    EXPECT_EQ(id(history.UndoList().back()), 3);
}

TEST(EditHistory, EmptyPictureRecordsNothing)
{
    TEditHistory history;
    TBitmap empty;
    RunEffectCommand(empty, history, addOne);
    history.SnapshotBefore(empty);
    history.SnapshotAfter(empty);
    EXPECT_TRUE(history.UndoList().empty());
    EXPECT_TRUE(history.RedoList().empty());
}

TEST(EditHistory, FailingCommandLeavesThePictureAsItWas)
{
    TEditHistory history;
    TBitmap shown = picture(9);
    const auto fail = [](TBitmap &working, TBitmap &) {
        addOne(working);
        throw Error("broken");
    };
    EXPECT_THROW(RunImageCommand(shown, history, fail), Error);
    EXPECT_EQ(id(shown), 9);
    EXPECT_EQ(shown.width(), 3);
    EXPECT_EQ(ids(history.UndoList()), (Ids{9}));
    EXPECT_TRUE(history.RedoList().empty());
}

TEST(EditHistory, RotateRightThenLeftGivesBackTheSamePixels)
{
    TBitmap shown(5, 3, PixelFormat::pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            shown.setPixel(x, y, PaletteEntry{static_cast<uint8_t>(x * 40), static_cast<uint8_t>(y * 70), 9, 0});
    const TBitmap original = shown;
    TEditHistory history;
    RunRotationCommand(shown, history, Rotate90Right);
    EXPECT_EQ(shown.width(), 3);
    EXPECT_EQ(shown.height(), 5);
    EXPECT_EQ(history.RedoList().back(), shown); // written into the old picture's buffer
    RunRotationCommand(shown, history, Rotate90Left);
    EXPECT_EQ(shown, original);
    EXPECT_EQ(history.UndoList().size(), 2u);
    EXPECT_EQ(history.UndoList().front(), original);
}

TEST(EditHistory, EffectsBringIndexedPicturesBackAt24Bits)
{
    TBitmap shown(4, 4, PixelFormat::pf8bit);
    TEditHistory history;
    RunEffectCommand(shown, history, Invert);
    EXPECT_EQ(shown.pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(shown.pixel(2, 2), (PaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(history.UndoList().back().pixelFormat(), PixelFormat::pf8bit);
}

} // namespace
} // namespace vistrel
