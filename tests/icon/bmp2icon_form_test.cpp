#include "icon/bmp2icon_form.h"

#include "icon/icon_preview.h"
#include "platform/picture_io.h"
#include "settings/ini_file.h"
#include "tests/support/files.h"
#include "tests/support/modal_steps.h"
#include "tests/support/pictures.h"
#include "tests/support/qt_test_main.h"
#include "tests/support/stand_in.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

namespace vistrel {

using testing::AnswerMessage;
using testing::ChooseFile;
using testing::ModalSteps;

namespace {

template <typename T>
T *control(const TBMP2IconForm &form, const char *name)
{
    T *found = form.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("the converter has no %s", name);
    return found;
}

void click(const TBMP2IconForm &form, const char *button, std::deque<ModalSteps::Step> steps = {})
{
    ModalSteps answers(std::move(steps));
    control<QToolButton>(form, button)->click();
    QVERIFY2(answers.done(), button);
}

QSize pixmapSize(const TBMP2IconForm &form, const char *label)
{
    return control<QLabel>(form, label)->pixmap().size();
}

bool transparentAt(const TIcon &icon, int x, int y)
{
    return icon.Mask.pixel(x, y) == PaletteEntry{255, 255, 255, 0};
}

} // namespace

class Bmp2IconFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        folder_ = std::make_unique<testing::TempFolder>();
        photo_ = folder_->file("photo.jpg");
        WritePictureFile(testing::SmoothPicture(800, 600), photo_, PictureFormat::Jpeg);
    }
    void cleanup() { folder_.reset(); }

    void defaultsMatchTheFormAndConvertAn800x600Jpeg();
    void withoutTheAspectTheIconIsOpaque();
    void capitalJpgIsNotRecognised();
    void sizeEditsTakeDigitsOnlyLetTabLeaveAndACustomSizeIsSquare();
    void editingTheSizeDiscardsTheIcon();
    void anUnusableCustomSizeConvertsNothing();
    void savedIconOpensInTheChosenEditor();
    void glyphSaveWritesThePreviewBitmap();
    void convertWithoutAPictureAsksForOne();

private:
    std::unique_ptr<TBMP2IconForm> showForm(const std::string &picture, std::deque<ModalSteps::Step> steps = {});

    std::unique_ptr<testing::TempFolder> folder_;
    std::string photo_;
};

std::unique_ptr<TBMP2IconForm> Bmp2IconFormTest::showForm(const std::string &picture,
                                                          std::deque<ModalSteps::Step> steps)
{
    auto form = std::make_unique<TBMP2IconForm>(folder_->file("Vistrel.ini"));
    form->SetInitialPath(picture);
    ModalSteps answers(std::move(steps));
    form->show();
    [&] { QTRY_VERIFY(answers.done()); }();
    return form;
}

void Bmp2IconFormTest::defaultsMatchTheFormAndConvertAn800x600Jpeg()
{
    auto form = showForm(photo_);
    QCOMPARE(form->windowTitle(), QStringLiteral("Convert to Icon"));
    QCOMPARE(form->size(), QSize(349, 455));
    QCOMPARE(control<QComboBox>(*form, "FilterCombo")->currentText(), QStringLiteral("Mitchell filter"));
    QVERIFY(control<QCheckBox>(*form, "ChbARatio")->isChecked());
    QCOMPARE(control<QLineEdit>(*form, "Edit1")->text(), QStringLiteral("48"));
    QVERIFY(!control<QLineEdit>(*form, "Edit2")->isEnabled());
    QCOMPARE(control<QLabel>(*form, "Label3")->text(), QString::fromStdString(photo_));
    QCOMPARE(pixmapSize(*form, "ImgPreview"), QSize(144, 108));

    click(*form, "ConvertBut");
    QCOMPARE(pixmapSize(*form, "ImgIcon"), QSize(32, 24));
    QVERIFY(form->CurrentIcon());
    const TIcon &icon = *form->CurrentIcon();
    QCOMPARE(icon.Colour.width(), 32);
    QCOMPARE(icon.Colour.height(), 32);
    QCOMPARE(icon.Colour.pixelFormat(), PixelFormat::pf8bit);
    for (int y = 0; y < 32; ++y)
        QCOMPARE(transparentAt(icon, 5, y), y >= 24);
}

void Bmp2IconFormTest::withoutTheAspectTheIconIsOpaque()
{
    auto form = showForm(photo_);
    control<QCheckBox>(*form, "ChbARatio")->click();
    QCOMPARE(pixmapSize(*form, "ImgPreview"), QSize(144, 142));
    click(*form, "ConvertBut");
    QCOMPARE(pixmapSize(*form, "ImgIcon"), QSize(32, 32));
    for (int y = 0; y < 32; ++y)
        QVERIFY(!transparentAt(*form->CurrentIcon(), 31, y));
}

