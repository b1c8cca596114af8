// The 3D SEI view of the middle area: the spatial SEI result drawn as a plotly surface
// (electrode position x formation time x thickness) in the embedded browser, and the
// profile chart that overlays the final SEI profiles of the last six runs. After each
// run it recomputes the whole-waveform SEI simulation and the spatial model, updates
// both pictures and writes two summary lines into the run-statistics memo. The same
// page delivers the PNG picture of the surface that the formation report embeds.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chemistry/sei_spatial.h"
#include "form/chart_model.h"

namespace voltaris {

class TFormPreview;
class IWebBrowser;

class TSEI3DView {
 public:
  // Colours of the profile lines, taken in turn by history index.
  static constexpr std::array<Rgb, 6> PROFILE_COLORS{
      Rgb{0xFF, 0xAA, 0x00}, Rgb{0x88, 0xFF, 0x00}, Rgb{0x44, 0x44, 0xFF},
      Rgb{0xFF, 0x88, 0xFF}, Rgb{0xFF, 0xFF, 0x88}, Rgb{0xAA, 0xAA, 0xAA}};
  static constexpr size_t kHistoryMax = 6;
  static constexpr int kEdge3DTimerMs = 1500;
  static constexpr const char* kPageFolder = "VoltarisSEI3D";
  static constexpr const char* kProfileFolder = "VoltarisWebView2";
  static constexpr const char* kPlotlyFile = "plotly-gl3d.min.js";
  static constexpr const char* kPageFile = "sei3d.html";
  static constexpr const char* kPlotlyResource = "PLOTLYGLJS";
  static constexpr const char* kMemo = "MemoSimStats1";  // the run-statistics memo
  // Asks the page for a 1100 x 550 PNG of the surface, posted back as a data URL.
  static constexpr const char* kCaptureScript =
      "Plotly.toImage(document.getElementById(\"plot\"),{format:\"png\",width:1100,height:550})"
      ".then(function(url){window.chrome.webview.postMessage(url);});";

  explicit TSEI3DView(TFormPreview& form);
  TSEI3DView(const TSEI3DView&) = delete;
  TSEI3DView& operator=(const TSEI3DView&) = delete;

  // Sets up the 3D page once: profile chart, page files and the browser's creation.
  void InitSEI3DPage();
  bool PageBuilt() const { return pageBuilt_; }
  // Prepares the page files in the temporary folder; sets FPlotlyTempDir on success.
  void ExtractPlotlyToTemp();
  // The browser's creation finished with `resultCode` (0 = success).
  void OnEdgeSEI3DCreated(uint32_t resultCode);
  void OnEdge3DTimerFire();
  TSEI3DPatternInfo BuildPatternInfoForSEI3D() const;
  // After a run: the whole-waveform SEI simulation, the spatial model, the surface, the
  // profile chart and the memo lines.
  void UpdateSEI3DPage();
  // Sends the surface of FSEI3DResult to the page (only with a ready browser and result).
  void UpdateSEI3DSurface();
  void UpdateSEI3DProfileChart();
  // A message posted by the page: used only while a capture is pending.
  void OnEdgeSEI3DMessage(const std::string& jsonMessage);
  // The view's state in the automation dump.
  void RegisterAutomation();

  // A new run starts: the view is no longer ready; a loaded page shows the placeholder.
  void ClearForNewRun();
  // Reset Memory: forgets the history too and empties the profile chart.
  void ResetMemory();

  // The picture of the surface for the report: runs the capture script and waits, letting
  // the platform process pending events, at most `timeoutMs` for the page's answer.
  // The PNG bytes, or nothing (no ready page or result, no answer in time, bad data).
  std::optional<std::string> CapturePng(int timeoutMs);
  // The PNG bytes of a captured message (a JSON string holding a data URL).
  static std::optional<std::string> DecodeCapturedPng(const std::string& jsonMessage);

  // The one-shot timer after the browser's start, driven by the host: it reports the
  // time that passed (ms) while the timer runs; at 1500 ms it fires once.
  bool Edge3DTimerEnabled() const { return timerEnabled_; }
  void AdvanceEdge3DTimer(int64_t elapsedMs);

  // ---- Texts of the page (pure functions of their inputs) ----
  // "file:///" + the path with every backslash turned into a slash (an absolute POSIX
  // path keeps one slash after the host part).
  static std::string FileUrl(const std::string& path);
  static std::string PageHtml(const std::string& scriptPath);
  // The placeholder plot with `title`: Plotly.newPlot for the page, Plotly.react later.
  static std::string PlaceholderPlot(const std::string& function, const std::string& title);
  // The colour range of the surface: this result widened to every history entry.
  static std::pair<double, double> ColourRange(const TSEI3DResult& r, const std::vector<TSEI3DResult>& history);
  static std::string SurfaceScript(const TSEI3DResult& r, const std::vector<TSEI3DResult>& history);

  // ---- State ----
  std::string FPlotlyTempDir{};   // folder with the page (trailing separator); "" when missing
  bool FPlotlyReady = false;      // the browser was created
  TSEI3DResult FSEI3DResult{};
  bool FSEI3DReady = false;       // the last result is valid
  std::vector<TSEI3DResult> FSEI3DHistory{};  // oldest first, at most six
  bool FPdfPendingExport = false;  // a report capture waits for the page's message
  ChartModel* FchSEI3DProf = nullptr;

 private:
  void MemoLine(const std::string& line);
  void ShowPlaceholder(const std::string& title);

  TFormPreview& form_;
  IWebBrowser* browser_ = nullptr;
  std::string userDataFolder_{};
  std::string unavailableLine_{};  // why this display shows no surface ("" when it can)
  bool pageBuilt_ = false;
  bool timerEnabled_ = false;
  int64_t timerElapsedMs_ = 0;
  std::optional<std::string> capturedMessage_{};
};

}  // namespace voltaris
