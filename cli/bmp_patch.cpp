#include "cli/bmp_patch.h"

#include "platform/file_io.h"
#include "platform/safe_file.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace vistrel {

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kUncompressed = 0;

uint32_t u32At(const std::vector<uint8_t> &bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

// Where row y (from the top) of a 24-bit BMP of this size starts in the file; 0 when the header
// describes another kind of file.
struct RowLayout {
    size_t pixels = 0;
    size_t stride = 0;
    bool bottomUp = true;
};

RowLayout rowLayout(const std::vector<uint8_t> &file, const TBitmap &picture)
{
    if (file.size() < kFileHeaderBytes + kInfoHeaderBytes || file[0] != 'B' || file[1] != 'M')
        return {};
    const auto width = static_cast<int32_t>(u32At(file, 18));
    const auto height = static_cast<int32_t>(u32At(file, 22));
    const unsigned bits = file[28] | file[29] << 8;
    if (u32At(file, 14) < kInfoHeaderBytes || bits != 24 || u32At(file, 30) != kUncompressed
        || width != picture.width() || height == INT32_MIN || std::abs(height) != picture.height())
        return {};
    const RowLayout layout{u32At(file, 10), TBitmap::strideFor(width, PixelFormat::pf24bit), height > 0};
    if (layout.pixels < kFileHeaderBytes + kInfoHeaderBytes
        || layout.pixels + layout.stride * static_cast<size_t>(picture.height()) > file.size())
        return {};
    return layout;
}

} // namespace

bool WriteBmpPatched(const std::string &input, const TBitmap &changed, const TRect &area, const std::string &output)
{
    if (changed.pixelFormat() != PixelFormat::pf24bit)
        return false;
    const InputFile file(input);
    // The picture was read from this file: anything much larger is not the same file any more.
    if (file.size() > kFileHeaderBytes + 65536 + changed.bytesPerLine() * static_cast<size_t>(changed.height()))
        return false;
    std::vector<uint8_t> bytes(file.size());
    file.readAt(0, bytes.data(), bytes.size());
    const RowLayout layout = rowLayout(bytes, changed);
    if (layout.pixels == 0)
        return false;
    for (int y = area.Top; y < area.Bottom; ++y) {
        const size_t row = static_cast<size_t>(layout.bottomUp ? changed.height() - 1 - y : y);
        std::memcpy(bytes.data() + layout.pixels + row * layout.stride + size_t(area.Left) * 3,
                    changed.scanLine(y) + size_t(area.Left) * 3, size_t(area.Width()) * 3);
    }
    WriteFileSafely(output, bytes.data(), bytes.size());
    return true;
}

} // namespace vistrel
