#include "waveform/reference_wave.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <numbers>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

#include "common/number_format.h"
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
void FillShape(std::vector<double>& wave, std::int64_t n, double f, double dt, double lo, double span, Unit unit) {
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
void FillUnitShape(std::vector<double>& wave, std::int64_t n, double f, double dt, double lo, double span) {
  FillShape(wave, n, f, dt, lo, span, [](double x) { return UnitShape(S, Frac(x)); });
}

// The Gaussian pulse of a period at phase x (cycles): width sigma, centre as fractions.
double GaussUnit(double x, double sigma, double centre) {
  const double z = (Frac(x) - centre) / sigma;
  return std::exp(-z * z / 2.0);
}

// Sample i of n under the run envelope: the first nIn fade in, the last nOut fade out, so
// the first and the last sample become 0 (a sample in both fades takes both factors).
double Faded(double v, std::int64_t i, std::int64_t n, std::int64_t nIn, std::int64_t nOut) {
  if (i < nIn) v *= static_cast<double>(i) / static_cast<double>(nIn);
  const std::int64_t back = n - 1 - i;
  if (back < nOut) v *= static_cast<double>(back) / static_cast<double>(nOut);
  return v;
}

// The run envelope over the samples; only the faded samples are visited.
void ApplyEnvelope(std::vector<double>& wave, std::int64_t nIn, std::int64_t nOut) {
  const auto n = static_cast<std::int64_t>(wave.size());
  const std::int64_t in = std::min(nIn, n);
  const auto fade = [&](std::int64_t i) {
    double& v = wave[static_cast<size_t>(i)];
    v = Faded(v, i, n, nIn, nOut);
  };
  for (std::int64_t i = 0; i < in; ++i) fade(i);
  for (std::int64_t i = std::max(n - nOut, in); i < n; ++i) fade(i);
}

// Lengths in samples of the session's fade-in and fade-out over n samples.
std::pair<std::int64_t, std::int64_t> EnvelopeLengths(const TSimTimebase& tb, std::int64_t n) {
  const double fs = AtLeast(tb.FFsHz, 1e-6);
  return {Take(std::nearbyint(AtLeast(tb.FRampInS, 0.0) * fs), n),
          Take(std::nearbyint(AtLeast(tb.FRampOutS, 0.0) * fs), n)};
}

// The steepest slope of a unit shape over its period (per cycle), a little generous.
double ShapeSlopeBound(TRefShape shape) {
  switch (shape) {
    case TRefShape::Triangle: return 2.0 * 1.01;
    case TRefShape::Tangential: return 2.0 * 1.01;      // 2 sech^2
    case TRefShape::Parabola: return 4.0 * 1.01;
    case TRefShape::Sigmoid: return 2.5 * 1.01;         // 10 / 4
    case TRefShape::DampedSine: return 3.5;             // |2 pi cos - 2.5 sin| / 2 <= 3.38
    case TRefShape::Exponential: return 5.05;           // 5 / (1 - e^-5)
    case TRefShape::Sine: break;
  }
  return std::numbers::pi * 1.01;
}

constexpr double kUnit = 0x1p-53;  // unit round-off of a double

// The largest difference between the mean of n samples of magnitude at most m summed one
// by one in double precision (and divided by n) and their exact mean.
double SequentialMeanError(size_t n, double m) {
  const double steps = static_cast<double>(n > 0 ? n - 1 : 0) * kUnit;
  return (steps / (1.0 - steps) + 2.0 * kUnit) * m;
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

// ---- The described wave ----

TReferenceWave::TReferenceWave() : memo_(std::make_shared<TMeanMemo>()) {}

TReferenceWave::TReferenceWave(std::vector<double> samples) : TReferenceWave() {
  n_ = samples.size();
  samples_ = std::make_shared<const std::vector<double>>(std::move(samples));
}

double TReferenceWave::ShapeUnit(double x) const {
  return kind_ == TKind::Gauss ? GaussUnit(x, sigma_, centre_) : UnitShape(shape_, Frac(x));
}

double TReferenceWave::operator[](size_t k) const {
  switch (kind_) {
    case TKind::Stored: return (*samples_)[k];
    case TKind::Constant: return value_;
    case TKind::Shape:
    case TKind::Gauss: {
      const double x = f_ * static_cast<double>(k) * dt_;
      return lo_ + span_ * ShapeUnit(x);
    }
    case TKind::Periodic: break;
  }
  const std::vector<double>& one = *samples_;
  return Faded(one[k % one.size()], static_cast<std::int64_t>(k), static_cast<std::int64_t>(n_), rampIn_, rampOut_);
}

std::vector<double> TReferenceWave::Samples() const {
  if (kind_ == TKind::Stored) return samples_ ? *samples_ : std::vector<double>{};
  const auto n = static_cast<std::int64_t>(n_);
  std::vector<double> wave = NewWave(n);
  switch (kind_) {
    case TKind::Stored: break;
    case TKind::Constant: wave.assign(n_, value_); break;
    case TKind::Gauss: {
      const double sigma = sigma_, centre = centre_;
      FillShape(wave, n, f_, dt_, lo_, span_, [sigma, centre](double x) { return GaussUnit(x, sigma, centre); });
      break;
    }
    case TKind::Shape:
      switch (shape_) {
        case TRefShape::Triangle: FillUnitShape<TRefShape::Triangle>(wave, n, f_, dt_, lo_, span_); break;
        case TRefShape::Tangential: FillUnitShape<TRefShape::Tangential>(wave, n, f_, dt_, lo_, span_); break;
        case TRefShape::Parabola: FillUnitShape<TRefShape::Parabola>(wave, n, f_, dt_, lo_, span_); break;
        case TRefShape::Sigmoid: FillUnitShape<TRefShape::Sigmoid>(wave, n, f_, dt_, lo_, span_); break;
        case TRefShape::DampedSine: FillUnitShape<TRefShape::DampedSine>(wave, n, f_, dt_, lo_, span_); break;
        case TRefShape::Exponential: FillUnitShape<TRefShape::Exponential>(wave, n, f_, dt_, lo_, span_); break;
        case TRefShape::Sine: FillUnitShape<TRefShape::Sine>(wave, n, f_, dt_, lo_, span_); break;
      }
      break;
    case TKind::Periodic: {
      const std::vector<double>& one = *samples_;
      while (wave.size() < n_ && !one.empty()) {
        const size_t count = std::min(one.size(), n_ - wave.size());
        wave.insert(wave.end(), one.begin(), one.begin() + static_cast<std::ptrdiff_t>(count));
      }
      ApplyEnvelope(wave, rampIn_, rampOut_);
      break;
    }
  }
  return wave;
}

double TReferenceWave::Mean() const {
  TMeanMemo& memo = *memo_;
  if (!memo.exact) {
    double sum = 0;
    if (kind_ == TKind::Stored && samples_) {
      for (double x : *samples_) sum += x;
    } else if (n_ > 0) {
      for (double x : Samples()) sum += x;
    }
    memo.exact = n_ == 0 ? 0.0 : sum / static_cast<double>(n_);
  }
  return *memo.exact;
}

std::string TReferenceWave::MeanText() const {
  TMeanMemo& memo = *memo_;
  if (!memo.exact) {
    if (!memo.bounded) {
      memo.boundable = MeanBounds(memo.lo, memo.hi);
      memo.bounded = true;
    }
    // Rounding to three decimals keeps the order of the values: when both bounds give one
    // text, so does every value between them.
    if (memo.boundable) {
      std::string text = FormatFloat("0.###", memo.lo);
      if (text == FormatFloat("0.###", memo.hi)) return text;
    }
  }
  return FormatFloat("0.###", Mean());
}

bool TReferenceWave::MeanBounds(double& lo, double& hi) const {
  if (n_ == 0) return false;
  double estimate = 0, bound = 0;
  switch (kind_) {
    case TKind::Stored: return false;
    case TKind::Shape:
    case TKind::Gauss:
      if (!ShapeMeanEstimate(estimate, bound)) return false;
      break;
    case TKind::Constant:
      if (!std::isfinite(value_)) return false;
      estimate = value_;
      bound = SequentialMeanError(n_, std::fabs(value_));
      break;
    case TKind::Periodic: {
      // Whole periods times the period's sum, the cut period, then the enveloped samples
      // put in as they are: exact in long double but for its own rounding.
      const std::vector<double>& one = *samples_;
      const size_t period = one.size();
      long double periodSum = 0, cutSum = 0;
      double m = 0;
      const size_t cut = n_ % period;
      for (size_t j = 0; j < period; ++j) {
        if (!std::isfinite(one[j])) return false;
        periodSum += one[j];
        if (j < cut) cutSum += one[j];
        m = std::max(m, std::fabs(one[j]));
      }
      long double sum = static_cast<long double>(n_ / period) * periodSum + cutSum;
      const auto n = static_cast<std::int64_t>(n_);
      const std::int64_t in = std::min(rampIn_, n);
      const auto faded = [&](std::int64_t k) {
        sum += static_cast<long double>((*this)[static_cast<size_t>(k)]) - one[static_cast<size_t>(k) % period];
      };
      for (std::int64_t k = 0; k < in; ++k) faded(k);
      for (std::int64_t k = std::max(n - rampOut_, in); k < n; ++k) faded(k);
      const double terms = static_cast<double>(2 * period) + 2.0 * static_cast<double>(rampIn_ + rampOut_) + 4.0;
      estimate = static_cast<double>(sum / static_cast<long double>(n_));
      bound = SequentialMeanError(n_, m) + (terms * 0x1p-63 + 2.0 * kUnit) * m;
      break;
    }
  }
  const double widen = 4.0 * kUnit * (std::fabs(estimate) + bound);
  lo = estimate - bound - widen;
  hi = estimate + bound + widen;
  return std::isfinite(lo) && std::isfinite(hi);
}

// The samples of a residue j of a period of q samples (k = j, j + q, j + 2q, ...) lie at
// phases within delta of (j p mod q) / q when q r is within eps of the whole number p (r
// the cycles per sample): each differs from the shape at that phase by at most its slope
// times delta, as long as no residue but 0 comes within delta of the period's wrap. The
// residue 0, at the wrap, is evaluated sample by sample.
bool TReferenceWave::ShapeMeanEstimate(double& estimate, double& bound) const {
  if (!(f_ > 0.0) || !(dt_ > 0.0) || !std::isfinite(f_) || !std::isfinite(dt_) || !std::isfinite(lo_) ||
      !std::isfinite(span_))
    return false;
  double slope = ShapeSlopeBound(shape_);
  double phaseError = 0;  // of the shape's own arithmetic, in cycles
  if (kind_ == TKind::Gauss) {
    if (!(sigma_ > 0.0) || !std::isfinite(sigma_) || !std::isfinite(centre_)) return false;
    slope = 0.61 / sigma_;  // e^-1/2 / sigma
    phaseError = 8.0 * kUnit * (1.0 + std::fabs(centre_));
  }
  const long double r = static_cast<long double>(f_) * static_cast<long double>(dt_);
  const long double lastPhase = r * static_cast<long double>(n_);
  if (!(lastPhase < 0x1p40L) || !(r < 0x1p20L)) return false;
  const std::int64_t qMax = std::min<std::int64_t>(static_cast<std::int64_t>(n_ / 4), std::int64_t{1} << 18);
  const double m = std::fabs(lo_) + std::fabs(span_);  // no sample is larger: 0 <= u <= 1

  // The convergents p/q of r, smallest q first; the first that keeps every residue off the
  // wrap decides.
  long double x = r;
  std::int64_t p0 = 0, q0 = 1, p1 = 1, q1 = 0;
  for (int i = 0; i < 64; ++i) {
    const long double a = std::floor(x);
    if (!(a < 0x1p40L)) return false;
    const auto ai = static_cast<std::int64_t>(a);
    const std::int64_t q = ai * q1 + q0;
    if (q > qMax) return false;
    const std::int64_t p = ai * p1 + p0;  // below 2^58: ai <= q when q1 >= 1, and p ~ q r
    p0 = p1, q0 = q1, p1 = p, q1 = q;
    if (q >= 1) {
      const long double qr = static_cast<long double>(q) * r;
      const long double eps = std::fabs(qr - static_cast<long double>(p)) + qr * 0x1p-62L;
      const double delta = static_cast<double>(static_cast<long double>(n_ / static_cast<size_t>(q) + 1) * eps) +
                           2.0001 * kUnit * static_cast<double>(lastPhase) + 2.0 * kUnit + phaseError;
      if (delta * 2.0 * static_cast<double>(q) < 1.0) {
        const auto uq = static_cast<size_t>(q);
        const auto pm = static_cast<size_t>(p % q);
        long double sum = 0;
        for (size_t j = 1; j < uq; ++j) {
          const double phase = static_cast<double>((j * pm) % uq) / static_cast<double>(uq);
          const auto count = static_cast<long double>((n_ - 1 - j) / uq + 1);
          sum += count * static_cast<long double>(lo_ + span_ * ShapeUnit(phase));
        }
        for (size_t k = 0; k < n_; k += uq) sum += (*this)[k];
        const double terms = static_cast<double>(uq + n_ / uq + 2);
        estimate = static_cast<double>(sum / static_cast<long double>(n_));
        // Per sample: the slope over delta and the shape's rounding at both phases.
        bound = std::fabs(span_) * (slope * delta + 64.0 * kUnit) + 4.0 * kUnit * m + SequentialMeanError(n_, m) +
                (terms * 0x1p-63 + 2.0 * kUnit) * m;
        return true;
      }
    }
    const long double rest = x - a;
    if (!(rest > 0x1p-60L)) return false;
    x = 1.0L / rest;
  }
  return false;
}

// ---- Describing the wave of a pattern ----

TReferenceWave DescribeShapePattern(const TPatternRoot* pattern, const TSimRoot* session, std::string_view kind) {
  const TPatternBody* body = BodyOf(pattern);
  const TSimTimebase* tb = TimebaseOf(session);
  TReferenceWave wave;
  if (body == nullptr || tb == nullptr) return wave;

  const double fs = AtLeast(tb->FFsHz, 1e-6);
  const double totalS = AtLeast(tb->FTTotalS, 0.1);
  const double dt = 1.0 / fs;
  wave.n_ = static_cast<size_t>(SampleCount(totalS, fs));

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

  // Equal levels: every sample is lo + 0 x u with u finite and not negative, which is lo
  // + 0 to the last bit, so no shape is evaluated per sample.
  if (hi - lo == 0.0 && std::isfinite(lo) && std::isfinite(f) && std::isfinite(dt) && std::isfinite(sigma) &&
      std::isfinite(centre)) {
    wave.kind_ = TReferenceWave::TKind::Constant;
    wave.value_ = lo + (hi - lo) * 0.5;
    return wave;
  }
  const std::string k = TrimLowerAscii(kind);
  const bool gauss = k.find("gauss") != std::string::npos || k.find("superpuls") != std::string::npos;
  wave.kind_ = gauss ? TReferenceWave::TKind::Gauss : TReferenceWave::TKind::Shape;
  wave.shape_ = RefShapeOfKind(k);
  wave.lo_ = lo;
  wave.span_ = hi - lo;
  wave.f_ = f;
  wave.dt_ = dt;
  wave.sigma_ = sigma;
  wave.centre_ = centre;
  return wave;
}

TReferenceWave DescribeRampedSquare(const TPatternRoot* pattern, const TSimRoot* session) {
  const TPatternBody* body = BodyOf(pattern);
  const TSimTimebase* tb = TimebaseOf(session);
  TReferenceWave wave;
  if (body == nullptr || tb == nullptr) return wave;

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

  std::vector<double> one;
  if (n == 0) {
    // nothing to repeat
  } else if (!(f > 0.0) || !(duty > 0.0 && duty < 1.0)) {
    one.assign(1, hi);  // degenerate pulse settings: a constant hi
  } else {
    // Lengths in samples, as whole numbers held in doubles (a period may exceed the run).
    const double period = AtLeast(std::nearbyint(fs / f), 1.0);
    const double high = std::nearbyint(period * duty);
    const double low = period - high;
    const double rise = std::min(std::nearbyint(up * fs), high);
    const double fall = std::min(std::nearbyint(down * fs), low);

    // The first period, cut at the end of the run; every later period is sample for
    // sample this one.
    const std::int64_t periodEnd = Take(period, n);
    const std::int64_t highEnd = Take(high, periodEnd);
    const std::int64_t riseEnd = Take(rise, highEnd);
    const std::int64_t fallEnd = highEnd + Take(fall, periodEnd - highEnd);
    const double riseDiv = AtLeast(rise, 1.0), fallDiv = AtLeast(fall, 1.0);
    one = NewWave(periodEnd);
    for (std::int64_t j = 0; j < riseEnd; ++j)
      one.push_back(lo + (hi - lo) * Easing(easing, static_cast<double>(j) / riseDiv));
    for (std::int64_t j = riseEnd; j < highEnd; ++j) one.push_back(hi);
    for (std::int64_t j = highEnd; j < fallEnd; ++j)
      one.push_back(hi + (lo - hi) * Easing(easing, static_cast<double>(j - highEnd) / fallDiv));
    for (std::int64_t j = fallEnd; j < periodEnd; ++j) one.push_back(lo);
  }
  wave.kind_ = TReferenceWave::TKind::Periodic;
  wave.n_ = one.empty() ? 0 : static_cast<size_t>(n);
  std::tie(wave.rampIn_, wave.rampOut_) = EnvelopeLengths(*tb, static_cast<std::int64_t>(wave.n_));
  wave.samples_ = std::make_shared<const std::vector<double>>(std::move(one));
  return wave;
}

TReferenceWave DescribeReferenceWave(const TPatternRoot* pattern, const TSimRoot* session,
                                     const TCalRoot* /*calibration*/) {
  const TPatternBody* body = BodyOf(pattern);
  const TSimTimebase* tb = TimebaseOf(session);
  if (body == nullptr || tb == nullptr) return {};

  const std::string kind = TrimLowerAscii(body->FType);
  if (kind == "ramped_square" || kind == "trapezoid") return DescribeRampedSquare(pattern, session);
  if (!kind.empty()) return DescribeShapePattern(pattern, session, kind);

  // No type: the base profile's CC current (1 A without a base profile) for the whole run.
  TReferenceWave wave;
  wave.kind_ = TReferenceWave::TKind::Constant;
  wave.n_ = static_cast<size_t>(std::max<std::int64_t>(1, SampleCount(tb->FTTotalS, tb->FFsHz)));
  wave.value_ = body->FBaseProfile ? body->FBaseProfile->FCcCurrentA : 1.0;
  return wave;
}

std::vector<double> SynthesizeShapePattern(const TPatternRoot* pattern, const TSimRoot* session,
                                           std::string_view kind) {
  return DescribeShapePattern(pattern, session, kind).Samples();
}

std::vector<double> SynthesizeRampedSquare(const TPatternRoot* pattern, const TSimRoot* session) {
  return DescribeRampedSquare(pattern, session).Samples();
}

void ApplySimGlobalRamp(std::vector<double>& wave, const TSimRoot* session) {
  const TSimTimebase* tb = TimebaseOf(session);
  if (tb == nullptr || wave.empty()) return;
  const auto [nIn, nOut] = EnvelopeLengths(*tb, static_cast<std::int64_t>(wave.size()));
  ApplyEnvelope(wave, nIn, nOut);
}

std::vector<double> BuildReferenceWave(const TPatternRoot* pattern, const TSimRoot* session,
                                       const TCalRoot* calibration) {
  return DescribeReferenceWave(pattern, session, calibration).Samples();
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

TReferenceWave TReferenceWaveCache::Build(const TPatternRoot* pattern, const TSimRoot* session,
                                          const TCalRoot* calibration) {
  Key key = KeyOf(pattern, session);
  reused_ = key.valid && key_.valid && key == key_;
  if (reused_) {
    ++reuses_;
    return kept_;
  }
  Forget();
  kept_ = DescribeReferenceWave(pattern, session, calibration);
  ++builds_;
  key_ = std::move(key);
  return kept_;
}

void TReferenceWaveCache::Forget() {
  kept_ = TReferenceWave();
  key_ = Key{};
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
