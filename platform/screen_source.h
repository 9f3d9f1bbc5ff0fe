#pragma once

#include "platform/bitmap.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <string>

#include <vector>

class QWindow;

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

// Where the frozen desktop comes from: the real screens, the desktop portal, or a synthetic
// desktop in tests.
class ScreenSource {
public:
    using Done = std::function<void(ScreenCopy)>;
    // Why no copy came; empty when the user cancelled (there is nothing to tell).
    using Failed = std::function<void(const std::string &message)>;

    virtual ~ScreenSource() = default;
    // Asks for the desktop as it is now. Exactly one of `done` and `failed` runs, on this thread,
    // maybe before request() returns, never after the source is destroyed. Questions the desktop
    // asks the user on the way belong to `parent` (may be null).
    virtual void request(const QWindow *parent, Done done, Failed failed) = 0;
};

// A source that reads the desktop at once.
class DirectScreenSource : public ScreenSource {
public:
    // Throws Error when the desktop cannot be read.
    virtual ScreenCopy grab() = 0;
    void request(const QWindow *parent, Done done, Failed failed) override;
};

// Reads every QScreen of an X11 session. Other sessions (Wayland) do not let a program read
// the screen.
class QScreenSource final : public DirectScreenSource {
public:
    ScreenCopy grab() override;
    // True when this session lets a program read its screens itself.
    static bool readsThisSession();
};

class SyntheticScreenSource final : public DirectScreenSource {
public:
    explicit SyntheticScreenSource(ScreenCopy copy) : copy_(std::move(copy)) {}
    ScreenCopy grab() override { return copy_; }

private:
    ScreenCopy copy_;
};

// The desktop as one picture, as a screenshot service returns it, laid over the monitors at
// their logical places. The picture's own size sets the physical pixels per logical pixel, so
// any scale the desktop uses maps exactly; no monitors stands for one that the picture fills.
ScreenCopy DesktopPictureToScreenCopy(const QImage &picture, const std::vector<QRect> &monitors);

// The logical places of this session's monitors.
std::vector<QRect> MonitorPlaces();

} // namespace vistrel
