#include "settings/save_bounds.h"

#include "settings/ini_file.h"
#include "tests/support/files.h"
#include "tests/support/qt_test_main.h"

#include <QApplication>
#include <QCoreApplication>
#include <QScreen>
#include <QMainWindow>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace vistrel {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

class SaveBoundsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void storedBoundsPlaceTheForm();
    void aMissingFileKeepsTheFormsBounds();
    void aFreshFormRoundTripsExactly();
    void aMaximisedFormComesBackAtItsNormalRectangle();
    void boundsOutsideTheScreenComeBackInsideIt();
    void knowsItsOwnerFormAndTheExecutablesFolder();
    void destructionWritesOnlyWhenAnIniFileIsNamed();
    void useStdIniReadsFromTheExecutablesOwnIniFile();
    void changeFileExtReplacesOnlyTheNamesExtension();
};

void SaveBoundsTest::storedBoundsPlaceTheForm()
{
    TempFolder folder;
    WriteBytes(folder.file("Vistrel.ini"), "[Bounds]\nLeft=100\nTop=50\nRight=700\nBottom=450\n");
    QMainWindow form;
    TSaveBounds saver(&form);
    saver.ReadBounds(&form, folder.file("Vistrel.ini"));
    QCOMPARE(form.pos(), QPoint(100, 50));
    QCOMPARE(form.size(), QSize(600, 400));
}

void SaveBoundsTest::aMissingFileKeepsTheFormsBounds()
{
    TempFolder folder;
    QWidget form;
    form.move(33, 44);
    form.resize(321, 123);
    TSaveBounds saver(&form);
    saver.ReadBounds(&form, folder.file("Vistrel.ini"));
    saver.ReadBounds(&form, "");
    saver.ReadBounds(nullptr, folder.file("Vistrel.ini"));
    QCOMPARE(form.pos(), QPoint(33, 44));
    QCOMPARE(form.size(), QSize(321, 123));
}

void SaveBoundsTest::aFreshFormRoundTripsExactly()
{
    TempFolder folder;
    const std::string ini = folder.file("Vistrel.ini");
    WriteBytes(ini, "");
    {
        QMainWindow form;
        TSaveBounds *saver = new TSaveBounds(&form);
        saver->ReadBounds(&form, ini);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        saver->WriteBounds(&form, ini);
    }
    QCOMPARE(ReadBytes(ini), std::string("[Bounds]\nLeft=10\nTop=10\nRight=600\nBottom=500\n"));

    QMainWindow again;
    TSaveBounds saver(&again);
    saver.ReadBounds(&again, ini);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.pos(), QPoint(10, 10));
    QCOMPARE(again.size(), QSize(590, 490));
}

// The maximised rectangle with its frame added would come back larger than the screen.
void SaveBoundsTest::aMaximisedFormComesBackAtItsNormalRectangle()
{
    TempFolder folder;
    const std::string ini = folder.file("Vistrel.ini");
    QRect normal;
    {
        QMainWindow form;
        TSaveBounds saver(&form);
        form.move(40, 30);
        form.resize(200, 100);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        normal = QRect(form.pos(), form.size());
        form.showMaximized();
        QTRY_VERIFY(form.size() != QSize(200, 100));
        saver.WriteBounds(&form, ini);
    }
    QCOMPARE(QString::fromStdString(ReadBytes(ini)), QStringLiteral("[Bounds]\nLeft=%1\nTop=%2\nRight=%3\nBottom=%4\n")
                                                         .arg(normal.left()).arg(normal.top())
                                                         .arg(normal.left() + 200).arg(normal.top() + 100));
    QMainWindow again;
    TSaveBounds saver(&again);
    saver.ReadBounds(&again, ini);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QVERIFY(!again.isMaximized());
    QCOMPARE(QRect(again.pos(), again.size()), normal);
}

