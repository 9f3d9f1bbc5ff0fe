#pragma once

#include "platform/rect.h"

#include <cstdint>
#include <vector>

namespace vistrel {

struct Point {
    int32_t x = 0, y = 0;
    bool operator==(const Point &o) const { return x == o.x && y == o.y; }
};

TRect NormalizeRect(const TRect &r);

// The pixels a shot of selection `selection` holds, on an overlay whose client area is `bounds`:
// the ordered selection (or the whole overlay when it has no height) less a one-pixel border that
// carries the outline. Throws Error when that leaves nothing (a selection under 3 pixels).
TRect ShotArea(const TRect &selection, const TRect &bounds);

enum class PenStyle { Solid, Dotted, Dashed };

// One NOT-XOR outline drawn over the frozen screen: the border pixels of the ordered rectangle,
// left..Right-1 and top..Bottom-1. Drawing the same outline again takes it away.
struct Outline {
    TRect rect; // ordered, at least one pixel wide and high
    PenStyle style = PenStyle::Solid;
    bool operator==(const Outline &o) const { return rect == o.rect && style == o.style; }
};

// The outlines currently inverted on the screen. Inversions commute, so the screen is the frozen
// copy with each listed outline inverted once, whatever order they were drawn in.
class XorLayer {
public:
    void toggle(const Outline &outline);
    const std::vector<Outline> &outlines() const { return outlines_; }

private:
    std::vector<Outline> outlines_;
};

// The overlay's selection and outline logic, independent of any window. Each event returns the
// outlines it draws (XorRect calls), in order; the window inverts them on the screen.
class CaptureState {
public:
    bool SingleShoot = true;
    bool Drawing = false;
    Point AnchorPoint, DownPoint, UpPoint, LastPoint;
    TRect SelRect, ShownRect, KeptRect;

    std::vector<Outline> FormActivate();
    std::vector<Outline> FormMouseDown(Point at);
    std::vector<Outline> FormMouseMove(Point at);
    void FormMouseUp(Point at);
    // After a shot was written: in single-shot mode its outline is taken away.
    std::vector<Outline> ShotWritten();
    // Moves the selection by (dx, dy), or only its right and bottom edges when `edgesOnly`, and
    // shows its outline. Nothing happens while dragging, without a selection, or when the result
    // would leave `bounds` or lose its width or height.
    std::vector<Outline> Nudge(int dx, int dy, bool edgesOnly, const TRect &bounds);
    // Makes `r` (ordered) the selection, as if it had been dragged, and shows its outline.
    std::vector<Outline> Select(const TRect &r);

    PenStyle penStyle() const { return pen_; }

private:
    void XorRect(const TRect &r, std::vector<Outline> &drawn) const;

    PenStyle pen_ = PenStyle::Solid;
};

} // namespace vistrel
