#include "app/StrictJson.h"

#include <cstdio>
#include <set>
#include <vector>

namespace {

using json = nlohmann::json;

void appendIndex(std::string& path, std::size_t index) {
    path += "[" + std::to_string(index) + "]";
}

void appendKey(std::string& path, const std::string& key) {
    if (!path.empty()) {
        path += '.';
    }
    for (const char c : key) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            path += escaped;
        } else {
            path += c;
        }
    }
}

// Longest piece of offending input an error line quotes.
constexpr std::size_t maxQuotedToken = 40;

// A piece of the document as it is built: a value cut down to its keys, the
// first elements of its arrays and two levels of nesting.
class CutDownValue {
public:
    void scalar(json value) { place(std::move(value)); }

    void startContainer(bool isArray) {
        json* placed = place(isArray ? json::array() : json::object());
        // Dropped, or kept empty: what it holds is skipped.
        if (placed == nullptr || open.size() >= keptDepth) {
            ++skipped;
            return;
        }
        open.push_back(placed);
    }

    void key(const std::string& name) {
        if (skipped == 0) {
            pendingKey = name;
        }
    }

    void endContainer() {
        if (skipped > 0) {
            --skipped;
        } else {
            open.pop_back();
        }
    }

    bool complete() const { return open.empty() && skipped == 0; }
    json take() { return std::move(value); }

private:
    // Enough to tell an array of three from longer ones.
    static constexpr std::size_t keptElements = 4;
    static constexpr std::size_t keptDepth = 2;

    // Where the new value went, or null when it was dropped. Pointers into
    // the value stay valid: a container gets no new member while one of its
    // members is open.
    json* place(json made) {
        if (skipped > 0) {
            return nullptr;
        }
        if (open.empty()) {
            value = std::move(made);
            return &value;
        }
        json& parent = *open.back();
        if (parent.is_array()) {
            if (parent.size() >= keptElements) {
                return nullptr;
            }
            parent.push_back(std::move(made));
            return &parent.back();
        }
        json& slot = parent[pendingKey];
        slot = std::move(made);
        return &slot;
    }

    json value;
    std::vector<json*> open;
    std::size_t skipped = 0;
    std::string pendingKey;
};

// Reads the library's stream of values, keeps the path of the value being
// read so that errors can name it, and hands the pieces on as they end.
class PieceReader {
public:
    using number_integer_t = json::number_integer_t;
    using number_unsigned_t = json::number_unsigned_t;
    using number_float_t = json::number_float_t;
    using string_t = json::string_t;
    using binary_t = json::binary_t;

    explicit PieceReader(const JsonPieces& pieces) : pieces(pieces) {}

    std::string error;

    bool null() { return scalar(nullptr); }
    bool boolean(bool v) { return scalar(v); }
    bool number_integer(number_integer_t v) { return scalar(v); }
    bool number_unsigned(number_unsigned_t v) { return scalar(v); }
    bool number_float(number_float_t v, const string_t&) { return scalar(v); }
    bool string(string_t& v) { return scalar(v); }
    bool binary(binary_t& v) { return scalar(json::binary(v)); }

    bool start_object(std::size_t) {
        startContainer(false);
        open(false);
        return true;
    }

    bool key(string_t& name) {
        Frame& frame = frames.back();
        frame.key = name;
        frame.hasKey = true;
        if (!frame.keys.insert(name).second) {
            error = shownJsonPath(currentPath()) + ": duplicate key";
            return false;
        }
        if (inPiece) {
            piece.key(name);
        }
        return true;
    }

    bool end_object() {
        frames.pop_back();
        return endContainer();
    }

    bool start_array(std::size_t) {
        startContainer(true);
        open(true);
        return true;
    }

    bool end_array() {
        frames.pop_back();
        return endContainer();
    }

    bool parse_error(std::size_t, const std::string& lastToken, const nlohmann::detail::exception& ex) {
        const std::string where = shownJsonPath(currentPath());
        // 406: a number too large for a double, such as 1e400. It is a wrong
        // value rather than broken JSON, so it reads like the other value checks.
        if (ex.id == 406) {
            error = where + ": expected a finite number, not " + printable(lastToken, maxQuotedToken);
            return false;
        }
        error = where + ": not valid JSON: " + libraryMessage(ex.what());
        return false;
    }

private:
    struct Frame {
        bool isArray = false;
        std::size_t index = 0;
        std::string key;
        bool hasKey = false;
        std::set<std::string> keys;
    };

