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
    static const QStringList filters{QStringLiteral("Jpeg Image (*.jpg)"), QStringLiteral("Bitmap (*.bmp)")};
    return filters;
}

// The dialog asked about the name as typed; an extension added afterwards names another file.
bool MayReplace(QWidget *window, const std::string &typed, const std::string &target)
{
    if (target == typed || !QFileInfo::exists(QString::fromStdString(target)))
        return true;
    return QMessageBox::question(window, QStringLiteral("Confirm"),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QString::fromStdString(target))) == QMessageBox::Yes;
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

void TChild::SaveAs1Click()
{
    const std::unique_ptr<QFileDialog> dialog(
        NewFileDialog(this, "SavePictureDialog1", QFileDialog::AcceptSave, SaveFilters()));
    dialog->setWindowTitle(QStringLiteral("Save As"));
    if (!picName_.empty())
        dialog->setDirectory(QString::fromStdString(ExtractFilePath(picName_)));
    const int stored = ReadIniInteger(settingsPath_, kSaveFilterSection, kSaveFilterKey, kSaveJpegItem);
    dialog->selectNameFilter(SaveFilters().value(stored - 1, SaveFilters().first()));

    const bool accepted = dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty();
    const int item = static_cast<int>(SaveFilters().indexOf(dialog->selectedNameFilter())) + 1;
    if (accepted) {
        const std::string typed = dialog->selectedFiles().first().toStdString();
        RunCommand(this, [this, &typed, item] {
            const SaveTarget target = SaveAsTarget(typed, item);
            if (target.Format == PictureFormat::None || !MayReplace(this, typed, target.Path))
                return;
            const BusyCursor busy;
            WritePictureFile(Image->Picture(), target.Path, target.Format);
        });
    }
    RunCommand(this, [this, item] { WriteIniInteger(settingsPath_, kSaveFilterSection, kSaveFilterKey, item); });
}

void TChild::Open1Click()
{
    const std::unique_ptr<QFileDialog> dialog(NewFileDialog(this, "od", QFileDialog::AcceptOpen, PictureFileFilters()));
    dialog->setWindowTitle(QStringLiteral("Open"));
    const std::string folder = host_.SelectedFolder ? host_.SelectedFolder() : std::string();
    if (!folder.empty() && QFileInfo(QString::fromStdString(folder)).isDir())
        dialog->setDirectory(QString::fromStdString(folder));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    const std::string fileName = dialog->selectedFiles().first().toStdString();
    RunCommand(this, [this, &fileName] { OpenInNewWindow(fileName); });
}

void TChild::OpenInNewWindow(const std::string &fileName)
{
    TBitmap picture = ReadAnyPictureFile(fileName); // before the window, so a broken file leaves none
    auto *child = new TChild(host_);
    if (QMdiArea *area = mdiArea())
        area->addSubWindow(child);
    // Owned by this window: it goes when this one goes.
    connect(this, &QObject::destroyed, child, &QObject::deleteLater);
    child->ShowOpenedPicture(std::move(picture), fileName);
    child->show();
}

// The control keeps its size from the form; only the window is fitted to the picture.
void TChild::ShowOpenedPicture(TBitmap picture, const std::string &fileName)
{
    picName_ = fileName;
    setStatusTip(QString::fromStdString(fileName));
    pictureW_ = picture.width();
    pictureH_ = picture.height();
    Image->SetPicture(std::move(picture));
    SetClientSize(pictureW_, ToolBar1->height() + pictureH_ + StatusBar1->height());
    formW_ = ClientWidth();
    formH_ = ClientHeight();
    SetClientSize(std::max(pictureW_, kMinimumClientWidth), ClientHeight());
    setWindowTitle(QString::fromStdString(ExtractFileName(fileName)));
}

void TChild::Print1Click()
{
    QPrinter &printer = ProgramPrinter();
    if (!PrinterReady(printer))
        throw Error("No printer is installed. Choose a printer, or printing to a PDF file, in \"Print dialog\".");
    const BusyCursor busy;
    PrintPicture(Image->Picture(), printer, logicalDpiX(), logicalDpiY());
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
    TSendMail(this).Send(PictureMailRequest(picName_));
}

void TChild::MnuConvertToIconClick()
{
    TBMP2IconForm form(settingsPath_, window());
    form.SetInitialPath(picName_);
    form.exec();
}

} // namespace vistrel
