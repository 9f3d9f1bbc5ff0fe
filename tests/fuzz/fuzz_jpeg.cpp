// Arbitrary bytes through the JPEG reader; whatever it accepts is encoded again and must decode
// to a picture of the same size.
#include "platform/error.h"
#include "platform/jpeg_codec.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr int64_t kLargestPicture = int64_t{1} << 22;
constexpr int64_t kLargestRoundTrip = int64_t{1} << 20;

// A few hundred bytes can declare a 200-million-pixel picture that then takes seconds to
// decode. Any SOF-like byte pattern declaring more than kLargestPicture skips the input (a
// false match in other data only skips an input, never hides a real frame size).
bool mayDeclareHugePicture(const uint8_t *data, size_t size)
{
    for (size_t i = 0; i + 9 <= size; ++i) {
        const uint8_t marker = data[i + 1];
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (data[i] != 0xFF || !frame)
            continue;
        const int64_t height = data[i + 5] << 8 | data[i + 6], width = data[i + 7] << 8 | data[i + 8];
        if (width * height > kLargestPicture)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (mayDeclareHugePicture(data, size))
        return 0;
    try {
        const vistrel::TBitmap bitmap = vistrel::ReadJpegMemory(data, size);
        if (static_cast<int64_t>(bitmap.width()) * bitmap.height() > kLargestRoundTrip)
            return 0;
        const std::vector<uint8_t> written = vistrel::WriteJpegMemory(bitmap);
        const vistrel::TBitmap back = vistrel::ReadJpegMemory(written.data(), written.size());
        if (back.width() != bitmap.width() || back.height() != bitmap.height())
            std::abort();
    } catch (const vistrel::Error &) {
    }
    return 0;
}
