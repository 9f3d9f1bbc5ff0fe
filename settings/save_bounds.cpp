#include "settings/save_bounds.h"

#include "platform/file_names.h"
#include "settings/bounds.h"
#include "settings/ini_file.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

#include <exception>

namespace vistrel {

namespace {

std::string executablePath()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath().toStdString() : std::string();
}

// The space windows may take on all screens together; null when there is no screen to measure.
bool AvailableDesktop(BoundsRect &desktop)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    const QRect area = screen->availableVirtualGeometry();
    desktop = BoundsRect::FromPositionAndSize(area.left(), area.top(), area.width(), area.height());
    return !area.isEmpty();
}

// The rectangle a form is stored as: its frame's position and its client size. A maximised form
// stores the normal rectangle it goes back to, so the next start does not begin too large for the
// screen; one that never was normal stores its maximised place less its frame, which still fits.
QRect StoredRect(const QWidget &form)
{
    const QPoint frameToClient = form.geometry().topLeft() - form.pos();
    if (form.isMaximized()) {
        const QRect normal = form.normalGeometry();
        if (normal.isValid())
            return {normal.topLeft() - frameToClient, normal.size()};
        const QSize frame = form.frameGeometry().size() - form.size();
        return {form.pos(), form.size() - frame};
    }
    return {form.pos(), form.size()};
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
    // A hand-edited or foreign file can hold any numbers; none may make a window out of reach.
    // The form's minimum size counts, as the window grows to it whatever the file says.
    if (QLayout *layout = form->layout())
        layout->activate(); // a window's layout sets its minimum size only once activated
    form->resize(bounds.Width(), bounds.Height());
    bounds = BoundsRect::FromPositionAndSize(bounds.left, bounds.top, form->width(), form->height());
    BoundsRect desktop;
    if (AvailableDesktop(desktop))
        bounds = FitBounds(bounds, desktop);
    form->move(bounds.left, bounds.top);
    form->resize(bounds.Width(), bounds.Height());
}

void TSaveBounds::WriteBounds(QWidget *form, const std::string &path)
{
    if (!form)
        return;
    const QRect stored = StoredRect(*form);
    WriteBoundsRect(path, BoundsRect::FromPositionAndSize(stored.x(), stored.y(), stored.width(), stored.height()));
}

} // namespace vistrel
