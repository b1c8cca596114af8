// The 3D SEI view after a 60 min run: the whole-waveform SEI simulation, the spatial
// model and the surface script, all on the user-interface thread at the end of the run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "chemistry/sei_growth.h"
#include "chemistry/sei_spatial.h"
#include "window/sei3d_view.h"

namespace {

using namespace voltaris;

TChemParams Lfp() {
  TChemParams p;
  DefaultChem_LFP(p);
  return p;
}

// The current of a 60 min sine run at 1 Hz (as the whole-run recomputation samples it).
std::vector<double> SineRun() {
  std::vector<double> I(3601);
  for (size_t k = 0; k < I.size(); ++k) I[k] = 1.2 + 0.8 * std::sin(0.7 * static_cast<double>(k));
  return I;
}

// Simulation + spatial model + script of one run: what UpdateSEI3DPage computes.
void BM_SEI3DUpdate_60min(benchmark::State& state) {
  const TChemParams p = Lfp();
  const std::vector<double> I = SineRun();
  const TSEI3DPatternInfo pat{"Sine", 0.45, 1.4, 2.0, 5.0, "LFP"};
  TSEI3DConfig cfg = SEI3DDefaultConfig();
  SEI3DConfigFromChem(p, cfg);
  TSimOutputs sim;
  TSEI3DResult r;
  size_t bytes = 0;
  for (auto _ : state) {
    SimulatePatternChemSEI(I, 1.0, p, sim);
    ComputeSEI3D(sim, p, pat, cfg, r);
    const std::string script = TSEI3DView::SurfaceScript(r, {r});
    bytes = script.size();
    benchmark::DoNotOptimize(script.data());
  }
  state.counters["script_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SEI3DUpdate_60min)->Unit(benchmark::kMillisecond);

// The surface script alone (24 x 120 numbers and the axes), with a full six-run history.
void BM_SEI3DSurfaceScript(benchmark::State& state) {
  const TChemParams p = Lfp();
  TSimOutputs sim;
  SimulatePatternChemSEI(SineRun(), 1.0, p, sim);
  TSEI3DConfig cfg = SEI3DDefaultConfig();
  SEI3DConfigFromChem(p, cfg);
  TSEI3DResult r;
  ComputeSEI3D(sim, p, {"Sine", 0.45, 1.4, 2.0, 5.0, "LFP"}, cfg, r);
  const std::vector<TSEI3DResult> history(6, r);
  for (auto _ : state) {
    const std::string script = TSEI3DView::SurfaceScript(r, history);
    benchmark::DoNotOptimize(script.data());
  }
}
BENCHMARK(BM_SEI3DSurfaceScript)->Unit(benchmark::kMicrosecond);

}  // namespace
