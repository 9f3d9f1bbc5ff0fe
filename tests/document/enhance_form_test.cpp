#include "imaging/enhance_form.h"

#include "imaging/enhance.h"
#include "tests/support/qt_test_main.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace vistrel {

namespace {

TBitmap gradient(int width, int height)
{
    TBitmap picture(width, height, PixelFormat::pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, PaletteEntry{static_cast<uint8_t>(x * 3), static_cast<uint8_t>(y * 5), 120, 0});
    return picture;
}

TBitmap inverted(TBitmap picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const PaletteEntry c = picture.pixel(x, y);
            picture.setPixel(x, y, PaletteEntry{static_cast<uint8_t>(255 - c.b), static_cast<uint8_t>(255 - c.g),
                                                static_cast<uint8_t>(255 - c.r), 0});
        }
    return picture;
}

// Shows the dialog modally and runs `steps` inside it; returns the modal result.
int runModal(TPicEnhanceForm &dialog, std::function<void()> steps)
{
    QTimer::singleShot(0, std::move(steps));
    return dialog.exec();
}

void choose(TPicEnhanceForm &dialog, int function, int value)
{
    dialog.ImgFuncCbo->setCurrentIndex(function);
    dialog.SpinEdit1->setValue(value);
}

} // namespace

class EnhanceFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWithNoFunctionChosen();
    void everyApplyStartsFromTheSource();
    void applyWithoutAFunctionLeavesACopy();
    void rippleRandomDiffersFromOneApplyToTheNext();
    void textThatIsNoIntegerCountsAsZero();
    void editedComboTextChoosesNoFunction();
    void acceptReturnsTheLastResultWithSix();
    void acceptWithoutApplyReturnsThePictureUnchanged();
    void cancelAndCloseBoxGiveTwoAndKeepThePicture();
    void previewShowsTheTopLeftCornerAtNaturalSize();
};

void EnhanceFormTest::startsWithNoFunctionChosen()
{
    TPicEnhanceForm dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Image enhancements"));
    QCOMPARE(dialog.size(), QSize(378, 173));
    QVERIFY(dialog.ImgFuncCbo->isEditable());
    QCOMPARE(dialog.ImgFuncCbo->currentIndex(), -1);
    QCOMPARE(dialog.ImgFuncCbo->currentText(), QStringLiteral("Select Function"));
    QCOMPARE(dialog.ImgFuncCbo->count(), 11);
    for (int i = 0; i < 11; ++i)
        QCOMPARE(dialog.ImgFuncCbo->itemText(i), QString::fromUtf8(EnhancementTable[static_cast<size_t>(i)].Caption));
    QCOMPARE(dialog.SpinValue(), 0);
    dialog.SpinEdit1->setValue(-2000000000); // no limits
    QCOMPARE(dialog.SpinValue(), -2000000000);
    QCOMPARE(dialog.Image1->size(), QSize(121, 105));
}

void EnhanceFormTest::everyApplyStartsFromTheSource()
{
    const TBitmap source = gradient(20, 10);
    TPicEnhanceForm dialog;
    dialog.SetWorkBitmap(source);
    dialog.show();

    choose(dialog, 0, -1); // Solorize with -1 inverts every pixel
    dialog.SpeedButton2->click();
    QCOMPARE(dialog.ResultBitmap(), inverted(source));
    dialog.SpeedButton2->click(); // inverting again would give the source back
    QCOMPARE(dialog.ResultBitmap(), inverted(source));

    choose(dialog, 1, 1); // Posterize to steps of 11, twice the same
    dialog.SpeedButton2->click();
    const TBitmap once = dialog.ResultBitmap();
    dialog.SpeedButton2->click();
    QCOMPARE(dialog.ResultBitmap(), once);
    TBitmap expected;
    ApplyEnhancement(1, source, expected, 1, 0);
    QCOMPARE(once, expected);
    QCOMPARE(dialog.SourceBitmap(), source);
}

void EnhanceFormTest::rippleRandomDiffersFromOneApplyToTheNext()
{
    TPicEnhanceForm dialog;
    dialog.SetWorkBitmap(gradient(40, 30));
    dialog.show();
    choose(dialog, 5, 9);
    QCOMPARE(dialog.ImgFuncCbo->currentText(), QStringLiteral("Ripple Random"));
    dialog.SpeedButton2->click();
    const TBitmap first = dialog.ResultBitmap();
    // Two clock seeds can meet; three equal pictures in a row cannot come from a clock.
    bool differs = false;
    for (int apply = 0; apply < 3 && !differs; ++apply) {
        QTest::qWait(2);
        dialog.SpeedButton2->click();
        differs = dialog.ResultBitmap() != first;
    }
    QVERIFY(differs);
}

