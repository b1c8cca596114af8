// The live simulation step against a standalone loop doing the same arithmetic (budget:
// 1.5 x), per page; the step with 1 to 64 current-step entries (budget: flat); and the
// Bezier preview with 4 to 50 control points (budget: 10 ms for 199 000 points).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "../tests/core/layout_values.h"
#include "bench_workspace.h"
#include "chemistry/chem_params.h"
#include "form/recording_platform.h"
#include "run/runtime_cell.h"
#include "window/form_preview.h"

namespace {

using voltaris::RecordingPlatform;
using voltaris::TFormPreview;

constexpr int kStepsPerIteration = 4000;  // one StepSim chunk

// A value the compiler cannot fold into the loop (the step reads it from an edit).
double Opaque(double v) {
  volatile double held = v;
  return held;
}

// A started run at a 1 ms step on `page`, its timer left alone: the benchmark steps it.
void StartRun(TFormPreview& form, const char* page, bool stepsAndRamps) {
  form.FormCreate();
  auto& f = form.Form();
  voltaris::RestoreLayoutValues(f);
  f.SetActivePage("PcParams", page);
  f.SetText("edtFs", "1");
  if (!stepsAndRamps) {
    f.SetText("edtIStep", "");
    f.SetChecked("chkIRamp", false);
    f.SetChecked("chkVRamp", false);
  }
  f.UserClick("btnStart");
  form.SetPlayTimerEnabled(false);
}

// Steps on, wrapping round to the start of the run before its end.
void StepOn(benchmark::State& state, TFormPreview& form, double jumpS = 0.0) {
  for (auto _ : state) {
    form.StepSim(kStepsPerIteration);
    form.FSimT += jumpS;
    if (form.FSimT > form.FTotalSecs - 60.0) {
      state.PauseTiming();
      form.ResetSimState();
      form.FRunState = voltaris::RuntimeFreshState(form.FRunParams);
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations() * kStepsPerIteration);
}

// ---- Sine page: sine set-point, slew, clamps, first-order lag, OCV, state of charge, ring ----

void BM_StepSimSine(benchmark::State& state) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  StartRun(form, "TsSine", false);
  form.FLive.plainReads = state.range(0) != 0;
  StepOn(state, form);
  state.SetLabel(state.range(0) != 0 ? "plain reads" : "resolved");
}
BENCHMARK(BM_StepSimSine)->Arg(0)->Arg(1);

void BM_PlainLoopStepSine(benchmark::State& state) {
  voltaris::TChemParams chem;
  voltaris::DefaultChem_LFP(chem);
  const double mid = Opaque(1.2), amp = Opaque(0.8), w = 2.0 * std::numbers::pi * Opaque(5);
  const double respMs = Opaque(1), lo = Opaque(0), hi = Opaque(10), r = Opaque(0.01) + Opaque(18) / 1000.0;
  const double dt = Opaque(0.001), alpha = Opaque(0.5), qn = chem.Qn_Ah, vmin = chem.Vmin;
  const int cap = 1'800'000;
  std::vector<double> ringT(cap), ringI(cap), ringV(cap);
  int head = 0, count = 0;
  double simT = 0, iout = 0, prev = 0, prevT = 0, soc = 0.05;
  bool init = false;
  for (auto _ : state) {
    for (int n = 0; n < kStepsPerIteration; ++n) {
      const double t = simT;
      double I = mid + amp * std::sin(w * t);
      const double tau = respMs / 1000.0;
      if (!init) {
        prev = I;
        prevT = t;
        init = true;
      } else {
        const double d = std::clamp(t - prevT, 0.0, 1.0);
        prev += std::min(d / std::max(tau, 1e-6), 1.0) * (I - prev);
        prevT = t;
      }
      I = prev;
      if (lo > I) I = lo;
      else if (hi < I) I = hi;
      iout += alpha * (I - iout);
      double v = voltaris::InterpOCV(chem.OCV, soc) + iout * r;
      if (vmin > 0.5) v = std::max(v, 0.95 * vmin);
      ringT[static_cast<size_t>(head)] = t;
      ringI[static_cast<size_t>(head)] = iout;
      ringV[static_cast<size_t>(head)] = v;
      if (++head == cap) head = 0;
      if (count < cap) ++count;
      soc = std::clamp(soc + iout * dt / (qn * 3600.0), 0.0, 1.0);
      simT += dt;
    }
    if (simT > 3500) simT = 0;
    benchmark::DoNotOptimize(ringV.data());
  }
  state.SetItemsProcessed(state.iterations() * kStepsPerIteration);
}
BENCHMARK(BM_PlainLoopStepSine);

// ---- CC_CV page: the runtime cell model (CC law, OCV, state of charge) and the ring ----

void BM_StepSimCcCv(benchmark::State& state) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  StartRun(form, "tsCC_CV", false);
  form.FLive.plainReads = state.range(0) != 0;
  // A cell large enough that the charge stays in its CC phase through the benchmark.
  form.FRunParams.Qn_Ah = 1e6;
  form.FRunState = voltaris::RuntimeFreshState(form.FRunParams);
  StepOn(state, form);
  state.SetLabel(state.range(0) != 0 ? "plain reads" : "resolved");
}
BENCHMARK(BM_StepSimCcCv)->Arg(0)->Arg(1);

