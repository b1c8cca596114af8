// The main window's behaviour, free of any toolkit: it owns the form model and the run
// state, registers the handlers of the window's controls, and answers key presses,
// hints and chart double-clicks. The Qt window and the headless CLI both drive it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "chemistry/chem_params.h"
#include "chemistry/sei_growth.h"
#include "form/form_model.h"
#include "form/keys.h"
#include "form/platform.h"
#include "run/run_state.h"
#include "run/runtime_cell.h"
#include "run/sample_ring.h"
#include "waveform/waveform.h"

namespace voltaris {

using Json = nlohmann::ordered_json;

class TFormPreview {
 public:
  static constexpr const char* kProductName = "Voltaris Battery Formation Simulator";
  static constexpr const char* kHelpFileName = "Voltaris_Help.html";
  static constexpr int kPlayIntervalMs = 30;

  explicit TFormPreview(IPlatform& platform);
  ~TFormPreview();
  TFormPreview(const TFormPreview&) = delete;
  TFormPreview& operator=(const TFormPreview&) = delete;

  FormModel& Form() { return form_; }
  IPlatform& Platform() { return platform_; }

  // Window creation: caption, hints, key handling, chart set-up, handlers.
  void FormCreate();
  // The window has been shown.
  void FormShow();

  // Function keys of the window (the window sees keys before its controls).
  // Returns true when the key was handled (and so consumed).
  bool FormKeyDown(const KeyStroke& key);
  // Character filter of an edit: true lets the character through.
  bool KeyPress(const std::string& controlName, char32_t ch) const;
  // Digits, ".", ",", "-" and control characters pass; every other character is swallowed.
  static bool NumericOnlyKeyPress(char32_t ch);
  // The application's hint changed: the status bar shows its long part.
  void AppHint(const std::string& hint);
  // The mouse rests on a control: its hint becomes the application's hint ("" = none).
  void HoverControl(const std::string& controlName);
  // Double click on a chart: undo its zoom.
  void ChartDblClick(const std::string& sender);

  // The play timer: enabled flag and interval; the view or the virtual clock calls
  // PlayTimerTick every interval while it is enabled.
  bool PlayTimerEnabled() const { return playTimerEnabled_; }
  void SetPlayTimerEnabled(bool enabled) { playTimerEnabled_ = enabled; }
  void PlayTimerTick();
  // Whether a run is playing (the automation's run-to-end stops when it is not).
  bool IsPlaying() const { return playTimerEnabled_; }

  // Named window functions an automation script may call with numeric arguments.
  using Probe = std::function<Json(const std::vector<double>& args)>;
  void RegisterProbe(const std::string& name, size_t argCount, Probe probe);
  // Throws FormError for an unknown function or a wrong argument count.
  Json CallProbe(const std::string& name, const std::vector<double>& args);

  // Run fields shown in the automation dump under their names.
  void RegisterStateField(const std::string& name, std::function<Json()> read);
  Json DumpState() const;

  // ---- Set-point evaluation (run/set_point.cpp) ----
  // The current the power source is asked for at t (s): pattern or table, current
  // steps, global current ramp, slew limit, current limits.
  double CurrentAtTime(double t);
  // The cell terminal voltage at t (s) and current I (A); remembered in FLastVout.
  double VoltageAtTime(double t, double I);
  // The CC-CV set-point law of the CC_CV page (advances FCCCVPhase).
  double CCCVSetPoint(double t);

  // ---- Run controller (run/run_controller.cpp) ----
  void btnStartClick(const std::string& sender);
  void btnStopClick(const std::string& sender);
  void tmPlayTimer(const std::string& sender);
  void StepSim(int count);
  void StopRun();
  void FinishRun();
  void DoUiRefresh();
  void ResetSimState();
  void UpdateSamplingFromUI();
  void InitSimRateAndRing();
  void RecalcSimTimebase(const std::string& sender);
  void tbSpeedChange(const std::string& sender);
  double TotalMinutesFromUI(double fallback);
  // Run inputs that the full run preparation provides; until then the formation time
  // and the built-in LFP chemistry.
  void PrepareRunInputs();

  // ---- Live charts (window/live_charts.cpp) ----
  // Creates the series of every chart once (FSeriesReady) with their colours, widths
  // and axes, and the dark style of the run charts.
  void EnsureSeries();
  // Redraws the live charts from the last 30 s of the ring.
  void AddWindowToCharts_FromRing();

  // ---- Charts and axes (window/charts.cpp) ----
  void EnsureSimSeries();
  void SetupAxes(double totalSeconds);
  void ConfigureTimeAxis(ChartModel& chart);
  void FixTimeAxis(ChartModel& chart, double max);
  void FixYAxis(ChartModel& chart, double min, double max);
  void UpdateIAxis();
  void UpdateVAxes();
  void UpdateSEIAxis();
  void ApplyFixedAxes();
  void ResetCharts();
  void InvalidateCharts();
  std::string AxisTimeGetLabel(const ChartModel& chart, const std::string& axis, const std::string& label) const;
  void chSEIAfterDraw(ChartModel& chart);
  void SetupOCVChart();
  void RefreshOCVChart();
  void EnsureTempChart();
  void DrawSimSnapshotOnChSim();
  void UpdateChemMetricsFromSim();
  void DrawRefOnChSim();
  void LockChart(ChartModel& chart);
  void UnlockChart(ChartModel& chart);
  // ---- end of charts and axes ----

