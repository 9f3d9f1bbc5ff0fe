#include "document/child_window.h"
#include "document/output_commands.h"
#include "tests/document/child_window_parts.h"

#include "icon/bmp2icon_form.h"
#include "platform/file_names.h"
#include "platform/picture_io.h"
#include "settings/ini_file.h"
#include "tests/support/files.h"
#include "tests/support/full_disk.h"
#include "tests/support/modal_steps.h"
#include "tests/support/pictures.h"
#include "tests/support/qt_test_main.h"
#include "tests/support/stand_in.h"

#include <QImage>
#include <QMdiArea>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <sys/stat.h>

namespace vistrel {

using testing::AnswerMessage;
using testing::Cancel;
using testing::ChooseFile;
using testing::ModalSteps;
using testing::part;

namespace {

const QString kJpegFilter = QStringLiteral("Jpeg Image (*.jpg)");
const QString kBmpFilter = QStringLiteral("Bitmap (*.bmp)");
const QString kPngFilter = QStringLiteral("PNG Image (*.png)");

// Runs a menu command of the window while the steps answer the windows it opens.
void runAnswering(TChild *child, const char *item, std::deque<ModalSteps::Step> steps)
{
    ModalSteps answers(std::move(steps));
    part(child, item)->trigger();
    QVERIFY2(answers.done(), item);
}

std::string signatureOf(const std::string &path)
{
    return testing::ReadBytes(path).substr(0, 2);
}

// The bounds of what is not white on a page rendered at `dpi`, empty for a blank page.
QRect inkedArea(const QImage &page)
{
    QRect bounds;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128) // edges the renderer smooths count when mostly covered
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QImage renderPdf(const std::string &pdf, int dpi)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (program.isEmpty())
        return {};
    const QString base = QString::fromStdString(pdf) + QStringLiteral(".page");
    QProcess render;
    render.start(program, {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                           QStringLiteral("-singlefile"), QString::fromStdString(pdf), base});
    if (!render.waitForFinished(60000) || render.exitCode() != 0)
        return {};
    return QImage(base + QStringLiteral(".png"));
}

// 100 × 50: red on the left half, blue on the right.
TBitmap halvesPicture()
{
    TBitmap picture = testing::FilledPicture(100, 50, PaletteEntry{0, 0, 255, 0});
    for (int y = 0; y < 50; ++y)
        for (int x = 50; x < 100; ++x)
            picture.setPixel(x, y, PaletteEntry{255, 0, 0, 0});
    return picture;
}

} // namespace

class OutputCommandsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void saveNamesFollowTheChosenFilter();
    void chosenFilterIsTheNextSavesDefaultAfterARestart();
    void zoomedPictureIsSavedAtItsNaturalSize();
    void failedSaveKeepsTheOldFileAndTheWindow();
    void saveIntoAVanishedFolderSaysWhy();

    void openHandsTheChosenFileToTheFrame();

    void printFillsTheIntegerFactorOfThePrinterResolution();
    void printerCoarserThanTheScreenPrintsAnEmptyPage();
    void printWithoutAPrinterSaysSo();

    void sendAsMailHandsThePicturesFileToTheMailClient();
    void convertToIconOpensTheConverterOnThePicture();
    void closingWithSaveWritesThePictureOrKeepsTheWindow();

private:
    TChild *openChild(const TBitmap &picture, const std::string &name);

    QMdiArea *area_ = nullptr;
    testing::TempFolder *folder_ = nullptr;
};

void OutputCommandsTest::init()
{
    folder_ = new testing::TempFolder;
    area_ = new QMdiArea;
    area_->resize(1000, 800);
    area_->show();
    QVERIFY(QTest::qWaitForWindowExposed(area_));
}

void OutputCommandsTest::cleanup()
{
    delete area_;
    delete folder_;
}