void BM_PlainLoopStepCcCv(benchmark::State& state) {
  voltaris::TRuntimeParams p;
  p.Qn_Ah = Opaque(1e6);
  p.Rtot = Opaque(0.015);
  p.Vmax = Opaque(3.65);
  p.Icc = Opaque(2.5);
  p.OCVTable = {{0.0, 3.0}, {0.05, 3.2}, {0.2, 3.3}, {0.5, 3.32}, {0.8, 3.35}, {0.95, 3.4}, {1.0, 3.6}};
  const double dt = Opaque(0.001);
  const int cap = 1'800'000;
  std::vector<double> ringT(cap), ringI(cap), ringV(cap);
  int head = 0, count = 0;
  double simT = 0, soc = 0.1;
  for (auto _ : state) {
    for (int n = 0; n < kStepsPerIteration; ++n) {
      const double ocv = voltaris::InterpOCV(p.OCVTable, soc);
      const double I = p.Icc;
      const double v = ocv + I * p.Rtot;
      if (v >= p.Vmax) benchmark::DoNotOptimize(v);
      soc = std::clamp(soc + I * dt / (p.Qn_Ah * 3600), 0.0, 1.0);
      ringT[static_cast<size_t>(head)] = simT;
      ringI[static_cast<size_t>(head)] = I;
      ringV[static_cast<size_t>(head)] = v;
      if (++head == cap) head = 0;
      if (count < cap) ++count;
      simT += dt;
    }
    benchmark::DoNotOptimize(ringV.data());
  }
  state.SetItemsProcessed(state.iterations() * kStepsPerIteration);
}
BENCHMARK(BM_PlainLoopStepCcCv);

// ---- Current steps: N entries spread over the hour, the step sampled along the whole run ----

void BM_StepSimCurrentSteps(benchmark::State& state) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  StartRun(form, "TsSine", false);
  const int n = static_cast<int>(state.range(0));
  std::string text;
  for (int i = 0; i < n; ++i)
    text += std::to_string(60.0 * i / n) + "," + std::to_string(1.0 + (i % 5) * 0.5) + ";";
  form.Form().SetText("edtIStep", text);
  form.FLive.plainReads = state.range(1) != 0;
  StepOn(state, form, 30.0);  // 4 s of steps, then 30 s on: the whole hour in 100 iterations
  state.SetLabel(std::to_string(n) + (state.range(1) != 0 ? " entries, plain reads" : " entries"));
}
BENCHMARK(BM_StepSimCurrentSteps)->ArgsProduct({{1, 4, 16, 64, 5000}, {0, 1}});

// ---- Bezier preview of 199 000 points with N control points ----

void BM_PreviewBezier(benchmark::State& state) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  form.waveform.preview.EnsureWaveSeries();
  auto& f = form.Form();
  f.SetActivePage("PcParams", "TsBezier");
  f.SetText("EdBezDur", "150000");
  const int n = static_cast<int>(state.range(0));
  std::string text = "[";
  for (int i = 0; i < n; ++i)
    text += (i ? ",[" : "[") + std::to_string(i / (n - 1.0)) + "," + std::to_string(0.5 + 0.5 * std::sin(i * 0.7)) + "]";
  f.SetText("EdBezPoints", text + "]");
  const auto* series = f.Chart("chWave").FindSeries("FSerWaveRef");
  for (auto _ : state) {
    form.waveform.preview.DrawReferenceWave();
    benchmark::DoNotOptimize(series->Count());
  }
  if (series->Count() != 199000) state.SkipWithError("the preview does not hold 199 000 points");
}
BENCHMARK(BM_PreviewBezier)->Arg(4)->Arg(15)->Arg(30)->Arg(50)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The window's clock: the tick measures its own share of the interval against it.
class WallClockPlatform : public RecordingPlatform {
 public:
  int64_t NowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
};

// One play tick at speed 150 with a short response time: 45 000 steps at 0.1 ms and
// 450 000 at 0.01 ms are asked for; the tick stops after its 10 ms share.
void BM_PlayTickShortResponse(benchmark::State& state, const char* responseMs) {
  WallClockPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  auto& f = form.Form();
  voltaris::RestoreLayoutValues(f);
  f.SetActivePage("PcParams", "TsSine");
  f.SetText("edtFs", responseMs);
  f.UserSetPosition("tbSpeed", 150);
  f.UserClick("btnStart");
  for (auto _ : state) {
    if (!form.IsPlaying()) {
      state.PauseTiming();
      f.UserClick("btnStart");
      state.ResumeTiming();
    }
    form.PlayTimerTick();
  }
  state.counters["cutTicks"] = static_cast<double>(form.FTickBudget.cutTicks);
}
BENCHMARK_CAPTURE(BM_PlayTickShortResponse, 0_1ms, "0.1")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_PlayTickShortResponse, 0_01ms, "0.01")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
