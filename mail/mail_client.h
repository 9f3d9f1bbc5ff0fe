#pragma once

#include "mail/mail_message.h"

#include <string>
#include <sys/types.h>

namespace vistrel {

// The desktop's mail client, looked for once per run: the first lookup decides, also when it
// finds nothing, until the program starts again.
class TMailClient {
public:
    explicit TMailClient(std::string program = "xdg-email") : program_(std::move(program)) {}

    // The client's full path, empty when it is not installed.
    const std::string &Locate();

    // Starts the client on the message without waiting for it and without a shell; the client
    // outlives the program if it must. Returns its process id, or -1 when it could not start.
    pid_t Start(const MapiMessage &message);

private:
    std::string program_;
    std::string path_;
    bool checked_ = false;
};

// The client of this run.
TMailClient &ProgramMailClient();

// The exit of a started client, polled without blocking: nothing while it runs.
struct MailClientExit {
    bool Ended = false;
    MailResult Result = kMailSuccess;
};
MailClientExit PollMailClient(pid_t process);

} // namespace vistrel
