#include <gtest/gtest.h>

#include <cstdint>

#include "sim/GridStorage.h"
#include "util/Vectors.h"

// Large grids sit on huge-page boundaries; what they hold is what any vector
// would hold, through growth, copies and moves.

namespace {

std::uintptr_t address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

}  // namespace

TEST(GridStorage, LargeGridsStartOnAHugePageAndHoldTheirValues) {
    // 1024 × 1024 cells of 16 bytes: the deposition of a mid-sized picture.
    Grid<vec4> deposition(1024 * 1024);
    EXPECT_EQ(address(deposition.data()) % grid_storage::kHugePage, 0u);
    for (const vec4& cell : deposition) {
        ASSERT_EQ(cell.x, 0.0f);
        ASSERT_EQ(cell.w, 0.0f);
    }
    deposition[12345].z = 0.25f;
    deposition.back().w = 1.0f;

    // Just below the threshold and far below it: ordinary, aligned for the
    // type.
    Grid<float> small(grid_storage::kHugePage / sizeof(float) - 1, 0.5f);
    EXPECT_EQ(address(small.data()) % alignof(float), 0u);
    EXPECT_EQ(small.back(), 0.5f);
    Grid<vec3> tiny(3);
    EXPECT_EQ(address(tiny.data()) % alignof(vec3), 0u);

    // Growth across the threshold keeps every value.
    for (int n = 0; n < 10; ++n) small.push_back(static_cast<float>(n));
    EXPECT_EQ(address(small.data()) % grid_storage::kHugePage, 0u);
    EXPECT_EQ(small[small.size() - 11], 0.5f);
    EXPECT_EQ(small.back(), 9.0f);

    const Grid<vec4> copy = deposition;
    EXPECT_EQ(copy[12345].z, 0.25f);
    EXPECT_EQ(copy.back().w, 1.0f);
    Grid<vec4> moved = std::move(deposition);
    EXPECT_EQ(moved[12345].z, 0.25f);
    moved = Grid<vec4>(5);
    EXPECT_EQ(moved.size(), 5u);
}

TEST(GridStorage, AnImpossibleSizeIsRefusedNotWrapped) {
    GridAllocator<vec4> allocator;
    EXPECT_THROW((void)allocator.allocate(static_cast<std::size_t>(-1) / 8), std::bad_array_new_length);
    EXPECT_THROW((void)grid_storage::allocate(static_cast<std::size_t>(-1) - 10, 16), std::bad_alloc);
}
