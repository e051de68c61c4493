#include "util/AvailableMemory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::string fileText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<std::uint64_t> number(const std::string& text) {
    std::istringstream in(text);
    std::uint64_t value = 0;
    if (!(in >> value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> memAvailable(const std::string& meminfo) {
    const std::string key = "MemAvailable:";
    const std::size_t at = meminfo.find(key);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> kib = number(meminfo.substr(at + key.size()));
    return kib ? std::optional<std::uint64_t>(*kib * 1024) : std::nullopt;
}

void takeLeast(std::optional<std::uint64_t>& least, std::uint64_t room) {
    least = least ? std::min(*least, room) : room;
}

// The control groups of this process, innermost first: the unified
// hierarchy's group and its parents, or the older memory controller's.
std::vector<MemoryReadings::Group> controlGroups() {
    std::vector<MemoryReadings::Group> groups;
    std::istringstream lines(fileText("/proc/self/cgroup"));
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            continue;
        }
        const std::string controllers = line.substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        if (controllers.empty()) {
            for (;;) {
                const std::string folder = "/sys/fs/cgroup" + (path == "/" ? std::string() : path);
                groups.push_back({fileText(folder + "/memory.max"), fileText(folder + "/memory.current")});
                if (path.empty() || path == "/") {
                    break;
                }
                path = path.substr(0, path.find_last_of('/'));
            }
        } else if (controllers.find("memory") != std::string::npos) {
            const std::string folder = "/sys/fs/cgroup/memory" + (path == "/" ? std::string() : path);
            groups.push_back({fileText(folder + "/memory.limit_in_bytes"), fileText(folder + "/memory.usage_in_bytes")});
        }
    }
    return groups;
}

}  // namespace

std::optional<std::uint64_t> availableMemory(const MemoryReadings& readings) {
    std::optional<std::uint64_t> least = memAvailable(readings.meminfo);
    for (const MemoryReadings::Group& group : readings.groups) {
        const std::optional<std::uint64_t> limit = number(group.limit);
        const std::optional<std::uint64_t> used = number(group.used);
        // "max", or the older controller's page-rounded largest value, means
        // no limit at this level.
        if (limit && used && *limit < (std::uint64_t{1} << 62)) {
            takeLeast(least, *limit > *used ? *limit - *used : 0);
        }
    }
    if (readings.addressLimit > 0) {
        takeLeast(least, readings.addressLimit > readings.addressUsed ? readings.addressLimit - readings.addressUsed : 0);
    }
    return least;
}

std::optional<std::uint64_t> availableMemory() {
    MemoryReadings readings;
    readings.meminfo = fileText("/proc/meminfo");
    readings.groups = controlGroups();
    rlimit address{};
    if (getrlimit(RLIMIT_AS, &address) == 0 && address.rlim_cur != RLIM_INFINITY) {
        readings.addressLimit = address.rlim_cur;
        const std::optional<std::uint64_t> pages = number(fileText("/proc/self/statm"));
        readings.addressUsed = pages ? *pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) : 0;
    }
    return availableMemory(readings);
}
