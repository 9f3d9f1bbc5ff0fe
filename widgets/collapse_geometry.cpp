#include "widgets/collapse_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace vistrel {

namespace {

// Rounded like the system's MulDiv: a * b / c to the nearest integer.
int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    return static_cast<int>(((product < 0) != (c < 0) ? product - half : product + half) / c);
}

enum class Pointing { Left, Right, Up, Down };

Pointing ArrowPointing(TAlign align, bool maximized)
{
    switch (align) {
    case alLeft: return maximized ? Pointing::Right : Pointing::Left;
    case alRight: return maximized ? Pointing::Left : Pointing::Right;
    case alTop: return maximized ? Pointing::Down : Pointing::Up;
    case alBottom: break;
    }
    return maximized ? Pointing::Up : Pointing::Down;
}

TRect EmptyRect() { return TRect{}; }

} // namespace

int ClampButtonWidth(int buttonWidth, TButtonWidthType type)
{
    const int atLeastZero = std::max(buttonWidth, 0);
    return type == btwPercentage ? std::min(atLeastZero, 100) : atLeastZero;
}

TRect SplitterButtonRect(TAlign align, int clientWidth, int clientHeight, TButtonWidthType type, int buttonWidth,
                         bool beveled)
{
    const bool upright = IsUprightBar(align);
    const int length = upright ? clientHeight : clientWidth;
    const int buttonLength = type == btwPercentage ? MulDiv(length, buttonWidth, 100) : buttonWidth;
    if (buttonLength <= 0)
        return EmptyRect();
    const int start = (length - buttonLength) / 2;
    const int across = 1 + (beveled ? 3 : 0);
    TRect rect = upright ? TRect{across, start, clientWidth - across, start + buttonLength}
                         : TRect{start, across, start + buttonLength, clientHeight - across};
    rect.Left = std::max(rect.Left, 1);
    rect.Top = std::max(rect.Top, 1);
    rect.Right = std::min(rect.Right, clientWidth - 1);
    rect.Bottom = std::min(rect.Bottom, clientHeight - 1);
    return rect;
}

bool RectContains(const TRect &rect, TPoint point)
{
    return point.X >= rect.Left && point.X < rect.Right && point.Y >= rect.Top && point.Y < rect.Bottom;
}

bool WithinButtonSpan(TAlign align, const TRect &button, TPoint point)
{
    return IsUprightBar(align) ? point.Y >= button.Top && point.Y <= button.Bottom
                               : point.X >= button.Left && point.X <= button.Right;
}

bool IsButtonClick(TAlign align, TPoint press, TPoint release)
{
    return IsUprightBar(align) ? std::abs(release.X - press.X) < 6 : std::abs(release.Y - press.Y) <= 5;
}

int DraggedNeighbourSize(TAlign align, int startSize, int dx, int dy, int minSize, int maxSize)
{
    int delta = 0;
    switch (align) {
    case alLeft: delta = dx; break;
    case alRight: delta = -dx; break;
    case alTop: delta = dy; break;
    case alBottom: delta = -dy; break;
    }
    return std::max(std::min(startSize + delta, maxSize), minSize);
}

ButtonLayout LayoutButton(TAlign align, int buttonWidth, int buttonHeight)
{
    ButtonLayout layout;
    layout.face = TRect{2, 2, std::max(buttonWidth - 1, 2), std::max(buttonHeight - 1, 2)};
    const TRect &face = layout.face;
    const bool upright = IsUprightBar(align);
    const int thickness = upright ? face.Width() : face.Height();
    const int n = std::max(thickness % 2 == 0 ? thickness - 1 : thickness, 1);
    const int arrowLength = 2 * n - 1;
    const int acrossStart = (upright ? face.Left : face.Top) + (thickness - n) / 2;
    const int firstStart = (upright ? face.Top : face.Left) + 4;
    const int secondStart = (upright ? face.Bottom : face.Right) - 4 - arrowLength;
    for (int i = 0; i < 2; ++i) {
        const int along = i == 0 ? firstStart : secondStart;
        layout.arrows[i] = upright ? TRect{acrossStart, along, acrossStart + n, along + arrowLength}
                                   : TRect{along, acrossStart, along + arrowLength, acrossStart + n};
    }
    TRect grip = upright ? TRect{face.Left, layout.arrows[0].Bottom + 4, face.Right, layout.arrows[1].Top - 4}
                         : TRect{layout.arrows[0].Right + 4, face.Top, layout.arrows[1].Left - 4, face.Bottom};
    layout.grip = grip.Width() > 2 && grip.Height() > 2 ? grip : EmptyRect();
    return layout;
}

std::array<TPoint, 3> ArrowTriangle(TAlign align, bool maximized, const TRect &box)
{
    const int right = box.Right - 1;
    const int bottom = box.Bottom - 1;
    const int middleX = (box.Left + right) / 2;
    const int middleY = (box.Top + bottom) / 2;
    switch (ArrowPointing(align, maximized)) {
    case Pointing::Left: return {{{box.Left, middleY}, {right, box.Top}, {right, bottom}}};
    case Pointing::Right: return {{{right, middleY}, {box.Left, box.Top}, {box.Left, bottom}}};
    case Pointing::Up: return {{{middleX, box.Top}, {box.Left, bottom}, {right, bottom}}};
    case Pointing::Down: break;
    }
    return {{{middleX, bottom}, {box.Left, box.Top}, {right, box.Top}}};
}

std::uint32_t DerivedHighlightColor(std::uint32_t captionRgb, std::uint32_t faceRgb)
{
    std::uint32_t result = 0;
    for (int shift : {16, 8, 0}) {
        const int caption = static_cast<int>((captionRgb >> shift) & 0xFF);
        const int face = static_cast<int>((faceRgb >> shift) & 0xFF);
        const int part = std::clamp(caption + MulDiv(180, face - caption, 255), 0, 255);
        result |= static_cast<std::uint32_t>(part) << shift;
    }
    return result;
}

void CollapseState::NoteStartSize(int neighbourSize)
{
    if (restoreSize_ == -1)
        restoreSize_ = neighbourSize;
}

CollapseStep CollapseState::SetMaximized(bool maximized, int neighbourSize, int minSize)
{
    if (maximized == maximized_)
        return {};
    maximized_ = maximized;
    if (maximized) {
        restoreSize_ = neighbourSize;
        return {true, minSize, SplitterEvent::Maximize};
    }
    return {true, restoreSize_, SplitterEvent::Restore};
}

CollapseStep CollapseState::AfterDrag(int neighbourSize, int minSize)
{
    const bool wasMaximized = maximized_;
    maximized_ = neighbourSize <= minSize;
    if (maximized_)
        return {true, minSize, wasMaximized ? SplitterEvent::None : SplitterEvent::Maximize};
    restoreSize_ = neighbourSize;
    return {false, 0, wasMaximized ? SplitterEvent::Restore : SplitterEvent::None};
}

} // namespace vistrel
