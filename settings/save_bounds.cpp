#include "settings/save_bounds.h"

#include "platform/file_names.h"
#include "settings/bounds.h"
#include "settings/ini_file.h"

#include <QCoreApplication>

#include <exception>

namespace vistrel {

namespace {

std::string executablePath()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath().toStdString() : std::string();
}

} // namespace

std::string ChangeFileExt(const std::string &path, const std::string &extension)
{
    return path.substr(0, path.size() - ExtractFileExt(path).size()) + extension;
}

TSaveBounds::TSaveBounds(QObject *owner)
    : QObject(owner), ownerForm_(qobject_cast<QWidget *>(owner)), exeFolder_(ExtractFilePath(executablePath()))
{
}

TSaveBounds::~TSaveBounds()
{
    iniPath_ = computeIniPath();
    if (iniFile_.empty())
        return;
    try {
        WriteBounds(ownerForm_, iniPath_);
    } catch (const std::exception &error) {
        ShowIniNotice(error.what());
    }
}

std::string TSaveBounds::computeIniPath() const
{
    return ChangeFileExt(useStdIni_ ? executablePath() : exeFolder_ + iniFile_, ".ini");
}

void TSaveBounds::SetUseStdIni(bool useStdIni)
{
    useStdIni_ = useStdIni;
    iniPath_ = computeIniPath();
    ReadBounds(ownerForm_, iniPath_);
}

void TSaveBounds::ReadBounds(QWidget *form, const std::string &path)
{
    BoundsRect bounds;
    if (!form || !ReadBoundsRect(path, bounds))
        return;
    form->move(bounds.left, bounds.top);
    form->resize(bounds.Width(), bounds.Height());
}

void TSaveBounds::WriteBounds(QWidget *form, const std::string &path)
{
    if (!form)
        return;
    const QPoint position = form->pos();
    const QSize size = form->size();
    WriteBoundsRect(path, BoundsRect::FromPositionAndSize(position.x(), position.y(), size.width(), size.height()));
}

} // namespace vistrel
