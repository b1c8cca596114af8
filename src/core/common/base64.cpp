#include "common/base64.h"

#include <cstdint>

namespace voltaris {

namespace {
int Sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
}  // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  uint32_t acc = 0;
  int count = 0;    // sextets in the current group of four
  int padding = 0;  // "=" seen
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    if (padding > 0) return std::nullopt;  // data after the padding
    const int v = Sextet(c);
    if (v < 0) return std::nullopt;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    if (++count == 4) {
      out.push_back(static_cast<char>((acc >> 16) & 0xFF));
      out.push_back(static_cast<char>((acc >> 8) & 0xFF));
      out.push_back(static_cast<char>(acc & 0xFF));
      acc = 0;
      count = 0;
    }
  }
  // A final group of 2 or 3 sextets carries 1 or 2 bytes; 1 sextet carries none.
  if (count == 1 || padding > 2) return std::nullopt;
  if (padding > 0 && count + padding != 4) return std::nullopt;
  if (count == 2) {
    out.push_back(static_cast<char>((acc >> 4) & 0xFF));
  } else if (count == 3) {
    out.push_back(static_cast<char>((acc >> 10) & 0xFF));
    out.push_back(static_cast<char>((acc >> 2) & 0xFF));
  }
  return out;
}

}  // namespace voltaris
