#include "document/markup.h"

#include <algorithm>

namespace vistrel {

namespace {

int utf8Length(const std::string &text)
{
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

TRect pointBounds(const std::vector<MarkPoint> &points)
{
    if (points.empty())
        return {};
    TRect box{points[0].x, points[0].y, points[0].x + 1, points[0].y + 1};
    for (const MarkPoint &p : points) {
        box.Left = std::min(box.Left, p.x);
        box.Top = std::min(box.Top, p.y);
        box.Right = std::max(box.Right, p.x + 1);
        box.Bottom = std::max(box.Bottom, p.y + 1);
    }
    return box;
}

TRect widened(TRect box, int by)
{
    return {box.Left - by, box.Top - by, box.Right + by, box.Bottom + by};
}

} // namespace

bool Mark::operator==(const Mark &o) const
{
    return kind == o.kind && colour == o.colour && width == o.width && textSize == o.textSize && number == o.number &&
           text == o.text && points == o.points;
}

Mark ClampedMark(Mark mark)
{
    mark.width = std::clamp(mark.width, 1, kMaxMarkWidth);
    mark.textSize = std::clamp(mark.textSize, 4, kMaxMarkTextSize);
    return mark;
}

TRect MarkBounds(const Mark &mark)
{
    if (mark.points.empty())
        return {};
    const MarkPoint at = mark.points.front();
    switch (mark.kind) {
    case MarkKind::Text: {
        const int lineHeight = mark.textSize * 3 / 2;
        return {at.x, at.y, at.x + std::max(1, utf8Length(mark.text)) * mark.textSize * 2 / 3 + 1, at.y + lineHeight};
    }
    case MarkKind::Step:
        return widened({at.x, at.y, at.x + 1, at.y + 1}, mark.textSize + 1);
    case MarkKind::Arrow: // the head is wider than the stroke
        return widened(pointBounds(mark.points), 3 * mark.width + 6);
    default: return widened(pointBounds(mark.points), mark.width / 2 + 1);
    }
}

int MarkAt(const std::vector<Mark> &marks, int x, int y, int slack)
{
    for (int i = static_cast<int>(marks.size()) - 1; i >= 0; --i) {
        const TRect box = widened(MarkBounds(marks[i]), slack);
        if (x >= box.Left && x < box.Right && y >= box.Top && y < box.Bottom)
            return i;
    }
    return -1;
}

Mark MovedMark(Mark mark, int dx, int dy)
{
    for (MarkPoint &p : mark.points) {
        p.x += dx;
        p.y += dy;
    }
    return mark;
}

int NextStepNumber(const std::vector<Mark> &marks)
{
    int highest = 0;
    for (const Mark &mark : marks)
        if (mark.kind == MarkKind::Step)
            highest = std::max(highest, mark.number);
    return highest + 1;
}

} // namespace vistrel
