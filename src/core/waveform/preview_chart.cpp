#include "waveform/preview_chart.h"

#include "form/chart_styles.h"

namespace voltaris {

void SetupWaveChart(ChartModel& chWave) {
  MakeFast(chWave, "FSerWaveRef", "Ref (preview)", Rgb{255, 0, 0}, 2);
  MakeFast(chWave, "FSerWave", "Ref (preview)", Rgb{0, 128, 0}, 2);
  DarkChart(chWave);
}

}  // namespace voltaris
