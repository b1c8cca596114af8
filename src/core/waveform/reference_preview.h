// The short reference preview under the pattern tabs: one to 199 s of the active
// tab's pattern at 1 kHz on the chart chWave, and the tab's level summary label.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "form/form_model.h"
#include "waveform/pattern_shapes.h"

namespace voltaris {

// Preview length (s) for a pattern period P (s): 1 below 1 s, 10 below 10 s, 100
// below 100 s, otherwise 199.
double PreviewTotalSecFromPeriod(double periodSec);

class TReferencePreview {
 public:
  static constexpr double kRateHz = 1000.0;

  TReferencePreview(FormModel& form, const TPatternShapes& shapes);
  TReferencePreview(const TReferencePreview&) = delete;
  TReferencePreview& operator=(const TReferencePreview&) = delete;

  // Creates the preview series of chWave (and its dark style); until then the preview
  // draws nothing. The full chart set-up of the window calls it.
  void EnsureWaveSeries();

  // Redraws FSerWaveRef from the active tab (or from the loaded template table when the
  // chemistry document kind is selected) and rewrites the tab's level label. A Bezier
  // or LUT list with too few points leaves the previous preview in place.
  void DrawReferenceWave();

  // In the chemistry-table mode the preview samples become the run's reference wave at
  // 1 kHz; the run state that holds it listens here.
  std::function<void(const std::vector<double>& wave, double fsHz)> onChemPreviewWave;

 private:
  struct Levels {
    double lower = 0, upper = 0;
  };
  template <typename Sample>
  void Fill(SeriesModel& series, double windowSec, Sample sample);
  void FinishAxes(ChartModel& chart, double windowSec, Levels levels, double bottomStep);
  bool DrawChemTable(ChartModel& chart, SeriesModel& series);
  const std::vector<double>& PreviewBezierYs() const;
  const std::vector<double>& LutPoints() const;

  FormModel& form_;
  const TPatternShapes& shapes_;
  ChartModel* chWave_;
  const Control *cbJsonType_, *edBezDur_, *edBezScaleMin_, *edBezScaleMax_, *edBezPoints_, *edDampTau_;
  const Control *edLUTDur_, *edLUTMin_, *edLUTMax_, *edLUTPoints_, *chkInterp_, *edtCC_A_;

  mutable std::string bezText_;
  mutable std::vector<double> bezYs_;
  mutable bool bezCached_ = false;
  mutable std::string lutText_;
  mutable std::vector<double> lutPoints_;
  mutable bool lutCached_ = false;
};

}  // namespace voltaris
