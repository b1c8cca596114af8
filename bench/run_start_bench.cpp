// One complete Start: session and documents, the reference wave of the hour, the batch SEI
// half over the decimated chemistry wave, the whole-run snapshot on the simulation chart
// and the start of the live half. At the layout's inputs (1000 ms response: a 1 Hz wave of
// 3600 samples) and at a 1 ms response (a 1 kHz wave of 3.6 million samples, decimated to
// 36000 at 10 Hz).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "../tests/core/layout_values.h"
#include "bench_workspace.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace {

using voltaris::RecordingPlatform;
using voltaris::TFormPreview;


void BM_RunStart(benchmark::State& state, const char* page, const char* responseMs) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  auto& f = form.Form();
  voltaris::RestoreLayoutValues(f);
  f.SetText("edtFs", responseMs);
  f.SetActivePage("PcParams", page);
  for (auto _ : state) {
    f.UserClick("btnStart");
    if (!form.FIsRunning) state.SkipWithError("the run did not start");
  }
  state.counters["wave"] = static_cast<double>(form.FWave.size());
  state.counters["chemWave"] = static_cast<double>(form.FChemWave.size());
}

// Every Start with another formation time: the reference wave is described afresh and its
// mean worked out each time (the first Start after an edit of the pattern or the time base),
// on every pattern page.
void BM_RunStartNewWave(benchmark::State& state, const char* page, const char* responseMs) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  auto& f = form.Form();
  voltaris::RestoreLayoutValues(f);
  f.SetText("edtFs", responseMs);
  f.SetActivePage("PcParams", page);
  bool odd = false;
  for (auto _ : state) {
    f.SetText("EdTotalMs", (odd = !odd) ? "60" : "59.99");
    f.UserClick("btnStart");
    if (!form.FIsRunning) state.SkipWithError("the run did not start");
  }
  state.counters["wave"] = static_cast<double>(form.FWave.size());
}
BENCHMARK_CAPTURE(BM_RunStartNewWave, CcCv1ms, "tsCC_CV", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Sine1ms, "TsSine", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Super1ms, "TsSuper", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Tang1ms, "TsTang", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Parab1ms, "TsParab", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Bezier1ms, "TsBezier", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Tri1ms, "TsTri", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Trap1ms, "TsTrap", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Sigmoid1ms, "TsSigmoid", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Gaussian1ms, "TsGaussian", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Damped1ms, "TsDamped", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Exp1ms, "TsExp", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStartNewWave, Lut1ms, "TsCustom", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStart, CcCvDefault, "tsCC_CV", "1000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStart, SineDefault, "TsSine", "1000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStart, CcCv1ms, "tsCC_CV", "1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunStart, Sine1ms, "TsSine", "1")->Unit(benchmark::kMillisecond);

}  // namespace
