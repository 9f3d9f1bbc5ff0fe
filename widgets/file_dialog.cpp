#include "widgets/file_dialog.h"

namespace vistrel {

QFileDialog *NewFileDialog(QWidget *parent, const char *name, QFileDialog::AcceptMode mode, const QStringList &filters)
{
    auto *dialog = new QFileDialog(parent);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setNameFilters(filters);
    dialog->setSizeGripEnabled(true);
    return dialog;
}

} // namespace vistrel
