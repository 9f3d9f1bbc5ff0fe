// Arbitrary bytes through the PNG reader of the thumbnail cache (at the largest cache size);
// whatever it accepts is written again and must read back with the same pixels and text.
#include "platform/error.h"
#include "platform/png_codec.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        const vistrel::PngPicture picture = vistrel::ReadPngMemory(data, size, 1024);
        std::vector<std::pair<std::string, std::string>> text(picture.Text.begin(), picture.Text.end());
        const std::vector<uint8_t> written = vistrel::WritePngMemory(picture.Bitmap, text);
        const vistrel::PngPicture back = vistrel::ReadPngMemory(written.data(), written.size(), 1024);
        if (back.Bitmap != picture.Bitmap)
            std::abort();
    } catch (const vistrel::Error &) {
    }
    return 0;
}
