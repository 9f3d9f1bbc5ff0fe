#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace vistrel {

// The four parts of the program's version, from the one version number of the build.
struct TVersionParts {
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
};

// "1.2.3.4" gives all four parts; missing or unreadable parts are 0.
TVersionParts ParseVersion(const QString &version);

// What the about box's system information button reports.
struct TSystemInfo {
    QString OSName;
    QString OSVersion;
    QString MemoryText;
    QString DrivesLow;  // the first four volumes
    QString DrivesHigh; // the rest
};

struct TVolumeSpace {
    QString name; // the mount point
    std::int64_t bytesFree = 0;
};

// "major.minor   Build : patch" from a kernel release such as "6.1.0-18-amd64".
QString FormatOSVersion(const std::string &kernelRelease);

// "Tot: N KB     Avl: N KB" from the text of /proc/meminfo; unknown figures are 0.
QString FormatMemory(const std::string &meminfo);

// Each volume as "NAME: N MB  " with N rounded to the nearest megabyte (halves to even); the
// first four go to DrivesLow, the rest to DrivesHigh.
void FormatVolumes(const std::vector<TVolumeSpace> &volumes, TSystemInfo &info);

// The mount points whose free space is listed, from the text of /proc/self/mounts: "/" first,
// then each other writable volume of a local block device once (bind mounts repeat a device).
// Network and virtual file systems are left out: asking a lost server could hang the window.
std::vector<std::string> LocalVolumeMountPoints(const std::string &mounts);

// The text of the system information message.
QString SystemInfoMessage(const TSystemInfo &info);

// Reads this machine's figures afresh: the distribution's name, the kernel's version,
// /proc/meminfo and the free space of the LocalVolumeMountPoints.
TSystemInfo ReadSystemInfo();

} // namespace vistrel
