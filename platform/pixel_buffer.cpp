#include "platform/pixel_buffer.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include <sys/mman.h>

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

void PixelBuffer::FreeMemory::operator()(uint8_t *bytes) const
{
    std::free(bytes);
}

void PixelBuffer::replaceStorage(size_t size, PixelMemory memory, bool cleared)
{
    bytes_.reset(); // give the old storage back before taking the new
    constexpr size_t kHugePage = size_t{2} << 20;
    void *bytes = nullptr;
    if (memory == PixelMemory::HugePages && size >= 2 * kHugePage) {
        const size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        bytes = std::aligned_alloc(kHugePage, rounded);
        if (bytes)
            ::madvise(bytes, rounded, MADV_HUGEPAGE); // only advice: ordinary pages serve as well
    } else {
        bytes = cleared ? std::calloc(size ? size : 1, 1) : std::malloc(size ? size : 1);
    }
    if (!bytes)
        throw std::bad_alloc();
    bytes_.reset(static_cast<uint8_t *>(bytes));
    capacity_ = size;
}

void PixelBuffer::assignZeroes(size_t size)
{
    if (size > capacity_)
        replaceStorage(size, PixelMemory::Pages, true);
    else if (size > 0)
        std::memset(bytes_.get(), 0, size);
    size_ = size;
}

void PixelBuffer::resizeUncleared(size_t size, PixelMemory memory)
{
    if (size > capacity_)
        replaceStorage(size, memory, false);
    size_ = size;
}

bool PixelBuffer::operator==(const PixelBuffer &other) const
{
    return size_ == other.size_ && (size_ == 0 || std::memcmp(bytes_.get(), other.bytes_.get(), size_) == 0);
}

} // namespace vistrel
