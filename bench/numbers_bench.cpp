// The number reader sits under every read of a numeric entry; the live run reads
// entries thousands of times per 30 ms tick.
#include <benchmark/benchmark.h>

#include "common/numbers.h"
#include "form/form_model.h"

namespace {

void BM_SafeStrToF(benchmark::State& state) {
  const char* texts[] = {"1000", "2.5", "1e-9", "-0.75", "abc", "3,65"};
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(voltaris::SafeStrToF(texts[i++ % 6], 1.0));
  }
}
BENCHMARK(BM_SafeStrToF);

// A cached read of an unchanged edit, as the live run does it.
void BM_ControlNumberCached(benchmark::State& state) {
  voltaris::FormModel form;
  const voltaris::Control& c = form.Get("EdSineMax");
  for (auto _ : state) benchmark::DoNotOptimize(c.Number(0.0));
}
BENCHMARK(BM_ControlNumberCached);

// Read by name: the hash look-up plus the cached parse.
void BM_FormNumberByName(benchmark::State& state) {
  voltaris::FormModel form;
  for (auto _ : state) benchmark::DoNotOptimize(form.Number("EdSineMax", 0.0));
}
BENCHMARK(BM_FormNumberByName);

}  // namespace
