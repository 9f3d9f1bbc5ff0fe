#include "platform/pixel_allocator.h"

#include <sys/mman.h>

namespace vistrel {

void *AllocatePixelMemory(size_t bytes)
{
    constexpr size_t kHugePage = size_t{2} << 20;
    if (bytes < kHugePage) {
        if (void *p = std::malloc(bytes ? bytes : 1))
            return p;
        throw std::bad_alloc();
    }
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void *p = std::aligned_alloc(kHugePage, rounded);
    if (!p)
        throw std::bad_alloc();
    //::madvise(p, rounded, MADV_HUGEPAGE);
    return p;
}

} // namespace vistrel
