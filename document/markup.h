#pragma once

#include "platform/rect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vistrel {

enum class MarkKind { Rectangle, Ellipse, Line, Arrow, Pen, Highlighter, Text, Step };

struct MarkPoint {
    int x = 0;
    int y = 0;
    bool operator==(const MarkPoint &o) const { return x == o.x && y == o.y; }
};

struct MarkColour {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const MarkColour &o) const { return r == o.r && g == o.g && b == o.b; }
};

// One drawn mark above the picture, in the picture's pixels whatever the zoom. A small record,
// so the edit history keeps marks one by one rather than as snapshots of the picture.
struct Mark {
    MarkKind kind = MarkKind::Rectangle;
    MarkColour colour;
    int width = 3;      // stroke width
    int textSize = 24;  // Text: the letters' pixel height; Step: the number's (the circle is twice that)
    int number = 0;     // Step
    std::string text;   // Text, UTF-8
    // Rectangle, Ellipse, Line, Arrow: the two corners or ends as dragged. Pen, Highlighter: the
    // path. Text: the top-left corner. Step: the circle's centre.
    std::vector<MarkPoint> points;

    bool operator==(const Mark &o) const;
    bool operator!=(const Mark &o) const { return !(*this == o); }
};

// Widths and sizes outside these are clamped when a mark is made: a mark from a mistyped setting
// must not cover the picture or vanish.
constexpr int kMaxMarkWidth = 100;
constexpr int kMaxMarkTextSize = 400;
Mark ClampedMark(Mark mark);

// The pixels a mark may touch, stroke included; for text an estimate from the letter count.
TRect MarkBounds(const Mark &mark);
// The topmost mark whose bounds, widened by `slack` pixels, hold (x, y); -1 for none.
int MarkAt(const std::vector<Mark> &marks, int x, int y, int slack);
Mark MovedMark(Mark mark, int dx, int dy);
// Step markers count on from the highest number shown, so deleting one leaves a gap rather than
// renumbering the others.
int NextStepNumber(const std::vector<Mark> &marks);

} // namespace vistrel
