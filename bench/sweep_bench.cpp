// A protocol sweep on 1 and on 2 worker threads: eight combinations (four pattern pages,
// two sine crests) of a 10-minute formation each, at the seed session's inputs. The
// budget is the ratio of the two wall-clock times (2 jobs at least 1.8 x faster on a
// 2-core machine), so the benchmark measures real time, not the calling thread's CPU time.
#include <benchmark/benchmark.h>

#include <thread>

#include "batch/sweep.h"
#include "bench_workspace.h"

namespace {

void BM_Sweep(benchmark::State& state) {
  voltaris::TSweepPlan plan;
  plan.fixed = {{"EdTotalMs", "10"}};
  plan.pages = {"TsSine", "TsSuper", "TsTri", "TsGaussian"};
  plan.axes = {{"EdSineMax", {"1.5", "2.5"}}};
  plan.jobs = static_cast<int>(state.range(0));
  size_t failed = 0;
  for (auto _ : state) {
    const std::vector<voltaris::TSweepRow> rows = voltaris::RunSweep(plan);
    for (const auto& row : rows) failed += row.error.empty() ? 0 : 1;
    benchmark::DoNotOptimize(rows.data());
  }
  if (failed > 0) state.SkipWithError("a run of the sweep failed");
  state.counters["runs"] = static_cast<double>(voltaris::SweepCombinationCount(plan));
  state.counters["cores"] = static_cast<double>(std::thread::hardware_concurrency());
}
BENCHMARK(BM_Sweep)->Arg(1)->Arg(2)->ArgName("jobs")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
