// The 3D SEI view: its page files, the surface script, the colour range, the profile
// chart with its six-run history, the pattern information, the one-shot timer after the
// browser's start, every failure line and the captured picture for the report.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "automation/script_runner.h"
#include "common/base64.h"
#include "common/number_format.h"
#include "common/numbers.h"
#include "layout_values.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

std::string Printf(const char* format, auto... args) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, args...);
  return buf;
}

// The smallest PNG there is: the signature, then anything.
const std::string kPng = std::string("\x89PNG\r\n\x1a\n", 8) + "IHDR-and-the-rest";
const std::string kPngBase64 = "iVBORw0KGgpJSERSLWFuZC10aGUtcmVzdA==";

class SEI3DViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int n = 0;
    dir_ = fs::path(::testing::TempDir()) / ("sei3d_view_" + std::to_string(::getpid()) + "_" + std::to_string(n++));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "tmp");
    fs::create_directories(dir_ / "prog");
    platform_.tempDir = dir_ / "tmp";
    platform_.programDir = dir_ / "prog";
  }
  // The window with the plotly bundle beside the program (as the CLI has it).
  void Create(bool bundle = true) {
    if (bundle) WriteAll(dir_ / "prog" / "plotly-gl3d.min.js", "/* plotly */");
    form_ = std::make_unique<TFormPreview>(platform_);
    form_->FormCreate();
    RestoreLayoutValues(f());
  }
  FormModel& f() { return form_->Form(); }
  TSEI3DView& view() { return form_->sei3d; }
  const std::vector<std::string>& Memo() { return f().Get("MemoSimStats1").Lines(); }
  bool MemoHas(const std::string& line) {
    for (const auto& l : Memo())
      if (l == line) return true;
    return false;
  }
  // A finished run of `seconds` at `amps` on the pattern page `page`.
  void RunOn(const std::string& page, double amps = 2.0, size_t seconds = 600) {
    f().SetActivePage("PcParams", page);
    DefaultChem_LFP(form_->FChemP);  // the chemistry a run prepares
    form_->FCurrSim.assign(seconds, amps);
    form_->FCurrSimFs = 1.0;
    view().UpdateSEI3DPage();
  }
  size_t SurfaceScripts() const {
    size_t n = 0;
    for (const auto& s : platform_.browser.scripts)
      if (s.find("colorscale") != std::string::npos) ++n;
    return n;
  }

  fs::path dir_;
  RecordingPlatform platform_;
  std::unique_ptr<TFormPreview> form_;
};

TEST_F(SEI3DViewTest, ThePageFilesAreWrittenAndTheBrowserStartsOnThePage) {
  Create();
  const fs::path pageDir = dir_ / "tmp" / "VoltarisSEI3D";
  EXPECT_EQ(ReadAll(pageDir / "plotly-gl3d.min.js"), "/* plotly */");
  const std::string js = "file:///" + (pageDir / "plotly-gl3d.min.js").string().substr(1);
  const std::string expected =
      "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\">\r\n<style>\r\n"
      "  html,body{margin:0;padding:0;width:100%;height:100%;background:#111;overflow:hidden;}\r\n"
      "  #plot{width:100%;height:100%;}\r\n</style></head><body>\r\n<div id=\"plot\"></div>\r\n"
      "<script src=\"" + js + "\"></script>\r\n<script>\r\n"
      "  Plotly.newPlot(\"plot\",[{type:\"surface\",x:[0],y:[0],z:[[5]],showscale:false}],"
      "{paper_bgcolor:\"#111\",title:{text:\"Run simulation to see SEI 3D surface\",font:{color:\"#666\",size:12}},"
      "scene:{bgcolor:\"#1a1a1a\",xaxis:{gridcolor:\"#333\",tickfont:{color:\"#aaa\"}},"
      "yaxis:{gridcolor:\"#333\",tickfont:{color:\"#aaa\"}},zaxis:{gridcolor:\"#333\",tickfont:{color:\"#aaa\"}}},"
      "margin:{l:0,r:0,t:40,b:0}},{responsive:true,displaylogo:false});\r\n</script>\r\n</body></html>";
  EXPECT_EQ(ReadAll(pageDir / "sei3d.html"), expected);
  EXPECT_EQ(view().FPlotlyTempDir, pageDir.string() + "/");

  const RecordingWebBrowser& b = platform_.browser;
  EXPECT_TRUE(b.created);
  EXPECT_EQ(b.userDataFolder, (dir_ / "tmp" / "VoltarisWebView2").string());
  EXPECT_EQ(b.navigations, std::vector<std::string>{"file:///" + (pageDir / "sei3d.html").string().substr(1)});
  EXPECT_TRUE(view().FPlotlyReady);
  EXPECT_TRUE(view().Edge3DTimerEnabled());
  EXPECT_TRUE(Memo().empty());
  EXPECT_TRUE(f().Get("lblSEI3DInfo").Visible());

  // Windows paths turn into the same URL form.
  EXPECT_EQ(TSEI3DView::FileUrl("C:\\Temp\\VoltarisSEI3D\\sei3d.html"), "file:///C:/Temp/VoltarisSEI3D/sei3d.html");

  // The bundle already there is kept; the page is written afresh.
  WriteAll(pageDir / "plotly-gl3d.min.js", "/* kept */");
  WriteAll(pageDir / "sei3d.html", "old");
  fs::remove(dir_ / "prog" / "plotly-gl3d.min.js");
  Create(false);
  EXPECT_EQ(ReadAll(pageDir / "plotly-gl3d.min.js"), "/* kept */");
  EXPECT_EQ(ReadAll(pageDir / "sei3d.html"), expected);
}

