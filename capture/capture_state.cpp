#include "capture/capture_state.h"

#include "platform/error.h"

#include <algorithm>

namespace vistrel {

Rect NormalizeRect(const Rect &r)
{
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

Rect ShotArea(const Rect &selection, const Rect &bounds)
{
    Rect r = NormalizeRect(selection);
    if (r.bottom == r.top)
        r = bounds;
    if (r.width() < 3 || r.height() < 3)
        throw Error("The selected rectangle is too small to capture: drag one at least 3 pixels wide "
                    "and high, or click once without dragging to capture the whole screen.");
    return {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

void XorLayer::toggle(const Outline &outline)
{
    const auto found = std::find(outlines_.begin(), outlines_.end(), outline);
    if (found != outlines_.end())
        outlines_.erase(found);
    else
        outlines_.push_back(outline);
}

void CaptureState::XorRect(const Rect &r, std::vector<Outline> &drawn) const
{
    const Rect ordered = NormalizeRect(r);
    if (ordered.width() > 0 && ordered.height() > 0)
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
        const Rect dragged{AnchorPoint.x, AnchorPoint.y, at.x, at.y};
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

} // namespace vistrel
