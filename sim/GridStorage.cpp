#include "sim/GridStorage.h"

#include <sys/mman.h>

#include <cstdlib>

namespace grid_storage {

namespace {

bool huge(std::size_t bytes) { return bytes >= kHugePage; }

std::size_t roundedUp(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* allocate(std::size_t bytes, std::size_t alignment) {
    if (!huge(bytes)) return ::operator new(bytes, std::align_val_t(alignment));
    if (bytes > static_cast<std::size_t>(-1) - kHugePage) throw std::bad_alloc();
    const std::size_t size = roundedUp(bytes);
    void* block = std::aligned_alloc(kHugePage, size);
    if (block == nullptr) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    // Only advice: refused, the grid simply stays on ordinary pages.
    (void)madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

void release(void* block, std::size_t bytes, std::size_t alignment) noexcept {
    if (block == nullptr) return;
    if (!huge(bytes)) {
        ::operator delete(block, std::align_val_t(alignment));
        return;
    }
    std::free(block);
}

}  // namespace grid_storage
