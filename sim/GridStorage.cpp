#include "sim/GridStorage.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>

namespace grid_storage {

namespace {

bool huge(std::size_t bytes) { return bytes >= kHugePage; }

std::size_t roundedUp(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* allocate(std::size_t bytes, std::size_t alignment) {
    if (!huge(bytes)) {
        void* block = ::operator new(bytes, std::align_val_t(alignment));
        std::memset(block, 0, bytes);
        return block;
    }
    if (bytes > static_cast<std::size_t>(-1) - 2 * kHugePage) throw std::bad_alloc();
    const std::size_t size = roundedUp(bytes);
    // Fresh from the system, so zero; one huge page more than needed, cut
    // back to a huge-page boundary.
    void* mapped = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto first = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t start = (first + kHugePage - 1) / kHugePage * kHugePage;
    if (start > first) munmap(mapped, start - first);
    const std::uintptr_t end = first + size + kHugePage;
    if (end > start + size) munmap(reinterpret_cast<void*>(start + size), end - (start + size));
    void* block = reinterpret_cast<void*>(start);
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
    munmap(block, roundedUp(bytes));
}

}  // namespace grid_storage
