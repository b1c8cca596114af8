// The pattern layer of the set-point: the current of the active pattern tab at a
// simulated time, read from the tab's controls at every evaluation (an edit made while
// a run plays takes effect at the next step), plus the template current table of the
// Custom LUT kind.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "form/form_model.h"
#include "waveform/pattern_formulas.h"
#include "waveform/pattern_kind.h"

namespace voltaris {

class TPatternShapes {
 public:
  // Resolves the controls of the pattern tabs once; a control missing from the form
  // reads as its fallback.
  explicit TPatternShapes(FormModel &form);
  TPatternShapes(const TPatternShapes &) = delete;
  TPatternShapes &operator=(const TPatternShapes &) = delete;

  // The kind of the active tab of PcParams (None without the page control).
  TPatternKind ActiveKind() const;
  // True when `pageName` names the active page of PcParams, ignoring case.
  bool ActiveIs(std::string_view pageName) const;

  // Current (A) of the active tab at t (s) for the kinds evaluated here: Superpulse,
  // Tangential, Parabola, Trapezoid, Bezier, Damped Sine, Triangle, Sigmoid, Gaussian,
  // Exponential, and the CC-CV set-point through `ccCvSetPoint`. The sine and the
  // Custom LUT are formed by the caller (GetSineParamsFromUI, ChemLutAtTime); those
  // tabs, and a missing page control, give 0.
  double ActivePatternRaw(double t) const;

  // The CC-CV set-point law of the CC_CV tab (it keeps the CC-CV phase). Until the
  // set-point evaluation provides it, the CC_CV tab gives 0.
  std::function<double(double t)> ccCvSetPoint;

  // Sine entries EdSineMin, EdSineMax, EdSineF (fallbacks 0.4, 2, 3).
  void GetSineParamsFromUI(double &iMin, double &iMax, double &freqHz) const;
  // Pattern frequency for sampling decisions: EdSineF (fallback 5) on the sine tab,
  // EdDampF (fallback 3) on the damped sine tab, otherwise 1.
  double GetPatternFreqHzFromUI() const;

  // Current of the loaded template table at t (s): 0 until a usable table of at least
  // 2 values is loaded; EdLUTDur (when > 0), EdLUTMin and EdLUTMax override the
  // template's cycle and current range.
  double ChemLutAtTime(double t) const;

  // The template current table (values 0..1), filled when a chemistry template with a
  // current table is loaded.
  std::vector<double> FChemLUT{};
  bool FChemValid = false;
  double FChemCycleMs = 0.0;
  double FChemImin = 0.0;
  double FChemImax = 0.0;
  // Loads a template table; it is usable when it holds at least 2 values.
  void SetChemTable(std::vector<double> values, double cycleMs, double iMinA, double iMaxA);
  void ClearChemTable();

  // Parameters of each tab as the run reads them (each control with its fallback).
  TSuperpulse ReadSuperpulse() const;
  TTangential ReadTangential() const;
  TParabola ReadParabola() const;
  TTrapezoid ReadTrapezoid() const;
  TBezier ReadBezier() const;
  TTriangle ReadTriangle() const;
  TSigmoid ReadSigmoid() const;
  TGaussian ReadGaussian() const;
  TDampedSine ReadDampedSine() const;
  TExponential ReadExponential() const;
  // The y values of the Bezier points typed in EdBezPoints (empty: no usable curve),
  // extracted once per text.
  const std::vector<double> &BezierYs() const;

 private:
  const Control *pages_;
  // Sine
  const Control *edSineMin_, *edSineMax_, *edSineF_;
  // Superpulse
  const Control *edBaseA_, *edTopA_, *edSprTopA_, *edRise_, *edTop_, *edFall_, *edSprTop_, *edBase_, *edGap_;
  const Control *chkSuperSoft_;
  // Tangential
  const Control *edTanBase_, *edTanPeak_, *edTanRise_, *edTanHold_, *edTanFall_, *cbTanProfile_, *cbTanK_;
  // Parabola
  const Control *edParaI0_, *edParaI1_, *edParaDur_, *edParaCurv_;
  // Trapezoid
  const Control *edTrapBaseA_, *edTrapTopA_, *edTrapRise_, *edTrapTopMs_, *edTrapFall_, *edTrapBottomMs_;
  // Bezier
  const Control *edBezDur_, *edBezScaleMin_, *edBezScaleMax_, *edBezPoints_;
  // Triangle
  const Control *cbTriMode_, *edTriMin_, *edTriMax_, *edTriRiseMs_, *edTriFallMs_;
  // Sigmoid
  const Control *edSigDur_, *edSigI0_, *edSigI1_, *edSigK_;
  // Gaussian
  const Control *edGauDur_, *edGauMin_, *edGauMax_, *edGauMu_, *edGauSigma_;
  // Damped sine
  const Control *edDampMin_, *edDampMax_, *edDampF_, *edDampPhase_, *edDampTau_;
  // Exponential
  const Control *edExpDur_, *edExpI0_, *edExpI1_, *edExpK_;
  // Custom LUT
  const Control *edLUTDur_, *edLUTMin_, *edLUTMax_;

  // Derived data cached on the text it comes from (read on the UI thread only).
  mutable std::string pageText_;
  mutable TPatternKind pageKind_ = TPatternKind::None;
  mutable std::string tanProfileText_;
  mutable TTanProfile tanProfile_ = TTanProfile::Power;
  mutable bool tanProfileCached_ = false;
  mutable std::string bezText_;
  mutable std::vector<double> bezYs_;
  mutable bool bezCached_ = false;
  mutable std::vector<double> bezWork_;
};

// A control's number, or `fallback` when the control is missing or its text does not read.
inline double ControlNumber(const Control *c, double fallback) { return c ? c->Number(fallback) : fallback; }

}  // namespace voltaris
