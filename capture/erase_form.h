#pragma once

#include "capture/capture_state.h"
#include "platform/screen_source.h"

#include <QRect>
#include <QWidget>

#include <exception>
#include <memory>
#include <string>

class QLabel;
class QTimer;
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

    // Shows the overlay over `copy`, the desktop frozen as it was, with the frames of its windows
    // at that moment (top-most first, desktop coordinates) for a double-click to select.
    void ShowFrozen(ScreenCopy copy, std::vector<QRect> windowFrames = {});

    const CaptureState &state() const { return state_; }
    const XorLayer &outlines() const { return layer_; }
    const ScreenCopy &screenCopy() const { return copy_; }
    const std::string &LastShotName() const { return lastShotName_; }

    // Writes the next shot of `slot` from the rectangle r (client coordinates, any corner order).
    // Throws Error when nothing could be written; then nothing has changed.
    void SaveShot(int slot, const TRect &r);
    // Puts the pixels SaveShot would write on the clipboard, as an image; no file is written.
    void CopyShot(const TRect &r);

    static QString ShotMessage(const std::string &shotPath);

    // Where the selection's size and the magnifier are drawn over the frozen picture.
    QRegion aidsArea() const { return QRegion(sizeLabelArea_) + magnifierArea_ + outlineOfWindow(restingOn_); }

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
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void FormActivate();
    void FormDeactivate();
    void FormKeyDown(int key);
    void FormKeyPress(const QString &text);
    TBitmap shotPixels(const TRect &r) const;
    void showNotice(const QString &text);
    void nudge(const QKeyEvent *event);
    QString sizeText() const;
    QRect placeBeside(const QRect &target, QSize size, int gap) const;
    void placeAids();
    void paintSizeLabel(QPainter &painter) const;
    void paintMagnifier(QPainter &painter) const;
    const QRect *windowAt(QPoint at) const;
    void showWindowUnderPointer();
    static QRegion outlineOfWindow(const QRect &frame);
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
    QLabel *notice_ = nullptr; // drawn over the frozen picture, never into it
    QPoint pointer_{-1, -1};   // client coordinates; outside while the pointer is elsewhere
    QRect sizeLabelArea_, magnifierArea_;
    std::vector<QRect> windowFrames_; // client coordinates
    bool snapped_ = false;            // the release after a double-click keeps its selection
    QTimer *restTimer_ = nullptr;     // the pointer rests: its window is outlined
    QRect restingOn_;
    bool asking_ = false; // the overlay's own input waits while a message inside it is open
};

} // namespace vistrel
