#include "widgets/collapse_splitter.h"
#include "tests/support/qt_test_main.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QTest>

namespace vistrel {

namespace {

// A pane left of the bar and an area filling the rest, as the main window lays them out.
struct PaneWithBar {
    QWidget window;
    QWidget *pane = new QWidget;
    TCollapseSplitter *bar = new TCollapseSplitter;
    QWidget *area = new QWidget;
    int maximizes = 0;
    int restores = 0;

    explicit PaneWithBar(bool barFirst = false)
    {
        auto *layout = new QHBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        if (!barFirst)
            layout->addWidget(pane);
        layout->addWidget(bar);
        if (barFirst)
            layout->addWidget(pane);
        layout->addWidget(area, 1);
        pane->setFixedWidth(200);
        bar->setMinSize(1);
        bar->setButtonWidth(211);
        QObject::connect(bar, &TCollapseSplitter::OnMaximize, bar, [this] { ++maximizes; });
        QObject::connect(bar, &TCollapseSplitter::OnRestore, bar, [this] { ++restores; });
        window.resize(640, 480);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    QPoint ButtonCentre() const
    {
        const TRect button = bar->ButtonRect();
        return QPoint((button.Left + button.Right) / 2, (button.Top + button.Bottom) / 2);
    }

    // Press, move and release with the left button held, as a user's drag delivers them: the bar
    // follows the mouse, so the release lands where the bar has moved to.
    void Drag(const QPoint &from, const QPoint &to)
    {
        const QPoint start = bar->mapToGlobal(from);
        const QPoint end = start + (to - from);
        Send(QEvent::MouseButtonPress, start, Qt::LeftButton);
        Send(QEvent::MouseMove, end, Qt::LeftButton);
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        Send(QEvent::MouseButtonRelease, end, Qt::NoButton);
    }

    void Send(QEvent::Type type, const QPoint &global, Qt::MouseButtons held)
    {
        QMouseEvent event(type, QPointF(bar->mapFromGlobal(global)), QPointF(global), Qt::LeftButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(bar, &event);
    }
};

} // namespace

class CollapseSplitterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultsAreThoseOfTheComponent()
    {
        TCollapseSplitter bar;
        QCOMPARE(bar.Version(), QString("TCollapseSplitter v1.10"));
        QVERIFY(bar.AllowDrag());
        QCOMPARE(bar.ButtonWidthType(), btwPixels);
        QCOMPARE(bar.ButtonWidth(), 100);
        QVERIFY(bar.ShowButton());
        QCOMPARE(bar.ArrowColor(), QColor(0, 0, 0x80));
        QCOMPARE(bar.ButtonHighlightColor(), QColor(0xCF, 0xCF, 0xFF));
        QCOMPARE(bar.TextureColor1(), QColor(Qt::white));
        QCOMPARE(bar.TextureColor2(), QColor(0, 0, 0x80));
        QCOMPARE(bar.width(), 10);
        QVERIFY(!bar.Beveled());
        QVERIFY(!bar.Maximized());
        QCOMPARE(bar.RestoreSize(), -1);
    }

    void buttonSitsInTheMiddleOfTheBar()
    {
        PaneWithBar fixture;
        QCOMPARE(fixture.bar->height(), 480);
        const TRect button = fixture.bar->ButtonRect();
        QCOMPARE(button, (TRect{1, 134, 9, 345}));
        QCOMPARE(fixture.bar->RestoreSize(), 200);
    }

    void switchingToPercentClampsTheWidth()
    {
        TCollapseSplitter bar;
        bar.setButtonWidth(211);
        bar.setButtonWidthType(btwPercentage);
        QCOMPARE(bar.ButtonWidth(), 100);
        bar.setButtonWidth(-3);
        QCOMPARE(bar.ButtonWidth(), 0);
    }

    void clickingTheButtonCollapsesAndRestores()
    {
        PaneWithBar fixture;
        QTest::mouseClick(fixture.bar, Qt::LeftButton, {}, fixture.ButtonCentre());
        QVERIFY(fixture.bar->Maximized());
        QCOMPARE(fixture.pane->maximumWidth(), 1);
        QTRY_COMPARE(fixture.pane->width(), 1);
        QCOMPARE(fixture.maximizes, 1);

        QTest::mouseClick(fixture.bar, Qt::LeftButton, {}, fixture.ButtonCentre());
        QVERIFY(!fixture.bar->Maximized());
        QTRY_COMPARE(fixture.pane->width(), 200);
        QCOMPARE(fixture.restores, 1);
    }