TEST_F(SEI3DViewTest, EveryProblemEndsAsItsMemoLinesAndTheRestWorks) {
  // No bundle anywhere: the page stays blank.
  Create(false);
  EXPECT_EQ(Memo(), (std::vector<std::string>{"SEI 3D: plotly-gl3d.min.js not found.",
                                             "WARNING: FPlotlyTempDir empty, navigating blank"}));
  EXPECT_EQ(platform_.browser.url, "about:blank");
  EXPECT_TRUE(view().FPlotlyTempDir.empty());

  // The browser fails to start: the failure text with its code and the profile folder.
  platform_.browser = RecordingWebBrowser{};
  platform_.browser.resultCode = 0x80070002u;
  Create();
  EXPECT_EQ(Memo(), (std::vector<std::string>{"WebView2 init failed: HRESULT=0x80070002", "Possible causes:",
                                             "  1) webview2loader.dll not found next to exe",
                                             "  2) WebView2 Runtime not installed",
                                             "  UserDataFolder: " + (dir_ / "tmp" / "VoltarisWebView2").string()}));
  EXPECT_FALSE(view().FPlotlyReady);
  EXPECT_TRUE(platform_.browser.navigations.empty());
  // ...and a run still fills the profile chart and the memo, without scripts.
  RunOn("TsSine");
  EXPECT_TRUE(view().FSEI3DReady);
  EXPECT_EQ(view().FchSEI3DProf->Series().size(), 2u);
  EXPECT_TRUE(platform_.browser.scripts.empty());
  EXPECT_EQ(view().CapturePng(10), std::nullopt);

  // A display without WebGL: one line, no browser.
  platform_.browser = RecordingWebBrowser{};
  platform_.browser.unavailable = "no WebGL on the \"offscreen\" display platform";
  Create();
  EXPECT_EQ(Memo(), std::vector<std::string>{
                        "SEI 3D: no WebGL on the \"offscreen\" display platform; the surface is not drawn"});
  EXPECT_FALSE(platform_.browser.created);
  f().SetLines("MemoSimStats1", {});  // the run's figures replace the memo...
  RunOn("TsSine");
  EXPECT_EQ(view().FSEI3DHistory.size(), 1u);
  ASSERT_EQ(Memo().size(), 4u);  // ...and the reason follows the view's two lines again
  EXPECT_EQ(Memo()[3], "SEI 3D: no WebGL on the \"offscreen\" display platform; the surface is not drawn");

  // The page folder cannot be made (a file stands in its way).
  platform_.browser = RecordingWebBrowser{};
  fs::remove_all(dir_ / "tmp" / "VoltarisSEI3D");
  WriteAll(dir_ / "tmp" / "VoltarisSEI3D", "a file");
  Create();
  ASSERT_EQ(Memo().size(), 2u);
  EXPECT_EQ(Memo()[0].rfind("Plotly init error: ", 0), 0u) << Memo()[0];
  EXPECT_EQ(Memo()[1], "WARNING: FPlotlyTempDir empty, navigating blank");
}

