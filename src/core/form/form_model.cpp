#include "form/form_model.h"

#include <algorithm>

#include "common/numbers.h"
#include "common/user_message.h"

namespace voltaris {

Control::Control(FormModel& form, const LayoutRow& entry)
    : form_(&form),
      layout_(&entry),
      text_(entry.text),
      caption_(entry.caption),
      checked_(entry.checked),
      enabled_(entry.enabled),
      visible_(entry.visible),
      items_(entry.items),
      itemIndex_(entry.itemIndex),
      position_(entry.position),
      minimum_(entry.minimum),
      maximum_(entry.maximum),
      hint_(entry.hint) {
  if (entry.kind == ControlKind::Pages) activePage_ = entry.text;
  if (entry.kind == ControlKind::Grid) {
    cells_.assign(static_cast<size_t>(std::max(entry.rows, 0)),
                  std::vector<std::string>(static_cast<size_t>(std::max(entry.columns, 0))));
    columnWidths_.assign(static_cast<size_t>(std::max(entry.columns, 0)), entry.columnWidth > 0 ? entry.columnWidth : 80);
  }
}

double Control::Number(double fallback) const {
  const char sep = UserDecimalSeparator();
  if (!numCached_ || numSep_ != sep) {
    double v = 0.0;
    numOk_ = TryParseFloat(text_, '.', v) || (sep != '.' && TryParseFloat(text_, sep, v));
    numValue_ = v;
    numSep_ = sep;
    numCached_ = true;
  }
  return numOk_ ? numValue_ : fallback;
}

FormModel::FormModel(const std::vector<LayoutRow>& table) {
  controls_.reserve(table.size());
  for (const LayoutRow& entry : table) {
    controls_.push_back(std::make_unique<Control>(*this, entry));
    byName_[entry.name] = controls_.back().get();
    if (entry.kind == ControlKind::Chart) {
      charts_.push_back(std::make_unique<ChartModel>(entry.name, entry.caption));
      charts_.back()->onInvalidate = [this](ChartModel& chart) {
        if (listener_) listener_->ChartChanged(chart);
      };
    }
  }
}

Control* FormModel::Find(std::string_view name) {
  auto it = byName_.find(std::string(name));
  return it == byName_.end() ? nullptr : it->second;
}

Control& FormModel::Get(std::string_view name) {
  if (Control* c = Find(name)) return *c;
  throw FormError("Unknown control: " + std::string(name));
}

const Control& FormModel::Get(std::string_view name) const {
  return const_cast<FormModel*>(this)->Get(name);
}

Control& FormModel::GetKind(std::string_view name, ControlKind kind, const char* what) {
  Control& c = Get(name);
  if (c.Kind() != kind) throw FormError(std::string(name) + " is not " + what);
  return c;
}

ChartModel* FormModel::FindChart(std::string_view name) {
  for (auto& ch : charts_)
    if (ch->Name() == name) return ch.get();
  return nullptr;
}

ChartModel& FormModel::Chart(std::string_view name) {
  if (ChartModel* ch = FindChart(name)) return *ch;
  throw FormError("Unknown chart: " + std::string(name));
}

void FormModel::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (listener_) listener_->CaptionChanged(caption_);
}

void FormModel::Notify(const Control& c) {
  if (listener_) listener_->ControlChanged(c);
}

void FormModel::Fire(const std::map<std::string, Handler, std::less<>>& handlers, std::string_view name) {
  auto it = handlers.find(name);
  if (it == handlers.end() || !it->second) return;
  const Handler handler = it->second;  // a handler may replace itself while running
  RunEvent([&] { handler(std::string(name)); });
}

void FormModel::SetText(std::string_view name, const std::string& text) {
  Control& c = Get(name);
  if (c.text_ == text) return;
  c.text_ = text;
  c.numCached_ = false;
  ++valueVersion_;
  if (c.Kind() == ControlKind::Combo && c.Layout().dropDownList) {
    auto it = std::find(c.items_.begin(), c.items_.end(), text);
    c.itemIndex_ = it == c.items_.end() ? -1 : static_cast<int>(it - c.items_.begin());
  }
  Notify(c);
  if (c.Kind() == ControlKind::Edit) Fire(onChange_, name);
}

