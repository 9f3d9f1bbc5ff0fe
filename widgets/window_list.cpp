#include "widgets/window_list.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

namespace vistrel {

namespace {

const char kListedProperty[] = "vistrelWindowListItem";

} // namespace

void ListDocumentWindows(QMenu &menu, QMdiArea &area)
{
    for (QAction *action : menu.actions())
        if (action->property(kListedProperty).toBool())
            delete action;
    const QList<QMdiSubWindow *> windows = area.subWindowList();
    if (windows.isEmpty())
        return;
    menu.addSeparator()->setProperty(kListedProperty, true);
    int number = 0;
    for (QMdiSubWindow *window : windows) {
        // Numbered as every MDI program does; the first nine take their digit as accelerator.
        const QString prefix = ++number < 10 ? QStringLiteral("&%1 ").arg(number) : QStringLiteral("%1 ").arg(number);
        QAction *item = menu.addAction(prefix + window->windowTitle());
        item->setProperty(kListedProperty, true);
        item->setCheckable(true);
        item->setChecked(window == area.activeSubWindow());
        QObject::connect(item, &QAction::triggered, &area, [&area, target = QPointer<QMdiSubWindow>(window)] {
            if (!target)
                return;
            if (target->isMinimized())
                target->showNormal();
            area.setActiveSubWindow(target);
        });
    }
}

} // namespace vistrel
