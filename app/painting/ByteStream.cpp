#include "app/painting/ByteStream.h"

#include <vector>

namespace {

enum WordCodec : std::uint8_t { BytePlanes = 0, Uniform = 1 };

}  // namespace

std::string encodeWords(const void* words, std::size_t count) {
    const auto* source = static_cast<const unsigned char*>(words);
    bool uniform = count > 0;
    for (std::size_t k = 1; k < count && uniform; ++k) {
        uniform = std::memcmp(source + 4 * k, source, 4) == 0;
    }
    ByteWriter header;
    header.u8(uniform ? Uniform : BytePlanes);
    header.u64(count);
    std::string bytes = std::move(header.bytes);
    if (uniform) {
        bytes.append(reinterpret_cast<const char*>(source), 4);
        return bytes;
    }
    const std::size_t start = bytes.size();
    bytes.resize(start + 4 * count);
    char* planes = bytes.data() + start;
    // Words are read as they lie in memory: little-endian on every machine
    // Seep is built for, which is the order the file keeps.
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
    if (codec != BytePlanes || reader.remaining() != 4 * count) return false;
    for (std::size_t k = 0; k < count; ++k) {
        target[4 * k] = payload[k];
        target[4 * k + 1] = payload[count + k];
        target[4 * k + 2] = payload[2 * count + k];
        target[4 * k + 3] = payload[3 * count + k];
    }
    return true;
}
