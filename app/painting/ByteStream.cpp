#include "app/painting/ByteStream.h"

#include <array>
#include <vector>

namespace {

enum WordCodec : std::uint8_t { BytePlanes = 0, Uniform = 1, Palette = 2 };

constexpr std::size_t paletteSize = 256;

// The distinct words, when there are at most 256 of them (a canvas or its
// grey levels from an 8-bit picture), each word's index among them; false
// as soon as a 257th turns up.
bool paletteOf(const std::uint32_t* words, std::size_t count, std::vector<std::uint32_t>& palette,
               std::vector<std::uint8_t>& indexes) {
    // Open addressing in a table well over twice the palette's size.
    constexpr std::size_t slots = 1024;
    std::array<std::int16_t, slots> table;
    table.fill(-1);
    palette.clear();
    indexes.resize(count);
    std::uint32_t last = 0;
    std::uint8_t lastIndex = 0;
    bool haveLast = false;
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t word = words[k];
        if (haveLast && word == last) {
            indexes[k] = lastIndex;
            continue;
        }
        std::size_t slot = (word * 2654435761u) >> 22;
        while (table[slot] >= 0 && palette[static_cast<std::size_t>(table[slot])] != word) {
            slot = (slot + 1) & (slots - 1);
        }
        if (table[slot] < 0) {
            if (palette.size() == paletteSize) return false;
            table[slot] = static_cast<std::int16_t>(palette.size());
            palette.push_back(word);
        }
        last = word;
        lastIndex = static_cast<std::uint8_t>(table[slot]);
        haveLast = true;
        indexes[k] = lastIndex;
    }
    return true;
}

}  // namespace

std::string encodeWords(const void* words, std::size_t count) {
    const auto* source = static_cast<const unsigned char*>(words);
    bool uniform = count > 0;
    for (std::size_t k = 1; k < count && uniform; ++k) {
        uniform = std::memcmp(source + 4 * k, source, 4) == 0;
    }
    std::vector<std::uint32_t> palette;
    std::vector<std::uint8_t> indexes;
    // Words are read as they lie in memory: little-endian on every machine
    // Seep is built for, which is the order the file keeps.
    const bool paletted =
        !uniform && count > 4 * paletteSize &&
        paletteOf(static_cast<const std::uint32_t*>(words), count, palette, indexes);
    ByteWriter header;
    header.u8(uniform ? Uniform : paletted ? Palette : BytePlanes);
    header.u64(count);
    std::string bytes = std::move(header.bytes);
    if (uniform) {
        bytes.append(reinterpret_cast<const char*>(source), 4);
        return bytes;
    }
    if (paletted) {
        ByteWriter table;
        table.u32(static_cast<std::uint32_t>(palette.size()));
        for (const std::uint32_t word : palette) table.u32(word);
        bytes += table.bytes;
        bytes.append(reinterpret_cast<const char*>(indexes.data()), indexes.size());
        return bytes;
    }
    const std::size_t start = bytes.size();
    bytes.resize(start + 4 * count);
    char* planes = bytes.data() + start;
    for (std::size_t k = 0; k < count; ++k) {
        planes[k] = static_cast<char>(source[4 * k]);
        planes[count + k] = static_cast<char>(source[4 * k + 1]);
        planes[2 * count + k] = static_cast<char>(source[4 * k + 2]);
        planes[3 * count + k] = static_cast<char>(source[4 * k + 3]);
    }
    return bytes;
}

bool decodeWords(std::string_view record, void* words, std::size_t count) {
    ByteReader reader(record);
    const std::uint8_t codec = reader.u8();
    const std::uint64_t stored = reader.u64();
    if (!reader.ok() || stored != count) return false;
    auto* target = static_cast<unsigned char*>(words);
    const auto* payload = reinterpret_cast<const unsigned char*>(record.data()) + (record.size() - reader.remaining());
    if (codec == Uniform) {
        if (reader.remaining() != 4) return false;
        for (std::size_t k = 0; k < count; ++k) std::memcpy(target + 4 * k, payload, 4);
        return true;
    }
    if (codec == Palette) {
        const std::uint32_t entries = reader.u32();
        if (!reader.ok() || entries == 0 || entries > paletteSize || reader.remaining() != 4 * entries + count) {
            return false;
        }
        std::vector<std::uint32_t> palette(entries);
        for (std::uint32_t& word : palette) word = reader.u32();
        const auto* indexes = payload + 4 + 4 * entries;
        for (std::size_t k = 0; k < count; ++k) {
            if (indexes[k] >= entries) return false;
            std::memcpy(target + 4 * k, &palette[indexes[k]], 4);
        }
        return true;
    }
    if (codec != BytePlanes || reader.remaining() != 4 * count) return false;
    for (std::size_t k = 0; k < count; ++k) {
        target[4 * k] = payload[k];
        target[4 * k + 1] = payload[count + k];
        target[4 * k + 2] = payload[2 * count + k];
        target[4 * k + 3] = payload[3 * count + k];
    }
    return true;
}
