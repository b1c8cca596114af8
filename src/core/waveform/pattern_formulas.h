// The current of each pattern kind at a simulated time t (s), from the tab's parameters.
// Every pattern takes its position within the period from the absolute time, so each
// one starts a period at t = 0 and repeats without drift. Durations are in ms, currents
// in A. The parameter records start at the initial texts of the tab's controls; the
// guards on durations and divisors are applied here, so any values are safe.
#pragma once

#include <cmath>
#include <string_view>
#include <vector>

namespace voltaris {

// Fractional part x - trunc(x).
inline double Frac(double x) { return x - std::trunc(x); }

// Period in s of a cycle typed in ms: a duration <= 0 takes `defaultMs`, and a period
// that is still not positive becomes 1 ms.
double CyclePeriodSec(double durMs, double defaultMs);

// Sine between iMin and iMax at f Hz: mid + amp sin(2 pi f t).
double SineAt(double iMin, double iMax, double freqHz, double t);

// Base, rise, top (with a super-top in its middle), fall, gap.
struct TSuperpulse {
  double baseA = 1, topA = 3, superTopA = 4;
  double riseMs = 10, topMs = 150, fallMs = 10, superTopMs = 20, baseMs = 50, gapMs = 0;
  bool soft = true;  // cosine edges and a parabolic super-top bump over the whole top

  double PeriodMs() const;
  double At(double t) const;
};

// Rise profile of the tangential pulse, chosen by the text of CbTanProfile.
enum class TTanProfile { Power, Smoothstep, Exp, Sigmoid };
// Trimmed, lower-cased text compared with "exp(k)", "sigmoid(k)", "smoothstep";
// anything else (also "linear") is the power profile x^K.
TTanProfile TanProfileFromText(std::string_view text);

// Rise, hold at the peak, fall.
struct TTangential {
  double baseA = 1, peakA = 3, riseMs = 40, holdMs = 60, fallMs = 40;
  TTanProfile profile = TTanProfile::Power;
  double k = 1.5;  // K <= 0 acts as 1

  double PeriodMs() const;
  double At(double t) const;
};

// I0 to I1 in the first half of the period and back, with curvature K.
struct TParabola {
  double i0 = 2, i1 = 3, durMs = 200, curvature = 0.7;

  double PeriodSec() const;
  double At(double t) const;
};

// Rise, top, fall, bottom; each duration <= 0 counts as 1 ms.
struct TTrapezoid {
  double baseA = 3, topA = 5, riseMs = 10, topMs = 150, fallMs = 10, bottomMs = 50;

  double PeriodSec() const;
  double At(double t) const;
  // The reference preview lays the breakpoints on the period rounded to whole ms and
  // guards its divisors with 1e-6.
  double PreviewPeriodSec() const;
  double PreviewAt(double t) const;
};

// A Bezier curve over the control values `ys` (the y of each typed point), once per
// period, scaled from ScaleMin to ScaleMax. Empty ys: the constant ScaleMin.
struct TBezier {
  double durMs = 200, scaleMin = 2, scaleMax = 5;

  double PeriodSec() const;
  double At(double t, const std::vector<double>& ys, std::vector<double>& work) const;
  // The same curve summed in Bernstein form (the preview's many points per keystroke).
  double PreviewAt(double t, const std::vector<double>& ys) const;
};

// Saw-tooth and triangle modes by the item index of CbTriMode.
struct TTriangle {
  int mode = 0;  // 0 up, 1 down, 2 updown, 3 (and any other) downup
  double iMin = 2, iMax = 5, riseMs = 100, fallMs = 100;

  double PeriodSec() const;
  double At(double t) const;
};

// One logistic rise from about I0 to about I1 per period.
struct TSigmoid {
  double durMs = 200, i0 = 2, i1 = 5, k = 8;

  double PeriodSec() const;
  double At(double t) const;
};

// One Gaussian pulse per period, centred at Mu with width Sigma (fractions of the period).
struct TGaussian {
  double durMs = 200, iMin = 2, iMax = 5, mu = 0.5, sigma = 0.18;

  double PeriodSec() const;
  double At(double t) const;
};

// A sine whose decay envelope restarts at every cycle, limited to [Imin, Imax].
struct TDampedSine {
  double iMin = 2, iMax = 5, freqHz = 5, phaseDeg = 0, tauMs = 300;

  double FreqHz() const;  // the frequency in use (<= 0 acts as 1 Hz)
  double At(double t) const;
  // The reference preview: one envelope over the absolute time with the time constant
  // given in seconds, not limited to [Imin, Imax].
  double PreviewAt(double t, double tauSec) const;
};

// An exponential rise from I0 to I1 per period; K < 0 gives a convex (slow) start.
struct TExponential {
  double durMs = 200, i0 = 2, i1 = 5, k = 2;

  double PeriodSec() const;
  double At(double t) const;
};

// The template current table at run time: entry trunc(phase x length) held, no
// interpolation, scaled from minA to maxA. The table must hold at least one value.
double LutHoldAt(const std::vector<double>& table, double minA, double maxA, double periodSec, double t);

// The Custom LUT preview: index (M - 1) x phase, linear between neighbours when
// `interpolate`, otherwise zero-order hold; the value is limited to [0, 1] and scaled.
double LutPreviewAt(const std::vector<double>& table, double lo, double hi, double periodSec, bool interpolate,
                    double t);

}  // namespace voltaris