TEST_F(SEI3DViewTest, TheSurfaceScriptOfAKnownResult) {
  TSEI3DResult r;
  r.X_pos = {0.0, 0.5, 1.0};
  r.T_min = {0.0, 1.25};
  r.Grid = {{1.0, 4.0}, {1.0, 3.0}, {1.0, 2.12345}};  // [position][time]
  r.Metrics.SEI_min_final = 2.12345;
  r.Metrics.SEI_max_final = 4.0;
  r.Metrics.SEI_mean_final = 3.04115;
  r.Metrics.Homogeneity_pct = 74.94;
  r.Metrics.TabRatio = 1.88374;
  r.PatInfo.PatternName = "Rock'n";
  r.Valid = true;
  const std::string tick = "tickfont:{color:\"#aaa\"},titlefont:{color:\"#aaa\"},";
  const std::string back = "backgroundcolor:\"#1a1a1a\",showbackground:true},";
  const std::string expected =
      "Plotly.react(\"plot\",[{type:\"surface\",x:[0.0000,0.5000,1.0000],y:[0.00,1.25],"
      "z:[[1.000,1.000,1.000],[4.000,3.000,2.123]],"
      "colorscale:[[0,\"#0044FF\"],[0.25,\"#00CCFF\"],[0.5,\"#00FF88\"],[0.75,\"#FFCC00\"],[1,\"#FF2200\"]],"
      "cmin:2.123,cmax:4,showscale:true,"
      "colorbar:{title:{text:\"SEI (nm)\",font:{color:\"#ccc\"}},tickfont:{color:\"#ccc\"},x:1.02},"
      "contours:{x:{show:true,color:\"rgba(255,255,255,0.12)\",width:1},"
      "y:{show:true,color:\"rgba(255,255,255,0.12)\",width:1},z:{show:false}},"
      "lighting:{ambient:0.7,diffuse:0.8,specular:0.1,roughness:0.5}}],"
      "{paper_bgcolor:\"#111\",font:{color:\"#ccc\",size:11},"
      "title:{text:'SEI Growth Surface [Rock''n]  Homo=74.9%  Tab*=1.88  Mean=3.0nm  D=1.88nm',"
      "font:{color:\"#ddd\",size:11}},"
      "scene:{bgcolor:\"#1a1a1a\",camera:{eye:{x:1.8,y:-1.6,z:0.7},center:{x:0,y:0,z:-0.1}},"
      "xaxis:{title:\"Electrode Pos (0=Tab)\",gridcolor:\"#2a2a2a\"," + tick + back +
      "yaxis:{title:\"Time (min)\",gridcolor:\"#2a2a2a\"," + tick + back +
      "zaxis:{title:\"SEI (nm)\",gridcolor:\"#2a2a2a\"," + tick + "backgroundcolor:\"#111\",showbackground:true}},"
      "margin:{l:0,r:0,t:36,b:0}},"
      "{responsive:true,displaylogo:false,"
      "modeBarButtonsToRemove:[\"toImage\",\"sendDataToCloud\",\"resetCameraLastSave3d\","
      "\"hoverClosest3d\",\"tableRotation\",\"orbitRotation\"],scrollZoom:true});";
  EXPECT_EQ(TSEI3DView::SurfaceScript(r, {r}), expected);

  // Numbers stay in "." notation whatever the user's decimal separator.
  SetUserDecimalSeparator(',');
  EXPECT_EQ(TSEI3DView::SurfaceScript(r, {r}), expected);
  SetUserDecimalSeparator('.');
}

