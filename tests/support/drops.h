#pragma once

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <QWidget>

namespace vistrel::testing {

// The full sequence a drag of files from a file manager delivers to target: enter, move, drop,
// offering copy and move. Returns the action the target answered, IgnoreAction when it refused.
inline Qt::DropAction DropUrls(QWidget *target, const QPoint &point, const QStringList &paths, Qt::KeyboardModifiers modifiers)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    mime.setUrls(urls);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(point, actions, &mime, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(point, actions, &mime, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(point), actions, &mime, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

} // namespace vistrel::testing
