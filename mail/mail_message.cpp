#include "mail/mail_message.h"

#include <unistd.h>

#include <sys/stat.h>

namespace vistrel {

MapiMessage BuildMailMessage(const MailRequest &request)
{
    MapiMessage message;
    message.lpszSubject = request.Subject;
    message.lpszNoteText = request.NoteText;
    message.Originator.ulRecipClass = kMailOriginator;
    message.Originator.lpszName = request.FromName;
    message.Originator.lpszAddress = request.FromAddress;
    MapiRecipDesc recipient;
    recipient.ulRecipClass = kMailTo;
    recipient.lpszName = request.ToName;
    recipient.lpszAddress = request.ToAddress;
    message.Recipients.push_back(recipient);
    MapiFileDesc attachment;
    attachment.lpszPathName = request.AttachPath;
    attachment.lpszFileName = request.AttachName;
    message.Files.push_back(attachment);
    return message;
}

std::vector<std::string> MailClientArguments(const MapiMessage &message)
{
    std::vector<std::string> arguments{"--subject", message.lpszSubject, "--body", message.lpszNoteText};
    for (const MapiFileDesc &file : message.Files) {
        arguments.push_back("--attach");
        arguments.push_back(file.lpszPathName);
    }
    for (const MapiRecipDesc &recipient : message.Recipients)
        arguments.push_back(recipient.lpszAddress);
    return arguments;
}

std::optional<MailResult> CheckAttachments(const MapiMessage &message)
{
    for (const MapiFileDesc &file : message.Files) {
        struct stat status {};
        if (file.lpszPathName.empty() || ::stat(file.lpszPathName.c_str(), &status) != 0)
            return kMailAttachmentNotFound;
        if (!S_ISREG(status.st_mode) || ::access(file.lpszPathName.c_str(), R_OK) != 0)
            return kMailAttachmentOpenFailure;
    }
    return std::nullopt;
}

MailResult MailResultOfExit(int exitStatus, bool crashed)
{
    if (crashed)
        return kMailFailure;
    switch (exitStatus) {
    case 0: return kMailSuccess;
    case 2: return kMailAttachmentNotFound; // a file given does not exist
    case 3: return kMailUserAbort;          // a required tool (the mail client) is missing
    case 5: return kMailAttachmentOpenFailure;
    default: return kMailFailure; // 1 (syntax), 4 (the client failed) and anything else
    }
}

std::optional<MailResultText> MailResultMessage(uint32_t result, bool confirmDone)
{
    using K = MailMessageKind;
    switch (result) {
    case kMailSuccess:
        if (!confirmDone)
            return std::nullopt;
        return MailResultText{"Done! ", K::Information};
    case kMailUserAbort: return MailResultText{"User interupted or MAPI not installed", K::Warning};
    case kMailFailure: return MailResultText{"Unknown failure", K::Error};
    case kMailLoginFailure: return MailResultText{"User login failed (eg. Outlook login) ", K::Error};
    case kMailInsufficientMemory: return MailResultText{"Not enough memory ", K::Error};
    case kMailTooManyFiles: return MailResultText{"Too many attachments", K::Error};
    case kMailTooManyRecipients: return MailResultText{"Too many recipients", K::Error};
    case kMailAttachmentNotFound: return MailResultText{"Attachment not found! ", K::Error};
    case kMailAttachmentOpenFailure: return MailResultText{"Could not open attachment! ", K::Error};
    case kMailUnknownRecipient:
        return MailResultText{
            "Empf\u00e4nger nicht in Adressbuch gefunden. (Nur m\u00f6glich, wenn Emailadresse nicht angegeben.)",
            K::Error};
    case kMailBadRecipientType:
        return MailResultText{"Recipent type not MAPI_TO, MAPI_CC or MAPI_BCC!", K::Error};
    case kMailTextTooLarge: return MailResultText{"Too much text", K::Error};
    case kMailAmbiguousRecipient: return MailResultText{"Recipient not unequivocal!", K::Warning};
    default: return std::nullopt;
    }
}

} // namespace vistrel
