#include "waveform/reference_wave.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <numbers>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "common/unit_shapes.h"
#include "documents/json_values.h"
#include "documents/sim_validation.h"
#include "waveform/kind_text.h"
#include "waveform/pattern_formulas.h"
#include "waveform/ramp_shapes.h"

namespace voltaris {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// `v` when it is above `floor`, else `floor` (a NaN gives `floor` as well).
double AtLeast(double v, double floor) { return v > floor ? v : floor; }

// A whole number of samples limited to [0, cap]; NaN and negative lengths give 0.
std::int64_t Take(double length, std::int64_t cap) {
  if (length >= static_cast<double>(cap)) return cap;
  return length > 0.0 ? static_cast<std::int64_t>(length) : 0;
}

// round(totalS x fsHz), halves to the even neighbour, as a sample count (negative
// products give 0). A count that does not fit a 32-bit signed integer is a range error.
std::int64_t SampleCount(double totalS, double fsHz) {
  const double n = std::nearbyint(totalS * fsHz);
  if (!(n <= static_cast<double>(kMaxReferenceSamples))) {
    char msg[200];
    std::snprintf(msg, sizeof msg,
                  "Reference wave too long: %g s at %g Hz gives %.0f samples, more than %lld",
                  totalS, fsHz, n, static_cast<long long>(kMaxReferenceSamples));
    throw std::range_error(msg);
  }
  return n > 0.0 ? static_cast<std::int64_t>(n) : 0;
}

// An empty wave with room for n samples, so that filling it never reallocates.
std::vector<double> NewWave(std::int64_t n) {
  std::vector<double> wave;
  try {
    wave.reserve(static_cast<size_t>(n));
  } catch (const std::bad_alloc&) {
    throw std::runtime_error("Not enough memory for a reference wave of " + std::to_string(n) + " samples");
  }
  return wave;
}

const TPatternBody* BodyOf(const TPatternRoot* pattern) { return pattern ? pattern->FPattern.get() : nullptr; }
const TSimTimebase* TimebaseOf(const TSimRoot* session) { return session ? session->FTimebase.get() : nullptr; }

// A pattern file may set the levels or the pulse block to null: it then reads as zeros,
// and the substitutes for missing values below take over.
TLevels LevelsOf(const TPatternBody& body) { return body.FLevels ? *body.FLevels : TLevels{0, 0}; }
TPulse PulseOf(const TPatternBody& body) { return body.FPulse ? *body.FPulse : TPulse{0, 0, 0, 0}; }

double UnitShape(TRefShape shape, double p) {
  switch (shape) {
    case TRefShape::Triangle: return p < 0.5 ? 2.0 * p : 2.0 * (1.0 - p);
    case TRefShape::Tangential: return (TanhApprox(4.0 * (p - 0.5)) + 1.0) / 2.0;
    case TRefShape::Parabola: return 4.0 * p * (1.0 - p);
    case TRefShape::Sigmoid: return 1.0 / (1.0 + std::exp(-10.0 * (p - 0.5)));
    case TRefShape::DampedSine: return (std::sin(kTwoPi * p) * std::exp(-2.5 * p) + 1.0) / 2.0;
    case TRefShape::Exponential: return (1.0 - std::exp(-5.0 * p)) / (1.0 - std::exp(-5.0));
    case TRefShape::Sine: break;
  }
  return (std::sin(kTwoPi * p) + 1.0) / 2.0;
}

// Below this many samples a wave is filled on the calling thread alone.
constexpr std::int64_t kParallelFillSamples = std::int64_t{1} << 18;

// The per-sample loop of the shape synthesis, one instance per shape so that the
// shape is resolved once and not per sample. Each sample depends on its index alone, so a
// long wave is filled in two halves at once (the second on a helper thread) with the same
// samples to the last bit; without a second core, or when no thread can be started, the
// calling thread fills it all.
template <class Unit>
void FillShape(std::vector<double>& wave, std::int64_t n, double f, double dt, double lo, double hi, Unit unit) {
  const double span = hi - lo;
  wave.resize(static_cast<size_t>(std::max<std::int64_t>(n, 0)));  // NewWave reserved the room
  double* out = wave.data();
  const auto fill = [out, f, dt, lo, span, &unit](std::int64_t from, std::int64_t to) {
    for (std::int64_t k = from; k < to; ++k) {
      const double x = f * static_cast<double>(k) * dt;
      out[k] = lo + span * unit(x);
    }
  };
  const std::int64_t half = n / 2;
  std::thread helper;
  if (n >= kParallelFillSamples && std::thread::hardware_concurrency() > 1) {
    try {
      helper = std::thread(fill, half, n);
    } catch (const std::system_error&) {
      // No thread to be had: the calling thread fills the second half as well.
    }
  }
  if (!helper.joinable()) {
    fill(0, n);
    return;
  }
  fill(0, half);
  helper.join();
}

template <TRefShape S>
void FillUnitShape(std::vector<double>& wave, std::int64_t n, double f, double dt, double lo, double hi) {
  FillShape(wave, n, f, dt, lo, hi, [](double x) { return UnitShape(S, Frac(x)); });
}

}  // namespace

