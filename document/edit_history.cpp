#include "document/edit_history.h"

namespace vistrel {

namespace {

// Shows the newest snapshot of `from` and moves it to the end of `to`.
void moveNewest(std::vector<TBitmap> &from, std::vector<TBitmap> &to, TBitmap &picture)
{
    if (from.empty())
        return;
    picture = from.back();
    to.push_back(std::move(from.back()));
    from.pop_back();
}

} // namespace

void TEditHistory::SnapshotBefore(const TBitmap &picture)
{
    if (picture.empty())
        return;
    // Dropping while at or above the limit (not only at exactly four) keeps a history that redo
    // steps pushed past the limit from growing with every further command.
    TBitmap snapshot;
    while (undo_.size() >= MaxUndo) {
        snapshot = std::move(undo_.front());
        undo_.erase(undo_.begin());
    }
    redo_.clear();
    snapshot = picture;
    undo_.push_back(std::move(snapshot));
}

void TEditHistory::SnapshotAfter(const TBitmap &picture, TBitmap spare)
{
    if (picture.empty())
        return;
    spare = picture;
    redo_.push_back(std::move(spare));
}

void TEditHistory::UndoStep(TBitmap &picture)
{
    moveNewest(undo_, redo_, picture);
}

void TEditHistory::RedoStep(TBitmap &picture)
{
    moveNewest(redo_, undo_, picture);
}

void TEditHistory::ForgetRedo(bool shownIsRedoNewest)
{
    if (shownIsRedoNewest && !redo_.empty())
        undo_.push_back(std::move(redo_.back()));
    redo_.clear();
}

void RunImageCommand(TBitmap &picture, TEditHistory &history, const PictureChange &change)
{
    if (picture.empty())
        return;
    history.SnapshotBefore(picture);
    TBitmap working = std::move(picture);
    picture = TBitmap();
    try {
        change(working, picture);
    } catch (...) {
        working = TBitmap();
        picture = history.UndoList().back();
        throw;
    }
    history.SnapshotAfter(picture, std::move(working));
}

PictureChange InPlaceChange(void (*routine)(TBitmap &))
{
    return [routine](TBitmap &working, TBitmap &result) {
        routine(working);
        result = std::move(working);
    };
}

PictureChange TurnChange(void (*routine)(TBitmap &, TBitmap &))
{
    return [routine](TBitmap &working, TBitmap &result) { routine(working, result); };
}

void RunEffectCommand(TBitmap &picture, TEditHistory &history, void (*routine)(TBitmap &))
{
    RunImageCommand(picture, history, InPlaceChange(routine));
}

void RunRotationCommand(TBitmap &picture, TEditHistory &history, void (*routine)(TBitmap &, TBitmap &))
{
    RunImageCommand(picture, history, TurnChange(routine));
}

} // namespace vistrel
