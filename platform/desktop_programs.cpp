#include "platform/desktop_programs.h"

#include <QStandardPaths>

namespace vistrel {

std::string PaintProgram()
{
    for (const char *candidate : {"kolourpaint", "pinta", "mtpaint", "gimp"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(candidate));
        if (!path.isEmpty())
            return path.toStdString();
    }
    return "xdg-open";
}

} // namespace vistrel
