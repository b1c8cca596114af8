#include "window/form_preview.h"

#include <filesystem>

#include "common/debug_log.h"
#include "common/timebase.h"
#include "waveform/pattern_tab_mapping.h"
#include "workspace/hx_facade.h"
#include "workspace/ui_snapshot.h"

namespace voltaris {

namespace {
// The live charts that may be zoomed with the mouse; a double click restores them.
constexpr const char* kZoomCharts[] = {"chSim", "chI", "chV", "chSEI"};

// The voltage ramp every start begins with, whatever the last session held.
void SetStartVoltageRamp(FormModel& form) {
  form.SetText("edtV0", "2.5");
  form.SetText("edtVt", "3.65");
  form.SetText("edtVRU", "120");
  form.SetText("edtVRD", "60");
}

// The smallest screen the window's layout is made for.
constexpr int kMinScreenWidth = 1280;
constexpr int kMinScreenHeight = 800;
}  // namespace

TFormPreview::TFormPreview(IPlatform& platform) : platform_(platform) {
  form_.onError = [this](const std::string& message) {
    platform_.ShowMessage(MessageKind::Error, "Error", message);
  };
  // Design-time series of the form's charts.
  form_.Chart("chWave").AddSeries("serWave", SeriesKind::Line);
  form_.Chart("chI").AddSeries("serI", SeriesKind::Line);
  form_.Chart("chV").AddSeries("serV", SeriesKind::Line);
  form_.Chart("chSEI").AddSeries("serSEI", SeriesKind::Line);
  form_.Chart("chT").AddSeries("serTemp", SeriesKind::Line);
  form_.Chart("chOCV").AddSeries("serOCV", SeriesKind::HorizLine);
  ChartModel& ocv = form_.Chart("chOCV");
  ocv.bottom.title = "SOC";
  ocv.left.title = "OCV";
  // The CC_CV page's branch of the pattern evaluation is the CC-CV set-point law.
  waveform.shapes.ccCvSetPoint = [this](double t) { return CCCVSetPoint(t); };
  // In the chemistry-table mode the preview's samples become the run's reference wave.
  waveform.preview.onChemPreviewWave = [this](const std::vector<double>& wave, double fsHz) {
    FWaveCache.Forget();  // these samples are not the reference wave of its inputs
    FWave = TReferenceWave(wave);
    FFs = fsHz;
  };
  RegisterWaveformProbes();
  RegisterRunAutomation();
  RegisterChartAutomation();
  RegisterRunResultAutomation();
  RegisterStateField("FLastPatPath", [this] { return Json(docs.FLastPatPath); });
  RegisterStateField("FLastZaruVedh", [this] { return Json(FLastZaruVedh); });
  RegisterStateField("iniPath", [this] { return Json(IniPath().string()); });
  calibration.RegisterAutomation();
  sei3d.RegisterAutomation();
}

TFormPreview::~TFormPreview() { THxFacade::BindUI({}, {}); }

void TFormPreview::FormCreate() {
  form_.SetCaption(std::string(kProductName) + "  ");
  FFs = 100;
  FIsRunning = false;

  // The workspace and its seed files, then the last session (or the defaults) restored
  // into the controls through the snapshot callbacks.
  THxFacade::SetProgramDir(platform_.ProgramDir());
  // An unusable workspace: one message, then the window opens on the built-in defaults.
  if (const std::string problem = THxFacade::PrepareWorkspace(); !problem.empty())
    platform_.ShowMessage(MessageKind::Error, "Error", problem);
  THxFacade::BindUI([this] { return GetUiSnapshot(form_, FLastZaruVedh); },
                    [this](const TUiSnapshot& snap) { ApplyUiSnapshot(form_, snap); });
  THxFacade::LoadLastSessionOrDefaults();
  SetupHints();
  SetStartVoltageRamp(form_);
  EnsureSeries();
  form_.SetChecked("chkVRamp", true);
  SetStartVoltageRamp(form_);
  form_.SetItems("cbVShape", {"Linear", "S-curve", "Parabolic", "Logarithmic"});
  form_.SetItemIndex("cbVShape", 1);

  // Speed trackbar: at most 150; a position above it is the maximum, one below 1 starts at 10.
  form_.SetRange("tbSpeed", form_.Get("tbSpeed").Minimum(), 150);
  if (form_.Get("tbSpeed").Position() > 150) form_.SetPosition("tbSpeed", 150);
  if (form_.Get("tbSpeed").Position() < 1) form_.SetPosition("tbSpeed", 10);
  tbSpeedChange("tbSpeed");
  form_.OnChange("tbSpeed", [this](const std::string& s) { tbSpeedChange(s); });

  // The "SEI Done" line of the SEI chart, inactive until a run marks the stabilisation.
  if (ChartModel* chSEI = form_.FindChart("chSEI"); chSEI != nullptr && chSEI->FindSeries("FDoneSeries") == nullptr) {
    SeriesModel& done = chSEI->AddSeries("FDoneSeries", SeriesKind::Line);
    done.color = Rgb{255, 0, 0};
    done.width = 2;
    done.pointStyle = PointStyle::None;
    done.title = "SEI Done";
    done.active = false;
  }
  if (form_.Get("cbJsonType").Items().empty()) {
    form_.SetItems("cbJsonType", FindLayoutRow("cbJsonType")->items);
    form_.SetItemIndex("cbJsonType", 0);
  }
  if (FPat) ApplyPatternTypeFromUI(form_, *FPat);
  docs.AttachHandlers();
  form_.OnChange("edtFs", [this](const std::string& s) { RecalcSimTimebase(s); });
  form_.OnClick("btnStart", [this](const std::string& s) { btnStartClick(s); });
  form_.OnClick("btnStop", [this](const std::string& s) { btnStopClick(s); });

  for (const char* name : kZoomCharts) {
    form_.Chart(name).zoomAllowed = true;
    form_.OnDoubleClick(name, [this](const std::string& sender) { ChartDblClick(sender); });
  }
  SetPlayTimerEnabled(false);
  waveform.AttachHandlers();
  waveform.preview.DrawReferenceWave();

  // The factor follows the trackbar (100 at first) and the label shows it.
  FSpeedFactor = 1;
  tbSpeedChange("tbSpeed");
  // Limits of the fixed chart axes.
  ReadCurrentLimitsFromUI();
  VmaxLim = form_.Number("edtVt", 5);
  VminLim = form_.Number("edtV0", 0);
  SetupChartsAtCreation();
  sei3d.InitSEI3DPage();
  SetupChemistryAtCreation();

  // A screen smaller than the layout is made for: warned once, the window still opens.
  const ScreenSize screen = platform_.Screen();
  if (screen.width < kMinScreenWidth || screen.height < kMinScreenHeight)
    platform_.ShowMessage(MessageKind::Warning, "Warning",
                          "Voltaris requires minimum 1280x800 screen resolution.\r\nCurrent: " +
                              std::to_string(screen.width) + "x" + std::to_string(screen.height) +
                              ". Some UI elements may be clipped.");
  report.AttachHandlers();
  // The report takes its 3D picture and profile chart from the 3D view; a capture that does
  // not answer within ten seconds is given up and the report goes out without the picture.
  report.capture3D = [this] { return sei3d.CapturePng(10000); };
  // The profile chart counts once it shows a run (a 3D page of an empty chart says nothing).
  report.profileChart = [this] { return sei3d.FSEI3DHistory.empty() ? nullptr : sei3d.FchSEI3DProf; };
  calibration.InitCalibrationGrid();
  calibration.LoadCalibrationDefaults();
  calibration.AttachHandlers();
}

void TFormPreview::FormShow() {
  waveform.preview.DrawReferenceWave();
  EnsureCalibUiInit();
  // Step 3 of showing the window: the AI client from the settings file.
  advisor.InitClaudeAPI();
  // The layout's placeholder SEI scale is no value a user typed.
  if (form_.Text("edAlpha") == "1946.44") form_.SetText("edAlpha", "4");
  docs.ReloadLastFiles(TIniFile::Load(IniPath()));
}

void TFormPreview::EnsureCalibUiInit() {
  if (calibUiInit_) return;
  calibUiInit_ = true;
}

void TFormPreview::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  // No tick may run into a window being taken down.
  SetPlayTimerEnabled(false);
  GChem = nullptr;
  const std::filesystem::path ini = IniPath();
  TIniFile settings = TIniFile::Load(ini);
  docs.StoreLastFiles(settings);
  try {
    settings.Save(ini);
  } catch (const std::exception& e) {
    DebugOut(std::string("Saving the last files failed: ") + e.what());  // nobody left to tell
  }
}

