#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "util/Vectors.h"

// Little-endian binary records of a painting file. Floats travel as their
// exact bits, so a painting read back continues exactly where it stopped.

class ByteWriter {
public:
    void u8(std::uint8_t value) { bytes.push_back(static_cast<char>(value)); }
    void u32(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) u8(static_cast<std::uint8_t>(value >> shift));
    }
    void u64(std::uint64_t value) {
        u32(static_cast<std::uint32_t>(value));
        u32(static_cast<std::uint32_t>(value >> 32));
    }
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void f32(float value) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        u32(bits);
    }
    // The field visitors of PaintingState hand every field through these.
    void operator()(const int& value) { i32(value); }
    void operator()(const unsigned& value) { u32(value); }
    void operator()(const float& value) { f32(value); }
    void operator()(const vec2& value) {
        f32(value.x);
        f32(value.y);
    }
    void operator()(const vec4& value) {
        f32(value.x);
        f32(value.y);
        f32(value.z);
        f32(value.w);
    }

    std::string bytes;
};

// Reads what ByteWriter wrote. Reading past the end yields zeros and marks
// the reader failed, so a short record is noticed once, at the end.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes(bytes) {}

    std::uint8_t u8() {
        if (position >= bytes.size()) {
            failed = true;
            return 0;
        }
        return static_cast<std::uint8_t>(bytes[position++]);
    }
    std::uint32_t u32() {
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{u8()} << shift;
        return value;
    }
    std::uint64_t u64() {
        const std::uint64_t low = u32();
        return low | (std::uint64_t{u32()} << 32);
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    float f32() {
        const std::uint32_t bits = u32();
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void operator()(int& value) { value = i32(); }
    void operator()(unsigned& value) { value = u32(); }
    void operator()(float& value) { value = f32(); }
    void operator()(vec2& value) {
        value.x = f32();
        value.y = f32();
    }
    void operator()(vec4& value) {
        value.x = f32();
        value.y = f32();
        value.z = f32();
        value.w = f32();
    }

    std::size_t remaining() const { return position <= bytes.size() ? bytes.size() - position : 0; }
    // True when every read stayed within the record.
    bool ok() const { return !failed; }
    // True when the record was read exactly to its end.
    bool complete() const { return !failed && position == bytes.size(); }

private:
    std::string_view bytes;
    std::size_t position = 0;
    bool failed = false;
};

// Arrays of 32-bit words (floats and ints of the grids) as stored in the
// file, exactly. An array of one repeated word is stored as that word; one
// of at most 256 distinct words (a canvas from an 8-bit picture) as a table
// of them and a byte per word; any other byte plane by byte plane (every
// word's lowest byte, then the next), which the archive's compression
// shrinks far better than the words as they lie, since neighbouring cells
// share their high bytes.
std::string encodeWords(const void* words, std::size_t count);

// Reads count words back into words. False when the record is not an array
// of exactly count words.
bool decodeWords(std::string_view record, void* words, std::size_t count);

// The most bytes encodeWords can write for count words.
constexpr std::size_t encodedWordsLimit(std::size_t count) { return 16 + 4 * count + 1028; }
