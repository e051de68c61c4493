// Writing a painting file: the layers other programs show, then Seep's own
// folder, into a zip archive made beside the target.

#include <zip.h>

#include <array>
#include <map>
#include <vector>

#include "app/ShellPictures.h"
#include "app/painting/PaintingArchive.h"
#include "app/painting/PaintingEntries.h"
#include "app/painting/PaintingPng.h"
#include "util/FileReplace.h"

namespace entries = painting_entries;

namespace {

// The largest side of the thumbnail other programs show in their file lists.
constexpr int thumbnailSide = 256;

struct Entry {
    const char* name;
    std::string bytes;
    // PNG files are compressed already.
    bool compress;
};

std::string stackXml(int width, int height) {
    const std::string layer = "  <layer x=\"0\" y=\"0\" opacity=\"1.0\" visibility=\"visible\" "
                              "composite-op=\"svg:src-over\" ";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<image version=\"0.0.5\" w=\"" +
           std::to_string(width) + "\" h=\"" + std::to_string(height) +
           "\" xres=\"72\" yres=\"72\">\n <stack>\n" + layer + "name=\"paint\" src=\"" + entries::paintLayer +
           "\"/>\n" + layer + "name=\"canvas\" src=\"" + entries::canvasLayer + "\"/>\n </stack>\n</image>\n";
}

std::string stateRecord(const PaintingState& state) {
    ByteWriter out;
    out.bytes.append(entries::stateMagic, sizeof entries::stateMagic);
    out.u32(paintingFormatVersion);
    entries::visitStateFields(state, out);
    for (const PointList* list : entries::pointLists(state.editing)) {
        out.u32(static_cast<std::uint32_t>(list->points.size()));
        for (const vec2& point : list->points) out(point);
        out.u32(static_cast<std::uint32_t>(list->cumulativeLength.size()));
        for (const float length : list->cumulativeLength) out(length);
    }
    return std::move(out.bytes);
}

std::string particleRecord(const PaintingState& state) {
    std::vector<float> words;
    const std::size_t n = state.particleWater.size();
    words.reserve(9 * n);
    words.insert(words.end(), state.particleWater.begin(), state.particleWater.end());
    for (const vec4& p : state.particlePigment) words.insert(words.end(), {p.x, p.y, p.z, p.w});
    for (const vec2& p : state.particlePosition) words.insert(words.end(), {p.x, p.y});
    for (const vec2& v : state.particleVelocity) words.insert(words.end(), {v.x, v.y});
    return encodeWords(words.data(), words.size());
}

// The deposition and the undo history as references into one list of
// distinct tiles: a tile shared by several snapshots is stored once.
void depositionRecords(const PaintingState& state, std::string& table, std::string& tileWords) {
    std::vector<const DepositionSnapshot*> snapshots{&state.deposition};
    for (const DepositionSnapshot& snapshot : state.history) snapshots.push_back(&snapshot);
    std::map<const DepositionSnapshot::Tile*, std::uint32_t> numbers;
    std::vector<const DepositionSnapshot::Tile*> distinct;
    ByteWriter references;
    for (const DepositionSnapshot* snapshot : snapshots) {
        for (const auto& tile : snapshot->tileList()) {
            std::uint32_t number = 0;
            if (tile) {
                auto [place, added] = numbers.try_emplace(tile.get(), static_cast<std::uint32_t>(distinct.size() + 1));
                if (added) distinct.push_back(tile.get());
                number = place->second;
            }
            references.u32(number);
        }
    }
    ByteWriter out;
    out.u32(DepositionSnapshot::tileSize);
    out.u32(static_cast<std::uint32_t>(snapshots.size()));
    out.u32(static_cast<std::uint32_t>(distinct.size()));
    std::size_t cells = 0;
    for (const DepositionSnapshot::Tile* tile : distinct) {
        out.u32(static_cast<std::uint32_t>(tile->size()));
        cells += tile->size();
    }
    table = std::move(out.bytes) + references.bytes;
    std::vector<vec4> all;
    all.reserve(cells);
    for (const DepositionSnapshot::Tile* tile : distinct) all.insert(all.end(), tile->begin(), tile->end());
    tileWords = encodeWords(all.data(), 4 * all.size());
}

std::vector<Entry> paintingEntries(const PaintingState& state) {
    const int w = state.width;
    const int h = state.height;
    const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    Grid<vec4> deposition(n);
    state.deposition.restoreInto(deposition);
    std::vector<vec4> merged(n);
    for (std::size_t k = 0; k < n; ++k) merged[k] = composedPixel(deposition[k], state.canvas[k]);
    int thumbWidth = 0;
    int thumbHeight = 0;
    const std::vector<vec4> thumb = thumbnailOf(merged.data(), w, h, thumbnailSide, thumbWidth, thumbHeight);

    std::vector<Entry> out;
    // The first entry, stored, so that a program can tell the file's kind
    // from the bytes at its start.
    out.push_back({entries::mimetype, entries::mimetypeText, false});
    out.push_back({entries::stack, stackXml(w, h), true});
    out.push_back({entries::paintLayer, encodePng16(deposition.data(), w, h), false});
    out.push_back({entries::canvasLayer, encodePng8(state.canvas.data(), w, h, PngBytes::Rounded), false});
    out.push_back({entries::merged, encodePng8(merged.data(), w, h, PngBytes::AsImageSave), false});
    out.push_back({entries::thumbnail, encodePng8(thumb.data(), thumbWidth, thumbHeight, PngBytes::Rounded), false});
    out.push_back({entries::state, stateRecord(state), true});
    out.push_back({entries::particles, particleRecord(state), true});
    out.push_back({entries::absorptionCapacity, encodeWords(state.absorptionCapacity.data(), n), true});
    out.push_back({entries::absorptionRate, encodeWords(state.absorptionRate.data(), n), true});
    out.push_back({entries::absorbedWater, encodeWords(state.absorbedWater.data(), n), true});
    out.push_back({entries::columnScale, encodeWords(state.columnScale.data(), state.columnScale.size()), true});
    out.push_back({entries::areaMask, encodeWords(state.areaMask.data(), n), true});
    Entry table{entries::deposition, {}, true};
    Entry tiles{entries::tiles, {}, true};
    depositionRecords(state, table.bytes, tiles.bytes);
    out.push_back(std::move(table));
    out.push_back(std::move(tiles));
    out.push_back({entries::canvas, encodeWords(state.canvas.data(), 4 * n), true});
    out.push_back({entries::surface, encodeWords(state.surface.data(), n), true});
    out.push_back({entries::session, state.session, true});
    return out;
}

bool writeArchive(const std::vector<Entry>& content, const std::string& path, std::string& error) {
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, code);
        error = zip_error_strerror(&reason);
        zip_error_fini(&reason);
        return false;
    }
    for (const Entry& entry : content) {
        // The bytes stay where they are until the archive is closed.
        zip_source_t* source = zip_source_buffer(archive, entry.bytes.data(), entry.bytes.size(), 0);
        const zip_int64_t index =
            source != nullptr ? zip_file_add(archive, entry.name, source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source != nullptr) zip_source_free(source);
            error = zip_strerror(archive);
            zip_discard(archive);
            return false;
        }
        // Fast compression: the grids are mostly runs of equal bytes, and
        // the larger levels take many times longer for a few percent.
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 entry.compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, entry.compress ? 1 : 0);
    }
    if (zip_close(archive) != 0) {
        error = zip_strerror(archive);
        zip_discard(archive);
        return false;
    }
    return true;
}

}  // namespace

bool writePaintingFile(const PaintingState& state, const std::string& path, std::string& error,
                       const SaveFolder* inside) {
    const std::vector<Entry> content = paintingEntries(state);
    for (const Entry& entry : content) {
        // A PNG encoder out of memory gives nothing.
        if (entry.bytes.empty()) {
            error = std::string("cannot make ") + entry.name;
            return false;
        }
    }
    std::string reason;
    const bool written = replaceFile(path, [&](const std::string& temporary) {
        return writeArchive(content, temporary, reason);
    }, error, inside);
    if (!written && error.empty()) error = reason;
    return written;
}
