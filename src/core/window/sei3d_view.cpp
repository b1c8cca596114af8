#include "window/sei3d_view.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "common/base64.h"
#include "common/number_format.h"
#include "documents/text_file.h"
#include "run/run_metrics.h"
#include "window/form_preview.h"

namespace voltaris {

namespace fs = std::filesystem;

namespace {

constexpr Rgb kChartBack{0x1A, 0x1A, 0x1A};
constexpr Rgb kChartText{0xC0, 0xC0, 0xC0};
constexpr Rgb kChartGrid{0x30, 0x30, 0x30};
constexpr Rgb kMeanLine{0x80, 0x80, 0x80};
constexpr const char* kProfileTitle = "SEI(x) Final Profile — pattern comparison (each run adds a line)";
constexpr const char* kProfileResetTitle = "SEI(x) Final Profile — pattern comparison";
constexpr const char* kPageTitle = "Run simulation to see SEI 3D surface";

// "%.<decimals>f" with "." whatever the user's locale: numbers a script reads.
std::string Fixed(double v, int decimals) {
  char buf[400];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  return std::string(buf, end);
}

// "[" values joined by "," "]".
template <class Range, class Format>
std::string JsArray(const Range& values, Format format) {
  std::string s = "[";
  bool first = true;
  for (const auto& v : values) {
    if (!first) s += ',';
    first = false;
    s += format(v);
  }
  s += ']';
  return s;
}

// A single-quoted script string: inner single quotes doubled.
std::string SingleQuoted(const std::string& text) {
  std::string s = "'";
  for (char c : text) {
    if (c == '\'') s += '\'';
    s += c;
  }
  s += '\'';
  return s;
}

std::string ReadBinaryFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read " + file.string());
  return bytes;
}

// The current as one-second means: the spatial model takes its samples one second apart,
// so a faster waveform is averaged (charge kept) to 1 Hz; 1 Hz or slower stays as it is.
std::vector<double> OneSecondMeans(const std::vector<double>& wave, double fs) {
  const double perSecond = std::nearbyint(fs);
  if (!(perSecond > 1) || !std::isfinite(perSecond)) return wave;
  const size_t k = static_cast<size_t>(perSecond);
  std::vector<double> out;
  out.reserve(wave.size() / k + 1);
  for (size_t i = 0; i < wave.size(); i += k) {
    const size_t end = std::min(wave.size(), i + k);
    double sum = 0.0;
    for (size_t j = i; j < end; ++j) sum += wave[j];
    out.push_back(sum / static_cast<double>(end - i));
  }
  return out;
}

bool NonEmptyFile(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec) && fs::file_size(file, ec) > 0 && !ec;
}

}  // namespace

TSEI3DView::TSEI3DView(TFormPreview& form) : form_(form) {}

void TSEI3DView::MemoLine(const std::string& line) {
  FormModel& f = form_.Form();
  if (f.Find(kMemo) != nullptr) f.AddLine(kMemo, line);
}

// ---- Page texts ----

std::string TSEI3DView::FileUrl(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  // "C:/..." follows "file:///" directly; a POSIX path brings its own first slash.
  if (!p.empty() && p.front() == '/') p.erase(0, 1);
  return "file:///" + p;
}

std::string TSEI3DView::PlaceholderPlot(const std::string& function, const std::string& title) {
  return function + "(\"plot\"," + "[{type:\"surface\",x:[0],y:[0],z:[[5]],showscale:false}]," +
         "{paper_bgcolor:\"#111\"," + "title:{text:\"" + title + "\"," + "font:{color:\"#666\",size:12}}," +
         "scene:{bgcolor:\"#1a1a1a\"," + "xaxis:{gridcolor:\"#333\",tickfont:{color:\"#aaa\"}}," +
         "yaxis:{gridcolor:\"#333\",tickfont:{color:\"#aaa\"}}," +
         "zaxis:{gridcolor:\"#333\",tickfont:{color:\"#aaa\"}}}," + "margin:{l:0,r:0,t:40,b:0}}," +
         "{responsive:true,displaylogo:false});";
}

std::string TSEI3DView::PageHtml(const std::string& scriptPath) {
  return std::string("<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\">\r\n<style>\r\n") +
         "  html,body{margin:0;padding:0;width:100%;height:100%;background:#111;overflow:hidden;}\r\n" +
         "  #plot{width:100%;height:100%;}\r\n" + "</style></head><body>\r\n" + "<div id=\"plot\"></div>\r\n" +
         "<script src=\"" + FileUrl(scriptPath) + "\"></script>" + "\r\n<script>\r\n" + "  " +
         PlaceholderPlot("Plotly.newPlot", kPageTitle) + "\r\n</script>\r\n</body></html>";
}

