#include "waveform/reference_preview.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/number_format.h"
#include "common/unit_shapes.h"
#include "waveform/pattern_points.h"
#include "waveform/preview_chart.h"

namespace voltaris {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A level for a label: two decimals with the user's decimal separator.
std::string Level(double v) { return FormatFloat("0.00", v); }

// "Min x.xx A   |   Avg x.xx A   |   Max x.xx A"; the superpulse tab has two blanks around the bars.
std::string LevelsCaption(double lower, double upper, bool narrow = false) {
  const char* bar = narrow ? " A  |  " : " A   |   ";
  return "Min " + Level(lower) + bar + "Avg " + Level((lower + upper) / 2.0) + bar + "Max " + Level(upper) + " A";
}

size_t PointCount(double windowSec) {
  return static_cast<size_t>(std::max(2.0, std::nearbyint(windowSec * TReferencePreview::kRateHz)));
}

}  // namespace

double PreviewTotalSecFromPeriod(double periodSec) {
  if (periodSec < 1.0) return 1.0;
  if (periodSec < 10.0) return 10.0;
  if (periodSec < 100.0) return 100.0;
  return 199.0;
}

TReferencePreview::TReferencePreview(FormModel& form, const TPatternShapes& shapes)
    : form_(form),
      shapes_(shapes),
      chWave_(form.FindChart("chWave")),
      cbJsonType_(form.Find("cbJsonType")),
      edBezDur_(form.Find("EdBezDur")),
      edBezScaleMin_(form.Find("EdBezScaleMin")),
      edBezScaleMax_(form.Find("EdBezScaleMax")),
      edBezPoints_(form.Find("EdBezPoints")),
      edDampTau_(form.Find("EdDampTau")),
      edLUTDur_(form.Find("EdLUTDur")),
      edLUTMin_(form.Find("EdLUTMin")),
      edLUTMax_(form.Find("EdLUTMax")),
      edLUTPoints_(form.Find("EdLUTPoints")),
      chkInterp_(form.Find("chkInterp")),
      edtCC_A_(form.Find("edtCC_A")) {}

void TReferencePreview::EnsureWaveSeries() {
  if (chWave_ != nullptr) SetupWaveChart(*chWave_);
}

template <typename Sample>
void TReferencePreview::Fill(SeriesModel& series, double windowSec, Sample sample) {
  const size_t n = PointCount(windowSec);
  series.Clear();
  series.Reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRateHz;  // whole milliseconds, exactly
    series.Add(t, sample(t));
  }
}

void TReferencePreview::FinishAxes(ChartModel& chart, double windowSec, Levels levels, double bottomStep) {
  // The axis spans both levels whichever way round they were typed (a falling sigmoid
  // has I0 above I1), so the curve is never cut off.
  const double lo = std::min(levels.lower, levels.upper);
  const double hi = std::max(levels.lower, levels.upper);
  chart.left.SetFixed(std::min(lo - 0.5, 0.0), hi + 0.5);
  chart.bottom.SetFixed(0.0, windowSec > 0.0 ? windowSec : 1.0);
  chart.bottom.valueFormat = "0.0";
  chart.bottom.increment = bottomStep;
  chart.Invalidate();
}

bool TReferencePreview::DrawChemTable(ChartModel& chart, SeriesModel& series) {
  if (cbJsonType_ == nullptr || cbJsonType_->ItemIndex() != 2 || !shapes_.FChemValid) return false;
  double durMs = ControlNumber(edLUTDur_, kNaN);
  if (!(durMs > 0.0)) durMs = shapes_.FChemCycleMs;
  double periodSec = durMs / 1000.0;
  if (periodSec <= 1e-9) periodSec = 1.0;
  const double w = PreviewTotalSecFromPeriod(periodSec);
  Fill(series, w, [&](double t) { return shapes_.ChemLutAtTime(t); });
  if (onChemPreviewWave) onChemPreviewWave(series.Ys(), kRateHz);

  const Levels levels{ControlNumber(edLUTMin_, shapes_.FChemImin), ControlNumber(edLUTMax_, shapes_.FChemImax)};
  form_.SetControlCaption("lblsineavg", LevelsCaption(levels.lower, levels.upper));
  const double step = w <= 1.0 ? 0.1 : w <= 10.0 ? 1.0 : w <= 100.0 ? 10.0 : 20.0;
  FinishAxes(chart, w, levels, step);
  return true;
}

