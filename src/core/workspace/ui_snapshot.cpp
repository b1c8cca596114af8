#include "workspace/ui_snapshot.h"

#include <cmath>

#include "common/number_format.h"
#include "common/timebase.h"
#include "documents/json_values.h"
#include "documents/sim_validation.h"

namespace voltaris {

namespace {

constexpr std::string_view kShapeFallback = "linear";
constexpr double kFixedVMaxV = 5.0;
constexpr double kFixedTMaxC = 55;
constexpr double kFixedCVLiteHystmV = 15;
constexpr double kFixedCVVoltage = 3.6;
constexpr double kCCShareOfRun = 0.6;
constexpr double kCVShareOfRun = 0.4;

// The control of that name and kind, or nullptr when the window has none.
Control* FindKind(FormModel& form, std::string_view name, ControlKind kind) {
  Control* c = form.Find(name);
  return c != nullptr && c->Kind() == kind ? c : nullptr;
}

// A typed number, or `fallback` when the edit is missing, unreadable or not finite (a
// value no document could store).
double ReadNumber(FormModel& form, std::string_view name, double fallback) {
  const Control* c = FindKind(form, name, ControlKind::Edit);
  if (c == nullptr) return fallback;
  const double v = c->Number(fallback);
  return std::isfinite(v) ? v : fallback;
}

bool ReadChecked(FormModel& form, std::string_view name) {
  const Control* c = FindKind(form, name, ControlKind::Check);
  return c != nullptr && c->Checked();
}

std::string ReadText(FormModel& form, std::string_view name) {
  const Control* c = FindKind(form, name, ControlKind::Edit);
  return c != nullptr ? c->Text() : std::string();
}

std::string SelectedItem(FormModel& form, std::string_view name) {
  const Control* c = FindKind(form, name, ControlKind::Combo);
  if (c == nullptr) return std::string(kShapeFallback);
  const int i = c->ItemIndex();
  if (i < 0 || i >= static_cast<int>(c->Items().size())) return std::string(kShapeFallback);
  return c->Items()[static_cast<size_t>(i)];
}

// The current ramp check box: "chkIRamp", or "chkRamp" in a window without it.
std::string_view CurrentRampCheck(FormModel& form) {
  return FindKind(form, "chkIRamp", ControlKind::Check) != nullptr ? "chkIRamp" : "chkRamp";
}

void WriteText(FormModel& form, std::string_view name, const std::string& text) {
  if (FindKind(form, name, ControlKind::Edit) != nullptr) form.SetText(name, text);
}

void WriteNumber(FormModel& form, std::string_view name, double value, std::string_view pattern = "0.###") {
  if (FindKind(form, name, ControlKind::Edit) != nullptr) form.SetText(name, FormatFloat(pattern, value));
}

void WriteChecked(FormModel& form, std::string_view name, bool checked) {
  if (FindKind(form, name, ControlKind::Check) != nullptr) form.SetChecked(name, checked);
}

// Selects the item equal to `shape` ignoring case; the first item when the shape is empty
// or matches none; nothing when the list is empty.
void SelectShape(FormModel& form, std::string_view name, std::string_view shape) {
  const Control* c = FindKind(form, name, ControlKind::Combo);
  if (c == nullptr || c->Items().empty()) return;
  int index = 0;
  if (!shape.empty()) {
    for (size_t i = 0; i < c->Items().size(); ++i) {
      if (SameTextIgnoringCase(c->Items()[i], shape)) {
        index = static_cast<int>(i);
        break;
      }
    }
  }
  form.SetItemIndex(name, index);
}

}  // namespace

TUiSnapshot DefaultUiSnapshot() {
  TUiSnapshot s;
  s.FsHz = 1000;
  s.TTotalS = 3600;
  s.IMaxA = 120;
  s.VMaxV = 4.2;
  s.TMaxC = 55;
  s.CVLiteHyst_mV = 15;
  s.CC_A = 60;
  s.CC_DurS = 1800;
  s.CV_V = 3.6;
  s.CV_DurS = 1800;
  s.VRampShape = kShapeFallback;
  s.Vt = s.VMaxV;
  s.IRampShape = kShapeFallback;
  s.PatternFile = kSeedPatternFile;
  s.ChemFile = kSeedChemFile;
  s.DefaultsFile = kSeedDefaultsFile;
  s.CalFile = kSeedCalFile;
  return s;
}

double TotalMinutesFromUI(FormModel& form, double fallback) {
  const double minutes = ReadNumber(form, "EdTotalMs", fallback);
  return minutes > 0 ? minutes : fallback;
}

TUiSnapshot GetUiSnapshot(FormModel& form, std::string_view lastChemPath) {
  // Field by field in record order: the step durations use the total just computed and
  // the target voltage falls back to the voltage limit just set.
  TUiSnapshot s;
  s.FsHz = RespMsToFsHz(ReadNumber(form, "edtFs", 10));
  s.TTotalS = TotalMinutesFromUI(form, 60) * 60;
  s.IMaxA = ReadNumber(form, "EdSineMax", 2);
  s.VMaxV = kFixedVMaxV;
  s.TMaxC = kFixedTMaxC;
  s.CVLiteHyst_mV = kFixedCVLiteHystmV;
  s.CC_A = ReadNumber(form, "EdSineMax", 2);
  s.CC_DurS = kCCShareOfRun * s.TTotalS;
  s.CV_V = kFixedCVVoltage;
  s.CV_DurS = kCVShareOfRun * s.TTotalS;
  s.VRampEnabled = ReadChecked(form, "chkVRamp");
  s.VRampShape = SelectedItem(form, "cbVShape");
  s.V0 = ReadNumber(form, "edtV0", 0);
  s.Vt = ReadNumber(form, "edtVt", s.VMaxV);
  s.VRampUpS = ReadNumber(form, "edtVRU", 0);
  s.VRampDownS = ReadNumber(form, "edtVRD", 0);
  s.IRampEnabled = ReadChecked(form, CurrentRampCheck(form));
  s.IRampShape = SelectedItem(form, "cbIShape");
  s.IRampUpS = ReadNumber(form, "edtRU", 0);
  s.IRampDownS = ReadNumber(form, "edtRD", 0);
  s.VStepText = ReadText(form, "edtVsteps");
  s.IStepText = ReadText(form, "edtIStep");
  s.PatternFile = kSeedPatternFile;
  s.ChemFile = lastChemPath.empty() ? std::string(kSeedChemFile) : std::string(lastChemPath);
  // DefaultsFile stays empty: normalisation names the seed rig defaults.
  s.CalFile = kSeedCalFile;
  return s;
}

void ApplyUiSnapshot(FormModel& form, const TUiSnapshot& s) {
  WriteNumber(form, "edtFs", FsHzToRespMs(s.FsHz));
  WriteNumber(form, "EdTotalMs", s.TTotalS > 0 ? s.TTotalS / 60 : 0.0);
  WriteNumber(form, "EdSineMax", s.IMaxA);
  WriteNumber(form, "edtImax", s.IMaxA);
  WriteNumber(form, "edTempmax", s.TMaxC);
  WriteChecked(form, "chkVRamp", s.VRampEnabled);
  SelectShape(form, "cbVShape", s.VRampShape);
  WriteNumber(form, "edtV0", s.V0);
  WriteNumber(form, "edtVt", s.Vt);
  WriteNumber(form, "edtVRU", s.VRampUpS);
  WriteNumber(form, "edtVRD", s.VRampDownS);
  WriteChecked(form, CurrentRampCheck(form), s.IRampEnabled);
  SelectShape(form, "cbIShape", s.IRampShape);
  WriteNumber(form, "edtRU", s.IRampUpS);
  WriteNumber(form, "edtRD", s.IRampDownS);
  WriteText(form, "edtVsteps", s.VStepText);
  WriteText(form, "edtIStep", s.IStepText);
}

TSimRoot BuildSimFromSnapshot(const TUiSnapshot& u) {
  TSimRoot s = TSimRoot::CreateV11();
  *s.FRefs = {.FPatternFile = u.PatternFile,
              .FChemFile = u.ChemFile,
              .FDefaultsFile = u.DefaultsFile,
              .FCalFile = u.CalFile};
  s.FMeta->FVstepText = u.VStepText;
  s.FMeta->FIstepText = u.IStepText;

  s.FTimebase->FFsHz = u.FsHz;
  s.FTimebase->FTTotalS = u.TTotalS;
  *s.FLimits = {.FImaxA = u.IMaxA, .FVmaxV = u.VMaxV, .FTmaxC = u.TMaxC};
  s.FTargets->FCVLiteHystmV = u.CVLiteHyst_mV;

  TSimRampConfig& vr = *s.FVoltageRamp;
  vr.FEnabled = u.VRampEnabled;
  vr.FStep = u.VRampStep;
  if (!u.VRampShape.empty()) vr.FShape = u.VRampShape;
  vr.FStartValue = u.V0;
  vr.FTargetValue = u.Vt;
  vr.FRampUpS = u.VRampUpS;
  vr.FRampDownS = u.VRampDownS;

  TSimRampConfig& ir = *s.FCurrentRamp;
  ir.FEnabled = u.IRampEnabled;
  ir.FStep = u.IRampStep;
  if (!u.IRampShape.empty()) ir.FShape = u.IRampShape;
  ir.FStartValue = 0;
  ir.FTargetValue = u.CC_A;
  ir.FRampUpS = u.IRampUpS;
  ir.FRampDownS = u.IRampDownS;

  *s.FSteps->FCurrent = {
      {.FIMode = "CC", .FIValueA = u.CC_A, .FDurationS = u.CC_DurS},
      {.FIMode = "CV-lite", .FIValueA = 0, .FVTargetV = u.CV_V, .FHystmV = u.CVLiteHyst_mV,
       .FDurationS = u.CV_DurS},
  };
  ValidateSimOrRaise(&s);
  return s;
}

TUiSnapshot MakeSnapshotFromSim(const TSimRoot* sim) {
  TUiSnapshot u;
  if (sim == nullptr) return u;
  const TSimRoot& s = *sim;
  if (s.FRefs) {
    u.PatternFile = s.FRefs->FPatternFile;
    u.ChemFile = s.FRefs->FChemFile;
    u.DefaultsFile = s.FRefs->FDefaultsFile;
    u.CalFile = s.FRefs->FCalFile;
  }
  if (s.FMeta) {
    u.VStepText = s.FMeta->FVstepText;
    u.IStepText = s.FMeta->FIstepText;
  }
  if (s.FTimebase) {
    u.FsHz = s.FTimebase->FFsHz;
    u.TTotalS = s.FTimebase->FTTotalS;
  }
  if (s.FLimits) {
    u.IMaxA = s.FLimits->FImaxA;
    u.VMaxV = s.FLimits->FVmaxV;
    u.TMaxC = s.FLimits->FTmaxC;
  }
  if (s.FTargets) u.CVLiteHyst_mV = s.FTargets->FCVLiteHystmV;
  if (s.FVoltageRamp) {
    const TSimRampConfig& vr = *s.FVoltageRamp;
    u.VRampEnabled = vr.FEnabled;
    u.VRampStep = vr.FStep;
    u.VRampShape = vr.FShape;
    u.V0 = vr.FStartValue;
    u.Vt = vr.FTargetValue;
    u.VRampUpS = vr.FRampUpS;
    u.VRampDownS = vr.FRampDownS;
  }
  if (s.FCurrentRamp) {
    // The current ramp's start and target follow from the CC step, not the other way.
    const TSimRampConfig& ir = *s.FCurrentRamp;
    u.IRampEnabled = ir.FEnabled;
    u.IRampStep = ir.FStep;
    u.IRampShape = ir.FShape;
    u.IRampUpS = ir.FRampUpS;
    u.IRampDownS = ir.FRampDownS;
  }
  if (s.FSteps && s.FSteps->FCurrent) {
    // A later step of the same kind overwrites an earlier one.
    for (const TCurrentStep& step : *s.FSteps->FCurrent) {
      if (SameTextIgnoringCase(step.FIMode, "CC")) {
        u.CC_A = step.FIValueA;
        u.CC_DurS = step.FDurationS;
      } else if (SameTextIgnoringCase(step.FIMode, "CV-lite") || SameTextIgnoringCase(step.FIMode, "CV")) {
        u.CV_V = step.FVTargetV;
        u.CV_DurS = step.FDurationS;
        if (!(u.CVLiteHyst_mV > 0)) u.CVLiteHyst_mV = step.FHystmV;
      }
    }
  }
  return u;
}

void SimToUI(FormModel& form, const TSimRoot* sim, double& totalSecs) {
  if (sim == nullptr) return;
  if (sim->FTimebase) {
    WriteNumber(form, "edtFs", FsHzToRespMs(sim->FTimebase->FFsHz));
    totalSecs = sim->FTimebase->FTTotalS;
  }
  if (sim->FLimits) {
    WriteNumber(form, "edtImax", sim->FLimits->FImaxA);
    WriteNumber(form, "edtVt", sim->FLimits->FVmaxV);
    WriteNumber(form, "edTempmax", sim->FLimits->FTmaxC, "0.##");
  }
}

}  // namespace voltaris
