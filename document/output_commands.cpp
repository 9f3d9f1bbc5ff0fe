// The document window's "File" commands that take the picture out of the window: saving,
// printing, mailing, the icon converter, and opening a further picture from this window.
#include "document/child_window.h"
#include "document/output_commands.h"
#include "document/output_rules.h"

#include "icon/bmp2icon_form.h"
#include "mail/send_mail.h"
#include "platform/error.h"
#include "platform/file_names.h"
#include "platform/qimage_bridge.h"
#include "platform/qrect_bridge.h"
#include "settings/ini_file.h"
#include "widgets/busy_cursor.h"
#include "widgets/error_message.h"
#include "widgets/file_dialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>

#include <memory>

namespace vistrel {

namespace {

const QStringList &SaveFilters()
{
    static const QStringList filters{QStringLiteral("Jpeg Image (*.jpg)"), QStringLiteral("Bitmap (*.bmp)"),
                                     QStringLiteral("PNG Image (*.png)")};
    return filters;
}

// The dialog asked about the name as typed; an extension added afterwards names another file.
bool MayReplace(QWidget *window, const std::string &typed, const std::string &target)
{
    const QString name = QFile::decodeName(target.c_str());
    if (target == typed || !QFileInfo::exists(name))
        return true;
    return QMessageBox::question(window, QStringLiteral("Confirm"),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(name)) ==
           QMessageBox::Yes;
}

QPrinter *programPrinter = nullptr;

void DeletePrinter()
{
    delete programPrinter;
    programPrinter = nullptr;
}

} // namespace

QPrinter &ProgramPrinter()
{
    if (!programPrinter) {
        programPrinter = new QPrinter;
        qAddPostRoutine(DeletePrinter); // before the application's platform goes
    }
    return *programPrinter;
}

bool PrinterReady(const QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return !printer.outputFileName().isEmpty();
    return printer.isValid() && !printer.printerName().isEmpty();
}

void PrintPicture(const TBitmap &picture, QPrinter &printer, int screenDpiX, int screenDpiY)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error("Cannot start printing on " +
                    (printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName()).toStdString());
    const TRect area = PrintRect(picture.width(), picture.height(), PrintFactor(printer.logicalDpiX(), screenDpiX),
                                 PrintFactor(printer.logicalDpiY(), screenDpiY));
    if (area.Width() > 0 && area.Height() > 0)
        painter.drawImage(ToQRect(area), toQImage(picture));
    if (!painter.end())
        throw Error("The printer did not take the page");
}

// --- TChild's commands ----------------------------------------------------------------------

void TChild::SaveAs1Click() { SavePictureAs(); }

bool TChild::SavePictureAs()
{
    const std::unique_ptr<QFileDialog> dialog(
        NewFileDialog(this, "SavePictureDialog1", QFileDialog::AcceptSave, SaveFilters()));
    dialog->setWindowTitle(QStringLiteral("Save As"));
    if (!PicName().empty())
        dialog->setDirectory(QFile::decodeName(ExtractFilePath(PicName()).c_str()));
    const int stored = ReadIniInteger(settingsPath_, kSaveFilterSection, kSaveFilterKey, kSaveJpegItem);
    dialog->selectNameFilter(SaveFilters().value(stored - 1, SaveFilters().first()));

    const bool accepted = dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty();
    const int item = static_cast<int>(SaveFilters().indexOf(dialog->selectedNameFilter())) + 1;
    bool saved = false;
    if (accepted) {
        const std::string typed = QFile::encodeName(dialog->selectedFiles().first()).toStdString();
        RunCommand(this, [this, &typed, item, &saved] {
            const SaveTarget target = SaveAsTarget(typed, item);
            if (target.Format == PictureFormat::None || !MayReplace(this, typed, target.Path))
                return;
            const BusyCursor busy;
            // The marks are drawn in only once the file holds them: a failed save leaves them marks.
            if (document_.Marks().empty())
                WritePictureFile(Picture(), target.Path, target.Format);
            else
                WritePictureFile(document_.FlattenedPicture(), target.Path, target.Format);
            document_.FlattenMarks();
            document_.MarkSaved(target.Path); // the window keeps its name, as PicName
            saved = true;
        });
    }
    RunCommand(this, [this, item] { WriteIniInteger(settingsPath_, kSaveFilterSection, kSaveFilterKey, item); });
    return saved;
}

