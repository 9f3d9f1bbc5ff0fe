// Arbitrary bytes through the JPEG readers; whatever the full one accepts is encoded again and
// must decode to a picture of the same size, and an eighth-size decode must have an eighth's size.
#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "platform/jpeg_eighth.h"
#include "platform/safe_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include <unistd.h>

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

// The eighth-size decoder reads files only.
void readEighth(const uint8_t *data, size_t size)
{
    static const std::string path = "/tmp/fuzz_jpeg_eighth." + std::to_string(::getpid());
    vistrel::WriteFileSafely(path, data, size);
    int width = 0, height = 0;
    const auto eighth = vistrel::ReadJpegEighth(path, [&](int w, int h) {
        width = w;
        height = h;
        return true;
    });
    if (eighth && (eighth->Bitmap.width() != (width + 7) / 8 || eighth->Bitmap.height() != (height + 7) / 8))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (mayDeclareHugePicture(data, size))
        return 0;
    readEighth(data, size);
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
