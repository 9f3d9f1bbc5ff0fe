#include "app/frame_state.h"

#include "platform/file_names.h"

namespace vistrel {

FrameState::FrameState(std::string settingsFile, std::string shotsFolder, const std::string &pictureFolder)
    : settingsFile_(std::move(settingsFile)), shotsFolder_(std::move(shotsFolder)), lastPicturePath_("/")
{
    SetLastPicturePath(pictureFolder);
}

void FrameState::SetLastPicturePath(const std::string &folder)
{
    if (!folder.empty())
        lastPicturePath_ = WithTrailingSlash(folder);
}

void FrameState::PictureOpened(const std::string &path)
{
    SetLastPicturePath(ExtractFilePath(path));
}

void FrameState::RecordShot(const std::string &path)
{
    lastShotPath_ = path;
    PictureOpened(path);
}

} // namespace vistrel
