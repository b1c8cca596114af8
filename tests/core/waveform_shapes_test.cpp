// The pattern formulas and point lists: timing within the period, profiles, guards and
// the places where the preview reads differently from the run.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "common/unit_shapes.h"
#include "waveform/pattern_formulas.h"
#include "waveform/pattern_points.h"

namespace voltaris {
namespace {

constexpr double kTol = 1e-9;
constexpr double kPi = std::numbers::pi;

struct TimeCase {
  double t;
  double expected;
};

TEST(WaveformShapes, UnitEasingCurves) {
  for (double x : {-0.5, 0.0, 0.1, 0.25, 0.5, 0.9, 1.0, 1.5}) {
    EXPECT_NEAR(EaseCos01(x), EaseCosine(x), kTol) << x;  // one curve, two spellings
    EXPECT_EQ(Clamp01(x), x < 0 ? 0 : (x > 1 ? 1 : x));
  }
  EXPECT_NEAR(EaseCos01(0.5), 0.5, kTol);
  EXPECT_NEAR(SmoothStep(0.25), 0.15625, kTol);
  EXPECT_EQ(SmoothStep(-3), 0.0);
  EXPECT_EQ(SmoothStep(3), 1.0);
}

TEST(WaveformShapes, SuperpulseTimingWithSoftEdges) {
  const TSuperpulse p;  // initial tab: base 0-50 ms, rise to 60, top to 210, fall to 220
  EXPECT_DOUBLE_EQ(p.PeriodMs(), 220.0);
  const TimeCase cases[] = {
      {0.000, 1.0},
      {0.025, 1.0},  // base
      {0.055, 2.0},  // middle of the cosine rise
      {0.060, 3.0},  // top starts: the bump is 0 at its edges
      {0.100, 3.0 + (1.0 - std::pow(2.0 * 40.0 / 150.0 - 1.0, 2.0))},
      {0.135, 4.0},  // middle of the top: peak of the bump
      {0.215, 2.0},  // middle of the fall
      {0.220, 1.0},  // next period starts at the base
      {0.22 * 7 + 0.135, 4.0},
  };
  for (const auto& c : cases) EXPECT_NEAR(p.At(c.t), c.expected, 1e-6) << "t=" << c.t;
}

TEST(WaveformShapes, SuperpulseHardEdgesAndSuperTopWidth) {
  TSuperpulse p;
  p.soft = false;
  // A flat 4 A plateau of 20 ms centred in the 150 ms top (125..145 ms), linear edges.
  const TimeCase hard[] = {{0.055, 2.0}, {0.120, 3.0}, {0.126, 4.0}, {0.144, 4.0}, {0.150, 3.0}, {0.215, 2.0}};
  for (const auto& c : hard) EXPECT_NEAR(p.At(c.t), c.expected, 1e-6) << "t=" << c.t;

  p.superTopMs = 0;  // no super-top: the top stays flat
  EXPECT_NEAR(p.At(0.135), 3.0, kTol);
  p.superTopMs = 400;  // wider than the top: the plateau covers the whole top
  EXPECT_NEAR(p.At(0.061), 4.0, kTol);
  EXPECT_NEAR(p.At(0.209), 4.0, kTol);

  TSuperpulse zero;  // every duration 0: a 1 ms period at the base level
  zero.riseMs = zero.topMs = zero.fallMs = zero.baseMs = zero.gapMs = zero.superTopMs = 0;
  EXPECT_DOUBLE_EQ(zero.PeriodMs(), 1.0);
  for (double t : {0.0, 0.0004, 0.0123}) EXPECT_DOUBLE_EQ(zero.At(t), 1.0);

  TSuperpulse negative;  // negative durations count as 0
  negative.gapMs = -30;
  negative.baseMs = -5;
  EXPECT_DOUBLE_EQ(negative.PeriodMs(), 170.0);
  EXPECT_NEAR(negative.At(0.005), 2.0, 1e-6);  // middle of the rise, which now opens the period
}

TEST(WaveformShapes, TangentialProfilesAndK) {
  // rise 0-40 ms, hold to 100, fall to 140; sample the middle of the rise and of the fall.
  const double e = std::exp(1.5) - 1.0;
  const double expRise = (std::exp(0.75) - 1.0) / e;
  struct Case {
    const char* profile;
    double k;
    double riseU;  // u at x = 0.5 of the rise
    double fallU;  // u at x = 0.5 of the fall
  };
  const Case cases[] = {
      {"linear", 1.5, std::pow(0.5, 1.5), std::pow(0.5, 1.5)},  // power profile x^K, not a line
      {"  LINEAR ", 0.0, 0.5, 0.5},                             // K <= 0 acts as 1
      {"smoothstep", 1.5, 0.25, 0.75},
      {"exp(K)", 1.5, expRise, 1.0 - expRise},
      {" Exp(k) ", 1.5, expRise, 1.0 - expRise},
      {"sigmoid(K)", 9.0, std::sin(kPi / 4), std::cos(kPi / 4)},  // K plays no part
      {"exp", 3.0, std::pow(0.5, 3.0), std::pow(0.5, 3.0)},       // not exactly "exp(k)": power
  };
  for (const auto& c : cases) {
    TTangential p;
    p.profile = TanProfileFromText(c.profile);
    p.k = c.k;
    EXPECT_NEAR(p.At(0.020), 1.0 + 2.0 * c.riseU, 1e-9) << c.profile << " K=" << c.k;
    EXPECT_NEAR(p.At(0.120), 1.0 + 2.0 * c.fallU, 1e-9) << c.profile << " K=" << c.k;
    EXPECT_NEAR(p.At(0.070), 3.0, 1e-12) << "hold at the peak";
    EXPECT_NEAR(p.At(0.140), 1.0, 1e-9) << "period restarts at the base";
  }
}

TEST(WaveformShapes, ParabolaWithKOneIsATriangle) {
  TParabola p;
  p.curvature = 1;
  for (const auto& c : std::vector<TimeCase>{{0.0, 2.0}, {0.05, 2.5}, {0.1, 3.0}, {0.15, 2.5}, {0.25, 2.5}})
    EXPECT_NEAR(p.At(c.t), c.expected, 1e-9) << c.t;
  p.curvature = -2;  // <= 0 acts as 1
  EXPECT_NEAR(p.At(0.05), 2.5, 1e-9);
  p.durMs = 0;  // <= 0 becomes 200 ms
  EXPECT_DOUBLE_EQ(p.PeriodSec(), 0.2);
}

TEST(WaveformShapes, TrapezoidRunAndPreviewBreakpoints) {
  const TTrapezoid p;  // base 3, top 5; rise 10, top 150, fall 10, bottom 50 ms
  const TimeCase cases[] = {{0.0, 3.0}, {0.005, 4.0}, {0.1, 5.0}, {0.165, 4.0}, {0.2, 3.0}, {0.225, 4.0}};
  for (const auto& c : cases) {
    EXPECT_NEAR(p.At(c.t), c.expected, 1e-9) << c.t;
    EXPECT_NEAR(p.PreviewAt(c.t), c.expected, 1e-9) << c.t;  // whole-ms period: same curve
  }
  TTrapezoid odd;
  odd.riseMs = 10.4;  // period 220.4 ms at run time, 220 ms in the preview
  EXPECT_DOUBLE_EQ(odd.PreviewPeriodSec(), 0.22);
  EXPECT_NEAR(odd.At(0.2204), 3.0, 1e-9);
  EXPECT_GT(odd.PreviewAt(0.2204), 3.05);
  TTrapezoid zero{1, 2, 0, 0, 0, 0};  // every duration 1 ms
  EXPECT_DOUBLE_EQ(zero.PeriodSec(), 0.004);
  EXPECT_NEAR(zero.At(0.0015), 2.0, 1e-9);
}

TEST(WaveformShapes, BezierNumberExtraction) {
  struct Case {
    const char* text;
    std::vector<double> run;      // numbers as the run reads them
    std::vector<double> preview;  // numbers as the preview reads them
  };
  const Case cases[] = {
      {"[[0,0],[1,1]]", {0, 0, 1, 1}, {0, 0, 1, 1}},
      {"[[0;0],[1;1]]", {0, 0, 1, 1}, {0, 0}},  // ";" does not separate comma text: "0;0" reads 0
      {"[[0,1e-1],[1,1]]", {0, 0.1, 1, 1}, {0, 0.1, 1, 1}},
      {"[[0,0],[x,1]]", {0, 0, 1}, {0, 0, 0, 1}},  // the run drops "x", the preview reads it as 0
      {"1,2,3", {1, 2, 3}, {1, 2, 3}},
      {"[0.5 , 2] 1e 7", {0.5, 2, 7}, {0.5, 2, 0, 7}},  // "1e" is no number
      {"1,,2,", {1, 2}, {1, 0, 2, 0}},                  // empty comma items count for the preview
      {"", {}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractBezierNumbers(c.text), c.run) << c.text;
    EXPECT_EQ(ReadPreviewBezierNumbers(c.text), c.preview) << c.text;
  }
  EXPECT_TRUE(BezierYValues({1, 2, 3}).empty());  // odd count
  EXPECT_TRUE(BezierYValues({1, 2}).empty());     // fewer than 4 numbers
  EXPECT_EQ(BezierYValues({0, 5, 1, 7}), (std::vector<double>{5, 7}));
}

TEST(WaveformShapes, BezierCurveOverThePeriod) {
  const TBezier p;  // 200 ms, 2..5 A
  std::vector<double> work;
  const std::vector<double> bump =
      BezierYValues(ExtractBezierNumbers("[[0,0],[0.3,0.1],[0.7,0.9],[1,1],[0.7,0.9],[0.3,0.1],[0.0,0.0]]"));
  ASSERT_EQ(bump, (std::vector<double>{0, 0.1, 0.9, 1, 0.9, 0.1, 0}));
  // B(0.5) = sum C(6,k) y_k / 64 over the symmetric control values.
  EXPECT_NEAR(p.At(0.1, bump, work), 2.0 + 3.0 * (6 * 0.1 + 15 * 0.9 + 20 + 15 * 0.9 + 6 * 0.1) / 64.0, 1e-12);
  EXPECT_NEAR(p.At(0.0, bump, work), 2.0, 1e-12);
  EXPECT_NEAR(p.At(0.05, bump, work), p.At(0.15, bump, work), 1e-12);  // symmetric bump

  const std::vector<double> ramp{0, 1};
  EXPECT_NEAR(p.At(0.05, ramp, work), 2.75, 1e-12);  // two points: a linear ramp
  EXPECT_NEAR(p.At(0.25, ramp, work), 2.75, 1e-12);
  const std::vector<double> over{-1, 3};  // the curve is limited to [0, 1] before scaling
  EXPECT_DOUBLE_EQ(p.At(0.0, over, work), 2.0);
  EXPECT_DOUBLE_EQ(p.At(0.19, over, work), 5.0);
  EXPECT_DOUBLE_EQ(p.At(0.07, {}, work), 2.0);  // no usable curve: ScaleMin
  TBezier zero;
  zero.durMs = -1;  // <= 0 becomes 2000 ms
  EXPECT_DOUBLE_EQ(zero.PeriodSec(), 2.0);
}

TEST(WaveformShapes, TriangleModes) {
  TTriangle p;  // 2..5 A
  p.riseMs = 100;
  p.fallMs = 300;  // period 400 ms, r = 0.25
  struct Case {
    int mode;
    double t, expected;
  };
  const Case cases[] = {
      {0, 0.025, 2.75},  {0, 0.3, 2.0},                                  // up: saw-tooth, then Min
      {1, 0.0, 5.0},     {1, 0.15, 3.5}, {1, 0.3, 2.0}, {1, 0.35, 5.0},  // down: Max to Min over 300 ms, Max
      {2, 0.025, 2.75},  {2, 0.3, 3.0},                                  // updown
      {3, 0.025, 4.25},  {3, 0.3, 4.0},                                  // downup
      {-1, 0.025, 4.25}, {9, 0.3, 4.0},                                  // any other index: downup
  };
  for (const auto& c : cases) {
    p.mode = c.mode;
    EXPECT_NEAR(p.At(c.t), c.expected, 1e-9) << "mode " << c.mode << " t=" << c.t;
  }
  TTriangle zero;  // rise 0 and fall 0: both 1 ms, r = 0.5
  zero.riseMs = zero.fallMs = 0;
  zero.mode = 2;
  EXPECT_DOUBLE_EQ(zero.PeriodSec(), 0.002);
  EXPECT_NEAR(zero.At(0.001), 5.0, 1e-9);
}

TEST(WaveformShapes, SigmoidGaussianAndExponential) {
  TSigmoid s;
  EXPECT_NEAR(s.At(0.1), 3.5, 1e-12);  // mid-period
  EXPECT_NEAR(s.At(0.0), 2.0 + 3.0 / (1.0 + std::exp(8.0)), 1e-12);
  s.k = 0;  // <= 0 acts as 1
  EXPECT_NEAR(s.At(0.0), 2.0 + 3.0 / (1.0 + std::exp(1.0)), 1e-12);

  TGaussian g;
  EXPECT_NEAR(g.At(0.1), 5.0, 1e-12);  // centre of the period
  g.mu = 0.25;                         // centre and sigma are not clamped to their captions
  EXPECT_NEAR(g.At(0.05), 5.0, 1e-12);
  g.sigma = 0;  // <= 1e-6 becomes 0.001: a spike
  EXPECT_NEAR(g.At(0.06), 2.0, 1e-12);

  TExponential e;  // K = 2
  EXPECT_NEAR(e.At(0.1), 2.0 + 3.0 * (1.0 - std::exp(-1.0)) / (1.0 - std::exp(-2.0)), 1e-12);
  TExponential k0, k1;
  k0.k = 0;
  k1.k = 1;
  for (double t : {0.01, 0.07, 0.13}) EXPECT_DOUBLE_EQ(k0.At(t), k1.At(t));  // K = 0 behaves as K = 1
  TExponential convex;
  convex.k = -2;  // slow start: below the midpoint at mid-period
  EXPECT_NEAR(convex.At(0.1), 2.0 + 3.0 / (1.0 + std::exp(1.0)), 1e-12);
  EXPECT_LT(convex.At(0.1), 3.5);
}

TEST(WaveformShapes, DampedSineRestartsEachCycleAndStaysWithinItsLimits) {
  TDampedSine p;  // 2..5 A, 5 Hz (200 ms cycles), tau 300 ms
  p.phaseDeg = 90;
  EXPECT_NEAR(p.At(0.0), 5.0, 1e-12);                                     // full amplitude at the start of a cycle
  EXPECT_NEAR(p.At(0.2 - 1e-9), 3.5 + 1.5 * std::exp(-0.2 / 0.3), 1e-6);  // decayed by its end
  EXPECT_NEAR(p.At(0.4), 5.0, 1e-9);                                      // the envelope restarts
  // The preview keeps one envelope over the whole window, with tau in seconds.
  EXPECT_NEAR(p.PreviewAt(0.4, 0.3), 3.5 + 1.5 * std::exp(-0.4 / 0.3), 1e-9);

  for (const TDampedSine& q :
       {TDampedSine{2, 5, 7, 33, 300}, TDampedSine{5, 2, 3, -70, 0}, TDampedSine{-1, 1, 0, 0, 1e-9}}) {
    for (int i = 0; i < 5000; ++i) {
      const double v = q.At(i * 0.00037);
      EXPECT_GE(v, std::min(q.iMin, q.iMax));
      EXPECT_LE(v, std::max(q.iMin, q.iMax));
    }
  }
  TDampedSine tiny;
  tiny.tauMs = 0;  // becomes 1 ms
  tiny.phaseDeg = 90;
  EXPECT_NEAR(tiny.At(0.001), 3.5 + 1.5 * std::exp(-1.0) * std::cos(2 * kPi * 5 * 0.001), 1e-9);
  tiny.freqHz = -4;  // <= 0 acts as 1 Hz
  EXPECT_DOUBLE_EQ(tiny.FreqHz(), 1.0);
}

TEST(WaveformShapes, LookUpTableIndexing) {
  // Run time: entry trunc(phase x 4) held for 50 ms of a 200 ms cycle, no interpolation.
  const std::vector<double> four{0, 0.25, 0.5, 1};
  const TimeCase hold[] = {{0.001, 2}, {0.049, 2}, {0.051, 3}, {0.151, 6}, {0.199, 6}, {0.2, 2}, {0.251, 3}};
  for (const auto& c : hold) EXPECT_NEAR(LutHoldAt(four, 2, 6, 0.2, c.t), c.expected, 1e-12) << c.t;
  EXPECT_NEAR(LutHoldAt(four, 2, 6, 0.0, 0.3), 3.0, 1e-12);       // no period: 1 s
  EXPECT_NEAR(LutHoldAt(four, 2, 6, 0.2, INFINITY), 2.0, 1e-12);  // no index outside the table

  // Preview: index (M - 1) x phase; zero-order hold or linear between neighbours.
  const std::vector<double> five{0, 0.15, 0.5, 0.85, 1};
  EXPECT_NEAR(LutPreviewAt(five, 2, 5, 0.2, false, 0.06), 2.45, 1e-9);
  EXPECT_NEAR(LutPreviewAt(five, 2, 5, 0.2, true, 0.06), 2.66, 1e-9);
  EXPECT_NEAR(LutPreviewAt(five, 2, 5, 0.2, false, 0.1999), 4.55, 1e-9);
  EXPECT_NEAR(LutPreviewAt(five, 2, 5, 0.2, true, 0.1999), 5.0, 1e-3);  // reaches the top at the end
  EXPECT_NEAR(LutPreviewAt({0, 2}, 2, 5, 0.2, true, 0.1), 5.0, 1e-9);   // values limited to [0, 1]
}

TEST(WaveformShapes, LutPointList) {
  EXPECT_EQ(ParsePoints("0;0.15;0.5;0.85;1"), (std::vector<double>{0, 0.15, 0.5, 0.85, 1}));
  EXPECT_EQ(ParsePoints(" 0.5 ;; x; -2, 7 ,"), (std::vector<double>{0.5, 0, 1}));
  EXPECT_EQ(ParsePoints("0,5"), (std::vector<double>{0, 1}));  // a decimal comma splits the number
  EXPECT_TRUE(ParsePoints("").empty());
}

}  // namespace
}  // namespace voltaris