TChild *OutputCommandsTest::openChild(const TBitmap &picture, const std::string &name)
{
    auto *child = new TChild(std::make_shared<testing::FakeChildHost>(folder_->file("Vistrel.ini"), folder_->path()));
    area_->addSubWindow(child);
    if (!name.empty())
        WritePictureFile(picture, name, PictureFormatFor(name, PictureNaming::Opening));
    child->ShowPicture(picture, name);
    child->show();
    return child;
}

void OutputCommandsTest::saveNamesFollowTheChosenFilter()
{
    const struct {
        const char *typed;
        QString filter;
        const char *written;
        const char *signature;
    } cases[] = {
        {"shot", kJpegFilter, "shot.jpg", "\xFF\xD8"},         {"b.jpg", kJpegFilter, "b.jpg", "\xFF\xD8"},
        {"other.bmp", kJpegFilter, "other.bmp.jpg", "\xFF\xD8"}, {"a.JPG", kJpegFilter, "a.JPG.jpg", "\xFF\xD8"},
        {"pic", kBmpFilter, "pic.bmp", "BM"},                  {"pic.jpg", kBmpFilter, "pic.jpg.bmp", "BM"},
        {"lossless", kPngFilter, "lossless.png", "\x89P"},    {"a.PNG", kPngFilter, "a.PNG.png", "\x89P"},
    };
    TChild *child = openChild(testing::NumberedPicture(20, 10, 9), folder_->file("source.bmp"));
    for (const auto &c : cases) {
        runAnswering(child, "SaveAs1", {ChooseFile(QString::fromStdString(folder_->file(c.typed)), c.filter)});
        QCOMPARE(signatureOf(folder_->file(c.written)), std::string(c.signature));
    }
    QVERIFY(!testing::FileExists(folder_->file("other.bmp")));
}

void OutputCommandsTest::chosenFilterIsTheNextSavesDefaultAfterARestart()
{
    TChild *first = openChild(testing::NumberedPicture(8, 8, 1), folder_->file("one.jpg"));
    runAnswering(first, "SaveAs1", {ChooseFile(QString::fromStdString(folder_->file("copy")), kPngFilter)});
    QCOMPARE(ReadIniInteger(folder_->file("Vistrel.ini"), "Save Dlg Filter", "value", 0), 3);
    delete first;

    // A window of a later run reads the choice back; cancelling still writes it.
    TChild *second = openChild(testing::NumberedPicture(8, 8, 2), folder_->file("two.jpg"));
    QString preselected;
    runAnswering(second, "SaveAs1", {[&preselected](QWidget &dialog) {
                     preselected = qobject_cast<QFileDialog *>(&dialog)->selectedNameFilter();
                     qobject_cast<QFileDialog *>(&dialog)->selectNameFilter(kJpegFilter);
                     qobject_cast<QFileDialog *>(&dialog)->reject();
                 }});
    QCOMPARE(preselected, kPngFilter);
    QCOMPARE(ReadIniInteger(folder_->file("Vistrel.ini"), "Save Dlg Filter", "value", 0), 1);
}

void OutputCommandsTest::zoomedPictureIsSavedAtItsNaturalSize()
{
    const TBitmap picture = testing::NumberedPicture(64, 40, 5);
    TChild *child = openChild(picture, folder_->file("zoom.bmp"));
    testing::zoomIn(child);
    testing::zoomIn(child);
    QVERIFY(testing::imageOf(child)->width() != 64);
    runAnswering(child, "SaveAs1", {ChooseFile(QString::fromStdString(folder_->file("natural.bmp")), kBmpFilter)});
    QVERIFY(ReadPictureFile(folder_->file("natural.bmp"), PictureFormat::Bmp) == picture);
    QCOMPARE(child->PicName(), folder_->file("zoom.bmp"));
    QCOMPARE(child->windowTitle(), QStringLiteral("zoom.bmp"));
}

