// The form model: the live values of every control of the main window, seeded from the
// layout table, with handlers by control name and change notification for the view.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "form/chart_model.h"
#include "form/layout.h"

namespace voltaris {

// A failure of a form operation or handler: carries the message the user sees.
class FormError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FormModel;

// Live state of one control.
class Control {
 public:
  Control(FormModel& form, const LayoutRow& entry);

  const LayoutRow& Layout() const { return *layout_; }
  const std::string& Name() const { return layout_->name; }
  ControlKind Kind() const { return layout_->kind; }

  // Text of an edit or combo box.
  const std::string& Text() const { return text_; }
  // The text read as a number (invariant ".", then the user's separator, else
  // `fallback`). The parse is cached until the text changes.
  double Number(double fallback) const;

  const std::string& Caption() const { return caption_; }
  bool Checked() const { return checked_; }
  bool Enabled() const { return enabled_; }
  bool Visible() const { return visible_; }
  const std::vector<std::string>& Items() const { return items_; }
  int ItemIndex() const { return itemIndex_; }
  const std::string& ActivePage() const { return activePage_; }
  const std::vector<std::string>& Lines() const { return lines_; }
  const std::vector<std::vector<std::string>>& Cells() const { return cells_; }  // [row][col]
  // Pixel width of each grid column, and whether the user may edit the grid's cells
  // below its fixed rows.
  const std::vector<int>& ColumnWidths() const { return columnWidths_; }
  bool GridEditing() const { return gridEditing_; }
  int Position() const { return position_; }
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  const std::string& Hint() const { return hint_; }

 private:
  friend class FormModel;
  FormModel* form_;
  const LayoutRow* layout_;
  std::string text_;
  std::string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  std::string activePage_;
  std::vector<std::string> lines_;
  std::vector<std::vector<std::string>> cells_;
  std::vector<int> columnWidths_;
  bool gridEditing_ = false;
  int position_ = 0;
  int minimum_ = 0;
  int maximum_ = 0;
  std::string hint_;
  // Cached parse of text_ (the live run reads the same edits thousands of times a tick).
  mutable bool numCached_ = false;
  mutable bool numOk_ = false;
  mutable char numSep_ = '.';
  mutable double numValue_ = 0.0;
};

// What the view listens to: values written by the core, and charts to redraw.
class FormListener {
 public:
  virtual ~FormListener() = default;
  virtual void ControlChanged(const Control& control) = 0;
  virtual void ChartChanged(ChartModel& chart) = 0;
  virtual void CaptionChanged(const std::string& caption) = 0;
};

// A handler receives the name of the control that fired it (the sender).
using Handler = std::function<void(const std::string& sender)>;

class FormModel {
 public:
  explicit FormModel(const std::vector<LayoutRow>& table = LayoutTable());
  FormModel(const FormModel&) = delete;
  FormModel& operator=(const FormModel&) = delete;

  // Look-up by name. Get throws FormError for an unknown name; Find returns nullptr.
  Control& Get(std::string_view name);
  const Control& Get(std::string_view name) const;
  Control* Find(std::string_view name);
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }

  ChartModel& Chart(std::string_view name);
  ChartModel* FindChart(std::string_view name);
  const std::vector<std::unique_ptr<ChartModel>>& Charts() const { return charts_; }

  // Window caption.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  // Shorthand reads.
  const std::string& Text(std::string_view name) const { return Get(name).Text(); }
  double Number(std::string_view name, double fallback) const { return Get(name).Number(fallback); }
  bool Checked(std::string_view name) const { return Get(name).Checked(); }

  // Writes. As in the desktop toolkit, a changed edit text fires the edit's change
  // handler and a changed check state fires the check box's click handler, whoever
  // wrote it; item index, page, position and the other properties fire nothing.
  void SetText(std::string_view name, const std::string& text);
  // Writes the text with the change notification suspended: the view follows, no change
  // handler runs (a value written by the program that must not trigger a recalculation).
  void SetTextWithoutChange(std::string_view name, const std::string& text);
  void SetChecked(std::string_view name, bool checked);
  void SetControlCaption(std::string_view name, const std::string& caption);
  void SetEnabled(std::string_view name, bool enabled);
  void SetVisible(std::string_view name, bool visible);
  void SetItems(std::string_view name, std::vector<std::string> items);
  void SetItemIndex(std::string_view name, int index);
  void SetActivePage(std::string_view pagesName, std::string_view pageName);
  void SetLines(std::string_view name, std::vector<std::string> lines);
  void AddLine(std::string_view name, const std::string& line);
  void SetCell(std::string_view name, int col, int row, const std::string& text);
  void SetGridSize(std::string_view name, int cols, int rows);
  // Width of a grid column in pixels; FormError for a column outside the grid.
  void SetColumnWidth(std::string_view name, int col, int width);
  void SetGridEditing(std::string_view name, bool editing);
  void SetPosition(std::string_view name, int position);
  void SetRange(std::string_view name, int minimum, int maximum);
  void SetHint(std::string_view name, const std::string& hint);

  // User actions, as the window or an automation script delivers them: they change the
  // value and fire the control's handler.
  void UserSetText(std::string_view name, const std::string& text);   // edit, combo text
  void UserSelect(std::string_view name, int index);                  // combo item
  void UserCheck(std::string_view name, bool checked);                // check box
  void UserSetPage(std::string_view pagesName, std::string_view pageName);
  void UserSetPosition(std::string_view name, int position);          // trackbar
  void UserClick(std::string_view name);                              // button (or any control)
  void UserDoubleClick(std::string_view name);                        // charts

  // Handlers by control name (replacing any earlier one of the same event).
  void OnChange(std::string_view name, Handler handler);
  void OnClick(std::string_view name, Handler handler);
  void OnDoubleClick(std::string_view name, Handler handler);
  bool HasChangeHandler(std::string_view name) const;

  // Runs `action` as a user-facing event: an exception thrown by it (or by a handler it
  // fires) is reported once, through the error reporter, by the outermost event only.
  void RunEvent(const std::function<void()>& action);
  std::function<void(const std::string& message)> onError;

  void SetListener(FormListener* listener) { listener_ = listener; }

  // Rises with every change of a value a computation may read (text, check state, item
  // index or items, active page, position); captions, hints and memos leave it alone.
  // Readers that resolve controls once compare it to know when to resolve again.
  uint64_t ValueVersion() const { return valueVersion_; }

 private:
  void Notify(const Control& c);
  void Fire(const std::map<std::string, Handler, std::less<>>& handlers, std::string_view name);
  Control& GetKind(std::string_view name, ControlKind kind, const char* what);

  std::vector<std::unique_ptr<Control>> controls_;
  std::unordered_map<std::string, Control*> byName_;
  std::vector<std::unique_ptr<ChartModel>> charts_;
  std::map<std::string, Handler, std::less<>> onChange_;
  std::map<std::string, Handler, std::less<>> onClick_;
  std::map<std::string, Handler, std::less<>> onDoubleClick_;
  std::string caption_;
  FormListener* listener_ = nullptr;
  int eventDepth_ = 0;
  uint64_t valueVersion_ = 0;
};

}  // namespace voltaris
