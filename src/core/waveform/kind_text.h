// Pattern type names and tab captions are matched on their trimmed, lower-case ASCII form
// ("  Trapezoid " and "trapezoid" name the same kind).
#pragma once

#include <string>
#include <string_view>

namespace voltaris {

// `s` without leading and trailing blanks and control characters, ASCII letters lower-cased.
inline std::string TrimLowerAscii(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace voltaris