// A save that cannot be written shows why and changes nothing: not the old file, not the
// folder (no temporary file stays), not the window.
void OutputCommandsTest::failedSaveKeepsTheOldFileAndTheWindow()
{
    TChild *child = openChild(testing::NumberedPicture(300, 300, 3), folder_->file("edit.bmp"));
    part(child, "rotate-right")->trigger();
    part(child, "MarkupRectangle")->trigger();
    QWidget *layer = part<QWidget>(child, "MarkupLayer");
    QTest::mousePress(layer, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseMove(layer, QPoint(40, 30));
    QTest::mouseRelease(layer, Qt::LeftButton, Qt::NoModifier, QPoint(40, 30));
    testing::FullDisk disk;
    const std::string target = disk.ready() ? disk.file("old.bmp") : folder_->file("old.bmp");
    testing::WriteBytes(target, "the old file");
    if (disk.ready())
        disk.fill();
    else
        ::chmod(target.c_str(), 0444);
    if (!disk.ready() && ::geteuid() == 0)
        QSKIP("root writes read-only files; the full disk needs a tmpfs");
    const std::string folder = ExtractFilePath(target);
    const auto before = testing::Entries(folder);

    QString error;
    runAnswering(child, "SaveAs1",
                 {ChooseFile(QString::fromStdString(target), kBmpFilter), AnswerMessage(nullptr, QMessageBox::Yes),
                  AnswerMessage(&error)});
    QVERIFY2(error.startsWith(QStringLiteral("Error|Unable to write to ") + QString::fromStdString(target)),
             qPrintable(error));
    QCOMPARE(testing::ReadBytes(target), std::string("the old file"));
    QCOMPARE(testing::Entries(folder), before);
    QCOMPARE(child->UndoList().size(), size_t{2}); // the turn and the mark, still a mark
    QCOMPARE(child->Document().Marks().size(), size_t{1});
    QCOMPARE(child->PicName(), folder_->file("edit.bmp"));
    QCOMPARE(child->windowTitle(), QStringLiteral("edit.bmp"));
}

void OutputCommandsTest::saveIntoAVanishedFolderSaysWhy()
{
    TChild *child = openChild(testing::NumberedPicture(20, 20, 3), folder_->file("edit.bmp"));
    const std::string gone = folder_->file("gone/");
    std::filesystem::create_directory(gone);
    QString error;
    runAnswering(child, "SaveAs1",
                 {[&gone](QWidget &dialog) {
                      std::filesystem::remove(gone);
                      ChooseFile(QString::fromStdString(gone + "pic.jpg"), kJpegFilter)(dialog);
                  },
                  AnswerMessage(&error)});
    QVERIFY2(error.startsWith(QStringLiteral("Error|Unable to write to ") + QString::fromStdString(gone + "pic.jpg")),
             qPrintable(error));
    QVERIFY(!testing::FileExists(gone));
}

// The frame makes the window (and its owner rule); this window only asks, from the tree's folder.
void OutputCommandsTest::openHandsTheChosenFileToTheFrame()
{
    auto host = std::make_shared<testing::FakeChildHost>(folder_->file("Vistrel.ini"), folder_->path());
    auto *child = new TChild(host);
    area_->addSubWindow(child);
    child->ShowPicture(testing::NumberedPicture(40, 30, 1), folder_->file("first.bmp"));
    child->show();
    WritePictureFile(testing::NumberedPicture(50, 50, 4), folder_->file("photo.JPG"), PictureFormat::Jpeg);
    runAnswering(child, "Open1", {[this](QWidget &window) {
                     auto *dialog = qobject_cast<QFileDialog *>(&window);
                     QCOMPARE(dialog->directory().absolutePath() + QLatin1Char('/'), QString::fromStdString(folder_->path()));
                     ChooseFile(QString::fromStdString(folder_->file("photo.JPG")))(window);
                 }});
    QCOMPARE(host->openedPaths, std::vector<std::string>{folder_->file("photo.JPG")});
    QCOMPARE(area_->subWindowList().size(), 1);
}

void OutputCommandsTest::printFillsTheIntegerFactorOfThePrinterResolution()
{
    TChild *child = openChild(halvesPicture(), folder_->file("halves.bmp"));
    QPrinter &printer = ProgramPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(folder_->file("page.pdf")));
    printer.setResolution(300);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    part(child, "Print1")->trigger();

    const QImage page = renderPdf(folder_->file("page.pdf"), 300);
    if (page.isNull())
        QSKIP("pdftoppm (poppler-utils) is needed to read the page back");
    const int factor = 300 / child->logicalDpiX();
    // The renderer may take in one more pixel at the far edges, and smooths where the halves meet.
    const QRect inked = inkedArea(page);
    QCOMPARE(inked.topLeft(), QPoint(0, 0));
    QVERIFY2(inked.width() - 100 * factor <= 1 && inked.width() >= 100 * factor, qPrintable(QString::number(inked.width())));
    QVERIFY2(inked.height() - 50 * factor <= 1 && inked.height() >= 50 * factor, qPrintable(QString::number(inked.height())));
    if (child->logicalDpiX() == 96)
        QCOMPARE(factor, 3);
    const QRgb leftHalf = page.pixel(45 * factor, 10), rightHalf = page.pixel(55 * factor, 10);
    QVERIFY(qRed(leftHalf) > 200 && qBlue(leftHalf) < 60);
    QVERIFY(qBlue(rightHalf) > 200 && qRed(rightHalf) < 60);
}

