#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How much more memory this process can take before the system refuses it
// or kills the process: the least of the memory the system reports as
// available, the room left under the memory limit of the process's control
// group (and of each group above it) where one is set, and the room left in
// its address-space limit (ulimit -v). Nothing when none can be read.
std::optional<std::uint64_t> availableMemory();

// The same from the texts of the files it reads, so the rules can be tested:
// /proc/meminfo; each control group's limit and use, innermost first ("max"
// for none); the address-space limit and the size already used (0 for none).
struct MemoryReadings {
    std::string meminfo;
    struct Group {
        std::string limit;
        std::string used;
    };
    std::vector<Group> groups;
    std::uint64_t addressLimit = 0;
    std::uint64_t addressUsed = 0;
};
std::optional<std::uint64_t> availableMemory(const MemoryReadings& readings);
