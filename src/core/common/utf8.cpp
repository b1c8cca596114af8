#include "common/utf8.h"

#include <cstdio>

namespace voltaris {

std::vector<char32_t> DecodeUtf8(std::string_view s) {
  std::vector<char32_t> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t cp = len == 1 ? c : c & (0xFF >> (len + 1));
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc >> 6) != 0x2) { ok = false; break; }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += len;
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

const char* WideFormName(TWideForm form) {
  return form == TWideForm::Utf16LE || form == TWideForm::Utf16BE ? "UTF-16" : "UTF-32";
}

bool WideToUtf8(std::string_view bytes, TWideForm form, std::string& out, std::string& error, size_t firstByte) {
  const bool wide32 = form == TWideForm::Utf32LE || form == TWideForm::Utf32BE;
  const bool little = form == TWideForm::Utf16LE || form == TWideForm::Utf32LE;
  const size_t unit = wide32 ? 4 : 2;
  out.clear();
  error.clear();
  const auto at = [firstByte](size_t pos) { return " at byte " + std::to_string(firstByte + pos); };
  if (bytes.size() % unit != 0) {
    error = "the file's " + std::to_string(bytes.size()) + " bytes are not a whole number of " +
            std::to_string(unit) + "-byte code units";
    return false;
  }
  const auto unitAt = [&](size_t pos) {
    char32_t v = 0;
    for (size_t k = 0; k < unit; ++k) {
      const auto b = static_cast<unsigned char>(bytes[pos + (little ? unit - 1 - k : k)]);
      v = (v << 8) | b;
    }
    return v;
  };
  out.reserve(bytes.size() / unit * (wide32 ? 2 : 1));
  for (size_t pos = 0; pos < bytes.size(); pos += unit) {
    char32_t cp = unitAt(pos);
    if (wide32) {
      if (cp > 0x10FFFF) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%lX", static_cast<unsigned long>(cp));
        error = "the code point " + std::string(hex) + " lies beyond U+10FFFF" + at(pos);
        return false;
      }
      if (cp >= 0xD800 && cp <= 0xDFFF) {
        error = "a surrogate code unit stands alone" + at(pos);
        return false;
      }
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      // A high surrogate followed by a low one makes one code point beyond U+FFFF.
      const bool high = cp <= 0xDBFF;
      const char32_t next = high && pos + 2 < bytes.size() ? unitAt(pos + 2) : 0;
      if (!high || next < 0xDC00 || next > 0xDFFF) {
        error = "a lone surrogate" + at(pos);
        return false;
      }
      cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
      pos += 2;
    }
    AppendUtf8(out, cp);
  }
  return true;
}

}  // namespace voltaris
