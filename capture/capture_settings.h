#pragma once

#include "platform/picture_io.h"

#include <string>

namespace vistrel {

// The capture's choices kept in the settings file, section "Capture".
constexpr char kCaptureSection[] = "Capture";

// The type of the files the F-keys write: "PNG" in key "ShotType" gives PNG, anything else JPEG.
PictureFormat ReadShotFormat(const std::string &settingsFile);
void WriteShotFormat(const std::string &settingsFile, PictureFormat format);

// Seconds between "Start" and the frozen screen, key "Delay", 0 to kMaxDelaySeconds; other
// values read as the nearest of them.
constexpr int kMaxDelaySeconds = 10;
int ReadCaptureDelay(const std::string &settingsFile);
void WriteCaptureDelay(const std::string &settingsFile, int seconds);

} // namespace vistrel
