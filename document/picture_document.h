#pragma once

#include "document/edit_history.h"
#include "document/markup.h"
#include "platform/bitmap.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

// Draws marks into a picture, turning a picture of fewer than 24 bits per pixel into 24 first;
// the windows supply it, as drawing text needs the desktop's fonts.
using MarkPainter = std::function<void(TBitmap &picture, const std::vector<Mark> &marks)>;

// One open picture: its pixels, the marks drawn above them, the file it was read from or last
// saved to (none for a pasted picture), its edit history, and whether it differs from that file.
// Every change goes through Apply, a mark edit, Undo or Redo, which tell the one listener
// afterwards.
//
// Marks stay editable records until a command (Apply) or saving draws them into the pixels. The
// history interleaves mark edits with the picture snapshots: Undo and Redo take back one mark
// edit at a time, and undoing a command brings back the marks it drew in, editable again.
class PictureDocument {
public:
    // The listener learns the size the picture had before the change.
    using ChangeListener = std::function<void(int oldWidth, int oldHeight)>;

    PictureDocument() = default;
    PictureDocument(TBitmap picture, std::string fileName);

    const TBitmap &Picture() const { return picture_; }
    // The file the picture was opened from, empty for a pasted one; saving does not change it.
    const std::string &PicName() const { return picName_; }
    // The file last read or written: it holds the picture unless Modified(). Empty until a
    // pasted picture is saved.
    const std::string &SavedFile() const { return savedFile_; }
    // True when closing would lose something: the pixels are not those last read or saved, there
    // are marks not yet drawn in, or there is no file at all. Undoing back to the saved pixels
    // makes it false again.
    bool Modified() const { return modified_ || !marks_.empty(); }

    // One command with its history (see RunImageCommand), run on the picture with its marks drawn
    // in; an empty picture is left alone.
    void Apply(const PictureChange &change);
    void Undo();
    void Redo();
    const TEditHistory &History() const { return history_; }

    // Marks need a painter; without one AddMark throws Error.
    void SetMarkPainter(MarkPainter painter) { painter_ = std::move(painter); }
    const std::vector<Mark> &Marks() const { return marks_; }
    // Counts every change of the marks, so a view knows when its drawing of them is stale.
    uint64_t MarksRevision() const { return marksRevision_; }
    void AddMark(const Mark &mark);
    // Moving and recolouring replace a mark; an index out of range is ignored.
    void ReplaceMark(size_t index, const Mark &mark);
    void DeleteMark(size_t index);
    // Draws the marks into the pixels as a step of the history (saving does this first).
    void FlattenMarks();
    // A copy of the picture with the marks drawn in, for the clipboard and the printer.
    TBitmap FlattenedPicture() const;

    // The pixels now on screen are what `path` holds.
    void MarkSaved(const std::string &path);

    void SetChangeListener(ChangeListener listener) { listener_ = std::move(listener); }

private:
    // A history step: a picture snapshot of history_ with the marks shown above it, or one mark
    // edit (no `before`: added; no `after`: deleted).
    struct Step {
        bool snapshot = false;
        std::vector<Mark> marks;
        size_t index = 0;
        std::optional<Mark> before;
        std::optional<Mark> after;
    };
    static Step SnapshotStep(std::vector<Mark> marks)
    {
        Step step;
        step.snapshot = true;
        step.marks = std::move(marks);
        return step;
    }

    template <typename Change>
    void change(const Change &step);
    void changed(int oldWidth, int oldHeight);
    void takeStep(std::vector<Step> &from, std::vector<Step> &to, bool undo);
    void editMark(size_t index, std::optional<Mark> before, std::optional<Mark> after);
    void setMark(size_t index, const std::optional<Mark> &from, const std::optional<Mark> &to);
    void paintMarks(TBitmap &picture, const std::vector<Mark> &marks) const;
    void forgetStepsOfDroppedSnapshots();

    TBitmap picture_;
    std::vector<Mark> marks_;
    uint64_t marksRevision_ = 0;
    MarkPainter painter_;
    std::vector<Step> undoSteps_;
    std::vector<Step> redoSteps_;
    // After a command or an undone one the picture shown is the newest redo snapshot (see
    // TEditHistory); after a redone one the newest undo snapshot.
    bool shownIsRedoNewest_ = false;
    std::string picName_;
    std::string savedFile_;
    TEditHistory history_;
    uint64_t savedFingerprint_ = 0;
    bool modified_ = false;
    ChangeListener listener_;
};

// A digest of the pixels, palette and size: equal pictures give equal fingerprints, and a change
// of any pixel almost surely another one.
uint64_t PictureFingerprint(const TBitmap &picture);

} // namespace vistrel
