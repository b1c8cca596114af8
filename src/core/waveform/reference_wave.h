// The reference wave of a whole run: one current sample (A) per sample period of the
// session's time base, for the full run length, synthesised from the pattern document.
// It uses generic normalised shapes driven only by the document's levels, frequency and
// pulse settings - not the detailed tab formulas that the live set-point evaluates.
// Sample k belongs to time k / fs. The run start and the headless run describe it once and
// read the samples of the SEI growth simulation's input from it.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/cal_document.h"
#include "documents/pattern_document.h"
#include "documents/sim_document.h"

namespace voltaris {

// The longest reference wave: its sample count must fit a 32-bit signed integer.
inline constexpr std::int64_t kMaxReferenceSamples = std::numeric_limits<std::int32_t>::max();

// The unit shape u(p) in [0, 1] of a pattern kind, p being the phase within the period.
enum class TRefShape { Triangle, Tangential, Parabola, Sigmoid, DampedSine, Exponential, Sine };

// The shape of a kind name (trimmed, lower-cased), the first matching test deciding:
// "triang", "tang", "parab"/"bezier", "sigm", "damped"/"dsine", "exp", else the sine
// (also "sinusoidal", "lut", "cc_cv").
TRefShape RefShapeOfKind(std::string_view kind);

// u(frac(x)) of the shape; x is the phase in cycles.
double ShapeValue(TRefShape shape, double x);
double ShapeValue(std::string_view kind, double x);

// The edge ramp of a pulse: "smooth" or "s-curve" (any case) give the cosine ease,
// "parabolic" gives x^2, any other name the straight line.
enum class TEdgeEasing { Linear, Cosine, Parabolic };
TEdgeEasing EdgeEasingOf(std::string_view shape);

// The eased value of x limited to [0, 1].
double Easing(TEdgeEasing easing, double x);
double Easing(std::string_view shape, double x);

// (e^(2x) - 1)/(e^(2x) + 1); beyond |x| = 20 the quotient is +-1 to the last bit, and
// it is returned as such instead of inf/inf.
double TanhApprox(double x);

// Shape synthesis: lo + (hi - lo) u at the phase f k / fs of every sample; the kinds
// containing "gauss" or "superpuls" give one Gaussian pulse per period (width sigma,
// centre as fractions of the period). No run envelope. Empty without a time base or a
// pattern body. Throws std::range_error when the run has more samples than fit.
std::vector<double> SynthesizeShapePattern(const TPatternRoot* pattern, const TSimRoot* session,
                                           std::string_view kind);

// Ramped square (also the trapezoid): each period rises from lo to hi over the rise
// time, holds hi to the end of the duty part, falls over the fall time and holds lo;
// degenerate pulse settings give a constant hi. The run envelope is applied. Empty
// without a time base or a pattern body; std::range_error when too long.
std::vector<double> SynthesizeRampedSquare(const TPatternRoot* pattern, const TSimRoot* session);

// Run envelope: fades the first rampInS and the last rampOutS seconds linearly, so the
// first and the last sample become 0. Nothing without a time base or samples.
void ApplySimGlobalRamp(std::vector<double>& wave, const TSimRoot* session);

// A run's reference wave as a description: sample k is computed when it is read, the same
// to the last bit as the stored wave's, so a run that reads a hundredth of its samples (the
// chemistry wave) and its mean neither pays for nor holds all of them. Copies share the
// description and what was worked out about the mean; nothing here is shared between
// threads.
class TReferenceWave {
 public:
  TReferenceWave();
  // Samples given as they are (the chemistry table's preview wave).
  explicit TReferenceWave(std::vector<double> samples);

  size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }
  // Sample k < size().
  double operator[](size_t k) const;
  // Every sample; a long shape wave is filled in two halves at once. Throws
  // std::runtime_error when there is no memory for them.
  std::vector<double> Samples() const;
  // The samples summed in index order over their count (0 for an empty wave), worked out
  // once per description.
  double Mean() const;
  // FormatFloat("0.###", Mean()). A periodic or constant wave is summed period-wise with a
  // bound on the difference to the sample-by-sample sum: when no rounding boundary of the
  // text lies within the bound the text is that of the bounds; otherwise Mean() decides.
  std::string MeanText() const;

 private:
  friend TReferenceWave DescribeReferenceWave(const TPatternRoot*, const TSimRoot*, const TCalRoot*);
  friend TReferenceWave DescribeShapePattern(const TPatternRoot*, const TSimRoot*, std::string_view);
  friend TReferenceWave DescribeRampedSquare(const TPatternRoot*, const TSimRoot*);

