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

// The Unicode forms a text file may be saved in besides UTF-8, as its byte order mark
// tells.
enum class TWideForm { Utf16LE, Utf16BE, Utf32LE, Utf32BE };

// "UTF-16" or "UTF-32".
const char* WideFormName(TWideForm form);

// Converts UTF-16 or UTF-32 text (without its byte order mark) to UTF-8. Invalid text is
// not mended: the result is false and `error` says what is wrong and where (a byte count
// that is not a whole number of code units, a lone surrogate, a code point beyond
// U+10FFFF), counting bytes from `firstByte` at the start of `bytes` (the length of the
// byte order mark, so the place is the file's).
bool WideToUtf8(std::string_view bytes, TWideForm form, std::string& out, std::string& error, size_t firstByte = 0);

}  // namespace voltaris