    void pressAndReleaseSixPixelsApartAlongTheAxisIsADrag()
    {
        PaneWithBar fixture;
        const QPoint centre = fixture.ButtonCentre();
        fixture.Drag(centre, centre + QPoint(5, 0));
        QVERIFY(fixture.bar->Maximized());
        QCOMPARE(fixture.pane->maximumWidth(), 1);

        PaneWithBar second;
        second.Drag(second.ButtonCentre(), second.ButtonCentre() + QPoint(6, 0));
        QVERIFY(!second.bar->Maximized());
        QCOMPARE(second.maximizes, 0);
        QCOMPARE(second.pane->maximumWidth(), 206);
        QCOMPARE(second.bar->RestoreSize(), 206);
    }

    void draggingBelowMinSizeCollapses()
    {
        PaneWithBar fixture;
        const QPoint offButton(5, 20);
        fixture.Drag(offButton, offButton - QPoint(500, 0));
        QCOMPARE(fixture.pane->maximumWidth(), 1);
        QVERIFY(fixture.bar->Maximized());
        QCOMPARE(fixture.maximizes, 1);
        QCOMPARE(fixture.bar->RestoreSize(), 200);

        fixture.Drag(offButton, offButton + QPoint(150, 0));
        QVERIFY(!fixture.bar->Maximized());
        QCOMPARE(fixture.pane->maximumWidth(), 151);
        QCOMPARE(fixture.restores, 1);
    }

    void withoutDragOnlyTheButtonWorks()
    {
        PaneWithBar fixture;
        fixture.bar->setAllowDrag(false);
        fixture.Drag(QPoint(5, 20), QPoint(-100, 20));
        QCOMPARE(fixture.pane->maximumWidth(), 200);
        QVERIFY(!fixture.bar->Maximized());
    }

    void withoutANeighbourTheButtonDoesNothing()
    {
        PaneWithBar fixture(true);
        QCOMPARE(fixture.bar->Neighbour(), nullptr);
        QTest::mouseClick(fixture.bar, Qt::LeftButton, {}, fixture.ButtonCentre());
        QVERIFY(!fixture.bar->Maximized());
        QCOMPARE(fixture.maximizes, 0);

        fixture.bar->setAlign(alRight);
        QCOMPARE(fixture.bar->Neighbour(), fixture.pane);
        fixture.pane->setEnabled(false);
        QCOMPARE(fixture.bar->Neighbour(), nullptr);
    }

    void hoveringTheButtonHighlightsIt()
    {
        PaneWithBar fixture;
        QTest::mouseMove(fixture.bar, fixture.ButtonCentre());
        QTRY_VERIFY(fixture.bar->Highlighted());
        QCOMPARE(fixture.bar->grab().toImage().pixelColor(fixture.ButtonCentre().x() - 2, 200),
                 QColor(0xCF, 0xCF, 0xFF));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(fixture.bar, &leave);
        QVERIFY(!fixture.bar->Highlighted());
    }

    void buttonIsFramedWithArrowsTowardsThePane()
    {
        PaneWithBar fixture;
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(fixture.bar, &leave);
        const QImage shown = fixture.bar->grab().toImage();
        QCOMPARE(shown.pixelColor(1, 200), QColor(0x80, 0x80, 0x80));
        QCOMPARE(shown.pixelColor(2, 200), QColor(Qt::white));
        // The first arrow's tip points left, at the pane: its base spans the face, its tip does not.
        const int tipY = 134 + 6 + 4;
        QCOMPARE(shown.pixelColor(3, tipY), QColor(0, 0, 0x80));
        QCOMPARE(shown.pixelColor(7, tipY - 4), QColor(0, 0, 0x80));
        QCOMPARE(shown.pixelColor(4, tipY - 3), fixture.bar->ButtonColor());
    }
};

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::CollapseSplitterTest>(argc, argv);
}

#include "collapse_splitter_test.moc"