void EnhanceFormTest::applyWithoutAFunctionLeavesACopy()
{
    const TBitmap source = gradient(20, 10);
    TPicEnhanceForm dialog;
    dialog.SetWorkBitmap(source);
    dialog.show();
    dialog.SpinEdit1->setValue(-1);
    dialog.SpeedButton2->click();
    QCOMPARE(dialog.ResultBitmap(), source);
}

void EnhanceFormTest::textThatIsNoIntegerCountsAsZero()
{
    TPicEnhanceForm dialog;
    dialog.SpinEdit1->setValue(12);
    dialog.SpinEdit1->findChild<QLineEdit *>()->setText(QStringLiteral("abc"));
    QCOMPARE(dialog.SpinValue(), 0);
    dialog.SpinEdit1->findChild<QLineEdit *>()->setText(QString());
    QCOMPARE(dialog.SpinValue(), 0);
    dialog.SpinEdit1->findChild<QLineEdit *>()->setText(QStringLiteral("-7"));
    QCOMPARE(dialog.SpinValue(), -7);
}

void EnhanceFormTest::editedComboTextChoosesNoFunction()
{
    TPicEnhanceForm dialog;
    dialog.ImgFuncCbo->setCurrentIndex(3);
    QCOMPARE(dialog.SelectedFunction(), 3);
    dialog.ImgFuncCbo->setEditText(QStringLiteral("Something else"));
    QCOMPARE(dialog.SelectedFunction(), -1);
}

void EnhanceFormTest::acceptReturnsTheLastResultWithSix()
{
    const TBitmap source = gradient(20, 10);
    TPicEnhanceForm dialog;
    dialog.SetWorkBitmap(source);
    const int result = runModal(dialog, [&dialog] {
        choose(dialog, 0, -1);
        dialog.SpeedButton2->click();
        dialog.SpeedButton1->click();
    });
    QCOMPARE(result, 6);
    QCOMPARE(dialog.WorkBitmap(), inverted(source));
    QCOMPARE(dialog.TakeWorkBitmap(), inverted(source));
}

void EnhanceFormTest::acceptWithoutApplyReturnsThePictureUnchanged()
{
    const TBitmap source = gradient(20, 10);
    TPicEnhanceForm dialog;
    dialog.SetWorkBitmap(source);
    QCOMPARE(runModal(dialog, [&dialog] { dialog.SpeedButton1->click(); }), 6);
    QCOMPARE(dialog.WorkBitmap(), source);
}

void EnhanceFormTest::cancelAndCloseBoxGiveTwoAndKeepThePicture()
{
    const TBitmap source = gradient(20, 10);
    TPicEnhanceForm dialog;
    dialog.SetWorkBitmap(source);
    QCOMPARE(runModal(dialog, [&dialog] {
                 choose(dialog, 0, -1);
                 dialog.SpeedButton2->click();
                 dialog.SpeedButton3->click();
             }),
             2);
    QCOMPARE(dialog.WorkBitmap(), source);

    QCOMPARE(runModal(dialog, [&dialog] {
                 dialog.SpeedButton2->click();
                 dialog.close();
             }),
             2);
    QCOMPARE(dialog.WorkBitmap(), source);

    QCOMPARE(runModal(dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); }), 2);
}

void EnhanceFormTest::previewShowsTheTopLeftCornerAtNaturalSize()
{
    TPicEnhanceForm dialog;
    dialog.SetWorkBitmap(gradient(200, 40));
    dialog.show();
    const QImage &shown = dialog.Image1->Shown();
    QCOMPARE(shown.size(), QSize(121, 40));
    QCOMPARE(shown.pixel(10, 7), qRgb(120, 35, 30));

    dialog.SetWorkBitmap(gradient(5, 4));
    dialog.hide();
    dialog.show();
    QCOMPARE(dialog.Image1->Shown().size(), QSize(5, 4));
}

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::EnhanceFormTest>(argc, argv);
}

#include "enhance_form_test.moc"