TRefShape RefShapeOfKind(std::string_view kind) {
  const std::string k = TrimLowerAscii(kind);
  const auto has = [&k](std::string_view part) { return k.find(part) != std::string::npos; };
  if (has("triang")) return TRefShape::Triangle;
  if (has("tang")) return TRefShape::Tangential;
  if (has("parab") || has("bezier")) return TRefShape::Parabola;
  if (has("sigm")) return TRefShape::Sigmoid;
  if (has("damped") || has("dsine")) return TRefShape::DampedSine;
  if (has("exp")) return TRefShape::Exponential;
  return TRefShape::Sine;
}

double ShapeValue(TRefShape shape, double x) { return UnitShape(shape, Frac(x)); }
double ShapeValue(std::string_view kind, double x) { return ShapeValue(RefShapeOfKind(kind), x); }

TEdgeEasing EdgeEasingOf(std::string_view shape) {
  if (SameTextIgnoringCase(shape, "smooth") || SameTextIgnoringCase(shape, "s-curve")) return TEdgeEasing::Cosine;
  if (SameTextIgnoringCase(shape, "parabolic")) return TEdgeEasing::Parabolic;
  return TEdgeEasing::Linear;
}

double Easing(TEdgeEasing easing, double x) {
  switch (easing) {
    case TEdgeEasing::Cosine: return EaseCosine(Clamp01(x));
    case TEdgeEasing::Parabolic: return ShapeParabolic(x);
    case TEdgeEasing::Linear: break;
  }
  return Clamp01(x);
}

double Easing(std::string_view shape, double x) { return Easing(EdgeEasingOf(shape), x); }

double TanhApprox(double x) {
  if (x > 20.0) return 1.0;
  if (x < -20.0) return -1.0;
  const double e = std::exp(2.0 * x);
  return (e - 1.0) / (e + 1.0);
}

std::vector<double> SynthesizeShapePattern(const TPatternRoot* pattern, const TSimRoot* session,
                                           std::string_view kind) {
  const TPatternBody* body = BodyOf(pattern);
  const TSimTimebase* tb = TimebaseOf(session);
  if (body == nullptr || tb == nullptr) return {};

  const double fs = AtLeast(tb->FFsHz, 1e-6);
  const double totalS = AtLeast(tb->FTTotalS, 0.1);
  const double dt = 1.0 / fs;
  const std::int64_t n = SampleCount(totalS, fs);

  const TLevels levels = LevelsOf(*body);
  double lo = levels.FILowA, hi = levels.FIHighA;
  if (hi == 0.0 && body->FBaseProfile) {
    hi = body->FBaseProfile->FCcCurrentA;
    lo = 0.0;
  }
  if (lo == 0.0 && hi == 0.0) hi = 1.0;

  const TPulse pulse = PulseOf(*body);
  const double f = pulse.FFreqHz > 0.0 ? pulse.FFreqHz : 1.0;
  const double sigma = pulse.FSigma > 0.0 ? pulse.FSigma : 0.12;
  const double centre = pulse.FCenter > 0.0 ? pulse.FCenter : 0.5;

  std::vector<double> wave = NewWave(n);
  // Equal levels: every sample is lo + 0 x u with u finite and not negative, which is lo
  // + 0 to the last bit, so no shape is evaluated per sample.
  if (hi - lo == 0.0 && std::isfinite(lo) && std::isfinite(f) && std::isfinite(dt) && std::isfinite(sigma) &&
      std::isfinite(centre)) {
    wave.assign(static_cast<size_t>(n), lo + (hi - lo) * 0.5);
    return wave;
  }
  const std::string k = TrimLowerAscii(kind);
  if (k.find("gauss") != std::string::npos || k.find("superpuls") != std::string::npos) {
    FillShape(wave, n, f, dt, lo, hi, [sigma, centre](double x) {
      const double z = (Frac(x) - centre) / sigma;
      return std::exp(-z * z / 2.0);
    });
    return wave;
  }
  switch (RefShapeOfKind(k)) {
    case TRefShape::Triangle: FillUnitShape<TRefShape::Triangle>(wave, n, f, dt, lo, hi); break;
    case TRefShape::Tangential: FillUnitShape<TRefShape::Tangential>(wave, n, f, dt, lo, hi); break;
    case TRefShape::Parabola: FillUnitShape<TRefShape::Parabola>(wave, n, f, dt, lo, hi); break;
    case TRefShape::Sigmoid: FillUnitShape<TRefShape::Sigmoid>(wave, n, f, dt, lo, hi); break;
    case TRefShape::DampedSine: FillUnitShape<TRefShape::DampedSine>(wave, n, f, dt, lo, hi); break;
    case TRefShape::Exponential: FillUnitShape<TRefShape::Exponential>(wave, n, f, dt, lo, hi); break;
    case TRefShape::Sine: FillUnitShape<TRefShape::Sine>(wave, n, f, dt, lo, hi); break;
  }
  return wave;
}

