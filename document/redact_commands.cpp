// The Tools menu's "Redact" commands: they hide the selected pixels for good.
#include "document/child_window.h"

#include "settings/ini_file.h"
#include "widgets/busy_cursor.h"
#include "widgets/error_message.h"

#include <QColorDialog>
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

// The colour last chosen for "Fill with Colour...", kept as #rrggbb.
const char kRedactSection[] = "Redact";
const char kFillColourKey[] = "Fill colour";

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
    QAction *fillWithColour = redact->addAction(QStringLiteral("Fill with Colour..."));
    fillWithColour->setObjectName(QStringLiteral("RedactFillColour"));
    command(fillWithColour, &TChild::RedactWithChosenColour);
    const auto follow = [redact] { redact->setEnabled(ProgramSelection().Exists()); };
    connect(&TSelectionNotifier::instance(), &TSelectionNotifier::changed, redact, follow);
    follow();
}

// The picture under the selection's coordinates, unscaled as for a copy, is replaced at once: the
// hidden pixels are not kept anywhere but in the undo history.
void TChild::RedactSelection(RedactMode mode, PaletteEntry fill)
{
    if (!ProgramSelection().Exists())
        return;
    const TRect area = SelectionSourceRect(ProgramSelection(), ToolBar1->height());
    const BusyCursor busy;
    document_.Apply([area, mode, fill](TBitmap &working, TBitmap &result) {
        Redact(working, area, mode, fill);
        result = std::move(working);
    });
    DrawSelectionFrame();
    ClearSelection();
}

void TChild::RedactWithChosenColour()
{
    const QColor last(QString::fromStdString(ReadIniString(settingsPath_, kRedactSection, kFillColourKey, "#ffffff")));
    const QColor chosen = QColorDialog::getColor(last.isValid() ? last : Qt::white, this, QStringLiteral("Fill Colour"));
    if (!chosen.isValid())
        return;
    RedactSelection(RedactMode::Fill, {static_cast<uint8_t>(chosen.blue()), static_cast<uint8_t>(chosen.green()),
                                       static_cast<uint8_t>(chosen.red())});
    WriteIniString(settingsPath_, kRedactSection, kFillColourKey, chosen.name().toStdString());
}

} // namespace vistrel
