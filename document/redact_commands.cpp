// The Tools menu's "Redact" commands: they hide the selected pixels for good.
#include "document/child_window.h"

#include "widgets/busy_cursor.h"
#include "widgets/error_message.h"

#include <QMenu>
#include <QToolBar>

namespace vistrel {

namespace {

struct RedactItem {
    const char *name;
    const char *caption;
    RedactMode mode;
};
constexpr RedactItem kRedactItems[] = {
    {"RedactPixelate", "Pixelate", RedactMode::Pixelate},
    {"RedactBlur", "Blur", RedactMode::Blur},
    {"RedactFill", "Fill Black", RedactMode::Fill},
};

} // namespace

void TChild::createRedactMenu()
{
    ToolsMenu->addSeparator();
    QMenu *redact = ToolsMenu->addMenu(QStringLiteral("Redact"));
    redact->setObjectName(QStringLiteral("RedactMenu"));
    redact->menuAction()->setStatusTip(QStringLiteral("Hide the selected part of the picture for good"));
    for (const RedactItem &item : kRedactItems) {
        QAction *action = redact->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        const RedactMode mode = item.mode;
        connect(action, &QAction::triggered, this, [this, mode] { RunCommand(this, [this, mode] { RedactSelection(mode); }); });
    }
    const auto follow = [redact] { redact->setEnabled(ProgramSelection().Exists()); };
    connect(&TSelectionNotifier::instance(), &TSelectionNotifier::changed, redact, follow);
    follow();
}

// The picture under the selection's coordinates, unscaled as for a copy, is replaced at once: the
// hidden pixels are not kept anywhere but in the undo history.
void TChild::RedactSelection(RedactMode mode)
{
    if (!ProgramSelection().Exists())
        return;
    const TRect area = SelectionSourceRect(ProgramSelection(), ToolBar1->height());
    const BusyCursor busy;
    document_.Apply([area, mode](TBitmap &working, TBitmap &result) {
        Redact(working, area, mode);
        result = std::move(working);
    });
    DrawSelectionFrame();
    ClearSelection();
}

} // namespace vistrel
