// The current and voltage schedules: parsing, the target approach, the voltage
// schedule, ramp shapes and the run envelope, the shape and check boxes read from the
// window, currents typed as amperes or C-rates, and a comma as decimal separator.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/numbers.h"
#include "form/form_model.h"
#include "waveform/ramp_shapes.h"
#include "waveform/schedules.h"
#include "waveform/step_schedules.h"

namespace voltaris {
namespace {

constexpr const char* kInitialISteps = "0,1.2; 5,2; 15,2.6; 30,3.2;";
constexpr const char* kInitialVSteps = "5,1.2; 15,2; 25,2.6; 30,3.2; 40,3.6;";

// Sets the user's decimal separator for the scope of a test.
class DecimalSeparator {
 public:
  explicit DecimalSeparator(char sep) : saved_(UserDecimalSeparator()) { SetUserDecimalSeparator(sep); }
  ~DecimalSeparator() { SetUserDecimalSeparator(saved_); }

 private:
  char saved_;
};

std::vector<TStepPt> ISteps(const std::string& text) {
  std::vector<TStepPt> steps{{99, 99}};  // cleared by the parser
  ParseISteps(text, steps);
  return steps;
}

TEST(WaveformSchedules, CurrentScheduleText) {
  struct Case {
    const char* text;
    std::vector<TStepPt> steps;
  };
  const Case cases[] = {
      {kInitialISteps, {{0, 1.2}, {5, 2}, {15, 2.6}, {30, 3.2}}},
      {"5;abc,1;2,x", {}},
      {"7,1.5", {{7, 1.5}}},
      {" 10,3 ; 5 , 2 ;; -1,-2", {{10, 3}, {5, 2}, {-1, -2}}},  // typed order, no range checks
      {"5,1,2", {}},                                            // "1,2" is no number with "."
      {"", {}},
  };
  for (const auto& c : cases) {
    std::vector<TStepPt> steps{{99, 99}};
    EXPECT_EQ(ParseISteps(c.text, steps), !c.steps.empty()) << c.text;
    EXPECT_EQ(steps, c.steps) << c.text;
  }
}

TEST(WaveformSchedules, CurrentTargetApproachesEachStep) {
  const auto initial = ISteps(kInitialISteps);
  struct Case {
    std::vector<TStepPt> steps;
    double t, up, down, expected;
  };
  const Case cases[] = {
      {initial, 0, 10, 10, 1.2},
      {initial, 300, 10, 10, 1.2},                       // the second step has only just started
      {initial, 310, 10, 10, 2 - 0.8 * std::exp(-1.0)},  // one time constant into it
      {initial, 3600, 10, 10, 3.2},
      {initial, -50, 10, 10, 1.2},                            // before the first point: its current
      {{{0, 3}, {1, 1}}, 70, 1, 10, 1 + 2 * std::exp(-1.0)},  // a falling step uses TauDnS
      {{{0, 1}, {1, 3}}, 70, 10, 1, 3 - 2 * std::exp(-1.0)},  // a rising step uses TauUpS
      {{{10, 3}, {5, 2}}, 400, 10, 10, 3},                    // first point not started: walk stops
      {{{10, 3}, {5, 2}}, 599, 10, 10, 3},
      {{{0, 1}, {1, 2}}, 61, 0, 0, 2},  // time constants <= 1e-6 become 1e-6
      {{{7, 1.5}}, 0, 10, 10, 1.5},
      {{{7, 1.5}}, 1e6, 10, 10, 1.5},
      {{}, 100, 10, 10, 0},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(StepTargetAvgWithRamp(c.t, c.steps, c.up, c.down), c.expected, 1e-9) << "t=" << c.t;
  // A transition still running when the next step starts carries on into it.
  const std::vector<TStepPt> quick{{0, 0}, {1, 10}, {1.5, 10}};
  EXPECT_NEAR(StepTargetAvgWithRamp(100, quick, 60, 60), 10 - 10 * std::exp(-40.0 / 60) * std::exp(-10.0 / 60), 1e-9);
}

TEST(WaveformSchedules, VoltageScheduleText) {
  struct Case {
    const char* text;
    double defaultV;
    std::vector<TVStep> sched;
  };
  const Case cases[] = {
      {kInitialVSteps, 3.65, {{5, 1.2}, {15, 2}, {25, 2.6}, {30, 3.2}, {40, 3.6}}},
      {"", 3.0, {}},           // empty text: no default point
      {"x", 3.0, {{0, 3.0}}},  // no valid point: the default
      {"x", 0.0, {}},
      {"-1:2; 3:0", 3.0, {{0, 3.0}}},                            // both items rejected
      {"5 : 1,2 ;", 3.0, {{5, 1.2}}},                            // blanks removed, decimal comma
      {"30=3; 5:1.2; 15,2", 3.0, {{5, 1.2}, {15, 2}, {30, 3}}},  // ":", "=" or ","; sorted by time
      {"5,1,2", 3.0, {{5, 1.2}}},             // the first "," separates, the second is a decimal comma
      {"1e999:3; 2:1e999", 3.0, {{0, 3.0}}},  // infinite entries are not points
  };
  for (const auto& c : cases) EXPECT_EQ(ParseVSteps(c.text, c.defaultV), c.sched) << c.text;
}

TEST(WaveformSchedules, ScheduledVoltage) {
  const auto sched = ParseVSteps(kInitialVSteps, 3.0);
  const double cases[][2] = {{0, 1.2}, {300, 1.2}, {600, 1.6}, {2100, 3.4}, {2400, 3.6}, {2401, 3.0}, {1e6, 3.0}};
  for (const auto& c : cases) EXPECT_NEAR(ScheduledVoltage(sched, c[0], 1.0, 3.0), c[1], 1e-12) << "t=" << c[0];
  EXPECT_DOUBLE_EQ(ScheduledVoltage({}, 100, 1.0, 3.0), 1.0);
  // Two points at the same minute: the first segment that holds t wins; never a division by zero.
  const std::vector<TVStep> twin{{0, 1}, {5, 1.5}, {5, 2}, {10, 3}};
  EXPECT_DOUBLE_EQ(ScheduledVoltage(twin, 300, 9, 9), 1.5);
  EXPECT_DOUBLE_EQ(ScheduledVoltage(twin, 450, 9, 9), 2.5);
}

TEST(WaveformSchedules, RampShapesAndRunEnvelope) {
  for (TVRampShape s : {vrLinear, vrSmooth, vrParabolic, vrLog}) {
    EXPECT_EQ(ApplyShape(-0.5, s), 0.0) << s;
    EXPECT_EQ(ApplyShape(0.0, s), 0.0) << s;
    EXPECT_DOUBLE_EQ(ApplyShape(1.0, s), 1.0) << s;
    EXPECT_DOUBLE_EQ(ApplyShape(7.0, s), 1.0) << s;
  }
  EXPECT_NEAR(ShapeLog(0.5), std::log10(5.5), 1e-12);
  EXPECT_NEAR(ShapeSmooth(0.25), 0.15625, 1e-12);
  EXPECT_NEAR(ShapeParabolic(0.5), 0.25, 1e-12);
  EXPECT_NEAR(ShapeLinear(0.3), 0.3, 1e-12);
  EXPECT_NEAR(ApplyShape(0.3, static_cast<TVRampShape>(7)), 0.3, 1e-12);  // unknown kind: limited x
  EXPECT_EQ(ApplyShape(1.7, static_cast<TVRampShape>(-1)), 1.0);

  const double env[][2] = {{0, 0}, {120, 0.5}, {240, 1}, {1800, 1}, {3480, 1}, {3540, 0.5}, {3600, 0}, {3700, 0}};
  for (const auto& c : env) EXPECT_NEAR(VoltageRampEnv(c[0], 3600, 240, 120, vrSmooth), c[1], 1e-12) << c[0];
  EXPECT_DOUBLE_EQ(VoltageRampEnv(0, 3600, 0, 120, vrSmooth), 1.0);     // no ramp-up
  EXPECT_DOUBLE_EQ(VoltageRampEnv(3600, 3600, 240, 0, vrLinear), 1.0);  // no ramp-down
  // A run shorter than both ramps: the smaller side wins.
  EXPECT_NEAR(VoltageRampEnv(100, 200, 400, 400, vrLinear), 0.25, 1e-12);
}

TEST(WaveformSchedules, ShapeAndCheckBoxesFromTheWindow) {
  FormModel form;
  TSchedules s(form);
  EXPECT_EQ(s.VShapeFromUI(), vrSmooth);  // item 1 "S-curve"
  EXPECT_EQ(s.GetIRampCheck(), &form.Get("chkIRamp"));
  EXPECT_EQ(s.GetVRampCheck(), &form.Get("chkVRamp"));
  EXPECT_EQ(s.GetVShapeCombo(), &form.Get("cbVShape"));

  struct Case {
    int index;  // -2: type the text instead of selecting
    const char* typed;
    TVRampShape shape;
  };
  const Case cases[] = {
      {0, "", vrLinear},           {2, "", vrParabolic},          {3, "", vrLog},
      {-2, "my log curve", vrLog}, {-2, "PARABOLA", vrParabolic}, {-2, "", vrSmooth},
      {-2, " Linear ", vrLinear},  {-2, "Parapolik", vrSmooth},  // typed, "parap" is not "parab"
      {1, "", vrSmooth},
  };
  for (const auto& c : cases) {
    if (c.index >= 0)
      form.UserSelect("cbVShape", c.index);
    else
      form.UserSetText("cbVShape", c.typed);
    EXPECT_EQ(s.VShapeFromUI(), c.shape) << c.index << " '" << c.typed << "'";
  }

  // Controls found by name: "chkIRamp", else "chkRamp"; none at all reads as fallbacks.
  const std::vector<LayoutRow> older{{.name = "chkRamp", .kind = ControlKind::Check}};
  FormModel oldForm(older);
  EXPECT_EQ(TSchedules(oldForm).GetIRampCheck(), &oldForm.Get("chkRamp"));
  FormModel bare(std::vector<LayoutRow>{});
  TSchedules none(bare);
  EXPECT_EQ(none.GetIRampCheck(), nullptr);
  EXPECT_EQ(none.VShapeFromUI(), vrSmooth);
  EXPECT_DOUBLE_EQ(none.VFromSchedule(10), 3.0);
  none.FVSched = {{0, 5}};
  EXPECT_DOUBLE_EQ(none.VFromSchedule(10), 3.65);  // after the last point: at most edtVt's fallback
}

TEST(WaveformSchedules, WindowSchedulesFollowTheEdits) {
  FormModel form;
  TSchedules s(form);
  EXPECT_DOUBLE_EQ(s.VFromSchedule(100), 1.0);  // FVSched empty until a run starts: edtV0
  s.FVSched = s.VScheduleFromUI();
  EXPECT_NEAR(s.VFromSchedule(600), 1.6, 1e-12);
  EXPECT_NEAR(s.VFromSchedule(3000), 3.0, 1e-12);
  form.SetText("edtVt", "abc");
  EXPECT_NEAR(s.VFromSchedule(3000), 3.6, 1e-12);  // ceiling falls back to 3.65
  form.SetText("edtVsteps", "");
  EXPECT_TRUE(s.VScheduleFromUI().empty());
  form.SetText("edtVsteps", "junk");
  EXPECT_EQ(s.VScheduleFromUI(), (std::vector<TVStep>{{0, 3.65}}));

  EXPECT_EQ(s.IStepsFromUI().size(), 4u);
  form.SetText("edtIStep", "0,2; 1,4");
  EXPECT_EQ(s.IStepsFromUI(), (std::vector<TStepPt>{{0, 2}, {1, 4}}));
  form.SetText("edtIStep", "none");
  EXPECT_TRUE(s.IStepsFromUI().empty());
}

TEST(WaveformSchedules, CurrentAsAmperesOrCRate) {
  struct Case {
    const char* text;
    double capAh;
    bool ok;
    double amps;
  };
  const Case cases[] = {
      {"0.5C", 5, true, 2.5},  {"2,5a", 5, true, 2.5}, {"3", 5, true, 3}, {" 1,5 A ", 5, true, 1.5},
      {"0.2c", 10, true, 2},   {"C", 5, false, 0},     {"", 5, false, 0}, {"abc", 5, false, 0},
      {"2.5 mA", 5, false, 0}, {"-1C", 2, true, -2},
  };
  for (const auto& c : cases) {
    double a = 99;
    EXPECT_EQ(ParseCCTextToAmp(c.text, c.capAh, a), c.ok) << c.text;
    EXPECT_DOUBLE_EQ(a, c.amps) << c.text;
  }
}

TEST(WaveformSchedules, CommaDecimalSeparator) {
  const DecimalSeparator comma(',');
  EXPECT_EQ(NormalizeNumberStr("1.5,2"), "1,5,2");
  EXPECT_EQ(ParseVSteps("5:1.2; 10:1,5; 20=2", 3), (std::vector<TVStep>{{5, 1.2}, {10, 1.5}, {20, 2}}));
  EXPECT_EQ(ISteps("0,1,5; 5,2.5"), (std::vector<TStepPt>{{0, 1.5}, {5, 2.5}}));
  double a = 0;
  ASSERT_TRUE(ParseCCTextToAmp("2,5a", 5, a));
  EXPECT_DOUBLE_EQ(a, 2.5);
  FormModel form;
  form.SetText("edtV0", "1,25");
  EXPECT_DOUBLE_EQ(TSchedules(form).VFromSchedule(0), 1.25);
}

}  // namespace
}  // namespace voltaris
