// JSON documents through nlohmann-json, without exceptions at the edges.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace ns {

using JSON = nlohmann::json;

// The document, or nothing when the text is not valid JSON.
std::optional<JSON> parseJSON(std::string_view text);
// Compact text; invalid UTF-8 in strings is replaced, never thrown on.
std::string serializeJSON(const JSON& value);

}  // namespace ns
