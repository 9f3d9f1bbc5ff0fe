#include "platform/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>
#include <unistd.h>

namespace vistrel {

namespace {

std::string withSlash(QString folder)
{
    if (!folder.endsWith('/'))
        folder += '/';
    return folder.toStdString();
}

} // namespace

ProgramFolders LocateProgramFolders()
{
    if (const char *home = std::getenv("VISTREL_HOME"); home && *home) {
        QDir().mkpath(QString::fromLocal8Bit(home));
        const std::string folder = withSlash(QDir(QString::fromLocal8Bit(home)).absolutePath());
        return {folder, folder};
    }
    const QString exeFolder = QCoreApplication::applicationDirPath();
    if (::access(QFile::encodeName(exeFolder).constData(), W_OK) == 0) {
        const std::string folder = withSlash(exeFolder);
        return {folder, folder};
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/vistrel";
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty())
        pictures = QDir::homePath();
    return {withSlash(config), withSlash(pictures)};
}

std::string FindHelpFile()
{
    const std::string besideExecutable = withSlash(QCoreApplication::applicationDirPath());
    for (const std::string &folder : {LocateProgramFolders().settingsFolder, besideExecutable}) {
        const std::string candidate = folder + "Vistrel.hlp";
        if (QFileInfo(QString::fromStdString(candidate)).isFile())
            return candidate;
    }
    return {};
}

} // namespace vistrel
