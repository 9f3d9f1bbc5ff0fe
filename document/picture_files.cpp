#include "document/picture_files.h"

#include "platform/bmp_codec.h"
#include "platform/jpeg_codec.h"

#include <algorithm>
#include <cctype>

namespace vistrel {

std::string ExtractFileExt(const std::string &path)
{
    const size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.')
        return std::string();
    return path.substr(dot);
}

std::string ExtractFileName(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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
