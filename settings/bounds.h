#pragma once

#include <string>

namespace vistrel {

// A form's rectangle as the settings file keeps it: right = left + width, bottom = top + height.
struct BoundsRect {
    int left = 10;
    int top = 10;
    int right = 600;
    int bottom = 500;

    // Width and height as a form can take them: never negative, whatever the file holds.
    int Width() const;
    int Height() const;
    // Saturates at the 32-bit range instead of overflowing for far-off positions.
    static BoundsRect FromPositionAndSize(int left, int top, int width, int height);

    bool operator==(const BoundsRect &o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// `stored` brought inside the desktop rectangle `desktop` (available screen space, in the same
// coordinates): no larger than it, and moved the least distance that puts it wholly inside, so
// the title bar can always be reached. Bounds already inside come back unchanged.
BoundsRect FitBounds(const BoundsRect &stored, const BoundsRect &desktop);

// The settings path as the bounds routines use it: empty stays empty (nothing is done), and a
// path that is not absolute is taken from the root folder, "/" put in front of it.
std::string BoundsIniPath(const std::string &path);
// Reads "Left", "Top", "Right", "Bottom" of section "Bounds" in this order, each defaulting to
// the value of a fresh BoundsRect. False when the path is empty or the file does not exist (the
// form keeps its bounds).
bool ReadBoundsRect(const std::string &path, BoundsRect &bounds);
// Writes the four keys in the same order; the file need not exist. An empty path does nothing.
void WriteBoundsRect(const std::string &path, const BoundsRect &bounds);

} // namespace vistrel