  enum class TKind { Stored, Constant, Shape, Gauss, Periodic };
  struct TMeanMemo {
    bool bounded = false;    // whether the bounds were looked for
    bool boundable = false;  // whether lo..hi holds them
    double lo = 0, hi = 0;
    std::optional<double> exact;
  };
  // Bounds on Mean() from a period-wise sum; false when the wave gives none.
  bool MeanBounds(double& lo, double& hi) const;
  // The period-wise mean of a shape wave and the bound on its difference to Mean().
  bool ShapeMeanEstimate(double& estimate, double& bound) const;
  double ShapeUnit(double x) const;

  TKind kind_ = TKind::Stored;
  size_t n_ = 0;
  // Constant: value_. Shape and Gauss: lo_ + span_ u(f_ k dt_), u of shape_ or the Gaussian
  // pulse (sigma_, centre_). Periodic: one period of samples_ repeated, then the run
  // envelope fading the first rampIn_ and the last rampOut_ samples.
  double value_ = 0, lo_ = 0, span_ = 0, f_ = 0, dt_ = 0, sigma_ = 0, centre_ = 0;
  TRefShape shape_ = TRefShape::Sine;
  std::int64_t rampIn_ = 0, rampOut_ = 0;
  std::shared_ptr<const std::vector<double>> samples_;
  std::shared_ptr<TMeanMemo> memo_;
};

// The reference wave of a pattern at the session's time base, described. The calibration
// is accepted and not used. Empty when the pattern, its body, the session or its time base
// is missing. Throws std::range_error when the sample count does not fit a 32-bit signed
// integer.
TReferenceWave DescribeReferenceWave(const TPatternRoot* pattern, const TSimRoot* session,
                                     const TCalRoot* calibration);
TReferenceWave DescribeShapePattern(const TPatternRoot* pattern, const TSimRoot* session, std::string_view kind);
TReferenceWave DescribeRampedSquare(const TPatternRoot* pattern, const TSimRoot* session);

// Its samples, stored.
std::vector<double> BuildReferenceWave(const TPatternRoot* pattern, const TSimRoot* session,
                                       const TCalRoot* calibration);

// The last reference wave of a window (its Start and its headless runs) with the inputs it
// was described from: a start whose pattern and time base are those of the last build
// takes the same wave again, with what was worked out about its mean, instead of
// describing it anew. One instance per window: nothing here is shared between threads.
class TReferenceWaveCache {
 public:
  // DescribeReferenceWave(pattern, session, calibration), or the last one when the inputs
  // match.
  TReferenceWave Build(const TPatternRoot* pattern, const TSimRoot* session, const TCalRoot* calibration);
  // The wave handed out was replaced or changed: nothing kept may be reused.
  void Forget();
  // Whether the last Build reused the kept wave (for measurements and tests).
  bool LastBuildReused() const { return reused_; }
  // How many Builds described a wave anew and how many reused the kept one, since the
  // cache was made (a calibration's runs or a benchmark read them as differences).
  int Builds() const { return builds_; }
  int Reuses() const { return reuses_; }

 private:
  struct Key {
    bool valid = false;
    std::string type;
    bool hasLevels = false, hasPulse = false, hasRamp = false, hasBase = false;
    double lo = 0, hi = 0, freq = 0, duty = 0, sigma = 0, centre = 0, up = 0, down = 0, cc = 0;
    std::string rampShape;
    double fs = 0, total = 0, rampIn = 0, rampOut = 0;
    bool operator==(const Key&) const = default;
  };
  static Key KeyOf(const TPatternRoot* pattern, const TSimRoot* session);

  Key key_;              // inputs of the kept wave
  TReferenceWave kept_;  // the wave of the last Build
  bool reused_ = false;
  int builds_ = 0;
  int reuses_ = 0;
};

// Readers of the documents a session names (the workspace's schema-checked loaders).
using TPatternLoader = std::function<TPatternRoot(const std::string& fileName)>;
using TCalLoader = std::function<TCalRoot(const std::string& fileName)>;

// The reference wave of a session from its referenced files: empty for a null session;
// otherwise the session is normalised in place, the pattern named by its "patternFile"
// and then the calibration named by its "calFile" are read (their errors propagate),
// and the wave is built from them.
std::vector<double> BuildRefWaveFromFiles(TSimRoot* sim, const TPatternLoader& loadPattern,
                                          const TCalLoader& loadCal);

}  // namespace voltaris