std::pair<double, double> TSEI3DView::ColourRange(const TSEI3DResult& r, const std::vector<TSEI3DResult>& history) {
  double lo = r.Metrics.SEI_min_final;
  double hi = r.Metrics.SEI_max_final;
  if (!(hi > lo)) hi = lo + 1;
  for (const TSEI3DResult& h : history) {
    lo = std::min(lo, h.Metrics.SEI_min_final);
    hi = std::max(hi, h.Metrics.SEI_max_final);
  }
  if (!(hi > lo)) hi = lo + 1;
  return {lo, hi};
}

std::string TSEI3DView::SurfaceScript(const TSEI3DResult& r, const std::vector<TSEI3DResult>& history) {
  const std::string x = JsArray(r.X_pos, [](double v) { return Fixed(v, 4); });
  const std::string y = JsArray(r.T_min, [](double v) { return Fixed(v, 2); });
  // Rows are time columns, columns are positions.
  std::string z = "[";
  for (size_t j = 0; j < r.T_min.size(); ++j) {
    if (j > 0) z += ',';
    z += '[';
    for (size_t i = 0; i < r.X_pos.size(); ++i) {
      if (i > 0) z += ',';
      const double v = i < r.Grid.size() && j < r.Grid[i].size() ? r.Grid[i][j] : 0.0;
      z += Fixed(v, 3);
    }
    z += ']';
  }
  z += ']';

  const auto [cmin, cmax] = ColourRange(r, history);
  const TSEI3DMetrics& m = r.Metrics;
  const std::string title = "SEI Growth Surface [" + r.PatInfo.PatternName + "]  Homo=" + Fixed(m.Homogeneity_pct, 1) +
                            "%  Tab*=" + Fixed(m.TabRatio, 2) + "  Mean=" + Fixed(m.SEI_mean_final, 1) +
                            "nm  D=" + Fixed(m.SEI_max_final - m.SEI_min_final, 2) + "nm";
  const std::string tickfont = "tickfont:{color:\"#aaa\"},titlefont:{color:\"#aaa\"},";
  const std::string background = "backgroundcolor:\"#1a1a1a\",showbackground:true},";

  std::string s;
  s.reserve(x.size() + y.size() + z.size() + 2000);
  s += "Plotly.react(\"plot\",[{type:\"surface\",x:";
  s += x;
  s += ",";
  s += "y:";
  s += y;
  s += ",";
  s += "z:";
  s += z;
  s += ",";
  s += "colorscale:[[0,\"#0044FF\"],[0.25,\"#00CCFF\"],[0.5,\"#00FF88\"],[0.75,\"#FFCC00\"],[1,\"#FF2200\"]],";
  s += "cmin:" + FormatFloat("0.###", cmin, '.') + ",";
  s += "cmax:" + FormatFloat("0.###", cmax, '.') + ",";
  s += "showscale:true,";
  s += "colorbar:{title:{text:\"SEI (nm)\",font:{color:\"#ccc\"}},tickfont:{color:\"#ccc\"},x:1.02},";
  s += "contours:{";
  s += "x:{show:true,color:\"rgba(255,255,255,0.12)\",width:1},";
  s += "y:{show:true,color:\"rgba(255,255,255,0.12)\",width:1},";
  s += "z:{show:false}";
  s += "},";
  s += "lighting:{ambient:0.7,diffuse:0.8,specular:0.1,roughness:0.5}";
  s += "}],";
  s += "{";
  s += "paper_bgcolor:\"#111\",";
  s += "font:{color:\"#ccc\",size:11},";
  s += "title:{text:" + SingleQuoted(title) + ",font:{color:\"#ddd\",size:11}},";
  s += "scene:{";
  s += "bgcolor:\"#1a1a1a\",";
  s += "camera:{eye:{x:1.8,y:-1.6,z:0.7},";
  s += "center:{x:0,y:0,z:-0.1}},";
  s += "xaxis:{title:\"Electrode Pos (0=Tab)\",gridcolor:\"#2a2a2a\",";
  s += tickfont;
  s += background;
  s += "yaxis:{title:\"Time (min)\",gridcolor:\"#2a2a2a\",";
  s += tickfont;
  s += background;
  s += "zaxis:{title:\"SEI (nm)\",gridcolor:\"#2a2a2a\",";
  s += tickfont;
  s += "backgroundcolor:\"#111\",showbackground:true}";
  s += "},";
  s += "margin:{l:0,r:0,t:36,b:0}";
  s += "},";
  s += "{responsive:true,displaylogo:false,";
  s += "modeBarButtonsToRemove:[\"toImage\",\"sendDataToCloud\",\"resetCameraLastSave3d\",";
  s += "\"hoverClosest3d\",\"tableRotation\",\"orbitRotation\"],";
  s += "scrollZoom:true});";
  return s;
}

