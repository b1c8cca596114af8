#include "run/live_chart_window.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace voltaris {
namespace {

// Keeps the current and voltage charts from redrawing while they are rebuilt, and lets
// them redraw again however the rebuild ends.
class ChartUpdateSuspension {
 public:
  ChartUpdateSuspension(ChartModel& a, ChartModel& b) : a_(a), b_(b) {
    a_.Lock();
    b_.Lock();
  }
  ~ChartUpdateSuspension() {
    a_.Unlock();
    b_.Unlock();
  }
  ChartUpdateSuspension(const ChartUpdateSuspension&) = delete;
  ChartUpdateSuspension& operator=(const ChartUpdateSuspension&) = delete;

 private:
  ChartModel& a_;
  ChartModel& b_;
};

struct Extremes {
  double min, tMin, max, tMax;
};

// A value strictly below the minimum or above the maximum replaces it, with its time.
inline void Track(Extremes& e, double value, double t) {
  if (value < e.min) {
    e.min = value;
    e.tMin = t;
  }
  if (value > e.max) {
    e.max = value;
    e.tMax = t;
  }
}

// The two points of a bucket, the earlier first (the minimum first on equal times).
void AddMinMax(SeriesModel* series, const Extremes& e) {
  if (!series) return;
  if (e.tMin <= e.tMax) {
    series->Add(e.tMin, e.min);
    series->Add(e.tMax, e.max);
  } else {
    series->Add(e.tMax, e.max);
    series->Add(e.tMin, e.min);
  }
}

}  // namespace

void AddWindowToCharts_FromRing(const TSampleRing& ring, ChartModel& chI, ChartModel& chV, ChartModel* chSEI,
                                SeriesModel* FSerI, SeriesModel* FSerV, SeriesModel* FSerSEI,
                                SeriesModel* FSerSEIRate, const TSimOutputs& FSimOut, double FChemFs) {
  const int count = ring.FRingCount();
  if (count <= 1) return;

  const TSampleRing::TSlots& T = ring.FRingT();
  const TSampleRing::TSlots& I = ring.FRingI();
  const TSampleRing::TSlots& V = ring.FRingV();
  auto slot = [&](int k) { return static_cast<std::size_t>(ring.RingAbsIndex(k)); };

  const int last = count - 1;
  double tEnd = T[slot(last)];
  const double tStart = std::max(0.0, tEnd - kLiveWindow_s);
  if (tEnd <= tStart) tEnd = tStart + 0.001;

  const int first = ring.FirstIndexAtOrAfter(tStart);
  const int b = std::max(1, (last - first + 1) / kLiveWindowBucketDivisor);
  const std::vector<double>& SEI_nm = FSimOut.SEI_nm;
  const bool drawSei = FSerSEI && !SEI_nm.empty() && FChemFs > 0;
  const double seiCount = static_cast<double>(SEI_nm.size());

  {
    ChartUpdateSuspension suspended(chI, chV);
    for (SeriesModel* s : {FSerI, FSerV, FSerSEI, FSerSEIRate})
      if (s) s->Clear();
    const std::size_t points = 2 * static_cast<std::size_t>((last - first) / b + 1);
    if (FSerI) FSerI->Reserve(points);
    if (FSerV) FSerV->Reserve(points);

    for (int j = first; j <= last; j += b) {
      const int bucketEnd = std::min(last, j + b - 1);
      std::size_t s = slot(j);
      Extremes ei{I[s], T[s], I[s], T[s]};
      Extremes ev{V[s], T[s], V[s], T[s]};
      for (int k = j + 1; k <= bucketEnd; ++k) {
        s = slot(k);
        Track(ei, I[s], T[s]);
        Track(ev, V[s], T[s]);
      }
      AddMinMax(FSerI, ei);
      AddMinMax(FSerV, ev);

      if (drawSei) {
        // The SEI thickness at the time of the bucket's current peak.
        const double tm = ei.tMax;
        const double n = std::nearbyint(tm * FChemFs);
        if (n >= 0 && n < seiCount) {
          const auto ni = static_cast<std::size_t>(n);
          FSerSEI->Add(tm, SEI_nm[ni]);
          if (FSerSEIRate && ni > 0) FSerSEIRate->Add(tm, (SEI_nm[ni] - SEI_nm[ni - 1]) * FChemFs);
        }
      }
    }
  }

  chI.bottom.SetFixed(tStart, tEnd);
  chV.bottom.SetFixed(tStart, tEnd);
  if (chSEI) {
    chSEI->bottom.SetFixed(tStart, tEnd);
    chSEI->left.SetAutomatic();
    chSEI->right.SetAutomatic();
  }
  chI.Invalidate();
  chV.Invalidate();
  if (chSEI) chSEI->Invalidate();
}

}  // namespace voltaris
