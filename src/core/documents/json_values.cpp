#include "documents/json_values.h"

namespace voltaris {

DocJson ParseJsonText(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
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
