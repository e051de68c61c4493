#pragma once

#include <cstddef>
#include <new>
#include <vector>

// Storage for the canvas grids. A footprint touches a few cells on each of
// many rows, and on a large canvas every row of every grid lies on a page of
// its own: with ordinary 4 KiB pages the step spends much of its time
// waiting for address translation. Grids of 2 MiB and more are therefore
// placed on 2 MiB boundaries and the system is asked to back them with huge
// pages where it offers them. Where it does not, they are ordinary memory;
// the values in them are the same either way.
namespace grid_storage {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Allocates and frees blocks of at least kHugePage bytes on huge-page
// boundaries; smaller ones as usual.
void* allocate(std::size_t bytes, std::size_t alignment);
void release(void* block, std::size_t bytes, std::size_t alignment) noexcept;

}  // namespace grid_storage

template <typename T>
struct GridAllocator {
    using value_type = T;

    GridAllocator() = default;
    template <typename U>
    GridAllocator(const GridAllocator<U>&) noexcept {}  // NOLINT: converting, as allocators are

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(grid_storage::allocate(n * sizeof(T), alignof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { grid_storage::release(p, n * sizeof(T), alignof(T)); }

    template <typename U>
    bool operator==(const GridAllocator<U>&) const noexcept {
        return true;
    }
};

// A grid of cells, row by row.
template <typename T>
using Grid = std::vector<T, GridAllocator<T>>;
