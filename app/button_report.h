#pragma once

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QAbstractButton>
#include <QMessageBox>
#include <QWidget>

#include <cstdio>

namespace vistrel {

// For scripts that drive the program (VISTREL_REPORT_BUTTONS): each time a window is shown or
// moved, and each time a message box shows inside a window, prints the centre of each of its
// buttons on the screen, in device pixels, as "button <text> <x> <y> <pixel ratio>" on stdout. A
// script then clicks where the program says its buttons are, whatever frame the window manager
// draws around the window. (Wayland tells a program nothing of its window's place: there the
// positions are the window's own.)
class ButtonReport : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const bool placed = event->type() == QEvent::Show || event->type() == QEvent::Move;
        if (placed && ((watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow())
                       || qobject_cast<QMessageBox *>(watched)))
            QTimer::singleShot(0, static_cast<QWidget *>(watched), [window = static_cast<QWidget *>(watched)] {
                print(*window);
            });
        return false;
    }

private:
    static void print(const QWidget &window)
    {
        if (!window.isVisible())
            return;
        const qreal ratio = window.devicePixelRatioF();
        for (const QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
            if (!button->isVisible() || button->text().isEmpty())
                continue;
            const QPoint centre = button->mapToGlobal(button->rect().center());
            std::printf("button %s %d %d %g\n", qPrintable(button->text().replace('\n', ' ').replace(' ', '_')),
                        qRound(centre.x() * ratio), qRound(centre.y() * ratio), ratio);
        }
        std::fflush(stdout);
    }
};

} // namespace vistrel