void FormModel::SetTextWithoutChange(std::string_view name, const std::string& text) {
  Control& c = Get(name);
  if (c.text_ == text) return;
  c.text_ = text;
  c.numCached_ = false;
  Notify(c);
}

void FormModel::SetChecked(std::string_view name, bool checked) {
  Control& c = GetKind(name, ControlKind::Check, "a check box");
  if (c.checked_ == checked) return;
  c.checked_ = checked;
  ++valueVersion_;
  Notify(c);
  Fire(onClick_, name);
}

void FormModel::SetControlCaption(std::string_view name, const std::string& caption) {
  Control& c = Get(name);
  if (c.caption_ == caption) return;
  c.caption_ = caption;
  Notify(c);
}

void FormModel::SetEnabled(std::string_view name, bool enabled) {
  Control& c = Get(name);
  if (c.enabled_ == enabled) return;
  c.enabled_ = enabled;
  Notify(c);
}

void FormModel::SetVisible(std::string_view name, bool visible) {
  Control& c = Get(name);
  if (c.visible_ == visible) return;
  c.visible_ = visible;
  Notify(c);
}

void FormModel::SetItems(std::string_view name, std::vector<std::string> items) {
  Control& c = GetKind(name, ControlKind::Combo, "a combo box");
  c.items_ = std::move(items);
  c.itemIndex_ = -1;
  ++valueVersion_;
  if (c.Layout().dropDownList) c.text_.clear();
  c.numCached_ = false;
  Notify(c);
}

void FormModel::SetItemIndex(std::string_view name, int index) {
  Control& c = GetKind(name, ControlKind::Combo, "a combo box");
  if (index < -1 || index >= static_cast<int>(c.items_.size())) index = -1;
  c.itemIndex_ = index;
  ++valueVersion_;
  // Selecting an item shows it; clearing the selection of a drop-down list empties it.
  if (index >= 0)
    c.text_ = c.items_[static_cast<size_t>(index)];
  else if (c.Layout().dropDownList)
    c.text_.clear();
  c.numCached_ = false;
  Notify(c);
}

void FormModel::SetActivePage(std::string_view pagesName, std::string_view pageName) {
  Control& pages = GetKind(pagesName, ControlKind::Pages, "a page control");
  const Control* page = Find(pageName);
  if (page == nullptr || page->Kind() != ControlKind::Page || page->Layout().parent != pages.Name())
    throw FormError(std::string(pageName) + " is not a page of " + std::string(pagesName));
  if (pages.activePage_ == pageName) return;
  pages.activePage_ = std::string(pageName);
  ++valueVersion_;
  Notify(pages);
}

void FormModel::SetLines(std::string_view name, std::vector<std::string> lines) {
  Control& c = GetKind(name, ControlKind::Memo, "a memo");
  c.lines_ = std::move(lines);
  Notify(c);
}

void FormModel::AddLine(std::string_view name, const std::string& line) {
  Control& c = GetKind(name, ControlKind::Memo, "a memo");
  c.lines_.push_back(line);
  Notify(c);
}

