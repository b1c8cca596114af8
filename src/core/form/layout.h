// The layout table: every control of the main window, declared once as data.
// The Qt window is built from it and the headless form is seeded from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace voltaris {

enum class ControlKind {
  Panel,      // a region of the window (left, top, middle, right panels)
  Group,      // a group box inside a panel
  Pages,      // a page control (tabs)
  Page,       // one page of a page control
  Label,      // a named static text
  Edit,       // a one-line edit
  Check,      // a check box
  Combo,      // a combo box (drop-down list or editable)
  Button,     // a push button
  Memo,       // a multi-line text
  Grid,       // a string grid
  Trackbar,   // a slider
  Progress,   // a progress bar
  Chart,      // a chart (its series and axes live in the chart model)
  StatusBar,  // the status bar
};

std::string_view ControlKindName(ControlKind kind);

// One row of the layout table. Fields that do not apply to a kind keep their defaults.
struct LayoutRow {
  std::string name{};          // control name (object name of the widget)
  ControlKind kind = ControlKind::Label;
  std::string parent{};        // name of the panel, group or page that holds it ("" = the window)
  std::string label{};         // text of the caption label shown beside/above an edit, combo or chart
  std::string caption{};       // caption of a group, page, check box, button or label; title of a chart
  std::string text{};          // initial text of an edit or combo box
  std::vector<std::string> items{};  // items of a combo box
  int itemIndex = -1;        // initial item index of a combo box (-1 = none)
  bool checked = false;      // initial state of a check box
  bool numeric = false;      // digits-only key filter (the numeric edits)
  bool enabled = true;
  bool visible = true;
  bool readOnly = false;     // memos shown for reading only
  bool dropDownList = false; // combo box whose text is always one of its items
  bool fullWidth = false;    // edit spanning the whole group with its label above it
  bool labelAlert = false;   // caption label drawn in red (an entry the user must watch)
  std::string placeholder{};   // grey text shown while an edit is empty
  std::string hint{};          // "Title|Long text": tool tip and status-bar text
  int width = 0;             // design width in pixels (0 = from the layout)
  int height = 0;            // design height in pixels (0 = from the layout)
  int minimum = 0;           // trackbar / progress bar range
  int maximum = 0;
  int position = 0;          // trackbar / progress bar position
  int frequency = 0;         // trackbar tick spacing
  int columns = 0;           // grid columns
  int rows = 0;              // grid rows (including fixed rows)
  int fixedRows = 0;         // grid header rows
  int columnWidth = 0;       // grid column width in pixels
};

// The whole table, in creation order: a parent always comes before its children.
const std::vector<LayoutRow>& LayoutTable();

// Finds a row by control name; nullptr when the name is not in the table.
const LayoutRow* FindLayoutRow(std::string_view name);

// The title of a "Title|Text" hint (the whole hint when it has no "|").
std::string HintTitle(std::string_view hint);
// The long part of a "Title|Text" hint (the whole hint when it has no "|").
std::string HintText(std::string_view hint);

}  // namespace voltaris
