// The live charts of a run: the last 30 simulated seconds of the sample ring, reduced to
// min/max buckets, drawn on the current, voltage and SEI charts.
#pragma once

#include "chemistry/sei_growth.h"
#include "form/chart_model.h"
#include "run/sample_ring.h"

namespace voltaris {

// Length of the live window, simulated seconds.
inline constexpr double kLiveWindow_s = 30.0;
// The window is cut into buckets of (samples div this) samples, so fewer than
// 16000 buckets (two points each) are drawn.
inline constexpr int kLiveWindowBucketDivisor = 8000;

// Rebuilds the live charts from the ring. Every series and the SEI chart may be absent
// (nullptr) and is then skipped. FSimOut.SEI_nm is the run's SEI thickness sampled at
// FChemFs Hz; it gives the SEI points and their growth rate (nm/s).
// With one sample or none in the ring, nothing is touched.
void AddWindowToCharts_FromRing(const TSampleRing& ring, ChartModel& chI, ChartModel& chV, ChartModel* chSEI,
                                SeriesModel* FSerI, SeriesModel* FSerV, SeriesModel* FSerSEI,
                                SeriesModel* FSerSEIRate, const TSimOutputs& FSimOut, double FChemFs);

}  // namespace voltaris
