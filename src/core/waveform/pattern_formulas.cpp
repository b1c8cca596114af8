#include "waveform/pattern_formulas.h"
#include "waveform/kind_text.h"

#include <algorithm>
#include <numbers>
#include <string>

#include "common/unit_shapes.h"
#include "waveform/pattern_points.h"

namespace voltaris {

namespace {

constexpr double kPi = std::numbers::pi;

// A segment length used as a divisor: lengths below 1e-6 become 1e-6.
double Seg(double len) { return len < 1e-6 ? 1e-6 : len; }

double NonNegative(double v) { return v < 0.0 ? 0.0 : v; }
double OneMsIfNotPositive(double ms) { return ms <= 0.0 ? 1.0 : ms; }

// Position within the period: phase in [0, 1) for t >= 0.
double Phase(double t, double periodSec) { return Frac(t / periodSec); }

double LutPeriod(double periodSec) { return periodSec > 1e-9 ? periodSec : 1.0; }

// A table index from a real position, limited to 0..last (a non-finite position gives 0).
size_t TableIndex(double pos, size_t last) {
  if (!(pos > 0.0)) return 0;
  if (pos >= static_cast<double>(last)) return last;
  return static_cast<size_t>(pos);
}

}  // namespace

double CyclePeriodSec(double durMs, double defaultMs) {
  const double ms = durMs <= 0.0 ? defaultMs : durMs;
  const double p = ms / 1000.0;
  return p <= 0.0 ? 0.001 : p;
}

double SineAt(double iMin, double iMax, double freqHz, double t) {
  const double mid = (iMin + iMax) / 2.0;
  const double amp = (iMax - iMin) / 2.0;
  return mid + amp * std::sin(2.0 * kPi * freqHz * t);
}

// ---- Superpulse -------------------------------------------------------------------------

double TSuperpulse::PeriodMs() const {
  const double p =
      NonNegative(baseMs) + NonNegative(riseMs) + NonNegative(topMs) + NonNegative(fallMs) + NonNegative(gapMs);
  return p <= 0.0 ? 1.0 : p;
}

double TSuperpulse::At(double t) const {
  const double rise = NonNegative(riseMs), top = NonNegative(topMs), fall = NonNegative(fallMs);
  const double spr = NonNegative(superTopMs), base = NonNegative(baseMs);
  const double periodMs = PeriodMs();
  const double tau = Phase(t, periodMs / 1000.0) * periodMs;
  const double ta = base + rise;  // start of the top
  const double tb = ta + top;     // end of the top

  if (tau < base) return baseA;
  if (tau < ta) {
    const double x = (tau - base) / Seg(rise);
    const double s = soft ? EaseCos01(x) : Clamp01(x);
    return baseA + s * (topA - baseA);
  }
  if (tau < tb) {
    double w0 = ta, w1 = tb;  // soft: the super-top bump spans the whole top
    if (!soft) {
      const double h = std::min(spr / 2.0, top / 2.0);
      const double c = ta + top / 2.0;
      w0 = c - h;
      w1 = c + h;
    }
    if (spr > 0.0 && w0 <= tau && tau <= w1) {
      if (!soft) return superTopA;
      const double u = (tau - w0) / Seg(w1 - w0);
      const double bump = std::max(0.0, 1.0 - (2.0 * u - 1.0) * (2.0 * u - 1.0));
      return topA + bump * (superTopA - topA);
    }
    return topA;
  }
  if (tau < tb + fall) {
    const double x = (tau - tb) / Seg(fall);
    const double s = soft ? EaseCos01(1.0 - x) : 1.0 - Clamp01(x);
    return baseA + s * (topA - baseA);
  }
  return baseA;  // gap
}

// ---- Tangential -------------------------------------------------------------------------

TTanProfile TanProfileFromText(std::string_view text) {
  const std::string p = TrimLowerAscii(text);
  if (p == "exp(k)") return TTanProfile::Exp;
  if (p == "sigmoid(k)") return TTanProfile::Sigmoid;
  if (p == "smoothstep") return TTanProfile::Smoothstep;
  return TTanProfile::Power;
}

double TTangential::PeriodMs() const {
  const double p = NonNegative(riseMs) + NonNegative(holdMs) + NonNegative(fallMs);
  return p <= 0.0 ? 1.0 : p;
}

double TTangential::At(double t) const {
  const double rise = NonNegative(riseMs), hold = NonNegative(holdMs), fall = NonNegative(fallMs);
  const double periodMs = PeriodMs();
  const double tau = Phase(t, periodMs / 1000.0) * periodMs;
  const double kk = k <= 0.0 ? 1.0 : k;
  const double expDen = std::exp(kk) - 1.0;
  const bool expFlat = std::fabs(expDen) < 1e-9;

  double u = 0.0;
  if (tau < rise) {
    const double x = tau / Seg(rise);
    switch (profile) {
      case TTanProfile::Exp:
        u = expFlat ? x : (std::exp(kk * x) - 1.0) / expDen;
        break;
      case TTanProfile::Sigmoid:
        u = std::sin(x * kPi / 2.0);
        break;
      case TTanProfile::Smoothstep:
        u = x * x;
        break;
      case TTanProfile::Power:
        u = std::pow(x, kk);
        break;
    }
  } else if (tau < rise + hold) {
    u = 1.0;
  } else if (tau < periodMs) {
    const double x = (tau - rise - hold) / Seg(fall);
    switch (profile) {
      case TTanProfile::Exp:
        u = 1.0 - (expFlat ? x : (std::exp(kk * x) - 1.0) / expDen);
        break;
      case TTanProfile::Sigmoid:
        u = std::cos(x * kPi / 2.0);
        break;
      case TTanProfile::Smoothstep:
        u = 1.0 - x * x;
        break;
      case TTanProfile::Power:
        u = std::pow(1.0 - x, kk);
        break;
    }
  }
  return baseA + Clamp01(u) * (peakA - baseA);
}

// ---- Parabola ---------------------------------------------------------------------------

double TParabola::PeriodSec() const { return CyclePeriodSec(durMs, 200.0); }

double TParabola::At(double t) const {
  const double kk = curvature <= 0.0 ? 1.0 : curvature;
  const double phi = Phase(t, PeriodSec());
  const double c = phi <= 0.5 ? std::pow(2.0 * phi, kk) : std::pow(1.0 - 2.0 * (phi - 0.5), kk);
  return i0 + (i1 - i0) * c;
}

// ---- Trapezoid --------------------------------------------------------------------------

namespace {

double TrapezoidValue(const TTrapezoid& p, double periodMs, double guard, double t) {
  const double a = OneMsIfNotPositive(p.riseMs) / periodMs;
  const double b = a + OneMsIfNotPositive(p.topMs) / periodMs;
  const double c = b + OneMsIfNotPositive(p.fallMs) / periodMs;
  double periodSec = periodMs / 1000.0;
  if (periodSec <= 0.0) periodSec = 0.001;
  const double phi = Phase(t, periodSec);
  if (phi < a) return p.baseA + (p.topA - p.baseA) * phi / (a > guard ? a : guard);
  if (phi < b) return p.topA;
  if (phi < c) return p.topA - (p.topA - p.baseA) * (phi - b) / (c - b > guard ? c - b : guard);
  return p.baseA;
}

double TrapezoidPeriodMs(const TTrapezoid& p) {
  return OneMsIfNotPositive(p.riseMs) + OneMsIfNotPositive(p.topMs) + OneMsIfNotPositive(p.fallMs) +
         OneMsIfNotPositive(p.bottomMs);
}

// The period rounded to whole ms (halves to even), at least 1 ms.
double RoundedPeriodMs(const TTrapezoid& p) { return std::max(1.0, std::nearbyint(TrapezoidPeriodMs(p))); }

}  // namespace

double TTrapezoid::PeriodSec() const { return TrapezoidPeriodMs(*this) / 1000.0; }
double TTrapezoid::At(double t) const { return TrapezoidValue(*this, TrapezoidPeriodMs(*this), 1e-9, t); }
double TTrapezoid::PreviewPeriodSec() const { return RoundedPeriodMs(*this) / 1000.0; }
double TTrapezoid::PreviewAt(double t) const { return TrapezoidValue(*this, RoundedPeriodMs(*this), 1e-6, t); }

// ---- Bezier -----------------------------------------------------------------------------

double TBezier::PeriodSec() const { return CyclePeriodSec(durMs, 2000.0); }

double TBezier::At(double t, const std::vector<double>& ys, std::vector<double>& work) const {
  if (ys.empty()) return scaleMin;
  const double b = BezierAt(ys, Phase(t, PeriodSec()), work);
  return scaleMin + Clamp01(b) * (scaleMax - scaleMin);
}

double TBezier::PreviewAt(double t, const std::vector<double>& ys) const {
  if (ys.empty()) return scaleMin;
  const double b = BezierBernsteinAt(ys, Phase(t, PeriodSec()));
  return scaleMin + Clamp01(b) * (scaleMax - scaleMin);
}

// ---- Triangle ---------------------------------------------------------------------------

double TTriangle::PeriodSec() const {
  const double p = (OneMsIfNotPositive(riseMs) + OneMsIfNotPositive(fallMs)) / 1000.0;
  return p <= 0.0 ? 0.001 : p;
}

double TTriangle::At(double t) const {
  const double rise = OneMsIfNotPositive(riseMs), fall = OneMsIfNotPositive(fallMs);
  const double r = std::clamp(rise / (rise + fall), 1e-6, 0.999999);
  const double phi = Phase(t, PeriodSec());
  const double span = iMax - iMin;
  switch (mode) {
    case 0:  // up: saw-tooth rise, then Min
      return phi <= r ? iMin + span * phi / r : iMin;
    case 1:  // down: fall over the fall time, then Max
      return phi <= 1.0 - r ? iMax - span * phi / (1.0 - r) : iMax;
    case 2:  // updown
      return phi <= r ? iMin + span * phi / r : iMax - span * (phi - r) / (1.0 - r);
    default:  // downup
      return phi <= r ? iMax - span * phi / r : iMin + span * (phi - r) / (1.0 - r);
  }
}

// ---- Sigmoid ----------------------------------------------------------------------------

double TSigmoid::PeriodSec() const { return CyclePeriodSec(durMs, 200.0); }

double TSigmoid::At(double t) const {
  const double kk = k <= 0.0 ? 1.0 : k;
  const double z = 2.0 * Phase(t, PeriodSec()) - 1.0;
  const double s = 1.0 / (1.0 + std::exp(-kk * z));
  return i0 + Clamp01(s) * (i1 - i0);
}

// ---- Gaussian ---------------------------------------------------------------------------

double TGaussian::PeriodSec() const { return CyclePeriodSec(durMs, 200.0); }

double TGaussian::At(double t) const {
  const double sg = sigma <= 1e-6 ? 0.001 : sigma;
  const double z = (Phase(t, PeriodSec()) - mu) / sg;
  const double g = std::exp(-z * z / 2.0);
  return iMin + Clamp01(g) * (iMax - iMin);
}

// ---- Damped sine ------------------------------------------------------------------------

double TDampedSine::FreqHz() const { return freqHz <= 0.0 ? 1.0 : freqHz; }

double TDampedSine::At(double t) const {
  const double f = FreqHz();
  const double periodSec = 1.0 / f;
  const double tc = Phase(t, periodSec) * periodSec;  // time into the current cycle
  double tauSec = tauMs / 1000.0;
  if (tauSec <= 1e-6) tauSec = 0.001;
  const double mid = (iMin + iMax) / 2.0, amp = (iMax - iMin) / 2.0;
  const double v = mid + amp * std::exp(-tc / tauSec) * std::sin(2.0 * kPi * f * tc + phaseDeg * kPi / 180.0);
  return std::clamp(v, std::min(iMin, iMax), std::max(iMin, iMax));
}

double TDampedSine::PreviewAt(double t, double tauSec) const {
  const double f = FreqHz();
  const double tau = tauSec <= 1e-6 ? 0.001 : tauSec;
  const double mid = (iMin + iMax) / 2.0, amp = (iMax - iMin) / 2.0;
  return mid + amp * std::exp(-t / tau) * std::sin(2.0 * kPi * f * t + phaseDeg * kPi / 180.0);
}

// ---- Exponential ------------------------------------------------------------------------

double TExponential::PeriodSec() const { return CyclePeriodSec(durMs, 200.0); }

double TExponential::At(double t) const {
  const double kk = k == 0.0 ? 1.0 : k;
  const double phi = Phase(t, PeriodSec());
  const double d = 1.0 - std::exp(-kk);
  const double u = std::fabs(d) < 1e-9 ? phi : (1.0 - std::exp(-kk * phi)) / d;
  return i0 + Clamp01(u) * (i1 - i0);
}

// ---- Look-up tables ---------------------------------------------------------------------

double LutHoldAt(const std::vector<double>& table, double minA, double maxA, double periodSec, double t) {
  const double phase = Phase(t, LutPeriod(periodSec));
  const size_t idx = TableIndex(std::trunc(phase * static_cast<double>(table.size())), table.size() - 1);
  return minA + table[idx] * (maxA - minA);
}

double LutPreviewAt(const std::vector<double>& table, double lo, double hi, double periodSec, bool interpolate,
                    double t) {
  const double phi = Phase(t, LutPeriod(periodSec));
  const double r = static_cast<double>(table.size() - 1) * phi;
  const size_t k0 = TableIndex(std::floor(r), table.size() - 1);
  const size_t k1 = std::min(k0 + 1, table.size() - 1);
  double v = table[k0];
  if (k0 != k1 && interpolate) {
    const double w = r - static_cast<double>(k0);
    v = (1.0 - w) * table[k0] + w * table[k1];
  }
  return lo + Clamp01(v) * (hi - lo);
}

}  // namespace voltaris
