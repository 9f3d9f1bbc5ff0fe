#include "app/main_window.h"

#include "document/child_window.h"
#include "icon/bmp2icon_form.h"

#include <QAction>
#include <QMdiArea>

namespace vistrel {

void TForm1::wireIconCommand()
{
    // The active window's picture file, saved first if the user wants; with no window the
    // converter starts empty and the user browses for a picture.
    connect(actIcon, &QAction::triggered, this, [this] {
        std::string file;
        if (auto *child = qobject_cast<TChild *>(mdiArea_->currentSubWindow())) {
            file = child->FileToHandOver();
            if (file.empty())
                return;
        }
        TBMP2IconForm form(state_.SettingsFile(), this);
        form.SetInitialPath(file);
        form.exec();
    });
    actIcon->setEnabled(true);
}

} // namespace vistrel
