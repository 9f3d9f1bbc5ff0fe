#pragma once

#include "platform/bitmap.h"

#include <QImage>
#include <QRect>

#include <vector>

namespace vistrel {

// One monitor of a frozen desktop: its place in logical (device-independent) coordinates and its
// pixels at the monitor's own resolution, logical size × device pixel ratio.
struct MonitorCopy {
    QRect logicalRect;
    qreal devicePixelRatio = 1.0;
    QImage pixels; // Format_RGB32
};

// The whole virtual desktop as it was at one moment, each monitor at its place.
class ScreenCopy {
public:
    ScreenCopy() = default;
    explicit ScreenCopy(std::vector<MonitorCopy> monitors);

    const std::vector<MonitorCopy> &monitors() const { return monitors_; }
    // The logical rectangle that holds every monitor.
    QRect virtualRect() const { return virtualRect_; }
    // Physical pixels per logical pixel of a capture of `logical`: the highest ratio among the
    // monitors it touches, so no monitor under it loses resolution.
    qreal scaleFor(const QRect &logical) const;
    // The physical pixels under a logical rectangle of the virtual desktop, at scaleFor(logical).
    // Parts of the rectangle outside every monitor are black.
    TBitmap copyRect(const QRect &logical) const;

private:
    void copyMonitor(const MonitorCopy &monitor, const QRect &logical, qreal scale, TBitmap &out) const;

    std::vector<MonitorCopy> monitors_;
    QRect virtualRect_;
};

// One monitor as a grab returned it. Throws Error when the grab gave no picture or one of
// another size than the monitor's, which is how a failed read shows; black pixels are pixels.
MonitorCopy GrabbedMonitor(const QRect &logicalRect, qreal devicePixelRatio, QImage pixels);

// Where the frozen desktop comes from: the real screens, or a synthetic one in tests.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;
    // Throws Error when the desktop cannot be read.
    virtual ScreenCopy grab() = 0;
};

// Reads every QScreen of an X11 session. Other sessions (Wayland) do not let a program read
// the screen.
class QScreenSource final : public ScreenSource {
public:
    ScreenCopy grab() override;
    // Throws Error when this session's screens cannot be read at all.
    static void checkAvailable();
};

class SyntheticScreenSource final : public ScreenSource {
public:
    explicit SyntheticScreenSource(ScreenCopy copy) : copy_(std::move(copy)) {}
    ScreenCopy grab() override { return copy_; }

private:
    ScreenCopy copy_;
};

} // namespace vistrel
