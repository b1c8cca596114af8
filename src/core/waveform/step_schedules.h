// The current and voltage schedules typed by the user: "minutes,amperes; ..." and
// "minutes:volts; ...", their parsing, the first-order approach of the current target
// from step to step, and the piecewise-linear voltage schedule.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace voltaris {

// One point of the current schedule: the step starts at tMin (minutes from the start
// of the run) and targets IMaxA (A).
struct TStepPt {
  double tMin = 0;
  double IMaxA = 0;
  bool operator==(const TStepPt&) const = default;
};

// One point of the voltage schedule: TMin minutes, V volts.
struct TVStep {
  double TMin = 0;
  double V = 0;
  bool operator==(const TVStep&) const = default;
};

// Parses "min,A; min,A; ..." into `steps` (cleared first), in the typed order, without
// range or order checks; pieces without a "," or with a side that is not a number are
// skipped. True when at least one point was read.
bool ParseISteps(std::string_view text, std::vector<TStepPt>& steps);

// The current target at tSec (s): the first point's current until later points start,
// then each started point approached exponentially from the running value with
// tauUpS (rising) or tauDnS (falling), in s. Only the leading run of started points
// counts: the walk stops at the first point that has not started. Empty: 0.
double StepTargetAvgWithRamp(double tSec, const std::vector<TStepPt>& steps, double tauUpS, double tauDnS);

// Replaces every "." and "," by the user's decimal separator.
std::string NormalizeNumberStr(std::string_view text);

// Appends one point to a voltage schedule.
void AppendVStep(std::vector<TVStep>& sched, double tMin, double volts);

// Parses "min:V; ..." (separator ":", else "=", else ","; blanks ignored; "." and ","
// both read as the decimal separator). Points need minutes >= 0 and volts > 0. A text
// without any such point gives the single point (0, defaultV) when defaultV > 0; an
// empty text gives an empty schedule. The result is sorted by time.
std::vector<TVStep> ParseVSteps(std::string_view text, double defaultV);

// The voltage of a schedule at tSec (s): v0 for an empty schedule, the first point's
// voltage before it, straight lines between points, and after the last point the
// smaller of its voltage and `ceilingV`.
double ScheduledVoltage(const std::vector<TVStep>& sched, double tSec, double v0, double ceilingV);

// Reads a current typed in amperes ("2.5", "2,5A") or as a C-rate of capAh ("0.5C");
// "," counts as ".", whatever the user's regional settings. False (and a = 0) when
// the text does not read.
bool ParseCCTextToAmp(std::string_view text, double capAh, double& a);

}  // namespace voltaris

namespace voltaris {

// StepTargetAvgWithRamp for a live run that asks at times that mostly rise: the same value
// to the last bit, at a cost that does not grow with the number of points. A point whose
// exponential approach has come closer to its target than half a unit in the last place
// yields exactly its target from then on, whatever came before it, so the chain can start
// there (the anchor) instead of at the first point. The anchor only moves on once the
// approach is provably complete (with a margin of one time constant), and an earlier time
// than the last one asked for starts the chain afresh.
//
// Many points within a few time constants of each other (thousands of steps in an hour)
// would still leave a long chain: there, once it is longer than kExactChain points, it
// starts at the latest point m whose later approaches together have shrunk any value
// entering m by at least 2^-60 of the largest target (the factors e^(-dt/tau) of the points
// from m on, each bounded with the longer time constant, multiply). The running value
// entering m is then taken as the target before m. The result stays within that bound of
// the whole chain, so it differs from it by a rounding step at most (one unit in the last
// place of the largest target), and the cost of a step is bounded by how densely the points
// lie, not by how many there are. Schedules whose chain stays within kExactChain points
// get the whole chain's value to the last bit.
class TStepTargetCursor {
 public:
  TStepTargetCursor() = default;
  TStepTargetCursor(std::vector<TStepPt> steps, double tauUpS, double tauDnS);

  // StepTargetAvgWithRamp(tSec, Steps(), tauUpS, tauDnS).
  double At(double tSec);

  // Longest chain always followed point by point.
  static constexpr size_t kExactChain = 16;

  const std::vector<TStepPt>& Steps() const { return steps_; }
  double TauUp() const { return tauUp_; }
  double TauDn() const { return tauDn_; }

 private:
  void Restart();
  // Earliest time from which point `a`, entered with the running value `entry`, yields
  // exactly its target (infinity when that cannot be shown).
  double SettledFrom(size_t a, double entry) const;

  std::vector<TStepPt> steps_;
  double tauUp_ = 0, tauDn_ = 0;
  double lastT_ = 0;
  bool fresh_ = true;
  size_t started_ = 0;  // points of the leading run of started points
  size_t anchor_ = 1;   // first point whose approach is still computed
  double entry_ = 0;    // running value entering the anchor point
  double settled_ = 0;  // time from which the anchor point yields its target exactly

  // Whether the cut may be used (finite times, targets and time constants, targets that differ).
  bool cuttable_ = false;
  std::vector<double> startSum_;     // sum of the first i start times (s)
  std::vector<double> startAbsSum_;  // the same of their magnitudes, for the rounding bound
  double tauLong_ = 0;   // the longer time constant (s), at least 1e-6
  double cutDecay_ = 0;  // the decay exponent a cut needs
  size_t cut_ = 0;       // latest point a chain may start at (0: none yet)
  // The decay exponent of the points m..k at tSec, less its rounding error.
  double DecayFrom(size_t m, size_t k, double tSec) const;
};

}  // namespace voltaris