    void open(bool isArray) {
        Frame frame;
        frame.isArray = isArray;
        frames.push_back(std::move(frame));
    }

    // Built only when needed: a frame keeps just its own step of the path,
    // so deep nesting costs memory in proportion to its depth, not its square.
    std::string currentPath() const {
        std::string path;
        for (const Frame& frame : frames) {
            if (frame.isArray) {
                appendIndex(path, frame.index);
            } else if (frame.hasKey) {
                appendKey(path, frame.key);
            }
        }
        return path;
    }

    // The key of the top-level member being read.
    const std::string& memberKey() const { return frames.front().key; }

    // Where a value that starts outside any piece belongs: the top-level
    // object and the streamed array are read through; anything else starts
    // a piece (the whole document, a member, or an element).
    void startContainer(bool isArray) {
        if (!inPiece) {
            const std::size_t level = frames.size();
            if (level == 0 && !isArray) {
                return;
            }
            if (level == 1 && isArray && memberKey() == pieces.streamedKey) {
                streaming = true;
                return;
            }
            inPiece = true;
            pieceLevel = level;
        }
        piece.startContainer(isArray);
    }

    bool endContainer() {
        if (inPiece) {
            piece.endContainer();
            handOnIfComplete();
        } else if (streaming && frames.size() == 1) {
            streaming = false;
            pieces.member(memberKey(), json::array());
        }
        nextElement();
        return true;
    }

    bool scalar(json value) {
        if (!inPiece) {
            inPiece = true;
            pieceLevel = frames.size();
        }
        piece.scalar(std::move(value));
        handOnIfComplete();
        nextElement();
        return true;
    }

    void handOnIfComplete() {
        if (!piece.complete()) {
            return;
        }
        inPiece = false;
        if (pieceLevel == 0) {
            pieces.wholeValue(piece.take());
        } else if (pieceLevel == 1) {
            pieces.member(memberKey(), piece.take());
        } else {
            pieces.element(frames.back().index, piece.take());
        }
    }

    // A finished value moves an enclosing array on to its next element.
    void nextElement() {
        if (!frames.empty() && frames.back().isArray) {
            ++frames.back().index;
        }
    }

    // The library's text without its "[json.exception...] " tag and without
    // the raw input it quotes, which may hold bytes that are not UTF-8.
    static std::string libraryMessage(const std::string& what) {
        std::string text = what;
        if (!text.empty() && text.front() == '[') {
            const std::size_t end = text.find("] ");
            if (end != std::string::npos) {
                text.erase(0, end + 2);
            }
        }
        const std::size_t quoted = text.find("; last read:");
        if (quoted != std::string::npos) {
            text.erase(quoted);
        }
        return printable(text);
    }

    // Replaces control characters and bytes beyond ASCII, and cuts the text
    // after limit characters.
    static std::string printable(const std::string& text, std::size_t limit = std::string::npos) {
        std::string shown;
        for (const char c : text) {
            if (shown.size() == limit) {
                return shown + "...";
            }
            const auto byte = static_cast<unsigned char>(c);
            shown += (byte < 0x20 || byte >= 0x7f) ? '?' : c;
        }
        return shown;
    }

    const JsonPieces& pieces;
    std::vector<Frame> frames;
    CutDownValue piece;
    bool inPiece = false;
    std::size_t pieceLevel = 0;
    bool streaming = false;
};

// Input: the text as the library's sax_parse takes it.
template <typename... Input>
bool readPieces(const JsonPieces& pieces, std::string& error, Input&&... input) {
    PieceReader reader(pieces);
    if (!json::sax_parse(std::forward<Input>(input)..., &reader)) {
        error = reader.error;
        return false;
    }
    return true;
}

}  // namespace

bool parseStrictJson(std::string_view text, const JsonPieces& pieces, std::string& error) {
    return readPieces(pieces, error, text.begin(), text.end());
}

bool parseStrictJson(std::istream& text, const JsonPieces& pieces, std::string& error) {
    return readPieces(pieces, error, text);
}

std::string jsonPathIndex(const std::string& path, std::size_t index) {
    std::string extended = path;
    appendIndex(extended, index);
    return extended;
}

std::string jsonPathKey(const std::string& path, const std::string& key) {
    std::string extended = path;
    appendKey(extended, key);
    return extended;
}

std::string shownJsonPath(const std::string& path) {
    if (path.empty()) {
        return "session";
    }
    // Deeply nested input could make the path longer than any line should be.
    constexpr std::size_t longest = 160;
    return path.size() <= longest ? path : "..." + path.substr(path.size() - longest);
}
