// The window's charts beyond their series: fixed and data-based axis ranges, the reset,
// absolute time labels of the live charts, the SEI-done overlay, the OCV and temperature
// charts, and the whole-run snapshot drawn on the simulation chart when a run starts.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "chemistry/chem_params.h"
#include "common/number_format.h"
#include "common/numbers.h"
#include "form/chart_styles.h"
#include "waveform/step_schedules.h"
#include "run/live_chart_window.h"
#include "window/form_preview.h"

namespace voltaris {

namespace {

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};

// The whole-run snapshot: points per series, and at least this many points per sine period.
constexpr double kSnapshotMaxPoints = 25000.0;
constexpr double kSnapshotPointsPerPeriod = 20.0;

void ClearSeries(SeriesModel* s) {
  if (s != nullptr) s->Clear();
}

// Keeps a chart from redrawing while its series are cleared and refilled; it redraws
// once when the batch ends, also when the refill fails.
class ChartBatch {
 public:
  explicit ChartBatch(ChartModel* chart) : chart_(chart) {
    if (chart_ != nullptr) chart_->Lock();
  }
  ~ChartBatch() {
    if (chart_ != nullptr) chart_->Unlock();
  }
  ChartBatch(const ChartBatch&) = delete;
  ChartBatch& operator=(const ChartBatch&) = delete;

 private:
  ChartModel* chart_;
};

// Upper end of a data-based SEI axis: 1.1 times the largest value, or 1 when there is
// nothing positive (or nothing finite) to show.
double SeiAxisTop(double largest) { return largest > 0.0 && std::isfinite(largest) ? 1.1 * largest : 1.0; }

// The current axes start at 0; a negative lower current limit (a discharge) takes them
// below 0 with the same 2 A of room the upper limit gets.
double CurrentAxisBottom(double iMin) { return iMin < 0.0 ? iMin - 2.0 : 0.0; }
// A current axis fixed from the lower limit's bottom to `top`, the top kept 1 A above the
// bottom so that an odd limit (below the lower one, or negative) never turns it upside down.
void FixCurrentAxis(AxisModel& axis, double top, double iMin) {
  const double bottom = CurrentAxisBottom(iMin);
  axis.SetFixed(bottom, std::max(top, bottom + 1.0));
}

}  // namespace

// ---- Series ----

void TFormPreview::EnsureSimSeries() {
  ChartModel* chSim = form_.FindChart("chSim");
  if (chSim == nullptr) return;
  if (FSerSimI == nullptr) FSerSimI = &MakeFast(*chSim, "FSerSimI", "I(sim)", COLOR_I, 2);
  if (FSerSimV == nullptr) FSerSimV = &MakeFast(*chSim, "FSerSimV", "V(sim)", COLOR_V, 2, "right");
  if (FSerSimSEI == nullptr) {
    const char* axis = chSim->FindAxis("FAxSimSEI") != nullptr ? "FAxSimSEI" : "right";
    FSerSimSEI = &MakeFast(*chSim, "FSerSimSEI", "SEI(sim)", kBlue, 1, axis);
  }
  if (FSerSimSEIMark == nullptr) {
    SeriesModel& mark = chSim->AddSeries("FSerSimSEIMark", SeriesKind::Point);
    mark.title = "SEI mark";
    mark.pointStyle = PointStyle::Circle;
    mark.pointSize = 4;
    mark.color = kBlue;
    mark.axis = "left";
    FSerSimSEIMark = &mark;
    chSim->Invalidate();
  }
}

// ---- Axes ----

void TFormPreview::FixTimeAxis(ChartModel& chart, double max) {
  chart.bottom.SetFixed(0.0, max);
  chart.bottom.increment = 5.0;
  chart.bottom.gridVisible = true;
  chart.bottom.minorTicksVisible = false;
  chart.Invalidate();
}

void TFormPreview::FixYAxis(ChartModel& chart, double min, double max) {
  chart.left.SetFixed(min, max);
  chart.left.gridVisible = true;
  chart.left.minorTicksVisible = false;
  chart.Invalidate();
}

void TFormPreview::ConfigureTimeAxis(ChartModel& chart) {
  chart.bottom.SetFixed(0.0, kLiveWindow_s);
  chart.bottom.increment = 5.0;
  chart.bottom.gridCentered = false;
  chart.Invalidate();
}