// ---- Building the page ----

void TSEI3DView::InitSEI3DPage() {
  if (pageBuilt_) return;
  pageBuilt_ = true;
  FSEI3DReady = false;
  FSEI3DHistory.clear();
  FormModel& f = form_.Form();
  if (f.Find("lblSEI3DInfo") != nullptr) f.SetVisible("lblSEI3DInfo", true);

  FchSEI3DProf = f.FindChart("FchSEI3DProf");
  if (ChartModel* ch = FchSEI3DProf) {
    ch->style.dark = true;
    ch->style.panelColor = kChartBack;
    ch->style.backColor = kChartBack;
    ch->style.titleColor = kChartText;
    ch->style.titleFontSize = 8;
    ch->style.legendColor = kChartText;
    ch->style.legendFontSize = 7;
    ch->legendVisible = true;
    ch->view3D = false;
    ch->zoomAllowed = false;
    ch->title = kProfileTitle;
    ch->bottom.title = "Electrode Position  (0 = Tab)";
    ch->bottom.SetFixed(0.0, 1.0);
    ch->left.title = "SEI (nm)";
    ch->left.SetAutomatic();
    for (AxisModel* a : {&ch->bottom, &ch->left}) {
      a->titleColor = kChartText;
      a->labelColor = kChartText;
      a->gridColor = kChartGrid;
    }
    ch->Invalidate();
  }

  // Showing the 3D tab redraws the surface at the tab's size.
  if (f.Find("FMidPageCtrl") != nullptr)
    f.OnChange("FMidPageCtrl", [this](const std::string&) {
      if (form_.Form().Get("FMidPageCtrl").ActivePage() == "FTsSEI3D") UpdateSEI3DSurface();
    });

  FPlotlyReady = false;
  ExtractPlotlyToTemp();
  IPlatform& platform = form_.Platform();
  browser_ = platform.EmbeddedBrowser();
  if (browser_ == nullptr) {
    MemoLine("SEI 3D: no embedded browser on this platform; the surface is not drawn");
    return;
  }
  if (const std::string why = browser_->Unavailable(); !why.empty()) {
    unavailableLine_ = "SEI 3D: " + why + "; the surface is not drawn";
    MemoLine(unavailableLine_);
    browser_ = nullptr;
    return;
  }
  userDataFolder_ = (platform.TempDir() / kProfileFolder).string();
  browser_->Create(
      userDataFolder_, [this](uint32_t code) { OnEdgeSEI3DCreated(code); },
      [this](const std::string& message) { OnEdgeSEI3DMessage(message); });
}

void TSEI3DView::ExtractPlotlyToTemp() {
  FPlotlyTempDir.clear();
  IPlatform& platform = form_.Platform();
  try {
    const fs::path dir = platform.TempDir() / kPageFolder;
    fs::create_directories(dir);
    const fs::path js = dir / kPlotlyFile;
    // Kept from one program start to the next; an empty file (an interrupted copy) is
    // taken as missing.
    if (!NonEmptyFile(js)) {
      bool copied = false;
      if (std::optional<std::string> bundle = platform.ProgramResource(kPlotlyResource); bundle && !bundle->empty()) {
        try {
          WriteFileReplacing(js.string(), *bundle);
          copied = true;
        } catch (const std::exception&) {
          copied = false;  // try the copy beside the program
        }
      }
      if (!copied) {
        const fs::path beside = platform.ProgramDir() / kPlotlyFile;
        if (!NonEmptyFile(beside)) {
          MemoLine("SEI 3D: plotly-gl3d.min.js not found.");
          return;
        }
        WriteFileReplacing(js.string(), ReadBinaryFile(beside));
      }
    }
    WriteFileReplacing((dir / kPageFile).string(), PageHtml(js.string()));
    FPlotlyTempDir = dir.string() + "/";
    if (!NonEmptyFile(js)) MemoLine("SEI 3D: plotly JS extraction failed");
  } catch (const std::exception& e) {
    FPlotlyTempDir.clear();
    MemoLine(std::string("Plotly init error: ") + e.what());
  }
}

