#include "report/formation_report.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "common/utf8.h"
#include "documents/text_file.h"
#include "report/pdf_writer.h"

namespace voltaris {

namespace {

using pdf::FF;
using pdf::FF0;
using pdf::TPdfPage;

// Report colours in units of 1e-4: accent red and navy.
constexpr int HX_R = 8940, HX_G = 1140, HX_B = 1140;
constexpr int NV_R = 940, NV_G = 1650, NV_B = 3060;

void Red(TPdfPage& p) { p.SetRGB(HX_R / 10000.0, HX_G / 10000.0, HX_B / 10000.0); }
void Navy(TPdfPage& p) { p.SetRGB(NV_R / 10000.0, NV_G / 10000.0, NV_B / 10000.0); }
void Grey(TPdfPage& p, double v) { p.SetRGB(v, v, v); }

// A red rule across the page.
void RedRule(TPdfPage& p, double y, double width) {
  p.SetStroke(HX_R / 10000.0, HX_G / 10000.0, HX_B / 10000.0);
  p.HLine(0, pdf::PW, y, width);
  p.Add("0 0 0 RG");
}

void GreyRule(TPdfPage& p, double x1, double x2, double y, double grey) {
  p.SetStroke(grey, grey, grey);
  p.HLine(x1, x2, y, 0.3);
  p.Add("0 0 0 RG");
}

void GreyVLine(TPdfPage& p, double x, double y1, double y2, double grey) {
  p.SetStroke(grey, grey, grey);
  p.VLine(x, y1, y2);
  p.Add("0 0 0 RG");
}

bool IsBlank(unsigned char c) { return c <= ' '; }

std::string Trim(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && IsBlank(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && IsBlank(static_cast<unsigned char>(s[b - 1]))) --b;
  return std::string(s.substr(a, b - a));
}

bool Contains(const std::string& s, std::string_view part) { return s.find(part) != std::string::npos; }

void EraseAll(std::string& s, std::string_view part) {
  for (size_t pos = s.find(part); pos != std::string::npos; pos = s.find(part, pos)) s.erase(pos, part.size());
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// The objects of one report file, numbered as the writer hands them out.
struct ReportObjects {
  int hdr = 0, ftr = 0, sim = 0, sei = 0, wave = 0, ocv = 0, temp = 0, f1 = 0, f2 = 0;
  int page3 = 0, content3 = 0, img3D = 0, imgProf = 0;
  int page4 = 0, content4 = 0;
};

class ReportBuilder {
 public:
  ReportBuilder(const TPdfMetrics& m, const std::vector<TPatternResult>& results, std::string stamp)
      : m_(m), results_(results), stamp_(std::move(stamp)) {}

  bool hasHdr = false, hasFtr = false, has3D = false, hasAI = false;
  bool hasWave = false, hasSim = false, hasSEI = false, hasOCV = false, hasTemp = false;
  bool has3DImage = false, hasProfImage = false;

  int TotalPages() const { return 2 + (has3D ? 1 : 0) + (hasAI ? 1 : 0); }

  TPdfPage Page1() const;
  TPdfPage Page2() const;
  TPdfPage Page3() const;
  TPdfPage Page4() const;

 private:
  void AntHdrFtr(TPdfPage& p) const {
    if (hasHdr) p.PdfImg("ImHdr", 0, 762, 595, 80);
    if (hasFtr) p.PdfImg("ImFtr", 0, 0, 595, 77);
  }
  // The artwork of the extra pages, inset to the margins.
  void ExtraPageArtwork(TPdfPage& p) const {
    if (hasHdr) p.PdfImg("ImHdr", 20, 762, 555, 80);
    if (hasFtr) p.PdfImg("ImFtr", 20, 0, 555, 77);
  }
  void AddFooterLine(TPdfPage& p, int page) const {
    Navy(p);
    p.Tx("Voltaris v5.1   " + stamp_ + "   Pattern: " + m_.PatternName + "   Page " + std::to_string(page) + "/" +
             std::to_string(TotalPages()),
         20, 10, 6);
    p.Add("0 0 0 rg");
  }
  void EnergyColumns(TPdfPage& p) const;
  void ComparisonTable(TPdfPage& p) const;

  const TPdfMetrics& m_;
  const std::vector<TPatternResult>& results_;
  std::string stamp_;
};

TPdfPage ReportBuilder::Page1() const {
  TPdfPage p;
  AntHdrFtr(p);
  RedRule(p, 762, 1.5);
  Red(p);
  p.TxB("Formation Waveform", 20, 740, 7);
  p.TxB("Waveform Parameters", 363, 740, 7);
  p.Add("0 0 0 rg");
  if (hasWave) p.PdfImg("ImWave", 20, 616, 335, 110);
  GreyVLine(p, 359, 616, 743, 0.7);

  // Waveform parameters, two label/value pairs a row.
  const double x = 367;
  double y = 727;
  const auto row = [&](const std::string& l1, const std::string& v1, const std::string& l2, const std::string& v2) {
    p.Tx(l1, x, y, 6.5);
    p.Tx(v1, x + 45, y, 6.5);
    p.Tx(l2, x + 95, y, 6.5);
    p.Tx(v2, x + 140, y, 6.5);
    y -= 11;
  };
  row("I-min", FF(m_.I_min_A, 2) + " A", "I-max", FF(m_.I_max_A, 2) + " A");
  row("Freq", FF(m_.Freq_Hz, 2) + " Hz", "I-rms", FF(m_.I_rms_A, 3) + " A");
  row("V-min", FF(m_.V_min_V, 2) + " V", "V-max", FF(m_.V_max_V, 2) + " V");
  row("I-pk", FF(m_.I_pk_A, 3) + " A", "SOC", FF(m_.SOC_pct, 1) + " %");

  // The protocol: step schedules and ramps.
  y -= 13;
  GreyRule(p, 367, 575, y + 2, 0.65);
  y -= 4;
  p.TxB("Protocol", 367, y, 6.5);
  y -= 11;
  const auto line = [&](const std::string& text) {
    p.Tx(text, 367, y, 5.5);
    y -= 9;
  };
  if (!m_.VStepText.empty()) line("V: " + m_.VStepText);
  if (!m_.IStepText.empty()) line("I: " + m_.IStepText);
  if (m_.VRampUpS > 0) line("V-ramp: up=" + FF0(m_.VRampUpS) + "s dn=" + FF0(m_.VRampDnS) + "s");
  if (m_.IRampUpS > 0) line("I-ramp: up=" + FF0(m_.IRampUpS) + "s dn=" + FF0(m_.IRampDnS) + "s");

  // Summary line.
  RedRule(p, 605, 0.8);
  Grey(p, 0.2);
  p.Tx("Pattern: " + m_.PatternName + "  |  Cell: " + m_.CellType + "  |  SEI: " + FF(m_.SEI_nm, 1) + " nm" +
           "  |  CE1: " + FF(m_.CE1_pct, 2) + "%" + "  |  t: " + FF0(m_.t_done_min) + " min" +
           "  |  Hx: " + FF(m_.HxFactor, 3) + "  |  " + stamp_,
       20, 594, 6.5);
  p.Add("0 0 0 rg");

  // Current and voltage simulation.
  RedRule(p, 583, 0.8);
  Red(p);
  p.TxB("Current & Voltage Simulation", 20, 573, 8);
  p.Add("0 0 0 rg");
  if (hasSim) p.PdfImg("ImSim", 20, 402, 555, 167);

  // Energy summary and comparison.
  RedRule(p, 405, 0.8);
  Navy(p);
  p.TxB("Energy & Formation Summary", 20, 394, 9);
  p.TxB("HX vs CC/CV Comparison", 307, 394, 9);
  p.Add("0 0 0 rg");
  EnergyColumns(p);
  AddFooterLine(p, 1);
  return p;
}

void ReportBuilder::EnergyColumns(TPdfPage& p) const {
  const std::vector<std::string> lines = TVoltarisPdfExporter::SplitLines(m_.EnergyMemo);
  size_t split = lines.size();
  for (size_t i = 0; i < lines.size(); ++i)
    if ((Contains(lines[i], "Metric") && Contains(lines[i], "CC/CV")) || Contains(lines[i], "=== HX")) {
      split = i;
      break;
    }

  double y = 380;
  for (size_t i = 0; i < split && y >= 85; ++i) {
    const std::string s = Trim(lines[i]);
    if (Contains(s, "---")) {
      GreyRule(p, 20, 299, y + 4, 0.75);
      y -= 7;
    } else if (!s.empty()) {
      p.Add("0 0 0 rg");
      p.Tx(s, 20, y, 8);
      y -= 13;
    }
  }

  GreyVLine(p, 302, 85, 396, 0.65);

  const double x = 307;
  y = 380;
  if (split == lines.size()) {
    for (const std::string& s :
         {"SEI:  " + FF(m_.SEI_nm, 1) + " nm", "CE1:  " + FF(m_.CE1_pct, 2) + " %", "Hx:   " + FF(m_.HxFactor, 3),
          "I-rms:" + FF(m_.I_rms_A, 3) + " A", "t:    " + FF0(m_.t_done_min) + " min"}) {
      p.Tx(s, x, y, 8);
      y -= 13;
    }
    return;
  }
  for (size_t i = split; i < lines.size() && y >= 85; ++i) {
    const std::string s = Trim(lines[i]);
    if (Contains(s, "=== HX") || Contains(s, "HX vs CC/CV")) continue;
    if (Contains(s, "---")) {
      GreyRule(p, 307, 575, y + 4, 0.75);
      y -= 7;
    } else if (!s.empty()) {
      p.Tx(s, x, y, 8);
      y -= 13;
    }
  }
}

TPdfPage ReportBuilder::Page2() const {
  TPdfPage p;
  AntHdrFtr(p);
  RedRule(p, 762, 1.5);
  Red(p);
  p.TxB("SEI Layer Growth", 20, 754, 8);
  p.Add("0 0 0 rg");
  if (hasSEI) p.PdfImg("ImSEI", 20, 587, 555, 155);

  RedRule(p, 576, 0.8);
  Navy(p);
  p.TxB("Chemical & SEI Metrics", 20, 566, 8);
  p.TxB("Cell Parameters", 305, 566, 8);
  p.Add("0 0 0 rg");

  // Chemistry metrics text.
  double y = 554;
  for (const std::string& raw : TVoltarisPdfExporter::SplitLines(m_.ChemMemo)) {
    if (y < 416) break;
    const std::string s = Trim(raw);
    if (s.empty() || s == "---") {
      y -= 4;
      continue;
    }
    p.Tx(s, 20, y, 5.8);
    y -= 9;
  }

  // Cell parameters.
  const double x = 305;
  y = 554;
  p.Tx("Cell", x, y, 6.5);
  p.Tx(m_.CellType, x + 45, y, 6);
  y -= 10;
  const auto row = [&](const std::string& l1, const std::string& v1, const std::string& l2, const std::string& v2) {
    p.Tx(l1, x, y, 6.5);
    p.Tx(v1, x + 45, y, 6.5);
    p.Tx(l2, x + 100, y, 6.5);
    p.Tx(v2, x + 135, y, 6.5);
    y -= 10;
  };
  row("Vnom", FF(m_.Vnom_V, 2) + " V", "Cap", FF(m_.CapAh, 1) + " Ah");
  row("R-int", FF(m_.Rint_mOhm, 1) + " mOhm", "R0", FF(m_.R0_mOhm, 1) + " mOhm");
  row("Mass", FF(m_.Mass_g, 1) + " g", "Cp", FF(m_.HeatCap_JpgK, 2) + " J/gK");
  row("T-amb", FF(m_.Temp_C, 1) + " C", "Hx", FF(m_.HxFactor, 3));
  row("k_diss", FF(m_.k_diss, 4), "k_CE1", FF(m_.k_CE1, 3));

  // Temperature and OCV.
  GreyVLine(p, 300, 411, 568, 0.7);
  RedRule(p, 400, 0.8);
  Red(p);
  p.TxB("Temperature", 20, 393, 7.5);
  p.TxB("OCV vs SOC", 270, 393, 7.5);
  p.Add("0 0 0 rg");
  if (hasTemp) p.PdfImg("ImT", 20, 260, 165, 130);
  if (hasOCV) p.PdfImg("ImOCV", 270, 260, 165, 130);
  GreyVLine(p, 263, 257, 397, 0.7);

  const auto pairs = [&](double lx, double vx, const std::vector<std::pair<std::string, std::string>>& rows) {
    double yy = 388;
    for (const auto& [label, value] : rows) {
      p.Tx(label, lx, yy, 6);
      p.Tx(value, vx, yy, 6);
      yy -= 10;
    }
  };
  pairs(188, 230,
        {{"T-min", FF(m_.Temp_min_C, 2) + " C"}, {"T-max", FF(m_.Temp_max_C, 2) + " C"},
         {"T-amb", FF(m_.Temp_C, 2) + " C"}});
  pairs(438, 480,
        {{"SOC", FF(m_.SOC_pct, 1) + " %"},
         {"CE1", FF(m_.CE1_pct, 2) + " %"},
         {"I-rms", FF(m_.I_rms_A, 3) + " A"},
         {"I-pk", FF(m_.I_pk_A, 3) + " A"},
         {"SEI", FF(m_.SEI_nm, 1) + " nm"},
         {"t", FF0(m_.t_done_min) + " min"}});

  RedRule(p, 249, 0.8);
  Navy(p);
  p.TxB("Pattern Performance vs CC/CV", 20, 243, 8);
  p.Add("0 0 0 rg");
  ComparisonTable(p);
  AddFooterLine(p, 2);
  return p;
}

void ReportBuilder::ComparisonTable(TPdfPage& p) const {
  const TPatternResult* ref = nullptr;
  for (const TPatternResult& r : results_)
    if (EqualsNoCase(r.Name, "CC/CV") || EqualsNoCase(r.Name, "CCCV")) {
      ref = &r;
      break;
    }
  const int64_t refSEI = ref ? ToFixed4(ref->SEI_nm) : 0;
  const int64_t refCE1 = ref ? ToFixed4(ref->CE1_pct) : 0;
  const int64_t refWh = ref ? ToFixed4(ref->E_Wh) : 0;

  p.FillRect(20, 230, 555, 13, NV_R / 10000.0, NV_G / 10000.0, NV_B / 10000.0);
  p.SetRGB(1, 1, 1);
  const std::pair<const char*, double> head[] = {{"Pattern", 23}, {"SEI nm", 110}, {"CE1 %", 170},
                                                 {"min", 225},    {"Wh", 275},     {"dSEI%", 325},
                                                 {"dCE1%", 378},  {"dWh%", 431},   {"Hx", 484}};
  for (const auto& [text, hx] : head) p.TxB(text, hx, 231, 5.5);
  p.Add("0 0 0 rg");
  double y = 217;

  const auto values = [&](const TPatternResult& r) {
    p.Tx(FF(r.SEI_nm, 1), 110, y, 5.5);
    p.Tx(FF(r.CE1_pct, 2), 170, y, 5.5);
    p.Tx(FF0(r.t_min), 225, y, 5.5);
    p.Tx(FF(r.E_Wh, 2), 275, y, 5.5);
  };
  if (ref != nullptr) {
    p.FillRect(20, y - 1, 555, 13, 0.95, 0.95, 0.97);
    p.Tx("   " + ref->Name, 23, y, 5.5);
    values(*ref);
    p.Add("0 0 0 rg");
    y -= 14;
  }
  for (const TPatternResult& r : results_) {
    if (!r.IsActive) continue;
    p.FillRect(20, y - 1, 555, 13, 0.84, 0.96, 0.82);
    p.SetRGB(0.05, 0.45, 0.05);
    p.TxB(">> " + r.Name, 23, y, 5.5);
    p.Add("0 0 0 rg");
    values(r);
    const auto diff = [&](double d, double x) {
      if (d >= 0) {
        p.SetRGB(0, 0.48, 0);
        p.Tx("+" + FF(d, 1) + "%", x, y, 5.5);
      } else {
        p.SetRGB(0.65, 0.1, 0.1);
        p.Tx(FF(d, 1) + "%", x, y, 5.5);
      }
    };
    if (refSEI >= 1)
      diff(static_cast<double>(refSEI - ToFixed4(r.SEI_nm)) / static_cast<double>(refSEI) * 100.0, 325);
    if (refCE1 >= 1)
      diff(static_cast<double>(ToFixed4(r.CE1_pct) - refCE1) / static_cast<double>(refCE1) * 100.0, 378);
    if (refWh >= 1) diff(static_cast<double>(refWh - ToFixed4(r.E_Wh)) / static_cast<double>(refWh) * 100.0, 431);
    p.Add("0 0 0 rg");
    p.Tx(FF(m_.HxFactor, 3), 484, y, 5.5);
    break;  // one active row
  }
}

TPdfPage ReportBuilder::Page3() const {
  TPdfPage p;
  ExtraPageArtwork(p);
  Navy(p);
  p.TxB("SEI 3D Spatial Analysis", 20, 720, 12);
  p.SetRGB(0, 0, 0);
  p.Tx("SEI Growth Surface \u2014 Electrode Position vs Formation Time", 20, 706, 8);
  p.HLine(20, 575, 700, 0.5);
  if (has3DImage) p.PdfImg("ImSEI3D", 20, 420, 555, 265);
  p.HLine(20, 575, 410, 0.5);
  Navy(p);
  p.TxB("SEI(x) Final Profile \u2014 Pattern Comparison", 20, 400, 8);
  p.SetRGB(0, 0, 0);
  if (hasProfImage) p.PdfImg("ImSEI3DProf", 20, 240, 555, 150);
  p.HLine(20, 575, 230, 0.5);
  AddFooterLine(p, 3);
  Grey(p, 0.4);
  p.Tx("Note: SEI spatial model based on electrochemical kinetics (Arrhenius + Butler-Volmer). Tab effect: current "
       "density gradient along electrode. Halvora pattern reduces Tab ratio.",
       20, 218, 7);
  p.SetRGB(0, 0, 0);
  return p;
}

TPdfPage ReportBuilder::Page4() const {
  TPdfPage p;
  ExtraPageArtwork(p);
  Navy(p);
  p.TxB("AI Formation Analysis (Claude)", 20, 720, 12);
  if (!m_.AIPattern.empty()) p.Tx("Recommended Pattern: " + m_.AIPattern, 300, 720, 9);
  p.SetRGB(0, 0, 0);
  p.HLine(20, 575, 708, 0.5);
  double y = 698;
  for (const std::string& s : TVoltarisPdfExporter::CleanAIText(m_.AIAnalysis)) {
    if (y < 88) break;
    p.Tx(s, 20, y, 6);
    y -= 9;
  }
  AddFooterLine(p, has3D ? 4 : 3);
  return p;
}

std::string PageObject(int obj, int contents, int f1, int f2, const std::string& xobjects) {
  return std::to_string(obj) + " 0 obj << /Type /Page /Parent 2 0 R\n/MediaBox [0 0 " + std::to_string(pdf::PW) +
         " " + std::to_string(pdf::PH) + "]\n/Contents " + std::to_string(contents) +
         " 0 R\n/Resources << /Font << /F1 " + std::to_string(f1) + " 0 R /F2 " + std::to_string(f2) + " 0 R >> " +
         xobjects + " >>\n>> endobj";
}

}  // namespace

TWhiteChartScope::TWhiteChartScope(ChartModel& chart)
    : chart_(chart),
      panel_(chart.style.panelColor),
      back_(chart.style.backColor),
      brush_(chart.style.backWallBrush),
      wallVisible_(chart.style.backWallVisible) {
  constexpr Rgb kWhite{255, 255, 255};
  chart.style.panelColor = kWhite;
  chart.style.backColor = kWhite;
  chart.style.backWallBrush = kWhite;
  chart.style.backWallVisible = false;
}

TWhiteChartScope::~TWhiteChartScope() {
  chart_.style.panelColor = panel_;
  chart_.style.backColor = back_;
  chart_.style.backWallBrush = brush_;
  chart_.style.backWallVisible = wallVisible_;
}

std::vector<std::string> TVoltarisPdfExporter::SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  std::string cur;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

std::vector<std::string> TVoltarisPdfExporter::CleanAIText(const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& raw : SplitLines(text)) {
    std::string s = Trim(raw);
    if (s.empty()) continue;
    s.erase(0, s.find_first_not_of('#') == std::string::npos ? s.size() : s.find_first_not_of('#'));
    EraseAll(s, "**");
    EraseAll(s, "*");
    EraseAll(s, "`");
    if (!s.empty() && s[0] == '|') continue;  // markdown table rows
    std::u32string chars;
    for (char32_t cp : DecodeUtf8(s)) chars += cp >= 128 ? U' ' : cp;
    std::string ascii(chars.begin(), chars.end());  // every code point is below 128 now
    ascii = Trim(ascii);
    if (ascii.empty()) continue;
    if (ascii.size() >= 106) ascii = ascii.substr(0, 102) + "...";
    out.push_back(ascii);
  }
  return out;
}

std::string TVoltarisPdfExporter::NowStamp() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &local);
  return buf;
}