bool TChild::QueryClose()
{
    if (!document_.Modified() || discardConfirmed_)
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                    QStringLiteral("Save changes to %1?").arg(windowTitle()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save: return SavePictureAs();
    case QMessageBox::Discard: discardConfirmed_ = true; return true;
    default: return false;
    }
}

std::string TChild::FileToHandOver()
{
    const std::string &saved = document_.SavedFile();
    if (saved.empty()) {
        const auto answer = QMessageBox::question(
            this, QStringLiteral("Confirm"),
            QStringLiteral("%1 has not been saved to a file yet. Save it first?").arg(windowTitle()),
            QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Save);
        return answer == QMessageBox::Save && SavePictureAs() ? document_.SavedFile() : std::string();
    }
    if (!document_.Modified())
        return saved;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                    QStringLiteral("%1 has changes that are not saved.\nSave them first, or use the file as it is on disk?")
                        .arg(windowTitle()),
                    QMessageBox::Save | QMessageBox::Cancel, this);
    QPushButton *asOnDisk = box.addButton(QStringLiteral("Use File on Disk"), QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    if (box.clickedButton() == asOnDisk)
        return PicName().empty() ? saved : PicName();
    if (box.standardButton(box.clickedButton()) == QMessageBox::Save && SavePictureAs())
        return document_.SavedFile();
    return {};
}

void TChild::Open1Click()
{
    const std::unique_ptr<QFileDialog> dialog(NewFileDialog(this, "od", QFileDialog::AcceptOpen, PictureFileFilters()));
    dialog->setWindowTitle(QStringLiteral("Open"));
    const std::string folder = host_->selectedFolder();
    if (!folder.empty() && QFileInfo(QFile::decodeName(folder.c_str())).isDir())
        dialog->setDirectory(QFile::decodeName(folder.c_str()));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    const std::string fileName = QFile::encodeName(dialog->selectedFiles().first()).toStdString();
    RunCommand(this, [this, &fileName] { host_->openDocumentWindow(fileName, *this); });
}

void TChild::AdoptWindow(TChild &opened)
{
    connect(this, &QObject::destroyed, &opened, &QObject::deleteLater);
    opened_.append(&opened);
}

void TChild::Print1Click()
{
    QPrinter &printer = ProgramPrinter();
    if (!PrinterReady(printer))
        throw Error("No printer is installed. Choose a printer, or printing to a PDF file, in \"Print dialog\".");
    const BusyCursor busy;
    PrintPicture(document_.FlattenedPicture(), printer, logicalDpiX(), logicalDpiY());
}

void TChild::Printdialog2Click()
{
    QPrintDialog dialog(&ProgramPrinter(), this);
    dialog.setObjectName(QStringLiteral("PrinterSetupDialog1"));
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    // Only the choice is made here; the button must not promise a print.
    if (auto *buttons = dialog.findChild<QDialogButtonBox *>())
        if (QPushButton *ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    dialog.exec();
}

void TChild::Sendasmail1Click()
{
    const std::string file = FileToHandOver();
    if (!file.empty())
        TSendMail(this).Send(PictureMailRequest(file));
}

void TChild::MnuConvertToIconClick()
{
    const std::string file = FileToHandOver();
    if (file.empty())
        return;
    TBMP2IconForm form(settingsPath_, window());
    form.SetInitialPath(file);
    form.exec();
}

} // namespace vistrel
