// The window's chart series: created once with their colours, widths and axes, and the
// live chart window redrawn from the sample ring.
#include "run/live_chart_window.h"
#include "form/chart_styles.h"
#include "window/form_preview.h"

namespace voltaris {

namespace {
constexpr Rgb kSeiColor{0, 102, 255};
constexpr Rgb kSeiRateColor{0, 170, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kGrey{128, 128, 128};
constexpr Rgb kLime{0, 255, 0};
}  // namespace

void TFormPreview::EnsureSeries() {
  if (FSeriesReady) return;
  ChartModel& chWave = form_.Chart("chWave");
  ChartModel& chSim = form_.Chart("chSim");
  ChartModel& chI = form_.Chart("chI");
  ChartModel& chV = form_.Chart("chV");
  ChartModel& chSEI = form_.Chart("chSEI");
  ChartModel& chT = form_.Chart("chT");

  // 1. The reference, live and SEI series.
  FSerWaveRef = &MakeFast(chWave, "FSerWaveRef", "Ref (preview)", kRed, 2);
  FSerSimRef = &MakeFast(chSim, "FSerSimRef", "Ref (full)", kGrey, 2);
  FSerI = &MakeFast(chI, "FSerI", "Current I(t)", COLOR_I, 2);
  FSerV = &MakeFast(chV, "FSerV", "Voltage V(t)", COLOR_V, 2);
  FSerSEI = &MakeFast(chSEI, "FSerSEI", "SEI (nm)", kSeiColor, 3);
  FSerSEI->Clear();
  chSEI.Invalidate();
  FSerSEIRate = &MakeFast(chSEI, "FSerSEIRate", "dSEI/dt", kSeiRateColor, 1, "right");
  FSerSEI->color = kSeiColor;
  FSerSEIRate->color = kSeiRateColor;

  // 2. The SEI chart's axes in the colours of their series.
  chSEI.left.title = "SEI (nm)";
  ColourAxis(chSEI.left, kSeiColor);
  chSEI.right.title = "dSEI/dt (nm/s)";
  ColourAxis(chSEI.right, kSeiRateColor);
  chSEI.right.visible = true;
  chSEI.right.SetAutomatic();

  // 3. Temperature series.
  FSerT = &MakeFast(chT, "FSerT", "Temp (°C)", kRed, 2);
  FSeriesReady = true;

  // 4. Dark style of the run charts.
  for (ChartModel* ch : {&chSim, &chI, &chV, &chSEI, &chWave}) DarkChart(*ch);

  // 5. The SEI axis of the simulation chart, on the right at 88 % of the width.
  if (chSim.FindAxis("FAxSimSEI") == nullptr) {
    AxisModel& ax = chSim.AddCustomAxis("FAxSimSEI");
    ax.title = "SEI (nm)";
    ax.otherSide = true;
    ax.startPct = 0;
    ax.endPct = 100;
    ax.positionPct = 88;
    ax.titleFontSize = 8;
    ColourAxis(ax, kSeiColor);
  }

  // 6. The simulated SEI series on that axis.
  if (chSim.FindSeries("FSerSimSEI") == nullptr) {
    SeriesModel& s = chSim.AddSeries("FSerSimSEI", SeriesKind::FastLine);
    s.title = "SEI (Sim)";
    s.width = 1;
    s.style = LineStyle::Dotted;
    s.color = kSeiColor;
    s.axis = "FAxSimSEI";
  }
  FSerSimSEI = chSim.FindSeries("FSerSimSEI");

  // 7. The remaining series; the temperature series ends up lime.
  FSerI = &MakeFast(chI, "FSerI", "Current I(t)", COLOR_I, 2);
  FSerV = &MakeFast(chV, "FSerV", "Voltage V(t)", COLOR_V, 2);
  FSerWave = &MakeFast(chWave, "FSerWave", "Ref (preview)", kGreen, 2);
  FSerSimI = &MakeFast(chSim, "FSerSimI", "Current (Sim)", COLOR_I, 4);
  FSerSimV = &MakeFast(chSim, "FSerSimV", "Voltage V(t)", COLOR_V, 2, "right");
  FSerT = &MakeFast(chT, "FSerT", "Temp (°C)", kRed, 2);
  FSerT = &MakeFast(chT, "FSerT", "Temp (°C)", kLime, 2);
}

void TFormPreview::AddWindowToCharts_FromRing() {
  ::voltaris::AddWindowToCharts_FromRing(FRing, form_.Chart("chI"), form_.Chart("chV"), form_.FindChart("chSEI"),
                                         FSerI, FSerV, FSerSEI, FSerSEIRate, FSimOut, FChemFs);
}

}  // namespace voltaris
