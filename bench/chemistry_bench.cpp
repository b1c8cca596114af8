// The SEI models run on the user-interface thread at the end of every run, and the live
// chart window is rebuilt up to ten times a second during a run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "chemistry/sei_growth.h"
#include "chemistry/sei_spatial.h"
#include "run/live_chart_window.h"
#include "run/sample_ring.h"

namespace {

using namespace voltaris;

// A pulsed formation current: 3 A pulses with 0.5 A rests, 2 s period, at rate fs.
std::vector<double> PulseWave(size_t n, double fs) {
  std::vector<double> I(n);
  for (size_t k = 0; k < n; ++k) I[k] = std::fmod(static_cast<double>(k) / fs, 2.0) < 1.0 ? 3.0 : 0.5;
  return I;
}

TChemParams Lfp() {
  TChemParams p;
  DefaultChem_LFP(p);
  return p;
}

// One hour at 10 Hz (budget: 5 ms).
void BM_SimulatePatternChemSEI_1h_10Hz(benchmark::State& state) {
  const std::vector<double> I = PulseWave(36000, 10.0);
  const TChemParams p = Lfp();
  TSimOutputs o;
  for (auto _ : state) {
    SimulatePatternChemSEI(I, 10.0, p, o);
    benchmark::DoNotOptimize(o.SEI_nm.data());
  }
}
BENCHMARK(BM_SimulatePatternChemSEI_1h_10Hz)->Unit(benchmark::kMillisecond);

// One hour of one-second samples over the default 24 x 120 grid.
void BM_ComputeSEI3D_3600(benchmark::State& state) {
  const TChemParams p = Lfp();
  TSimOutputs sim;
  SimulatePatternChemSEI(PulseWave(3600, 1.0), 1.0, p, sim);
  TSEI3DConfig cfg = SEI3DDefaultConfig();
  SEI3DConfigFromChem(p, cfg);
  const TSEI3DPatternInfo pat{"Superpulse", 0.4, 2.2, 3.0, 0.5, "LFP"};
  TSEI3DResult r;
  for (auto _ : state) {
    ComputeSEI3D(sim, p, pat, cfg, r);
    benchmark::DoNotOptimize(r.Metrics.SEI_mean_final);
  }
}
BENCHMARK(BM_ComputeSEI3D_3600)->Unit(benchmark::kMillisecond);

// A full 30 s window at a 1 ms step (30 001 samples) in a ring sized for 30 minutes.
void BM_AddWindowToCharts_FromRing_30s_1ms(benchmark::State& state) {
  TSampleRing ring;
  ring.RingInit(TSampleRing::CapacityForStep(0.001));
  for (int n = 0; n < 120000; ++n) {
    const double t = n * 0.001;
    ring.RingPush(t, 2.0 + std::sin(t * 40), 3.3 + 0.05 * std::sin(t * 40));
  }
  ChartModel chI{"chI"}, chV{"chV"}, chSEI{"chSEI"};
  SeriesModel& serI = chI.AddSeries("FSerI", SeriesKind::FastLine);
  SeriesModel& serV = chV.AddSeries("FSerV", SeriesKind::FastLine);
  SeriesModel& serSEI = chSEI.AddSeries("FSerSEI", SeriesKind::Line);
  SeriesModel& serRate = chSEI.AddSeries("FSerSEIRate", SeriesKind::Line);
  TSimOutputs sim;
  sim.SEI_nm.assign(1200, 5.0);
  for (size_t k = 1; k < sim.SEI_nm.size(); ++k) sim.SEI_nm[k] = sim.SEI_nm[k - 1] + 0.01;
  for (auto _ : state) {
    AddWindowToCharts_FromRing(ring, chI, chV, &chSEI, &serI, &serV, &serSEI, &serRate, sim, 10.0);
    benchmark::DoNotOptimize(serI.Count());
  }
}
BENCHMARK(BM_AddWindowToCharts_FromRing_30s_1ms)->Unit(benchmark::kMicrosecond);

}  // namespace
