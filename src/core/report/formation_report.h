// The formation report: a two- to four-page A4 PDF of one finished run (waveform and its
// parameters, simulated current and voltage, energy summary and CC/CV comparison, SEI
// growth, chemistry and cell parameters, temperature and OCV, the pattern comparison
// table, optionally the spatial SEI page and the AI analysis page), drawn with the PDF
// writer's operators.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "form/chart_model.h"
#include "form/rgb_raster.h"
#include "run/run_metrics.h"

namespace voltaris {

// One row of the comparison table.
struct TPatternResult {
  std::string Name{};
  double SEI_nm = 0.0;
  double CE1_pct = 0.0;
  double t_min = 0.0;
  double E_Wh = 0.0;
  bool IsActive = false;
};

// The charts the report places as pictures; any may be absent.
struct TReportCharts {
  ChartModel* waveform = nullptr;
  ChartModel* simulation = nullptr;
  ChartModel* sei = nullptr;
  ChartModel* ocv = nullptr;
  ChartModel* temperature = nullptr;
  ChartModel* profile3D = nullptr;  // the final SEI profiles of the 3D view
};

// Draws a chart into an RGB raster of the given size (white background); nothing when the
// platform cannot draw charts.
using ChartRasterFn = std::function<std::optional<RgbRaster>(ChartModel& chart, int width, int height)>;

// While alive, a chart is drawn for the printed page: its background, back wall and back
// wall brush white and its back wall hidden. The four settings are restored when the scope
// ends, also when drawing failed with an exception.
class TWhiteChartScope {
 public:
  explicit TWhiteChartScope(ChartModel& chart);
  ~TWhiteChartScope();
  TWhiteChartScope(const TWhiteChartScope&) = delete;
  TWhiteChartScope& operator=(const TWhiteChartScope&) = delete;

 private:
  ChartModel& chart_;
  Rgb panel_, back_, brush_;
  bool wallVisible_;
};

class TVoltarisPdfExporter {
 public:
  // Raster sizes of the report's pictures, pixels.
  static constexpr int kWaveW = 670, kWaveH = 220;
  static constexpr int kSimW = 1110, kSimH = 334;
  static constexpr int kSEIW = 1110, kSEIH = 310;
  static constexpr int kSmallW = 330, kSmallH = 260;  // OCV and temperature
  static constexpr int kProfW = 1110, kProfH = 320;
  static constexpr int kHdrW = 2000, kHdrH = 267;
  static constexpr int kFtrW = 2000, kFtrH = 258;

  // Builds the whole file in memory. `hdrPath` and `ftrPath` are searched with FindImg
  // for "ZodOduzaz.jpg" and "RavEzivid.jpg"; `bitmap3D` may be null; `dateTime` is the
  // "yyyy-mm-dd hh:nn" stamp of the pages (empty: the current local time).
  static std::string BuildPdf(const TPdfMetrics& metrics, const std::vector<TPatternResult>& results,
                              const TReportCharts& charts, const ChartRasterFn& render, const std::string& hdrPath,
                              const std::string& ftrPath, const RgbRaster* bitmap3D,
                              const std::filesystem::path& programDir, std::string dateTime = {});
  // Builds the file and writes it in one go through the safe file replacement (a failed
  // write leaves no half file). Returns true; file errors propagate as exceptions.
  static bool ExportToPdf(const std::string& fileName, const TPdfMetrics& metrics,
                          const std::vector<TPatternResult>& results, const TReportCharts& charts,
                          const ChartRasterFn& render, const std::string& hdrPath, const std::string& ftrPath,
                          const RgbRaster* bitmap3D, const std::filesystem::path& programDir,
                          std::string dateTime = {});

  // The AI text as page 4 prints it: markdown markers and table rows removed, codes of
  // 128 and above blanked, long lines cut to 102 characters and "...".
  static std::vector<std::string> CleanAIText(const std::string& text);
  // Text split at CR LF, LF or CR; empty lines kept.
  static std::vector<std::string> SplitLines(const std::string& text);
  // The current local time as "yyyy-mm-dd hh:nn".
  static std::string NowStamp();
};

}  // namespace voltaris
