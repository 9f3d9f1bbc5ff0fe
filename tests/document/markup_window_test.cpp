#include "document/child_window.h"
#include "platform/picture_io.h"
#include "settings/ini_file.h"
#include "tests/document/child_window_parts.h"
#include "tests/support/files.h"
#include "tests/support/pictures.h"
#include "tests/support/qt_test_main.h"

#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QtTest>

#include <cmath>

namespace vistrel {

class MarkupWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void marksLandOnThePicturePixelUnderThePointer_data();
    void marksLandOnThePicturePixelUnderThePointer();
};

void MarkupWindowTest::marksLandOnThePicturePixelUnderThePointer_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<int>("zoomSteps"); // "+" when positive, "-" when negative
    QTest::addColumn<QString>("colour"); // picked in the menu first, or empty
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("storedColour");
    QTest::addColumn<QPoint>("probe"); // where the colour shows, from the pixel under the press

    QTest::newRow("rectangle zoomed in") << "Rectangle" << 4 << "" << QPoint(41, 37) << QPoint(250, 180) << "" << QPoint();
    QTest::newRow("line zoomed out, in blue") << "Line" << -3 << "Blue" << QPoint(12, 80) << QPoint(90, 7) << "#2060e0" << QPoint();
    QTest::newRow("arrow zoomed in, in green") << "Arrow" << 2 << "Green" << QPoint(200, 150) << QPoint(20, 30)
                                               << "#20b040" << QPoint();
    QTest::newRow("step marker zoomed in") << "Step" << 3 << "" << QPoint(123, 77) << QPoint(123, 77) << ""
                                           << QPoint(-16, 0); // beside the number
}

// Each row draws one mark with the mouse at a zoom other than 100 % and finds it, and its colour,
// at the picture pixels under the press and the release; the colour picked is kept in the settings.
void MarkupWindowTest::marksLandOnThePicturePixelUnderThePointer()
{
    QFETCH(QString, tool);
    QFETCH(int, zoomSteps);
    QFETCH(QString, colour);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QString, storedColour);
    QFETCH(QPoint, probe);

    testing::TempFolder folder;
    const std::string settings = folder.file("Vistrel.ini");
    const std::string file = folder.file("shot.bmp");
    WritePictureFile(TBitmap(200, 160), file, PictureFormat::Bmp);
    QMdiArea area;
    area.resize(1000, 800);
    area.show();
    auto *child = new TChild(std::make_shared<testing::FakeChildHost>(settings));
    area.addSubWindow(child);
    child->ShowPicture(ReadPictureFile(file, PictureFormat::Bmp), file);
    child->show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    for (int i = 0; i < std::abs(zoomSteps); ++i)
        zoomSteps > 0 ? testing::zoomIn(child) : testing::zoomOut(child);

    testing::part(child, ("Markup" + tool.toStdString()).c_str())->trigger();
    if (!colour.isEmpty())
        for (QAction *item : testing::part<QMenu>(child, "MarkupColours")->actions())
            if (item->text() == colour)
                item->trigger();
    QWidget *layer = testing::part<QWidget>(child, "MarkupLayer");
    QTest::mousePress(layer, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(layer, (from + to) / 2);
    QTest::mouseMove(layer, to);
    QTest::mouseRelease(layer, Qt::LeftButton, Qt::NoModifier, to);
    QCOMPARE(testing::part<QLabel>(child, "StatusPanel0")->text(), QStringLiteral("%1:%2").arg(to.x()).arg(to.y()));

    const TImage *image = testing::imageOf(child);
    const auto under = [image](QPoint screen) {
        return MarkPoint{static_cast<int>((screen.x() + 0.5) * 200 / image->width()),
                         static_cast<int>((screen.y() + 0.5) * 160 / image->height())};
    };
    QCOMPARE(child->Document().Marks().size(), size_t{1});
    const Mark &mark = child->Document().Marks().front();
    QVERIFY(mark.points.front() == under(from));
    QVERIFY(mark.points.back() == under(to));
    QVERIFY(child->Document().Modified());

    const TBitmap flattened = child->Document().FlattenedPicture();
    const PaletteEntry drawn = flattened.pixel(under(from).x + probe.x(), under(from).y + probe.y());
    QCOMPARE(QColor(drawn.r, drawn.g, drawn.b), QColor(mark.colour.r, mark.colour.g, mark.colour.b));
    QCOMPARE(QString::fromStdString(ReadIniString(settings, "Markup", tool.toStdString() + " colour", "")),
             storedColour);

    testing::part(child, "actUndo")->trigger();
    QVERIFY(child->Document().Marks().empty());
    testing::part(child, "actRedo")->trigger();
    QCOMPARE(child->Document().Marks().size(), size_t{1});
}

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::MarkupWindowTest>(argc, argv);
}

#include "markup_window_test.moc"