void TFormPreview::SetupHints() {
  // Hints come with the layout table; the status bar starts empty.
  form_.SetText("FStatusBar", "");
}

bool TFormPreview::FormKeyDown(const KeyStroke& key) {
  if (key.key == "F1" && !key.ctrl && !key.shift && !key.alt) {
    ShowHelp();
    return true;
  }
  if (key.key == "A" && key.ctrl && !key.shift && !key.alt) {
    ShowAbout();
    return true;
  }
  return false;
}

void TFormPreview::ShowHelp() {
  const std::filesystem::path help = platform_.ProgramDir() / kHelpFileName;
  std::error_code ec;
  if (std::filesystem::exists(help, ec))
    platform_.OpenWithDefaultApp(help.string());
  else
    platform_.ShowMessage(MessageKind::Information, "Information", "Help file not found: " + help.string());
}

void TFormPreview::ShowAbout() {
  platform_.ShowAbout({"About Voltaris", kProductName, "Version 5.1",
                       "Advanced battery formation protocol simulator with AI-powered\r\n"
                       "analysis, SEI growth modeling, and multi-pattern waveform optimization."});
}

bool TFormPreview::NumericOnlyKeyPress(char32_t ch) {
  return (ch >= U'0' && ch <= U'9') || ch == U'.' || ch == U',' || ch == U'-' || ch < 32;
}

