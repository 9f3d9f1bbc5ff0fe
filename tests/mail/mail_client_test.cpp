#include "mail/mail_client.h"

#include "tests/support/files.h"
#include "tests/support/stand_in.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace vistrel {
namespace {

// PATH set for one test, restored afterwards.
class PathFor {
public:
    explicit PathFor(const std::string &path) : old_(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        ::setenv("PATH", path.c_str(), 1);
    }
    ~PathFor() { ::setenv("PATH", old_.c_str(), 1); }

private:
    std::string old_;
};

MailClientExit waitFor(pid_t process)
{
    for (;;) {
        const MailClientExit exit = PollMailClient(process);
        if (exit.Ended)
            return exit;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

MapiMessage message(const std::string &attachment)
{
    MailRequest request;
    request.Subject = "S";
    request.NoteText = "B";
    request.ToAddress = "to@example.invalid";
    request.AttachPath = attachment;
    return BuildMailMessage(request);
}

TEST(MailClient, TheFirstLookupHoldsForTheWholeRun)
{
    testing::TempFolder bin;
    const PathFor path(bin.path());
    TMailClient missing;
    EXPECT_EQ(missing.Locate(), "");
    testing::WriteStandIn(bin, "xdg-email", bin.file("args"));
    EXPECT_EQ(missing.Locate(), "") << "installed after the check";
    EXPECT_EQ(missing.Start(message("/x")), -1);

    TMailClient found;
    EXPECT_EQ(found.Locate(), bin.file("xdg-email"));
    std::filesystem::remove(bin.file("xdg-email"));
    EXPECT_EQ(found.Locate(), bin.file("xdg-email"));
}

TEST(MailClient, StartsTheClientWithTheArgumentsAndReportsItsExit)
{
    const struct {
        const char *then;
        MailResult result;
    } cases[] = {{"exit 0", kMailSuccess}, {"exit 2", kMailAttachmentNotFound}, {"exit 3", kMailUserAbort},
                 {"kill -9 $$", kMailFailure}};
    for (const auto &c : cases) {
        testing::TempFolder bin;
        const PathFor path(bin.path());
        testing::WriteStandIn(bin, "xdg-email", bin.file("args"), c.then);
        TMailClient client;
        const pid_t process = client.Start(message("/pictures/a b.jpg"));
        ASSERT_GT(process, 0);
        EXPECT_EQ(waitFor(process).Result, c.result) << c.then;
        EXPECT_EQ(testing::ReadBytes(bin.file("args")),
                  "--subject\nS\n--body\nB\n--attach\n/pictures/a b.jpg\nto@example.invalid\n");
    }
}

} // namespace
} // namespace vistrel
