#include "platform/exif_orientation.h"

#include "platform/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace vistrel {

namespace {

constexpr int kMaxMarkers = 64; // real files carry a handful before the picture data
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;

bool ReadExactly(int fd, uint8_t *into, size_t size)
{
    while (size > 0) {
        const ssize_t got = ::read(fd, into, size);
        if (got <= 0)
            return false;
        into += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

// The TIFF structure inside an EXIF block, either byte order.
class TiffReader {
public:
    explicit TiffReader(const std::vector<uint8_t> &tiff) : tiff_(tiff), little_(tiff.size() > 1 && tiff[0] == 'I') {}

    bool Fits(size_t at, size_t size) const { return at <= tiff_.size() && size <= tiff_.size() - at; }
    uint16_t U16(size_t at) const
    {
        return little_ ? static_cast<uint16_t>(tiff_[at] | tiff_[at + 1] << 8)
                       : static_cast<uint16_t>(tiff_[at] << 8 | tiff_[at + 1]);
    }
    uint32_t U32(size_t at) const
    {
        return little_ ? static_cast<uint32_t>(U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16)
                       : static_cast<uint32_t>(static_cast<uint32_t>(U16(at)) << 16 | U16(at + 2));
    }

    int Orientation() const
    {
        if (!Fits(0, 8) || (tiff_[0] != 'I' && tiff_[0] != 'M') || tiff_[1] != tiff_[0])
            return 1;
        const size_t ifd = U32(4);
        if (!Fits(ifd, 2))
            return 1;
        const int entries = U16(ifd);
        for (int i = 0; i < entries; ++i) {
            const size_t entry = ifd + 2 + static_cast<size_t>(i) * 12;
            if (!Fits(entry, 12))
                return 1;
            if (U16(entry) == kOrientationTag && U16(entry + 2) == kShortType) {
                const int value = U16(entry + 8);
                return value >= 1 && value <= 8 ? value : 1;
            }
        }
        return 1;
    }

private:
    const std::vector<uint8_t> &tiff_;
    bool little_;
};

int OrientationOfApp1(const std::vector<uint8_t> &segment)
{
    static const uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (segment.size() < sizeof kExif || std::memcmp(segment.data(), kExif, sizeof kExif) != 0)
        return 0;
    return TiffReader(std::vector<uint8_t>(segment.begin() + sizeof kExif, segment.end())).Orientation();
}

} // namespace

int ReadJpegOrientation(const std::string &path)
{
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    uint8_t start[2];
    if (!file.valid() || !ReadExactly(file.get(), start, 2) || start[0] != 0xFF || start[1] != 0xD8)
        return 1;
    for (int i = 0; i < kMaxMarkers; ++i) {
        uint8_t header[4];
        if (!ReadExactly(file.get(), header, 4) || header[0] != 0xFF || header[1] == 0xDA || header[1] == 0xD9)
            return 1;
        const size_t length = static_cast<size_t>(header[2] << 8 | header[3]);
        if (length < 2)
            return 1;
        std::vector<uint8_t> segment(length - 2);
        if (!ReadExactly(file.get(), segment.data(), segment.size()))
            return 1;
        if (header[1] == 0xE1)
            if (const int orientation = OrientationOfApp1(segment))
                return orientation;
    }
    return 1;
}

bool SwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

void PlaceUpright(const TBitmap &rows, int firstRow, int orientation, TBitmap &upright)
{
    const int bytes = rows.bitsPerPixel() / 8;
    const int w = rows.width();
    const int h = SwapsSides(orientation) ? upright.width() : upright.height();
    for (int r = 0; r < rows.height(); ++r) {
        const int sy = firstRow + r;
        const uint8_t *from = rows.scanLine(r);
        for (int sx = 0; sx < w; ++sx, from += bytes) {
            // Where the stored pixel (sx, sy) stands upright.
            int x = sx, y = sy;
            switch (orientation) {
            case 2: x = w - 1 - sx; break;
            case 3: x = w - 1 - sx; y = h - 1 - sy; break;
            case 4: y = h - 1 - sy; break;
            case 5: x = sy; y = sx; break;
            case 6: x = h - 1 - sy; y = sx; break;
            case 7: x = h - 1 - sy; y = w - 1 - sx; break;
            case 8: x = sy; y = w - 1 - sx; break;
            }
            std::memcpy(upright.scanLine(y) + static_cast<size_t>(x) * bytes, from, static_cast<size_t>(bytes));
        }
    }
}

TBitmap Upright(TBitmap picture, int orientation)
{
    if (orientation < 2 || orientation > 8 || picture.empty() || picture.bitsPerPixel() < 24)
        return picture;
    const bool swapped = SwapsSides(orientation);
    TBitmap turned = TBitmap::Uncleared(swapped ? picture.height() : picture.width(),
                                        swapped ? picture.width() : picture.height(), picture.pixelFormat());
    PlaceUpright(picture, 0, orientation, turned);
    return turned;
}

} // namespace vistrel
