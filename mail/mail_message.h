#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vistrel {

// The program's own address for feedback: originator and recipient of "Send as mail".
constexpr char kFeedbackAddress[] = "feedback@vistrel.invalid";

// Results of handing a message to the mail client, numbered as the mail system numbers them.
enum MailResult : uint32_t {
    kMailSuccess = 0,
    kMailUserAbort = 1,
    kMailFailure = 2,
    kMailLoginFailure = 3,
    kMailInsufficientMemory = 5,
    kMailTooManyFiles = 9,
    kMailTooManyRecipients = 10,
    kMailAttachmentNotFound = 11,
    kMailAttachmentOpenFailure = 12,
    kMailUnknownRecipient = 14,
    kMailBadRecipientType = 15,
    kMailTextTooLarge = 18,
    kMailAmbiguousRecipient = 21,
};

constexpr uint32_t kMailOriginator = 0; // recipient class of the sender
constexpr uint32_t kMailTo = 1;
constexpr uint32_t kMailNoPosition = 0xFFFFFFFF; // the attachment is not placed inside the text

struct MapiRecipDesc {
    uint32_t ulReserved = 0;
    uint32_t ulRecipClass = kMailOriginator;
    std::string lpszName;
    std::string lpszAddress;
    uint32_t ulEIDSize = 0;
};

struct MapiFileDesc {
    uint32_t ulReserved = 0;
    uint32_t flFlags = 0;
    uint32_t nPosition = kMailNoPosition;
    std::string lpszPathName;
    std::string lpszFileName;
};

struct MapiMessage {
    uint32_t ulReserved = 0;
    std::string lpszSubject;
    std::string lpszNoteText;
    uint32_t flFlags = 0;
    MapiRecipDesc Originator;
    std::vector<MapiRecipDesc> Recipients;
    std::vector<MapiFileDesc> Files;
};

// What Send is given, in its order.
struct MailRequest {
    std::string Subject;
    std::string NoteText;
    std::string FromName;
    std::string FromAddress;
    std::string ToName;
    std::string ToAddress;
    std::string AttachPath;
    std::string AttachName;
    bool ShowDialog = true;
    bool ConfirmDone = true;
};

// One message, one recipient, one attachment.
MapiMessage BuildMailMessage(const MailRequest &request);

// The arguments that hand the message to the desktop's mail client (xdg-email): subject, text,
// attachment and address each as an argument of their own, never one command line.
std::vector<std::string> MailClientArguments(const MapiMessage &message);

// What the mail system would say before a client is asked: no attachment file (also an empty
// name) is kMailAttachmentNotFound, one that cannot be read kMailAttachmentOpenFailure.
std::optional<MailResult> CheckAttachments(const MapiMessage &message);

// The mail client's exit status as a mail result; a client that crashed is a failure.
MailResult MailResultOfExit(int exitStatus, bool crashed);

enum class MailMessageKind { Information, Warning, Error };

struct MailResultText {
    std::string Text;
    MailMessageKind Kind;
};

// The message shown for a result; none for results the user is not told about (and for a
// success when confirmDone is false).
std::optional<MailResultText> MailResultMessage(uint32_t result, bool confirmDone);

} // namespace vistrel
