#include "waveform/step_schedules.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "common/numbers.h"

namespace voltaris {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// Calls `fn` with every piece of `text` between ";" separators.
template <typename Fn>
void ForEachItem(std::string_view text, Fn fn) {
  size_t start = 0;
  for (;;) {
    const size_t semi = text.find(';', start);
    fn(text.substr(start, semi == std::string_view::npos ? std::string_view::npos : semi - start));
    if (semi == std::string_view::npos) return;
    start = semi + 1;
  }
}

}  // namespace

bool ParseISteps(std::string_view text, std::vector<TStepPt>& steps) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  steps.clear();
  ForEachItem(text, [&](std::string_view piece) {
    piece = Trim(piece);
    const size_t comma = piece.find(',');
    if (piece.empty() || comma == std::string_view::npos) return;
    const double minutes = SafeStrToF(Trim(piece.substr(0, comma)), kNaN);
    const double amps = SafeStrToF(Trim(piece.substr(comma + 1)), kNaN);
    if (std::isnan(minutes) || std::isnan(amps)) return;
    steps.push_back({minutes, amps});
  });
  return !steps.empty();
}

double StepTargetAvgWithRamp(double tSec, const std::vector<TStepPt>& steps, double tauUpS, double tauDnS) {
  if (steps.empty()) return 0.0;
  double y = steps[0].IMaxA;
  size_t k = 0;
  for (size_t i = 0; i < steps.size() && steps[i].tMin * 60.0 <= tSec; ++i) k = i;
  for (size_t i = 1; i <= k; ++i) {
    const double target = steps[i].IMaxA;
    const double dt = std::max(0.0, tSec - steps[i].tMin * 60.0);
    double tau = target >= y ? tauUpS : tauDnS;
    if (tau <= 1e-6) tau = 1e-6;
    y = target + (y - target) * std::exp(-dt / tau);
  }
  return y;
}

TStepTargetCursor::TStepTargetCursor(std::vector<TStepPt> steps, double tauUpS, double tauDnS)
    : steps_(std::move(steps)), tauUp_(tauUpS), tauDn_(tauDnS) {
  // The cut needs finite inputs; any value entering a point lies between the smallest and
  // the largest target, so it is off by their spread at most.
  double lo = std::numeric_limits<double>::infinity(), hi = -lo, big = 0;
  cuttable_ = std::isfinite(tauUp_) && std::isfinite(tauDn_);
  startSum_.assign(1, 0.0);
  startAbsSum_.assign(1, 0.0);
  for (const TStepPt& p : steps_) {
    const double s = p.tMin * 60.0;
    cuttable_ = cuttable_ && std::isfinite(s) && std::isfinite(p.IMaxA);
    lo = std::min(lo, p.IMaxA);
    hi = std::max(hi, p.IMaxA);
    big = std::max(big, std::fabs(p.IMaxA));
    startSum_.push_back(startSum_.back() + s);
    startAbsSum_.push_back(startAbsSum_.back() + std::fabs(s));
  }
  tauLong_ = std::max({tauUp_, tauDn_, 1e-6});
  const double spread = hi - lo;
  cuttable_ = cuttable_ && spread > 0.0 && std::isfinite(spread) && std::isfinite(startAbsSum_.back());
  // spread x e^-x <= 2^-60 x big, with one unit more for the roundings of the bound.
  cutDecay_ = cuttable_ ? std::log(spread / (big * 0x1p-60)) + 1.0 : 0.0;
  cuttable_ = cuttable_ && std::isfinite(cutDecay_);
  Restart();
}

double TStepTargetCursor::DecayFrom(size_t m, size_t k, double tSec) const {
  // sum over j = m..k of (tSec - s_j), from the sums of the start times.
  const double count = static_cast<double>(k - m + 1);
  const double span = count * tSec - (startSum_[k + 1] - startSum_[m]);
  // Each of the few operations above rounds once, and each sum rounded once per term.
  const double error = static_cast<double>(steps_.size() + 8) * 0x1p-52 *
                       (count * std::fabs(tSec) + startAbsSum_[k + 1] + startAbsSum_[m]);
  return (span - error) / tauLong_;
}

void TStepTargetCursor::Restart() {
  fresh_ = true;
  started_ = 0;
  anchor_ = 1;
  entry_ = steps_.empty() ? 0.0 : steps_[0].IMaxA;
  settled_ = SettledFrom(anchor_, entry_);
  cut_ = 0;
}

double TStepTargetCursor::SettledFrom(size_t a, double entry) const {
  constexpr double kNever = std::numeric_limits<double>::infinity();
  if (a >= steps_.size()) return kNever;
  const double target = steps_[a].IMaxA;
  const double start = steps_[a].tMin * 60.0;
  if (!std::isfinite(target) || !std::isfinite(entry) || !std::isfinite(start)) return kNever;
  const double d = entry - target;
  if (d == 0.0) return start;  // target + 0 x e is the target from the start on
  double tau = target >= entry ? tauUp_ : tauDn_;
  if (tau <= 1e-6) tau = 1e-6;
  if (!std::isfinite(tau)) return kNever;
  // |d| e^(-dt/tau) must stay below a quarter of the spacing of doubles just below the
  // target, so that target + d e rounds to the target; a target of 0 needs e itself to
  // vanish. One time constant more than that absorbs every rounding of dt, dt/tau and exp.
  const double x = target == 0.0 ? 746.0 + std::log(std::max(std::fabs(d), 1.0))
                                  : std::log(std::fabs(d) / (std::fabs(target) * 0x1p-55));
  if (!std::isfinite(x)) return kNever;
  return start + tau * (std::max(x, 0.0) + 1.0);
}