void SaveBoundsTest::boundsOutsideTheScreenComeBackInsideIt()
{
    const QRect desktop = QGuiApplication::primaryScreen()->availableVirtualGeometry();
    const struct {
        const char *bounds;
        QRect expected;
        QSize minimum{0, 0}; // what the form's layout needs
    } cases[] = {
        {"Left=10\nTop=10\nRight=2147483647\nBottom=2147483647", desktop},
        {"Left=-1994\nTop=1046\nRight=-1794\nBottom=1146",
         QRect(desktop.left(), desktop.bottom() + 1 - 100, 200, 100)},
        {"Left=-2147483648\nTop=-2147483648\nRight=-2147483448\nBottom=-2147483548",
         QRect(desktop.topLeft(), QSize(200, 100))},
        {"Left=20\nTop=30\nRight=220\nBottom=130", QRect(20, 30, 200, 100)},
        {"Left=3000\nTop=3000\nRight=0\nBottom=0",
         QRect(desktop.right() + 1 - 207, desktop.bottom() + 1 - 162, 207, 162), QSize(207, 162)},
    };
    for (const auto &c : cases) {
        TempFolder folder;
        WriteBytes(folder.file("Vistrel.ini"), std::string("[Bounds]\n") + c.bounds + "\n");
        QWidget form;
        auto *layout = new QVBoxLayout(&form);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addSpacerItem(new QSpacerItem(c.minimum.width(), c.minimum.height()));
        TSaveBounds saver(&form);
        saver.ReadBounds(&form, folder.file("Vistrel.ini"));
        QCOMPARE(QRect(form.pos(), form.size()), c.expected);
    }
}

void SaveBoundsTest::knowsItsOwnerFormAndTheExecutablesFolder()
{
    QWidget form;
    QObject plain;
    TSaveBounds ofForm(&form);
    TSaveBounds ofObject(&plain);
    QCOMPARE(ofForm.OwnerForm(), &form);
    QCOMPARE(ofObject.OwnerForm(), nullptr);
    QCOMPARE(QString::fromStdString(ofForm.ExeFolder()), QCoreApplication::applicationDirPath() + "/");
    QVERIFY(ofForm.IniFile().empty());
    QVERIFY(!ofForm.UseStdIni());
}

void SaveBoundsTest::destructionWritesOnlyWhenAnIniFileIsNamed()
{
    const QString base = QStringLiteral("save_bounds_test_%1").arg(QCoreApplication::applicationPid());
    const std::string ini = (QCoreApplication::applicationDirPath() + "/" + base + ".ini").toStdString();
    const auto cleanup = std::unique_ptr<const std::string, void (*)(const std::string *)>(
        &ini, [](const std::string *path) { std::remove(path->c_str()); });

    auto *unnamedForm = new QWidget;
    new TSaveBounds(unnamedForm);
    delete unnamedForm;
    QVERIFY(!testing::FileExists(ini));

    auto *form = new QWidget;
    auto *saver = new TSaveBounds(form);
    saver->SetIniFile((base + ".cfg").toStdString());
    form->move(70, 80);
    form->resize(300, 200);
    delete form;
    QCOMPARE(ReadBytes(ini), std::string("[Bounds]\nLeft=70\nTop=80\nRight=370\nBottom=280\n"));
}

void SaveBoundsTest::useStdIniReadsFromTheExecutablesOwnIniFile()
{
    const std::string ini = (QCoreApplication::applicationFilePath() + ".ini").toStdString();
    const auto cleanup = std::unique_ptr<const std::string, void (*)(const std::string *)>(
        &ini, [](const std::string *path) { std::remove(path->c_str()); });
    WriteBytes(ini, "[Bounds]\nLeft=20\nTop=30\nRight=420\nBottom=330\n");

    QWidget form;
    TSaveBounds saver(&form);
    saver.SetUseStdIni(true);
    QCOMPARE(saver.IniPath(), ini);
    QCOMPARE(form.pos(), QPoint(20, 30));
    QCOMPARE(form.size(), QSize(400, 300));
}

void SaveBoundsTest::changeFileExtReplacesOnlyTheNamesExtension()
{
    QCOMPARE(ChangeFileExt("/opt/v1.2/vistrel", ".ini"), std::string("/opt/v1.2/vistrel.ini"));
    QCOMPARE(ChangeFileExt("/opt/vistrel.bin", ".ini"), std::string("/opt/vistrel.ini"));
    QCOMPARE(ChangeFileExt("a.b.cfg", ".ini"), std::string("a.b.ini"));
    QCOMPARE(ChangeFileExt("/opt/", ".ini"), std::string("/opt/.ini"));
}

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::SaveBoundsTest>(argc, argv);
}

#include "save_bounds_test.moc"
