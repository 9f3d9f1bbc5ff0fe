#include "icon/png_writer.h"

#include "platform/error.h"

#include <zlib.h>

#include <cstring>
#include <string>

namespace vistrel {

namespace {

void appendBig32(std::vector<uint8_t> &out, uint32_t value)
{
    out.insert(out.end(), {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                           static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)});
}

void appendChunk(std::vector<uint8_t> &out, const char (&type)[5], const std::vector<uint8_t> &data)
{
    appendBig32(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
    appendBig32(out, static_cast<uint32_t>(crc));
}

// Each row with the "Sub" filter (the difference to the pixel on the left), which suits drawn
// pictures with flat areas.
std::vector<uint8_t> filteredRows(int width, int height, const std::vector<uint8_t> &rgba)
{
    const size_t stride = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> rows;
    rows.reserve((stride + 1) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = rgba.data() + stride * static_cast<size_t>(y);
        rows.push_back(1);
        for (size_t i = 0; i < stride; ++i)
            rows.push_back(static_cast<uint8_t>(row[i] - (i >= 4 ? row[i - 4] : 0)));
    }
    return rows;
}

} // namespace

std::vector<uint8_t> EncodePngRgba(int width, int height, const std::vector<uint8_t> &rgba)
{
    if (width < 1 || height < 1 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4)
        throw Error("A PNG picture needs " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
    const std::vector<uint8_t> rows = filteredRows(width, height, rgba);
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw Error("The PNG picture could not be compressed");
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    appendBig32(header, static_cast<uint32_t>(width));
    appendBig32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits per channel, RGBA, deflate, no interlace

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace vistrel
