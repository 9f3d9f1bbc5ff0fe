#include "platform/pixel_buffer.h"

#include <cstring>
#include <utility>

namespace vistrel {

PixelBuffer::PixelBuffer(const PixelBuffer &other)
{
    *this = other;
}

PixelBuffer &PixelBuffer::operator=(const PixelBuffer &other)
{
    if (this != &other) {
        resizeUncleared(other.size_);
        if (size_ > 0)
            std::memcpy(bytes_.get(), other.bytes_.get(), size_);
    }
    return *this;
}

PixelBuffer::PixelBuffer(PixelBuffer &&other) noexcept
    : bytes_(std::move(other.bytes_)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0))
{
}

PixelBuffer &PixelBuffer::operator=(PixelBuffer &&other) noexcept
{
    bytes_ = std::move(other.bytes_);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
}

void PixelBuffer::assignZeroes(size_t size)
{
    if (size > capacity_) {
        bytes_.reset(); // give the old storage back before taking the new
        bytes_.reset(new uint8_t[size]());
        capacity_ = size;
    } else if (size > 0) {
        std::memset(bytes_.get(), 0, size);
    }
    size_ = size;
}

void PixelBuffer::resizeUncleared(size_t size)
{
    if (size > capacity_) {
        bytes_.reset();
        bytes_.reset(new uint8_t[size]);
        capacity_ = size;
    }
    size_ = size;
}

bool PixelBuffer::operator==(const PixelBuffer &other) const
{
    return size_ == other.size_ && (size_ == 0 || std::memcmp(bytes_.get(), other.bytes_.get(), size_) == 0);
}

} // namespace vistrel
