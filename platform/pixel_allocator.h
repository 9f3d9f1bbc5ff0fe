#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace vistrel {

void *AllocatePixelMemory(size_t bytes);

// Allocator for pixel buffers: large buffers are aligned to 2 MB and asked to use huge pages,
// which cuts the page faults of a fresh full-size bitmap (a rotation's destination, say) by
// orders of magnitude.
template <typename T>
struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <typename U>
    PixelAllocator(const PixelAllocator<U> &) {}

    T *allocate(size_t n) { return static_cast<T *>(AllocatePixelMemory(n * sizeof(T))); }
    void deallocate(T *p, size_t) { std::free(p); }

    template <typename U>
    bool operator==(const PixelAllocator<U> &) const { return true; }
    template <typename U>
    bool operator!=(const PixelAllocator<U> &) const { return false; }
};

} // namespace vistrel