const std::vector<double>& TReferencePreview::PreviewBezierYs() const {
  const std::string& text = edBezPoints_ ? edBezPoints_->Text() : bezText_;
  if (!bezCached_ || text != bezText_) {
    bezText_ = text;
    bezYs_ = BezierYValues(ReadPreviewBezierNumbers(bezText_));
    bezCached_ = true;
  }
  return bezYs_;
}

const std::vector<double>& TReferencePreview::LutPoints() const {
  const std::string& text = edLUTPoints_ ? edLUTPoints_->Text() : lutText_;
  if (!lutCached_ || text != lutText_) {
    lutText_ = text;
    lutPoints_ = ParsePoints(lutText_);
    lutCached_ = true;
  }
  return lutPoints_;
}

void TReferencePreview::DrawReferenceWave() {
  if (chWave_ == nullptr) return;
  SeriesModel* series = chWave_->FindSeries("FSerWaveRef");
  if (series == nullptr) return;  // the chart series are not set up yet
  if (DrawChemTable(*chWave_, *series)) return;

  const TPatternKind kind = shapes_.ActiveKind();
  const TPatternTab* tab = PatternTabOf(kind);
  if (tab == nullptr) return;
  const std::string label(tab->avgLabel);
  double w = 1.0;
  Levels levels;
  std::string caption;

  switch (kind) {
    case TPatternKind::Sine: {
      double iMin = 0, iMax = 0, f = 0;
      shapes_.GetSineParamsFromUI(iMin, iMax, f);
      w = f > 1.0 ? 1.0 : 10.0;
      Fill(*series, w, [&](double t) { return SineAt(iMin, iMax, f, t); });
      levels = {iMin, iMax};
      break;
    }
    case TPatternKind::Superpulse: {
      const TSuperpulse p = shapes_.ReadSuperpulse();
      w = PreviewTotalSecFromPeriod(p.PeriodMs() / 1000.0);
      Fill(*series, w, [&](double t) { return p.At(t); });
      levels = {std::min({p.baseA, p.topA, p.superTopA}), std::max({p.baseA, p.topA, p.superTopA})};
      caption = LevelsCaption(levels.lower, levels.upper, /*narrow=*/true);
      break;
    }
    case TPatternKind::Tangential: {
      const TTangential p = shapes_.ReadTangential();
      w = PreviewTotalSecFromPeriod(p.PeriodMs() / 1000.0);
      Fill(*series, w, [&](double t) { return p.At(t); });
      levels = {std::min(p.baseA, p.peakA), std::max(p.baseA, p.peakA)};
      break;
    }
    case TPatternKind::Parabola: {
      const TParabola p = shapes_.ReadParabola();
      w = PreviewTotalSecFromPeriod(p.PeriodSec());
      Fill(*series, w, [&](double t) { return p.At(t); });
      levels = {std::min(p.i0, p.i1), std::max(p.i0, p.i1)};
      break;
    }
    case TPatternKind::Trapezoid: {
      const TTrapezoid p = shapes_.ReadTrapezoid();
      w = PreviewTotalSecFromPeriod(p.PeriodSec());
      Fill(*series, w, [&](double t) { return p.PreviewAt(t); });
      levels = {p.baseA, p.topA};
      break;
    }
    case TPatternKind::Bezier: {
      const std::vector<double>& ys = PreviewBezierYs();
      if (ys.empty()) return;  // too few points: the previous preview stays
      TBezier p;
      p.durMs = ControlNumber(edBezDur_, 200);
      p.scaleMin = ControlNumber(edBezScaleMin_, 0);
      p.scaleMax = ControlNumber(edBezScaleMax_, 60);
      w = PreviewTotalSecFromPeriod(p.PeriodSec());
      // The curve in Bernstein form, many points side by side (see BernsteinFill).
      const double periodSec = p.PeriodSec();
      const std::vector<double> weights = BernsteinWeights(ys);
      const size_t n = PointCount(w);
      std::vector<double> u(n), b(n);
      for (size_t i = 0; i < n; ++i) u[i] = Frac(static_cast<double>(i) / kRateHz / periodSec);
      BernsteinFill(weights, u.data(), b.data(), n);
      series->Clear();
      series->Reserve(n);
      for (size_t i = 0; i < n; ++i)
        series->Add(static_cast<double>(i) / kRateHz, p.scaleMin + Clamp01(b[i]) * (p.scaleMax - p.scaleMin));
      levels = {p.scaleMin, p.scaleMax};
      break;
    }
    case TPatternKind::Triangle: {
      const TTriangle p = shapes_.ReadTriangle();
      w = PreviewTotalSecFromPeriod(p.PeriodSec());
      Fill(*series, w, [&](double t) { return p.At(t); });
      levels = {p.iMin, p.iMax};
      break;
    }
    case TPatternKind::Sigmoid: {
      const TSigmoid p = shapes_.ReadSigmoid();
      w = PreviewTotalSecFromPeriod(p.PeriodSec());
      Fill(*series, w, [&](double t) { return p.At(t); });
      levels = {p.i0, p.i1};
      break;
    }
    case TPatternKind::Gaussian: {
      const TGaussian p = shapes_.ReadGaussian();
      w = PreviewTotalSecFromPeriod(p.PeriodSec());
      Fill(*series, w, [&](double t) { return p.At(t); });
      levels = {p.iMin, p.iMax};
      break;
    }
    case TPatternKind::DampedSine: {
      const TDampedSine p = shapes_.ReadDampedSine();
      const double tauSec = ControlNumber(edDampTau_, 0.5);  // the preview reads Tau as seconds
      w = p.FreqHz() > 1.0 ? 1.0 : 10.0;
      Fill(*series, w, [&](double t) { return p.PreviewAt(t, tauSec); });
      levels = {p.iMin, p.iMax};
      break;
    }
    case TPatternKind::Exponential: {
      const TExponential p = shapes_.ReadExponential();
      w = PreviewTotalSecFromPeriod(p.PeriodSec());
      Fill(*series, w, [&](double t) { return p.At(t); });
      levels = {p.i0, p.i1};
      break;
    }
    case TPatternKind::CustomLut: {
      const bool loaded = shapes_.FChemLUT.size() >= 2;
      const std::vector<double>* table = &LutPoints();
      if (table->size() < 2 && loaded) table = &shapes_.FChemLUT;
      if (table->size() < 2) return;  // too few points: the previous preview stays
      double durMs = shapes_.FChemCycleMs;
      if (loaded) {
        levels = {shapes_.FChemImin, shapes_.FChemImax};
      } else {
        levels = {ControlNumber(edLUTMin_, 3), ControlNumber(edLUTMax_, 5)};
        durMs = ControlNumber(edLUTDur_, 200);
        if (durMs <= 0.0) durMs = 200.0;
      }
      double periodSec = durMs / 1000.0;
      if (periodSec <= 1e-9) periodSec = 1.0;
      const bool interpolate = chkInterp_ != nullptr && chkInterp_->Checked();
      w = PreviewTotalSecFromPeriod(periodSec);
      Fill(*series, w,
           [&](double t) { return LutPreviewAt(*table, levels.lower, levels.upper, periodSec, interpolate, t); });
      break;
    }
    case TPatternKind::CcCv: {
      const double cc = ControlNumber(edtCC_A_, 1);
      w = 10.0;
      Fill(*series, w, [&](double) { return cc; });
      levels = {std::min(0.0, cc), std::max(0.0, cc)};
      caption = "CC " + Level(cc) + " A   |   Avg " + Level(cc) + " A";
      break;
    }
    case TPatternKind::None:
      return;
  }

  if (caption.empty()) caption = LevelsCaption(levels.lower, levels.upper);
  form_.SetControlCaption(label, caption);
  FinishAxes(*chWave_, w, levels, w <= 1.0 ? 0.1 : 1.0);
}

}  // namespace voltaris
