// Shared helpers for reading JSON documents with nlohmann/json (ordered, so members keep
// the order in which they appear in the file).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace voltaris {

using DocJson = nlohmann::ordered_json;

// The deepest nesting of arrays and objects a document may have: far more than any
// document of this program needs, far less than what would exhaust the stack of the code
// that walks, copies or writes a parsed value.
inline constexpr int kMaxJsonDepth = 256;

// Parses JSON text; a leading byte order mark is skipped. The result is discarded
// (is_discarded()) when the text is not valid JSON. Text nested deeper than kMaxJsonDepth
// is not parsed: fails with a DocumentError naming `fileName` (when given).
DocJson ParseJsonText(std::string_view text, std::string_view fileName = {});

// The message of text nested deeper than kMaxJsonDepth.
std::string JsonTooDeepMessage(std::string_view fileName);

// The text of a JSON value: a string's content, otherwise the value written as JSON.
std::string JsonValueText(const DocJson& value);

// Case-insensitive comparison of ASCII letters (keys and schema tags).
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace voltaris
