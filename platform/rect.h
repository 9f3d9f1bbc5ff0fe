#pragma once

namespace vistrel {

// A rectangle of pixels; Right and Bottom are exclusive. A rectangle dragged with the mouse keeps
// its corners as dragged, so Left may exceed Right; all zero is the empty rectangle.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect &o) const
    {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool operator!=(const TRect &o) const { return !(*this == o); }
};

} // namespace vistrel
