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

// Builds the value through the library's own DOM builder, while keeping the
// path of the value being read so that errors can name it.
class PathTrackingBuilder {
public:
    using number_integer_t = json::number_integer_t;
    using number_unsigned_t = json::number_unsigned_t;
    using number_float_t = json::number_float_t;
    using string_t = json::string_t;
    using binary_t = json::binary_t;

    explicit PathTrackingBuilder(json& result) : dom(result, false) {}

    std::string error;

    bool null() { return scalar(dom.null()); }
    bool boolean(bool v) { return scalar(dom.boolean(v)); }
    bool number_integer(number_integer_t v) { return scalar(dom.number_integer(v)); }
    bool number_unsigned(number_unsigned_t v) { return scalar(dom.number_unsigned(v)); }
    bool number_float(number_float_t v, const string_t& s) { return scalar(dom.number_float(v, s)); }
    bool string(string_t& v) { return scalar(dom.string(v)); }
    bool binary(binary_t& v) { return scalar(dom.binary(v)); }

    bool start_object(std::size_t length) {
        open(false);
        return dom.start_object(length);
    }

    bool key(string_t& name) {
        Frame& frame = frames.back();
        frame.key = name;
        frame.hasKey = true;
        if (!frame.keys.insert(name).second) {
            error = shownJsonPath(currentPath()) + ": duplicate key";
            return false;
        }
        return dom.key(name);
    }

    bool end_object() {
        frames.pop_back();
        return scalar(dom.end_object());
    }

    bool start_array(std::size_t length) {
        open(true);
        return dom.start_array(length);
    }

    bool end_array() {
        frames.pop_back();
        return scalar(dom.end_array());
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

    // A finished value moves an enclosing array on to its next element.
    bool scalar(bool accepted) {
        if (!frames.empty() && frames.back().isArray) {
            ++frames.back().index;
        }
        return accepted;
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

    nlohmann::detail::json_sax_dom_parser<json> dom;
    std::vector<Frame> frames;
};

}  // namespace

bool parseStrictJson(std::string_view text, nlohmann::json& value, std::string& error) {
    value = nullptr;
    PathTrackingBuilder builder(value);
    if (!json::sax_parse(text.begin(), text.end(), &builder)) {
        error = builder.error;
        value = nullptr;
        return false;
    }
    return true;
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
