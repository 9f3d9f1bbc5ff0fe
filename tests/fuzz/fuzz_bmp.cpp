// Arbitrary bytes through the BMP reader; whatever it accepts must survive a write and re-read
// with the same colours.
#include "platform/bmp_codec.h"
#include "platform/error.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr int64_t kLargestRlePicture = int64_t{1} << 22;
constexpr int64_t kLargestRoundTrip = int64_t{1} << 20;

int32_t le32(const uint8_t *p)
{
    return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// RLE pictures may declare up to 200 million pixels in a few bytes; decoding them is correct
// but makes each run slow, so the fuzzer spends its time on smaller ones.
bool declaresHugeRlePicture(const uint8_t *data, size_t size)
{
    if (size < 34 || le32(data + 14) < 40)
        return false;
    const int64_t width = le32(data + 18), height = le32(data + 22);
    const uint32_t compression = static_cast<uint32_t>(le32(data + 30));
    return (compression == 1 || compression == 2) && std::llabs(width * height) > kLargestRlePicture;
}

void checkRoundTrip(const vistrel::TBitmap &bitmap)
{
    if (static_cast<int64_t>(bitmap.width()) * bitmap.height() > kLargestRoundTrip)
        return;
    const std::vector<uint8_t> written = vistrel::WriteBmpMemory(bitmap);
    const vistrel::TBitmap back = vistrel::ReadBmpMemory(written.data(), written.size());
    if (back.width() != bitmap.width() || back.height() != bitmap.height())
        std::abort();
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            if (!(back.pixel(x, y) == bitmap.pixel(x, y)))
                std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (declaresHugeRlePicture(data, size))
        return 0;
    try {
        checkRoundTrip(vistrel::ReadBmpMemory(data, size));
    } catch (const vistrel::Error &) {
    }
    return 0;
}
