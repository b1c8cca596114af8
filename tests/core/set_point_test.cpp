// Set-points of the live run: the current asked of the power source and the terminal
// voltage, read from the window's entries at every call.
#include <gtest/gtest.h>

#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

class SetPointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.FormCreate();
    // A plain, predictable pattern: the sine page with a constant 2 A (min = max), no
    // current steps and no ramps unless a test turns them on.
    Set("EdSineMin", "2");
    Set("EdSineMax", "2");
    Set("edtIStep", "");
    f().SetChecked("chkIRamp", false);
    f().SetChecked("chkVRamp", false);
    f().SetActivePage("PcParams", "TsSine");
    Set("edtFs", "0");  // slew limit off
    form_.FTotalSecs = 3600;
  }
  FormModel& f() { return form_.Form(); }
  void Set(const char* name, const char* text) { f().SetText(name, text); }

  RecordingPlatform platform_;
  TFormPreview form_{platform_};
};

TEST_F(SetPointTest, SlewLimitFollowsTheResponseTimeAcrossCallers) {
  Set("edtFs", "1000");  // tau = 1 s
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(10), 2.0);  // first call: taken as it is
  Set("EdSineMin", "4");
  Set("EdSineMax", "4");
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(10.25), 2.5);  // k = 0.25
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(5.0), 2.5);    // earlier time: dt = 0, no move
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(8.0), 4.0);    // gap counts as 1 s at most: k = 1
  Set("edtFs", "-5");  // off: the value passes straight through
  Set("EdSineMin", "1");
  Set("EdSineMax", "1");
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(8.5), 1.0);
}

TEST_F(SetPointTest, LimitsTestTheLowerOneFirst) {
  struct Case {
    const char *lo, *hi, *level;
    double expected;
  } cases[] = {
      {"0", "10", "2", 2.0}, {"0", "1.5", "2", 1.5}, {"3", "10", "2", 3.0},
      {"2", "1", "1.5", 2.0},  // below the minimum: the minimum, even above the maximum
      {"2", "1", "2", 1.0},    // at or above the minimum: the maximum
      {"x", "y", "12", 10.0},  // unreadable limits fall back to 0 and 10
  };
  for (const Case& c : cases) {
    Set("EdClampMin", c.lo);
    Set("EdClampMax", c.hi);
    Set("EdSineMin", c.level);
    Set("EdSineMax", c.level);
    EXPECT_DOUBLE_EQ(form_.CurrentAtTime(1), c.expected) << c.lo << ".." << c.hi << " level " << c.level;
  }
}

TEST_F(SetPointTest, GlobalCurrentRampAndStepScaling) {
  f().SetChecked("chkIRamp", true);
  Set("edtRU", "60");
  Set("edtRD", "100");
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(0), 0.0);
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(30), 1.0);
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(60), 2.0);
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(3550), 1.0);
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(3600), 0.0);
  f().SetChecked("chkIRamp", false);

  // Steps scale every pattern by target / midpoint of the sine entries.
  Set("edtIStep", "0,3;");
  EXPECT_NEAR(form_.CurrentAtTime(100), 3.0, 1e-9);
  f().SetActivePage("PcParams", "TsGaussian");  // a pulse scaled by 3 / 2
  const double gauss = form_.waveform.shapes.ActivePatternRaw(100);
  EXPECT_NEAR(form_.CurrentAtTime(100), gauss * 1.5, 1e-9);
  // A sine midpoint of 0 skips the scaling.
  f().SetActivePage("PcParams", "TsSine");
  Set("EdSineMin", "-2");
  Set("EdSineMax", "2");
  Set("EdSineF", "1");
  EXPECT_NEAR(form_.CurrentAtTime(0.25), 2.0, 1e-9);
}

TEST_F(SetPointTest, CcCvLawMovesThroughItsPhasesWithTheVoltage) {
  f().SetActivePage("PcParams", "tsCC_CV");
  Set("edtCC_A", "-2");  // magnitude: Icc 2, Icut 0.1
  Set("edtVt", "3.6");
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(1), 2.0);
  EXPECT_EQ(form_.FCCCVPhase, cpCharge);
  form_.FLastVout = 3.6;  // the voltage reached the limit: CV from the next call
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(2), 2.0);
  EXPECT_EQ(form_.FCCCVPhase, cpCV);
  // CV: I = (Vmax - Vref) / R with Vref from the ramp-free target edtVt: 0 -> done.
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(3), 0.0);
  EXPECT_EQ(form_.FCCCVPhase, cpDone);
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(4), 0.0);
  form_.FCCCVPhase = cpDischarge;  // the rest and discharge phases go back to the charge
  EXPECT_DOUBLE_EQ(form_.CurrentAtTime(5), 2.0);
  EXPECT_EQ(form_.FCCCVPhase, cpCharge);

  // CV below the limit: the resistive law, limited to Icc.
  form_.FCCCVPhase = cpCV;
  Set("edtV0", "3.5");
  Set("edtVt", "3.6");
  form_.waveform.schedules.FVSched = {{0.0, 3.55}};
  Set("edtR0", "0.04");
  Set("edCellRint", "10");  // R = 0.05 ohm
  EXPECT_NEAR(form_.CurrentAtTime(6), 1.0, 1e-9);  // (3.6 - 3.55) / 0.05
}

TEST_F(SetPointTest, VoltageFollowsOcvOrTheRampedTargetAboveTheFloor) {
  DefaultChem_LFP(form_.FChemP);
  Set("edtR0", "0.01");
  Set("edCellRint", "10");  // R = 0.02 ohm
  form_.FSoc01 = 0.5;
  const double ocv = InterpOCV(form_.FChemP.OCV, 0.5);
  EXPECT_NEAR(form_.VoltageAtTime(10, 2.0), ocv + 0.04, 1e-12);
  EXPECT_NEAR(form_.FLastVout, ocv + 0.04, 1e-12);

  f().SetChecked("chkVRamp", true);
  Set("edtV0", "3.0");
  Set("edtVt", "3.5");
  Set("edtVRU", "100");
  Set("edtVRD", "100");
  f().SetText("cbVShape", "Linear");
  form_.waveform.schedules.FVSched = {{0.0, 3.8}};  // above edtVt: the target stays at 3.5
  EXPECT_NEAR(form_.VoltageAtTime(50, 1.0), 3.0 + 0.5 * 0.5 + 0.02, 1e-9);
  EXPECT_NEAR(form_.VoltageAtTime(1000, 0.0), 3.5, 1e-9);

  form_.FChemP.Vmin = 2.5;
  Set("edtV0", "0");
  EXPECT_NEAR(form_.VoltageAtTime(0, 0.0), 2.375, 1e-12);  // never below 0.95 Vmin
}

}  // namespace
}  // namespace voltaris
