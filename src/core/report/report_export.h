// The PDF export command of the main window: the 3D picture (through a capture hook), the
// comparison rows, the report record completed from the window's controls, the save
// dialog, the report itself and opening it with the default application.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "form/chart_model.h"
#include "form/rgb_raster.h"
#include "report/formation_report.h"
#include "run/run_metrics.h"

namespace voltaris {

class TFormPreview;

class TReportExport {
 public:
  explicit TReportExport(TFormPreview& window) : w_(window) {}

  // The text of the AI memo before any answer arrived: no AI page for it.
  static constexpr const char* kAIPlaceholder =
      "Run a simulation, then click \"Analyze Results\" or type a question.";
  // Shown instead of a report when no run has produced metrics yet.
  static constexpr const char* kNoRunMessage =
      "There is no finished run to report yet.\r\nRun a simulation first, then export the PDF report.";

  // Registers the handler of btnPdfExport.
  void AttachHandlers();
  void btnPdfExportClick(const std::string& sender);

  // The five rows of the comparison table: the CC/CV baseline (the stored CC-CV result, else
  // the current run), fixed fractions of it for the other patterns, and the run's own
  // values on the row of its pattern type.
  std::vector<TPatternResult> ComparisonRows() const;
  // FLastMetrics completed from the window's controls as they are now.
  TPdfMetrics CompletedMetrics() const;
  // The proposed file name: "Voltaris_Report_" + yyyymmdd_hhnn.
  static std::string ProposedFileName();

  // Takes a PNG picture of the 3D view (nothing when it has no picture or does not answer
  // in time). Unset while the window has no 3D view.
  std::function<std::optional<std::string>()> capture3D;
  // The 3D view's profile chart (nullptr: none). Unset while the window has no 3D view.
  std::function<ChartModel*()> profileChart;

 private:
  // One capture attempt per export: the decoded picture, or nothing.
  std::optional<RgbRaster> Capture3DBitmap();

  TFormPreview& w_;
};

}  // namespace voltaris
