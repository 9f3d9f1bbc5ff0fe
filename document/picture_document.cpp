#include "document/picture_document.h"

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
    change([&] { RunImageCommand(picture_, history_, command); });
}

void PictureDocument::Undo()
{
    change([this] { history_.UndoStep(picture_); });
}

void PictureDocument::Redo()
{
    change([this] { history_.RedoStep(picture_); });
}

void PictureDocument::MarkSaved(const std::string &path)
{
    savedFile_ = path;
    savedFingerprint_ = PictureFingerprint(picture_);
    modified_ = false;
}

} // namespace vistrel
