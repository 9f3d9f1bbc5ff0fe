#include "platform/picture_io.h"

#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "platform/exif_orientation.h"
#include "platform/file_io.h"
#include "platform/file_names.h"
#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"
#include "platform/safe_file.h"

#include <algorithm>
#include <cctype>

namespace vistrel {

namespace {

std::string upperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

PictureFormat formatOfExtension(const std::string &extension)
{
    if (extension == ".jpg" || extension == ".jpeg")
        return PictureFormat::Jpeg;
    if (extension == ".bmp")
        return PictureFormat::Bmp;
    return PictureFormat::None;
}

PictureFormat formatOfUpperCaseExtension(const std::string &extension)
{
    if (extension == ".JPG" || extension == ".JPEG")
        return PictureFormat::Jpeg;
    if (extension == ".BMP")
        return PictureFormat::Bmp;
    if (extension == ".PNG")
        return PictureFormat::Png;
    return PictureFormat::None;
}

} // namespace

// None when the file cannot be read; the decoder then reports why.
PictureFormat PictureFormatOfContent(const std::string &path)
{
    try {
        const InputFile file(path);
        uint8_t start[8] = {};
        if (file.size() < 2)
            return PictureFormat::None;
        file.readAt(0, start, std::min<uint64_t>(file.size(), sizeof start));
        if (start[0] == 0xFF && start[1] == 0xD8)
            return PictureFormat::Jpeg;
        if (start[0] == 'B' && start[1] == 'M')
            return PictureFormat::Bmp;
        if (HasPngSignature(start, std::min<uint64_t>(file.size(), sizeof start)))
            return PictureFormat::Png;
    } catch (const Error &) {
    }
    return PictureFormat::None;
}

PictureFormat PictureFormatFor(const std::string &path, PictureNaming naming)
{
    const std::string extension = ExtractFileExt(path);
    switch (naming) {
    case PictureNaming::Opening: return formatOfUpperCaseExtension(upperCase(extension));
    case PictureNaming::Dropping: return formatOfUpperCaseExtension(upperCase(extension));
    case PictureNaming::ExactExtension: return formatOfExtension(extension);
    case PictureNaming::CommandLine: return formatOfUpperCaseExtension(upperCase(extension));
    }
    return PictureFormat::None;
}

TBitmap ReadPictureFile(const std::string &path, PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg: return Upright(ReadJpegFile(path), ReadJpegOrientation(path));
    case PictureFormat::Bmp: return ReadBmpFile(path);
    case PictureFormat::Png: return ReadPngFile(path);
    case PictureFormat::None: break;
    }
    return TBitmap();
}

TBitmap ReadPictureFile(const std::string &path, PictureNaming naming)
{
    return ReadPictureFile(path, PictureFormatFor(path, naming));
}

TBitmap ReadPictureByContent(const std::string &path, PictureNaming hint)
{
    PictureFormat format = PictureFormatOfContent(path);
    if (format == PictureFormat::None)
        format = PictureFormatFor(path, hint);
    if (format == PictureFormat::None)
        throw Error("Cannot read picture " + path + ": not a JPEG, BMP or PNG file");
    return ReadPictureFile(path, format);
}

void WritePictureFile(const TBitmap &picture, const std::string &path, PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg: return WriteJpegFile(picture, path);
    case PictureFormat::Bmp: return WriteBmpFile(picture, path);
    case PictureFormat::Png: return WritePngFile(picture, path);
    case PictureFormat::None: break;
    }
    throw WriteError(path, "only JPEG, BMP and PNG pictures can be written");
}

} // namespace vistrel
