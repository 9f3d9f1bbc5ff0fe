#pragma once

#include "capture/capture_state.h"
#include "platform/screen_source.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QLabel;
class QMenu;
class QToolButton;

namespace vistrel {

class CaptureShell;
class TEraseF;
class TShapeForm;

// The small shaped "camera" window from which a capture run is started and ended.
class TStartF : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 193;
    static constexpr int kClientHeight = 254;
    static constexpr int kHandOverMs = 40;

    TStartF(std::shared_ptr<CaptureShell> shell, std::shared_ptr<ScreenSource> screen);
    ~TStartF() override;

    // The selection of the overlay that was last active; empty in a new launcher.
    TRect RememberedRect;

    TShapeForm *ShapeForm1 = nullptr;
    QToolButton *SpeedButton1 = nullptr; // "Start"
    QToolButton *SpeedButton2 = nullptr; // "Off"
    QToolButton *SpeedButton3 = nullptr; // multi picture

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void ShowLastShot();

    // The overlay opened last, while it exists.
    TEraseF *overlay() const;

    // The pop-up menu: the shots' file type and the delay before the screen is frozen.
    QMenu *popupMenu() const { return popup_; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void loadArtwork();
    QToolButton *makeButton(const QString &caption, const QString &hint, const QRect &place);
    void buildPopupMenu();
    void openOverlay(bool singleShoot);
    void countDown(TEraseF *overlay, bool singleShoot, int seconds);
    void freezeScreen(TEraseF *overlay, bool singleShoot);
    void showOverlay(TEraseF *overlay, bool singleShoot, ScreenCopy copy);
    void screenRefused(TEraseF *overlay, const std::string &message);
    void comeBack(int delayMs);

    std::shared_ptr<CaptureShell> shell_;
    std::shared_ptr<ScreenSource> screen_;
    QPointer<TEraseF> overlay_;
    QMenu *popup_ = nullptr;
    QLabel *countDown_ = nullptr; // a window of its own, never in the frozen picture
};

} // namespace vistrel