void OutputCommandsTest::printerCoarserThanTheScreenPrintsAnEmptyPage()
{
    TChild *child = openChild(halvesPicture(), folder_->file("halves.bmp"));
    QPrinter &printer = ProgramPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(folder_->file("coarse.pdf")));
    printer.setResolution(child->logicalDpiX() - 1);
    part(child, "Print1")->trigger();
    QVERIFY(testing::FileExists(folder_->file("coarse.pdf")));
    const QImage page = renderPdf(folder_->file("coarse.pdf"), 100);
    if (page.isNull())
        QSKIP("pdftoppm (poppler-utils) is needed to read the page back");
    QVERIFY(inkedArea(page).isEmpty());
}

void OutputCommandsTest::printWithoutAPrinterSaysSo()
{
    TChild *child = openChild(halvesPicture(), folder_->file("halves.bmp"));
    ProgramPrinter().setOutputFormat(QPrinter::PdfFormat);
    ProgramPrinter().setOutputFileName(QString());
    QString shown;
    runAnswering(child, "Print1", {AnswerMessage(&shown)});
    QVERIFY2(shown.startsWith(QStringLiteral("Error|No printer is installed.")), qPrintable(shown));
}

void OutputCommandsTest::sendAsMailHandsThePicturesFileToTheMailClient()
{
    testing::TempFolder bin;
    testing::WriteStandIn(bin, "xdg-email", bin.file("args"));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path()));

    // Asked about the changes, the user chooses the file on disk: that goes, not the edited picture.
    TChild *child = openChild(testing::NumberedPicture(30, 20, 3), folder_->file("mailed.bmp"));
    const std::string onDisk = testing::ReadBytes(folder_->file("mailed.bmp"));
    part(child, "rotate-right")->trigger();
    QString question;
    runAnswering(child, "Sendasmail1", {[&question](QWidget &window) {
                     auto *box = qobject_cast<QMessageBox *>(&window);
                     question = box->text();
                     for (QAbstractButton *button : box->buttons())
                         if (button->text() == QStringLiteral("Use File on Disk"))
                             button->click();
                 }});
    QVERIFY2(question.contains(QStringLiteral("not saved")), qPrintable(question));
    QTRY_VERIFY_WITH_TIMEOUT(testing::FileExists(bin.file("args")), 20000);
    QVERIFY(QString::fromStdString(testing::ReadBytes(bin.file("args")))
                .contains(QStringLiteral("--attach\n%1\n").arg(QString::fromStdString(folder_->file("mailed.bmp")))));
    QCOMPARE(testing::ReadBytes(folder_->file("mailed.bmp")), onDisk);
    QTRY_VERIFY(child->findChild<QMessageBox *>());
    QCOMPARE(child->findChild<QMessageBox *>()->text(), QStringLiteral("Done! "));

    // A picture without a file must be saved first; declined, nothing is handed over.
    QFile::remove(QString::fromStdString(bin.file("args")));
    TChild *pasted = openChild(testing::NumberedPicture(10, 10, 1), {});
    runAnswering(pasted, "Sendasmail1", {testing::AnswerMessage(&question, QMessageBox::Cancel)});
    QVERIFY2(question.contains(QStringLiteral("Save it first")), qPrintable(question));
    QTest::qWait(200);
    QVERIFY(!testing::FileExists(bin.file("args")));
    qputenv("PATH", oldPath);
}

