#include "mail/mail_client.h"

#include <QStandardPaths>
#include <QString>

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace vistrel {

const std::string &TMailClient::Locate()
{
    if (!checked_) {
        checked_ = true;
        path_ = QStandardPaths::findExecutable(QString::fromStdString(program_)).toStdString();
    }
    return path_;
}

pid_t TMailClient::Start(const MapiMessage &message)
{
    const std::string &path = Locate();
    if (path.empty())
        return -1;
    std::vector<std::string> arguments = MailClientArguments(message);
    arguments.insert(arguments.begin(), path);
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t process = -1;
    if (::posix_spawn(&process, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return process;
}

TMailClient &ProgramMailClient()
{
    static TMailClient client;
    return client;
}

MailClientExit PollMailClient(pid_t process)
{
    int status = 0;
    pid_t ended = ::waitpid(process, &status, WNOHANG);
    while (ended < 0 && errno == EINTR)
        ended = ::waitpid(process, &status, WNOHANG);
    if (ended == 0)
        return {};
    if (ended < 0) // reaped elsewhere: its outcome is unknown
        return {true, kMailFailure};
    return {true, MailResultOfExit(WIFEXITED(status) ? WEXITSTATUS(status) : -1, !WIFEXITED(status))};
}

} // namespace vistrel