TEST_F(SEI3DViewTest, TheColourRangeCoversTheHistoryAndIsNeverEmpty) {
  auto result = [](double lo, double hi) {
    TSEI3DResult r;
    r.Metrics.SEI_min_final = lo;
    r.Metrics.SEI_max_final = hi;
    return r;
  };
  struct Case {
    const char* what;
    TSEI3DResult r;
    std::vector<TSEI3DResult> history;
    double lo, hi;
  } cases[] = {
      {"one run", result(2, 4), {result(2, 4)}, 2, 4},
      {"equal thickness everywhere, two runs", result(5, 5), {result(5, 5), result(5, 5)}, 5, 6},
      {"history widens both ends", result(2, 4), {result(1, 3), result(3, 7), result(2, 4)}, 1, 7},
      {"flat run above a flat history", result(3, 3), {result(3, 3.5), result(3, 3)}, 3, 4},
      {"a history below the raised maximum keeps it", result(6, 6), {result(5.5, 6.5), result(6, 6)}, 5.5, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto [lo, hi] = TSEI3DView::ColourRange(c.r, c.history);
    EXPECT_DOUBLE_EQ(lo, c.lo);
    EXPECT_DOUBLE_EQ(hi, c.hi);
  }
}

TEST_F(SEI3DViewTest, SevenRunsKeepTheLastSixWithTheirColoursAndMemoLines) {
  Create();
  const char* pages[] = {"TsSine", "TsSuper", "TsTri", "TsGaussian", "tsCC_CV", "TsTrap", "TsSine"};
  const char* names[] = {"Sine", "Superpulse", "Triangle", "Gaussian", "CC/CV", "HX", "Sine"};
  for (int i = 0; i < 7; ++i) {
    f().SetLines("MemoSimStats1", {});
    RunOn(pages[i], 1.0 + 0.25 * i);
    const TSEI3DResult& r = view().FSEI3DResult;
    ASSERT_TRUE(r.Valid) << r.ErrorMsg;
    const TSEI3DMetrics& m = r.Metrics;
    EXPECT_EQ(Memo(), (std::vector<std::string>{
                          "",
                          Printf("# SEI 3D [%s] Homo=%.1f%%  Tab*=%.2f  Mean=%.1fnm  Max=%.1fnm  D=%.2fnm", names[i],
                                 m.Homogeneity_pct, m.TabRatio, m.SEI_mean_final, m.SEI_max_final,
                                 m.SEI_max_final - m.SEI_min_final),
                          Printf("  b=%.3f  l=%.3f  Ddiff=%.1fnm  HxF=%.2f  GrowthRate=%.3fnm/min", r.Config.Beta_tab,
                                 r.Config.Lambda_tab, r.Config.Delta_diff, r.PatInfo.HxFactor, m.GrowthRate_nm_min)}));
    if (i == 0) {
      EXPECT_EQ(view().FchSEI3DProf->title, "SEI(x) Final Profile  [Sine]   left=Tab end, right=far end");
      EXPECT_FALSE(f().Get("lblSEI3DInfo").Visible());
    }
  }
  ASSERT_EQ(view().FSEI3DHistory.size(), 6u);
  const ChartModel& ch = *view().FchSEI3DProf;
  EXPECT_EQ(ch.title, "SEI(x) Final Profile — 6 patterns compared   left=Tab end, right=far end");
  ASSERT_EQ(ch.Series().size(), 7u);
  for (size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const TSEI3DResult& h = view().FSEI3DHistory[i];
    EXPECT_EQ(h.PatInfo.PatternName, names[i + 1]);  // runs two to seven, oldest first
    const SeriesModel& s = *ch.Series()[i];
    EXPECT_EQ(s.color, TSEI3DView::PROFILE_COLORS[i]);
    EXPECT_EQ(s.width, 2);
    EXPECT_EQ(s.title, Printf("%s  Homo=%.0f%%  D=%.1fnm", names[i + 1], h.Metrics.Homogeneity_pct,
                              h.Metrics.SEI_max_final - h.Metrics.SEI_min_final));
    ASSERT_EQ(s.Count(), 24u);
    EXPECT_EQ(s.X(0), 0.0);
    EXPECT_EQ(s.X(23), 1.0);
    EXPECT_EQ(s.Ys(), SEI3DGetSpatialFinal(h));
  }
  const SeriesModel& mean = *ch.Series()[6];
  const double newestMean = view().FSEI3DHistory.back().Metrics.SEI_mean_final;
  EXPECT_EQ(mean.style, LineStyle::Dash);
  EXPECT_EQ(mean.color, (Rgb{0x80, 0x80, 0x80}));
  EXPECT_EQ(mean.width, 1);
  EXPECT_EQ(mean.title, Printf("Mean %.1fnm", newestMean));
  EXPECT_EQ(mean.Xs(), (std::vector<double>{0.0, 1.0}));
  EXPECT_EQ(mean.Ys(), (std::vector<double>{newestMean, newestMean}));
  // Left axis: the highest profile value x 1.1 and the lowest x 0.88.
  double hi = 0, lo = 1e9;
  for (const auto& h : view().FSEI3DHistory)
    for (double v : SEI3DGetSpatialFinal(h)) hi = std::max(hi, v), lo = std::min(lo, v);
  EXPECT_FALSE(ch.left.automatic);
  EXPECT_DOUBLE_EQ(ch.left.maximum, hi * 1.1);
  EXPECT_DOUBLE_EQ(ch.left.minimum, lo * 0.88);
  EXPECT_EQ(ch.bottom.title, "Electrode Position  (0 = Tab)");
  EXPECT_FALSE(ch.bottom.automatic);
  EXPECT_EQ(ch.bottom.maximum, 1.0);

  // The surface's colour range spans the whole history.
  const std::string& last = platform_.browser.scripts.back();
  const auto [cmin, cmax] = TSEI3DView::ColourRange(view().FSEI3DResult, view().FSEI3DHistory);
  EXPECT_NE(last.find(",cmin:" + FormatFloat("0.###", cmin, '.') + ",cmax:" + FormatFloat("0.###", cmax, '.') + ","),
            std::string::npos);
}

TEST_F(SEI3DViewTest, TheTimeAxisShowsTheRunsMinutesWhateverTheCurrentsRate) {
  Create();
  for (double fs : {1.0, 10.0, 20.0}) {
    SCOPED_TRACE(fs);
    DefaultChem_LFP(form_->FChemP);
    form_->FCurrSim.assign(static_cast<size_t>(1200 * fs), 2.0);  // 20 minutes
    form_->FCurrSimFs = fs;
    view().UpdateSEI3DPage();
    ASSERT_TRUE(view().FSEI3DReady);
    EXPECT_DOUBLE_EQ(view().FSEI3DResult.T_min.back(), 20.0);
  }
}

TEST_F(SEI3DViewTest, PatternInformationByPage) {
  Create();
  struct Case {
    const char* page;
    const char* name;
    double hx;
  } cases[] = {{"TsSine", "Sine", 0.45},         {"TsSuper", "Superpulse", 0.7}, {"TsTri", "Triangle", 0.55},
               {"TsGaussian", "Gaussian", 0.8},  {"tsCC_CV", "CC/CV", 0.0},      {"TsTrap", "HX", 0.35},
               {"TsBezier", "HX", 0.35},         {"TsCustom", "HX", 0.35}};
  form_->FCurrSim = {1.0, -3.0, 1.0, 1.0};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    f().SetActivePage("PcParams", c.page);
    const TSEI3DPatternInfo info = view().BuildPatternInfoForSEI3D();
    EXPECT_EQ(info.PatternName, c.name);
    EXPECT_EQ(info.HxFactor, c.hx);
    EXPECT_DOUBLE_EQ(info.I_rms, std::sqrt(12.0 / 4));
    EXPECT_EQ(info.I_peak, 3.0);
    EXPECT_EQ(info.ChemName, form_->GChem ? form_->GChem->FChemistry : "");
  }
  f().SetActivePage("PcParams", "TsSine");
  f().SetText("EdSineF", "7.5");
  EXPECT_EQ(view().BuildPatternInfoForSEI3D().Freq_Hz, 7.5);
  // Without samples, both currents are the maximum-current entry (2 when unreadable).
  form_->FCurrSim.clear();
  f().SetText("EdSineMax", "3.5");
  EXPECT_EQ(view().BuildPatternInfoForSEI3D().I_rms, 3.5);
  f().SetText("EdSineMax", "x");
  EXPECT_EQ(view().BuildPatternInfoForSEI3D().I_peak, 2.0);
}

