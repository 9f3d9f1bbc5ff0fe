#pragma once

#include <QFileDialog>
#include <QStringList>

namespace vistrel {

// Qt's own file dialog (the same on every desktop, and reachable by tests through its object name)
// for one existing file to open or any file name to save.
QFileDialog *NewFileDialog(QWidget *parent, const char *name, QFileDialog::AcceptMode mode, const QStringList &filters);

} // namespace vistrel