void TFormPreview::SetupAxes(double totalSeconds) {
  if (ChartModel* chSim = form_.FindChart("chSim")) {
    FixTimeAxis(*chSim, totalSeconds);
    // The whole-run chart rounds the current limit (halves to even); the limit-based
    // updates below use it as it is.
    FixCurrentAxis(chSim->left, std::nearbyint(ImaxLim) + 2.0, IminLim);
    chSim->left.title = "Current (A)";
    ColourAxis(chSim->left, COLOR_I);
    chSim->right.visible = true;
    chSim->right.SetFixed(0.0, VmaxLim + 2.0);
    chSim->right.title = "Voltage (V)";
    ColourAxis(chSim->right, COLOR_V);
    chSim->Invalidate();
  }
  if (ChartModel* chV = form_.FindChart("chV")) {
    FixTimeAxis(*chV, kLiveWindow_s);
    FixYAxis(*chV, 0.0, 5.0);
    chV->bottom.title = "Time (s)";
  }
  if (ChartModel* chI = form_.FindChart("chI")) {
    FixTimeAxis(*chI, kLiveWindow_s);
    // A 0..10 A window, grown to the current limit when the limit does not fit in it.
    FixYAxis(*chI, 0.0, 10.0);
    FixCurrentAxis(chI->left, ImaxLim > 10.0 ? ImaxLim + 2.0 : 10.0, IminLim);
    chI->bottom.title = "Time (s)";
  }
  if (ChartModel* chSEI = form_.FindChart("chSEI")) {
    FixTimeAxis(*chSEI, kLiveWindow_s);
    chSEI->bottom.title = "Time (s)";
  }
  for (const char* name : {"chI", "chV", "chT", "chSEI"})
    if (ChartModel* ch = form_.FindChart(name)) ConfigureTimeAxis(*ch);
  if (ChartModel* chT = form_.FindChart("chT")) {
    chT->bottom.maximum = totalSeconds;
    // Stop draws the temperature over minutes; a new run's axis counts seconds again, so the
    // minutes title and format of the last Stop go with it.
    chT->bottom.title.clear();
    chT->bottom.valueFormat.clear();
    chT->Invalidate();
  }
}

void TFormPreview::UpdateIAxis() {
  if (ChartModel* chI = form_.FindChart("chI")) {
    chI->view3D = false;
    chI->right.visible = false;
    FixCurrentAxis(chI->left, ImaxLim + 2.0, IminLim);
    ColourAxis(chI->left, COLOR_I);
    chI->Invalidate();
  }
  if (ChartModel* chSim = form_.FindChart("chSim")) {
    FixCurrentAxis(chSim->left, ImaxLim + 2.0, IminLim);
    chSim->Invalidate();
  }
}

void TFormPreview::UpdateVAxes() {
  if (ChartModel* chV = form_.FindChart("chV")) {
    chV->view3D = false;
    chV->right.visible = false;
    chV->left.SetFixed(0.0, VmaxLim + 2.0);
    ColourAxis(chV->left, COLOR_V);
    chV->Invalidate();
  }
  if (ChartModel* chSim = form_.FindChart("chSim")) {
    chSim->right.SetFixed(0.0, VmaxLim + 2.0);
    ColourAxis(chSim->right, COLOR_V);
    chSim->Invalidate();
  }
}

void TFormPreview::ApplyFixedAxes() {
  if (ChartModel* chV = form_.FindChart("chV")) {
    chV->left.SetFixed(0.0, VmaxLim + 2.0);
    chV->Invalidate();
  }
  if (ChartModel* chI = form_.FindChart("chI")) {
    FixCurrentAxis(chI->left, ImaxLim + 2.0, IminLim);
    chI->Invalidate();
  }
  if (ChartModel* chSim = form_.FindChart("chSim")) {
    FixCurrentAxis(chSim->left, ImaxLim + 2.0, IminLim);
    chSim->right.SetFixed(0.0, VmaxLim + 2.0);
    chSim->Invalidate();
  }
}

