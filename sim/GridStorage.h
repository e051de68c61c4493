#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
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
// boundaries, mapped fresh from the system; smaller ones as usual. Every
// block comes out all zero.
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

    // A cell made without a value is left as the block holds it: zero, which
    // is what every cell type here is when value-initialised. A grid is
    // thus made without a pass over its cells, and the system gives a large
    // grid's pages only where cells are written (untouched ones take no
    // memory). This relies on grids being made whole, never grown in place
    // over cells they held before, as every grid of the simulation is.
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        static_assert(std::is_trivially_copyable_v<U>, "cells must be plain values");
        if constexpr (sizeof...(Args) != 0) {
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
        }
    }

    template <typename U>
    bool operator==(const GridAllocator<U>&) const noexcept {
        return true;
    }
};

// A grid of cells, row by row.
template <typename T>
using Grid = std::vector<T, GridAllocator<T>>;

