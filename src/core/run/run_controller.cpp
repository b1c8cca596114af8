// The run controller: Start, the 30 ms play tick with its speed factor and power-source
// response, the simulation step, Stop and the end of a run by time.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/debug_log.h"
#include "common/number_format.h"
#include "common/numbers.h"
#include "run/input_checks.h"
#include "window/chemistry_panel.h"
#include "window/form_preview.h"
#include "workspace/ui_snapshot.h"

namespace voltaris {

namespace {
constexpr int kMaxStepsPerCall = 4000;
constexpr int64_t kChartRedrawMs = 100;
constexpr int64_t kMessagePumpMs = 15;
constexpr int64_t kFastRefreshMs = 100;
constexpr double kMinLiveRunSecs = 300.0;  // a live run never ends on stabilised SEI before this

// Clears the re-entry flag of the tick on every way out, errors included.
struct InTimerGuard {
  bool& flag;
  explicit InTimerGuard(bool& f) : flag(f) { flag = true; }
  ~InTimerGuard() { flag = false; }
};
}  // namespace

double TFormPreview::TotalMinutesFromUI(double fallback) {
  return ::voltaris::TotalMinutesFromUI(form_, fallback);
}

void TFormPreview::btnStartClick(const std::string&) {
  // 1. Live state back to the start.
  SetPlayTimerEnabled(false);
  FIsRunning = false;
  FLastUiTick = FLastYieldTick = platform_.NowMs();
  FInTimer = false;
  FPrevIOut = 0;
  FPrevIOutT = 0;
  FPrevIOutInit = false;
  FCCCVPhase = cpCharge;
  FLastVout = 0;
  FSoc01 = 0.05;
  startNotes.Clear(form_);

  // 2. Runtime cell model parameters from the CC-CV page.
  FRunParams.Vmax = ControlNumber(rc_.edtVmax, 4.2);
  FRunParams.Icc = ControlNumber(rc_.edtICC, 0.0);
  FRunParams.Icut = ControlNumber(rc_.edtIcut, 0.0);
  FRunParams.SoC0 = 0.1;
  FRunState = TRuntimeState{};
  FRunState.SoC = std::clamp(FSoc01, 0.0, 0.999);
  FRunState.Mode = cmCC;

  // 3. Results and live series of the last run.
  ClearForNewRun();

  // 4. Voltage schedule of the run.
  TSchedules& sch = waveform.schedules;
  if (form_.Find("edtVsteps") != nullptr)
    sch.FVSched = sch.VScheduleFromUI();
  else
    sch.FVSched.clear();

  // 5. The timer stops (the run length is 0 now, so nothing is recomputed). The current of
  //    an earlier run must not feed this run's closing SEI simulation.
  StopRun();
  FSim = nullptr;
  FHasStepProc = false;
  FCurrSim.clear();

  // 6.-11. Session and documents, pattern, reference wave, first memo line, chemistry.
  CheckRunInputs(form_);  // finite, possible inputs and readable documents, or no run at all
  PrepareRunDocuments();

  // 12. OCV table of the runtime model from the run's chemistry.
  FRunParams.OCVTable = ConvertOCV(FChemP.OCV);
  if (FRunParams.OCVTable.empty()) throw FormError("OCV table empty: chemistry not loaded.");
  FRunParams.Qn_Ah = FChemP.Qn_Ah;
  FRunParams.Rtot = FChemP.R0;
  form_.SetText("edtVmax", FormatFloat("0.##", FChemP.Vmax));
  FRunParams.Vmax = FChemP.Vmax;

  // 13. Charts of the new run, their current axes from the limits as typed now.
  ReadCurrentLimitsFromUI();
  ResetCharts();
  SetupAxes(FTotalSecs);
  EnsureSeries();
  DrawRefOnChSim();
  form_.Chart("chSim").Invalidate();

  // 14. Time base; the chemistry parameters completed from the panel.
  UpdateSamplingFromUI();
  InitSimRateAndRing();
  EnsureChemParamsReady();

  // 15.-17. Batch half, whole-run snapshot, SEI-done marker.
  if (!FWave.empty()) RunBatchHalf();
  DrawSimSnapshotOnChSim();
  DrawSEIDoneMarker();

  // 18. The live half starts.
  FSimT = 0;
  FRing.RingClear();
  FTickBudget.cutTicks = 0;
  AddWindowToCharts_FromRing();
  SetPlayTimerEnabled(true);
  FIsRunning = true;
  FHasStepProc = true;

  // 19. What the run takes in place of the user's values, said once.
  for (const std::string& note : EntrySubstitutions(form_)) startNotes.Say(form_, note);
  if (!FWave.empty())
    for (const std::string& note : ChemEntrySubstitutions(form_, FChemP)) startNotes.Say(form_, note);
  if (FWave.empty() && FSim && FSim->FTimebase) {
    const TSimTimebase& tb = *FSim->FTimebase;
    startNotes.Say(form_, "The reference wave of this run has no samples (one sample every " +
                              FormatFloat("0.###", 1000.0 / std::max(tb.FFsHz, 1e-6)) + " ms over " +
                              FormatFloat("0.###", tb.FTTotalS / 60.0) +
                              " min): the SEI growth is simulated only when the run ends.");
  }
}

void TFormPreview::UpdateSamplingFromUI() {
  FResponseMs = ControlNumber(rc_.edtFs, 1.0);
  if (FResponseMs <= 0) FResponseMs = 1.0;
  FPatternHz = waveform.shapes.GetPatternFreqHzFromUI();
  if (FPatternHz <= 0) FPatternHz = 1.0;
}

void TFormPreview::InitSimRateAndRing() {
  // The simulation step equals the power-source response time.
  FDtSim = std::max(FResponseMs / 1000.0, 1e-6);
  FFsSim = 1.0 / FDtSim;
  // 30 minutes of samples, at least 1024, bounded so a tiny response time cannot ask
  // for more memory than the machine has.
  FRing.RingInit(TSampleRing::CapacityForStep(FDtSim));
  if (std::ceil(1800.0 / FDtSim) > TSampleRing::kMaxCapacity) {
    // The ring keeps less than 30 minutes at this step: say how much it keeps.
    char note[160];
    std::snprintf(note, sizeof note, "Sample ring limited to %d samples: it keeps the last %.0f s of the run",
                  TSampleRing::kMaxCapacity, TSampleRing::kMaxCapacity * FDtSim);
    startNotes.Say(form_, note);
  }
  // First-order lag with the step equal to the response time: alpha = dt / (dt + tau).
  FAlphaI = FDtSim / (FDtSim + FDtSim);
}

void TFormPreview::RecalcSimTimebase(const std::string&) {
  const std::string& text = form_.Text("edtFs");
  double ms = 0.0;
  if (!TryParseFloat(text, UserDecimalSeparator(), ms))
    throw FormError("'" + text + "' is not a valid floating point value");
  const double tau = std::max(ms / 1000.0, 0.001);
  if (FIsRunning && ms < 1.0)
    startNotes.Say(form_, EntryNote(form_.Get("edtFs"), "is below 1 ms: the run responds as with 1 ms until the next Start"),
                   "edtFs");
  double dt = tau / 20.0;
  if (FPatternHz > 0) dt = std::min(dt, 1.0 / (FPatternHz * 1024.0));
  dt = std::clamp(dt, 1e-4, 1e-3);
  FDtSim = dt;
  FFsSim = 1.0 / dt;
  FAlphaI = 1.0 - std::exp(-dt / tau);
}

void TFormPreview::tbSpeedChange(const std::string&) {
  FSpeedFactor = std::clamp(form_.Get("tbSpeed").Position(), 1, 150);
  char caption[32];
  std::snprintf(caption, sizeof caption, "Speed: %dx", FSpeedFactor);
  form_.SetControlCaption("lblSpeed", caption);
}

void TFormPreview::tmPlayTimer(const std::string&) {
  if (!FIsRunning || FInTimer) return;
  const InTimerGuard guard(FInTimer);
  if (!FHasStepProc) return;
  if (FSimT >= LiveRunEndSecs()) {
    FinishRun();
    return;
  }
  // Simulated time asked for by one tick; the fraction lost by rounding is not carried.
  int n = static_cast<int>(std::nearbyint(kPlayIntervalMs / 1000.0 * FSpeedFactor / FDtSim));
  if (n < 1) n = 1;
  FTickBudget.Begin(platform_.NowMs());
  while (n > 0) {
    const int chunk = std::min(n, kMaxStepsPerCall);
    StepSim(chunk);
    n -= chunk;
    if (FSpeedFactor <= 100) {
      DoUiRefresh();
    } else {
      const int64_t now = platform_.NowMs();
      if (now - FLastUiRefreshTick >= kFastRefreshMs) {
        DoUiRefresh();
        FLastUiRefreshTick = now;
      }
    }
    if (FSimT >= LiveRunEndSecs()) {
      FinishRun();
      return;
    }
    if (!FIsRunning) break;  // stopped from inside the refresh
    // A tick spends at most its share of the interval; the steps left over are not
    // carried, so simulated time runs slower than the speed asks.
    if (n > 0 && FTickBudget.Spent(platform_.NowMs())) break;
  }
  ShowTickPace();
  DoUiRefresh();
}

void TFormPreview::ShowTickPace() {
  TTickBudget& b = FTickBudget;
  if (b.Cut()) ++b.cutTicks;
  if (b.Cut() && !b.noteShown) {
    DebugOut("Play tick cut at " + std::to_string(TTickBudget::kBudgetMs) + " ms: simulated time runs slower");
    form_.SetText("FStatusBar", TTickBudget::kSlowNote);
    b.noteShown = true;
  } else if (!b.Cut() && b.noteShown) {
    if (form_.Text("FStatusBar") == TTickBudget::kSlowNote) form_.SetText("FStatusBar", "");
    b.noteShown = false;
  }
}

double TFormPreview::LiveRunEndSecs() const {
  // The live run ends early once the SEI growth of the run has stabilised (as the batch
  // SEI simulation found it), but never before 5 minutes; the figures of the run still
  // cover the whole formation time.
  const double tDone = FSimOut.t_done_s;
  if (tDone > 0) return std::min(FTotalSecs, std::max(tDone, kMinLiveRunSecs));
  return FTotalSecs;
}

void TFormPreview::DoUiRefresh() {
  const int64_t now = platform_.NowMs();
  if (now - FLastUiTick >= kChartRedrawMs) {
    AddWindowToCharts_FromRing();
    FLastUiTick = now;
  }
  if (now - FLastYieldTick >= kMessagePumpMs) {
    platform_.ProcessPendingEvents();
    FLastYieldTick = now;
  }
}

void TFormPreview::StepSim(int count) {
  const TSchedules& sch = waveform.schedules;
  // The entries the steps read are resolved here once; nothing in a step edits them.
  const bool plain = FLive.plainReads;
  if (!plain) FLive.Refresh();
  const bool ccCv = plain ? waveform.shapes.ActiveKind() == TPatternKind::CcCv : FLive.kind == TPatternKind::CcCv;
  if (ccCv) {
    const bool scheduled = sch.FCCIStepsValid && !sch.FCCISteps.empty();
    TStepTargetCursor* cursor = scheduled && !plain ? &FLive.RuntimeStepCursor(sch.FCCISteps) : nullptr;
    for (int k = 0; k < count; ++k) {
      if (FSimT >= FTotalSecs) return;
      FRunState.tSec = FSimT;
      if (FRunState.Mode == cmCC && scheduled) {
        double target = 0.0;
        if (cursor != nullptr) {
          target = cursor->At(FSimT);
        } else {
          const double up = std::clamp(ControlNumber(rc_.edtRU, 120.0) / 5.0, 1.0, 120.0);
          const double down = std::clamp(ControlNumber(rc_.edtRD, 120.0) / 5.0, 1.0, 120.0);
          target = StepTargetAvgWithRamp(FSimT, sch.FCCISteps, up, down);
        }
        if (target > 0.001) FRunParams.Icc = std::min(std::max(target, FRunParams.Icut * 1.1), ImaxLim);
      }
      RuntimeStep(FRunState, FRunParams, FDtSim);
      FIout = FRunState.I;
      const double voltage = FRunState.V;
      FSoc01 = FRunState.SoC;
      FRing.RingPush(FSimT, FIout, voltage);
      FSimT += FDtSim;
      // A finished charge (cmDone) goes on at zero current at the run's normal pace.
    }
    return;
  }
  const double qn = FChemP.Qn_Ah;
  for (int k = 0; k < count; ++k) {
    if (FSimT >= FTotalSecs) return;
    const double iSet = plain ? CurrentAtTimePlain(FSimT) : CurrentAtTimeLive(FSimT);
    FIout += FAlphaI * (iSet - FIout);  // the power source's first-order response
    const double voltage = plain ? VoltageAtTimePlain(FSimT, FIout) : VoltageAtTimeLive(FSimT, FIout);
    FRing.RingPush(FSimT, FIout, voltage);
    if (qn > 1e-9) FSoc01 = std::clamp(FSoc01 + FIout * FDtSim / (qn * 3600.0), 0.0, 1.0);
    FSimT += FDtSim;
  }
}

void TFormPreview::StopRun() {
  SetPlayTimerEnabled(false);
  FIsRunning = false;
  RecomputeWholeRunSEI();
}

void TFormPreview::FinishRun() {
  SetPlayTimerEnabled(false);
  FIsRunning = false;
  AddWindowToCharts_FromRing();
  ProcessRunEnd();
}

void TFormPreview::btnStopClick(const std::string&) {
  SetPlayTimerEnabled(false);
  FIsRunning = false;
  StopRun();
  ProcessStop();
}

void TFormPreview::ResetSimState() {
  FSimT = 0;
  FRing.RingClear();
}

}  // namespace voltaris
