// A complete calibration (27 headless runs) and one headless run, at the inputs the user
// starts from (CC_CV page, 60 min) with a 1 ms response time: a 1 kHz reference wave of
// 3.6 million samples per CC level, decimated to 36000 at 10 Hz, and 3.6 million live steps
// per run until the runtime cell model has finished its charge. The calibration is measured
// with the reuse between its runs and without it (every run rebuilds everything), so the
// gain of the reuse and what bounds the rest can be read side by side.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "../tests/core/layout_values.h"
#include "bench_workspace.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace {

using voltaris::RecordingPlatform;
using voltaris::TFormPreview;

void Prepare(TFormPreview& form, const char* page, const char* responseMs) {
  form.FormCreate();
  auto& f = form.Form();
  voltaris::RestoreLayoutValues(f);
  f.SetText("edtFs", responseMs);
  f.SetActivePage("PcParams", page);
}

void BM_Calibration(benchmark::State& state, const char* page, bool reuse) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  Prepare(form, page, "1");
  form.calibration.reuseBetweenRuns = reuse;
  const int buildsBefore = form.FWaveCache.Builds();
  for (auto _ : state) {
    form.Form().UserClick("btnRunCalibration");
    if (!platform.messages.empty()) state.SkipWithError(platform.messages.front().text.c_str());
  }
  // Reference waves made per calibration.
  state.counters["waves"] = static_cast<double>(form.FWaveCache.Builds() - buildsBefore) /
                            static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["xTarget_nm"] = form.FChemP.xTarget_nm;
}
BENCHMARK_CAPTURE(BM_Calibration, CcCv1ms, "tsCC_CV", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Calibration, CcCv1msRebuildEveryRun, "tsCC_CV", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Calibration, Sine1ms, "TsSine", true)->Unit(benchmark::kMillisecond);

// One headless run that rebuilds everything (as the first run of a CC level does), and one
// that finds its level's reference wave kept in the window's wave cache (as the later runs do).
void BM_RunHeadlessOnce(benchmark::State& state, const char* page, bool reuse) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  Prepare(form, page, "1");
  form.calibration.FCalibCC_A = 2.5;
  form.calibration.reuseBetweenRuns = reuse;
  form.RunHeadlessOnce();
  for (auto _ : state) form.RunHeadlessOnce();
  state.counters["liveSteps"] = form.FSimT / form.FDtSim;
}
BENCHMARK_CAPTURE(BM_RunHeadlessOnce, CcCv1msRebuild, "tsCC_CV", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunHeadlessOnce, CcCv1msReused, "tsCC_CV", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunHeadlessOnce, Sine1msRebuild, "TsSine", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunHeadlessOnce, Sine1msReused, "TsSine", true)->Unit(benchmark::kMillisecond);

}  // namespace
