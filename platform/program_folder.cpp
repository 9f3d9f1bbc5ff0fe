#include "platform/program_folder.h"

#include "platform/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace vistrel {

namespace {

std::string withSlash(QString folder)
{
    if (!folder.endsWith('/'))
        folder += '/';
    return folder.toStdString();
}

// Points link at target. The new link takes the old one's place in one rename, so a browser
// that is still reading the manual never finds the name missing.
void PointLinkAt(const std::filesystem::path &link, const std::filesystem::path &target)
{
    std::error_code error;
    if (std::filesystem::read_symlink(link, error) == target)
        return;
    const std::filesystem::path fresh = link.string() + "." + std::to_string(::getpid());
    std::filesystem::remove(fresh, error);
    std::filesystem::create_symlink(target, fresh, error);
    if (!error)
        std::filesystem::rename(fresh, link, error);
    if (error) {
        std::filesystem::remove(fresh, error);
        throw Error("Could not link the help file as " + link.string() + ": " + error.message());
    }
}

} // namespace

ProgramFolders LocateProgramFolders() { return LocateProgramFolders(withSlash(QCoreApplication::applicationDirPath())); }

ProgramFolders LocateProgramFolders(const std::string &executableFolder)
{
    if (const char *home = std::getenv("VISTREL_HOME"); home && *home) {
        QDir().mkpath(QString::fromLocal8Bit(home));
        const std::string folder = withSlash(QDir(QString::fromLocal8Bit(home)).absolutePath());
        return {folder, folder};
    }
    const bool writable = ::access(executableFolder.c_str(), W_OK) == 0;
    if (writable && InstalledDataFolder(executableFolder).empty()) {
        const std::string folder = withSlash(QString::fromStdString(executableFolder));
        return {folder, folder};
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/vistrel";
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty())
        pictures = QDir::homePath();
    // A new account may have neither yet; the settings and the shots each create one level only.
    QDir().mkpath(config);
    QDir().mkpath(pictures);
    return {withSlash(config), withSlash(pictures)};
}

std::string InstalledDataFolder(const std::string &executableFolder)
{
    const QDir bin(QString::fromStdString(executableFolder));
    if (bin.dirName() != QLatin1String("bin"))
        return {};
    const QFileInfo data(bin.absoluteFilePath(QStringLiteral("../share/vistrel")));
    return data.isDir() ? withSlash(data.absoluteFilePath()) : std::string();
}

std::string FindHelpFile() { return FindHelpFile(withSlash(QCoreApplication::applicationDirPath())); }

std::string FindHelpFile(const std::string &executableFolder)
{
    const std::string installed = InstalledDataFolder(executableFolder);
    const std::string candidates[] = {LocateProgramFolders(executableFolder).settingsFolder + "Vistrel.hlp",
                                      withSlash(QString::fromStdString(executableFolder)) + "Vistrel.hlp",
                                      installed.empty() ? std::string() : installed + "Vistrel.html"};
    for (const std::string &candidate : candidates)
        if (!candidate.empty() && QFileInfo(QString::fromStdString(candidate)).isFile())
            return candidate;
    return {};
}

std::string HelpFileToOpen() { return HelpFileToOpen(withSlash(QCoreApplication::applicationDirPath())); }

std::string HelpFileToOpen(const std::string &executableFolder)
{
    const std::string helpFile = FindHelpFile(executableFolder);
    if (helpFile.empty() || QFileInfo(QString::fromStdString(helpFile)).suffix() == QLatin1String("html"))
        return helpFile;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/vistrel";
    if (!QDir().mkpath(cache))
        throw Error("Could not create " + withSlash(cache));
    const std::string link = withSlash(cache) + "Vistrel.html";
    PointLinkAt(link, std::filesystem::absolute(helpFile));
    return link;
}

} // namespace vistrel
