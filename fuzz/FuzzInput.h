#pragma once

// Reading a fuzzer's bytes as the values a target needs, and a private
// folder for the files a target must write. Shared by the fuzz targets only.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

// Takes values from the front of the input; once it is used up every value
// is zero, so a short input is still a complete case.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    std::uint8_t byte() { return remaining() > 0 ? data[position++] : 0; }

    template <typename T>
    T raw() {
        T value{};
        unsigned char bytes[sizeof(T)] = {};
        for (unsigned char& b : bytes) {
            b = byte();
        }
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    std::size_t remaining() const { return size - position; }
    const std::uint8_t* rest() const { return data + position; }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

// A folder of the fuzzing process's own under $TMPDIR (or /tmp), made on
// first use and removed at exit, so a target never writes anywhere a person
// keeps files. libFuzzer does not always leave through the exit handlers, so
// scripts/fuzz.sh gives each run a TMPDIR of its own and empties it after.
// The folder's name is never destroyed: the exit handler still needs it.
inline const std::string& fuzzScratchFolder() {
    static const std::string* folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/seep-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern.data());
        if (made == nullptr) {
            std::abort();
        }
        const auto* name = new std::string(made);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(fuzzScratchFolder(), ignored);
        });
        return name;
    }();
    return *folder;
}
