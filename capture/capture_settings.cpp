#include "capture/capture_settings.h"

#include "settings/ini_file.h"

#include <algorithm>

namespace vistrel {

namespace {

constexpr char kShotTypeKey[] = "ShotType";
constexpr char kDelayKey[] = "Delay";

} // namespace

PictureFormat ReadShotFormat(const std::string &settingsFile)
{
    return ReadIniString(settingsFile, kCaptureSection, kShotTypeKey, "JPEG") == "PNG" ? PictureFormat::Png
                                                                                       : PictureFormat::Jpeg;
}

void WriteShotFormat(const std::string &settingsFile, PictureFormat format)
{
    WriteIniString(settingsFile, kCaptureSection, kShotTypeKey, format == PictureFormat::Png ? "PNG" : "JPEG");
}

int ReadCaptureDelay(const std::string &settingsFile)
{
    return std::clamp(ReadIniInteger(settingsFile, kCaptureSection, kDelayKey, 0), 0, kMaxDelaySeconds);
}

void WriteCaptureDelay(const std::string &settingsFile, int seconds)
{
    WriteIniInteger(settingsFile, kCaptureSection, kDelayKey, std::clamp(seconds, 0, kMaxDelaySeconds));
}

} // namespace vistrel
