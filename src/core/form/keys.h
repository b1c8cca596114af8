// Key strokes as the form sees them ("F1", "Ctrl+A", "Ctrl+Shift+A").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace voltaris {

struct KeyStroke {
  std::string key{};  // "F1".."F12", a letter "A".."Z", a digit, "Escape", "Enter", ...
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
  bool operator==(const KeyStroke&) const = default;
};

// Parses "Ctrl+Shift+A" style text; nothing when it is not a key.
std::optional<KeyStroke> ParseKeyStroke(std::string_view text);

}  // namespace voltaris