void TSEI3DView::OnEdgeSEI3DCreated(uint32_t resultCode) {
  if (resultCode != 0) {
    FPlotlyReady = false;
    char code[16];
    std::snprintf(code, sizeof code, "%" PRIx32, resultCode);
    // One text of several lines, as the memo shows it.
    for (const std::string& line :
         {"WebView2 init failed: HRESULT=0x" + std::string(code), std::string("Possible causes:"),
          std::string("  1) webview2loader.dll not found next to exe"), std::string("  2) WebView2 Runtime not installed"),
          "  UserDataFolder: " + userDataFolder_})
      MemoLine(line);
    return;
  }
  FPlotlyReady = true;
  if (FPlotlyTempDir.empty()) {
    MemoLine("WARNING: FPlotlyTempDir empty, navigating blank");
    browser_->Navigate("about:blank");
  } else {
    browser_->Navigate(FileUrl(FPlotlyTempDir + kPageFile));
  }
  // A result computed before the page finished loading still reaches it.
  timerEnabled_ = true;
  timerElapsedMs_ = 0;
}

void TSEI3DView::AdvanceEdge3DTimer(int64_t elapsedMs) {
  if (!timerEnabled_) return;
  timerElapsedMs_ += std::max<int64_t>(elapsedMs, 0);
  if (timerElapsedMs_ >= kEdge3DTimerMs) OnEdge3DTimerFire();
}

void TSEI3DView::OnEdge3DTimerFire() {
  timerEnabled_ = false;
  timerElapsedMs_ = 0;
  if (FSEI3DReady) UpdateSEI3DSurface();
}

// ---- After a run ----

TSEI3DPatternInfo TSEI3DView::BuildPatternInfoForSEI3D() const {
  TSEI3DPatternInfo info;
  FormModel& f = form_.Form();
  const Control* pages = f.Find("PcParams");
  const std::string page = pages != nullptr ? pages->ActivePage() : std::string();
  if (page == "TsSine") info.PatternName = "Sine";
  else if (page == "TsSuper") info.PatternName = "Superpulse";
  else if (page == "TsTri") info.PatternName = "Triangle";
  else if (page == "TsGaussian") info.PatternName = "Gaussian";
  else if (page == "tsCC_CV") info.PatternName = "CC/CV";
  else info.PatternName = "HX";

  info.Freq_Hz = std::max(0.0, form_.waveform.shapes.GetPatternFreqHzFromUI());
  const std::vector<double>& wave = form_.FCurrSim;
  if (!wave.empty()) {
    double sumSq = 0.0, peak = 0.0;
    for (double v : wave) {
      sumSq += v * v;
      peak = std::max(peak, std::fabs(v));
    }
    info.I_rms = std::sqrt(sumSq / static_cast<double>(wave.size()));
    info.I_peak = peak;
  } else {
    const Control* iMax = f.Find("EdSineMax");
    info.I_rms = info.I_peak = iMax != nullptr ? iMax->Number(2.0) : 2.0;
  }

  const std::string& n = info.PatternName;
  info.HxFactor = n == "CC/CV"        ? 0.0
                  : n == "Gaussian"   ? 0.8
                  : n == "Superpulse" ? 0.7
                  : n == "Triangle"   ? 0.55
                  : n == "Sine"       ? 0.45
                                      : 0.35;
  info.ChemName = form_.GChem ? form_.GChem->FChemistry : std::string();
  return info;
}

