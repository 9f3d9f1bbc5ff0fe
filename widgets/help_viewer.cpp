#include "widgets/help_viewer.h"

#include "platform/program_folder.h"
#include "widgets/error_message.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace vistrel {

void ShowHelpFile(QWidget *window)
{
    RunCommand(window, [] {
        const std::string helpFile = HelpFileToOpen();
        if (!helpFile.empty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(helpFile.c_str())));
    });
}

} // namespace vistrel