void TFormPreview::UpdateSEIAxis() {
  ChartModel* chSEI = form_.FindChart("chSEI");
  if (chSEI == nullptr) return;
  double seiMax = 0.0;
  for (double v : FSEI)
    if (v > seiMax) seiMax = v;
  double rateMax = 0.0;
  for (double v : FSEIRate)
    if (std::fabs(v) > rateMax) rateMax = std::fabs(v);
  chSEI->left.SetFixed(0.0, SeiAxisTop(seiMax));
  chSEI->right.SetFixed(0.0, SeiAxisTop(rateMax));

  // The time axis spans the simulated current of chSim when there is one.
  const ChartModel* chSim = form_.FindChart("chSim");
  if (chSim != nullptr && FSerSimI != nullptr && FSerSimI->Count() > 1) {
    const double x0 = FSerSimI->X(0);
    const double x1 = FSerSimI->X(FSerSimI->Count() - 1);
    if (!std::isfinite(x0) || !std::isfinite(x1))
      chSEI->bottom.SetAutomatic();
    else
      chSEI->bottom.SetFixed(x0, x0 < x1 ? x1 : x0 + 1.0);
  } else {
    chSEI->bottom.SetAutomatic();
  }
  chSEI->Invalidate();
}

void TFormPreview::EdClampMaxChange(const std::string&) {
  ReadCurrentLimitsFromUI();  // the axes follow the limit as typed
  InvalidateCharts();
  ApplyFixedAxes();
}

void TFormPreview::ReadCurrentLimitsFromUI() {
  ImaxLim = form_.Number("EdClampMax", 10);
  IminLim = form_.Number("EdClampMin", 0);
}

// ---- Reset and redraw ----

void TFormPreview::ResetCharts() {
  if (!FSeriesReady) return;
  for (SeriesModel* s : {FSerSEI, FSerV, FSerI, FSerWave, FSerSimRef, FSerSimI, FSerSimV, FSerSimSEI}) ClearSeries(s);
  for (const char* name : {"chSim", "chSEI"})
    if (ChartModel* ch = form_.FindChart(name)) ch->Invalidate();
  UpdateVAxes();
  UpdateIAxis();
  UpdateSEIAxis();
  FStepTgtInit = false;
  if (ChartModel* chT = form_.FindChart("chT")) ClearSeries(chT->FindSeries("serTemp"));
  ClearSeries(FSerOCV);
  ClearSeries(FSerSOCMark);  // the state of charge of the last run goes with its curve
  for (const char* name : {"chOCV", "chT"})
    if (ChartModel* ch = form_.FindChart(name)) ch->Invalidate();
  FSimOut.t_done_s = -1.0;
  FSimOut.SEI_nm.clear();
  FSimOut.T_C.clear();
  FSimOut.V.clear();
  FSimOut.SOC.clear();
  FSEIDoneSec = -1.0;
}

void TFormPreview::InvalidateCharts() {
  waveform.preview.DrawReferenceWave();
  for (const auto& chart : form_.Charts()) chart->Invalidate();
}

void TFormPreview::LockChart(ChartModel& chart) { chart.Lock(); }

void TFormPreview::UnlockChart(ChartModel& chart) { chart.Unlock(); }

bool TFormPreview::HasRunOnChSim() const { return static_cast<bool>(FSim); }

void TFormPreview::DrawRefOnChSim() {
  if (!FSeriesReady || FWave.empty() || !(FFs > 0.0)) return;
  // The current and voltage of a run that plays, finished or was stopped stay: looking
  // through the pattern pages must not lose them (Stop computes the figures from them).
  if (HasRunOnChSim()) return;
  ChartModel* chSim = form_.FindChart("chSim");
  if (chSim == nullptr) return;
  LockChart(*chSim);
  ClearSeries(FSerSimI);
  ClearSeries(FSerSimV);
  UnlockChart(*chSim);
  chSim->Invalidate();
}

// ---- Labels and overlay ----

std::string TFormPreview::AxisTimeGetLabel(const ChartModel& chart, const std::string& axis,
                                           const std::string& label) const {
  if (axis != "bottom") return label;
  const std::string& name = chart.Name();
  if (name != "chI" && name != "chV" && name != "chT" && name != "chSEI") return label;
  double relative = 0.0;  // a label that is not a number counts as 0
  if (!TryParseFloat(label, '.', relative)) relative = 0.0;
  // Whole seconds, halves to the even neighbour as every rounding to an integer here.
  return std::to_string(RoundToInt64(relative + FWindowBaseSec));
}

void TFormPreview::chSEIAfterDraw(ChartModel& chart) {
  chart.markers.clear();
  if (!(FSEIDoneSec >= 0.0)) return;
  ChartMarker done;
  done.x = FSEIDoneSec;
  done.lineColor = kRed;
  done.lineWidth = 1;
  done.text = " SEI done @ " + FormatFloat("0.0", FSEIDoneSec) + " s ";
  done.textBrush = Rgb{255, 230, 230};
  done.textColor = Rgb{128, 0, 0};
  done.textOffsetX = 8.0;
  done.textOffsetY = 8.0;
  chart.markers.push_back(done);
}