TEST_F(SEI3DViewTest, ARunComputedWhileThePageLoadsReachesItWhenTheTimerFires) {
  Create();
  RunOn("TsSine");
  ASSERT_EQ(SurfaceScripts(), 1u);  // sent at once (and lost if the page was still loading)
  const std::string sent = platform_.browser.scripts.back();
  view().AdvanceEdge3DTimer(1499);
  EXPECT_EQ(SurfaceScripts(), 1u);
  view().AdvanceEdge3DTimer(1);  // 1500 ms after the browser's start
  ASSERT_EQ(SurfaceScripts(), 2u);
  EXPECT_EQ(platform_.browser.scripts.back(), sent);
  EXPECT_FALSE(view().Edge3DTimerEnabled());
  view().AdvanceEdge3DTimer(5000);  // one shot
  EXPECT_EQ(SurfaceScripts(), 2u);

  // The CLI's play-timer ticks drive the timer too: 50 ticks of 30 ms.
  Create();
  HeadlessHost host(*form_, platform_);
  ScriptRunner runner(*form_, platform_, host);
  const size_t before = SurfaceScripts();
  RunOn("TsSuper");
  ASSERT_EQ(SurfaceScripts(), before + 1);
  ASSERT_EQ(runner.RunText("tick 49\nwait-web 2000\n"), 0);  // wait-web: nothing headless
  EXPECT_EQ(SurfaceScripts(), before + 1);
  ASSERT_EQ(runner.RunText("tick 1\n"), 0);
  EXPECT_EQ(SurfaceScripts(), before + 2);
  const Json dump = runner.Dump(false);
  EXPECT_EQ(dump["web"]["url"], platform_.browser.url);
  EXPECT_EQ(dump["web"]["scripts"].size(), platform_.browser.scripts.size());
  EXPECT_EQ(dump["charts"]["FchSEI3DProf"]["series"].size(), 2u);
  ASSERT_EQ(runner.RunText("page FMidPageCtrl FTsSEI3D\n"), 0);
  EXPECT_EQ(f().Get("FMidPageCtrl").ActivePage(), "FTsSEI3D");
  EXPECT_EQ(SurfaceScripts(), before + 3);  // showing the tab redraws the surface at its size
  ASSERT_EQ(runner.RunText("page FMidPageCtrl FTsSim\n"), 0);
  EXPECT_EQ(SurfaceScripts(), before + 3);
}

