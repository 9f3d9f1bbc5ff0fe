#include "mail/mail_message.h"

#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

MailRequest sampleRequest(const std::string &attachment = "/pictures/shot.jpg")
{
    MailRequest request;
    request.Subject = "Subject line";
    request.NoteText = "Text";
    request.FromName = "From Name";
    request.FromAddress = "from@example.invalid";
    request.ToName = "To Name";
    request.ToAddress = "to@example.invalid";
    request.AttachPath = attachment;
    request.AttachName = "shot name";
    return request;
}

TEST(MailMessage, RecordsCarryTheRequestWithOneRecipientAndOneUnplacedAttachment)
{
    const MapiMessage message = BuildMailMessage(sampleRequest());
    EXPECT_EQ(message.lpszSubject, "Subject line");
    EXPECT_EQ(message.lpszNoteText, "Text");
    EXPECT_EQ(message.flFlags, 0u);
    EXPECT_EQ(message.Originator.ulRecipClass, kMailOriginator);
    EXPECT_EQ(message.Originator.lpszName, "From Name");
    EXPECT_EQ(message.Originator.lpszAddress, "from@example.invalid");
    ASSERT_EQ(message.Recipients.size(), 1u);
    EXPECT_EQ(message.Recipients[0].ulRecipClass, kMailTo);
    EXPECT_EQ(message.Recipients[0].lpszName, "To Name");
    EXPECT_EQ(message.Recipients[0].lpszAddress, "to@example.invalid");
    ASSERT_EQ(message.Files.size(), 1u);
    EXPECT_EQ(message.Files[0].nPosition, 0xFFFFFFFFu);
    EXPECT_EQ(message.Files[0].lpszPathName, "/pictures/shot.jpg");
    EXPECT_EQ(message.Files[0].lpszFileName, "shot name");
}

TEST(MailMessage, ClientArgumentsKeepEachValueWholeWhateverItHolds)
{
    MailRequest request = sampleRequest("/tmp/a b;$(rm -rf x).jpg");
    request.Subject = "two words; `quoted`";
    const std::vector<std::string> expected{"--subject", "two words; `quoted`", "--body", "Text",
                                            "--attach", "/tmp/a b;$(rm -rf x).jpg", "to@example.invalid"};
    EXPECT_EQ(MailClientArguments(BuildMailMessage(request)), expected);
}

TEST(MailMessage, ClientExitStatusesMapToMailResults)
{
    const struct {
        int status;
        bool crashed;
        MailResult result;
    } cases[] = {
        {0, false, kMailSuccess},           {1, false, kMailFailure},
        {2, false, kMailAttachmentNotFound}, {3, false, kMailUserAbort},
        {4, false, kMailFailure},           {5, false, kMailAttachmentOpenFailure},
        {77, false, kMailFailure},          {0, true, kMailFailure},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MailResultOfExit(c.status, c.crashed), c.result) << c.status << (c.crashed ? " crashed" : "");
}

TEST(MailMessage, EveryResultHasItsTextAndKind)
{
    using K = MailMessageKind;
    const struct {
        uint32_t result;
        const char *text;
        K kind;
    } cases[] = {
        {0, "Done! ", K::Information},
        {1, "User interupted or MAPI not installed", K::Warning},
        {2, "Unknown failure", K::Error},
        {3, "User login failed (eg. Outlook login) ", K::Error},
        {5, "Not enough memory ", K::Error},
        {9, "Too many attachments", K::Error},
        {10, "Too many recipients", K::Error},
        {11, "Attachment not found! ", K::Error},
        {12, "Could not open attachment! ", K::Error},
        {14, "Empf\xc3\xa4nger nicht in Adressbuch gefunden. (Nur m\xc3\xb6glich, wenn Emailadresse nicht angegeben.)",
         K::Error},
        {15, "Recipent type not MAPI_TO, MAPI_CC or MAPI_BCC!", K::Error},
        {18, "Too much text", K::Error},
        {21, "Recipient not unequivocal!", K::Warning},
    };
    for (const auto &c : cases) {
        const auto message = MailResultMessage(c.result, true);
        ASSERT_TRUE(message) << c.result;
        EXPECT_EQ(message->Text, c.text);
        EXPECT_EQ(message->Kind, c.kind) << c.result;
    }
    for (uint32_t silent : {4u, 6u, 7u, 8u, 13u, 16u, 17u, 19u, 20u, 22u, 1000u})
        EXPECT_FALSE(MailResultMessage(silent, true)) << silent;
    EXPECT_FALSE(MailResultMessage(kMailSuccess, false));
    EXPECT_TRUE(MailResultMessage(kMailUserAbort, false));
}

TEST(MailMessage, AttachmentsAreCheckedBeforeTheClientIsAsked)
{
    testing::TempFolder folder;
    testing::WriteBytes(folder.file("shot.jpg"), "picture");
    EXPECT_FALSE(CheckAttachments(BuildMailMessage(sampleRequest(folder.file("shot.jpg")))));
    EXPECT_EQ(CheckAttachments(BuildMailMessage(sampleRequest(""))), kMailAttachmentNotFound);
    EXPECT_EQ(CheckAttachments(BuildMailMessage(sampleRequest(folder.file("gone.jpg")))), kMailAttachmentNotFound);
    EXPECT_EQ(CheckAttachments(BuildMailMessage(sampleRequest(folder.path()))), kMailAttachmentOpenFailure);
    if (::geteuid() != 0) { // root reads any file
        ::chmod(folder.file("shot.jpg").c_str(), 0);
        EXPECT_EQ(CheckAttachments(BuildMailMessage(sampleRequest(folder.file("shot.jpg")))),
                  kMailAttachmentOpenFailure);
    }
}

} // namespace
} // namespace vistrel
