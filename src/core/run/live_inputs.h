// Everything the live simulation step reads from the window, resolved to plain numbers
// once: at the run's start and again whenever a value of the form (or the user's decimal
// separator) has changed since. The step then reads fields instead of parsing control
// texts, comparing the schedule and ramp-shape texts and walking the whole current
// schedule at each of its thousands of evaluations per tick; an edit made during a run
// still takes effect at the next step, because the step asks Refresh first.
#pragma once

#include <cstdint>
#include <vector>

#include "common/numbers.h"
#include "form/form_model.h"
#include "waveform/pattern_formulas.h"
#include "waveform/pattern_kind.h"
#include "waveform/ramp_shapes.h"
#include "waveform/step_schedules.h"
#include "waveform/waveform.h"

namespace voltaris {

class TLiveInputs {
 public:
  TLiveInputs(FormModel& form, const TWaveform& waveform);
  TLiveInputs(const TLiveInputs&) = delete;
  TLiveInputs& operator=(const TLiveInputs&) = delete;

  // The reference path: every evaluation reads its controls again (as the set-point is
  // described), at the cost of a parse check per control per step. Off by default; the
  // tests compare both paths.
  bool plainReads = false;

  // Resolves again when a form value or the decimal separator changed since the last
  // resolution.
  void Refresh() {
    if (!resolved_ || form_.ValueVersion() != version_ || UserDecimalSeparator() != separator_) Resolve();
  }
  // Reads every control the step needs.
  void Resolve();

  // The runtime CC-CV step's current schedule (FCCISteps with the 1..120 s time
  // constants), rebuilt when the schedule or the ramp entries changed.
  TStepTargetCursor& RuntimeStepCursor(const std::vector<TStepPt>& steps);

  // ---- Resolved values (valid after Refresh) ----
  TPatternKind kind = TPatternKind::None;
  bool chemKindSelected = false;  // cbJsonType shows the chemistry document kind
  // Sine entries: midpoint, half span and 2 pi f.
  double sineMid = 0, sineAmp = 0, sineOmega = 0;
  // The active tab's parameters.
  TSuperpulse superpulse;
  TTangential tangential;
  TParabola parabola;
  TTrapezoid trapezoid;
  TBezier bezier;
  std::vector<double> bezierYs;
  std::vector<double> bezierWork;
  TTriangle triangle;
  TSigmoid sigmoid;
  TGaussian gaussian;
  TDampedSine dampedSine;
  TExponential exponential;
  // Custom LUT entries (NaN: not readable, the template's value applies).
  double lutTypedMs = 0, lutMin = 0, lutMax = 0;
  bool lutMinSet = false, lutMaxSet = false;
  // Current steps of the set-point (0.2..10 s time constants).
  bool stepsOn = false;
  TStepTargetCursor stepCursor;
  // Global current ramp.
  bool iRampOn = false;
  double rampUpS = 60, rampDownS = 60;
  // Slew limit and current limits.
  double responseMs = 1, clampMin = 0, clampMax = 10;
  // Series resistance edtR0 + edCellRint / 1000.
  double seriesR = 0;
  // Global voltage ramp and voltage entries.
  bool vRampOn = false;
  double v0 = 3, vRampUpS = 60, vRampDownS = 60;
  TVRampShape vShape = vrSmooth;
  double vTarget = 3.65;     // edtVt with the voltage evaluation's fallback
  double vTargetCcCv = 4.2;  // edtVt with the CC-CV set-point's fallback
  double ccCurrent = 1;      // |edtCC_A|
  // The runtime CC-CV step's ramp time constants (1..120 s).
  double runtimeTauUp = 24, runtimeTauDown = 24;

 private:
  FormModel& form_;
  const TWaveform& waveform_;
  const Control *cbJsonType_, *edLUTDur_, *edLUTMin_, *edLUTMax_;
  const Control *edtRU_, *edtRD_, *edtFs_, *EdClampMin_, *EdClampMax_, *edtR0_, *edCellRint_;
  const Control *edtV0_, *edtVt_, *edtVRU_, *edtVRD_, *edtCC_A_;
  bool resolved_ = false;
  uint64_t version_ = 0;
  char separator_ = '.';
  TStepTargetCursor runtimeCursor_;
};

}  // namespace voltaris