std::string TVoltarisPdfExporter::BuildPdf(const TPdfMetrics& m, const std::vector<TPatternResult>& results,
                                           const TReportCharts& charts, const ChartRasterFn& render,
                                           const std::string& hdrPath, const std::string& ftrPath,
                                           const RgbRaster* bitmap3D, const std::filesystem::path& programDir,
                                           std::string dateTime) {
  if (dateTime.empty()) dateTime = NowStamp();
  const std::string hdrFile = pdf::FindImg(hdrPath, "ZodOduzaz.jpg", programDir);
  const std::string ftrFile = pdf::FindImg(ftrPath, "RavEzivid.jpg", programDir);
  const bool has3D = (bitmap3D != nullptr && bitmap3D->Valid()) || charts.profile3D != nullptr;
  const bool hasAI = !Trim(m.AIAnalysis).empty();

  pdf::TPdfFile f;
  ReportObjects o;
  if (!hdrFile.empty()) o.hdr = f.AllocObj();
  if (!ftrFile.empty()) o.ftr = f.AllocObj();
  o.sim = f.AllocObj();
  o.sei = f.AllocObj();
  o.wave = f.AllocObj();
  o.ocv = f.AllocObj();
  o.temp = f.AllocObj();
  o.f1 = f.AllocObj();
  o.f2 = f.AllocObj();
  if (has3D) {
    o.page3 = f.AllocObj();
    o.content3 = f.AllocObj();
    o.img3D = f.AllocObj();
    o.imgProf = f.AllocObj();
  }
  if (hasAI) {
    o.page4 = f.AllocObj();
    o.content4 = f.AllocObj();
  }

  // The image objects.
  const auto chart = [&](ChartModel* c, int obj, int w, int h) -> std::string {
    if (c == nullptr || !render) return "";
    const std::optional<RgbRaster> raster = render(*c, w, h);
    return raster ? pdf::ChartObj(&*raster, obj, w, h) : "";
  };
  const std::string hdrObj = o.hdr ? pdf::JpegObj(hdrFile, o.hdr, kHdrW, kHdrH) : "";
  const std::string ftrObj = o.ftr ? pdf::JpegObj(ftrFile, o.ftr, kFtrW, kFtrH) : "";
  const std::string simObj = chart(charts.simulation, o.sim, kSimW, kSimH);
  const std::string seiObj = chart(charts.sei, o.sei, kSEIW, kSEIH);
  const std::string waveObj = chart(charts.waveform, o.wave, kWaveW, kWaveH);
  const std::string ocvObj = chart(charts.ocv, o.ocv, kSmallW, kSmallH);
  const std::string tempObj = chart(charts.temperature, o.temp, kSmallW, kSmallH);
  const std::string img3DObj = has3D ? pdf::BitmapObj(bitmap3D, o.img3D) : "";
  const std::string profObj = has3D ? chart(charts.profile3D, o.imgProf, kProfW, kProfH) : "";

  ReportBuilder b(m, results, dateTime);
  b.hasHdr = !hdrObj.empty();
  b.hasFtr = !ftrObj.empty();
  b.has3D = has3D;
  b.hasAI = hasAI;
  b.hasWave = !waveObj.empty();
  b.hasSim = !simObj.empty();
  b.hasSEI = !seiObj.empty();
  b.hasOCV = !ocvObj.empty();
  b.hasTemp = !tempObj.empty();
  b.has3DImage = !img3DObj.empty();
  b.hasProfImage = !profObj.empty();

  // 1. Header and the binary comment.
  f.MsA("%PDF-1.4");
  f.MsA("\x25\xE2\xE3\xCF\xD3");
  // 2. Catalog.
  f.MarkObj(1);
  f.MsA("1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj");
  // 3. Page tree.
  f.MarkObj(2);
  if (has3D && hasAI)
    f.MsA("2 0 obj << /Type /Pages /Kids [3 0 R 4 0 R " + std::to_string(o.page3) + " 0 R " +
          std::to_string(o.page4) + " 0 R] /Count 4 >> endobj");
  else if (has3D || hasAI)
    f.MsA("2 0 obj << /Type /Pages /Kids [3 0 R 4 0 R " + std::to_string(has3D ? o.page3 : o.page4) +
          " 0 R] /Count 3 >> endobj");
  else
    f.MsA("2 0 obj << /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >> endobj");
  // 4. The XObject dictionary every page shares.
  std::string xobj = "/XObject <<";
  if (o.hdr) xobj += " /ImHdr " + std::to_string(o.hdr) + " 0 R";
  if (o.ftr) xobj += " /ImFtr " + std::to_string(o.ftr) + " 0 R";
  xobj += " /ImSim " + std::to_string(o.sim) + " 0 R /ImSEI " + std::to_string(o.sei) + " 0 R /ImWave " +
          std::to_string(o.wave) + " 0 R /ImOCV " + std::to_string(o.ocv) + " 0 R /ImT " + std::to_string(o.temp) +
          " 0 R";
  if (has3D) xobj += " /ImSEI3D " + std::to_string(o.img3D) + " 0 R /ImSEI3DProf " + std::to_string(o.imgProf) + " 0 R";
  xobj += " >>";
  // 5. Page objects; an extra page's content follows it directly.
  f.MarkObj(3);
  f.MsA(PageObject(3, 5, o.f1, o.f2, xobj));
  f.MarkObj(4);
  f.MsA(PageObject(4, 6, o.f1, o.f2, xobj));
  if (has3D) {
    f.MarkObj(o.page3);
    f.MsA(PageObject(o.page3, o.content3, o.f1, o.f2, xobj));
    f.WriteStream(o.content3, b.Page3().Content());
  }
  if (hasAI) {
    f.MarkObj(o.page4);
    f.MsA(PageObject(o.page4, o.content4, o.f1, o.f2, xobj));
    f.WriteStream(o.content4, b.Page4().Content());
  }
  // 6. Contents of the first two pages.
  f.WriteStream(5, b.Page1().Content());
  f.WriteStream(6, b.Page2().Content());
  // 7. Images.
  if (o.hdr) f.WriteImg(o.hdr, hdrObj);
  if (o.ftr) f.WriteImg(o.ftr, ftrObj);
  f.WriteImg(o.sim, simObj);
  f.WriteImg(o.sei, seiObj);
  f.WriteImg(o.wave, waveObj);
  f.WriteImg(o.ocv, ocvObj);
  f.WriteImg(o.temp, tempObj);
  if (has3D) {
    f.WriteImg(o.img3D, img3DObj);
    f.WriteImg(o.imgProf, profObj);
  }
  // 8. Fonts.
  f.MarkObj(o.f1);
  f.MsA(std::to_string(o.f1) + " 0 obj");
  f.MsA("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >> endobj");
  f.MarkObj(o.f2);
  f.MsA(std::to_string(o.f2) + " 0 obj");
  f.MsA("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >> endobj");
  // 9. Cross-reference and trailer.
  f.Finish();
  return std::move(f.Bytes());
}

bool TVoltarisPdfExporter::ExportToPdf(const std::string& fileName, const TPdfMetrics& metrics,
                                       const std::vector<TPatternResult>& results, const TReportCharts& charts,
                                       const ChartRasterFn& render, const std::string& hdrPath,
                                       const std::string& ftrPath, const RgbRaster* bitmap3D,
                                       const std::filesystem::path& programDir, std::string dateTime) {
  const std::string bytes =
      BuildPdf(metrics, results, charts, render, hdrPath, ftrPath, bitmap3D, programDir, std::move(dateTime));
  WriteFileReplacing(fileName, bytes);
  return true;
}

}  // namespace voltaris
