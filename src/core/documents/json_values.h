// Shared helpers for reading JSON documents with nlohmann/json (ordered, so members keep
// the order in which they appear in the file).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace voltaris {

using DocJson = nlohmann::ordered_json;

// Parses JSON text without raising; a leading byte order mark is skipped. The result is
// discarded (is_discarded()) when the text is not valid JSON.
DocJson ParseJsonText(std::string_view text);

// The text of a JSON value: a string's content, otherwise the value written as JSON.
std::string JsonValueText(const DocJson& value);

// Case-insensitive comparison of ASCII letters (keys and schema tags).
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace voltaris