// ---- OCV and temperature charts ----

void TFormPreview::SetupOCVChart() {
  ChartModel* chOCV = form_.FindChart("chOCV");
  if (chOCV == nullptr) return;
  chOCV->view3D = false;
  chOCV->legendVisible = false;
  chOCV->title = "OCV vs SOC";
  chOCV->bottom.title = "SOC [%]";
  chOCV->left.title = "OCV [V]";
  chOCV->bottom.SetAutomatic();
  chOCV->left.SetAutomatic();
  // Removing the chart's series also removes a state-of-charge marker made earlier;
  // RefreshOCVChart makes a new one.
  chOCV->RemoveAllSeries();
  FSerSOCMark = nullptr;
  SeriesModel& ocv = chOCV->AddSeries("FSerOCV", SeriesKind::Line);
  ocv.pointStyle = PointStyle::Circle;  // small dots on the table points
  ocv.pointSize = 2;
  ocv.width = 2;
  FSerOCV = &ocv;
  chOCV->Invalidate();
}

void TFormPreview::RefreshOCVChart() {
  ChartModel* chOCV = form_.FindChart("chOCV");
  if (chOCV == nullptr) return;
  ClearSeries(FSerOCV);
  const std::vector<TPointD>& table = FChemP.OCV;
  if (table.empty()) {
    chOCV->Invalidate();
    return;
  }
  if (FSerOCV != nullptr)
    for (const TPointD& p : table) FSerOCV->Add(p.x * 100.0, p.y);
  if (FSerSOCMark == nullptr) {
    SeriesModel& mark = chOCV->AddSeries("FSerSOCMark", SeriesKind::Point);
    mark.pointStyle = PointStyle::Circle;
    mark.pointSize = 6;
    mark.color = kRed;
    mark.brush = kRed;
    FSerSOCMark = &mark;
  }
  FSerSOCMark->Clear();
  FSerSOCMark->Add(FLastSOC_pct, InterpOCV(table, FLastSOC_pct / 100.0));
  chOCV->Invalidate();
}

void TFormPreview::EnsureTempChart() {
  ChartModel* chT = form_.FindChart("chT");
  if (chT == nullptr) return;
  chT->view3D = false;
  chT->legendVisible = false;
  chT->title = "Temperature (°C)";
  if (SeriesModel* serTemp = chT->FindSeries("serTemp")) {
    serTemp->title = "TempC";
    serTemp->inLegend = false;
    serTemp->width = 2;
  }
  chT->Invalidate();
}

// ---- Whole-run snapshot ----