void Bmp2IconFormTest::capitalJpgIsNotRecognised()
{
    const std::string capital = folder_->file("photo.JPG");
    WritePictureFile(testing::SmoothPicture(80, 60), capital, PictureFormat::Jpeg);
    QString preview, conversion;
    auto form = showForm(capital, {AnswerMessage(&preview)});
    QCOMPARE(preview, QStringLiteral("Information|Couldn't load ") + QString::fromStdString(capital));
    click(*form, "ConvertBut", {AnswerMessage(&conversion)});
    QCOMPARE(conversion, QStringLiteral("Information|Couldn't convert ") + QString::fromStdString(capital));
    QVERIFY(!form->CurrentIcon() || !form->CurrentIcon()->hasBitmaps());
}

void Bmp2IconFormTest::sizeEditsTakeDigitsOnlyLetTabLeaveAndACustomSizeIsSquare()
{
    auto form = showForm(photo_);
    auto *edit = control<QLineEdit>(*form, "Edit1");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "2x-4. ");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), QStringLiteral("24"));
    QCOMPARE(control<QLineEdit>(*form, "Edit2")->text(), QStringLiteral("24"));
    QTest::keyClicks(control<QLineEdit>(*form, "Edit2"), "z"); // disabled, and filtered all the same
    QCOMPARE(control<QLineEdit>(*form, "Edit2")->text(), QStringLiteral("24"));
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) { // both leave the edit
        edit->setFocus();
        QTest::keyClick(edit, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        QVERIFY(form->focusWidget() != edit);
    }

    form->findChildren<QRadioButton *>().at(kIconSizeCustom + 5)->click(); // after the five colour items
    click(*form, "ConvertBut");
    QCOMPARE(form->CurrentIcon()->Colour.width(), 24);
    QCOMPARE(form->CurrentIcon()->Colour.height(), 24);
}

void Bmp2IconFormTest::editingTheSizeDiscardsTheIcon()
{
    auto form = showForm(photo_);
    click(*form, "ConvertBut");
    QVERIFY(form->CurrentIcon() && form->CurrentIcon()->hasBitmaps());
    QTest::keyClicks(control<QLineEdit>(*form, "Edit1"), "1");
    QVERIFY(!form->CurrentIcon());
    QString shown;
    click(*form, "SaveBut", {AnswerMessage(&shown)});
    QCOMPARE(shown, QStringLiteral("Information|First you must convert a picture into an Icon!"));
    click(*form, "ConvertBut");
    QVERIFY(form->CurrentIcon());
}

void Bmp2IconFormTest::anUnusableCustomSizeConvertsNothing()
{
    auto form = showForm(photo_);
    form->findChildren<QRadioButton *>().at(kIconSizeCustom + 5)->click();
    auto *edit = control<QLineEdit>(*form, "Edit1");
    edit->selectAll();
    QTest::keyClicks(edit, "0");
    QString shown;
    click(*form, "ConvertBut", {AnswerMessage(&shown)});
    QVERIFY(!shown.isEmpty());
    QVERIFY(!form->CurrentIcon());
}

void Bmp2IconFormTest::savedIconOpensInTheChosenEditor()
{
    testing::TempFolder bin;
    const std::string editor = testing::WriteStandIn(bin, "icon-editor", bin.file("args"));
    WriteIniString(folder_->file("Vistrel.ini"), "Icon Editor", "Location", editor);
    auto form = showForm(photo_);
    QCOMPARE(form->IconEditor(), editor);
    click(*form, "ConvertBut");
    click(*form, "SaveBut", {ChooseFile(QString::fromStdString(folder_->file("logo")), QStringLiteral("Icons (*.ico)"))});
    const std::string icon = folder_->file("logo.ico");
    QCOMPARE(form->LastIconFile(), icon);
    QCOMPARE(testing::ReadBytes(icon).substr(0, 4), std::string("\0\0\1\0", 4));

    click(*form, "OpenEdit");
    QTRY_VERIFY_WITH_TIMEOUT(testing::FileExists(bin.file("args")), 20000);
    QCOMPARE(testing::ReadBytes(bin.file("args")), icon + "\n");
}

void Bmp2IconFormTest::glyphSaveWritesThePreviewBitmap()
{
    auto form = showForm(photo_);
    click(*form, "ConvertBut");
    const std::string glyph = folder_->file("glyph.bmp");
    click(*form, "SaveBut", {ChooseFile(QString::fromStdString(glyph), QStringLiteral("Glyph(*.bmp)"))});
    const TBitmap written = ReadPictureFile(glyph, PictureFormat::Bmp);
    QCOMPARE(written.width(), 32);
    QCOMPARE(written.height(), 24);
    QCOMPARE(testing::ReadBytes(glyph).substr(0, 2), std::string("BM"));
}

void Bmp2IconFormTest::convertWithoutAPictureAsksForOne()
{
    for (const std::string &picture : {std::string(), folder_->file("missing.jpg")}) {
        auto form = showForm(picture);
        QString shown;
        click(*form, "ConvertBut", {AnswerMessage(&shown)});
        QCOMPARE(shown, QStringLiteral("Information|You must load a picture first!"));
    }
}

} // namespace vistrel

int main(int argc, char **argv) { return vistrel::testing::RunQtTest<vistrel::Bmp2IconFormTest>(argc, argv); }
#include "bmp2icon_form_test.moc"
