// Writing and reading session documents: every run start, import, export and save goes
// through the mapper. The argument is the number of steps in the current step list.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "documents/json_mapper.h"
#include "documents/sim_document.h"
#include "documents/sim_validation.h"

namespace {

using voltaris::TJsonBase;
using voltaris::TSimRoot;

TSimRoot SessionWithSteps(int steps) {
  TSimRoot s = TSimRoot::CreateV11();
  voltaris::NormalizeSim(&s);
  s.FMeta->FTitle = "Formation LFP 21700 \xE2\x80\x93 Zelle 7";
  s.FMeta->FVstepText = "0:3.20;10:3.40;20:3.55;30:3.65";
  s.FSteps->FCurrent->clear();
  for (int i = 0; i < steps; ++i) {
    s.FSteps->FCurrent->push_back({.FIMode = i % 2 ? "CV-lite" : "CC",
                                   .FIValueA = 0.1 * i,
                                   .FVTargetV = 3.6,
                                   .FHystmV = 15,
                                   .FDurationS = 1800.0 / (i + 1)});
  }
  return s;
}

void BM_WriteSessionText(benchmark::State& state) {
  const TSimRoot s = SessionWithSteps(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(TJsonBase::ToJsonText(s));
}
BENCHMARK(BM_WriteSessionText)->Arg(2)->Arg(200);

void BM_ReadSessionText(benchmark::State& state) {
  const std::string text = TJsonBase::ToJsonText(SessionWithSteps(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(TJsonBase::FromJsonText<TSimRoot>(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadSessionText)->Arg(2)->Arg(200);

std::string BenchFile() {
  return (std::filesystem::temp_directory_path() /
          ("voltaris_bench_" + std::to_string(::getpid()) + ".hxsim"))
      .string();
}

// Includes flushing the new file to disk before it replaces the old one.
void BM_SaveSessionFile(benchmark::State& state) {
  const TSimRoot s = SessionWithSteps(2);
  const std::string file = BenchFile();
  for (auto _ : state) TJsonBase::SaveToFile(file, s);
  std::filesystem::remove(file);
}
BENCHMARK(BM_SaveSessionFile)->Unit(benchmark::kMicrosecond);

void BM_LoadSessionFile(benchmark::State& state) {
  const std::string file = BenchFile();
  TJsonBase::SaveToFile(file, SessionWithSteps(2));
  for (auto _ : state) benchmark::DoNotOptimize(TJsonBase::LoadFromFile<TSimRoot>(file));
  std::filesystem::remove(file);
}
BENCHMARK(BM_LoadSessionFile)->Unit(benchmark::kMicrosecond);

}  // namespace
