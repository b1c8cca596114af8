#include "run/live_inputs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace voltaris {

namespace {
double Limit(double v, double lo, double hi) { return std::min(std::max(v, lo), hi); }
}  // namespace

TLiveInputs::TLiveInputs(FormModel& form, const TWaveform& waveform)
    : form_(form),
      waveform_(waveform),
      cbJsonType_(form.Find("cbJsonType")),
      edLUTDur_(form.Find("EdLUTDur")),
      edLUTMin_(form.Find("EdLUTMin")),
      edLUTMax_(form.Find("EdLUTMax")),
      edtRU_(form.Find("edtRU")),
      edtRD_(form.Find("edtRD")),
      edtFs_(form.Find("edtFs")),
      EdClampMin_(form.Find("EdClampMin")),
      EdClampMax_(form.Find("EdClampMax")),
      edtR0_(form.Find("edtR0")),
      edCellRint_(form.Find("edCellRint")),
      edtV0_(form.Find("edtV0")),
      edtVt_(form.Find("edtVt")),
      edtVRU_(form.Find("edtVRU")),
      edtVRD_(form.Find("edtVRD")),
      edtCC_A_(form.Find("edtCC_A")) {}

void TLiveInputs::Resolve() {
  const TPatternShapes& shapes = waveform_.shapes;
  const TSchedules& sch = waveform_.schedules;
  version_ = form_.ValueVersion();
  separator_ = UserDecimalSeparator();
  resolved_ = true;

  // Pattern: the sine entries are read whatever page is active (their midpoint scales
  // the current steps), the active tab's parameters as its formula reads them.
  kind = shapes.ActiveKind();
  chemKindSelected = cbJsonType_ != nullptr && cbJsonType_->ItemIndex() == 2;
  double sMin = 0, sMax = 0, f = 0;
  shapes.GetSineParamsFromUI(sMin, sMax, f);
  sineMid = (sMin + sMax) / 2.0;
  sineAmp = (sMax - sMin) / 2.0;
  sineOmega = 2.0 * std::numbers::pi * f;
  switch (kind) {
    case TPatternKind::Superpulse: superpulse = shapes.ReadSuperpulse(); break;
    case TPatternKind::Tangential: tangential = shapes.ReadTangential(); break;
    case TPatternKind::Parabola: parabola = shapes.ReadParabola(); break;
    case TPatternKind::Trapezoid: trapezoid = shapes.ReadTrapezoid(); break;
    case TPatternKind::Bezier:
      bezier = shapes.ReadBezier();
      bezierYs = shapes.BezierYs();
      break;
    case TPatternKind::Triangle: triangle = shapes.ReadTriangle(); break;
    case TPatternKind::Sigmoid: sigmoid = shapes.ReadSigmoid(); break;
    case TPatternKind::Gaussian: gaussian = shapes.ReadGaussian(); break;
    case TPatternKind::DampedSine: dampedSine = shapes.ReadDampedSine(); break;
    case TPatternKind::Exponential: exponential = shapes.ReadExponential(); break;
    default: break;
  }
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  lutTypedMs = ControlNumber(edLUTDur_, kNaN);
  lutMin = ControlNumber(edLUTMin_, kNaN);
  lutMax = ControlNumber(edLUTMax_, kNaN);
  lutMinSet = !std::isnan(lutMin);
  lutMaxSet = !std::isnan(lutMax);

  // Current steps: the cursor keeps its place while neither the schedule nor its time
  // constants changed.
  const std::vector<TStepPt>& steps = sch.IStepsFromUI();
  stepsOn = !steps.empty();
  const double up = Limit(ControlNumber(edtRU_, 60.0) / 5.0, 0.2, 10.0);
  const double down = Limit(ControlNumber(edtRD_, 60.0) / 5.0, 0.2, 10.0);
  if (stepCursor.Steps() != steps || stepCursor.TauUp() != up || stepCursor.TauDn() != down)
    stepCursor = TStepTargetCursor(steps, up, down);

  const Control* iRamp = sch.GetIRampCheck();
  iRampOn = iRamp != nullptr && iRamp->Checked();
  rampUpS = ControlNumber(edtRU_, 60.0);
  rampDownS = ControlNumber(edtRD_, 60.0);
  responseMs = ControlNumber(edtFs_, 1.0);
  clampMin = ControlNumber(EdClampMin_, 0.0);
  clampMax = ControlNumber(EdClampMax_, 10.0);
  seriesR = ControlNumber(edtR0_, 0.01) + ControlNumber(edCellRint_, 18.0) / 1000.0;

  const Control* vRamp = sch.GetVRampCheck();
  vRampOn = vRamp != nullptr && vRamp->Checked();
  v0 = ControlNumber(edtV0_, 3.0);
  vRampUpS = ControlNumber(edtVRU_, 60.0);
  vRampDownS = ControlNumber(edtVRD_, 60.0);
  vShape = sch.VShapeFromUI();
  vTarget = ControlNumber(edtVt_, 3.65);
  vTargetCcCv = ControlNumber(edtVt_, 4.2);
  ccCurrent = std::fabs(ControlNumber(edtCC_A_, 1.0));
  runtimeTauUp = std::clamp(ControlNumber(edtRU_, 120.0) / 5.0, 1.0, 120.0);
  runtimeTauDown = std::clamp(ControlNumber(edtRD_, 120.0) / 5.0, 1.0, 120.0);
}

TStepTargetCursor& TLiveInputs::RuntimeStepCursor(const std::vector<TStepPt>& steps) {
  if (runtimeCursor_.Steps() != steps || runtimeCursor_.TauUp() != runtimeTauUp ||
      runtimeCursor_.TauDn() != runtimeTauDown)
    runtimeCursor_ = TStepTargetCursor(steps, runtimeTauUp, runtimeTauDown);
  return runtimeCursor_;
}

}  // namespace voltaris
