// One 30 ms play tick at speed 150 with a 1 ms response time: 4500 live steps plus the
// chart window. Budget: 3 ms per tick (a tenth of the tick).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "bench_workspace.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace {

using voltaris::RecordingPlatform;
using voltaris::TFormPreview;


void BM_PlayTick(benchmark::State& state, const char* page) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  auto& f = form.Form();
  f.SetText("edtFs", "1");
  f.SetText("edtIStep", "0,1.2; 5,2; 15,2.6; 30,3.2;");
  f.SetChecked("chkIRamp", true);
  f.SetChecked("chkVRamp", true);
  f.SetActivePage("PcParams", page);
  f.UserSetPosition("tbSpeed", 150);
  f.UserClick("btnStart");
  for (auto _ : state) {
    if (!form.IsPlaying()) {
      state.PauseTiming();
      f.UserClick("btnStart");
      state.ResumeTiming();
    }
    platform.AdvanceClock(30);
    form.PlayTimerTick();
  }
  state.counters["steps/tick"] = 4500;
}
BENCHMARK_CAPTURE(BM_PlayTick, Superpulse, "TsSuper")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlayTick, Sine, "TsSine")->Unit(benchmark::kMillisecond);

}  // namespace
