#include "about/system_info.h"

#include <QSysInfo>

#include <set>
#include <sys/statvfs.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace vistrel {

namespace {

// /proc/meminfo and the mount table are a few kilobytes; more is not read.
constexpr std::streamsize kProcFileLimit = 256 * 1024;

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

std::string ReadSmallFile(const char *path)
{
    std::ifstream file(path);
    std::string text(static_cast<size_t>(kProcFileLimit), '\0');
    file.read(text.data(), kProcFileLimit);
    text.resize(static_cast<size_t>(file.gcount()));
    return text;
}

std::int64_t BytesFree(const std::string &mountPoint)
{
    struct statvfs figures {};
    if (::statvfs(mountPoint.c_str(), &figures) != 0)
        return 0;
    return static_cast<std::int64_t>(figures.f_bavail) * static_cast<std::int64_t>(figures.f_frsize);
}

// The mount table escapes blanks and backslashes in paths as three octal digits.
bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

std::string UnescapeMountPath(const std::string &field)
{
    std::string path;
    for (size_t i = 0; i < field.size(); ++i) {
        const bool escape = field[i] == '\\' && i + 3 < field.size() && IsOctalDigit(field[i + 1]) &&
                            IsOctalDigit(field[i + 2]) && IsOctalDigit(field[i + 3]);
        if (escape) {
            path += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            path += field[i];
        }
    }
    return path;
}

} // namespace

std::vector<std::string> LocalVolumeMountPoints(const std::string &mounts)
{
    std::vector<std::string> points{"/"};
    std::set<std::string> devices;
    std::istringstream lines(mounts);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type, options;
        if (!(fields >> device >> mountPoint >> type >> options))
            continue;
        const bool blockDevice = device.size() > 1 && device[0] == '/' && device[1] != '/';
        const bool readOnly = ("," + options + ",").find(",ro,") != std::string::npos;
        mountPoint = UnescapeMountPath(mountPoint);
        if (mountPoint == "/") {
            devices.insert(device);
            continue;
        }
        if (!blockDevice || readOnly || !devices.insert(device).second)
            continue;
        points.push_back(mountPoint);
    }
    return points;
}

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
    info.MemoryText = FormatMemory(ReadSmallFile("/proc/meminfo"));
    std::vector<TVolumeSpace> volumes;
    for (const std::string &point : LocalVolumeMountPoints(ReadSmallFile("/proc/self/mounts")))
        volumes.push_back({QString::fromStdString(point), BytesFree(point)});
    FormatVolumes(volumes, info);
    return info;
}

} // namespace vistrel