void TFormPreview::DrawSimSnapshotOnChSim() {
  if (FIsRunning || IsPlaying()) return;
  EnsureSeries();
  EnsureSimSeries();
  ChartModel* chSim = form_.FindChart("chSim");
  if (!FSeriesReady || chSim == nullptr || FSerSimI == nullptr || FSerSimV == nullptr) return;
  if (!(FFs > 0.0) || !(FTotalSecs > 0.0) || !std::isfinite(FTotalSecs)) return;

  // 1. The ring the first live window is drawn from needs storage.
  if (FRing.FRingCap() <= 0) FRing.RingInit(TSampleRing::CapacityForStep(FDtSim));
  const bool cccv = waveform.shapes.ActiveKind() == TPatternKind::CcCv;

  // 2. Points per second: the edit of the response time read as a rate, raised to 20
  //    points per sine period.
  double fs = std::max(ControlNumber(rc_.edtFs, 1000.0), 1.0);
  double sMin = 0, sMax = 0, sineHz = 0;
  waveform.shapes.GetSineParamsFromUI(sMin, sMax, sineHz);
  if (sineHz > 0.0 && fs < kSnapshotPointsPerPeriod * sineHz) fs = kSnapshotPointsPerPeriod * sineHz;

  // 3. Points and spacing; the smoothing follows the power source at that rate.
  const double wanted = std::nearbyint(FTotalSecs * fs) + 1.0;  // may exceed any int
  const int n = static_cast<int>(std::clamp(wanted, 2.0, kSnapshotMaxPoints));
  const double dt = FTotalSecs / (n - 1);
  const double a = dt / (1.0 / fs + dt);

  // 4. Empty ring and series.
  FRing.RingClear();
  FSerSimI->Clear();
  FSerSimV->Clear();
  double y = 0.0;

  // 5. The CC-CV page runs the runtime cell model from a fresh charge.
  TSchedules& sch = waveform.schedules;
  const double up = std::clamp(ControlNumber(rc_.edtRU, 120.0) / 5.0, 1.0, 120.0);
  const double down = std::clamp(ControlNumber(rc_.edtRD, 120.0) / 5.0, 1.0, 120.0);
  // Every pass starts from the same charge so the chart, the ring and the live window
  // show one and the same run.
  auto freshCharge = [&] {
    FRunState = RuntimeFreshState(FRunParams);
    FRunParams.Icc = ControlNumber(rc_.edtCC_A, 1.0);
  };
  auto chargeStep = [&](double t, double& I, double& V) {
    if (FRunState.Mode == cmCC && sch.FCCIStepsValid && !sch.FCCISteps.empty()) {
      const double s = StepTargetAvgWithRamp(t, sch.FCCISteps, up, down);
      if (s > 0.001) FRunParams.Icc = std::min(std::max(s, 1.1 * FRunParams.Icut), ImaxLim);
    }
    RuntimeStep(FRunState, FRunParams, dt);
    I = FRunState.I;
    V = FRunState.V;
  };
  if (cccv) {
    FCurrFull.clear();
    FVoltFull.clear();
    FFsFull = 0.0;
    FPlayIdx = 0;
    FPlaybackFromFull = false;
    freshCharge();
    const Control* edtIStep = form_.Find("edtIStep");
    sch.FCCIStepsValid = ParseISteps(edtIStep != nullptr ? edtIStep->Text() : std::string(), sch.FCCISteps);
  }

  // 6. The whole run.
  {
    const ChartBatch batch(chSim);
    FSerSimI->Reserve(static_cast<size_t>(n));
    FSerSimV->Reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      const double t = i * dt;
      double I = 0.0, V = 0.0;
      if (cccv) {
        chargeStep(t, I, V);
      } else {
        const double target = CurrentAtTime(t);
        y += a * (target - y);
        I = y;
        V = VoltageAtTime(t, y);
      }
      FSerSimI->Add(t, I);
      FSerSimV->Add(t, V);
      if (!cccv) FRing.RingPush(t, I, V);
    }
    // 7. Time axis over the run.
    chSim->bottom.SetFixed(0.0, FTotalSecs);
  }
  UpdateChemMetricsFromSim();

  // 8. The CC-CV ring holds the start of the same charge.
  if (cccv) {
    FRing.RingClear();
    freshCharge();
    const int m = std::min(n, FRing.FRingCap());
    for (int i = 0; i < m; ++i) {
      const double t = i * dt;
      double I = 0.0, V = 0.0;
      chargeStep(t, I, V);
      FRing.RingPush(t, I, V);
    }
  }

  // 9. The live run starts from the beginning.
  FSimT = 0.0;
  FIout = 0.0;
  FLastUiRefreshTick = 0;

  // 10. First live window.
  if (cccv) {
    ChartModel* chI = form_.FindChart("chI");
    ChartModel* chV = form_.FindChart("chV");
    ClearSeries(FSerI);
    ClearSeries(FSerV);
    if (chI != nullptr) chI->bottom.SetFixed(0.0, kLiveWindow_s);
    if (chV != nullptr) chV->bottom.SetFixed(0.0, kLiveWindow_s);
    const int k = std::clamp(static_cast<int>(std::min(kLiveWindow_s / dt, kSnapshotMaxPoints)), 1, n - 1);
    freshCharge();
    for (int j = 0; j <= k; ++j) {
      double I = 0.0, V = 0.0;
      chargeStep(j * dt, I, V);
      if (FSerI != nullptr) FSerI->Add(j * dt, I);
      if (FSerV != nullptr) FSerV->Add(j * dt, V);
    }
    if (chI != nullptr) chI->Invalidate();
    if (chV != nullptr) chV->Invalidate();
  } else {
    AddWindowToCharts_FromRing();
  }
}