std::vector<double> SynthesizeRampedSquare(const TPatternRoot* pattern, const TSimRoot* session) {
  const TPatternBody* body = BodyOf(pattern);
  const TSimTimebase* tb = TimebaseOf(session);
  if (body == nullptr || tb == nullptr) return {};

  const double fs = AtLeast(tb->FFsHz, 1e-6);
  const double totalS = AtLeast(tb->FTTotalS, 0.1);
  const std::int64_t n = SampleCount(totalS, fs);

  const TLevels levels = LevelsOf(*body);
  const double lo = levels.FILowA, hi = levels.FIHighA;
  const TPulse pulse = PulseOf(*body);
  const double f = pulse.FFreqHz;
  const double duty = pulse.FDutyPct / 100.0;
  const double up = body->FRamp ? AtLeast(body->FRamp->FUpS, 0.0) : 0.0;
  const double down = body->FRamp ? AtLeast(body->FRamp->FDownS, 0.0) : 0.0;
  const TEdgeEasing easing = EdgeEasingOf(body->FRamp ? std::string_view(body->FRamp->FShape) : "");

  std::vector<double> wave = NewWave(n);
  if (!(f > 0.0) || !(duty > 0.0 && duty < 1.0)) {
    wave.assign(static_cast<size_t>(n), hi);
  } else {
    // Lengths in samples, as whole numbers held in doubles (a period may exceed the run).
    const double period = AtLeast(std::nearbyint(fs / f), 1.0);
    const double high = std::nearbyint(period * duty);
    const double low = period - high;
    const double rise = std::min(std::nearbyint(up * fs), high);
    const double fall = std::min(std::nearbyint(down * fs), low);

    // The first period, cut at the end of the run.
    const std::int64_t periodEnd = Take(period, n);
    const std::int64_t highEnd = Take(high, periodEnd);
    const std::int64_t riseEnd = Take(rise, highEnd);
    const std::int64_t fallEnd = highEnd + Take(fall, periodEnd - highEnd);
    const double riseDiv = AtLeast(rise, 1.0), fallDiv = AtLeast(fall, 1.0);
    for (std::int64_t j = 0; j < riseEnd; ++j)
      wave.push_back(lo + (hi - lo) * Easing(easing, static_cast<double>(j) / riseDiv));
    for (std::int64_t j = riseEnd; j < highEnd; ++j) wave.push_back(hi);
    for (std::int64_t j = highEnd; j < fallEnd; ++j)
      wave.push_back(hi + (lo - hi) * Easing(easing, static_cast<double>(j - highEnd) / fallDiv));
    for (std::int64_t j = fallEnd; j < periodEnd; ++j) wave.push_back(lo);

    // Every later period is sample for sample the first one, copied a period at a time.
    const size_t first = static_cast<size_t>(periodEnd);
    const size_t total = static_cast<size_t>(n);
    const std::vector<double> one(wave.begin(), wave.begin() + static_cast<std::ptrdiff_t>(first));
    while (wave.size() < total && first > 0) {
      const size_t count = std::min(first, total - wave.size());
      wave.insert(wave.end(), one.begin(), one.begin() + static_cast<std::ptrdiff_t>(count));
    }
  }
  ApplySimGlobalRamp(wave, session);
  return wave;
}

void ApplySimGlobalRamp(std::vector<double>& wave, const TSimRoot* session) {
  const TSimTimebase* tb = TimebaseOf(session);
  if (tb == nullptr || wave.empty()) return;
  const double fs = AtLeast(tb->FFsHz, 1e-6);
  const auto n = static_cast<std::int64_t>(wave.size());
  const std::int64_t nIn = Take(std::nearbyint(AtLeast(tb->FRampInS, 0.0) * fs), n);
  const std::int64_t nOut = Take(std::nearbyint(AtLeast(tb->FRampOutS, 0.0) * fs), n);
  for (std::int64_t i = 0; i < nIn; ++i)
    wave[static_cast<size_t>(i)] *= static_cast<double>(i) / static_cast<double>(nIn);
  for (std::int64_t i = 0; i < nOut; ++i)
    wave[static_cast<size_t>(n - 1 - i)] *= static_cast<double>(i) / static_cast<double>(nOut);
}

