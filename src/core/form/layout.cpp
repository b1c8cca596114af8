#include <unordered_map>

#include "form/layout.h"

namespace voltaris {

std::string_view ControlKindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Panel: return "panel";
    case ControlKind::Group: return "group";
    case ControlKind::Pages: return "pages";
    case ControlKind::Page: return "page";
    case ControlKind::Label: return "label";
    case ControlKind::Edit: return "edit";
    case ControlKind::Check: return "check";
    case ControlKind::Combo: return "combo";
    case ControlKind::Button: return "button";
    case ControlKind::Memo: return "memo";
    case ControlKind::Grid: return "grid";
    case ControlKind::Trackbar: return "trackbar";
    case ControlKind::Progress: return "progress";
    case ControlKind::Chart: return "chart";
    case ControlKind::StatusBar: return "statusbar";
  }
  return "label";
}

const LayoutRow* FindLayoutRow(std::string_view name) {
  static const auto index = [] {
    std::unordered_map<std::string_view, const LayoutRow*> m;
    for (const LayoutRow& s : LayoutTable()) m.emplace(s.name, &s);
    return m;
  }();
  auto it = index.find(name);
  return it == index.end() ? nullptr : it->second;
}

std::string HintTitle(std::string_view hint) {
  const auto bar = hint.find('|');
  return std::string(bar == std::string_view::npos ? hint : hint.substr(0, bar));
}

std::string HintText(std::string_view hint) {
  const auto bar = hint.find('|');
  return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

}  // namespace voltaris
