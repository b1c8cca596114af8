#include "form/keys.h"

#include <algorithm>
#include <cctype>

namespace voltaris {

namespace {
std::string Upper(std::string_view s) {
  std::string u(s);
  std::transform(u.begin(), u.end(), u.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return u;
}

bool IsKeyName(const std::string& k) {
  if (k.size() == 1) return std::isalnum(static_cast<unsigned char>(k[0])) != 0;
  if (k.size() >= 2 && k[0] == 'F') {
    const std::string digits = k.substr(1);
    if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c) != 0; })) return false;
    const int n = std::stoi(digits);
    return n >= 1 && n <= 24;
  }
  static const char* named[] = {"ESCAPE", "ENTER", "RETURN", "TAB", "SPACE", "BACKSPACE", "DELETE", "INSERT",
                                "HOME", "END", "PAGEUP", "PAGEDOWN", "LEFT", "RIGHT", "UP", "DOWN"};
  return std::any_of(std::begin(named), std::end(named), [&](const char* n) { return k == n; });
}
}  // namespace

std::optional<KeyStroke> ParseKeyStroke(std::string_view text) {
  KeyStroke ks;
  std::string rest = Upper(text);
  while (true) {
    const auto plus = rest.find('+');
    if (plus == std::string::npos || plus + 1 == rest.size()) break;
    const std::string mod = rest.substr(0, plus);
    if (mod == "CTRL" || mod == "CONTROL") ks.ctrl = true;
    else if (mod == "SHIFT") ks.shift = true;
    else if (mod == "ALT") ks.alt = true;
    else return std::nullopt;
    rest = rest.substr(plus + 1);
  }
  if (!IsKeyName(rest)) return std::nullopt;
  ks.key = rest;
  return ks;
}

}  // namespace voltaris
