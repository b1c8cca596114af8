#include <gtest/gtest.h>

#include <vector>

#include "run/runtime_cell.h"

namespace voltaris {
namespace {

TEST(RuntimeOcvLookup, FlatEndsLinearInsideRepeatedPointsAndEmptyTable) {
  const std::vector<TOCVPoint> table = {{0.0, 3.0}, {0.5, 3.5}, {0.5, 3.8}, {1.0, 4.2}};
  struct Case {
    double x, volts;
  } cases[] = {{-1, 3.0}, {0.0, 3.0}, {0.25, 3.25}, {0.5, 3.5}, {0.75, 4.0}, {1.0, 4.2}, {2.0, 4.2}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(InterpOCV(table, c.x), c.volts) << c.x;

  const std::vector<TOCVPoint> same = {{0.5, 3.4}, {0.5, 3.9}};
  EXPECT_EQ(InterpOCV(same, 0.5), 3.4);
  const std::vector<TOCVPoint> one = {{0.5, 3.6}};
  for (double x : {0.0, 0.5, 1.0}) EXPECT_EQ(InterpOCV(one, x), 3.6);
  EXPECT_EQ(InterpOCV(std::vector<TOCVPoint>{}, 0.3), 3.7);
}

class RuntimeStepTest : public ::testing::Test {
 protected:
  // Linear OCV 3.0 V .. 4.0 V; 0.1 Ah charged at 3.6 A (1 % of charge per second).
  RuntimeStepTest() {
    p.Qn_Ah = 0.1;
    p.Rtot = 0.05;
    p.Vmax = 3.805;
    p.Icc = 3.6;
    p.Icut = 0.5;
    p.SoC0 = 0.1;
    p.OCVTable = {{0.0, 3.0}, {1.0, 4.0}};
    s = RuntimeFreshState(p);
  }
  TRuntimeParams p;
  TRuntimeState s;
};

TEST_F(RuntimeStepTest, FreshStateStartsInConstantCurrentAtTheLimitedStartCharge) {
  EXPECT_EQ(s.Mode, cmCC);
  EXPECT_EQ(s.SoC, 0.1);
  EXPECT_EQ(s.tSec, 0.0);
  p.SoC0 = 1.5;
  EXPECT_EQ(RuntimeFreshState(p).SoC, 0.999);
  p.SoC0 = -1;
  EXPECT_EQ(RuntimeFreshState(p).SoC, 0.0);
}

TEST_F(RuntimeStepTest, ConstantCurrentThenConstantVoltageThenDone) {
  RuntimeStep(s, p, 1.0);
  EXPECT_EQ(s.Mode, cmCC);
  EXPECT_DOUBLE_EQ(s.OCV, 3.1);
  EXPECT_DOUBLE_EQ(s.V, 3.1 + 3.6 * 0.05);
  EXPECT_DOUBLE_EQ(s.SoC, 0.11);
  EXPECT_EQ(s.tSec, 1.0);

  // CC until OCV + 0.18 V reaches 3.805 V (from SoC 0.63 on); that step still charges at Icc.
  int steps = 1;
  while (s.Mode == cmCC && steps < 1000) {
    RuntimeStep(s, p, 1.0);
    ++steps;
  }
  ASSERT_EQ(s.Mode, cmCV);
  EXPECT_EQ(s.I, 3.6);
  EXPECT_GE(s.V, p.Vmax);
  EXPECT_NEAR(s.SoC, 0.64, 1e-9);  // the switching step began at SoC 0.63

  RuntimeStep(s, p, 1.0);
  EXPECT_EQ(s.Mode, cmCV);
  EXPECT_EQ(s.V, p.Vmax);
  EXPECT_DOUBLE_EQ(s.I, (p.Vmax - s.OCV) / 0.05);
  EXPECT_LT(s.I, 3.6);

  // The current decays with the rising OCV until it reaches the cut-off.
  double lastI = s.I;
  while (s.Mode == cmCV && steps < 10000) {
    const double t = s.tSec;
    RuntimeStep(s, p, 1.0);
    ++steps;
    EXPECT_EQ(s.tSec, t + 1.0);
    if (s.Mode == cmCV) {
      EXPECT_LT(s.I, lastI);
      lastI = s.I;
    }
  }
  ASSERT_EQ(s.Mode, cmDone);
  EXPECT_EQ(s.I, 0.0);
  EXPECT_GE(s.OCV, p.Vmax - p.Icut * p.Rtot - 1e-12);  // current at or below the cut-off

  const TRuntimeState done = s;
  RuntimeStep(s, p, 1.0);
  EXPECT_EQ(s.tSec, done.tSec);
  EXPECT_EQ(s.SoC, done.SoC);
  EXPECT_EQ(s.V, done.V);
}

TEST_F(RuntimeStepTest, NearlyFullCellEndsWithoutAdvancingTime) {
  s.SoC = 0.9995;
  s.tSec = 7;
  RuntimeStep(s, p, 1.0);
  EXPECT_EQ(s.Mode, cmDone);
  EXPECT_EQ(s.tSec, 7.0);
  EXPECT_EQ(s.I, 0.0);
  EXPECT_DOUBLE_EQ(s.V, 3.9995);
  EXPECT_EQ(s.SoC, 0.9995);
}

TEST_F(RuntimeStepTest, ConstantVoltageAtFullChargeEndsButStillAdvancesTime) {
  s.Mode = cmCV;
  s.SoC = 0.9992;
  p.Vmax = 4.2;
  RuntimeStep(s, p, 2.0);
  EXPECT_EQ(s.Mode, cmDone);
  EXPECT_EQ(s.I, 0.0);
  EXPECT_EQ(s.V, 4.2);
  EXPECT_EQ(s.SoC, 0.9992);
  EXPECT_EQ(s.tSec, 2.0);
}

TEST_F(RuntimeStepTest, ZeroCurrentKeepsTheChargeAndTheMode) {
  p.Icc = 0;
  RuntimeStep(s, p, 1.0);
  EXPECT_EQ(s.Mode, cmCC);
  EXPECT_EQ(s.SoC, 0.1);
  EXPECT_EQ(s.V, s.OCV);
  // The OCV itself at the limit switches to CV.
  p.Vmax = 3.1;
  RuntimeStep(s, p, 1.0);
  EXPECT_EQ(s.Mode, cmCV);
}

TEST_F(RuntimeStepTest, ZeroCutOffEndsOnlyWhenTheCurrentVanishes) {
  p.Icut = 0;
  p.Vmax = 3.75;
  s.Mode = cmCV;
  s.SoC = 0.75;  // OCV = Vmax: no current left
  RuntimeStep(s, p, 1.0);
  EXPECT_EQ(s.Mode, cmDone);
  s = RuntimeFreshState(p);
  s.Mode = cmCV;
  s.SoC = 0.7499;
  RuntimeStep(s, p, 1.0);
  EXPECT_EQ(s.Mode, cmCV);
  EXPECT_GT(s.I, 0.0);
}

TEST_F(RuntimeStepTest, ZeroResistanceUsesATinyOneInstead) {
  p.Rtot = 0;
  RuntimeStep(s, p, 1.0);
  EXPECT_EQ(s.Mode, cmCC);
  EXPECT_DOUBLE_EQ(s.V, 3.1 + 3.6e-9);
  p.Vmax = 3.75;
  s.Mode = cmCV;
  s.SoC = 0.75 - 1e-6;  // OCV 1 µV below the limit: 1000 A through 1 nΩ
  RuntimeStep(s, p, 1e-9);
  EXPECT_NEAR(s.I, 1000.0, 1e-3);
}

TEST_F(RuntimeStepTest, NonPositiveCapacityLeavesTheChargeWhereItIs) {
  for (double q : {0.0, -2.0}) {
    p.Qn_Ah = q;
    s = RuntimeFreshState(p);
    RuntimeStep(s, p, 1.0);
    EXPECT_EQ(s.SoC, 0.1) << q;
    EXPECT_EQ(s.I, 3.6) << q;
    EXPECT_EQ(s.tSec, 1.0) << q;
  }
}

}  // namespace
}  // namespace voltaris