void TSEI3DView::UpdateSEI3DPage() {
  if (!pageBuilt_) InitSEI3DPage();
  FormModel& f = form_.Form();
  if (form_.FCurrSim.size() < 2 && form_.FSerSimI != nullptr && form_.FSerSimI->Count() > 1)
    form_.FCurrSim = form_.FSerSimI->Ys();

  // The whole-waveform SEI simulation over one-second samples of the run's current.
  TSimOutputs sim;
  SimulatePatternChemSEI(OneSecondMeans(form_.FCurrSim, form_.FCurrSimFs), 1.0, form_.FChemP, sim);
  if (sim.V.size() < 2) return;

  TSEI3DConfig cfg = SEI3DDefaultConfig();
  SEI3DConfigFromChem(form_.FChemP, cfg);
  ComputeSEI3D(sim, form_.FChemP, BuildPatternInfoForSEI3D(), cfg, FSEI3DResult);
  FSEI3DReady = FSEI3DResult.Valid;
  if (f.Find("lblSEI3DInfo") != nullptr) f.SetVisible("lblSEI3DInfo", !FSEI3DReady);

  if (!FSEI3DReady) {
    MemoLine("SEI3D ERROR: " + FSEI3DResult.ErrorMsg);
    return;
  }
  if (FSEI3DHistory.size() >= kHistoryMax) FSEI3DHistory.erase(FSEI3DHistory.begin());
  FSEI3DHistory.push_back(FSEI3DResult);
  UpdateSEI3DSurface();
  UpdateSEI3DProfileChart();

  const TSEI3DResult& r = FSEI3DResult;
  const TSEI3DMetrics& m = r.Metrics;
  MemoLine("");
  MemoLine("# SEI 3D [" + r.PatInfo.PatternName + "] Homo=" + FixedText(m.Homogeneity_pct, 1) +
           "%  Tab*=" + FixedText(m.TabRatio, 2) + "  Mean=" + FixedText(m.SEI_mean_final, 1) +
           "nm  Max=" + FixedText(m.SEI_max_final, 1) + "nm  D=" + FixedText(m.SEI_max_final - m.SEI_min_final, 2) +
           "nm");
  MemoLine("  b=" + FixedText(r.Config.Beta_tab, 3) + "  l=" + FixedText(r.Config.Lambda_tab, 3) +
           "  Ddiff=" + FixedText(r.Config.Delta_diff, 1) + "nm  HxF=" + FixedText(r.PatInfo.HxFactor, 2) +
           "  GrowthRate=" + FixedText(m.GrowthRate_nm_min, 3) + "nm/min");
  // The run's figures replaced the memo: say again why the surface stays empty.
  if (!unavailableLine_.empty()) MemoLine(unavailableLine_);
}

void TSEI3DView::UpdateSEI3DSurface() {
  if (browser_ == nullptr || !FPlotlyReady || !FSEI3DReady) return;
  if (FSEI3DResult.X_pos.size() < 2 || FSEI3DResult.T_min.size() < 2) return;
  browser_->ExecuteScript(SurfaceScript(FSEI3DResult, FSEI3DHistory));
}

void TSEI3DView::UpdateSEI3DProfileChart() {
  ChartModel* ch = FchSEI3DProf;
  if (ch == nullptr || FSEI3DHistory.empty()) return;
  ch->RemoveAllSeries();
  double hi = 0.0, lo = 1e9;
  for (size_t i = 0; i < FSEI3DHistory.size(); ++i) {
    const TSEI3DResult& h = FSEI3DHistory[i];
    const TSEI3DMetrics& m = h.Metrics;
    SeriesModel& s = ch->AddSeries("FSerSEI3DProf" + std::to_string(i), SeriesKind::Line);
    s.color = PROFILE_COLORS[i % PROFILE_COLORS.size()];
    s.width = 2;
    s.pointStyle = PointStyle::None;
    s.title = h.PatInfo.PatternName + "  Homo=" + FixedText(m.Homogeneity_pct, 0) +
              "%  D=" + FixedText(m.SEI_max_final - m.SEI_min_final, 1) + "nm";
    const std::vector<double> final = SEI3DGetSpatialFinal(h);
    s.Reserve(final.size());
    for (size_t k = 0; k < final.size() && k < h.X_pos.size(); ++k) {
      s.Add(h.X_pos[k], final[k]);
      hi = std::max(hi, final[k]);
      lo = std::min(lo, final[k]);
    }
  }
  const TSEI3DResult& newest = FSEI3DHistory.back();
  if (newest.X_pos.size() > 1) {
    SeriesModel& mean = ch->AddSeries("FSerSEI3DMean", SeriesKind::Line);
    mean.color = kMeanLine;
    mean.width = 1;
    mean.style = LineStyle::Dash;
    mean.pointStyle = PointStyle::None;
    mean.title = "Mean " + FixedText(newest.Metrics.SEI_mean_final, 1) + "nm";
    mean.Add(newest.X_pos.front(), newest.Metrics.SEI_mean_final);
    mean.Add(newest.X_pos.back(), newest.Metrics.SEI_mean_final);
  }

  if (!(hi > 0)) hi = 1;
  hi *= 1.1;
  lo *= 0.88;
  if (lo < 0) lo = 0;
  if (!(lo < hi)) {
    lo = 0;
    hi = hi + 1;
  }
  if (std::isfinite(lo) && std::isfinite(hi))
    ch->left.SetFixed(lo, hi);
  else
    ch->left.SetAutomatic();  // a range the chart cannot take

  const std::string suffix = "   left=Tab end, right=far end";
  if (FSEI3DHistory.size() == 1)
    ch->title = "SEI(x) Final Profile  [" + newest.PatInfo.PatternName + "]" + suffix;
  else
    ch->title = "SEI(x) Final Profile — " + std::to_string(FSEI3DHistory.size()) + " patterns compared" + suffix;
  ch->Invalidate();
}

