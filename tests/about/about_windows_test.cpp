// The about box, the donation dialog and their menu items, on a display.
#include "about/about_box.h"
#include "about/donate_form.h"
#include "about/donation.h"
#include "about/movie_scroll.h"
#include "app/main_window.h"
#include "tests/app/frame_parts.h"
#include "document/child_window.h"
#include "tests/document/child_window_parts.h"
#include "tests/support/qt_test_main.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace vistrel {

// Opened links land here instead of in a browser.
class LinkRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

namespace {

TAboutBoxDlg MovieAbout(int speed)
{
    TAboutBoxDlg about;
    about.UseMovie = true;
    about.SetMovieSpeed(speed);
    about.MovieText = QStringList{"[center][b]Title", "line", "", "end"};
    return about;
}

QColor Background(const QWidget *widget) { return widget->palette().color(QPalette::Window); }

} // namespace

class AboutWindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        qputenv("VISTREL_HOME", home_->path().toLocal8Bit());
    }

    void aboutBoxShowsTheBuildsVersionAndTheProperties()
    {
        TAboutBoxDlg about;
        about.ProductName = "Vistrel";
        about.Copyright = "2026 us";
        about.Comments = "first\r\nsecond";
        const std::unique_ptr<TAboutBox> box = about.CreateForm(nullptr);
        const TVersionParts version = ParseVersion(VISTREL_VERSION);
        QCOMPARE(box->VersNo->text(), QStringLiteral("%1.%2").arg(version.major).arg(version.minor));
        QCOMPARE(box->ReleaseLabel->text(), QString::number(version.release));
        QCOMPARE(box->BuildLabel->text(), QString::number(version.build));
        QCOMPARE(box->ProductLabel->text(), QStringLiteral("Vistrel"));
        QCOMPARE(box->CopyrightLabel->text(), QStringLiteral("2026 us"));
        QCOMPARE(box->Comments->text(), QStringLiteral("first\nsecond"));
        QVERIFY(box->windowTitle().startsWith("About "));
        QCOMPARE(box->size(), QSize(292, 378));
        QVERIFY(box->SystemInfoText().startsWith("You are probably Running "));
        QVERIFY(!box->Movie);
    }

    void commentTextIsDraggedOnlyWhileItCoversThePanel()
    {
        TAboutBoxDlg about;
        about.Comments = "text";
        const std::unique_ptr<TAboutBox> box = about.CreateForm(nullptr);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QLabel *comments = box->Comments;
        QCOMPARE(box->Panel1->width(), box->Panel2->width() - 18);
        QCOMPARE(box->Panel2->x(), 4);
        const int lowest = box->Panel1->height() - comments->height(); // 123 - 350

        const struct {
            int moveBy, top;
        } drags[] = {{-10, -10}, {5, -5}, {5, -5} /* 0 is not below the top */, {-300, -5} /* past the end */,
                     {-200, -205}, {-22, -205} /* the lowest top itself is excluded */, {-21, -226}, {-1, -226}};
        for (const auto &drag : drags) {
            const QPoint from(20, 200);
            QTest::mousePress(comments, Qt::LeftButton, {}, from);
            QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(0, drag.moveBy)), comments->mapToGlobal(QPointF(from)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(comments, &move);
            QTest::mouseRelease(comments, Qt::LeftButton, {}, from + QPoint(0, drag.moveBy));
            QCOMPARE(comments->y(), drag.top);
        }
        QCOMPARE(lowest, -227);
    }

    void theMovieTakesTheCommentAreasPlace()
    {
        const std::unique_ptr<TAboutBox> box = MovieAbout(44).CreateForm(nullptr);
        QVERIFY(box->Movie);
        QCOMPARE(box->Movie->geometry(), QRect(5, 159, 282, 131));
        QCOMPARE(box->Panel2->width(), 0);
        QCOMPARE(box->DragHint->width(), 0);
        QVERIFY(box->Movie->Loop);
        QCOMPARE(box->Movie->TimerInterval(), 44);
    }

    void creditsScrollOnlyWhileShown()
    {
        const std::unique_ptr<TAboutBox> box = MovieAbout(1).CreateForm(nullptr);
        TMovieScroll *movie = box->Movie;
        QVERIFY(!movie->Scrolling());
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QVERIFY(movie->Scrolling());
        const int start = movie->ScrollY();
        QTRY_VERIFY(movie->ScrollY() < start - 3);

        box->hide();
        QVERIFY(!movie->Scrolling());
        const int stopped = movie->ScrollY();
        QTest::qWait(30);
        QCOMPARE(movie->ScrollY(), stopped);

        box->show();
        QVERIFY(movie->Scrolling());
    }

    void loopingCreditsComeAgainFromBelow()
    {
        TMovieScroll movie;
        movie.resize(100, 40);
        movie.SetScrollText({"one"});
        movie.Loop = true;
        movie.SetTimerInterval(1);
        movie.show();
        int highest = movie.ScrollY();
        QTRY_VERIFY_WITH_TIMEOUT((highest = std::min(highest, movie.ScrollY()), movie.ScrollY() > highest + 10), 10000);
        QVERIFY(highest < 0);
        QVERIFY(movie.Scrolling());
        QVERIFY(!movie.Completed());
    }

    void creditsWithoutLoopEndOnTheCompleteText()
    {
        TMovieScroll movie;
        movie.resize(120, 30);
        movie.SetScrollText({"a", "b"});
        movie.SetTimerInterval(1);
        movie.show();
        QTRY_VERIFY_WITH_TIMEOUT(movie.Completed(), 10000);
        QVERIFY(!movie.Scrolling());
        // Drawn centred: the middle of the control is no longer the background.
        const QImage shot = movie.grab().toImage();
        bool textInMiddle = false;
        for (int x = 0; x < shot.width(); ++x)
            textInMiddle |= shot.pixelColor(x, shot.height() / 2) != movie.BackColor;
        QVERIFY(textInMiddle);
    }

    void donateFormTakesTheComponentsTextAndValue()
    {
        const struct {
            int value;
            const char *shown;
        } cases[] = {{0, "10"}, {5, "5"}, {-2, "10"}};
        for (const auto &c : cases) {
            TDonateDlg donate;
            donate.SetProductName("Vistrel");
            donate.Value = c.value;
            const std::unique_ptr<TDonateForm> form = donate.CreateForm(nullptr);
            form->show();
            form->activateWindow();
            QTRY_COMPARE(form->Label30->text(), QStringLiteral("Donate for Vistrel"));
            QCOMPARE(form->AmountBox->text(), QString::fromLatin1(c.shown));
            QVERIFY(form->windowTitle().startsWith("Donate for Vistrel! Time: "));
            QVERIFY(form->MemoDonate->toPlainText().startsWith("Vistrel is Freeware"));
            QCOMPARE(donate.DonateText.size(), 10); // the default text stays with the component
        }
    }

    void amountBoxKeepsOutKeysItHasNoUseForButNotTabOrEscape()
    {
        TDonateDlg donate;
        donate.Value = 5;
        const std::unique_ptr<TDonateForm> form = donate.CreateForm(nullptr);
        form->show();
        form->activateWindow();
        QTRY_COMPARE(form->AmountBox->text(), QStringLiteral("5"));
        QLineEdit *box = form->AmountBox;
        box->setFocus();
        box->end(false);
        QTest::keyClicks(box, "a.-x ");
        QCOMPARE(box->text(), QStringLiteral("5"));
        QTest::keyClick(box, Qt::Key_7);
        QTest::keyClick(box, Qt::Key_3, Qt::KeypadModifier);
        QCOMPARE(box->text(), QStringLiteral("573"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Left);
        QTest::keyClick(box, Qt::Key_Delete);
        QCOMPARE(box->text(), QStringLiteral("5"));

        const struct {
            const char *clipboard, *after;
        } pastes[] = {{"12", "512"}, {"abc", "512"}, {"4.5", "512"}};
        for (const auto &paste : pastes) {
            QGuiApplication::clipboard()->setText(QString::fromLatin1(paste.clipboard));
            box->end(false);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(box->text(), QString::fromLatin1(paste.after));
        }
        box->selectAll();
        QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier); // cut is not let through
        QCOMPARE(box->text(), QStringLiteral("512"));
        for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) { // both leave the box
            box->setFocus();
            QTest::keyClick(box, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            QVERIFY(form->focusWidget() != box);
        }
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Escape);
        QVERIFY(form->isHidden());
    }

    void clockLightsTheBitsOfTheTime()
    {
        TDonateDlg donate;
        const std::unique_ptr<TDonateForm> form = donate.CreateForm(nullptr);
        form->ShowTime(QTime(13, 5, 59));
        const TClockBits lit = BinaryClockBits(13, 5, 59);
        for (int i = 0; i < kClockBitCount; ++i)
            QCOMPARE(Background(form->ClockLabels[static_cast<size_t>(i)]),
                     lit[static_cast<size_t>(i)] ? QColor(0, 0, 255) : QColor(0, 0, 128));
        QCOMPARE(form->ClockLabels[1]->text(), QStringLiteral("8"));
        QVERIFY(form->ClockLabels[1]->x() > form->ClockLabels[4]->x()); // the ones sit at the left
    }

    void paymentButtonOpensTheLinkWithTheTypedAmount()
    {
        LinkRecorder browser;
        QDesktopServices::setUrlHandler("https", &browser, "open");
        TDonateDlg donate;
        donate.SetProductName("Vistrel");
        donate.Value = 5;
        const std::unique_ptr<TDonateForm> form = donate.CreateForm(nullptr);
        form->show();
        form->activateWindow();
        QTRY_COMPARE(form->AmountBox->text(), QStringLiteral("5"));
        form->PaymentButton->click();
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(browser.opened.size(), 1);
        QVERIFY(browser.opened[0].toString(QUrl::FullyEncoded).endsWith(PaymentParameters("Vistrel", "5")));
        QCOMPARE(browser.opened[0].host(), QUrl(TMakerAddresses::kPaymentPage).host());
    }

    void bothWindowsMenusOpenTheDialogs()
    {
        TForm1 frame;
        QVERIFY(testing::framePart(frame, "About1")->isEnabled());
        QVERIFY(!testing::framePart(frame, "Donate1")->isVisible()); // hidden in the main window's menu, but working

        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::green);
        const QString path = home_->filePath("green.jpg");
        QVERIFY(picture.save(path));
        frame.show();
        frame.OpenDocumentWindow(path.toStdString());
        auto *child = qobject_cast<TChild *>(frame.ActiveMDIChild());
        QVERIFY(child);

        const struct {
            QAction *item;
            const char *window;
        } items[] = {{testing::framePart(frame, "About1"), "vistrel::TAboutBox"},
                     {testing::framePart(frame, "Donate1"), "vistrel::TDonateForm"},
                     {testing::part(child, "About1"), "vistrel::TAboutBox"},
                     {testing::part(child, "Donate1"), "vistrel::TDonateForm"}};
        QStringList texts;
        for (const auto &item : items) {
            QVERIFY(item.item->isEnabled() || !item.item->isVisible());
            QString opened;
            QTimer::singleShot(0, [&opened, &texts] {
                QWidget *modal = QApplication::activeModalWidget();
                if (modal) {
                    opened = QString::fromLatin1(modal->metaObject()->className());
                    for (const QLabel *label : modal->findChildren<QLabel *>())
                        texts << label->text();
                    modal->close();
                }
            });
            item.item->trigger();
            QCOMPARE(opened, QString::fromLatin1(item.window));
        }
        QVERIFY(frame.AboutComments().contains(QStringLiteral("Thanks for using Vistrel")));
        QVERIFY(texts.join(QLatin1Char('\n')).contains(QStringLiteral("Thanks for using Vistrel"))); // the comments shown
    }

private:
    std::unique_ptr<QTemporaryDir> home_;
};

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::AboutWindowsTest>(argc, argv, vistrel::testing::TestDisplay::Real);
}
#include "about_windows_test.moc"
