// The reference wave of a whole run: one current sample (A) per sample period of the
// session's time base, for the full run length, synthesised from the pattern document.
// It uses generic normalised shapes driven only by the document's levels, frequency and
// pulse settings - not the detailed tab formulas that the live set-point evaluates.
// Sample k belongs to time k / fs. The run start and the headless run build it once and
// decimate it into the input of the SEI growth simulation.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
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

// The reference wave of a pattern at the session's time base. The calibration is
// accepted and not used. Empty when the pattern, its body, the session or its time
// base is missing. Throws std::range_error when the sample count does not fit a
// 32-bit signed integer.
std::vector<double> BuildReferenceWave(const TPatternRoot* pattern, const TSimRoot* session,
                                       const TCalRoot* calibration);

// The last reference wave of a window (its Start and its headless runs) with the inputs it was
// built from: a start whose pattern and time base are those of the last build takes the
// same samples again instead of synthesising them anew, and a start with other inputs
// frees the old samples before the new ones are made, so two runs' waves are never held
// at once. One instance per window: nothing here is shared between threads.
class TReferenceWaveCache {
 public:
  // BuildReferenceWave(pattern, session, calibration), moved out to the caller. The kept
  // samples are handed over when the inputs match; otherwise they are freed first.
  std::vector<double> Build(const TPatternRoot* pattern, const TSimRoot* session, const TCalRoot* calibration);
  // Mean of the samples handed out by the last Build (0 for an empty wave).
  double Mean() const { return mean_; }
  // Takes the samples back when the run is done with them (its Clear). Only the very
  // samples the last Build handed out are kept; anything else is freed.
  void Keep(std::vector<double>&& wave);
  // The wave handed out was replaced or changed: nothing kept may be reused.
  void Forget();
  // Whether the last Build reused the kept samples (for measurements and tests).
  bool LastBuildReused() const { return reused_; }
  // How many Builds synthesised their samples and how many reused kept ones, since the
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

  Key key_;                      // inputs of the samples handed out or kept
  std::vector<double> kept_;     // samples given back by Keep
  const double* handedOut_ = nullptr;
  size_t handedOutSize_ = 0;
  double mean_ = 0;
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