std::vector<double> BuildReferenceWave(const TPatternRoot* pattern, const TSimRoot* session,
                                       const TCalRoot* /*calibration*/) {
  const TPatternBody* body = BodyOf(pattern);
  const TSimTimebase* tb = TimebaseOf(session);
  if (body == nullptr || tb == nullptr) return {};

  const std::string kind = TrimLowerAscii(body->FType);
  if (kind == "ramped_square" || kind == "trapezoid") return SynthesizeRampedSquare(pattern, session);
  if (!kind.empty()) return SynthesizeShapePattern(pattern, session, kind);

  // No type: the base profile's CC current (1 A without a base profile) for the whole run.
  const std::int64_t n = std::max<std::int64_t>(1, SampleCount(tb->FTTotalS, tb->FFsHz));
  std::vector<double> wave = NewWave(n);
  wave.assign(static_cast<size_t>(n), body->FBaseProfile ? body->FBaseProfile->FCcCurrentA : 1.0);
  return wave;
}

TReferenceWaveCache::Key TReferenceWaveCache::KeyOf(const TPatternRoot* pattern, const TSimRoot* session) {
  Key k;
  const TPatternBody* body = BodyOf(pattern);
  const TSimTimebase* tb = TimebaseOf(session);
  if (body == nullptr || tb == nullptr) return k;
  k.valid = true;
  k.type = body->FType;
  k.hasLevels = static_cast<bool>(body->FLevels);
  if (body->FLevels) {
    k.lo = body->FLevels->FILowA;
    k.hi = body->FLevels->FIHighA;
  }
  k.hasPulse = static_cast<bool>(body->FPulse);
  if (body->FPulse) {
    k.freq = body->FPulse->FFreqHz;
    k.duty = body->FPulse->FDutyPct;
    k.sigma = body->FPulse->FSigma;
    k.centre = body->FPulse->FCenter;
  }
  k.hasRamp = static_cast<bool>(body->FRamp);
  if (body->FRamp) {
    k.up = body->FRamp->FUpS;
    k.down = body->FRamp->FDownS;
    k.rampShape = body->FRamp->FShape;
  }
  k.hasBase = static_cast<bool>(body->FBaseProfile);
  if (body->FBaseProfile) k.cc = body->FBaseProfile->FCcCurrentA;
  k.fs = tb->FFsHz;
  k.total = tb->FTTotalS;
  k.rampIn = tb->FRampInS;
  k.rampOut = tb->FRampOutS;
  return k;
}

std::vector<double> TReferenceWaveCache::Build(const TPatternRoot* pattern, const TSimRoot* session,
                                               const TCalRoot* calibration) {
  Key key = KeyOf(pattern, session);
  std::vector<double> wave;
  reused_ = key.valid && key_.valid && key == key_ && !kept_.empty();
  if (reused_) {
    wave = std::move(kept_);
    ++reuses_;
  } else {
    // The old samples go before the new ones are made.
    std::vector<double>().swap(kept_);
    key_ = Key{};
    wave = BuildReferenceWave(pattern, session, calibration);
    ++builds_;
    double sum = 0;
    for (double x : wave) sum += x;
    mean_ = sum / static_cast<double>(std::max<size_t>(wave.size(), 1));
    key_ = std::move(key);
  }
  kept_.clear();
  handedOut_ = wave.data();
  handedOutSize_ = wave.size();
  return wave;
}

void TReferenceWaveCache::Keep(std::vector<double>&& wave) {
  if (wave.empty()) return;  // nothing given back (already kept, or never built)
  if (key_.valid && !wave.empty() && wave.data() == handedOut_ && wave.size() == handedOutSize_) {
    kept_ = std::move(wave);
  } else {
    std::vector<double>().swap(wave);
    Forget();
  }
  handedOut_ = nullptr;
  handedOutSize_ = 0;
}

void TReferenceWaveCache::Forget() {
  std::vector<double>().swap(kept_);
  key_ = Key{};
  handedOut_ = nullptr;
  handedOutSize_ = 0;
}

std::vector<double> BuildRefWaveFromFiles(TSimRoot* sim, const TPatternLoader& loadPattern,
                                          const TCalLoader& loadCal) {
  if (sim == nullptr) return {};
  NormalizeSim(sim);  // fills in the seed references when the session names none
  const TPatternRoot pattern = loadPattern(sim->FRefs->FPatternFile);
  const TCalRoot calibration = loadCal(sim->FRefs->FCalFile);
  return BuildReferenceWave(&pattern, sim, &calibration);
}

}  // namespace voltaris
