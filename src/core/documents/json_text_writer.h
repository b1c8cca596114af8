// The pieces of the documents' written text form: compact JSON, pure ASCII.
#pragma once

#include <string>
#include <string_view>

namespace voltaris {

// Appends `text` (UTF-8) as a JSON string: quotation mark, backslash and slash escaped
// (\" \\ \/), \b \t \n \f \r for those control characters, and every other character
// below 32 or above 127 as \u with four upper-case hexadecimal digits of its UTF-16 code
// unit(s). Invalid UTF-8 bytes are written as \uFFFD.
// The request body of the AI service uses the plainer form: only \" and \\ as short
// escapes, the slash as it is, and every character below 32 (line breaks included) or
// above 127 as \u.
enum class JsonEscapes { Document, UnicodeOnly };
void AppendJsonString(std::string& out, std::string_view text, JsonEscapes escapes = JsonEscapes::Document);

// Appends a finite double in the general number form: at most 15 significant digits
// (17 at the very top of the range), trailing zeros removed, plain decimals for
// magnitudes from 0.00001 up to 15 integer digits, otherwise exponent form with "E"
// (1.5E-11, 1E15); ".0" is appended when the text has neither "." nor "E" (3 -> 3.0).
// JSON cannot carry infinities or NaN: the document writer refuses them before it gets
// here (this function would write them as 0.0).
void AppendJsonDouble(std::string& out, double value);
std::string FormatJsonDouble(double value);

}  // namespace voltaris
