#include "report/report_export.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "window/form_preview.h"

namespace voltaris {

namespace {

// The text of a memo as one string: every line followed by CR LF.
std::string MemoText(const FormModel& form, std::string_view name) {
  std::string text;
  for (const std::string& line : form.Get(name).Lines()) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string TrimText(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return std::string(s.substr(a, b - a));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The comparison row a pattern type belongs to: the pattern documents name the sine and
// CC-CV patterns "sinusoidal" and "cc_cv", the table calls their rows "Sine" and "CC/CV".
std::string RowNameOfType(const std::string& type) {
  for (const char* cccv : {"cc_cv", "cccv", "cc-cv", "cc/cv"})
    if (EqualsNoCase(type, cccv)) return "CC/CV";
  if (EqualsNoCase(type, "sinusoidal")) return "Sine";
  return type;
}

}  // namespace

void TReportExport::AttachHandlers() {
  w_.Form().OnClick("btnPdfExport", [this](const std::string& sender) { btnPdfExportClick(sender); });
}

std::string TReportExport::ProposedFileName() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d_%H%M", &local);
  return std::string("Voltaris_Report_") + buf;
}

std::vector<TPatternResult> TReportExport::ComparisonRows() const {
  const TPdfMetrics& m = w_.FLastMetrics;
  double sei = m.SEI_nm, ce1 = m.CE1_pct, tMin = m.t_done_min;
  if (w_.FBaseline_valid) {
    sei = w_.FBaseline_SEI_nm;
    ce1 = w_.FBaseline_CE1_pct;
    tMin = w_.FBaseline_t_min;
  }
  const double wh = m.E_Wh;
  struct Fraction {
    const char* name;
    double sei, ce1, t, wh;
  };
  static constexpr Fraction kRows[] = {{"Sine", 0.68, 2.2, 0.65, 0.93},
                                       {"Triangle", 0.64, 2.5, 0.61, 0.91},
                                       {"Superpulse", 0.62, 2.6, 0.60, 0.89},
                                       {"Gaussian", 0.61, 2.7, 0.59, 0.88}};
  std::vector<TPatternResult> rows;
  rows.push_back({"CC/CV", sei, ce1, tMin, wh, false});
  for (const Fraction& f : kRows) rows.push_back({f.name, sei * f.sei, ce1 + f.ce1, tMin * f.t, wh * f.wh, false});

  const std::string active = RowNameOfType(w_.FLastPatType);
  for (TPatternResult& r : rows)
    if (EqualsNoCase(r.Name, active)) {
      r.IsActive = true;
      r.SEI_nm = m.SEI_nm;
      r.CE1_pct = w_.FSimOut.CE1_pct;
      r.t_min = w_.FSimOut.t_done_s / 60.0;
      r.E_Wh = m.E_Wh;
      break;
    }
  return rows;
}

TPdfMetrics TReportExport::CompletedMetrics() const {
  const FormModel& f = w_.Form();
  TPdfMetrics m = w_.FLastMetrics;
  m.VStepText = f.Text("edtVsteps");
  m.IStepText = f.Text("edtIStep");
  m.VRampUpS = f.Number("edtVRU", 0);
  m.VRampDnS = f.Number("edtVRD", 0);
  m.IRampUpS = f.Number("edtRU", 0);
  m.IRampDnS = f.Number("edtRD", 0);
  const std::string stats1 = MemoText(f, "MemoSimStats1"), stats2 = MemoText(f, "MemoSimStats2");
  m.EnergyMemo = stats1 + stats2;
  m.SimStatsMemo = stats1 + "\r\n" + stats2;
  m.I_min_A = f.Number("EdSineMin", 0);
  m.I_max_A = f.Number("EdSineMax", 0);
  m.Freq_Hz = f.Number("EdSineF", 0);
  m.Duty_pct = 0;
  m.V_min_V = w_.FChemP.Vmin;
  m.V_max_V = f.Number("edtVmax", 0);
  m.ChemMemo = MemoText(f, "MemoChemMetrics");
  const std::string ai = MemoText(f, "memoAIResponse");
  const std::string aiTrimmed = TrimText(ai);
  m.AIAnalysis = aiTrimmed.empty() || aiTrimmed == kAIPlaceholder ? std::string() : ai;
  m.AIPattern = w_.GChem ? w_.FLastPatType : std::string();
  const std::vector<double>& temps = w_.FSimOut.T_C;
  m.Temp_min_C = temps.empty() ? 25.0 : *std::min_element(temps.begin(), temps.end());
  m.Temp_max_C = temps.empty() ? 25.0 : *std::max_element(temps.begin(), temps.end());
  m.Vnom_V = f.Number("edCellNomV", 3.2);
  m.CapAh = f.Number("edCellCapAh", 5.0);
  m.Rint_mOhm = f.Number("edCellRint", 18);
  m.Mass_g = f.Number("edCellMass", 70);
  m.HeatCap_JpgK = f.Number("edCellCp", 0.9);
  m.R0_mOhm = f.Number("edtR0", 0.01) * 1000.0;
  return m;
}

std::optional<RgbRaster> TReportExport::Capture3DBitmap() {
  if (!capture3D) return std::nullopt;
  const std::optional<std::string> png = capture3D();
  if (!png || png->empty()) return std::nullopt;
  std::optional<RgbRaster> bitmap = w_.Platform().DecodePng(*png);
  if (!bitmap || !bitmap->Valid()) return std::nullopt;
  return bitmap;
}

void TReportExport::btnPdfExportClick(const std::string&) {
  IPlatform& platform = w_.Platform();
  // No metrics before the first finished run: a message instead of an empty report.
  if (w_.FLastMetrics.CellType.empty()) {
    platform.ShowMessage(MessageKind::Information, "PDF Export", kNoRunMessage);
    return;
  }
  // One capture attempt: a failed or missing picture exports without it. The bitmap lives
  // for this export only, so the next export captures afresh.
  const std::optional<RgbRaster> bitmap3D = Capture3DBitmap();

  const std::vector<TPatternResult> rows = ComparisonRows();
  const TPdfMetrics metrics = CompletedMetrics();

  FileDialogRequest request;
  request.title = "Save PDF Report";
  request.filter = "PDF Files|*.pdf";
  request.defaultExt = "pdf";
  request.fileName = ProposedFileName();
  const std::optional<std::string> file = platform.SaveFileDialog(request);
  if (!file) return;

  FormModel& form = w_.Form();
  TReportCharts charts;
  charts.waveform = form.FindChart("chWave");
  charts.simulation = form.FindChart("chSim");
  charts.sei = form.FindChart("chSEI");
  charts.ocv = form.FindChart("chOCV");
  charts.temperature = form.FindChart("chT");
  charts.profile3D = profileChart ? profileChart() : nullptr;
  const ChartRasterFn render = [&platform, &form](ChartModel& chart, int width, int height) {
    return platform.RenderChartRaster(chart, form, width, height);
  };
  const std::filesystem::path dir = platform.ProgramDir();
  TVoltarisPdfExporter::ExportToPdf(*file, metrics, rows, charts, render, (dir / "ZodOduzaz.jpg").string(),
                                    (dir / "RavEzivid.jpg").string(), bitmap3D ? &*bitmap3D : nullptr, dir);
  platform.OpenWithDefaultApp(*file);
}

}  // namespace voltaris
