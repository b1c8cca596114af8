// Set-points of the live run: the current asked of the power source and the cell's
// terminal voltage at a simulated time. Two paths give the same figures to the last bit:
// the plain one reads every entry at each call; the live one reads the entries resolved
// by FLive, which resolves them again after any edit, so an edit made during a run takes
// effect at the next step either way.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "window/form_preview.h"

namespace voltaris {

namespace {
double Limit(double v, double lo, double hi) { return std::min(std::max(v, lo), hi); }
}  // namespace

TFormPreview::RunControls::RunControls(FormModel& f)
    : edtFs(f.Find("edtFs")),
      EdClampMin(f.Find("EdClampMin")),
      EdClampMax(f.Find("EdClampMax")),
      edtRU(f.Find("edtRU")),
      edtRD(f.Find("edtRD")),
      edtR0(f.Find("edtR0")),
      edCellRint(f.Find("edCellRint")),
      edtV0(f.Find("edtV0")),
      edtVt(f.Find("edtVt")),
      edtVRU(f.Find("edtVRU")),
      edtVRD(f.Find("edtVRD")),
      edtCC_A(f.Find("edtCC_A")),
      cbJsonType(f.Find("cbJsonType")),
      edtVmax(f.Find("edtVmax")),
      edtICC(f.Find("edtICC")),
      edtIcut(f.Find("edtIcut")) {}

double TFormPreview::CurrentAtTimePlain(double t) {
  TPatternShapes& shapes = waveform.shapes;
  // 1. Sine entries: read on every call whatever page is active; their midpoint is the
  //    reference of the current-step scaling for every pattern.
  double sMin = 0, sMax = 0, f = 0;
  shapes.GetSineParamsFromUI(sMin, sMax, f);
  const double mid = (sMin + sMax) / 2.0;
  const double amp = (sMax - sMin) / 2.0;

  // 2. Base value, first match wins.
  double base = 0.0;
  const TPatternKind kind = shapes.ActiveKind();
  const bool chemKindSelected = rc_.cbJsonType != nullptr && rc_.cbJsonType->ItemIndex() == 2;
  if (kind == TPatternKind::CustomLut || (chemKindSelected && shapes.FChemValid))
    base = shapes.ChemLutAtTime(t);
  else if (kind == TPatternKind::Sine)
    base = mid + amp * std::sin(2.0 * std::numbers::pi * f * t);
  else
    base = shapes.ActivePatternRaw(t);

  // 3. Current steps scale the pattern towards the scheduled target.
  const std::vector<TStepPt>& steps = waveform.schedules.IStepsFromUI();
  if (!steps.empty()) {
    const double up = Limit(ControlNumber(rc_.edtRU, 60.0) / 5.0, 0.2, 10.0);
    const double down = Limit(ControlNumber(rc_.edtRD, 60.0) / 5.0, 0.2, 10.0);
    const double target = StepTargetAvgWithRamp(t, steps, up, down);
    const double scale = mid > 1e-9 ? target / mid : 1.0;
    base *= scale;
  }

  // 4. Global current ramp over the whole run.
  double env = 1.0;
  const Control* ramp = waveform.schedules.GetIRampCheck();
  if (ramp != nullptr && ramp->Checked()) {
    const double ru = ControlNumber(rc_.edtRU, 60.0);
    const double rd = ControlNumber(rc_.edtRD, 60.0);
    if (ru > t)
      env = t / std::max(ru, 1e-6);
    else if (t > FTotalSecs - rd)
      env = std::max(0.0, (FTotalSecs - t) / std::max(rd, 1e-6));
  }
  double I = base * env;

  // 5. Slew limit with the power-source response time.
  const double respMs = ControlNumber(rc_.edtFs, 1.0);
  if (respMs > 0) {
    const double tau = respMs / 1000.0;
    if (!FPrevIOutInit) {
      FPrevIOut = I;
      FPrevIOutT = t;
      FPrevIOutInit = true;
    } else {
      const double dt = Limit(t - FPrevIOutT, 0.0, 1.0);
      const double k = std::min(dt / std::max(tau, 1e-6), 1.0);
      FPrevIOut += k * (I - FPrevIOut);
      FPrevIOutT = t;
    }
    I = FPrevIOut;
  }

  // 6. Current limits (the lower one is tested first).
  const double lo = ControlNumber(rc_.EdClampMin, 0.0);
  const double hi = ControlNumber(rc_.EdClampMax, 10.0);
  if (lo > I)
    I = lo;
  else if (hi < I)
    I = hi;
  return I;
}

double TFormPreview::CCCVSetPointPlain(double t) {
  const double icc = std::fabs(ControlNumber(rc_.edtCC_A, 1.0));
  const double vmax = ControlNumber(rc_.edtVt, 4.2);
  const double icut = 0.05 * icc;
  switch (FCCCVPhase) {
    case cpCharge: {
      double I = icc;
      const std::vector<TStepPt>& steps = waveform.schedules.IStepsFromUI();
      if (!steps.empty()) {
        const double up = Limit(ControlNumber(rc_.edtRU, 60.0) / 5.0, 0.2, 10.0);
        const double down = Limit(ControlNumber(rc_.edtRD, 60.0) / 5.0, 0.2, 10.0);
        const double target = StepTargetAvgWithRamp(t, steps, up, down);
        if (target > 0) I = target;
      }
      // The charge turns to constant voltage once the terminal voltage reached the limit;
      // this call still returns the constant current.
      if (FLastVout > 0.5 && FLastVout >= vmax) FCCCVPhase = cpCV;
      return I;
    }
    case cpCV: {
      const TSchedules& sch = waveform.schedules;
      const double v0 = ControlNumber(rc_.edtV0, 3.0);
      const double vs = !sch.FVSched.empty() ? sch.VFromSchedule(t) : ControlNumber(rc_.edtVt, 4.2);
      double env = 1.0;
      const Control* vramp = sch.GetVRampCheck();
      if (vramp != nullptr && vramp->Checked())
        env = VoltageRampEnv(t, FTotalSecs, ControlNumber(rc_.edtVRU, 60.0), ControlNumber(rc_.edtVRD, 60.0),
                             sch.VShapeFromUI());
      const double vref = v0 + (vs - v0) * env;
      const double r = std::max(ControlNumber(rc_.edtR0, 0.01) + ControlNumber(rc_.edCellRint, 18.0) / 1000.0, 1e-6);
      double I = Limit((vmax - vref) / r, 0.0, icc);
      if (I <= icut) {
        FCCCVPhase = cpDone;
        I = 0.0;
      }
      return I;
    }
    case cpDone:
      return 0.0;
    case cpRestAfterCV:
    case cpDischarge:
    case cpRestAfterDis:
      FCCCVPhase = cpCharge;
      return icc;
  }
  return 0.0;
}

double TFormPreview::VoltageAtTimePlain(double t, double I) {
  const double r = ControlNumber(rc_.edtR0, 0.01) + ControlNumber(rc_.edCellRint, 18.0) / 1000.0;
  const TSchedules& sch = waveform.schedules;
  double v = 0.0;
  const Control* vramp = sch.GetVRampCheck();
  if (vramp != nullptr && vramp->Checked()) {
    // With the voltage ramp on the terminal voltage follows the ramped target.
    const double v0 = ControlNumber(rc_.edtV0, 3.0);
    const double env = VoltageRampEnv(t, FTotalSecs, ControlNumber(rc_.edtVRU, 60.0),
                                      ControlNumber(rc_.edtVRD, 60.0), sch.VShapeFromUI());
    const double vt = ControlNumber(rc_.edtVt, 3.65);
    const double vs = sch.FVSched.empty() ? vt : sch.VFromSchedule(t);
    const double vtarget = std::min(vt, vs);
    v = v0 + (vtarget - v0) * env + I * r;
  } else {
    const double soc = waveform.shapes.ActiveKind() == TPatternKind::CcCv ? FRunState.SoC : FSoc01;
    v = InterpOCV(FChemP.OCV, soc) + I * r;
  }
  if (FChemP.Vmin > 0.5) v = std::max(v, 0.95 * FChemP.Vmin);
  FLastVout = v;
  return v;
}

double TFormPreview::CurrentAtTime(double t) {
  if (FLive.plainReads) return CurrentAtTimePlain(t);
  FLive.Refresh();
  return CurrentAtTimeLive(t);
}

double TFormPreview::CCCVSetPoint(double t) {
  if (FLive.plainReads) return CCCVSetPointPlain(t);
  FLive.Refresh();
  return CCCVSetPointLive(t);
}

double TFormPreview::VoltageAtTime(double t, double I) {
  if (FLive.plainReads) return VoltageAtTimePlain(t, I);
  FLive.Refresh();
  return VoltageAtTimeLive(t, I);
}

// The live path: the same arithmetic in the same order as the plain one, over FLive.
double TFormPreview::CurrentAtTimeLive(double t) {
  TLiveInputs& in = FLive;
  const TPatternShapes& shapes = waveform.shapes;

  // 2. Base value, first match wins.
  double base = 0.0;
  const TPatternKind kind = in.kind;
  if (kind == TPatternKind::CustomLut || (in.chemKindSelected && shapes.FChemValid)) {
    if (shapes.FChemValid && shapes.FChemLUT.size() >= 2) {
      const double cycleMs = in.lutTypedMs > 0.0 ? in.lutTypedMs : shapes.FChemCycleMs;
      const double lo = in.lutMinSet ? in.lutMin : shapes.FChemImin;
      const double hi = in.lutMaxSet ? in.lutMax : shapes.FChemImax;
      base = LutHoldAt(shapes.FChemLUT, lo, hi, cycleMs / 1000.0, t);
    }
  } else if (kind == TPatternKind::Sine) {
    base = in.sineMid + in.sineAmp * std::sin(in.sineOmega * t);
  } else {
    switch (kind) {
      case TPatternKind::Superpulse: base = in.superpulse.At(t); break;
      case TPatternKind::Tangential: base = in.tangential.At(t); break;
      case TPatternKind::Parabola: base = in.parabola.At(t); break;
      case TPatternKind::Trapezoid: base = in.trapezoid.At(t); break;
      case TPatternKind::Bezier: base = in.bezier.At(t, in.bezierYs, in.bezierWork); break;
      case TPatternKind::DampedSine: base = in.dampedSine.At(t); break;
      case TPatternKind::Triangle: base = in.triangle.At(t); break;
      case TPatternKind::Sigmoid: base = in.sigmoid.At(t); break;
      case TPatternKind::Gaussian: base = in.gaussian.At(t); break;
      case TPatternKind::Exponential: base = in.exponential.At(t); break;
      case TPatternKind::CcCv: base = CCCVSetPointLive(t); break;
      default: break;
    }
  }

  // 3. Current steps.
  if (in.stepsOn) {
    const double target = in.stepCursor.At(t);
    const double scale = in.sineMid > 1e-9 ? target / in.sineMid : 1.0;
    base *= scale;
  }

  // 4. Global current ramp.
  double env = 1.0;
  if (in.iRampOn) {
    const double ru = in.rampUpS;
    const double rd = in.rampDownS;
    if (ru > t)
      env = t / std::max(ru, 1e-6);
    else if (t > FTotalSecs - rd)
      env = std::max(0.0, (FTotalSecs - t) / std::max(rd, 1e-6));
  }
  double I = base * env;

  // 5. Slew limit.
  if (in.responseMs > 0) {
    const double tau = in.responseMs / 1000.0;
    if (!FPrevIOutInit) {
      FPrevIOut = I;
      FPrevIOutT = t;
      FPrevIOutInit = true;
    } else {
      const double dt = Limit(t - FPrevIOutT, 0.0, 1.0);
      const double k = std::min(dt / std::max(tau, 1e-6), 1.0);
      FPrevIOut += k * (I - FPrevIOut);
      FPrevIOutT = t;
    }
    I = FPrevIOut;
  }

  // 6. Current limits.
  if (in.clampMin > I)
    I = in.clampMin;
  else if (in.clampMax < I)
    I = in.clampMax;
  return I;
}

double TFormPreview::CCCVSetPointLive(double t) {
  TLiveInputs& in = FLive;
  const double icc = in.ccCurrent;
  const double vmax = in.vTargetCcCv;
  const double icut = 0.05 * icc;
  switch (FCCCVPhase) {
    case cpCharge: {
      double I = icc;
      if (in.stepsOn) {
        const double target = in.stepCursor.At(t);
        if (target > 0) I = target;
      }
      if (FLastVout > 0.5 && FLastVout >= vmax) FCCCVPhase = cpCV;
      return I;
    }
    case cpCV: {
      const std::vector<TVStep>& sched = waveform.schedules.FVSched;
      const double v0 = in.v0;
      const double vs = !sched.empty() ? ScheduledVoltage(sched, t, in.v0, in.vTarget) : in.vTargetCcCv;
      double env = 1.0;
      if (in.vRampOn) env = VoltageRampEnv(t, FTotalSecs, in.vRampUpS, in.vRampDownS, in.vShape);
      const double vref = v0 + (vs - v0) * env;
      const double r = std::max(in.seriesR, 1e-6);
      double I = Limit((vmax - vref) / r, 0.0, icc);
      if (I <= icut) {
        FCCCVPhase = cpDone;
        I = 0.0;
      }
      return I;
    }
    case cpDone:
      return 0.0;
    case cpRestAfterCV:
    case cpDischarge:
    case cpRestAfterDis:
      FCCCVPhase = cpCharge;
      return icc;
  }
  return 0.0;
}

double TFormPreview::VoltageAtTimeLive(double t, double I) {
  const TLiveInputs& in = FLive;
  const double r = in.seriesR;
  double v = 0.0;
  if (in.vRampOn) {
    const std::vector<TVStep>& sched = waveform.schedules.FVSched;
    const double v0 = in.v0;
    const double env = VoltageRampEnv(t, FTotalSecs, in.vRampUpS, in.vRampDownS, in.vShape);
    const double vt = in.vTarget;
    const double vs = sched.empty() ? vt : ScheduledVoltage(sched, t, in.v0, in.vTarget);
    const double vtarget = std::min(vt, vs);
    v = v0 + (vtarget - v0) * env + I * r;
  } else {
    const double soc = in.kind == TPatternKind::CcCv ? FRunState.SoC : FSoc01;
    v = InterpOCV(FChemP.OCV, soc) + I * r;
  }
  if (FChemP.Vmin > 0.5) v = std::max(v, 0.95 * FChemP.Vmin);
  FLastVout = v;
  return v;
}

}  // namespace voltaris
