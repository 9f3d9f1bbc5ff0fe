#pragma once

#include <string>

namespace vistrel {

// A form's rectangle as the settings file keeps it: right = left + width, bottom = top + height.
struct BoundsRect {
    int left = 10;
    int top = 10;
    int right = 600;
    int bottom = 500;
    bool operator==(const BoundsRect &o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// The settings path as the bounds routines use it: empty stays empty (nothing is done).
std::string BoundsIniPath(const std::string &path);
// False when the path is empty or the file does not exist (the form keeps its bounds).
bool ReadBoundsRect(const std::string &path, BoundsRect &bounds);
void WriteBoundsRect(const std::string &path, const BoundsRect &bounds);

} // namespace vistrel