bool TFormPreview::KeyPress(const std::string& controlName, char32_t ch) const {
  const LayoutRow* entry = FindLayoutRow(controlName);
  if (entry != nullptr && entry->numeric) return NumericOnlyKeyPress(ch);
  return true;
}

void TFormPreview::AppHint(const std::string& hint) { form_.SetText("FStatusBar", HintText(hint)); }

void TFormPreview::HoverControl(const std::string& controlName) {
  const Control* c = form_.Find(controlName);
  AppHint(c != nullptr ? c->Hint() : std::string());
}

void TFormPreview::ChartDblClick(const std::string& sender) {
  if (ChartModel* chart = form_.FindChart(sender)) chart->UndoZoom();
}

void TFormPreview::PlayTimerTick() {
  if (playTimerEnabled_) form_.RunEvent([this] { tmPlayTimer("tmPlay"); });
}

void TFormPreview::RegisterProbe(const std::string& name, size_t argCount, Probe probe) {
  probes_[name] = {argCount, std::move(probe)};
}

Json TFormPreview::CallProbe(const std::string& name, const std::vector<double>& args) {
  auto it = probes_.find(name);
  if (it == probes_.end()) throw FormError("unknown probe function: " + name);
  if (args.size() != it->second.first)
    throw FormError("probe " + name + " takes " + std::to_string(it->second.first) + " argument(s), got " +
                    std::to_string(args.size()));
  return it->second.second(args);
}

void TFormPreview::RegisterStateField(const std::string& name, std::function<Json()> read) {
  for (auto& f : stateFields_)
    if (f.first == name) {
      f.second = std::move(read);
      return;
    }
  stateFields_.emplace_back(name, std::move(read));
}

Json TFormPreview::DumpState() const {
  Json state = Json::object();
  for (const auto& [name, read] : stateFields_) state[name] = read();
  return state;
}

void TFormPreview::RegisterWaveformProbes() {
  RegisterProbe("ActivePatternRaw", 1, [this](const std::vector<double>& a) {
    return Json(waveform.shapes.ActivePatternRaw(a[0]));
  });
  RegisterProbe("ChemLutAtTime", 1, [this](const std::vector<double>& a) {
    return Json(waveform.shapes.ChemLutAtTime(a[0]));
  });
  RegisterProbe("GetPatternFreqHzFromUI", 0, [this](const std::vector<double>&) {
    return Json(waveform.shapes.GetPatternFreqHzFromUI());
  });
  // The voltage schedule as a run start parses it (edtVsteps, edtVt), without touching
  // the run's FVSched.
  RegisterProbe("VFromSchedule", 1, [this](const std::vector<double>& a) {
    const TSchedules& s = waveform.schedules;
    return Json(s.VFromSchedule(s.VScheduleFromUI(), a[0]));
  });
  RegisterProbe("StepTargetAvgWithRamp", 3, [this](const std::vector<double>& a) {
    return Json(StepTargetAvgWithRamp(a[0], waveform.schedules.IStepsFromUI(), a[1], a[2]));
  });
  RegisterProbe("VoltageRampEnv", 4, [this](const std::vector<double>& a) {
    return Json(VoltageRampEnv(a[0], a[1], a[2], a[3], waveform.schedules.VShapeFromUI()));
  });
  RegisterProbe("ApplyShape", 2, [](const std::vector<double>& a) {
    const int kind = a[1] >= 0.0 && a[1] < 4.0 ? static_cast<int>(a[1]) : -1;  // others: no shape
    return Json(ApplyShape(a[0], static_cast<TVRampShape>(kind)));
  });

  RegisterStateField("FVSched", [this] {
    Json j = Json::array();
    for (const TVStep& p : waveform.schedules.FVSched) j.push_back(Json::array({p.TMin, p.V}));
    return j;
  });
  RegisterStateField("FCCISteps", [this] {
    Json j = Json::array();
    for (const TStepPt& p : waveform.schedules.FCCISteps) j.push_back(Json::array({p.tMin, p.IMaxA}));
    return j;
  });
  RegisterStateField("FCCIStepsValid", [this] { return Json(waveform.schedules.FCCIStepsValid); });
  RegisterStateField("FChemValid", [this] { return Json(waveform.shapes.FChemValid); });
  RegisterStateField("FChemLUT", [this] { return Json(waveform.shapes.FChemLUT); });
  RegisterStateField("FChemCycleMs", [this] { return Json(waveform.shapes.FChemCycleMs); });
  RegisterStateField("FChemImin", [this] { return Json(waveform.shapes.FChemImin); });
  RegisterStateField("FChemImax", [this] { return Json(waveform.shapes.FChemImax); });
}

