#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vistrel {

// How new storage is taken. Huge pages suit a buffer that is written all over at once, such as
// a quarter turn's destination, whose every row is open at a time: one fault and one address
// translation entry per 2 MB instead of per 4 KB.
enum class PixelMemory { Pages, HugePages };

// The bytes of a bitmap. Unlike a vector it can be sized without clearing, for decoders that
// write every byte themselves; like one, it reuses its storage when it already has room.
class PixelBuffer {
public:
    PixelBuffer() = default;
    PixelBuffer(const PixelBuffer &other);
    PixelBuffer &operator=(const PixelBuffer &other);
    PixelBuffer(PixelBuffer &&other) noexcept;
    PixelBuffer &operator=(PixelBuffer &&other) noexcept;

    void assignZeroes(size_t size);
    void resizeUncleared(size_t size, PixelMemory memory = PixelMemory::Pages);

    uint8_t *data() { return bytes_.get(); }
    const uint8_t *data() const { return bytes_.get(); }
    size_t size() const { return size_; }

    bool operator==(const PixelBuffer &other) const;

private:
    struct FreeMemory {
        void operator()(uint8_t *bytes) const;
    };
    void replaceStorage(size_t size, PixelMemory memory, bool cleared);

    std::unique_ptr<uint8_t[], FreeMemory> bytes_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

} // namespace vistrel
