#pragma once

#include "capture/capture_state.h"
#include "platform/screen_source.h"

#include <QRect>
#include <QWidget>

#include <exception>
#include <memory>
#include <string>

class QMessageBox;

namespace vistrel {

class CaptureShell;

// The capture overlay: a borderless window over the whole virtual desktop that shows the screen
// frozen as it was when it opened. The user drags a rectangle, drawn as an inverting outline over
// the frozen picture, and F1 to F12 write the pixels inside it as the next shot of that slot.
// The frozen picture itself is never drawn on, so every shot holds the screen's own pixels.
class TEraseF : public QWidget {
    Q_OBJECT
public:
    explicit TEraseF(std::shared_ptr<CaptureShell> shell);
    ~TEraseF() override;

    bool SingleShoot() const { return state_.SingleShoot; }
    void setSingleShoot(bool single) { state_.SingleShoot = single; }
    void setKeptRect(const TRect &kept) { state_.KeptRect = kept; }

    // Shows the overlay over `copy`, the desktop frozen as it was.
    void ShowFrozen(ScreenCopy copy);

    const CaptureState &state() const { return state_; }
    const XorLayer &outlines() const { return layer_; }
    const ScreenCopy &screenCopy() const { return copy_; }
    const std::string &LastShotName() const { return lastShotName_; }

    // Writes the next shot of `slot` from the rectangle r (client coordinates, any corner order).
    // Throws Error when nothing could be written; then nothing has changed.
    void SaveShot(int slot, const TRect &r);

    static QString ShotMessage(const std::string &shotPath);

Q_SIGNALS:
    // The rectangle the launcher remembers for its next multi-picture overlay.
    void keptRectHandedOver(QRect kept);
    // The overlay is done; the launcher comes back after `delayMs`.
    void launcherRequested(int delayMs);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void FormActivate();
    void FormDeactivate();
    void FormKeyDown(int key);
    void FormKeyPress(const QString &text);
    void draw(const std::vector<Outline> &outlines);
    bool askForAnotherShot();
    // Runs the box as a window of its own, or inside the overlay where windows over it would
    // never get the focus.
    int ask(QMessageBox &box);
    void reportFailedShot(const std::exception &error);
    TRect clientBounds() const;

    std::shared_ptr<CaptureShell> shell_;
    ScreenCopy copy_;
    CaptureState state_;
    XorLayer layer_;
    std::string lastShotName_;
    bool asking_ = false; // the overlay's own input waits while a message inside it is open
};

} // namespace vistrel