// ---- Clearing ----

void TSEI3DView::ShowPlaceholder(const std::string& title) {
  if (browser_ == nullptr || !FPlotlyReady || FPlotlyTempDir.empty()) return;  // no page loaded
  browser_->ExecuteScript(PlaceholderPlot("Plotly.react", title));
}

void TSEI3DView::ClearForNewRun() {
  FSEI3DReady = false;
  FormModel& f = form_.Form();
  if (f.Find("lblSEI3DInfo") != nullptr) f.SetVisible("lblSEI3DInfo", true);
  ShowPlaceholder("Running simulation...");
}

void TSEI3DView::ResetMemory() {
  FSEI3DHistory.clear();
  FSEI3DReady = false;
  FormModel& f = form_.Form();
  if (f.Find("lblSEI3DInfo") != nullptr) f.SetVisible("lblSEI3DInfo", true);
  if (ChartModel* ch = FchSEI3DProf) {
    ch->RemoveAllSeries();
    ch->left.SetAutomatic();
    ch->title = kProfileResetTitle;
    ch->Invalidate();
  }
  ShowPlaceholder(kPageTitle);
}

// ---- Capture for the report ----

void TSEI3DView::OnEdgeSEI3DMessage(const std::string& jsonMessage) {
  if (!FPdfPendingExport) return;  // only a pending capture listens to the page
  FPdfPendingExport = false;
  capturedMessage_ = jsonMessage;
}

std::optional<std::string> TSEI3DView::DecodeCapturedPng(const std::string& jsonMessage) {
  std::string text = jsonMessage;
  const auto parsed = nlohmann::json::parse(jsonMessage, nullptr, false);
  if (!parsed.is_discarded() && parsed.is_string()) {
    text = parsed.get<std::string>();
  } else if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  const size_t comma = text.find(',');
  const std::string_view data = comma == std::string::npos ? std::string_view(text) : std::string_view(text).substr(comma + 1);
  std::optional<std::string> png = DecodeBase64(data);
  static constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
  if (!png || png->size() < 8 || png->compare(0, 8, kSignature, 8) != 0) return std::nullopt;
  return png;
}

std::optional<std::string> TSEI3DView::CapturePng(int timeoutMs) {
  if (browser_ == nullptr || !browser_->Answers() || !FPlotlyReady || FPlotlyTempDir.empty() || !FSEI3DReady)
    return std::nullopt;
  capturedMessage_.reset();
  FPdfPendingExport = true;
  browser_->ExecuteScript(kCaptureScript);
  const auto start = std::chrono::steady_clock::now();
  const auto limit = std::chrono::milliseconds(std::max(timeoutMs, 0));
  while (FPdfPendingExport && std::chrono::steady_clock::now() - start < limit) {
    form_.Platform().ProcessPendingEvents();
    if (FPdfPendingExport) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  FPdfPendingExport = false;  // an answer after the time-out is ignored
  if (!capturedMessage_) return std::nullopt;
  std::optional<std::string> png = DecodeCapturedPng(*capturedMessage_);
  capturedMessage_.reset();
  return png;
}

}  // namespace voltaris

namespace voltaris {

void TSEI3DView::RegisterAutomation() {
  form_.RegisterStateField("FSEI3D", [this] {
    nlohmann::ordered_json history = nlohmann::ordered_json::array();
    for (const TSEI3DResult& h : FSEI3DHistory)
      history.push_back({{"PatternName", h.PatInfo.PatternName},
                         {"SEI_mean_final", h.Metrics.SEI_mean_final},
                         {"Homogeneity_pct", h.Metrics.Homogeneity_pct}});
    return nlohmann::ordered_json{{"FSEI3DReady", FSEI3DReady},
                                  {"FPlotlyReady", FPlotlyReady},
                                  {"FPlotlyTempDir", FPlotlyTempDir},
                                  {"FEdge3DTimer", timerEnabled_},
                                  {"FSEI3DHistory", std::move(history)}};
  });
}

}  // namespace voltaris
