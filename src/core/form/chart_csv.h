// The data of a chart for other tools: every series as a column pair (x, y) in CSV, for
// the chart's "Export data as CSV…" and "Copy data" and the automation's export-chart.
#pragma once

#include <string>

#include "form/chart_model.h"
#include "form/platform.h"

namespace voltaris {

// The captions of the chart's context menu.
inline constexpr const char* kExportChartCsvCaption = "Export data as CSV\xE2\x80\xA6";
inline constexpr const char* kCopyChartDataCaption = "Copy data";
inline constexpr const char* kSaveChartPngCaption = "Save image as PNG\xE2\x80\xA6";

// The unit of an axis title: the text inside its last "(...)" or "[...]" ("Time (s)" ->
// "s", "OCV [V]" -> "V"); empty when the title has none.
std::string AxisUnit(const std::string& axisTitle);

// A header line, then one line per point index up to the longest series. Each series
// gives two columns, titled with its title (its name when untitled) and the unit of the
// bottom axis and of its own vertical axis: "Current (s)", "Current (A)"; without a unit
// "x" and "y" take its place. Cells past the end of a shorter series stay empty; numbers
// have "." decimals.
std::string ChartDataCsv(const ChartModel& chart);

// "Export data as CSV…": asks for the file (save dialog), then writes it safely; a
// cancelled dialog does nothing, a failed write shows its message as an error.
void ExportChartDataWithDialog(IPlatform& platform, const ChartModel& chart);
// "Copy data": the same text on the clipboard.
void CopyChartData(IPlatform& platform, const ChartModel& chart);
// "Save image as PNG…": the save dialog's request for a chart picture.
FileDialogRequest ChartPngDialog(const ChartModel& chart);

}  // namespace voltaris
