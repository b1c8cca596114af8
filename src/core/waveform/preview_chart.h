// The two series of the reference preview chart chWave and its dark style.
#pragma once

#include "form/chart_model.h"

namespace voltaris {

// The series of the reference preview chart: FSerWaveRef (red, width 2), which the
// preview fills, and FSerWave (green, width 2), which is only ever cleared; then the
// dark style. Safe to call again.
void SetupWaveChart(ChartModel& chWave);

}  // namespace voltaris
