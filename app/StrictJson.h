#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// Reads JSON text into a value without exceptions and more strictly than the
// library alone: a key repeated inside one object is refused (which of the two
// would count is anyone's guess), and every failure is one line that starts
// with the JSON path where it happened, such as
// "events[2].x: expected a finite number, not 1e400".
bool parseStrictJson(std::string_view text, nlohmann::json& value, std::string& error);

// Paths as the error lines write them: "events" + index 3 -> "events[3]",
// "events[3]" + key "x" -> "events[3].x". A key's control characters are
// escaped, so a line never carries them to a terminal.
std::string jsonPathIndex(const std::string& path, std::size_t index);
std::string jsonPathKey(const std::string& path, const std::string& key);

// The path as an error line shows it: the empty root path is "session".
std::string shownJsonPath(const std::string& path);
