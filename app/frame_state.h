#pragma once

#include <string>

namespace vistrel {

// The paths the main window shares with the document and capture windows, with their rules:
// the picture folder is never empty and always ends in "/".
class FrameState {
public:
    FrameState(std::string settingsFile, std::string shotsFolder, const std::string &pictureFolder);

    const std::string &SettingsFile() const { return settingsFile_; }
    const std::string &ShotsFolder() const { return shotsFolder_; } // no trailing "/"
    const std::string &LastPicturePath() const { return lastPicturePath_; }
    const std::string &LastShotPath() const { return lastShotPath_; }

    // An empty folder (a picture without one) leaves the remembered folder as it was.
    void SetLastPicturePath(const std::string &folder);
    // The folder of a picture just opened.
    void PictureOpened(const std::string &path);
    // A shot was written: it is the last shot, and its folder the picture folder.
    void RecordShot(const std::string &path);

private:
    std::string settingsFile_;
    std::string shotsFolder_;
    std::string lastPicturePath_;
    std::string lastShotPath_;
};

} // namespace vistrel
