// Expected figures were worked out independently, step by step from the model's
// definition (a separate double-precision evaluation, not this implementation); the first
// steps are also checked by hand in the comments.
#include <gtest/gtest.h>

#include "test_support.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "chemistry/sei_growth.h"

namespace voltaris {
namespace {

TSimOutputs Simulate(const std::vector<double>& I, double Fs, const TChemParams& p = Lfp()) {
  TSimOutputs o;
  SimulatePatternChemSEI(I, Fs, p, o);
  return o;
}

struct Figures {
  double t_done_s, psiHX_wear, PsiHX_time, S_form, I_rms_A, I_pk_A, CE1_pct, Q_Ah, E_Wh;
};

void ExpectFigures(const TSimOutputs& o, const Figures& f) {
  EXPECT_EQ(o.t_done_s, f.t_done_s);
  // The figures built on the fixed-point sums must match to the last digit.
  EXPECT_EQ(o.psiHX_wear, f.psiHX_wear);
  EXPECT_EQ(o.PsiHX_time, f.PsiHX_time);
  EXPECT_DOUBLE_EQ(o.S_form, f.S_form);
  EXPECT_DOUBLE_EQ(o.I_rms_A, f.I_rms_A);
  EXPECT_DOUBLE_EQ(o.I_pk_A, f.I_pk_A);
  EXPECT_DOUBLE_EQ(o.CE1_pct, f.CE1_pct);
  EXPECT_DOUBLE_EQ(o.Q_Ah, f.Q_Ah);
  EXPECT_DOUBLE_EQ(o.E_Wh, f.E_Wh);
}

TEST(SeiGrowth, EmptyWaveEmptiesTheArraysAndLeavesTheOtherFigures) {
  TSimOutputs o;
  o.V = {1, 2};
  o.T_C = {3};
  o.psiHX_wear = 0.5;
  SimulatePatternChemSEI({}, 10, Lfp(), o);
  EXPECT_TRUE(o.V.empty() && o.SEI_nm.empty() && o.SOC.empty() && o.T_C.empty());
  EXPECT_EQ(o.t_done_s, -1);
  EXPECT_EQ(o.psiHX_wear, 0.5);
}

TEST(SeiGrowth, RestingCellKeepsItsStateAndStabilisesAtTheFirstCheck) {
  const TSimOutputs o = Simulate(std::vector<double>(300, 0.0), 1.0);
  ASSERT_EQ(o.SEI_nm.size(), 300u);
  for (size_t k : {size_t{0}, size_t{299}}) {
    EXPECT_EQ(o.SEI_nm[k], 5.0);
    EXPECT_EQ(o.SOC[k], 0.05);
    EXPECT_EQ(o.T_C[k], 25.0);
    EXPECT_EQ(o.V[k], 3.2);
  }
  // No growth between the start and the first check at t = 120 s.
  // PsiHX_time = 2 (1 + sqrt(f_ref / (Fs / 4))), f_ref = 1e-14 / (25e-12 pi).
  ExpectFigures(o, {120.0, 1.0, 2.0451351666838207, 0.0, 0.0, 0.0, 99.69565217391305, 0.0, 0.0});

  // Shorter than 120 s: never checked.
  EXPECT_EQ(Simulate(std::vector<double>(100, 0.0), 1.0).t_done_s, -1);
}

TEST(SeiGrowth, SteadyChargeCurrent) {
  const TSimOutputs o = Simulate(std::vector<double>(600, 2.0), 10.0);
  // Step 0 by hand: f_T = 1 (ambient = reference), f_V = 1 + 0.15 * 2 * 0.025 = 1.0075,
  // growth = 2 * 0.1 / 3600 * 23 nm/Ah, dissolution = 0.0002 * 4 * 0.1 * f_V.
  EXPECT_DOUBLE_EQ(o.SEI_nm[0], 5.0 + 2 * 0.1 / 3600 * 23 * 1.0075 - 0.0002 * 4 * 0.1 * 1.0075);
  EXPECT_DOUBLE_EQ(o.SOC[0], 0.05 + 2 * 0.1 / (5 * 3600.0));
  EXPECT_DOUBLE_EQ(o.T_C[0], 25 + 0.1 * 4 * 0.025 / 60);
  EXPECT_DOUBLE_EQ(o.V[0], 3.2500074074074075);
  EXPECT_DOUBLE_EQ(o.SEI_nm[1], 5.002413379499407);
  EXPECT_DOUBLE_EQ(o.SEI_nm[599], 5.700377322861057);
  EXPECT_DOUBLE_EQ(o.SOC[599], 0.05666666666666871);
  EXPECT_DOUBLE_EQ(o.T_C[599], 25.078719151581893);
  // No crossings: f_eff = Fs / 4; no ripple, no slew; loss equals the loss of the mean.
  ExpectFigures(o, {-1, 1.0000000000000002, 2.0142729929292225, 0.25218572456158045, 2.0, 2.0,
                    99.65302051078237, 0.03333333333333329, 0.10840753086419758});
}

TEST(SeiGrowth, PulseTrainWithDischargeAndPulseBenefit) {
  std::vector<double> I(3000);
  for (size_t k = 0; k < I.size(); ++k) I[k] = (k % 20) < 10 ? 3.0 : -0.5;
  TChemParams p = Lfp();
  p.HxFactor = 0.4;
  const TSimOutputs o = Simulate(I, 100.0, p);
  EXPECT_DOUBLE_EQ(o.V[10], 3.1875109259259258);
  EXPECT_DOUBLE_EQ(o.SEI_nm[10], 5.001787382791084);
  EXPECT_DOUBLE_EQ(o.SEI_nm[2999], 5.30216370381037);
  EXPECT_DOUBLE_EQ(o.SOC[2999], 0.05208333333332617);
  EXPECT_DOUBLE_EQ(o.T_C[2999], 25.05113403206126);
  // 299 crossings of the RMS level; ripple and slew sums in 1e-4 units.
  ExpectFigures(o, {-1, 1.7204650534085082, 4.474492644185105, 0.27714314029542564, 2.1505813167606567, 3.0,
                    99.67725960063763, 0.01458333333333433, 0.047588282214506145});
}

TEST(SeiGrowth, DischargeSampleLowersChargeButStillGrowsSei) {
  const TSimOutputs o = Simulate({0.0, -2.0, 0.0}, 1.0);
  EXPECT_DOUBLE_EQ(o.SOC[1], 0.05 - 2.0 / (5 * 3600.0));
  // No overpotential term (f_V = 1): 2/3600 Ah * 23 nm/Ah - 0.0002 * 4 * 1 s.
  EXPECT_DOUBLE_EQ(o.SEI_nm[1], 5.0 + 2.0 / 3600 * 23 - 0.0008);
  EXPECT_EQ(o.SEI_nm[2], o.SEI_nm[1]);
  EXPECT_DOUBLE_EQ(o.V[1], 3.149555555555556);
  ExpectFigures(o, {-1, 1.7319642093584093, 15.51172320453041, 0.12347859616619516, 1.1547005383792515, 2.0,
                    99.69492309178743, 0.0005555555555555556, 0.0017497530864197535});
}

TEST(SeiGrowth, SampleRateBelowOneCountsAsOneExceptForTheFallbackFrequency) {
  const TSimOutputs o = Simulate(std::vector<double>(10, 1.0), 0.5);
  EXPECT_DOUBLE_EQ(o.SOC[9], 0.05055555555555559);  // 0.05 + 10 s x 1 A / 5 Ah, summed step by step
  EXPECT_DOUBLE_EQ(o.SEI_nm[9], 5.0619499264944965);
  // f_eff = 0.5 / 4 = 0.125 Hz: PsiHX_time = 2 (1 + sqrt(f_ref / 0.125)).
  ExpectFigures(o, {-1, 1.0, 2.063830764864229, 0.10241922955098862, 1.0, 1.0, 99.69188130882208,
                    0.002777777777777778, 0.008958899176954733});
}

TEST(SeiGrowth, StabilisedAtTheFirstCheckWithoutGrowth) {
  // 100 s at 2 A, then rest: the check at 120 s still sees growth, the one at 240 s none.
  std::vector<double> I(3000, 0.0);
  std::fill(I.begin(), I.begin() + 1000, 2.0);
  const TSimOutputs o = Simulate(I, 10.0);
  EXPECT_DOUBLE_EQ(o.SEI_nm[2999], 6.144036945964884);
  EXPECT_DOUBLE_EQ(o.T_C[2999], 25.021348984288153);
  ExpectFigures(o, {240.0, 1.73196420935841, 3.8684918874490912, 0.12347859616619516, 1.1547005383792515, 2.0,
                    99.62601514241953, 0.05555555555555677, 0.18076152263374495});
}

TEST(SeiGrowth, StoredVoltageIsClampedButEnergyUsesTheUnclampedOne) {
  const TSimOutputs o = Simulate(std::vector<double>(5, 20.0), 1.0);
  for (double v : o.V) EXPECT_EQ(v, 3.65);
  EXPECT_DOUBLE_EQ(o.E_Wh, 0.10283950617283952);  // above 5 * 20 * 3.65 / 3600 = 0.1014
  EXPECT_DOUBLE_EQ(o.SEI_nm[4], 5.2631302713013675);
  EXPECT_DOUBLE_EQ(o.S_form, 5.031766725908432);
}

TEST(SeiGrowth, MeanCurrentIsSummedInTenthsOfAMilliampRoundedHalfToEven) {
  // 0.00025 A is 2.5 units: the running sum goes 2, 4, 6, ... (half to even), so the
  // mean counts as 0.0002 A and the loss ratio is (2.5 / 2)^2. A plain double mean
  // would give 1, rounding halves away from zero 0.833.
  const TSimOutputs o = Simulate(std::vector<double>(400, 0.00025), 10.0);
  EXPECT_EQ(o.psiHX_wear, 1.2500000000000044);
}

TEST(SeiGrowth, DissolutionFreeChemistryHasFullFirstCycleEfficiency) {
  TChemParams p = Lfp();
  p.k_diss = 0;
  p.k_CE1 = 0;
  const TSimOutputs o = Simulate(std::vector<double>(50, 5.0), 1.0, p);
  EXPECT_EQ(o.CE1_pct, 100.0);
  for (size_t k = 1; k < o.SEI_nm.size(); ++k) EXPECT_GT(o.SEI_nm[k], o.SEI_nm[k - 1]);
}

TEST(SeiGrowth, NonPositiveCapacityOrThermalResistanceGiveFiniteResults) {
  TChemParams p = Lfp();
  p.Qn_Ah = 0;
  p.Rth_KpW = 0;
  p.SEI_scale_nm_Ah = 20;
  const TSimOutputs o = Simulate({0.0, 2.0, 2.0, 0.0}, 1.0, p);
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(o.SOC[k], 0.05);
    EXPECT_EQ(o.T_C[k], 25.0);
    EXPECT_TRUE(std::isfinite(o.SEI_nm[k]) && std::isfinite(o.V[k]));
  }
  EXPECT_GT(o.SEI_nm[3], 5.0);
}

}  // namespace
}  // namespace voltaris
