#include "mail/send_mail.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

namespace vistrel {

namespace {

constexpr int kPollInterval = 250; // ms

QMessageBox::Icon iconOf(MailMessageKind kind)
{
    switch (kind) {
    case MailMessageKind::Information: return QMessageBox::Information;
    case MailMessageKind::Warning: return QMessageBox::Warning;
    default: return QMessageBox::Critical;
    }
}

QString captionOf(MailMessageKind kind)
{
    switch (kind) {
    case MailMessageKind::Information: return QStringLiteral("Information");
    case MailMessageKind::Warning: return QStringLiteral("Warning");
    default: return QStringLiteral("Error");
    }
}

// Waits for one started client and reports its result; deletes itself afterwards.
class MailClientWatch : public QTimer {
public:
    MailClientWatch(pid_t process, QWidget *window, bool confirmDone)
        : QTimer(QCoreApplication::instance()), process_(process), window_(window), confirmDone_(confirmDone)
    {
        setInterval(kPollInterval);
        connect(this, &QTimer::timeout, this, &MailClientWatch::poll);
        start();
    }

private:
    void poll()
    {
        const MailClientExit exit = PollMailClient(process_);
        if (!exit.Ended)
            return;
        stop();
        ShowMailResult(window_, exit.Result, confirmDone_);
        deleteLater();
    }

    pid_t process_;
    QPointer<QWidget> window_;
    bool confirmDone_;
};

} // namespace

void ShowMailResult(QWidget *window, uint32_t result, bool confirmDone)
{
    const std::optional<MailResultText> message = MailResultMessage(result, confirmDone);
    if (!message)
        return;
    auto *box = new QMessageBox(iconOf(message->Kind), captionOf(message->Kind), QString::fromStdString(message->Text),
                                QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("MailResultBox"));
    box->open();
}

void TSendMail::Send(const MailRequest &request)
{
    const MapiMessage message = BuildMailMessage(request);
    if (const std::optional<MailResult> problem = CheckAttachments(message)) {
        ShowMailResult(window_, *problem, request.ConfirmDone);
        return;
    }
    const pid_t process = client_.Start(message);
    if (process < 0) {
        ShowMailResult(window_, kMailUserAbort, request.ConfirmDone);
        return;
    }
    // The watch belongs to the application, not the window: closing the window does not stop
    // the client, and the client's zombie is still collected.
    new MailClientWatch(process, window_, request.ConfirmDone);
}

} // namespace vistrel
