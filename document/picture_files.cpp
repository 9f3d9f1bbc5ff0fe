#include "document/picture_files.h"

#include "platform/bmp_codec.h"
#include "platform/file_names.h"
#include "platform/jpeg_codec.h"

#include <algorithm>
#include <cctype>

namespace vistrel {

PictureFileKind PictureKindForOpening(const std::string &path)
{
    std::string ext = ExtractFileExt(path);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (ext == ".JPG" || ext == ".JPEG")
        return PictureFileKind::Jpeg;
    if (ext == ".BMP")
        return PictureFileKind::Bmp;
    return PictureFileKind::Other;
}

bool IsDroppablePicture(const std::string &path)
{
    const std::string ext = ExtractFileExt(path);
    return ext == ".jpg" || ext == ".bmp" || ext == ".jpeg";
}

TBitmap LoadPictureFile(const std::string &path)
{
    switch (PictureKindForOpening(path)) {
    case PictureFileKind::Jpeg: return ReadJpegFile(path);
    case PictureFileKind::Bmp: return ReadBmpFile(path);
    case PictureFileKind::Other: break;
    }
    return TBitmap();
}

} // namespace vistrel
