// Reading a painting file. It may come from anywhere: every size is checked
// against what the painting can hold before anything is read, every entry
// is read to exactly its declared size and no further, and names that
// would reach outside the archive are refused. Nothing of the painter is
// touched here; a file refused for any reason changes nothing.

#include <unistd.h>

#include <cstdio>
#include <zip.h>

#include <pugixml.hpp>

#include <array>
#include <set>

#include "app/SessionControls.h"
#include "app/painting/PaintingArchive.h"
#include "app/painting/PaintingEntries.h"
#include "image/PictureDecoder.h"
#include "util/RegularFile.h"

namespace entries = painting_entries;

namespace {

// More entries than any painting file has; a directory listing beyond it
// is not a painting.
constexpr zip_int64_t maxEntries = 4096;
constexpr std::size_t maxStackBytes = std::size_t{1} << 20;
// A session recorded over many hours stays far below this.
constexpr std::size_t maxSessionBytes = std::size_t{1} << 30;
// The state record is small but for the point lists, which grow with
// every motion of the mouse while drawing.
constexpr std::size_t maxStateBytes = std::size_t{256} << 20;

bool fail(std::string& error, const std::string& what) {
    error = what;
    return false;
}

// A name that stays inside the archive: relative, without a ".." part or
// a backslash, which some unpackers take for a folder separator.
bool safeEntryName(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.find('\\') != std::string::npos ||
        (name.size() > 1 && name[1] == ':')) {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

// An open archive whose entries are read with their sizes checked.
class Archive {
public:
    ~Archive() {
        if (archive != nullptr) zip_discard(archive);
    }

    bool open(zip_source_t* source, std::string& error) {
        zip_error_t reason;
        zip_error_init(&reason);
        archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &reason);
        if (archive == nullptr) {
            error = std::string("not a readable zip archive (") + zip_error_strerror(&reason) + ")";
            zip_error_fini(&reason);
            zip_source_free(source);
            return false;
        }
        zip_error_fini(&reason);
        return checkNames(error);
    }

    bool has(const char* name) const { return zip_name_locate(archive, name, ZIP_FL_ENC_RAW) >= 0; }

    // Reads the entry, which must hold at most limit bytes, exactly as many
    // as it declares.
    bool read(const char* name, std::size_t limit, std::string& out, std::string& error) const {
        const zip_int64_t index = zip_name_locate(archive, name, ZIP_FL_ENC_RAW);
        if (index < 0) return fail(error, std::string(name) + " is missing");
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
            (stat.valid & ZIP_STAT_SIZE) == 0) {
            return fail(error, std::string(name) + " cannot be read");
        }
        if (stat.size > limit) {
            return fail(error, std::string(name) + " declares " + std::to_string(stat.size) +
                                   " bytes, more than this painting can hold");
        }
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
        if (file == nullptr) return fail(error, std::string(name) + " cannot be read (" + zip_strerror(archive) + ")");
        out.assign(static_cast<std::size_t>(stat.size), '\0');
        std::size_t got = 0;
        bool ok = true;
        while (got < out.size()) {
            const zip_int64_t n = zip_fread(file, out.data() + got, out.size() - got);
            if (n <= 0) {
                ok = n == 0 ? fail(error, std::string(name) + " is shorter than it declares")
                            : fail(error, std::string(name) + " is damaged (" + zip_file_strerror(file) + ")");
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        // One more byte would mean the entry holds more than it declares:
        // a bomb that claims to be small is never inflated further.
        char extra = 0;
        if (ok) {
            const zip_int64_t n = zip_fread(file, &extra, 1);
            if (n != 0) {
                ok = n > 0 ? fail(error, std::string(name) + " is longer than it declares")
                           : fail(error, std::string(name) + " is damaged (" + zip_file_strerror(file) + ")");
            }
        }
        zip_fclose(file);
        return ok;
    }

private:
    bool checkNames(std::string& error) {
        const zip_int64_t count = zip_get_num_entries(archive, 0);
        if (count < 0 || count > maxEntries) return fail(error, "has too many entries to be a painting");
        std::set<std::string> seen;
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
            if (name == nullptr || !safeEntryName(name)) {
                return fail(error, "holds an entry whose name leads outside the archive: " +
                                       std::string(name != nullptr ? name : ""));
            }
            if (!seen.insert(name).second) return fail(error, std::string("holds two entries named ") + name);
        }
        if (count == 0 || std::string(zip_get_name(archive, 0, ZIP_FL_ENC_RAW)) != entries::mimetype) {
            return fail(error, "is not an OpenRaster file (its first entry is not mimetype)");
        }
        return true;
    }

    zip_t* archive = nullptr;
};

bool readStack(const Archive& archive, std::size_t cellLimit, int& width, int& height, std::string& error) {
    std::string xml;
    if (!archive.read(entries::stack, maxStackBytes, xml, error)) return false;
    pugi::xml_document document;
    // Without entity or DOCTYPE handling of any kind: pugixml expands only
    // the five predefined entities and character references.
    const pugi::xml_parse_result parsed = document.load_buffer(xml.data(), xml.size(), pugi::parse_default);
    if (!parsed) return fail(error, std::string("stack.xml is not well-formed XML (") + parsed.description() + ")");
    const pugi::xml_node image = document.child("image");
    if (!image || !image.child("stack")) return fail(error, "stack.xml has no image with a stack");
    const long long w = image.attribute("w").as_llong(0);
    const long long h = image.attribute("h").as_llong(0);
    if (w <= 0 || h <= 0 || !pictureWithinLimits(w, h, sizeof(vec4)) ||
        static_cast<std::size_t>(w) * static_cast<std::size_t>(h) > cellLimit) {
        return fail(error, "stack.xml gives an image size the painter cannot hold (" +
                               std::string(image.attribute("w").value()) + "x" + image.attribute("h").value() + ")");
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool readWords(const Archive& archive, const char* name, void* words, std::size_t count, std::string& error) {
    std::string record;
    if (!archive.read(name, encodedWordsLimit(count), record, error)) return false;
    if (!decodeWords(record, words, count)) {
        return fail(error, std::string(name) + " does not hold the " + std::to_string(count) + " values it must");
    }
    return true;
}

// The live variables within the limits the panel keeps them in: the
// commands rely on them (a particle count of zero, a mouse operation of 9).
bool panelWithinLimits(const PanelSettings& panel) {
    for (const SessionControl& control : sessionControls()) {
        const double value = control.integer != nullptr ? double(panel.*control.integer) : double(panel.*control.real);
        if (!(value >= control.low && value <= control.high)) return false;
    }
    return true;
}

bool readState(const Archive& archive, PaintingState& state, std::string& error) {
    std::string record;
    if (!archive.read(entries::state, maxStateBytes, record, error)) return false;
    ByteReader in(record);
    std::array<char, 4> magic{};
    for (char& c : magic) c = static_cast<char>(in.u8());
    if (!in.ok() || !std::equal(magic.begin(), magic.end(), entries::stateMagic)) {
        return fail(error, "seep/state is not a Seep painting's state");
    }
    const std::uint32_t version = in.u32();
    if (version != paintingFormatVersion) {
        return fail(error, "its painting version " + std::to_string(version) + " is not one this painter reads (" +
                               std::to_string(paintingFormatVersion) + ")");
    }
    entries::visitStateFields(state, in);
    for (PointList* list : entries::pointLists(state.editing)) {
        const std::uint32_t points = in.u32();
        if (points > in.remaining() / 8) return fail(error, "seep/state is cut short");
        list->points.resize(points);
        for (vec2& point : list->points) in(point);
        const std::uint32_t lengths = in.u32();
        if (lengths > in.remaining() / 4) return fail(error, "seep/state is cut short");
        list->cumulativeLength.resize(lengths);
        for (float& length : list->cumulativeLength) in(length);
    }
    if (!in.complete()) return fail(error, "seep/state does not have the length it must");
    if (state.width <= 0 || state.height <= 0 || !pictureWithinLimits(state.width, state.height, sizeof(vec4))) {
        return fail(error, "seep/state gives a canvas size the painter cannot hold");
    }
    if (!panelWithinLimits(state.panel) || state.particleCount != state.panel.waterAmount) {
        return fail(error, "seep/state holds panel settings beyond the panel's limits");
    }
    return true;
}

bool readParticles(const Archive& archive, PaintingState& state, std::string& error) {
    const auto n = static_cast<std::size_t>(state.particleCount);
    std::vector<float> words(9 * n);
    if (!readWords(archive, entries::particles, words.data(), words.size(), error)) return false;
    const float* w = words.data();
    state.particleWater.assign(w, w + n);
    state.particlePigment.resize(n);
    state.particlePosition.resize(n);
    state.particleVelocity.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        state.particlePigment[i] = vec4{w[n + 4 * i], w[n + 4 * i + 1], w[n + 4 * i + 2], w[n + 4 * i + 3]};
        state.particlePosition[i] = vec2{w[5 * n + 2 * i], w[5 * n + 2 * i + 1]};
        state.particleVelocity[i] = vec2{w[7 * n + 2 * i], w[7 * n + 2 * i + 1]};
    }
    return true;
}

// The deposition and the history: the table of references, then the
// distinct tiles they refer to, each checked to fit every place it is used.
bool readDeposition(const Archive& archive, PaintingState& state, std::string& error) {
    const std::size_t tilesPerSnapshot = DepositionSnapshot::tileCount(state.width, state.height);
    // At most the current deposition and twelve undo snapshots.
    constexpr std::uint32_t maxSnapshots = 13;
    std::string record;
    if (!archive.read(entries::deposition, 16 + 8 * maxSnapshots * tilesPerSnapshot, record, error)) return false;
    ByteReader in(record);
    const std::uint32_t tileSize = in.u32();
    const std::uint32_t snapshots = in.u32();
    const std::uint32_t distinct = in.u32();
    if (!in.ok() || tileSize != DepositionSnapshot::tileSize || snapshots < 1 || snapshots > maxSnapshots ||
        distinct > snapshots * tilesPerSnapshot || in.remaining() != 4 * (distinct + snapshots * tilesPerSnapshot)) {
        return fail(error, "seep/deposition does not describe a deposition and its history");
    }
    std::vector<std::size_t> cellCounts(distinct);
    std::size_t cells = 0;
    for (std::size_t& count : cellCounts) {
        count = in.u32();
        if (count == 0 || count > DepositionSnapshot::tileSize * DepositionSnapshot::tileSize) {
            return fail(error, "seep/deposition gives a tile of a size no tile has");
        }
        cells += count;
    }
    std::vector<vec4> all(cells);
    if (!readWords(archive, entries::tiles, all.data(), 4 * cells, error)) return false;
    std::vector<std::shared_ptr<const DepositionSnapshot::Tile>> tiles(distinct);
    std::size_t offset = 0;
    for (std::size_t t = 0; t < distinct; ++t) {
        tiles[t] = std::make_shared<const DepositionSnapshot::Tile>(all.begin() + static_cast<std::ptrdiff_t>(offset),
                                                                    all.begin() + static_cast<std::ptrdiff_t>(offset + cellCounts[t]));
        offset += cellCounts[t];
    }
    for (std::uint32_t s = 0; s < snapshots; ++s) {
        std::vector<std::shared_ptr<const DepositionSnapshot::Tile>> places(tilesPerSnapshot);
        for (std::size_t place = 0; place < tilesPerSnapshot; ++place) {
            const std::uint32_t number = in.u32();
            if (number == 0) continue;
            if (number > distinct ||
                cellCounts[number - 1] != DepositionSnapshot::tileCellCount(state.width, state.height, place)) {
                return fail(error, "seep/deposition puts a tile where it does not fit");
            }
            places[place] = tiles[number - 1];
        }
        DepositionSnapshot snapshot = DepositionSnapshot::fromTiles(state.width, state.height, std::move(places));
        if (s == 0) {
            state.deposition = std::move(snapshot);
        } else {
            state.history.push_back(std::move(snapshot));
        }
    }
    return true;
}

bool readSeepPainting(const Archive& archive, int width, int height, PaintingState& state, std::string& error) {
    if (!readState(archive, state, error)) return false;
    if (state.width != width || state.height != height) {
        return fail(error, "stack.xml and seep/state give different sizes");
    }
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    state.absorptionCapacity.resize(n);
    state.absorptionRate.resize(n);
    state.absorbedWater.resize(n);
    state.areaMask.resize(n);
    state.columnScale.resize(static_cast<std::size_t>(width));
    state.canvas.resize(n);
    state.surface.resize(n);
    if (!readParticles(archive, state, error) ||
        !readWords(archive, entries::absorptionCapacity, state.absorptionCapacity.data(), n, error) ||
        !readWords(archive, entries::absorptionRate, state.absorptionRate.data(), n, error) ||
        !readWords(archive, entries::absorbedWater, state.absorbedWater.data(), n, error) ||
        !readWords(archive, entries::columnScale, state.columnScale.data(), state.columnScale.size(), error) ||
        !readWords(archive, entries::areaMask, state.areaMask.data(), n, error) ||
        !readDeposition(archive, state, error) ||
        !readWords(archive, entries::canvas, state.canvas.data(), 4 * n, error) ||
        !readWords(archive, entries::surface, state.surface.data(), n, error) ||
        !archive.read(entries::session, maxSessionBytes, state.session, error)) {
        return false;
    }
    return true;
}

bool readArchive(zip_source_t* source, std::size_t cellLimit, PaintingFileContent& content, std::string& error) {
    Archive archive;
    if (!archive.open(source, error)) return false;
    std::string mimetype;
    if (!archive.read(entries::mimetype, 64, mimetype, error)) return false;
    if (mimetype != entries::mimetypeText) return fail(error, "is not an OpenRaster file (its mimetype is not image/openraster)");
    int width = 0;
    int height = 0;
    if (!readStack(archive, cellLimit, width, height, error)) return false;
    content = PaintingFileContent{};
    if (archive.has(entries::state)) {
        content.seep = true;
        return readSeepPainting(archive, width, height, content.state, error);
    }
    // Another program's file: only its flattened picture is taken, which
    // can hardly be larger than its pixels at 16 bits without compression.
    const std::size_t limit = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 8 * 2 + (1 << 20);
    if (!archive.has(entries::merged)) return fail(error, "has no flattened picture (mergedimage.png)");
    return archive.read(entries::merged, limit, content.flattenedPng, error);
}

}  // namespace

bool readPaintingFile(const std::string& path, PaintingFileContent& content, std::string& error) {
    // Only a regular file, opened without waiting: a pipe or a device would
    // block or never end. The archive reads through that very descriptor.
    std::string failure;
    const int descriptor = openRegularFile(path, &failure);
    if (descriptor < 0) {
        return fail(error, "cannot be read (" + failure + ")");
    }
    std::FILE* file = fdopen(descriptor, "rb");
    if (file == nullptr) {
        close(descriptor);
        return fail(error, "cannot be read");
    }
    zip_error_t reason;
    zip_error_init(&reason);
    // The source owns the file from here and closes it.
    zip_source_t* source = zip_source_filep_create(file, 0, -1, &reason);
    if (source == nullptr) {
        std::fclose(file);
        error = std::string("cannot be read (") + zip_error_strerror(&reason) + ")";
        zip_error_fini(&reason);
        return false;
    }
    zip_error_fini(&reason);
    return readArchive(source, static_cast<std::size_t>(-1), content, error);
}

bool readPaintingBytes(const std::string& bytes, PaintingFileContent& content, std::string& error,
                       std::size_t cellLimit) {
    zip_error_t reason;
    zip_error_init(&reason);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &reason);
    zip_error_fini(&reason);
    if (source == nullptr) return fail(error, "cannot be read");
    return readArchive(source, cellLimit, content, error);
}