  // ---- Run preparation, completion and metrics (run/run_preparation.cpp, run/run_metrics.cpp) ----
  // ---- end of run preparation ----

  // ---- Chemistry panel (window/chemistry_panel.cpp) ----
  // ---- end of chemistry panel ----

 private:
  void SetupHints();
  void ShowHelp();
  void ShowAbout();
  void RegisterWaveformProbes();
  void RegisterRunAutomation();

  IPlatform& platform_;
  FormModel form_;
  bool playTimerEnabled_ = false;
  std::map<std::string, std::pair<size_t, Probe>> probes_;
  std::vector<std::pair<std::string, std::function<Json()>>> stateFields_;

 public:
  // Waveform generation: pattern shapes, schedules and the reference preview, bound to
  // the form (declared after it, so the form exists when it resolves its controls).
  TWaveform waveform{form_};

  // ---- Run state ----
  // Time base.
  double FResponseMs = 1000.0;  // power-source response time, ms (read at Start)
  double FPatternHz = 0.0;      // pattern frequency, Hz (read at Start)
  double FFs = 100.0;           // sample rate of the reference wave, Hz
  double FTotalSecs = 0.0;      // total formation time of the run, s
  double FDtSim = 1.0;          // simulation step, s
  double FFsSim = 1.0;          // simulation rate, Hz
  double FAlphaI = 0.5;         // power-source response factor per step
  double FSimT = 0.0;           // simulated time of the next step, s
  int FSpeedFactor = 1;         // 1..150
  double FChemFs = 0.0;         // sample rate of the chemistry wave, Hz
  // Response and set-point state.
  double FIout = 0.0;
  double FPrevIOut = 0.0;
  double FPrevIOutT = 0.0;
  bool FPrevIOutInit = false;
  TCCCVPhase FCCCVPhase = cpCharge;
  double FLastVout = 0.0;
  double FSoc01 = 0.0;
  // Runtime CC-CV cell model.
  TRuntimeState FRunState{};
  TRuntimeParams FRunParams{};
  // Full path of the last chemistry document loaded.
  std::string FLastZaruVedh{};
  // Limits of the fixed chart axes (read when the window is created).
  double ImaxLim = 10.0, IminLim = 0.0, VmaxLim = 5.0, VminLim = 0.0;
  // Chemistry of the run and the batch SEI results.
  TChemParams FChemP{};
  TSimOutputs FSimOut{};
  // Tick bookkeeping.
  bool FIsRunning = false;
  bool FHasStepProc = false;
  bool FInTimer = false;
  int64_t FLastUiTick = 0;
  int64_t FLastYieldTick = 0;
  int64_t FLastUiRefreshTick = 0;
  // Samples of the live run.
  TSampleRing FRing;
  // Chart series held by the window (owned by their charts; null until EnsureSeries).
  bool FSeriesReady = false;
  SeriesModel* FSerWaveRef = nullptr;
  SeriesModel* FSerWave = nullptr;
  SeriesModel* FSerSimRef = nullptr;
  SeriesModel* FSerSimI = nullptr;
  SeriesModel* FSerSimV = nullptr;
  SeriesModel* FSerSimSEI = nullptr;
  SeriesModel* FSerI = nullptr;
  SeriesModel* FSerV = nullptr;
  SeriesModel* FSerSEI = nullptr;
  SeriesModel* FSerSEIRate = nullptr;
  SeriesModel* FSerT = nullptr;

  // ---- Chart state (charts and axes) ----
  SeriesModel* FSerSimSEIMark = nullptr;
  SeriesModel* FSerOCV = nullptr;
  SeriesModel* FSerSOCMark = nullptr;
  double FWindowBaseSec = 0.0;  // absolute time at the left edge of the live windows, s
  double FSEIDoneSec = -1.0;    // time at which SEI growth stabilised, s (-1 unknown)
  std::vector<double> FSEI{};       // SEI thickness of the live run, nm
  std::vector<double> FSEIRate{};   // its growth rate, nm/s
  double FLastSOC_pct = 0.0;
  bool FStepTgtInit = false;
  std::vector<double> FWave{};      // reference wave of the whole run at FFs
  // ---- end of chart state ----

  // ---- Run preparation state ----
  // ---- end of run preparation state ----

  // ---- Chemistry panel state ----
  // ---- end of chemistry panel state ----

 private:
  // Controls the live step reads, resolved once (the step runs thousands of times a tick).
  struct RunControls {
    explicit RunControls(FormModel& f);
    const Control *edtFs, *EdClampMin, *EdClampMax, *edtRU, *edtRD, *edtR0, *edCellRint;
    const Control *edtV0, *edtVt, *edtVRU, *edtVRD, *edtCC_A, *cbJsonType, *edtVmax, *edtICC, *edtIcut;
  };
  RunControls rc_{form_};
};

}  // namespace voltaris