TEST_F(SEI3DViewTest, ClearingShowsThePlaceholdersAndResetForgetsTheHistory) {
  Create();
  RunOn("TsSine");
  RunOn("TsTri");
  auto placeholder = [](const std::string& title) {
    return "Plotly.react(\"plot\",[{type:\"surface\",x:[0],y:[0],z:[[5]],showscale:false}],"
           "{paper_bgcolor:\"#111\",title:{text:\"" + title + "\",font:{color:\"#666\",size:12}},"
           "scene:{bgcolor:\"#1a1a1a\",xaxis:{gridcolor:\"#333\",tickfont:{color:\"#aaa\"}},"
           "yaxis:{gridcolor:\"#333\",tickfont:{color:\"#aaa\"}},zaxis:{gridcolor:\"#333\",tickfont:{color:\"#aaa\"}}},"
           "margin:{l:0,r:0,t:40,b:0}},{responsive:true,displaylogo:false});";
  };
  view().ClearForNewRun();
  EXPECT_EQ(platform_.browser.scripts.back(), placeholder("Running simulation..."));
  EXPECT_FALSE(view().FSEI3DReady);
  EXPECT_EQ(view().FSEI3DHistory.size(), 2u);
  EXPECT_TRUE(f().Get("lblSEI3DInfo").Visible());
  view().AdvanceEdge3DTimer(2000);  // not ready: the timer sends nothing
  EXPECT_EQ(platform_.browser.scripts.back(), placeholder("Running simulation..."));

  view().ResetMemory();
  EXPECT_EQ(platform_.browser.scripts.back(), placeholder("Run simulation to see SEI 3D surface"));
  EXPECT_TRUE(view().FSEI3DHistory.empty());
  const ChartModel& ch = *view().FchSEI3DProf;
  EXPECT_TRUE(ch.Series().empty());
  EXPECT_TRUE(ch.left.automatic);
  EXPECT_EQ(ch.title, "SEI(x) Final Profile — pattern comparison");

  // Without a loaded page nothing is sent.
  platform_.browser = RecordingWebBrowser{};
  fs::remove_all(dir_ / "tmp" / "VoltarisSEI3D");
  fs::remove(dir_ / "prog" / "plotly-gl3d.min.js");
  Create(false);
  const size_t n = platform_.browser.scripts.size();
  view().ClearForNewRun();
  view().ResetMemory();
  EXPECT_EQ(platform_.browser.scripts.size(), n);
}