double TStepTargetCursor::At(double tSec) {
  if (steps_.empty()) return 0.0;
  if (!fresh_ && !(tSec >= lastT_)) Restart();  // an earlier time (or NaN): the chain afresh
  fresh_ = false;
  lastT_ = tSec;
  const size_t n = steps_.size();
  while (started_ < n && steps_[started_].tMin * 60.0 <= tSec) ++started_;
  const size_t k = started_ > 0 ? started_ - 1 : 0;
  while (anchor_ <= k && tSec >= settled_) {
    entry_ = steps_[anchor_].IMaxA;
    ++anchor_;
    settled_ = SettledFrom(anchor_, entry_);
  }
  double y = entry_;
  size_t from = anchor_;
  if (cuttable_ && anchor_ <= k && k - anchor_ >= kExactChain) {
    // The latest start only moves on while times rise: each decay exponent grows with time.
    if (cut_ < anchor_) cut_ = anchor_;
    while (cut_ < k && DecayFrom(cut_ + 1, k, tSec) >= cutDecay_) ++cut_;
    if (cut_ > anchor_ && DecayFrom(cut_, k, tSec) >= cutDecay_) {
      from = cut_;
      y = steps_[cut_ - 1].IMaxA;
    }
  }
  for (size_t i = from; i <= k; ++i) {
    const double target = steps_[i].IMaxA;
    const double dt = std::max(0.0, tSec - steps_[i].tMin * 60.0);
    double tau = target >= y ? tauUp_ : tauDn_;
    if (tau <= 1e-6) tau = 1e-6;
    y = target + (y - target) * std::exp(-dt / tau);
  }
  return y;
}

std::string NormalizeNumberStr(std::string_view text) {
  const char sep = UserDecimalSeparator();
  std::string out(text);
  for (char& c : out)
    if (c == '.' || c == ',') c = sep;
  return out;
}

void AppendVStep(std::vector<TVStep>& sched, double tMin, double volts) { sched.push_back({tMin, volts}); }

std::vector<TVStep> ParseVSteps(std::string_view text, double defaultV) {
  std::vector<TVStep> sched;
  text = Trim(text);
  if (text.empty()) return sched;

  std::string compact;
  compact.reserve(text.size());
  for (char c : text)
    if (c != ' ' && c != '\t') compact.push_back(c);

  ForEachItem(compact, [&](std::string_view item) {
    if (item.empty()) return;
    size_t sep = item.find(':');
    if (sep == std::string_view::npos) sep = item.find('=');
    if (sep == std::string_view::npos) sep = item.find(',');
    if (sep == std::string_view::npos) return;
    const double minutes = SafeStrToF(NormalizeNumberStr(item.substr(0, sep)), -1.0);
    const double volts = SafeStrToF(NormalizeNumberStr(item.substr(sep + 1)), -1.0);
    // An overflowing entry ("1e999") would put an infinite point into the schedule.
    if (minutes >= 0.0 && volts > 0.0 && std::isfinite(minutes) && std::isfinite(volts))
      AppendVStep(sched, minutes, volts);
  });

  if (sched.empty() && defaultV > 0.0) AppendVStep(sched, 0.0, defaultV);
  std::stable_sort(sched.begin(), sched.end(), [](const TVStep& a, const TVStep& b) { return a.TMin < b.TMin; });
  return sched;
}

double ScheduledVoltage(const std::vector<TVStep>& sched, double tSec, double v0, double ceilingV) {
  if (sched.empty()) return v0;
  if (tSec <= sched[0].TMin * 60.0) return sched[0].V;
  for (size_t i = 0; i + 1 < sched.size(); ++i) {
    const TVStep& a = sched[i];
    const TVStep& b = sched[i + 1];
    if (a.TMin * 60.0 <= tSec && tSec <= b.TMin * 60.0) {
      const double span = (b.TMin - a.TMin) * 60.0;
      // Two points at the same minute: the later point's voltage (no zero division).
      if (span <= 0.0) return b.V;
      return a.V + (b.V - a.V) * (tSec - a.TMin * 60.0) / span;
    }
  }
  return std::min(sched.back().V, ceilingV);
}

bool ParseCCTextToAmp(std::string_view text, double capAh, double& a) {
  a = 0.0;
  std::string s(Trim(text));
  std::replace(s.begin(), s.end(), ',', '.');
  if (s.empty()) return false;
  double v = 0.0;
  const char last = s.back();
  if (last == 'C' || last == 'c') {
    if (!TryParseFloat(std::string_view(s).substr(0, s.size() - 1), '.', v)) return false;
    a = v * capAh;
    return true;
  }
  if (last == 'A' || last == 'a') s.pop_back();
  if (!TryParseFloat(s, '.', v)) return false;
  a = v;
  return true;
}

}  // namespace voltaris
