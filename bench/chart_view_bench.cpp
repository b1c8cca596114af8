// Drawing the window's charts with Qt Charts on the offscreen platform: the live charts
// (current, voltage, SEI and the whole-run chart beside them) synced from a full sample
// ring and painted, one window tick of a run with its charts, and one keystroke of the
// reference preview. Budgets: 6 ms for a redraw of the live charts, 3 ms for an average
// window tick, one 60 Hz frame (16.7 ms) for a preview keystroke.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_workspace.h"
#include "chart_view.h"
#include "form/recording_platform.h"
#include "run/sample_ring.h"
#include "window/form_preview.h"

namespace {

using voltaris::RecordingPlatform;
using voltaris::TFormPreview;
using voltaris::TSampleRing;
using voltaris::ui::ChartView;

// One application for the whole binary, on the offscreen platform; never destroyed, so the
// chart views of every benchmark outlive nothing they need.
void EnsureApplication() {
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "voltaris_bench";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  (void)app;
}

// Chart sizes as the window lays them out at 1920x1080.
struct ChartSize {
  const char* name;
  int width, height;
};
constexpr std::array<ChartSize, 4> kLiveCharts{{{"chSim", 1080, 235}, {"chI", 1080, 235}, {"chV", 1080, 180}, {"chSEI", 1080, 230}}};

// Views of some charts of a window, each painted into an image of its own size.
class ChartPainter {
 public:
  ChartPainter(TFormPreview& form, const std::vector<ChartSize>& charts) {
    for (const ChartSize& c : charts) {
      auto view = std::make_unique<ChartView>(form.Form().Chart(c.name), form.Form());
      view->setAttribute(Qt::WA_DontShowOnScreen, true);
      view->resize(c.width, c.height);
      view->show();
      view->SyncFromModel(true);
      images_.emplace_back(c.width, c.height, QImage::Format_ARGB32_Premultiplied);
      views_.push_back(std::move(view));
    }
    QCoreApplication::processEvents();
  }
  // Brings every view up to date and paints those whose chart changed (as the window's
  // tick does); returns the number painted.
  int SyncAndPaint(bool paintAll = false) {
    int painted = 0;
    for (size_t i = 0; i < views_.size(); ++i) {
      ChartView& v = *views_[i];
      const uint64_t before = v.Model().Signature();
      v.SyncFromModel();
      if (!paintAll && before == last_[v.Model().Name()]) continue;
      last_[v.Model().Name()] = v.Model().Signature();
      QPainter p(&images_[i]);
      v.render(&p);
      ++painted;
    }
    return painted;
  }

 private:
  std::vector<std::unique_ptr<ChartView>> views_;
  std::vector<QImage> images_;
  std::map<std::string, uint64_t> last_;
};

// A window whose ring holds a full 30-minute run at a 1 ms step (sine current, cell
// voltage) and whose SEI result covers it.
struct FullRingWindow {
  RecordingPlatform platform;
  TFormPreview form{platform};
  double t = 0;
  FullRingWindow() {
    form.FormCreate();
    form.EnsureSeries();
    form.DrawSimSnapshotOnChSim();  // the whole-run chart as at Start (it refills the ring)
    constexpr double dt = 0.001;
    form.FRing.RingInit(TSampleRing::CapacityForStep(dt));
    const int n = form.FRing.FRingCap();
    for (int k = 0; k < n; ++k) Push(dt);
    form.FChemFs = 10.0;
    form.FSimOut.SEI_nm.resize(static_cast<size_t>(3600 * form.FChemFs));
    for (size_t i = 0; i < form.FSimOut.SEI_nm.size(); ++i)
      form.FSimOut.SEI_nm[i] = 2.0 + 5.0 * std::sqrt(static_cast<double>(i) / form.FChemFs / 3600.0);
  }
  void Push(double dt) {
    const double i = 2.5 + 2.0 * std::sin(2 * M_PI * 0.5 * t);
    form.FRing.RingPush(t, i, 3.2 + 0.05 * i);
    t += dt;
  }
};

// The live charts redrawn from the ring after one tick's samples (speed 150 at 1 ms):
// the model's window plus syncing the views and painting those that changed, as the
// window does (the whole-run chart keeps its picture); with `all`, every chart painted.
void LiveChartsRedraw(benchmark::State& state, bool all) {
  EnsureApplication();
  FullRingWindow w;
  ChartPainter painter(w.form, {kLiveCharts.begin(), kLiveCharts.end()});
  painter.SyncAndPaint(true);
  int painted = 0;
  for (auto _ : state) {
    for (int k = 0; k < 4500; ++k) w.Push(0.001);
    w.form.AddWindowToCharts_FromRing();
    painted = painter.SyncAndPaint(all);
  }
  state.counters["charts painted"] = painted;
}
void BM_LiveChartsRedraw(benchmark::State& state) { LiveChartsRedraw(state, false); }
void BM_LiveChartsRedrawPaintAll(benchmark::State& state) { LiveChartsRedraw(state, true); }
BENCHMARK(BM_LiveChartsRedraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiveChartsRedrawPaintAll)->Unit(benchmark::kMillisecond);

// The model's part alone, for comparison: the window of the ring reduced to buckets.
void BM_LiveChartsModelOnly(benchmark::State& state) {
  EnsureApplication();
  FullRingWindow w;
  for (auto _ : state) {
    for (int k = 0; k < 4500; ++k) w.Push(0.001);
    w.form.AddWindowToCharts_FromRing();
    benchmark::DoNotOptimize(w.form.FSerI->Count());
  }
}
BENCHMARK(BM_LiveChartsModelOnly)->Unit(benchmark::kMillisecond);

// One 30 ms tick of a run at speed 150 with its charts, as the window's timer does it:
// the live steps, a chart redraw every 100 ms of wall time, and every changed chart painted.
void BM_WindowTick(benchmark::State& state, const char* page) {
  EnsureApplication();
  RecordingPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  auto& f = form.Form();
  f.SetText("edtFs", "1");
  f.SetActivePage("PcParams", page);
  f.UserSetPosition("tbSpeed", 150);
  ChartPainter painter(form, {kLiveCharts.begin(), kLiveCharts.end()});
  f.UserClick("btnStart");
  painter.SyncAndPaint(true);
  for (auto _ : state) {
    if (!form.IsPlaying()) {
      state.PauseTiming();
      f.UserClick("btnStart");
      painter.SyncAndPaint(true);
      state.ResumeTiming();
    }
    platform.AdvanceClock(TFormPreview::kPlayIntervalMs);
    form.PlayTimerTick();
    benchmark::DoNotOptimize(painter.SyncAndPaint());
  }
}
BENCHMARK_CAPTURE(BM_WindowTick, Sine, "TsSine")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WindowTick, CcCv, "tsCC_CV")->Unit(benchmark::kMillisecond);

// One keystroke in the sine amplitude: the reference preview is rebuilt and painted.
void BM_PreviewKeystroke(benchmark::State& state) {
  EnsureApplication();
  RecordingPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  auto& f = form.Form();
  f.UserSetPage("PcParams", "TsSine");
  ChartPainter painter(form, {{"chWave", 410, 120}});
  int k = 0;
  for (auto _ : state) {
    f.UserSetText("EdSineMax", (k++ % 2) ? "2.5" : "2.75");
    benchmark::DoNotOptimize(painter.SyncAndPaint());
  }
}
BENCHMARK(BM_PreviewKeystroke)->Unit(benchmark::kMillisecond);

}  // namespace
