#pragma once

#include <cstddef>
#include <functional>
#include <istream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// Reads JSON text without exceptions and more strictly than the library
// alone: a key repeated inside one object is refused (which of the two would
// count is anyone's guess), and every failure is one line that starts with
// the JSON path where it happened, such as
// "events[2].x: expected a finite number, not 1e400".
//
// The document is handed on in pieces as it is read, never built whole: a
// session of two million events would take fifteen times its size as a tree.
// The pieces are the members of the top-level object, except that the array
// under one chosen key arrives element by element. A piece keeps what a
// reader of plain values looks at and no more: every key of its objects, but
// only the first four elements of an array, and containers two levels below
// the piece only as empty ones of their kind. So a piece costs memory in
// proportion to its keys, however long its arrays or deep its nesting.
struct JsonPieces {
    // The streamed array's key.
    std::string streamedKey;
    // The whole document, cut down, when it is not an object.
    std::function<void(nlohmann::json)> wholeValue;
    // A member of the top-level object, cut down; the streamed array arrives
    // here as an empty array after its last element.
    std::function<void(const std::string& key, nlohmann::json value)> member;
    // An element of the streamed array, cut down.
    std::function<void(std::size_t index, nlohmann::json value)> element;
};

// False, with the error line, when the text is not strict JSON. The pieces
// before the failure have been handed on by then.
bool parseStrictJson(std::string_view text, const JsonPieces& pieces, std::string& error);
bool parseStrictJson(std::istream& text, const JsonPieces& pieces, std::string& error);

// Paths as the error lines write them: "events" + index 3 -> "events[3]",
// "events[3]" + key "x" -> "events[3].x". A key's control characters are
// escaped, so a line never carries them to a terminal.
std::string jsonPathIndex(const std::string& path, std::size_t index);
std::string jsonPathKey(const std::string& path, const std::string& key);

// The path as an error line shows it: the empty root path is "session".
std::string shownJsonPath(const std::string& path);
