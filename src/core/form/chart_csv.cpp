#include "form/chart_csv.h"

#include <algorithm>
#include <exception>

#include "common/csv_text.h"
#include "documents/text_file.h"

namespace voltaris {

namespace {

const AxisModel* VerticalAxis(const ChartModel& chart, const std::string& name) {
  if (name == "right") return &chart.right;
  if (name == "left" || name.empty()) return &chart.left;
  for (const AxisModel& a : chart.customAxes)
    if (a.name == name) return &a;
  return &chart.left;
}

std::string ColumnTitle(const std::string& seriesTitle, const std::string& unit, const char* fallback) {
  return seriesTitle + " " + (unit.empty() ? std::string(fallback) : "(" + unit + ")");
}

}  // namespace

std::string AxisUnit(const std::string& axisTitle) {
  const size_t close = axisTitle.find_last_of(")]");
  if (close == std::string::npos) return {};
  const char open = axisTitle[close] == ')' ? '(' : '[';
  const size_t start = axisTitle.rfind(open, close);
  if (start == std::string::npos) return {};
  return axisTitle.substr(start + 1, close - start - 1);
}

std::string ChartDataCsv(const ChartModel& chart) {
  const std::string xUnit = AxisUnit(chart.bottom.title);
  std::string out;
  size_t rows = 0;
  bool first = true;
  for (const auto& s : chart.Series()) {
    const std::string title = s->title.empty() ? s->name : s->title;
    const std::string yUnit = AxisUnit(VerticalAxis(chart, s->axis)->title);
    if (!first) out += ',';
    out += CsvField(ColumnTitle(title, xUnit, "x")) + "," + CsvField(ColumnTitle(title, yUnit, "y"));
    first = false;
    rows = std::max(rows, s->Count());
  }
  out += '\n';
  for (size_t i = 0; i < rows; ++i) {
    first = true;
    for (const auto& s : chart.Series()) {
      if (!first) out += ',';
      if (i < s->Count()) out += CsvNumber(s->X(i)) + "," + CsvNumber(s->Y(i));
      else out += ',';
      first = false;
    }
    out += '\n';
  }
  return out;
}

void ExportChartDataWithDialog(IPlatform& platform, const ChartModel& chart) {
  FileDialogRequest request;
  request.title = "Export data as CSV";
  request.filter = "CSV file (*.csv)|*.csv|All files (*.*)|*.*";
  request.defaultExt = "csv";
  request.fileName = chart.Name() + ".csv";
  const std::optional<std::string> file = platform.SaveFileDialog(request);
  if (!file) return;
  try {
    WriteFileReplacing(*file, ChartDataCsv(chart));
  } catch (const std::exception& e) {
    platform.ShowMessage(MessageKind::Error, "Error", e.what());
  }
}

void CopyChartData(IPlatform& platform, const ChartModel& chart) { platform.SetClipboardText(ChartDataCsv(chart)); }

FileDialogRequest ChartPngDialog(const ChartModel& chart) {
  FileDialogRequest request;
  request.title = "Save image as PNG";
  request.filter = "PNG image (*.png)|*.png|All files (*.*)|*.*";
  request.defaultExt = "png";
  request.fileName = chart.Name() + ".png";
  return request;
}

}  // namespace voltaris
