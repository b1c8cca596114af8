// The whole-run reference wave is built at every run start and by every headless run:
// 1000 Hz for one hour is 3.6 M samples. Its budget is twice a plain loop doing the same
// arithmetic, so each builder benchmark has a plain-loop twin over a raw buffer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

#include "common/unit_shapes.h"
#include "waveform/pattern_formulas.h"
#include "waveform/reference_wave.h"

namespace {

using voltaris::TPatternRoot;
using voltaris::TSimRoot;

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr std::int64_t kSamples = 3'600'000;  // a new session: 1000 Hz, 3600 s

// A value the compiler cannot fold into the loop (the builder reads it from a document).
double Opaque(double v) {
  volatile double held = v;
  return held;
}

void Build(benchmark::State& state, const TPatternRoot& pattern) {
  const TSimRoot session = TSimRoot::CreateV11();
  for (auto _ : state) {
    std::vector<double> wave = voltaris::BuildReferenceWave(&pattern, &session, nullptr);
    benchmark::DoNotOptimize(wave.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSamples);
}

template <class Fill>
void PlainLoop(benchmark::State& state, Fill fill) {
  for (auto _ : state) {
    std::unique_ptr<double[]> wave(new double[kSamples]);
    fill(wave.get());
    benchmark::DoNotOptimize(wave.get());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSamples);
}

// The seed pattern: a sine from 0 to 60 A at 3 Hz.
void BM_ReferenceWaveSine(benchmark::State& state) { Build(state, TPatternRoot::CreateDefaultSinus()); }

void BM_PlainLoopSine(benchmark::State& state) {
  const double lo = Opaque(0), hi = Opaque(60), f = Opaque(3), dt = 1.0 / Opaque(1000);
  PlainLoop(state, [=](double* w) {
    for (std::int64_t k = 0; k < kSamples; ++k) {
      const double x = f * static_cast<double>(k) * dt;
      w[k] = lo + (hi - lo) * ((std::sin(kTwoPi * voltaris::Frac(x)) + 1.0) / 2.0);
    }
  });
}

// Gaussian pulses (superpulse, sigma 0.12 and centre 0.5 of the period).
TPatternRoot Superpulse() {
  TPatternRoot p = TPatternRoot::CreateDefaultSinus();
  p.FPattern->FType = "superpulse";
  return p;
}

void BM_ReferenceWaveSuperpulse(benchmark::State& state) { Build(state, Superpulse()); }

void BM_PlainLoopSuperpulse(benchmark::State& state) {
  const double lo = Opaque(0), hi = Opaque(60), f = Opaque(3), dt = 1.0 / Opaque(1000);
  const double sigma = Opaque(0.12), centre = Opaque(0.5);
  PlainLoop(state, [=](double* w) {
    for (std::int64_t k = 0; k < kSamples; ++k) {
      const double x = f * static_cast<double>(k) * dt;
      const double z = (voltaris::Frac(x) - centre) / sigma;
      w[k] = lo + (hi - lo) * std::exp(-z * z / 2.0);
    }
  });
}

// The trapezoid tab as a run start writes it: 220 ms periods of 10 ms smooth rise,
// 150 ms top, 10 ms smooth fall and 50 ms bottom, under the 10 s / 20 s run envelope.
TPatternRoot Trapezoid() {
  TPatternRoot p = TPatternRoot::CreateDefaultRampedSquare();
  *p.FPattern->FLevels = {3, 5};
  p.FPattern->FPulse->FFreqHz = 1000.0 / 220.0;
  p.FPattern->FPulse->FDutyPct = 170.0 * 100.0 / 220.0;
  *p.FPattern->FRamp = {0.01, 0.01, "smooth"};
  return p;
}

void BM_ReferenceWaveTrapezoid(benchmark::State& state) { Build(state, Trapezoid()); }

// The builder's own arithmetic, written plainly: one period of eased rise, top, eased fall
// and bottom, copied period after period to the end of the run, then the run envelope.
void BM_PlainLoopTrapezoid(benchmark::State& state) {
  const double lo = Opaque(3), hi = Opaque(5);
  const auto period = static_cast<std::int64_t>(Opaque(220)), high = static_cast<std::int64_t>(Opaque(170));
  const auto rise = static_cast<std::int64_t>(Opaque(10)), fall = static_cast<std::int64_t>(Opaque(10));
  const auto nIn = static_cast<std::int64_t>(Opaque(10'000)), nOut = static_cast<std::int64_t>(Opaque(20'000));
  PlainLoop(state, [=](double* w) {
    for (std::int64_t j = 0; j < period; ++j) {
      double v;
      if (j < rise)
        v = lo + (hi - lo) * voltaris::EaseCosine(static_cast<double>(j) / static_cast<double>(rise));
      else if (j < high)
        v = hi;
      else if (j - high < fall)
        v = hi + (lo - hi) * voltaris::EaseCosine(static_cast<double>(j - high) / static_cast<double>(fall));
      else
        v = lo;
      w[j] = v;
    }
    for (std::int64_t k = period; k < kSamples; k += period)
      std::copy(w, w + std::min(period, kSamples - k), w + k);
    for (std::int64_t i = 0; i < nIn; ++i) w[i] *= static_cast<double>(i) / static_cast<double>(nIn);
    for (std::int64_t i = 0; i < nOut; ++i)
      w[kSamples - 1 - i] *= static_cast<double>(i) / static_cast<double>(nOut);
  });
}

BENCHMARK(BM_ReferenceWaveSine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoopSine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceWaveSuperpulse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoopSuperpulse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceWaveTrapezoid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLoopTrapezoid)->Unit(benchmark::kMillisecond);

}  // namespace
