#pragma once

#include "platform/bitmap.h"

#include <functional>
#include <vector>

namespace vistrel {

constexpr size_t MaxUndo = 4;

// Whole-picture snapshots of one document window. Every command records the picture before it
// (SnapshotBefore) and after it (SnapshotAfter); a step moves the newest snapshot of one list to
// the end of the other and shows it. Snapshots are full copies, so the lists own their pixels.
class TEditHistory {
public:
    // Both do nothing for an empty picture. A snapshot is written into the pixel buffer of a
    // bitmap that is no longer needed when there is one (the dropped oldest snapshot, or `spare`),
    // which spares a large picture a fresh allocation per command.
    void SnapshotBefore(const TBitmap &picture);
    void SnapshotAfter(const TBitmap &picture, TBitmap spare = TBitmap());
    // Both do nothing on an empty list.
    void UndoStep(TBitmap &picture);
    void RedoStep(TBitmap &picture);
    // A change that is not a command (a mark) starts a new branch: the steps to redo go. When
    // `shownIsRedoNewest`, the newest redo snapshot is the picture on screen and moves to the undo
    // list instead, so that undoing back to it shows it again.
    void ForgetRedo(bool shownIsRedoNewest);

    const std::vector<TBitmap> &UndoList() const { return undo_; }
    const std::vector<TBitmap> &RedoList() const { return redo_; }

private:
    std::vector<TBitmap> undo_;
    std::vector<TBitmap> redo_;
};

// Runs one image command with its history: snapshot before, `change` turns `working` (the
// picture, handed over) into the new picture, snapshot after. The picture is moved rather than
// copied into the working bitmap, so a command holds no more than the picture, its result and
// the history. If `change` throws, the picture comes back from the snapshot just taken.
using PictureChange = std::function<void(TBitmap &working, TBitmap &picture)>;
void RunImageCommand(TBitmap &picture, TEditHistory &history, const PictureChange &change);

// The two shapes of the pixel routines: in place, or from a source into a destination.
PictureChange InPlaceChange(void (*routine)(TBitmap &));
PictureChange TurnChange(void (*routine)(TBitmap &, TBitmap &));
void RunEffectCommand(TBitmap &picture, TEditHistory &history, void (*routine)(TBitmap &));
void RunRotationCommand(TBitmap &picture, TEditHistory &history, void (*routine)(TBitmap &, TBitmap &));

} // namespace vistrel
