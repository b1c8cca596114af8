// The main window's behaviour, free of any toolkit: it owns the form model and the run
// state, registers the handlers of the window's controls, and answers key presses,
// hints and chart double-clicks. The Qt window and the headless CLI both drive it.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "ai/formation_advisor.h"
#include "chemistry/chem_engine.h"
#include "chemistry/chem_params.h"
#include "chemistry/chem_profile.h"
#include "chemistry/sei_growth.h"
#include "config/ini_file.h"
#include "documents/chem_document.h"
#include "documents/pattern_document.h"
#include "documents/sim_document.h"
#include "form/form_model.h"
#include "form/keys.h"
#include "form/platform.h"
#include "report/report_export.h"
#include "run/calibration.h"
#include "run/live_inputs.h"
#include "run/run_metrics.h"
#include "run/run_state.h"
#include "run/runtime_cell.h"
#include "run/sample_ring.h"
#include "run/start_notes.h"
#include "run/tick_budget.h"
#include "waveform/reference_wave.h"
#include "waveform/waveform.h"
#include "window/document_commands.h"
#include "window/sei3d_view.h"

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
  // Shutdown (once; later calls do nothing): stops the play timer, frees the chemistry
  // document and writes the last files to the settings file.
  void FormDestroy();
  // The calibration page is made ready once, when the window is first shown.
  void EnsureCalibUiInit();
  // The settings file "Kelvane.ini" of this program (it need not exist).
  std::filesystem::path IniPath() { return FindIniPath(platform_.ProgramDir()); }

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
  // The report record FLastMetrics as JSON (the dump, the batch run's metrics.json).
  Json LastMetricsJson() const;

  // ---- Set-point evaluation (run/set_point.cpp) ----
  // The current the power source is asked for at t (s): pattern or table, current
  // steps, global current ramp, slew limit, current limits.
  double CurrentAtTime(double t);
  // The cell terminal voltage at t (s) and current I (A); remembered in FLastVout.
  double VoltageAtTime(double t, double I);
  // The CC-CV set-point law of the CC_CV page (advances FCCCVPhase).
  double CCCVSetPoint(double t);

 private:
  // The two paths of the three above (FLive.plainReads chooses): every control read at
  // each call, or the inputs FLive resolved (refreshed by the caller).
  double CurrentAtTimePlain(double t);
  double VoltageAtTimePlain(double t, double I);
  double CCCVSetPointPlain(double t);
  double CurrentAtTimeLive(double t);
  double VoltageAtTimeLive(double t, double I);
  double CCCVSetPointLive(double t);

 public:

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
  // After a tick: the status-bar note while ticks are cut short by FTickBudget.
  void ShowTickPace();

  // ---- Live charts (window/live_charts.cpp) ----
  // Creates the series of every chart once (FSeriesReady) with their colours, widths
  // and axes, and the dark style of the run charts.
  void EnsureSeries();
  // Redraws the live charts from the last 30 s of the ring.
  void AddWindowToCharts_FromRing();

  // ---- Charts and axes (window/charts.cpp) ----
  // Colours of the current and voltage traces and of their axes.
  static constexpr Rgb COLOR_I{255, 0, 0};
  static constexpr Rgb COLOR_V{0, 255, 0};
  // The simulation chart's own series when EnsureSeries has not made them, and always
  // the SEI mark point series.
  void EnsureSimSeries();
  // Every fixed axis for a run of `totalSeconds`: chSim over the run, the live charts
  // over a 30 s window, the temperature chart over the run.
  void SetupAxes(double totalSeconds);
  // Bottom axis fixed to [0, 30] with 5 s steps.
  void ConfigureTimeAxis(ChartModel& chart);
  // Bottom axis fixed to [0, max] with 5 s steps, grid on, no minor ticks.
  void FixTimeAxis(ChartModel& chart, double max);
  // Left axis fixed to [min, max], grid on, no minor ticks.
  void FixYAxis(ChartModel& chart, double min, double max);
  // Current axes of chI and chSim from ImaxLim; voltage axes of chV and chSim from VmaxLim.
  void UpdateIAxis();
  void UpdateVAxes();
  // SEI chart axes from the live SEI arrays and the time span of the simulated current.
  void UpdateSEIAxis();
  // Limit-based ranges of chI, chV and chSim (the current clamp changed).
  void ApplyFixedAxes();
  // Clears the run series and the SEI results, and recomputes the axes.
  void ResetCharts();
  // Redraws the reference preview and marks every chart for redrawing.
  void InvalidateCharts();
  // Absolute run time for a bottom-axis label of the live charts: the window-relative
  // label plus FWindowBaseSec, in whole seconds. Other axes and charts keep their label.
  std::string AxisTimeGetLabel(const ChartModel& chart, const std::string& axis, const std::string& label) const;
  // Refreshes the SEI-done overlay of chSEI (a marker at FSEIDoneSec, none while unknown).
  void chSEIAfterDraw(ChartModel& chart);
  void SetupOCVChart();
  // The OCV curve of the run's chemistry and the state-of-charge marker on it.
  void RefreshOCVChart();
  void EnsureTempChart();
  // The whole-run picture on chSim drawn at run start, and the first live window.
  void DrawSimSnapshotOnChSim();
  // Rewrites MemoChemMetrics from the simulated current and the SEI simulation.
  void UpdateChemMetricsFromSim();
  // Clears the current and voltage of chSim while a reference wave exists.
  void DrawRefOnChSim();
  // Suspend and resume redrawing of a chart.
  void LockChart(ChartModel& chart);
  void UnlockChart(ChartModel& chart);
  // A current clamp (upper or lower) changed: read both limits, redraw, then re-apply the
  // limit-based axes.
  void EdClampMaxChange(const std::string& sender);
  // ImaxLim and IminLim from "I Limit Max (A)" and "I Limit Min (A)" (fallbacks 10 and 0).
  void ReadCurrentLimitsFromUI();
  // A run's current and voltage are on chSim (from its Start until Reset Memory).
  bool HasRunOnChSim() const;

 private:
  // What window creation asks of the charts: styles, overlay and label handlers,
  // reset, fixed axes, and the hooks of the clamp edit and of the pattern tabs.
  void SetupChartsAtCreation();
  void RegisterChartAutomation();

 public:
  // ---- end of charts and axes ----

  // ---- Run preparation, completion and metrics (run/run_preparation.cpp, run/run_metrics.cpp) ----
  // The SEI growth simulation over the chemistry wave into FSimOut (nothing for an empty wave).
  void RunChemSEIBatch();
  // Clears the results and the live series of the last run.
  void ClearForNewRun();
  // "Reset Memory": stops and clears everything of the last run.
  void btnResetClick(const std::string& sender);
  // Formation metrics of the run from the simulation chart: MemoChemMetrics, MemoSimStats1
  // and MemoSimStats2, the window's result fields, the CC-CV baseline and FLastMetrics.
  // Nothing is touched with fewer than 2 chart points or no time step between them.
  void ComputeRealMetrics();
  // Appends a line to MemoChemMetrics after dropping its oldest lines beyond 200.
  void MemoAddSafe(const std::string& line);

 private:
  // Start: the session built from the window, its documents, the pattern made to match the
  // pattern entries, the reference wave, the first memo line and the run's chemistry.
  void PrepareRunDocuments();
  void ApplyPatternOverridesFromUI(TPatternRoot& pattern);
  // Start and headless runs: FWave = the reference wave of `pattern` at the session's time
  // base, described (its samples are computed when read), reused from FWaveCache with
  // what is known of its mean when these inputs are those of the last build.
 public:
  void BuildRunReferenceWave(const TPatternRoot* pattern, const TSimRoot* session, const TCalRoot* calibration);

 private:
  // Start: the decimated chemistry wave shaped by the step schedules, the thermal, SEI and
  // formation-factor values of FChemP, the SEI simulation and its memo lines and series.
  void RunBatchHalf();
  // The red "SEI Done" line on chSim at the stabilisation time of the SEI simulation.
  void DrawSEIDoneMarker();
  // What the end of a run by time, StopRun and the Stop button add to the run controller.
  void ProcessRunEnd();
  void RecomputeWholeRunSEI();
  void ProcessStop();
  // Simulated time at which the live run ends: the formation time, or earlier once the SEI
  // growth of the run has stabilised (not before 300 s).
  double LiveRunEndSecs() const;
  // An edit read with the user's regional number format only; false when it does not read.
  bool ReadRegional(const char* name, double& value);
  // The simulation chart's samples read by the metrics.
  int GetSampleCount() const;
  void GetSample(int idx, double& aI, double& aV) const;
  double DetectFsFromTrend() const;
  void RegisterRunResultAutomation();

 public:
  // ---- end of run preparation ----

  // ---- Headless run (run/headless_run.cpp) ----
  // One whole run without the timer: chemistry, time base and ring, session and documents,
  // the reference wave taken down to the chemistry wave (no step shaping), the SEI
  // simulation, the live model stepped over the whole formation time, and the metrics.
  // The sampling and the formation time are read from the window as Start reads them.
  void RunHeadlessOnce();
  // ---- end of headless run ----

  // ---- Chemistry panel (window/chemistry_panel.cpp) ----
  // Shows a chemistry document in the panel (the edits a document fills when loaded);
  // nothing for nullptr.
  void ChemToUI(const TChemRoot* root);
  // Shows GChem in every panel edit, edtVmax included; nothing without GChem.
  void UpdateChemUIFromModel();
  // Copies the panel's readable numbers into `root` (created as the built-in LFP cell when
  // missing); the name, the SEI scales, the SEI targets and the limits stay as they are.
  void UIToChem(Owned<TChemRoot>& root);
  // The engine chemistry's summary with the panel's ambient, maximum temperature and SEI scale.
  TChemSummary CollectChemFromUI();
  // Lists the chemistry library in cbSEI, grouped by family.
  void LoadChemPresets();
  // Completes FChemP before a run: OCV table, thermal values and SEI kinetics from the
  // chemistry and the panel.
  void EnsureChemParamsReady();
  // Cell capacity typed in edCellCapAh ("2,5" reads as 2.5 anywhere); 60 when unreadable
  // or not above 0.
  double ReadCellCapAhFromUI();
  // "Auto Scale": SEI growth per Ah from the last run's SEI-weighted charge.
  void btnAutoSEIScaleClick(const std::string& sender);
  // Loads the current table of a chemistry template ("halvora.chem_template.v0") for the
  // Custom LUT pattern; false (no usable table) when the file is not such a template.
  bool TryLoadChemTemplate(const std::string& fileName);
  // Shows the last template read by the workspace on the Custom LUT page.
  void ApplyChemTemplateToUI();
  // Current of the loaded template table at t seconds, A.
  double ChemLutAtTime(double t) const;
  // Takes a chemistry document (for example one picked from the library list) as the
  // window's chemistry: the panel shows it and the next run uses it.
  void UseChemDocument(const std::string& fileName);
  // A library entry was picked in cbSEI (header lines pick nothing).
  void cbSEIChange(const std::string& sender);

 private:
  // Window creation: the library list, the built-in LFP chemistry in the panel and the
  // handlers of the panel's buttons and list, and of Reset Memory.
  void SetupChemistryAtCreation();

 public:
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
  bool calibUiInit_ = false;  // EnsureCalibUiInit has run
  bool destroyed_ = false;    // FormDestroy has run
  std::map<std::string, std::pair<size_t, Probe>> probes_;
  std::vector<std::pair<std::string, std::function<Json()>>> stateFields_;

 public:
  // Waveform generation: pattern shapes, schedules and the reference preview, bound to
  // the form (declared after it, so the form exists when it resolves its controls).
  TWaveform waveform{form_};
  // Load/New/Save of documents and the last pattern and chemistry files.
  TDocumentCommands docs{*this};
  // The PDF formation report command (btnPdfExport).
  TReportExport report{*this};

  // The AI assistant (its client, its busy state and the answers on their way).
  TFormationAdvisor advisor{*this};
  // The calibration page and the smoke test (FCalibCC_A lives there).
  TCalibration calibration{*this};
  // The 3D SEI view of the middle area: surface page, profile chart and its history.
  TSEI3DView sei3d{*this};
  // What the live step reads from the window, resolved once per edit (declared after the
  // waveform it reads through).
  TLiveInputs FLive{form_, waveform};

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
  // Limits of the fixed chart axes (read when the window is created, when a current
  // clamp edit changes and at Start).
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
  // The share of the play interval a tick may spend stepping.
  TTickBudget FTickBudget;
  // What the last Start took in place of the user's values (status bar, debug channel).
  TStartNotes startNotes;
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
  TReferenceWave FWave{};           // reference wave of the whole run at FFs
  TReferenceWaveCache FWaveCache;   // FWave's inputs and, between runs, the wave
  // Full-rate playback buffers of the CC-CV page (emptied by the whole-run snapshot).
  std::vector<double> FCurrFull{};
  std::vector<double> FVoltFull{};
  double FFsFull = 0.0;
  int FPlayIdx = 0;
  bool FPlaybackFromFull = false;
  // ---- end of chart state ----

  // ---- Run preparation state ----
  Owned<TSimRoot> FSim{nullptr};         // session of the run, built from the window at Start
  Owned<TPatternRoot> FPat{nullptr};     // pattern document of the run
  std::vector<double> FChemWave{};       // FWave decimated to FChemFs, shaped by the schedules
  std::vector<double> FCurrSim{};        // current of the whole run for the closing SEI simulation
  double FCurrSimFs = 1.0;               // its sample rate, Hz
  double FSimOutFs = 0.0;                // sample rate of the arrays of FSimOut, Hz (0: none)
  bool FRunChemLoaded = false;           // the run's chemistry came from its document
  std::string FLastPatType{};            // pattern type of the run, lower case, trimmed
  SeriesModel* FSerSEIDone = nullptr;    // "SEI Done" line on chSim
  TRealSimMode FChemMode = rsmV1_Toy;
  // Run metrics.
  TPdfMetrics FLastMetrics{};
  double FLastCE1_pct = -1.0;            // %, -1 without a discharge
  double FLastSEI_nm = 0.0;              // sample-based SEI estimate, nm
  double FLastDeliveredAh = 0.0;         // SEI-weighted charge of the last run, Ah
  double FBaseline_SEI_nm = 0.0;         // CC-CV baseline
  double FBaseline_t_min = 0.0;
  double FBaseline_CE1_pct = 0.0;
  bool FBaseline_valid = false;
  int FSEIDoneIdx = -1;
  // ---- end of run preparation state ----

  // ---- Chemistry panel state ----
  Owned<TChemRoot> GChem{nullptr};       // the window's chemistry document
  bool FHasImportedLUT = false;          // table of the last template read by the workspace
  std::vector<double> FImportedLUT{};
  // The SEI growth per Ah fitted by Auto Scale and the chemistry it was fitted to: later
  // runs of that chemistry use it (0: none; picking a chemistry forgets it).
  double FAutoNmPerAh = 0.0;
  std::string FAutoScaleChem{};
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