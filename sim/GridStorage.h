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
// boundaries, mapped fresh from the system (so all zero); smaller ones as
// usual.
void* allocate(std::size_t bytes, std::size_t alignment);
void release(void* block, std::size_t bytes, std::size_t alignment) noexcept;

// While one of these lives on a thread, every block allocated on it is zero
// and grids built there skip writing zeros over it: a large grid's pages
// are then given by the system only where cells are written (which also
// keeps untouched ones out of the process's memory), and a canvas is set
// up without a pass over each of its zero grids.
class ZeroedConstruction {
public:
    ZeroedConstruction();
    ~ZeroedConstruction();
    ZeroedConstruction(const ZeroedConstruction&) = delete;
    ZeroedConstruction& operator=(const ZeroedConstruction&) = delete;

private:
    bool previous;
};
bool zeroedConstruction();

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

    // A cell made without a value is left as the zero block holds it, inside
    // a ZeroedConstruction (zeroGrid); otherwise it is value-initialised.
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        if constexpr (sizeof...(Args) == 0) {
            if (grid_storage::zeroedConstruction()) return;
        }
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const GridAllocator<U>&) const noexcept {
        return true;
    }
};

// A grid of cells, row by row.
template <typename T>
using Grid = std::vector<T, GridAllocator<T>>;

// A grid of count cells that are all zero (every cell type used here is zero
// bits when value-initialised), without writing them.
template <typename T>
Grid<T> zeroGrid(std::size_t count) {
    static_assert(std::is_trivially_copyable_v<T>, "cells must be plain values");
    const grid_storage::ZeroedConstruction zeroed;
    return Grid<T>(count);
}
