#include <gtest/gtest.h>

#include "util/AvailableMemory.h"

namespace {

constexpr std::uint64_t MiB = std::uint64_t{1} << 20;

MemoryReadings system(std::uint64_t availableKiB) {
    MemoryReadings readings;
    readings.meminfo = "MemTotal:       24000000 kB\nMemFree:  100 kB\nMemAvailable:   " +
                       std::to_string(availableKiB) + " kB\nBuffers: 5 kB\n";
    return readings;
}

}  // namespace

TEST(AvailableMemory, TheLeastOfTheSystemTheControlGroupsAndTheAddressSpace) {
    EXPECT_EQ(availableMemory(system(2048 * 1024)), 2048 * MiB);

    // A group's room is its limit less its use; "max" and the older
    // controller's huge "no limit" value are no limit at all.
    MemoryReadings grouped = system(2048 * 1024);
    grouped.groups = {{"max\n", "123\n"}, {std::to_string(1000 * MiB) + "\n", std::to_string(400 * MiB) + "\n"},
                      {"9223372036854771712\n", "5\n"}};
    EXPECT_EQ(availableMemory(grouped), 600 * MiB);
    // A group over its limit has no room left.
    grouped.groups.push_back({std::to_string(10 * MiB), std::to_string(11 * MiB)});
    EXPECT_EQ(availableMemory(grouped), 0u);

    MemoryReadings limited = system(2048 * 1024);
    limited.addressLimit = 700 * MiB;
    limited.addressUsed = 200 * MiB;
    EXPECT_EQ(availableMemory(limited), 500 * MiB);

    // Nothing readable: nothing known.
    EXPECT_FALSE(availableMemory(MemoryReadings{}).has_value());
    // The running process sees some memory.
    ASSERT_TRUE(availableMemory().has_value());
    EXPECT_GT(*availableMemory(), 0u);
}
