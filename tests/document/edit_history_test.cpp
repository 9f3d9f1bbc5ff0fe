#include "document/edit_history.h"
#include "document/picture_document.h"

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

// Whether closing would lose something, step by step: a picture with a file is changed until its
// pixels are those of the file again; one without a file is changed until it is saved.
TEST(PictureDocument, ChangedFollowsThePixelsAgainstTheFile)
{
    enum Step { Effect, Undo, Redo, Save };
    const struct {
        const char *file;
        std::vector<std::pair<Step, bool>> steps; // each step, then Modified() after it
    } cases[] = {
        {"a.jpg", {{Effect, true}, {Undo, false}, {Redo, false}, {Redo, true}, {Save, false}, {Effect, true}}},
        {"a.jpg", {{Undo, false}, {Redo, false}}},
        {"", {{Undo, true}, {Effect, true}, {Save, false}, {Undo, true}, {Redo, true}, {Redo, false}}},
    };
    for (const auto &c : cases) {
        PictureDocument document(picture(0), c.file);
        EXPECT_EQ(document.Modified(), !*c.file);
        int heard = 0;
        document.SetChangeListener([&heard](int, int) { ++heard; });
        int step = 0;
        for (const auto &[what, modified] : c.steps) {
            switch (what) {
            case Effect: document.Apply(InPlaceChange(addOne)); break;
            case Undo: document.Undo(); break;
            case Redo: document.Redo(); break;
            case Save: document.MarkSaved("saved.bmp"); break;
            }
            EXPECT_EQ(document.Modified(), modified) << c.file << " step " << step++;
        }
        EXPECT_GT(heard, 0);
    }
}

TEST(PictureDocument, FailedCommandKeepsThePictureAndTellsTheListener)
{
    PictureDocument document(picture(7), "a.bmp");
    std::pair<int, int> heard;
    document.SetChangeListener([&heard](int width, int height) { heard = {width, height}; });
    EXPECT_THROW(document.Apply([](TBitmap &, TBitmap &) { throw Error("out of memory"); }), Error);
    EXPECT_EQ(id(document.Picture()), 7);
    EXPECT_FALSE(document.Modified());
    EXPECT_EQ(heard, std::make_pair(3, 2));
    document.Apply(TurnChange(Rotate90Right));
    EXPECT_EQ(document.Picture().width(), 2);
    EXPECT_EQ(heard, std::make_pair(3, 2)); // the size before the turn
}

} // namespace
} // namespace vistrel
