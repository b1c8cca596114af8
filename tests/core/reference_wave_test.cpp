// The whole-run reference wave: golden samples of each synthesis, the run envelope, the
// substitutes for missing values, sample counts and the facade's sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "documents/document_error.h"
#include "documents/sim_validation.h"
#include "waveform/reference_wave.h"

namespace voltaris {
namespace {

constexpr double kTol = 1e-9;
constexpr double kPi = std::numbers::pi;

TSimRoot Session(double fsHz, double totalS, double rampInS = 0, double rampOutS = 0) {
  TSimRoot s;
  *s.FTimebase = {fsHz, totalS, rampInS, rampOutS};
  return s;
}

TPatternRoot Pattern(const std::string& type, double lo, double hi, double freqHz, double dutyPct = 50) {
  TPatternRoot p;
  p.FPattern->FType = type;
  *p.FPattern->FLevels = {lo, hi};
  p.FPattern->FPulse->FFreqHz = freqHz;
  p.FPattern->FPulse->FDutyPct = dutyPct;
  return p;
}

std::vector<double> Build(const TPatternRoot& p, const TSimRoot& s) { return BuildReferenceWave(&p, &s, nullptr); }

struct SampleCase {
  size_t index;
  double expected;
};

void ExpectSamples(const std::vector<double>& wave, std::initializer_list<SampleCase> cases, double tol = kTol) {
  for (const auto& c : cases) {
    ASSERT_LT(c.index, wave.size());
    EXPECT_NEAR(wave[c.index], c.expected, tol) << "sample " << c.index;
  }
}

TEST(ReferenceWave, SineOverTheDefaultSession) {
  // 1000 Hz for an hour, 0..60 A at 3 Hz: the seed pattern on a new session.
  const std::vector<double> w = Build(TPatternRoot::CreateDefaultSinus(), TSimRoot::CreateV11());
  ASSERT_EQ(w.size(), 3'600'000u);
  EXPECT_NEAR(w[0], 30.0, kTol);  // sin 0; the run envelope is not applied to shape waves
  const auto peak = std::max_element(w.begin(), w.begin() + 333);
  EXPECT_EQ(peak - w.begin(), 83);  // a quarter period (83.3 samples) later
  EXPECT_NEAR(*peak, 60.0, 1e-3);
  EXPECT_NEAR(w[2'000'000], 30.0, 1e-6);  // 6000 whole cycles: no drift
  EXPECT_NEAR(w.back(), 30.0 + 30.0 * std::sin(2 * kPi * 3 * 3599.999), 1e-6);
}

// A long wave is filled in two halves at once; every sample, the ones at the seam
// included, is the per-sample formula to the last bit, and so is the sample the described
// wave computes when it is read.
TEST(ReferenceWave, LongShapeWavesEqualThePerSampleFormulaEverywhere) {
  for (const char* kind : {"sine", "triangle", "damped_sine", "superpulse"}) {
    const TPatternRoot p = Pattern(kind, 1.0, 4.0, 7.0);
    const TSimRoot s = Session(1000.0, 301.0);  // 301 000 samples: past the two-thread length
    const std::vector<double> w = Build(p, s);
    const TReferenceWave described = DescribeReferenceWave(&p, &s, nullptr);
    ASSERT_EQ(w.size(), 301'000u) << kind;
    ASSERT_EQ(described.size(), w.size()) << kind;
    const double dt = 1.0 / 1000.0;
    size_t differing = 0;
    for (size_t k = 0; k < w.size(); ++k) {
      const double x = 7.0 * static_cast<double>(k) * dt;
      double unit;
      if (std::string(kind) == "superpulse") {
        const double z = (x - std::floor(x) - 0.5) / 0.12;
        unit = std::exp(-z * z / 2.0);
      } else {
        unit = ShapeValue(std::string_view(kind), x);
      }
      if (w[k] != 1.0 + 3.0 * unit || described[k] != w[k]) ++differing;
    }
    EXPECT_EQ(differing, 0u) << kind;
  }
}

// Every kind of described wave: each sample read equals the stored sample to the last bit,
// and the mean's text is that of the sample-by-sample sum, also where the mean sits on or
// next to a rounding boundary of the text and the period-wise sum cannot settle it.
TEST(ReferenceWave, DescribedWavesReadAndAverageAsTheirStoredSamples) {
  struct Case {
    const char* name;
    TPatternRoot pattern;
    TSimRoot session;
  };
  TPatternRoot trapezoid = Pattern("trapezoid", 0.5, 5.0, 1000.0 / 210.0, 100.0 * 160.0 / 210.0);
  trapezoid.FPattern->FRamp->FUpS = 0.01;
  trapezoid.FPattern->FRamp->FDownS = 0.01;
  trapezoid.FPattern->FRamp->FShape = "smooth";
  TPatternRoot noType = Pattern("", 0, 0, 0);
  noType.FPattern->FBaseProfile->FCcCurrentA = 0.1;  // 0.1 summed 72 000 times is not 7200
  TPatternRoot boundaryGauss = Pattern("gaussian", 0.0, 1.0, 5.0);
  boundaryGauss.FPattern->FPulse->FSigma = 0.003;  // steep: the bound is wide
  const std::vector<Case> cases = {
      {"sine at 3 Hz", Pattern("sinusoidal", 0.4, 2.0, 3.0), Session(1000, 72)},
      {"sine on a boundary", Pattern("sinusoidal", 0.0, 1.001, 3.0), Session(1000, 72)},
      {"sine at 2.7183 Hz", Pattern("sinusoidal", 0.4, 2.0, 2.7183), Session(1000, 72)},
      {"sine beyond the rate", Pattern("sinusoidal", 0.4, 2.0, 3.0), Session(1, 600)},
      {"slow sine", Pattern("sinusoidal", -1.0, 2.0, 0.0001), Session(1000, 72)},
      {"triangle", Pattern("triangle", 1.0, 3.0, 7.0), Session(500, 100)},
      {"tangential", Pattern("tangential", 0.2, 1.7, 3.3), Session(1000, 60)},
      {"parabola", Pattern("parabola", 0.0, 4.0, 11.0), Session(1000, 60)},
      {"sigmoid", Pattern("sigmoid", 0.1, 0.9, 2.0), Session(1000, 60)},
      {"damped sine", Pattern("damped_sine", 0.0, 3.0, 4.0), Session(1000, 60)},
      {"exponential", Pattern("exponential", 0.5, 2.5, 1.5), Session(1000, 60)},
      {"superpulse", Pattern("superpulse", 0.0, 6.0, 5.0), Session(1000, 60)},
      {"steep gaussian", boundaryGauss, Session(1000, 60)},
      {"equal levels", Pattern("sinusoidal", 0.0005, 0.0005, 3.0), Session(1000, 60)},
      {"trapezoid under the envelope", trapezoid, Session(1000, 90, 10, 20)},
      {"degenerate trapezoid", Pattern("trapezoid", 0.0, 2.0, 0.0), Session(1000, 30, 5, 5)},
      {"no type", noType, Session(1000, 72)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TReferenceWave wave = DescribeReferenceWave(&c.pattern, &c.session, nullptr);
    const std::vector<double> stored = Build(c.pattern, c.session);
    ASSERT_EQ(wave.size(), stored.size());
    size_t differing = 0;
    double sum = 0;
    for (size_t k = 0; k < stored.size(); ++k) {
      if (wave[k] != stored[k]) ++differing;
      sum += stored[k];
    }
    EXPECT_EQ(differing, 0u);
    const double mean = sum / static_cast<double>(stored.size());
    EXPECT_EQ(wave.MeanText(), FormatFloat("0.###", mean));
    EXPECT_EQ(wave.Mean(), mean);
    EXPECT_EQ(wave.MeanText(), FormatFloat("0.###", mean));  // again, from what is known
  }
  const TReferenceWave empty;
  EXPECT_EQ(empty.MeanText(), "0");
  EXPECT_EQ(TReferenceWave({1.0, 2.0, 4.0}).MeanText(), FormatFloat("0.###", 7.0 / 3.0));
}

TEST(ReferenceWave, UnitShapesByKindInTestOrder) {
  struct Case {
    const char* kind;
    double x;
    double expected;
  };
  const Case cases[] = {
      {"triangle", 0.25, 0.5},
      {"triangle", 3.75, 0.5},  // the phase is frac(x)
      {"Triangle_tangential", 0.5, 1.0},  // "triang" is tested before "tang"
      {"  Tangential ", 0.75, (std::tanh(1.0) + 1) / 2},
      {"rectangle", 0.75, (std::tanh(1.0) + 1) / 2},  // holds "tang"
      {"parabola", 0.5, 1.0},
      {"bezier", 0.25, 0.75},
      {"sigmoid", 0.6, 1 / (1 + std::exp(-1.0))},
      {"exp_sigmoid", 0.5, 0.5},  // "sigm" before "exp"
      {"damped_sine", 0.25, (std::exp(-0.625) + 1) / 2},
      {"dsine", 0.75, (1 - std::exp(-1.875)) / 2},
      {"exponential", 0.2, (1 - std::exp(-1.0)) / (1 - std::exp(-5.0))},
      {"sinusoidal", 0.25, 1.0},
      {"lut", 0.25, 1.0},
      {"cc_cv", 0.75, 0.0},
      {"gaussian", 0.25, 1.0},  // the Gaussian pulse belongs to the synthesis, not to the shapes
  };
  for (const auto& c : cases) EXPECT_NEAR(ShapeValue(c.kind, c.x), c.expected, 1e-12) << c.kind << " x=" << c.x;

  for (const char* kind : {"triangle", "tangential", "parabola", "sigmoid", "damped_sine", "exponential", "sine"})
    for (int i = 0; i <= 100; ++i) {
      const double u = ShapeValue(kind, i / 100.0);
      EXPECT_TRUE(u >= 0.0 && u <= 1.0) << kind << " p=" << i / 100.0 << " u=" << u;
    }

  for (double x : {-3.0, -0.4, 0.0, 0.3, 2.0, 18.0})
    EXPECT_NEAR(TanhApprox(x), std::tanh(x), 1e-15) << x;
  EXPECT_EQ(TanhApprox(400.0), 1.0);  // not inf/inf
  EXPECT_EQ(TanhApprox(-400.0), -1.0);
}

TEST(ReferenceWave, EdgeEasingByShapeName) {
  struct Case {
    const char* shape;
    double x;
    double expected;
  };
  const Case cases[] = {
      {"smooth", 0.2, (1 - std::cos(0.2 * kPi)) / 2},
      {"S-Curve", 0.5, 0.5},
      {"SMOOTH", 1.7, 1.0},
      {"parabolic", 0.3, 0.09},
      {"Parabolic", -2.0, 0.0},
      {"", 0.3, 0.3},
      {"linear", 1.5, 1.0},
      {"Parapolik", 0.3, 0.3},  // the schedule's spelling is not an edge shape
      {" smooth", 0.2, 0.2},    // compared ignoring case only
  };
  for (const auto& c : cases) EXPECT_NEAR(Easing(c.shape, c.x), c.expected, 1e-12) << c.shape << " x=" << c.x;
}

TEST(ReferenceWave, GaussianPulsesOfSuperpulseAndGaussian) {
  const TSimRoot s = Session(1000, 2);
  // Sigma and centre 0 stand for 0.12 and 0.5 of the period.
  TPatternRoot superpulse = Pattern("superpulse", 1, 4, 1);
  const double atOneSigma = 1 + 3 * std::exp(-0.5);
  ExpectSamples(Build(superpulse, s), {{500, 4.0},
                                       {1500, 4.0},
                                       {380, atOneSigma},
                                       {620, atOneSigma},
                                       {0, 1 + 3 * std::exp(-std::pow(0.5 / 0.12, 2) / 2)}});

  TPatternRoot gaussian = Pattern("Gaussian", 2, 5, 2);
  gaussian.FPattern->FPulse->FSigma = 0.2;
  gaussian.FPattern->FPulse->FCenter = 0.3;
  // 2 Hz: 500 samples per period, the peak at 0.3 of it.
  ExpectSamples(Build(gaussian, s), {{150, 5.0}, {650, 5.0}, {250, 2 + 3 * std::exp(-0.5)}}, 1e-9);
}

TEST(ReferenceWave, LevelSubstitutesOfShapeWaves) {
  struct Case {
    const char* what;
    double lo, hi;
    bool baseProfile;
    double mid, top;  // sample 0 (sin 0) and the quarter-period crest
  };
  const Case cases[] = {
      {"levels as given", 2, 6, true, 4, 6},
      {"no high level: the base profile's CC current, from 0", 5, 0, true, 30, 60},
      {"no levels at all: 0 to 1", 0, 0, false, 0.5, 1},
      {"a high level of 0 without a base profile stays", 2, 0, false, 1, 0},
  };
  const TSimRoot s = Session(1000, 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TPatternRoot p = Pattern("sinusoidal", c.lo, c.hi, 1);
    if (!c.baseProfile) p.FPattern->FBaseProfile = nullptr;
    ExpectSamples(Build(p, s), {{0, c.mid}, {250, c.top}});
  }

  // A file may drop the levels and pulse blocks: levels read as 0 (the base profile's
  // 60 A takes over) and the frequency as 1 Hz.
  TPatternRoot bare = Pattern("sinusoidal", 0, 0, 0);
  bare.FPattern->FLevels = nullptr;
  bare.FPattern->FPulse = nullptr;
  ExpectSamples(Build(bare, s), {{0, 30}, {250, 60}, {750, 0}});
}

TEST(ReferenceWave, TrapezoidPeriodOfRiseTopFallAndBottom) {
  // 220 ms period at 1000 Hz: rise 10 + top 150 + fall 10 of duty, 50 ms bottom.
  TPatternRoot p = Pattern("trapezoid", 3, 5, 1000.0 / 220.0, 170.0 * 100.0 / 220.0);
  p.FPattern->FRamp->FUpS = 0.01;
  p.FPattern->FRamp->FDownS = 0.01;
  struct EdgeCase {
    const char* shape;
    double midRise, midFall;
  };
  for (const auto& e : {EdgeCase{"smooth", 4.0, 4.0}, EdgeCase{"parabolic", 3.5, 4.5}, EdgeCase{"", 4.0, 4.0}}) {
    SCOPED_TRACE(e.shape);
    p.FPattern->FRamp->FShape = e.shape;
    const std::vector<double> w = Build(p, Session(1000, 1));
    ASSERT_EQ(w.size(), 1000u);
    ExpectSamples(w, {{0, 3.0},
                      {5, e.midRise},
                      {10, 5.0},
                      {169, 5.0},
                      {170, 5.0},  // the fall starts at hi
                      {175, e.midFall},
                      {180, 3.0},
                      {219, 3.0},
                      {220, 3.0}});
    for (size_t k = 220; k < w.size(); ++k) ASSERT_EQ(w[k], w[k - 220]) << k;
  }
}

TEST(ReferenceWave, RampedSquareDegenerateSettingsGiveHiUnderTheRunEnvelope) {
  // Duty 100 %: all hi, then the run envelope fades 10 s in and 20 s out.
  const std::vector<double> w = Build(Pattern("ramped_square", 1, 5, 3, 100), Session(1000, 100, 10, 20));
  ASSERT_EQ(w.size(), 100'000u);
  ExpectSamples(w, {{0, 0.0}, {5000, 2.5}, {10'000, 5.0}, {50'000, 5.0}, {99'999 - 10'000, 2.5}, {99'999, 0.0}});

  struct Case {
    double freqHz, dutyPct;
  };
  for (const auto& c : {Case{0, 50}, Case{-2, 50}, Case{3, 0}, Case{3, 120}}) {
    const std::vector<double> flat = Build(Pattern("ramped_square", 1, 5, c.freqHz, c.dutyPct), Session(100, 1));
    ASSERT_EQ(flat.size(), 100u);
    EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](double v) { return v == 5.0; }))
        << "f=" << c.freqHz << " duty=" << c.dutyPct;
  }
}

TEST(ReferenceWave, RunEnvelopeLongerThanTheWave) {
  const TSimRoot s = Session(1, 10, 10, 2);  // the fade-in covers all 4 samples
  std::vector<double> w(4, 8.0);
  ApplySimGlobalRamp(w, &s);
  EXPECT_EQ(w, (std::vector<double>{0.0, 2.0, 2.0, 0.0}));  // in: 0, 1/4, 2/4, 3/4; out: x1/2, x0

  std::vector<double> untouched(3, 1.0);
  ApplySimGlobalRamp(untouched, nullptr);
  TSimRoot noTimebase;
  noTimebase.FTimebase = nullptr;
  ApplySimGlobalRamp(untouched, &noTimebase);
  EXPECT_EQ(untouched, std::vector<double>(3, 1.0));
}

TEST(ReferenceWave, EmptyTypeIsTheBaseProfileCurrent) {
  TPatternRoot p = Pattern("  ", 0, 60, 3);
  p.FPattern->FBaseProfile->FCcCurrentA = 2.5;
  EXPECT_EQ(Build(p, Session(10, 2)), std::vector<double>(20, 2.5));
  EXPECT_EQ(Build(p, Session(1, 12.5)).size(), 12u);  // halves go to the even neighbour
  EXPECT_EQ(Build(p, Session(1, 13.5)).size(), 14u);
  EXPECT_EQ(Build(p, Session(1, 0.2)), std::vector<double>(1, 2.5));  // at least one sample

  p.FPattern->FBaseProfile = nullptr;
  EXPECT_EQ(Build(p, Session(10, 0.5)), std::vector<double>(5, 1.0));

  // Shape waves count their samples the same way.
  EXPECT_EQ(Build(Pattern("sinusoidal", 0, 1, 1), Session(1, 12.5)).size(), 12u);
}

TEST(ReferenceWave, MissingDocumentsGiveAnEmptyWave) {
  const TPatternRoot p = Pattern("sinusoidal", 0, 1, 1);
  const TSimRoot s = Session(10, 1);
  TPatternRoot noBody = p;
  noBody.FPattern = nullptr;
  TSimRoot noTimebase = s;
  noTimebase.FTimebase = nullptr;
  EXPECT_TRUE(BuildReferenceWave(nullptr, &s, nullptr).empty());
  EXPECT_TRUE(BuildReferenceWave(&noBody, &s, nullptr).empty());
  EXPECT_TRUE(BuildReferenceWave(&p, nullptr, nullptr).empty());
  EXPECT_TRUE(BuildReferenceWave(&p, &noTimebase, nullptr).empty());
  EXPECT_EQ(Build(p, s).size(), 10u);
}

TEST(ReferenceWave, SampleCountBeyondA32BitIntegerIsARangeError) {
  for (const char* type : {"sinusoidal", "trapezoid", ""}) {
    SCOPED_TRACE(type);
    try {
      Build(Pattern(type, 0, 1, 1), Session(1e6, 3600));  // 3.6e9 samples
      ADD_FAILURE() << "no error";
    } catch (const std::range_error& e) {
      EXPECT_NE(std::string(e.what()).find("3600000000 samples"), std::string::npos) << e.what();
    }
  }
}

TEST(ReferenceWave, FromFilesNormalisesThenLoadsPatternAndCalibration) {
  std::vector<std::string> loaded;
  const TPatternLoader loadPattern = [&](const std::string& name) {
    loaded.push_back(name);
    return Pattern("sinusoidal", 0, 60, 3);
  };
  const TCalLoader loadCal = [&](const std::string& name) {
    loaded.push_back(name);
    return TCalRoot{};
  };

  EXPECT_TRUE(BuildRefWaveFromFiles(nullptr, loadPattern, loadCal).empty());
  EXPECT_TRUE(loaded.empty());

  TSimRoot sim = Session(0, 2);  // no rate and no references: normalisation fills them in
  const std::vector<double> w = BuildRefWaveFromFiles(&sim, loadPattern, loadCal);
  EXPECT_EQ(sim.FTimebase->FFsHz, 1000.0);
  EXPECT_EQ(loaded, (std::vector<std::string>{std::string(kSeedPatternFile), std::string(kSeedCalFile)}));
  ASSERT_EQ(w.size(), 2000u);
  EXPECT_NEAR(w[0], 30.0, kTol);

  loaded.clear();
  const TPatternLoader failing = [&](const std::string& name) -> TPatternRoot {
    loaded.push_back(name);
    throw DocumentError("Pattern file schema mismatch");
  };
  EXPECT_THROW(BuildRefWaveFromFiles(&sim, failing, loadCal), DocumentError);
  EXPECT_EQ(loaded.size(), 1u);  // the calibration is not read after a failed pattern
}

}  // namespace
}  // namespace voltaris
