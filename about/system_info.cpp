#include "about/system_info.h"

#include <QSet>
#include <QStorageInfo>
#include <QSysInfo>

#include <cmath>
#include <fstream>
#include <sstream>

namespace vistrel {

namespace {

// /proc/meminfo is a few kilobytes; anything longer is not it.
constexpr std::streamsize kMeminfoLimit = 64 * 1024;

// The leading decimal numbers of a dotted text, as many as are wanted; missing ones are 0.
std::vector<int> LeadingNumbers(const std::string &text, size_t wanted)
{
    std::vector<int> numbers(wanted, 0);
    size_t at = 0;
    for (size_t i = 0; i < wanted; ++i) {
        long long value = 0;
        size_t digits = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 9) {
            value = value * 10 + (text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0)
            break;
        numbers[i] = static_cast<int>(value);
        if (at >= text.size() || text[at] != '.')
            break;
        ++at;
    }
    return numbers;
}

long long MeminfoKilobytes(const std::string &meminfo, const std::string &key)
{
    std::istringstream lines(meminfo);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, key.size() + 1, key + ":") != 0)
            continue;
        std::istringstream fields(line.substr(key.size() + 1));
        long long kilobytes = 0;
        return (fields >> kilobytes) && kilobytes >= 0 ? kilobytes : 0;
    }
    return 0;
}

long long RoundedMegabytes(std::int64_t bytes)
{
    return static_cast<long long>(std::nearbyint(static_cast<double>(bytes) / 1024.0 / 1024.0));
}

std::string ReadMeminfo()
{
    std::ifstream file("/proc/meminfo");
    std::string text(static_cast<size_t>(kMeminfoLimit), '\0');
    file.read(text.data(), kMeminfoLimit);
    text.resize(static_cast<size_t>(file.gcount()));
    return text;
}

// "/" first and always; then each other ready volume once, at its first mount point (bind
// mounts show the same device again).
std::vector<TVolumeSpace> MountedVolumes()
{
    std::vector<TVolumeSpace> volumes;
    const QStorageInfo root = QStorageInfo::root();
    volumes.push_back({root.rootPath(), root.isReady() ? root.bytesAvailable() : 0});
    QSet<QByteArray> devices{root.device()};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || volume.isRoot() || devices.contains(volume.device()))
            continue;
        devices.insert(volume.device());
        volumes.push_back({volume.rootPath(), volume.bytesAvailable()});
    }
    return volumes;
}

} // namespace

TVersionParts ParseVersion(const QString &version)
{
    const std::vector<int> parts = LeadingNumbers(version.toStdString(), 4);
    return {parts[0], parts[1], parts[2], parts[3]};
}

QString FormatOSVersion(const std::string &kernelRelease)
{
    const std::vector<int> parts = LeadingNumbers(kernelRelease, 3);
    return QStringLiteral("%1.%2   Build : %3").arg(parts[0]).arg(parts[1]).arg(parts[2]);
}

QString FormatMemory(const std::string &meminfo)
{
    return QStringLiteral("Tot: %1 KB     Avl: %2 KB")
        .arg(MeminfoKilobytes(meminfo, "MemTotal"))
        .arg(MeminfoKilobytes(meminfo, "MemAvailable"));
}

void FormatVolumes(const std::vector<TVolumeSpace> &volumes, TSystemInfo &info)
{
    constexpr size_t kLowCount = 4; // C to F
    for (size_t i = 0; i < volumes.size(); ++i) {
        const QString text =
            QStringLiteral("%1: %2 MB  ").arg(volumes[i].name).arg(RoundedMegabytes(volumes[i].bytesFree));
        (i < kLowCount ? info.DrivesLow : info.DrivesHigh) += text;
    }
}

QString SystemInfoMessage(const TSystemInfo &info)
{
    return QStringLiteral("You are probably Running ") + info.OSName + QStringLiteral("\nVersion Info: ") +
           info.OSVersion + QStringLiteral("\nFree Memory: ") + info.MemoryText +
           QStringLiteral("\nFree Hard disk Space: \n") + info.DrivesLow + QStringLiteral("\n") + info.DrivesHigh;
}

TSystemInfo ReadSystemInfo()
{
    TSystemInfo info;
    info.OSName = QSysInfo::prettyProductName();
    info.OSVersion = FormatOSVersion(QSysInfo::kernelVersion().toStdString());
    info.MemoryText = FormatMemory(ReadMeminfo());
    FormatVolumes(MountedVolumes(), info);
    return info;
}

} // namespace vistrel
