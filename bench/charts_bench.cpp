// The whole-run snapshot on chSim is drawn at every run start, before the timer runs:
// 25 000 points of set-point current and cell voltage (or runtime CC-CV steps), the ring
// refill and the first live window. One hour at 1000 points per second hits the limit.
#include <benchmark/benchmark.h>

#include "bench_workspace.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace {

using voltaris::RecordingPlatform;
using voltaris::TFormPreview;

void Snapshot(benchmark::State& state, const char* page) {
  RecordingPlatform platform;
  TFormPreview form{platform};
  form.Form().SetActivePage("PcParams", page);
  form.Form().SetText("edtFs", "1000");
  form.FRunParams.Qn_Ah = 2.0;
  form.FRunParams.Rtot = 0.05;
  form.FRunParams.Vmax = 3.65;
  form.FRunParams.Icut = 0.05;
  form.FRunParams.SoC0 = 0.1;
  form.FRunParams.OCVTable = {{0.0, 3.0}, {0.5, 3.3}, {1.0, 3.6}};
  form.FTotalSecs = 3600;
  for (auto _ : state) {
    form.DrawSimSnapshotOnChSim();
    benchmark::DoNotOptimize(form.FSerSimI->Ys().data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(form.FSerSimI->Count()));
}

void BM_SimSnapshotSine(benchmark::State& state) { Snapshot(state, "TsSine"); }
void BM_SimSnapshotSuperpulse(benchmark::State& state) { Snapshot(state, "TsSuper"); }
void BM_SimSnapshotCcCv(benchmark::State& state) { Snapshot(state, "tsCC_CV"); }

}  // namespace

BENCHMARK(BM_SimSnapshotSine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimSnapshotSuperpulse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimSnapshotCcCv)->Unit(benchmark::kMillisecond);