void FormModel::SetCell(std::string_view name, int col, int row, const std::string& text) {
  Control& c = GetKind(name, ControlKind::Grid, "a grid");
  if (row < 0 || col < 0 || row >= static_cast<int>(c.cells_.size()) ||
      col >= static_cast<int>(c.cells_[static_cast<size_t>(row)].size()))
    throw FormError("Grid index out of bounds: " + std::string(name) + " [" + std::to_string(col) + ", " +
                    std::to_string(row) + "]");
  c.cells_[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
  Notify(c);
}

void FormModel::SetGridSize(std::string_view name, int cols, int rows) {
  Control& c = GetKind(name, ControlKind::Grid, "a grid");
  c.cells_.resize(static_cast<size_t>(std::max(rows, 0)));
  for (auto& r : c.cells_) r.resize(static_cast<size_t>(std::max(cols, 0)));
  const int width = c.Layout().columnWidth > 0 ? c.Layout().columnWidth : 80;
  c.columnWidths_.resize(static_cast<size_t>(std::max(cols, 0)), width);
  Notify(c);
}

void FormModel::SetColumnWidth(std::string_view name, int col, int width) {
  Control& c = GetKind(name, ControlKind::Grid, "a grid");
  if (col < 0 || col >= static_cast<int>(c.columnWidths_.size()))
    throw FormError("Grid column out of bounds: " + std::string(name) + " [" + std::to_string(col) + "]");
  c.columnWidths_[static_cast<size_t>(col)] = std::max(width, 0);
  Notify(c);
}

void FormModel::SetGridEditing(std::string_view name, bool editing) {
  Control& c = GetKind(name, ControlKind::Grid, "a grid");
  if (c.gridEditing_ == editing) return;
  c.gridEditing_ = editing;
  Notify(c);
}

void FormModel::SetPosition(std::string_view name, int position) {
  Control& c = Get(name);
  position = std::clamp(position, c.minimum_, std::max(c.minimum_, c.maximum_));
  if (c.position_ == position) return;
  c.position_ = position;
  ++valueVersion_;
  Notify(c);
}

void FormModel::SetRange(std::string_view name, int minimum, int maximum) {
  Control& c = Get(name);
  c.minimum_ = minimum;
  c.maximum_ = std::max(minimum, maximum);
  c.position_ = std::clamp(c.position_, c.minimum_, c.maximum_);
  ++valueVersion_;
  Notify(c);
}

void FormModel::SetHint(std::string_view name, const std::string& hint) {
  Control& c = Get(name);
  c.hint_ = hint;
  Notify(c);
}

void FormModel::UserSetText(std::string_view name, const std::string& text) {
  Control& c = Get(name);
  if (c.Kind() != ControlKind::Edit && c.Kind() != ControlKind::Combo)
    throw FormError(std::string(name) + " has no text to set");
  RunEvent([&] {
    if (c.Kind() == ControlKind::Edit) {
      SetText(name, text);  // fires the change handler when the text changed
    } else {
      SetText(name, text);
      Fire(onChange_, name);
    }
  });
}

void FormModel::UserSelect(std::string_view name, int index) {
  RunEvent([&] {
    SetItemIndex(name, index);
    Fire(onChange_, name);
  });
}

void FormModel::UserCheck(std::string_view name, bool checked) {
  GetKind(name, ControlKind::Check, "a check box");
  RunEvent([&] { SetChecked(name, checked); });
}

void FormModel::UserSetPage(std::string_view pagesName, std::string_view pageName) {
  RunEvent([&] {
    const bool changed = Get(pagesName).ActivePage() != pageName;
    SetActivePage(pagesName, pageName);
    if (changed) Fire(onChange_, pagesName);
  });
}

void FormModel::UserSetPosition(std::string_view name, int position) {
  GetKind(name, ControlKind::Trackbar, "a trackbar");
  RunEvent([&] {
    const int before = Get(name).Position();
    SetPosition(name, position);
    if (Get(name).Position() != before) Fire(onChange_, name);
  });
}

void FormModel::UserClick(std::string_view name) {
  Get(name);
  Fire(onClick_, name);
}

void FormModel::UserDoubleClick(std::string_view name) {
  Get(name);
  Fire(onDoubleClick_, name);
}

void FormModel::OnChange(std::string_view name, Handler handler) {
  Get(name);
  onChange_[std::string(name)] = std::move(handler);
}

void FormModel::OnClick(std::string_view name, Handler handler) {
  Get(name);
  onClick_[std::string(name)] = std::move(handler);
}

void FormModel::OnDoubleClick(std::string_view name, Handler handler) {
  Get(name);
  onDoubleClick_[std::string(name)] = std::move(handler);
}

bool FormModel::HasChangeHandler(std::string_view name) const { return onChange_.count(name) > 0; }

void FormModel::RunEvent(const std::function<void()>& action) {
  if (eventDepth_ > 0) {  // nested: the outermost event reports
    action();
    return;
  }
  ++eventDepth_;
  try {
    action();
  } catch (const std::exception& e) {
    eventDepth_ = 0;
    if (onError) onError(UserMessageOf(e));
    return;
  }
  eventDepth_ = 0;
}

}  // namespace voltaris
