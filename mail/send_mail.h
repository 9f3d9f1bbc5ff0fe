#pragma once

#include "mail/mail_client.h"

#include <QPointer>
#include <QWidget>

namespace vistrel {

// Hands one message with one attachment to the desktop's mail client and tells the user how it
// went, in a message box over `window`. Send returns at once: the client runs on its own, and its
// result is shown when it ends, so the window never waits for the mail client.
class TSendMail {
public:
    explicit TSendMail(QWidget *window, TMailClient &client = ProgramMailClient()) : window_(window), client_(client) {}

    void Send(const MailRequest &request);

private:
    QPointer<QWidget> window_;
    TMailClient &client_;
};

// Shows a result's message (if it has one) over window without waiting for the user.
void ShowMailResult(QWidget *window, uint32_t result, bool confirmDone);

} // namespace vistrel
