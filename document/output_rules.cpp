#include "document/output_rules.h"

#include "platform/file_names.h"

#include <algorithm>
#include <climits>

namespace vistrel {

SaveTarget SaveAsTarget(const std::string &fileName, int filterItem)
{
    struct Item {
        int number;
        const char *extension;
        PictureFormat format;
    };
    static constexpr Item kItems[] = {{kSaveJpegItem, ".jpg", PictureFormat::Jpeg},
                                      {kSaveBmpItem, ".bmp", PictureFormat::Bmp},
                                      {kSavePngItem, ".png", PictureFormat::Png}};
    for (const Item &item : kItems)
        if (item.number == filterItem)
            return {ExtractFileExt(fileName) == item.extension ? fileName : fileName + item.extension, item.format};
    return {};
}

int PrintFactor(int printerDpi, int screenDpi)
{
    return screenDpi > 0 && printerDpi > 0 ? printerDpi / screenDpi : 0;
}

TRect PrintRect(int pictureWidth, int pictureHeight, int factorX, int factorY)
{
    const auto scaled = [](int side, int factor) {
        return static_cast<int32_t>(std::min<int64_t>(int64_t{side} * factor, INT32_MAX));
    };
    TRect rect;
    rect.Right = scaled(pictureWidth, factorX);
    rect.Bottom = scaled(pictureHeight, factorY);
    return rect;
}

MailRequest PictureMailRequest(const std::string &picName)
{
    MailRequest request;
    request.Subject = "Send mail with Vistrel";
    request.NoteText = "I like this program!!";
    request.FromName = request.FromAddress = request.ToName = request.ToAddress = kFeedbackAddress;
    request.AttachPath = request.AttachName = picName;
    request.ShowDialog = true;
    request.ConfirmDone = true;
    return request;
}

} // namespace vistrel
