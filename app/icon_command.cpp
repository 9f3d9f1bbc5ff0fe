#include "app/main_window.h"

#include "document/child_window.h"
#include "icon/bmp2icon_form.h"

#include <QAction>
#include <QMdiArea>

namespace vistrel {

void TForm1::wireIconCommand()
{
    // The active window's picture file; with none (or a pasted picture) the converter starts
    // empty and the user browses for a picture.
    connect(actIcon, &QAction::triggered, this, [this] {
        TBMP2IconForm form(SettingsFile, this);
        if (auto *child = qobject_cast<TChild *>(mdiArea_->currentSubWindow()))
            form.SetInitialPath(child->PicName());
        form.exec();
    });
    actIcon->setEnabled(true);
}

} // namespace vistrel
