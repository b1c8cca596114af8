// Small UTF-8 helpers: the form's texts are UTF-8 strings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace voltaris {

// Splits UTF-8 text into code points (invalid bytes come out as U+FFFD).
std::vector<char32_t> DecodeUtf8(std::string_view text);
// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace voltaris
