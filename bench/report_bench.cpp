// Export of a full four-page formation report in memory: seven chart rasters (the
// simulation and SEI charts at 1110 x 334 and 1110 x 310 are the big ones), the 3D picture
// at 1100 x 550, hex-encoded into the file. Budget: well under a second. The hex encoding
// of one 1110 x 334 raster is measured on its own beside it.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "report/formation_report.h"
#include "report/pdf_writer.h"

namespace {

using namespace voltaris;

RgbRaster Raster(int w, int h) {
  RgbRaster r;
  r.width = w;
  r.height = h;
  r.rgb.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 3u);
  for (size_t i = 0; i < r.rgb.size(); ++i) r.rgb[i] = static_cast<uint8_t>(i * 7u);
  return r;
}

void BM_ReportHexOfSimulationRaster(benchmark::State& state) {
  const RgbRaster r = Raster(1110, 334);
  for (auto _ : state) {
    std::string hex;
    pdf::AppendRGBHex(hex, r.rgb.data(), r.rgb.size());
    benchmark::DoNotOptimize(hex.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(r.rgb.size()));
}

void BM_ReportFourPages(benchmark::State& state) {
  ChartModel wave("chWave"), sim("chSim"), sei("chSEI"), ocv("chOCV"), temp("chT"), prof("chSEI3DProf");
  const TReportCharts charts{&wave, &sim, &sei, &ocv, &temp, &prof};
  // The platform hands over a fresh raster per chart, as the window does.
  const ChartRasterFn render = [](ChartModel&, int w, int h) -> std::optional<RgbRaster> { return Raster(w, h); };
  const RgbRaster bitmap3D = Raster(1100, 550);
  TPdfMetrics m;
  m.PatternName = "sine";
  m.CellType = "LFP 5Ah";
  m.EnergyMemo = "Charge : 4.1 Ah\r\nEnergy : 12.5 Wh\r\n";
  m.ChemMemo = "SEI final: 18.4 nm\r\n";
  m.AIAnalysis = "## Verdict\r\nThe sine pattern grows a thinner SEI.\r\n";
  const std::vector<TPatternResult> rows = {{"CC/CV", 25, 89, 60, 13, false}, {"Sine", 18, 91, 42, 12.5, true}};
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string pdf = TVoltarisPdfExporter::BuildPdf(m, rows, charts, render, "", "", &bitmap3D,
                                                           std::filesystem::temp_directory_path(), "2026-12-10 14:05");
    bytes = pdf.size();
    benchmark::DoNotOptimize(pdf.data());
  }
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}

}  // namespace

BENCHMARK(BM_ReportHexOfSimulationRaster)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportFourPages)->Unit(benchmark::kMillisecond);
