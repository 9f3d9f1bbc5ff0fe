#include "shellctl/file_properties.h"

#include "platform/error.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QImageReader>
#include <QLabel>
#include <QLocale>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vistrel {

namespace {

QString Decoded(const std::string &bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

QString SizeText(qint64 bytes)
{
    const QLocale locale;
    const QString exact = locale.toString(bytes) + QStringLiteral(" bytes");
    return bytes < 1024 ? exact : locale.formattedDataSize(bytes) + " (" + exact + ")";
}

QString TimeText(const timespec &time)
{
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(time.tv_sec), QLocale::LongFormat);
}

QString OwnerText(const struct stat &status)
{
    const passwd *user = ::getpwuid(status.st_uid);
    const group *team = ::getgrgid(status.st_gid);
    return (user ? QString::fromLocal8Bit(user->pw_name) : QString::number(status.st_uid)) + " / "
           + (team ? QString::fromLocal8Bit(team->gr_name) : QString::number(status.st_gid));
}

QString PermissionText(mode_t mode)
{
    QString text = QStringLiteral("rwxrwxrwx");
    for (int bit = 0; bit < 9; ++bit)
        if (!(mode & (1u << (8 - bit))))
            text[bit] = '-';
    return text + QStringLiteral(" (%1)").arg(mode & 07777, 4, 8, QChar('0'));
}

// The header alone, through an opened file so that names in any encoding are read as they are.
std::pair<QString, QString> PictureText(const std::string &path)
{
    QFile file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return {};
    }
    QImageReader reader(&file);
    const QSize size = reader.size();
    if (!size.isValid())
        return {};
    return {QStringLiteral("%1 × %2 pixels").arg(size.width()).arg(size.height()),
            QString::fromLatin1(reader.format()).toUpper()};
}

} // namespace

std::vector<std::pair<QString, QString>> FilePropertyRows(const std::string &path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        throw Error("Cannot look at " + path + ": " + std::strerror(errno));
    const size_t slash = path.rfind('/');
    std::vector<std::pair<QString, QString>> rows = {
        {"Name", Decoded(path.substr(slash + 1))},
        {"Folder", Decoded(slash == 0 ? "/" : path.substr(0, slash))},
        {"Size", SizeText(status.st_size)},
    };
    if (S_ISREG(status.st_mode)) {
        const auto [dimensions, type] = PictureText(path);
        if (!dimensions.isEmpty())
            rows.insert(rows.end(), {{"Dimensions", dimensions}, {"Type", type}});
    }
    rows.insert(rows.end(), {{"Modified", TimeText(status.st_mtim)},
                             {"Accessed", TimeText(status.st_atim)},
                             {"Status changed", TimeText(status.st_ctim)},
                             {"Owner", OwnerText(status)},
                             {"Permissions", PermissionText(status.st_mode)}});
    return rows;
}

TFilePropertiesDialog::TFilePropertiesDialog(const std::string &path, QWidget *parent) : QDialog(parent)
{
    const auto rows = FilePropertyRows(path);
    setWindowTitle(rows.front().second + QStringLiteral(" Properties"));
    auto *form = new QFormLayout(this);
    for (const auto &[caption, value] : rows) {
        auto *label = new QLabel(value);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(caption + ':', label);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

} // namespace vistrel
