#include "settings/bounds.h"

#include "settings/ini_file.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <sys/stat.h>

namespace vistrel {

namespace {

const char kSection[] = "Bounds";

int saturated(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

int extent(int from, int to)
{
    return saturated(std::max<int64_t>(0, int64_t(to) - from));
}

bool fileExists(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

int BoundsRect::Width() const
{
    return extent(left, right);
}

int BoundsRect::Height() const
{
    return extent(top, bottom);
}

BoundsRect BoundsRect::FromPositionAndSize(int left, int top, int width, int height)
{
    return {left, top, saturated(int64_t(left) + width), saturated(int64_t(top) + height)};
}

BoundsRect FitBounds(const BoundsRect &stored, const BoundsRect &desktop)
{
    const int width = std::min(stored.Width(), desktop.Width());
    const int height = std::min(stored.Height(), desktop.Height());
    const int64_t left = std::clamp<int64_t>(stored.left, desktop.left, int64_t(desktop.left) + desktop.Width() - width);
    const int64_t top = std::clamp<int64_t>(stored.top, desktop.top, int64_t(desktop.top) + desktop.Height() - height);
    return BoundsRect::FromPositionAndSize(static_cast<int>(left), static_cast<int>(top), width, height);
}

std::string BoundsIniPath(const std::string &path)
{
    if (path.empty() || path.front() == '/')
        return path;
    return "/" + path;
}

bool ReadBoundsRect(const std::string &path, BoundsRect &bounds)
{
    const std::string file = BoundsIniPath(path);
    if (file.empty() || !fileExists(file))
        return false;
    const BoundsRect defaults;
    bounds.left = ReadIniInteger(file, kSection, "Left", defaults.left);
    bounds.top = ReadIniInteger(file, kSection, "Top", defaults.top);
    bounds.right = ReadIniInteger(file, kSection, "Right", defaults.right);
    bounds.bottom = ReadIniInteger(file, kSection, "Bottom", defaults.bottom);
    return true;
}

void WriteBoundsRect(const std::string &path, const BoundsRect &bounds)
{
    const std::string file = BoundsIniPath(path);
    if (file.empty())
        return;
    WriteIniInteger(file, kSection, "Left", bounds.left);
    WriteIniInteger(file, kSection, "Top", bounds.top);
    WriteIniInteger(file, kSection, "Right", bounds.right);
    WriteIniInteger(file, kSection, "Bottom", bounds.bottom);
}

} // namespace vistrel