void TFormPreview::UpdateChemMetricsFromSim() {
  if (FSerSimI == nullptr || FSerSimI->Count() == 0 || FSimOut.V.empty()) return;
  const size_t n = std::min(FSerSimI->Count(), FSimOut.V.size());
  if (n <= 1) return;
  if (form_.Find("MemoChemMetrics") == nullptr) return;

  const double dt = (FSerSimI->X(n - 1) - FSerSimI->X(0)) / static_cast<double>(n - 1);
  double energy = 0.0;
  double tMin = 1e30, tMax = -1e30;
  for (size_t i = 0; i < n; ++i) {
    energy += FSimOut.V[i] * FSerSimI->Y(i) * dt;
    if (i < FSimOut.T_C.size()) {
      tMin = std::min(tMin, FSimOut.T_C[i]);
      tMax = std::max(tMax, FSimOut.T_C[i]);
    }
  }
  const double socEnd = FSimOut.SOC.empty() ? 0.0 : FSimOut.SOC.back() * 100.0;
  const double seiEnd = FSimOut.SEI_nm.empty() ? 0.0 : FSimOut.SEI_nm.back();

  std::vector<std::string> lines;
  lines.push_back("Delivered E = " + FormatFloat("0.000", energy / 3600.0) + " Wh");
  lines.emplace_back();
  lines.push_back("IbSEI  = " + FormatFloat("0.0", seiEnd) + " nm");
  if (tMin < 1e29) lines.push_back("IbΔT   = " + FormatFloat("0.00", tMax - tMin) + " °C");
  lines.push_back("IbSOC  = " + FormatFloat("0.0", socEnd) + " %");
  lines.emplace_back("IbPerf = 100,0");
  if (FSimOut.t_done_s >= 0.0)
    lines.push_back("SEI stabilization ~ " + FormatFloat("0.0", FSimOut.t_done_s) + " s (" +
                    FormatFloat("0.00", FSimOut.t_done_s / 60.0) + " min)");
  form_.SetLines("MemoChemMetrics", std::move(lines));
}

// ---- Window creation and automation ----

void TFormPreview::SetupChartsAtCreation() {
  EnsureTempChart();
  if (ChartModel* chSEI = form_.FindChart("chSEI"))
    chSEI->afterDraw = [this](ChartModel& chart) { chSEIAfterDraw(chart); };
  SetupOCVChart();
  ResetCharts();
  SetupAxes(FTotalSecs);
  // Live charts plot window-relative times and label them with absolute run times.
  for (const char* name : {"chI", "chV", "chT"})
    if (ChartModel* chart = form_.FindChart(name))
      chart->getAxisLabel = [this, chart](const std::string& axis, const std::string& label) {
        return AxisTimeGetLabel(*chart, axis, label);
      };
  if (ChartModel* chSim = form_.FindChart("chSim")) {
    FixCurrentAxis(chSim->left, ImaxLim + 2.0, IminLim);
    chSim->right.SetFixed(0.0, VmaxLim + 2.0);
    chSim->Invalidate();
  }
  if (form_.Find("EdClampMax") != nullptr)
    form_.OnChange("EdClampMax", [this](const std::string& sender) { EdClampMaxChange(sender); });
  if (form_.Find("EdClampMin") != nullptr)
    form_.OnChange("EdClampMin", [this](const std::string& sender) { EdClampMaxChange(sender); });
  waveform.onTabSwitched = [this] {
    DrawRefOnChSim();
    InvalidateCharts();
  };
  waveform.invalidateCharts = [this] { InvalidateCharts(); };
}

void TFormPreview::RegisterChartAutomation() {
  RegisterStateField("FFs", [this] { return Json(FFs); });
  RegisterStateField("FWaveLength", [this] { return Json(FWave.size()); });
  RegisterStateField("FWaveMean", [this] { return Json(FWave.Mean()); });
  RegisterStateField("FSEIDoneSec", [this] { return Json(FSEIDoneSec); });
  RegisterStateField("FWindowBaseSec", [this] { return Json(FWindowBaseSec); });
  RegisterStateField("FLastSOC_pct", [this] { return Json(FLastSOC_pct); });

  // The bottom-axis label chI shows for a window-relative time (s).
  RegisterProbe("AxisTimeGetLabel", 1, [this](const std::vector<double>& args) {
    const ChartModel* chI = form_.FindChart("chI");
    if (chI == nullptr) return Json();
    return Json(AxisTimeGetLabel(*chI, "bottom", FormatFloat("0.######", args[0], '.')));
  });
  // The overlay chSEI draws after its series: [x, text] per marker.
  RegisterProbe("SEIDoneOverlay", 0, [this](const std::vector<double>&) {
    Json markers = Json::array();
    if (ChartModel* chSEI = form_.FindChart("chSEI")) {
      if (chSEI->afterDraw) chSEI->afterDraw(*chSEI);
      for (const ChartMarker& m : chSEI->markers) markers.push_back(Json::array({m.x, m.text}));
    }
    return markers;
  });
}

}  // namespace voltaris
