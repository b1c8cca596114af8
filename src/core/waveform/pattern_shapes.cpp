#include "waveform/pattern_shapes.h"

#include <cmath>
#include <limits>
#include <utility>

#include "waveform/pattern_points.h"

namespace voltaris {

TPatternShapes::TPatternShapes(FormModel& form)
    : pages_(form.Find("PcParams")),
      edSineMin_(form.Find("EdSineMin")),
      edSineMax_(form.Find("EdSineMax")),
      edSineF_(form.Find("EdSineF")),
      edBaseA_(form.Find("EdBaseA")),
      edTopA_(form.Find("EdTopA")),
      edSprTopA_(form.Find("edSprTopA")),
      edRise_(form.Find("EdRise")),
      edTop_(form.Find("EdTop")),
      edFall_(form.Find("EdFall")),
      edSprTop_(form.Find("edSprTop")),
      edBase_(form.Find("EdBase")),
      edGap_(form.Find("EdGap")),
      chkSuperSoft_(form.Find("chkSuperSoft")),
      edTanBase_(form.Find("EdTanBase")),
      edTanPeak_(form.Find("EdTanPeak")),
      edTanRise_(form.Find("EdTanRise")),
      edTanHold_(form.Find("EdTanHold")),
      edTanFall_(form.Find("EdTanFall")),
      cbTanProfile_(form.Find("CbTanProfile")),
      cbTanK_(form.Find("CbTanK")),
      edParaI0_(form.Find("EdParaI0")),
      edParaI1_(form.Find("EdParaI1")),
      edParaDur_(form.Find("EdParaDur")),
      edParaCurv_(form.Find("EdParaCurv")),
      edTrapBaseA_(form.Find("EdTrapBaseA")),
      edTrapTopA_(form.Find("EdTrapTopA")),
      edTrapRise_(form.Find("EdTrapRise")),
      edTrapTopMs_(form.Find("EdTrapTopMs")),
      edTrapFall_(form.Find("EdTrapFall")),
      edTrapBottomMs_(form.Find("EdTrapBottomMs")),
      edBezDur_(form.Find("EdBezDur")),
      edBezScaleMin_(form.Find("EdBezScaleMin")),
      edBezScaleMax_(form.Find("EdBezScaleMax")),
      edBezPoints_(form.Find("EdBezPoints")),
      cbTriMode_(form.Find("CbTriMode")),
      edTriMin_(form.Find("EdTriMin")),
      edTriMax_(form.Find("EdTriMax")),
      edTriRiseMs_(form.Find("EdTriRiseMs")),
      edTriFallMs_(form.Find("EdTriFallMs")),
      edSigDur_(form.Find("EdSigDur")),
      edSigI0_(form.Find("EdSigI0")),
      edSigI1_(form.Find("EdSigI1")),
      edSigK_(form.Find("EdSigK")),
      edGauDur_(form.Find("EdGauDur")),
      edGauMin_(form.Find("EdGauMin")),
      edGauMax_(form.Find("EdGauMax")),
      edGauMu_(form.Find("EdGauMu")),
      edGauSigma_(form.Find("EdGauSigma")),
      edDampMin_(form.Find("EdDampMin")),
      edDampMax_(form.Find("EdDampMax")),
      edDampF_(form.Find("EdDampF")),
      edDampPhase_(form.Find("EdDampPhase")),
      edDampTau_(form.Find("EdDampTau")),
      edExpDur_(form.Find("EdExpDur")),
      edExpI0_(form.Find("EdExpI0")),
      edExpI1_(form.Find("EdExpI1")),
      edExpK_(form.Find("EdExpK")),
      edLUTDur_(form.Find("EdLUTDur")),
      edLUTMin_(form.Find("EdLUTMin")),
      edLUTMax_(form.Find("EdLUTMax")) {}

TPatternKind TPatternShapes::ActiveKind() const {
  if (pages_ == nullptr) return TPatternKind::None;
  const std::string& page = pages_->ActivePage();
  if (page != pageText_) {
    pageText_ = page;
    const TPatternTab* tab = FindPatternTab(page);
    pageKind_ = tab ? tab->kind : TPatternKind::None;
  }
  return pageKind_;
}

bool TPatternShapes::ActiveIs(std::string_view pageName) const {
  return pages_ != nullptr && SamePageName(pages_->ActivePage(), pageName);
}

double TPatternShapes::ActivePatternRaw(double t) const {
  switch (ActiveKind()) {
    case TPatternKind::Superpulse:
      return ReadSuperpulse().At(t);
    case TPatternKind::Tangential:
      return ReadTangential().At(t);
    case TPatternKind::Parabola:
      return ReadParabola().At(t);
    case TPatternKind::Trapezoid:
      return ReadTrapezoid().At(t);
    case TPatternKind::Bezier:
      return ReadBezier().At(t, BezierYs(), bezWork_);
    case TPatternKind::DampedSine:
      return ReadDampedSine().At(t);
    case TPatternKind::Triangle:
      return ReadTriangle().At(t);
    case TPatternKind::Sigmoid:
      return ReadSigmoid().At(t);
    case TPatternKind::Gaussian:
      return ReadGaussian().At(t);
    case TPatternKind::Exponential:
      return ReadExponential().At(t);
    case TPatternKind::CcCv:
      return ccCvSetPoint ? ccCvSetPoint(t) : 0.0;
    case TPatternKind::Sine:
    case TPatternKind::CustomLut:
    case TPatternKind::None:
      break;
  }
  return 0.0;
}

void TPatternShapes::GetSineParamsFromUI(double& iMin, double& iMax, double& freqHz) const {
  iMin = ControlNumber(edSineMin_, 0.4);
  iMax = ControlNumber(edSineMax_, 2.0);
  freqHz = ControlNumber(edSineF_, 3.0);
}

double TPatternShapes::GetPatternFreqHzFromUI() const {
  switch (ActiveKind()) {
    case TPatternKind::Sine:
      return ControlNumber(edSineF_, 5.0);
    case TPatternKind::DampedSine:
      return ControlNumber(edDampF_, 3.0);
    default:
      return 1.0;
  }
}

double TPatternShapes::ChemLutAtTime(double t) const {
  if (!FChemValid || FChemLUT.size() < 2) return 0.0;
  double cycleMs = FChemCycleMs;
  const double typedMs = ControlNumber(edLUTDur_, std::numeric_limits<double>::quiet_NaN());
  if (typedMs > 0.0) cycleMs = typedMs;
  const double lo = ControlNumber(edLUTMin_, FChemImin);
  const double hi = ControlNumber(edLUTMax_, FChemImax);
  return LutHoldAt(FChemLUT, lo, hi, cycleMs / 1000.0, t);
}

void TPatternShapes::SetChemTable(std::vector<double> values, double cycleMs, double iMinA, double iMaxA) {
  FChemLUT = std::move(values);
  FChemCycleMs = cycleMs;
  FChemImin = iMinA;
  FChemImax = iMaxA;
  FChemValid = FChemLUT.size() >= 2;
}

void TPatternShapes::ClearChemTable() {
  FChemLUT.clear();
  FChemValid = false;
  FChemCycleMs = FChemImin = FChemImax = 0.0;
}

TSuperpulse TPatternShapes::ReadSuperpulse() const {
  TSuperpulse p;
  p.baseA = ControlNumber(edBaseA_, 1);
  p.topA = ControlNumber(edTopA_, 3);
  p.superTopA = ControlNumber(edSprTopA_, 4);
  p.riseMs = ControlNumber(edRise_, 10);
  p.topMs = ControlNumber(edTop_, 150);
  p.fallMs = ControlNumber(edFall_, 10);
  p.superTopMs = ControlNumber(edSprTop_, 20);
  p.baseMs = ControlNumber(edBase_, 50);
  p.gapMs = ControlNumber(edGap_, 0);
  p.soft = chkSuperSoft_ != nullptr && chkSuperSoft_->Checked();
  return p;
}

TTangential TPatternShapes::ReadTangential() const {
  TTangential p;
  p.baseA = ControlNumber(edTanBase_, 0);
  p.peakA = ControlNumber(edTanPeak_, 3);
  p.riseMs = ControlNumber(edTanRise_, 40);
  p.holdMs = ControlNumber(edTanHold_, 5);
  p.fallMs = ControlNumber(edTanFall_, 40);
  if (cbTanProfile_ != nullptr) {
    if (!tanProfileCached_ || cbTanProfile_->Text() != tanProfileText_) {
      tanProfileText_ = cbTanProfile_->Text();
      tanProfile_ = TanProfileFromText(tanProfileText_);
      tanProfileCached_ = true;
    }
    p.profile = tanProfile_;
  }
  p.k = ControlNumber(cbTanK_, 1.5);
  return p;
}

TParabola TPatternShapes::ReadParabola() const {
  TParabola p;
  p.i0 = ControlNumber(edParaI0_, 2);
  p.i1 = ControlNumber(edParaI1_, 3);
  p.durMs = ControlNumber(edParaDur_, 200);
  p.curvature = ControlNumber(edParaCurv_, 0.2);
  return p;
}

TTrapezoid TPatternShapes::ReadTrapezoid() const {
  TTrapezoid p;
  p.baseA = ControlNumber(edTrapBaseA_, 0);
  p.topA = ControlNumber(edTrapTopA_, 60);
  p.riseMs = ControlNumber(edTrapRise_, 200);
  p.topMs = ControlNumber(edTrapTopMs_, 200);
  p.fallMs = ControlNumber(edTrapFall_, 200);
  p.bottomMs = ControlNumber(edTrapBottomMs_, 200);
  return p;
}

TBezier TPatternShapes::ReadBezier() const {
  TBezier p;
  p.durMs = ControlNumber(edBezDur_, 2000);
  p.scaleMin = ControlNumber(edBezScaleMin_, 2);
  p.scaleMax = ControlNumber(edBezScaleMax_, 5);
  return p;
}

const std::vector<double>& TPatternShapes::BezierYs() const {
  static const std::string kEmpty;
  const std::string& text = edBezPoints_ ? edBezPoints_->Text() : kEmpty;
  if (!bezCached_ || text != bezText_) {
    bezText_ = text;
    bezYs_ = BezierYValues(ExtractBezierNumbers(text));
    bezCached_ = true;
  }
  return bezYs_;
}

TTriangle TPatternShapes::ReadTriangle() const {
  TTriangle p;
  p.mode = cbTriMode_ ? cbTriMode_->ItemIndex() : 0;
  p.iMin = ControlNumber(edTriMin_, 0);
  p.iMax = ControlNumber(edTriMax_, 60);
  p.riseMs = ControlNumber(edTriRiseMs_, 200);
  p.fallMs = ControlNumber(edTriFallMs_, 200);
  return p;
}

TSigmoid TPatternShapes::ReadSigmoid() const {
  TSigmoid p;
  p.durMs = ControlNumber(edSigDur_, 200);
  p.i0 = ControlNumber(edSigI0_, 0);
  p.i1 = ControlNumber(edSigI1_, 60);
  p.k = ControlNumber(edSigK_, 10);
  return p;
}

TGaussian TPatternShapes::ReadGaussian() const {
  TGaussian p;
  p.durMs = ControlNumber(edGauDur_, 200);
  p.iMin = ControlNumber(edGauMin_, 0);
  p.iMax = ControlNumber(edGauMax_, 60);
  p.mu = ControlNumber(edGauMu_, 0.5);
  p.sigma = ControlNumber(edGauSigma_, 0.15);
  return p;
}

TDampedSine TPatternShapes::ReadDampedSine() const {
  TDampedSine p;
  p.iMin = ControlNumber(edDampMin_, 0);
  p.iMax = ControlNumber(edDampMax_, 60);
  p.freqHz = ControlNumber(edDampF_, 3);
  p.phaseDeg = ControlNumber(edDampPhase_, 0);
  p.tauMs = ControlNumber(edDampTau_, 500);
  return p;
}

TExponential TPatternShapes::ReadExponential() const {
  TExponential p;
  p.durMs = ControlNumber(edExpDur_, 200);
  p.i0 = ControlNumber(edExpI0_, 0);
  p.i1 = ControlNumber(edExpI1_, 60);
  p.k = ControlNumber(edExpK_, 5);
  return p;
}

}  // namespace voltaris