void OutputCommandsTest::convertToIconOpensTheConverterOnThePicture()
{
    TChild *child = openChild(testing::NumberedPicture(60, 40, 3), folder_->file("icon source.bmp"));
    QVERIFY(!part(child, "MnuConvertToIcon")->isVisible());
    std::string shownFor;
    runAnswering(child, "MnuConvertToIcon", {[&shownFor](QWidget &window) {
                     auto *form = qobject_cast<TBMP2IconForm *>(&window);
                     QVERIFY(form);
                     shownFor = form->PicName();
                     form->reject();
                 }});
    QCOMPARE(shownFor, folder_->file("icon source.bmp"));

    // Changes saved first: the converter gets the saved file; the window keeps its name.
    part(child, "invert")->trigger();
    runAnswering(child, "MnuConvertToIcon",
                 {testing::AnswerMessage(nullptr, QMessageBox::Save),
                  ChooseFile(QString::fromStdString(folder_->file("inverted.bmp")), QStringLiteral("Bitmap (*.bmp)")),
                  [&shownFor](QWidget &window) {
                      shownFor = qobject_cast<TBMP2IconForm *>(&window)->PicName();
                      qobject_cast<QDialog *>(&window)->reject();
                  }});
    QCOMPARE(shownFor, folder_->file("inverted.bmp"));
    QCOMPARE(child->windowTitle(), QStringLiteral("icon source.bmp"));
    QVERIFY(!child->Document().Modified());
}

// Closing a changed picture and choosing Save runs Save As; a save that fails says why and keeps
// the window, with the picture still changed.
void OutputCommandsTest::closingWithSaveWritesThePictureOrKeepsTheWindow()
{
    const struct {
        const char *target;
        bool written;
    } cases[] = {{"gone/kept.bmp", false}, {"kept.bmp", true}};
    for (const auto &c : cases) {
        QPointer<TChild> child = openChild(testing::NumberedPicture(12, 8, 3), {});
        QString failure;
        std::deque<ModalSteps::Step> steps{testing::AnswerMessage(nullptr, QMessageBox::Save),
                                           ChooseFile(QString::fromStdString(folder_->file(c.target)),
                                                      QStringLiteral("Bitmap (*.bmp)"))};
        if (!c.written)
            steps.push_back(testing::AnswerMessage(&failure));
        ModalSteps answers(steps);
        child->close();
        QTRY_VERIFY2(answers.done(), c.target);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(child.isNull(), c.written);
        QCOMPARE(testing::FileExists(folder_->file(c.target)), c.written);
        if (!c.written) {
            QVERIFY2(failure.contains(QStringLiteral("Unable to write")), qPrintable(failure));
            QVERIFY(child->Document().Modified());
            ModalSteps discard({testing::AnswerMessage(nullptr, QMessageBox::Discard)});
            child->close();
        }
    }
}

} // namespace vistrel

int main(int argc, char **argv) { return vistrel::testing::RunQtTest<vistrel::OutputCommandsTest>(argc, argv); }
#include "output_commands_test.moc"
