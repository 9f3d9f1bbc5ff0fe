#include "capture/capture_state.h"

#include "platform/error.h"

#include <algorithm>

namespace vistrel {

TRect NormalizeRect(const TRect &r)
{
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

TRect ShotArea(const TRect &selection, const TRect &bounds)
{
    TRect r = NormalizeRect(selection);
    if (r.Bottom == r.Top)
        r = bounds;
    if (r.Width() < 3 || r.Height() < 3)
        throw Error("The selected rectangle is too small to capture: drag one at least 3 pixels wide "
                    "and high, or click once without dragging to capture the whole screen.");
    return {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
}

void XorLayer::toggle(const Outline &outline)
{
    const auto found = std::find(outlines_.begin(), outlines_.end(), outline);
    if (found != outlines_.end())
        outlines_.erase(found);
    else
        outlines_.push_back(outline);
}

void CaptureState::XorRect(const TRect &r, std::vector<Outline> &drawn) const
{
    const TRect ordered = NormalizeRect(r);
    if (ordered.Width() > 0 && ordered.Height() > 0)
        drawn.push_back({ordered, pen_});
}

std::vector<Outline> CaptureState::FormActivate()
{
    std::vector<Outline> drawn;
    if (SingleShoot) {
        ShownRect = {};
    } else {
        SelRect = KeptRect;
        pen_ = PenStyle::Dashed;
        XorRect(SelRect, drawn);
    }
    return drawn;
}

std::vector<Outline> CaptureState::FormMouseDown(Point at)
{
    std::vector<Outline> drawn;
    if (SingleShoot) {
        XorRect(ShownRect, drawn);
        SelRect = ShownRect = KeptRect = {};
    }
    XorRect(SelRect, drawn);
    pen_ = PenStyle::Dotted;
    Drawing = true;
    DownPoint = AnchorPoint = LastPoint = at;
    return drawn;
}

std::vector<Outline> CaptureState::FormMouseMove(Point at)
{
    std::vector<Outline> drawn;
    if (Drawing) {
        XorRect({AnchorPoint.x, AnchorPoint.y, LastPoint.x, LastPoint.y}, drawn);
        const TRect dragged{AnchorPoint.x, AnchorPoint.y, at.x, at.y};
        XorRect(dragged, drawn);
        SelRect = ShownRect = KeptRect = dragged;
    }
    LastPoint = at;
    return drawn;
}

void CaptureState::FormMouseUp(Point at)
{
    UpPoint = at;
    if (at.x == DownPoint.x || at.y == DownPoint.y)
        ShownRect = SelRect = KeptRect = {};
    Drawing = false;
}

std::vector<Outline> CaptureState::ShotWritten()
{
    std::vector<Outline> drawn;
    if (SingleShoot)
        XorRect(ShownRect, drawn);
    ShownRect = {};
    return drawn;
}

std::vector<Outline> CaptureState::Nudge(int dx, int dy, bool edgesOnly, const TRect &bounds)
{
    const TRect old = NormalizeRect(SelRect);
    const TRect moved{old.Left + (edgesOnly ? 0 : dx), old.Top + (edgesOnly ? 0 : dy), old.Right + dx, old.Bottom + dy};
    const bool inside = moved.Left >= bounds.Left && moved.Top >= bounds.Top && moved.Right <= bounds.Right &&
                        moved.Bottom <= bounds.Bottom;
    if (Drawing || old.Width() == 0 || old.Height() == 0 || !inside || moved.Width() <= 0 || moved.Height() <= 0)
        return {};
    return Select(moved);
}

std::vector<Outline> CaptureState::Select(const TRect &r)
{
    std::vector<Outline> drawn;
    // In single-shot mode a written shot took its outline away; otherwise it is on the screen.
    if (!SingleShoot || ShownRect == SelRect)
        XorRect(SelRect, drawn);
    XorRect(r, drawn);
    SelRect = KeptRect = NormalizeRect(r);
    if (SingleShoot)
        ShownRect = SelRect;
    Drawing = false;
    return drawn;
}

} // namespace vistrel
