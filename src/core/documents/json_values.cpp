#include "documents/json_values.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "documents/document_error.h"

namespace voltaris {

namespace {

bool IsNumberStart(char c) { return c == '-' || (c >= '0' && c <= '9'); }
bool IsNumberChar(char c) { return IsNumberStart(c) || c == '+' || c == '.' || c == 'e' || c == 'E'; }

// What the text holds beyond the grammar: the deepest nesting of brackets and braces
// outside strings, and whether a number overflows the double range ("1e400").
// Unbalanced text is left to the parser, which refuses it.
struct TextShape {
  int deepest = 0;
  bool overflow = false;
};

TextShape ShapeOf(std::string_view text) {
  TextShape shape;
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > shape.deepest) shape.deepest = depth;
      if (shape.deepest > kMaxJsonDepth) return shape;
    } else if (c == ']' || c == '}') {
      --depth;
    } else if (IsNumberStart(c)) {
      size_t e = i;
      while (e < text.size() && IsNumberChar(text[e])) ++e;
      // Only a long number or one with an exponent can overflow.
      const std::string_view token = text.substr(i, e - i);
      if (token.size() > 300 || token.find_first_of("eE") != std::string_view::npos) {
        if (!std::isfinite(std::strtod(std::string(token).c_str(), nullptr))) shape.overflow = true;
      }
      i = e - 1;
    }
  }
  return shape;
}

// The text with every number beyond the double range written as a string: the readers
// then treat it as they treat any text where a number belongs (the parser alone would
// refuse the whole document for one such number).
std::string QuoteOverflowingNumbers(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      out += c;
      if (c == '\\' && i + 1 < text.size()) out += text[++i];
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
      out += c;
    } else if (IsNumberStart(c)) {
      size_t e = i;
      while (e < text.size() && IsNumberChar(text[e])) ++e;
      const std::string token(text.substr(i, e - i));
      if (!std::isfinite(std::strtod(token.c_str(), nullptr))) out += "\"" + token + "\"";
      else out += token;
      i = e - 1;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string JsonTooDeepMessage(std::string_view fileName) {
  const std::string what = fileName.empty() ? std::string("The document") : "The file \"" + std::string(fileName) + "\"";
  return what + " is nested more than " + std::to_string(kMaxJsonDepth) +
         " levels deep; it is not a document this program can read";
}

DocJson ParseJsonText(std::string_view text, std::string_view fileName) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const TextShape shape = ShapeOf(text);
  if (shape.deepest > kMaxJsonDepth) throw DocumentError(JsonTooDeepMessage(fileName));
  if (shape.overflow) {
    const std::string quoted = QuoteOverflowingNumbers(text);
    return DocJson::parse(quoted.begin(), quoted.end(), nullptr, /*allow_exceptions=*/false);
  }
  return DocJson::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
}

std::string JsonValueText(const DocJson& value) {
  if (value.is_string()) return value.get<std::string>();
  return value.dump();
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace voltaris