void TFormPreview::RegisterRunAutomation() {
  RegisterProbe("CurrentAtTime", 1, [this](const std::vector<double>& a) { return Json(CurrentAtTime(a[0])); });
  RegisterProbe("VoltageAtTime", 2, [this](const std::vector<double>& a) { return Json(VoltageAtTime(a[0], a[1])); });
  RegisterProbe("RespMsToFsHz", 1, [](const std::vector<double>& a) { return Json(RespMsToFsHz(a[0])); });
  RegisterProbe("FsHzToRespMs", 1, [](const std::vector<double>& a) { return Json(FsHzToRespMs(a[0])); });
  RegisterProbe("TotalMinutesFromUI", 1, [this](const std::vector<double>& a) { return Json(TotalMinutesFromUI(a[0])); });
  // The OCV lookup of the chemistry model: the run's table, or the built-in LFP one.
  RegisterProbe("InterpOCV", 1, [this](const std::vector<double>& a) {
    if (!FChemP.OCV.empty()) return Json(InterpOCV(FChemP.OCV, a[0]));
    TChemParams lfp;
    DefaultChem_LFP(lfp);
    return Json(InterpOCV(lfp.OCV, a[0]));
  });

  auto num = [this](const char* name, const double* field) { RegisterStateField(name, [field] { return Json(*field); }); };
  RegisterStateField("FIsRunning", [this] { return Json(FIsRunning); });
  RegisterStateField("FHasStepProc", [this] { return Json(FHasStepProc); });
  num("FSimT", &FSimT);
  num("FTotalSecs", &FTotalSecs);
  num("FDtSim", &FDtSim);
  num("FFsSim", &FFsSim);
  num("FAlphaI", &FAlphaI);
  RegisterStateField("FSpeedFactor", [this] { return Json(FSpeedFactor); });
  num("FResponseMs", &FResponseMs);
  num("FIout", &FIout);
  num("FSoc01", &FSoc01);
  num("FLastVout", &FLastVout);
  RegisterStateField("FCCCVPhase", [this] { return Json(CCCVPhaseName(FCCCVPhase)); });
  num("FPrevIOut", &FPrevIOut);
  RegisterStateField("FRunState", [this] {
    static const char* modes[] = {"cmCC", "cmCV", "cmDone"};
    const int m = static_cast<int>(FRunState.Mode);
    return Json{{"tSec", FRunState.tSec}, {"SoC", FRunState.SoC}, {"OCV", FRunState.OCV},
                {"I", FRunState.I},       {"V", FRunState.V},     {"Mode", m >= 0 && m < 3 ? modes[m] : "Unknown"}};
  });
  RegisterStateField("FRunParams", [this] {
    return Json{{"Qn_Ah", FRunParams.Qn_Ah}, {"Rtot", FRunParams.Rtot}, {"Vmax", FRunParams.Vmax},
                {"Icc", FRunParams.Icc},     {"Icut", FRunParams.Icut}, {"SoC0", FRunParams.SoC0},
                {"OCVTableLength", FRunParams.OCVTable.size()}};
  });
  RegisterStateField("FRingCap", [this] { return Json(FRing.FRingCap()); });
  RegisterStateField("FRingHead", [this] { return Json(FRing.FRingHead()); });
  RegisterStateField("FRingCount", [this] { return Json(FRing.FRingCount()); });
  RegisterStateField("workspace", [] { return Json(THxFacade::WorkspaceRoot()); });
  RegisterStateField("recentSession", [] { return Json(THxFacade::GetLastSessionFile()); });
}

}  // namespace voltaris
