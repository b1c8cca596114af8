// The text a user sees for a failure: what went wrong in words the user can act on, never
// a library's internal wording, never a wall of echoed input.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

namespace voltaris {

// The longest line of a message shown to the user; an echoed entry longer than this is cut.
inline constexpr std::size_t kMaxMessageLineChars = 300;

// `text` with every line longer than kMaxMessageLineChars cut (at a character boundary)
// and marked with "… (N characters)".
std::string CutLongLines(std::string_view text);

// The message for a failure: out of memory and the standard stream library's failures get
// a plain sentence; every other message keeps its text, long lines cut.
std::string UserMessageOf(const std::exception& e);

}  // namespace voltaris
