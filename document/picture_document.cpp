#include "document/picture_document.h"

#include "platform/error.h"

#include <algorithm>
#include <string_view>

namespace vistrel {

namespace {

uint64_t combine(uint64_t seed, uint64_t value)
{
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

uint64_t bytesHash(const void *data, size_t length)
{
    return std::hash<std::string_view>{}(std::string_view(static_cast<const char *>(data), length));
}

} // namespace

uint64_t PictureFingerprint(const TBitmap &picture)
{
    uint64_t digest = combine(combine(picture.width(), picture.height()), static_cast<uint64_t>(picture.pixelFormat()));
    const auto &palette = picture.palette();
    if (!palette.empty())
        digest = combine(digest, bytesHash(palette.data(), palette.size() * sizeof palette.front()));
    for (int y = 0; y < picture.height(); ++y)
        digest = combine(digest, bytesHash(picture.scanLine(y), picture.bytesPerLine()));
    return digest;
}

PictureDocument::PictureDocument(TBitmap picture, std::string fileName)
    : picture_(std::move(picture)), picName_(std::move(fileName)), savedFile_(picName_)
{
    if (!savedFile_.empty())
        savedFingerprint_ = PictureFingerprint(picture_);
    modified_ = savedFile_.empty();
}

template <typename Change>
void PictureDocument::change(const Change &step)
{
    const int oldWidth = picture_.width();
    const int oldHeight = picture_.height();
    // A failed command has put the picture back from its snapshot: the listener still hears of it.
    try {
        step();
    } catch (...) {
        changed(oldWidth, oldHeight);
        throw;
    }
    changed(oldWidth, oldHeight);
}

void PictureDocument::changed(int oldWidth, int oldHeight)
{
    modified_ = savedFile_.empty() || PictureFingerprint(picture_) != savedFingerprint_;
    if (listener_)
        listener_(oldWidth, oldHeight);
}

void PictureDocument::Apply(const PictureChange &command)
{
    if (picture_.empty())
        return change([] {});
    change([&] {
        undoSteps_.push_back(SnapshotStep(marks_));
        redoSteps_.clear();
        shownIsRedoNewest_ = false; // a failed command shows its before snapshot
        try {
            RunImageCommand(picture_, history_, [this, &command](TBitmap &working, TBitmap &result) {
                paintMarks(working, marks_);
                command(working, result);
            });
        } catch (...) {
            forgetStepsOfDroppedSnapshots();
            throw;
        }
        redoSteps_.push_back(SnapshotStep({}));
        shownIsRedoNewest_ = true;
        if (!marks_.empty()) {
            marks_.clear();
            ++marksRevision_;
        }
        forgetStepsOfDroppedSnapshots();
    });
}

// The history keeps four snapshots: the mark edits below a dropped one went with its pixels.
void PictureDocument::forgetStepsOfDroppedSnapshots()
{
    const auto isSnapshot = [](const Step &step) { return step.snapshot; };
    auto snapshots = static_cast<size_t>(std::count_if(undoSteps_.begin(), undoSteps_.end(), isSnapshot));
    for (; snapshots > history_.UndoList().size(); --snapshots)
        undoSteps_.erase(undoSteps_.begin(), std::find_if(undoSteps_.begin(), undoSteps_.end(), isSnapshot) + 1);
}

void PictureDocument::Undo()
{
    takeStep(undoSteps_, redoSteps_, true);
}

void PictureDocument::Redo()
{
    takeStep(redoSteps_, undoSteps_, false);
}

void PictureDocument::takeStep(std::vector<Step> &from, std::vector<Step> &to, bool undo)
{
    if (from.empty())
        return change([] {});
    Step step = std::move(from.back());
    from.pop_back();
    if (step.snapshot) {
        change([&] {
            marks_ = step.marks;
            ++marksRevision_;
            shownIsRedoNewest_ = undo;
            if (undo)
                history_.UndoStep(picture_);
            else
                history_.RedoStep(picture_);
        });
    } else if (undo) {
        setMark(step.index, step.after, step.before);
    } else {
        setMark(step.index, step.before, step.after);
    }
    to.push_back(std::move(step));
}

void PictureDocument::AddMark(const Mark &mark)
{
    if (!painter_)
        throw Error("Marks cannot be drawn on this picture");
    editMark(marks_.size(), std::nullopt, ClampedMark(mark));
}

void PictureDocument::ReplaceMark(size_t index, const Mark &mark)
{
    if (index < marks_.size() && marks_[index] != mark)
        editMark(index, marks_[index], ClampedMark(mark));
}

void PictureDocument::DeleteMark(size_t index)
{
    if (index < marks_.size())
        editMark(index, marks_[index], std::nullopt);
}

// A new edit ends what there was to redo (see TEditHistory::ForgetRedo).
void PictureDocument::editMark(size_t index, std::optional<Mark> before, std::optional<Mark> after)
{
    const bool keepShown = shownIsRedoNewest_ && !history_.RedoList().empty();
    if (keepShown)
        undoSteps_.push_back(SnapshotStep(marks_));
    history_.ForgetRedo(keepShown);
    redoSteps_.clear();
    shownIsRedoNewest_ = false;
    Step step;
    step.index = index;
    step.before = std::move(before);
    step.after = std::move(after);
    setMark(index, step.before, step.after);
    undoSteps_.push_back(std::move(step));
}

void PictureDocument::setMark(size_t index, const std::optional<Mark> &from, const std::optional<Mark> &to)
{
    if (from && to)
        marks_[index] = *to;
    else if (to)
        marks_.insert(marks_.begin() + static_cast<std::ptrdiff_t>(index), *to);
    else
        marks_.erase(marks_.begin() + static_cast<std::ptrdiff_t>(index));
    ++marksRevision_;
    if (listener_) // the pixels are as they were: Modified() follows the marks alone
        listener_(picture_.width(), picture_.height());
}

void PictureDocument::paintMarks(TBitmap &picture, const std::vector<Mark> &marks) const
{
    if (!marks.empty())
        painter_(picture, marks);
}

void PictureDocument::FlattenMarks()
{
    if (!marks_.empty())
        Apply([](TBitmap &working, TBitmap &result) { result = std::move(working); });
}

TBitmap PictureDocument::FlattenedPicture() const
{
    TBitmap flattened = picture_;
    paintMarks(flattened, marks_);
    return flattened;
}

void PictureDocument::MarkSaved(const std::string &path)
{
    savedFile_ = path;
    savedFingerprint_ = PictureFingerprint(picture_);
    modified_ = false;
}

} // namespace vistrel
