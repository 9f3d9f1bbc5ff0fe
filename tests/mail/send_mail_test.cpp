#include "mail/send_mail.h"

#include "tests/support/files.h"
#include "tests/support/qt_test_main.h"
#include "tests/support/stand_in.h"

#include <QMessageBox>
#include <QtTest>

namespace vistrel {

namespace {

MailRequest requestFor(const std::string &attachment)
{
    MailRequest request;
    request.Subject = "Send mail with Vistrel";
    request.NoteText = "I like this program!!";
    request.ToAddress = kFeedbackAddress;
    request.AttachPath = request.AttachName = attachment;
    return request;
}

// The result box over window, once it is there: "caption|text|icon".
QString resultShown(QWidget &window)
{
    QMessageBox *box = nullptr;
    if (!QTest::qWaitFor([&] { return (box = window.findChild<QMessageBox *>(QStringLiteral("MailResultBox"))); },
                         20000))
        return QStringLiteral("nothing shown");
    const QString shown = box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|') +
                          QString::number(box->icon());
    delete box;
    return shown;
}

} // namespace

class SendMailTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        oldPath_ = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(bin_.path()));
        testing::WriteBytes(picture_.file("shot.jpg"), "picture");
    }
    void cleanup()
    {
        qputenv("PATH", oldPath_);
        std::filesystem::remove(bin_.file("xdg-email"));
        std::filesystem::remove(bin_.file("args"));
    }

    void missingClientIsReportedAsNotInstalled()
    {
        QWidget window;
        TMailClient client;
        TSendMail(&window, client).Send(requestFor(picture_.file("shot.jpg")));
        QCOMPARE(resultShown(window),
                 QStringLiteral("Warning|User interupted or MAPI not installed|%1").arg(QMessageBox::Warning));
    }

    void missingAttachmentIsReportedWithoutAskingTheClient()
    {
        testing::WriteStandIn(bin_, "xdg-email", bin_.file("args"));
        for (const std::string &attachment : {picture_.file("gone.jpg"), std::string()}) {
            QWidget window;
            TMailClient client;
            TSendMail(&window, client).Send(requestFor(attachment));
            QCOMPARE(resultShown(window), QStringLiteral("Error|Attachment not found! |%1").arg(QMessageBox::Critical));
        }
        QVERIFY(!testing::FileExists(bin_.file("args")));
    }

    // The stand-in waits for a file that the test writes only after Send has returned.
    void successIsConfirmedOnceTheClientEndsAndSendNeverWaits()
    {
        const std::string go = bin_.file("go");
        testing::WriteStandIn(bin_, "xdg-email", bin_.file("args"),
                              "while [ ! -e '" + go + "' ]; do /bin/sleep 0.05; done; exit 0");
        QWidget window;
        TMailClient client;
        TSendMail(&window, client).Send(requestFor(picture_.file("shot.jpg")));
        QVERIFY(!window.findChild<QMessageBox *>());
        testing::WriteBytes(go, "");
        QCOMPARE(resultShown(window), QStringLiteral("Information|Done! |%1").arg(QMessageBox::Information));
        QCOMPARE(QString::fromStdString(testing::ReadBytes(bin_.file("args"))),
                 QStringLiteral("--subject\nSend mail with Vistrel\n--body\nI like this program!!\n--attach\n%1\n%2\n")
                     .arg(QString::fromStdString(picture_.file("shot.jpg")), QString::fromLatin1(kFeedbackAddress)));
    }

    void clientFailuresAreMapped()
    {
        testing::WriteStandIn(bin_, "xdg-email", bin_.file("args"), "exit 5");
        QWidget window;
        TMailClient client;
        TSendMail(&window, client).Send(requestFor(picture_.file("shot.jpg")));
        QCOMPARE(resultShown(window), QStringLiteral("Error|Could not open attachment! |%1").arg(QMessageBox::Critical));
    }

private:
    testing::TempFolder bin_;
    testing::TempFolder picture_;
    QByteArray oldPath_;
};

} // namespace vistrel

int main(int argc, char **argv) { return vistrel::testing::RunQtTest<vistrel::SendMailTest>(argc, argv); }
#include "send_mail_test.moc"
