#pragma once

#include "document/edit_history.h"
#include "platform/bitmap.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vistrel {

// One open picture: its pixels, the file it was read from or last saved to (none for a pasted
// picture), its edit history, and whether it differs from that file. Every change goes through
// Apply, Undo or Redo, which tell the one listener afterwards.
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
    // True when closing would lose something: the pixels are not those last read or saved, or
    // there is no file at all. Undoing back to the saved pixels makes it false again.
    bool Modified() const { return modified_; }

    // One command with its history (see RunImageCommand); an empty picture is left alone.
    void Apply(const PictureChange &change);
    void Undo();
    void Redo();
    const TEditHistory &History() const { return history_; }

    // The pixels now on screen are what `path` holds.
    void MarkSaved(const std::string &path);

    void SetChangeListener(ChangeListener listener) { listener_ = std::move(listener); }

private:
    template <typename Change>
    void change(const Change &step);
    void changed(int oldWidth, int oldHeight);

    TBitmap picture_;
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
