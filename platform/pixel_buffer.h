#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vistrel {

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
    void resizeUncleared(size_t size);

    uint8_t *data() { return bytes_.get(); }
    const uint8_t *data() const { return bytes_.get(); }
    size_t size() const { return size_; }

    bool operator==(const PixelBuffer &other) const;

private:
    std::unique_ptr<uint8_t[]> bytes_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

} // namespace vistrel
