#include "documents/json_text_writer.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "common/utf8.h"

namespace voltaris {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendU16Escape(std::string& out, unsigned unit) {
  out += "\\u";
  out += kHex[(unit >> 12) & 0xF];
  out += kHex[(unit >> 8) & 0xF];
  out += kHex[(unit >> 4) & 0xF];
  out += kHex[unit & 0xF];
}

void AppendAsciiChar(std::string& out, char c, JsonEscapes escapes) {
  if (escapes == JsonEscapes::UnicodeOnly) {
    if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else if (static_cast<unsigned char>(c) < 0x20) AppendU16Escape(out, static_cast<unsigned char>(c));
    else out += c;
    return;
  }
  switch (c) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '/': out += "\\/"; return;
    case '\b': out += "\\b"; return;
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\f': out += "\\f"; return;
    case '\r': out += "\\r"; return;
    default:
      if (static_cast<unsigned char>(c) < 0x20) AppendU16Escape(out, static_cast<unsigned char>(c));
      else out += c;
  }
}

void AppendCodePointEscape(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF) cp = 0xFFFD;
  if (cp < 0x10000) {
    AppendU16Escape(out, static_cast<unsigned>(cp));
    return;
  }
  const unsigned v = static_cast<unsigned>(cp) - 0x10000;
  AppendU16Escape(out, 0xD800 + (v >> 10));
  AppendU16Escape(out, 0xDC00 + (v & 0x3FF));
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text, JsonEscapes escapes) {
  out += '"';
  size_t i = 0;
  while (i < text.size()) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      AppendAsciiChar(out, text[i++], escapes);
      continue;
    }
    // A run of non-ASCII bytes holds whole UTF-8 sequences (ASCII never occurs inside one).
    size_t end = i;
    while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x80) ++end;
    for (char32_t cp : DecodeUtf8(text.substr(i, end - i))) AppendCodePointEscape(out, cp);
    i = end;
  }
  out += '"';
}

void AppendJsonDouble(std::string& out, double value) {
  if (value == 0 || !std::isfinite(value)) {  // zero of either sign
    out += "0.0";
    return;
  }
  // Round to the significant digits once, then lay the digits out.
  const int precision = std::fabs(value) >= 1.7976931348623151E308 ? 17 : 15;
  char buf[48];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision - 1);
  const std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));  // "-d.ddde+XX"
  const bool negative = sci[0] == '-';
  const size_t ePos = sci.find('e');
  int exponent = 0;
  std::from_chars(sci.data() + ePos + (sci[ePos + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  char digitBuf[20];
  size_t n = 0;
  for (char c : sci.substr(0, ePos)) {
    if (c >= '0' && c <= '9') digitBuf[n++] = c;
  }
  while (n > 1 && digitBuf[n - 1] == '0') --n;
  const std::string_view digits(digitBuf, n);

  if (negative) out += '-';
  const size_t start = out.size();
  if (exponent >= -5 && exponent < 15) {
    if (exponent < 0) {
      out += "0.";
      out.append(static_cast<size_t>(-exponent - 1), '0');
      out += digits;
    } else {
      const size_t intDigits = static_cast<size_t>(exponent) + 1;
      if (digits.size() <= intDigits) {
        out += digits;
        out.append(intDigits - digits.size(), '0');
      } else {
        out += digits.substr(0, intDigits);
        out += '.';
        out += digits.substr(intDigits);
      }
    }
  } else {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'E';
    const auto e = std::to_chars(buf, buf + sizeof buf, exponent);
    out.append(buf, e.ptr);
  }
  if (out.find_first_of(".E", start) == std::string::npos) out += ".0";
}

std::string FormatJsonDouble(double value) {
  std::string s;
  AppendJsonDouble(s, value);
  return s;
}

}  // namespace voltaris