TEST_F(SEI3DViewTest, TheCaptureReturnsThePngThePagePosts) {
  Create();
  // Nothing to capture before a run.
  EXPECT_EQ(view().CapturePng(10), std::nullopt);
  RunOn("TsSine");

  platform_.browser.onScript = [this](const std::string& script) {
    if (script == TSEI3DView::kCaptureScript) platform_.browser.PostMessage("\"data:image/png;base64," + kPngBase64 + "\"");
  };
  EXPECT_EQ(view().CapturePng(1000), kPng);
  EXPECT_EQ(platform_.browser.scripts.back(),
            "Plotly.toImage(document.getElementById(\"plot\"),{format:\"png\",width:1100,height:550})"
            ".then(function(url){window.chrome.webview.postMessage(url);});");
  EXPECT_FALSE(view().FPdfPendingExport);

  // The page never answers: nothing, after the time-out (not forever).
  platform_.browser.onScript = {};
  EXPECT_EQ(view().CapturePng(30), std::nullopt);
  EXPECT_FALSE(view().FPdfPendingExport);
  // A message that arrives when no capture waits is ignored.
  platform_.browser.PostMessage("\"data:image/png;base64," + kPngBase64 + "\"");
  EXPECT_EQ(view().CapturePng(0), std::nullopt);

  // Bad answers give nothing.
  for (const char* answer : {"\"data:image/png;base64,@@@\"", "\"data:image/png;base64,aGVsbG8=\"", "\"\"", "null"}) {
    SCOPED_TRACE(answer);
    platform_.browser.onScript = [this, answer](const std::string&) { platform_.browser.PostMessage(answer); };
    EXPECT_EQ(view().CapturePng(1000), std::nullopt);
  }
  // The data part follows the first comma; a text without one is taken whole.
  EXPECT_EQ(TSEI3DView::DecodeCapturedPng(kPngBase64), kPng);
  EXPECT_EQ(TSEI3DView::DecodeCapturedPng("\"" + kPngBase64 + "\""), kPng);
}

TEST(Base64Test, DecodesPaddedUnpaddedAndWrappedText) {
  struct Case {
    const char* text;
    std::optional<std::string> bytes;
  } cases[] = {
      {"", std::string()},
      {"TQ==", std::string("M")},
      {"TWE=", std::string("Ma")},
      {"TWFu", std::string("Man")},
      {"TQ", std::string("M")},                  // padding left out
      {"TW\r\nFu\n", std::string("Man")},        // wrapped lines
      {"+/8=", std::string("\xfb\xff", 2)},      // the last two symbols
      {"TWFu=", std::nullopt},                   // padding where none belongs
      {"T", std::nullopt},                       // a single symbol carries no byte
      {"TQ==TQ==", std::nullopt},                // data after the padding
      {"TQ===", std::nullopt},
      {"TW-u", std::nullopt},                    // not of the alphabet
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DecodeBase64(c.text), c.bytes);
  }
}

}  // namespace
}  // namespace voltaris
