#include "window/form_preview.h"

#include <filesystem>

namespace voltaris {

namespace {
// The live charts that may be zoomed with the mouse; a double click restores them.
constexpr const char* kZoomCharts[] = {"chSim", "chI", "chV", "chSEI"};
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
  RegisterWaveformProbes();
}

void TFormPreview::FormCreate() {
  form_.SetCaption(std::string(kProductName) + "  ");
  SetupHints();
  for (const char* name : kZoomCharts) {
    form_.Chart(name).zoomAllowed = true;
    form_.OnDoubleClick(name, [this](const std::string& sender) { ChartDblClick(sender); });
  }
  waveform.AttachHandlers();
}

void TFormPreview::FormShow() {}

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
  const ControlSpec* spec = FindControlSpec(controlName);
  if (spec != nullptr && spec->numeric) return NumericOnlyKeyPress(ch);
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
  if (playTimerEnabled_ && onPlayTimer) form_.RunEvent(onPlayTimer);
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

}  // namespace voltaris
