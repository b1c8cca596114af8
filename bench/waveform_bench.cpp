// The pattern value is evaluated once per simulation step (thousands of times per
// 30 ms tick at high speed factors); the reference preview is recomputed on every
// keystroke in a pattern edit and may hold 199 000 points.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_workspace.h"
#include "form/recording_platform.h"
#include "waveform/pattern_kind.h"
#include "window/form_preview.h"

namespace {

using voltaris::PatternTabs;
using voltaris::TPatternKind;

// The pattern value the set-point asks for on each tab, as the run evaluates it: the
// sine and the Custom LUT are formed from their readers, every other kind by
// ActivePatternRaw (the CC_CV tab without its set-point law returns at once).
void BM_ActivePatternRaw(benchmark::State& state) {
  voltaris::RecordingPlatform platform;
  voltaris::TFormPreview window(platform);
  window.FormCreate();
  const auto& tab = PatternTabs()[static_cast<size_t>(state.range(0))];
  window.Form().SetActivePage("PcParams", std::string(tab.page));
  auto& shapes = window.waveform.shapes;
  shapes.SetChemTable({0, 0.15, 0.5, 0.85, 1}, 200, 2, 5);
  double t = 0.0;
  for (auto _ : state) {
    t += 0.000137;
    double v;
    if (tab.kind == TPatternKind::Sine) {
      double lo, hi, f;
      shapes.GetSineParamsFromUI(lo, hi, f);
      v = voltaris::SineAt(lo, hi, f, t);
    } else if (tab.kind == TPatternKind::CustomLut) {
      v = shapes.ChemLutAtTime(t);
    } else {
      v = shapes.ActivePatternRaw(t);
    }
    benchmark::DoNotOptimize(v);
  }
  state.SetLabel(std::string(tab.page));
}
BENCHMARK(BM_ActivePatternRaw)->DenseRange(0, 12);

// One preview redraw of 199 000 points (a pattern period of 150 s), model side only.
void BM_PreviewRedraw199k(benchmark::State& state) {
  voltaris::RecordingPlatform platform;
  voltaris::TFormPreview window(platform);
  window.FormCreate();
  window.waveform.preview.EnsureWaveSeries();
  auto& form = window.Form();
  const auto kind = static_cast<TPatternKind>(state.range(0));
  const auto& tab = *voltaris::PatternTabOf(kind);
  form.SetActivePage("PcParams", std::string(tab.page));
  switch (kind) {
    case TPatternKind::Parabola:
      form.SetText("EdParaDur", "150000");
      break;
    case TPatternKind::Bezier:
      form.SetText("EdBezDur", "150000");
      break;
    case TPatternKind::Superpulse:
      form.SetText("EdBase", "149830");
      break;
    default:
      break;
  }
  const auto* series = form.Chart("chWave").FindSeries("FSerWaveRef");
  for (auto _ : state) {
    window.waveform.preview.DrawReferenceWave();
    benchmark::DoNotOptimize(series->Count());
  }
  if (series->Count() != 199000) state.SkipWithError("the preview does not hold 199 000 points");
  state.SetLabel(std::string(tab.page));
}
BENCHMARK(BM_PreviewRedraw199k)
    ->Arg(static_cast<int>(TPatternKind::Parabola))
    ->Arg(static_cast<int>(TPatternKind::Superpulse))
    ->Arg(static_cast<int>(TPatternKind::Bezier))
    ->Unit(benchmark::kMillisecond);

}  // namespace
