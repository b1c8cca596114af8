// The window's run inputs as a snapshot, and the snapshot as a session: reading the
// controls, writing them back, building a session and reading one.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/numbers.h"
#include "documents/sim_validation.h"
#include "form/form_model.h"
#include "workspace/ui_snapshot.h"

namespace voltaris {
namespace {

// Restores the regional decimal separator however a test ends.
class SeparatorGuard {
 public:
  explicit SeparatorGuard(char sep) : saved_(UserDecimalSeparator()) { SetUserDecimalSeparator(sep); }
  ~SeparatorGuard() { SetUserDecimalSeparator(saved_); }

 private:
  char saved_;
};

TEST(UiSnapshotNumberFormat, PatternsTable) {
  struct Case {
    const char* pattern;
    double value;
    char sep;
    const char* text;
  };
  const Case cases[] = {
      {"0.###", 2.5, '.', "2.5"},
      {"0.###", 2.5, ',', "2,5"},
      {"0.###", 3.0, '.', "3"},
      {"0.###", 1000.0 / 3.0, '.', "333.333"},
      {"0.###", 2.0005, '.', "2.001"},   // the typed decimal rounds up, not its binary image
      {"0.###", 0.9996, '.', "1"},        // carry into the integer part
      {"0.###", 9.9999, '.', "10"},
      {"0.###", -0.0004, '.', "0"},       // no "-0"
      {"0.###", -1.25, '.', "-1.25"},
      {"0.###", 1e-9, '.', "0"},
      {"0.###", 123456789012.5, '.', "123456789012.5"},
      {"0.###", 1e20, ',', "1e+20"},
      {"0.##", 45.126, '.', "45.13"},
      {"0.##", 0.005, '.', "0.01"},
      {"0", 2.5, '.', "3"},
      {"0.00", 2.0, ',', "2,00"},
      {"0.0#", 2.125, '.', "2.13"},
      {"0.###", std::numeric_limits<double>::quiet_NaN(), '.', "NAN"},
      {"0.###", -std::numeric_limits<double>::infinity(), '.', "-INF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatFloat(c.pattern, c.value, c.sep), c.text) << c.pattern << " " << c.value;
    // What is written reads back (within the pattern's rounding) on a machine with that separator.
    if (std::isfinite(c.value) && std::fabs(c.value) < 1e15) {
      SeparatorGuard guard(c.sep);
      EXPECT_NEAR(SafeStrToF(c.text, -1), c.value, 0.51) << c.text;
    }
  }
  for (const char* bad : {"", "#.##", "0.", "0.#0", "0,##"}) {
    EXPECT_THROW(FormatFloat(bad, 1.0, '.'), std::invalid_argument) << bad;
  }
}

TEST(UiSnapshot, SessionFromTheWindowInputs) {
  FormModel form;
  form.SetText("edtFs", "1");
  form.SetText("EdTotalMs", "60");
  form.SetText("EdSineMax", "2");
  const TUiSnapshot snap = GetUiSnapshot(form, "");
  const TSimRoot s = BuildSimFromSnapshot(snap);

  EXPECT_DOUBLE_EQ(s.FTimebase->FFsHz, 1000);
  EXPECT_DOUBLE_EQ(s.FTimebase->FTTotalS, 3600);
  EXPECT_DOUBLE_EQ(s.FLimits->FImaxA, 2);
  EXPECT_DOUBLE_EQ(s.FLimits->FVmaxV, 5);
  EXPECT_DOUBLE_EQ(s.FLimits->FTmaxC, 55);
  ASSERT_EQ(s.FSteps->FCurrent->size(), 2u);
  const TCurrentStep& cc = (*s.FSteps->FCurrent)[0];
  const TCurrentStep& cv = (*s.FSteps->FCurrent)[1];
  EXPECT_EQ(cc.FIMode, "CC");
  EXPECT_DOUBLE_EQ(cc.FIValueA, 2);
  EXPECT_DOUBLE_EQ(cc.FDurationS, 2160);
  EXPECT_EQ(cv.FIMode, "CV-lite");
  EXPECT_DOUBLE_EQ(cv.FVTargetV, 3.6);
  EXPECT_DOUBLE_EQ(cv.FHystmV, 15);
  EXPECT_DOUBLE_EQ(cv.FDurationS, 1440);
  EXPECT_DOUBLE_EQ(s.FCurrentRamp->FTargetValue, 2);
  EXPECT_DOUBLE_EQ(s.FCurrentRamp->FStartValue, 0);
  // The layout's selections and texts travel as they are.
  EXPECT_EQ(s.FVoltageRamp->FShape, "S-curve");
  EXPECT_EQ(s.FCurrentRamp->FShape, "Linear");
  EXPECT_EQ(s.FMeta->FVstepText, form.Text("edtVsteps"));
  EXPECT_EQ(s.FMeta->FIstepText, form.Text("edtIStep"));
  // References: the seed names, the defaults file filled in by normalisation.
  EXPECT_EQ(s.FRefs->FPatternFile, kSeedPatternFile);
  EXPECT_EQ(s.FRefs->FChemFile, kSeedChemFile);
  EXPECT_EQ(s.FRefs->FDefaultsFile, kSeedDefaultsFile);
  EXPECT_EQ(s.FRefs->FCalFile, kSeedCalFile);

  EXPECT_EQ(GetUiSnapshot(form, "/cells/NMC811_A.hxchem").ChemFile, "/cells/NMC811_A.hxchem");
}

TEST(UiSnapshot, ReadingEditsTable) {
  struct Case {
    const char* edit;
    const char* text;
    char sep;
    double TUiSnapshot::*field;
    double expected;
  };
  const Case cases[] = {
      {"edtFs", "0", '.', &TUiSnapshot::FsHz, 10000},       // 0.1 ms floor
      {"edtFs", "0.05", '.', &TUiSnapshot::FsHz, 10000},
      {"edtFs", "", '.', &TUiSnapshot::FsHz, 100},          // 10 ms when unreadable
      {"edtFs", "fast", '.', &TUiSnapshot::FsHz, 100},
      {"edtFs", "1e999", '.', &TUiSnapshot::FsHz, 100},     // overflow is no response time
      {"edtFs", "2,5", ',', &TUiSnapshot::FsHz, 400},
      {"EdTotalMs", "0", '.', &TUiSnapshot::TTotalS, 3600},  // not above 0: 60 min
      {"EdTotalMs", "-5", '.', &TUiSnapshot::TTotalS, 3600},
      {"EdTotalMs", "1,5", ',', &TUiSnapshot::TTotalS, 90},
      {"EdTotalMs", "1.5", ',', &TUiSnapshot::TTotalS, 90},   // a point reads on every machine
      {"EdTotalMs", "1,5", '.', &TUiSnapshot::TTotalS, 3600},
      {"EdSineMax", "2,5", ',', &TUiSnapshot::CC_A, 2.5},
      {"EdSineMax", "x", '.', &TUiSnapshot::IMaxA, 2},
      {"edtVt", "", '.', &TUiSnapshot::Vt, 5.0},             // falls back to the fixed limit
      {"edtV0", "-", '.', &TUiSnapshot::V0, 0},
  };
  for (const Case& c : cases) {
    SeparatorGuard guard(c.sep);
    FormModel form;
    form.SetText(c.edit, c.text);
    EXPECT_DOUBLE_EQ(GetUiSnapshot(form, "").*c.field, c.expected) << c.edit << " = \"" << c.text << "\"";
  }
}

TEST(UiSnapshot, ApplyWritesEditsAndSelectsShapes) {
  SeparatorGuard guard(',');
  FormModel form;
  TUiSnapshot snap = DefaultUiSnapshot();
  snap.FsHz = 3;
  snap.TTotalS = 5430;
  snap.IMaxA = 2.25;
  snap.TMaxC = 47.5;
  snap.VRampShape = "s-curve";
  snap.IRampShape = "no such ramp";
  snap.VRampEnabled = false;
  snap.IRampEnabled = false;
  snap.V0 = 2.5;
  snap.Vt = 3.65;
  snap.VRampUpS = 120;
  snap.VRampDownS = 60.0004;
  snap.IRampUpS = 12;
  snap.IRampDownS = 0;
  snap.VStepText = "0,3.2; 30,3.6";
  snap.IStepText = "";
  ApplyUiSnapshot(form, snap);

  EXPECT_EQ(form.Text("edtFs"), "333,333");
  EXPECT_EQ(form.Text("EdTotalMs"), "90,5");
  EXPECT_EQ(form.Text("EdSineMax"), "2,25");
  EXPECT_EQ(form.Text("edTempmax"), "47,5");
  EXPECT_EQ(form.Text("edtV0"), "2,5");
  EXPECT_EQ(form.Text("edtVt"), "3,65");
  EXPECT_EQ(form.Text("edtVRU"), "120");
  EXPECT_EQ(form.Text("edtVRD"), "60");
  EXPECT_EQ(form.Text("edtRU"), "12");
  EXPECT_EQ(form.Text("edtRD"), "0");
  EXPECT_EQ(form.Text("edtVsteps"), "0,3.2; 30,3.6");
  EXPECT_EQ(form.Text("edtIStep"), "");
  EXPECT_FALSE(form.Checked("chkVRamp"));
  EXPECT_FALSE(form.Checked("chkIRamp"));
  EXPECT_EQ(form.Get("cbVShape").ItemIndex(), 1);  // "S-curve", matched ignoring case
  EXPECT_EQ(form.Get("cbVShape").Text(), "S-curve");
  EXPECT_EQ(form.Get("cbIShape").ItemIndex(), 0);  // no match: the first item

  snap.TTotalS = -1;
  snap.VRampShape = "";
  snap.IRampShape = "LOGARITMIC";
  ApplyUiSnapshot(form, snap);
  EXPECT_EQ(form.Text("EdTotalMs"), "0");
  EXPECT_EQ(form.Get("cbVShape").ItemIndex(), 0);
  EXPECT_EQ(form.Get("cbIShape").ItemIndex(), 3);
}

// A window without the optional controls: the current ramp box is "chkRamp", the shape
// lists are empty or absent, and no write may touch a control that is not there.
TEST(UiSnapshot, SmallWindowSkipsMissingControls) {
  const std::vector<LayoutRow> table = {
      {.name = "EdTotalMs", .kind = ControlKind::Edit, .text = "30"},
      {.name = "chkRamp", .kind = ControlKind::Check, .checked = true},
      {.name = "cbVShape", .kind = ControlKind::Combo},
      {.name = "edtFs", .kind = ControlKind::Check},  // a name reused by another kind
  };
  FormModel form(table);
  const TUiSnapshot got = GetUiSnapshot(form, "");
  EXPECT_DOUBLE_EQ(got.TTotalS, 1800);
  EXPECT_TRUE(got.IRampEnabled);
  EXPECT_DOUBLE_EQ(got.FsHz, 100);
  EXPECT_DOUBLE_EQ(got.IMaxA, 2);
  EXPECT_EQ(got.VRampShape, "linear");
  EXPECT_EQ(got.IRampShape, "linear");
  EXPECT_EQ(got.VStepText, "");

  TUiSnapshot snap = DefaultUiSnapshot();
  snap.IRampEnabled = false;
  ASSERT_NO_THROW(ApplyUiSnapshot(form, snap));
  EXPECT_FALSE(form.Checked("chkRamp"));
  EXPECT_EQ(form.Text("EdTotalMs"), "60");
  EXPECT_EQ(form.Get("cbVShape").ItemIndex(), -1);
  double total = -1;
  TSimRoot s = TSimRoot::CreateV11();
  ASSERT_NO_THROW(SimToUI(form, &s, total));
  EXPECT_DOUBLE_EQ(total, 3600);
}

TEST(UiSnapshot, SnapshotFromSessionSteps) {
  struct Case {
    const char* name;
    std::vector<TCurrentStep> steps;
    double targetHyst;
    TUiSnapshot expected;  // only the step fields are compared
  };
  const Case cases[] = {
      {"lower-case CV only", {{.FIMode = "cv", .FVTargetV = 3.7, .FHystmV = 9, .FDurationS = 600}}, 0,
       {.CVLiteHyst_mV = 9, .CC_A = 0, .CC_DurS = 0, .CV_V = 3.7, .CV_DurS = 600}},
      {"two CC steps: the second wins",
       {{.FIMode = "CC", .FIValueA = 1, .FDurationS = 100}, {.FIMode = "cc", .FIValueA = 3, .FDurationS = 300}}, 15,
       {.CVLiteHyst_mV = 15, .CC_A = 3, .CC_DurS = 300}},
      {"target hysteresis kept over the step's",
       {{.FIMode = "CV-LITE", .FVTargetV = 3.6, .FHystmV = 40, .FDurationS = 5}}, 12,
       {.CVLiteHyst_mV = 12, .CV_V = 3.6, .CV_DurS = 5}},
      {"first CV step sets the hysteresis, a later one does not",
       {{.FIMode = "CV", .FVTargetV = 3.5, .FHystmV = 7, .FDurationS = 1},
        {.FIMode = "CV-lite", .FVTargetV = 3.6, .FHystmV = 8, .FDurationS = 2}},
       0, {.CVLiteHyst_mV = 7, .CV_V = 3.6, .CV_DurS = 2}},
      {"other modes ignored", {{.FIMode = "rest", .FIValueA = 9, .FVTargetV = 9, .FHystmV = 9, .FDurationS = 9}},
       0, {}},
  };
  for (const Case& c : cases) {
    TSimRoot s = TSimRoot::CreateV11();
    s.FTargets->FCVLiteHystmV = c.targetHyst;
    *s.FSteps->FCurrent = c.steps;
    const TUiSnapshot u = MakeSnapshotFromSim(&s);
    EXPECT_DOUBLE_EQ(u.CVLiteHyst_mV, c.expected.CVLiteHyst_mV) << c.name;
    EXPECT_DOUBLE_EQ(u.CC_A, c.expected.CC_A) << c.name;
    EXPECT_DOUBLE_EQ(u.CC_DurS, c.expected.CC_DurS) << c.name;
    EXPECT_DOUBLE_EQ(u.CV_V, c.expected.CV_V) << c.name;
    EXPECT_DOUBLE_EQ(u.CV_DurS, c.expected.CV_DurS) << c.name;
  }

  // Missing groups leave their fields at zero; a missing session gives the empty snapshot.
  TSimRoot bare = TSimRoot::CreateV11();
  bare.FTimebase = nullptr;
  bare.FSteps = nullptr;
  bare.FVoltageRamp = nullptr;
  const TUiSnapshot u = MakeSnapshotFromSim(&bare);
  EXPECT_EQ(u.FsHz, 0);
  EXPECT_EQ(u.V0, 0);
  EXPECT_EQ(u.VRampShape, "");
  EXPECT_EQ(u.IRampShape, "linear");
  EXPECT_EQ(MakeSnapshotFromSim(nullptr), TUiSnapshot{});
}

// Window -> snapshot -> session -> snapshot -> another window -> snapshot, on a machine
// that writes decimals with a comma.
TEST(UiSnapshot, RoundTripThroughSessionAndWindow) {
  SeparatorGuard guard(',');
  FormModel first;
  first.SetText("edtFs", "2,5");
  first.SetText("EdTotalMs", "45,5");
  first.SetText("EdSineMax", "3,75");
  first.SetText("edtV0", "2,5");
  first.SetText("edtVt", "3.65");
  first.SetText("edtVRU", "120");
  first.SetText("edtVRD", "60");
  first.SetText("edtRU", "30,25");
  first.SetText("edtRD", "15");
  first.SetItemIndex("cbVShape", 2);
  first.SetItemIndex("cbIShape", 3);
  first.SetChecked("chkVRamp", false);
  const TUiSnapshot snap = GetUiSnapshot(first, "");

  const TSimRoot sim = BuildSimFromSnapshot(snap);
  TUiSnapshot back = MakeSnapshotFromSim(&sim);
  EXPECT_EQ(back.DefaultsFile, kSeedDefaultsFile);
  back.DefaultsFile = "";
  EXPECT_EQ(back, snap);

  FormModel second;
  ApplyUiSnapshot(second, back);
  EXPECT_EQ(second.Text("edtFs"), "2,5");  // the response time, in ms
  EXPECT_EQ(second.Text("EdTotalMs"), "45,5");
  EXPECT_EQ(second.Text("edtRU"), "30,25");
  EXPECT_EQ(GetUiSnapshot(second, ""), snap);
}

TEST(UiSnapshot, DefaultsAndInvalidSnapshots) {
  const TSimRoot s = BuildSimFromSnapshot(DefaultUiSnapshot());
  EXPECT_DOUBLE_EQ(s.FLimits->FImaxA, 120);
  EXPECT_DOUBLE_EQ(s.FLimits->FVmaxV, 4.2);
  EXPECT_DOUBLE_EQ(s.FVoltageRamp->FTargetValue, 4.2);
  EXPECT_EQ(s.FVoltageRamp->FShape, "linear");

  // Values normalisation replaces; an empty shape keeps the session's own.
  TUiSnapshot zero;
  const TSimRoot z = BuildSimFromSnapshot(zero);
  EXPECT_DOUBLE_EQ(z.FTimebase->FFsHz, 1000);
  EXPECT_DOUBLE_EQ(z.FLimits->FImaxA, 120);
  EXPECT_EQ(z.FCurrentRamp->FShape, "linear");
  EXPECT_EQ(z.FRefs->FPatternFile, kSeedPatternFile);
}

TEST(UiSnapshot, SimToUiCopiesTimebaseAndLimitsAsLoaded) {
  SeparatorGuard guard('.');
  FormModel form;
  double total = -1;
  TSimRoot s = TSimRoot::CreateV11();
  s.FTimebase->FFsHz = 4;
  s.FTimebase->FTTotalS = 1234;
  s.FLimits->FVmaxV = 4.2;
  s.FLimits->FTmaxC = 45.126;
  SimToUI(form, &s, total);
  EXPECT_EQ(form.Text("edtFs"), "250");
  EXPECT_DOUBLE_EQ(total, 1234);
  EXPECT_EQ(form.Text("edtVt"), "4.2");
  EXPECT_EQ(form.Text("edTempmax"), "45.13");

  // A session file may drop whole groups: nothing is written, nothing breaks.
  FormModel untouched;
  TSimRoot bare = TSimRoot::CreateV11();
  bare.FTimebase = nullptr;
  bare.FLimits = nullptr;
  total = -1;
  SimToUI(untouched, &bare, total);
  SimToUI(untouched, nullptr, total);
  EXPECT_DOUBLE_EQ(total, -1);
  EXPECT_EQ(untouched.Text("edtFs"), FormModel().Text("edtFs"));
  EXPECT_EQ(untouched.Text("edtVt"), FormModel().Text("edtVt"));
}

}  // namespace
}  // namespace voltaris
