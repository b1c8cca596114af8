#include <gtest/gtest.h>

#include <string>

#include "chemistry/chem_params.h"
#include "chemistry/chem_profile.h"
#include "chemistry/sei_defaults.h"

namespace voltaris {
namespace {

TEST(ChemOcvLookup, FlatEndsLinearInsideAndFixedVoltageWithoutTable) {
  const std::vector<TPointD> lfp = {{0.0, 3.0}, {0.05, 3.2}, {0.2, 3.3}, {0.5, 3.32}, {1.0, 3.6}};
  struct Case {
    double soc, volts;
  } cases[] = {
      {-0.5, 3.0}, {0.0, 3.0},  {0.05, 3.2},  {0.125, 3.25}, {0.35, 3.31},
      {0.5, 3.32}, {1.0, 3.6},  {1.7, 3.6},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(InterpOCV(lfp, c.soc), c.volts) << "soc " << c.soc;

  EXPECT_EQ(InterpOCV(std::vector<TPointD>{}, 0.0), 3.7);
  EXPECT_EQ(InterpOCV(std::vector<TPointD>{}, 0.9), 3.7);
  const std::vector<TPointD> one = {{0.5, 3.6}};
  for (double soc : {0.0, 0.5, 1.0}) EXPECT_EQ(InterpOCV(one, soc), 3.6);
}

TEST(ChemOcvLookup, RepeatedStateOfChargeGivesTheEarlierPointNotNaN) {
  const std::vector<TPointD> step = {{0.0, 3.0}, {0.5, 3.2}, {0.5, 3.5}, {1.0, 3.6}};
  EXPECT_EQ(InterpOCV(step, 0.5), 3.2);
  EXPECT_DOUBLE_EQ(InterpOCV(step, 0.75), 3.55);
}

TEST(ChemDefaults, BuiltInLfpSetKeepsTheCalibrationFlag) {
  TChemParams p;
  p.UseXTargetOnly = true;
  p.HxFactor = 0.7;
  DefaultChem_LFP(p);
  EXPECT_TRUE(p.UseXTargetOnly);
  EXPECT_EQ(p.HxFactor, 0.0);
  EXPECT_EQ(p.Qn_Ah, 5.0);
  EXPECT_EQ(p.Vmax, 3.65);
  EXPECT_EQ(p.xTarget_nm, 115);
  EXPECT_EQ(p.R0_ohm, 0.01);
  EXPECT_DOUBLE_EQ(p.rate_base_mps, 2e-12);
  ASSERT_EQ(p.OCV.size(), 7u);
  EXPECT_EQ(p.OCV.back().y, 3.6);
  EXPECT_EQ(p.OCV[3].x, 0.5);
}

TEST(ChemDefaults, SeiDefaultsFollowTheFirstFamilyInTheName) {
  struct Case {
    const char* name;
    double scale, eaEv, rateBase, alphaOver, gamma;
  } cases[] = {
      {"LFP_21700", 4.0, 0.48, 1.5e-11, 0.10, 0.8},
      {"NMC811 21700", 12.0, 0.58, 2.2e-11, 0.16, 1.1},
      {"nmc622", 7.0, 0.53, 1.6e-11, 0.13, 1.0},
      {"Generic NMC", 8.0, 0.55, 1.8e-11, 0.14, 1.05},
      {"NCA 18650", 10.0, 0.60, 2.5e-11, 0.17, 1.1},
      {"LCO", 8.0, 0.52, 1.5e-11, 0.14, 1.0},
      {"lmo pouch", 6.0, 0.50, 1.2e-11, 0.12, 0.9},
      {"LTO", 2.0, 0.35, 4e-12, 0.06, 0.7},
      {"SSB_Sulfide", 15.0, 0.65, 3e-11, 0.20, 1.2},
      {"ssb oxide", 12.0, 0.68, 2.7e-11, 0.22, 1.2},
      {"blend lfp+nmc811", 4.0, 0.48, 1.5e-11, 0.10, 0.8},  // lfp is tested first
      {"sodium-ion", 8.0, 0.50, 1.5e-11, 0.12, 1.0},
      {"", 8.0, 0.50, 1.5e-11, 0.12, 1.0},
  };
  for (const auto& c : cases) {
    const TSeiDefaults d = GetSeiDefaultsForChem(c.name);
    EXPECT_EQ(d.SeiScale_nmAh, c.scale) << c.name;
    EXPECT_EQ(d.Ea_eV, c.eaEv) << c.name;
    EXPECT_EQ(d.RateBase_mps, c.rateBase) << c.name;
    EXPECT_EQ(d.AlphaOver, c.alphaOver) << c.name;
    EXPECT_EQ(d.GammaCurrent, c.gamma) << c.name;
    EXPECT_EQ(d.RefArea_cm2, 4.0) << c.name;
  }
}

TEST(ChemDefaults, ToyLfpProfileAndModeCaptions) {
  const TChemProfile p = Chem_GetDefaultProfile(cpToyLFP);
  EXPECT_EQ(p.Id, cpToyLFP);
  EXPECT_EQ(p.Name, "LFP cell");
  EXPECT_EQ(p.NomCapacity_Ah, 5.0);
  EXPECT_EQ(p.NomVoltage_V, 3.2);
  EXPECT_EQ(p.Vmin, 1.0);
  EXPECT_EQ(p.Vmax, 4.3);
  EXPECT_EQ(p.Tmax, 60);
  EXPECT_EQ(p.SEI_per_Ah_nm, 1946.44);
  EXPECT_EQ(p.SEI_TempCoeff, 0.03);
  EXPECT_EQ(p.Tref_C, 25);

  EXPECT_EQ(ChemModeCaption(rsmV1_Toy), "LFP");
  EXPECT_EQ(ChemModeCaption(rsmV2_AdvToy), "NMC");
  EXPECT_EQ(ChemModeCaption(rsmV3_RealChem), "RealChem");
  EXPECT_EQ(ChemModeCaption(static_cast<TRealSimMode>(7)), "Unknown");
}

}  // namespace
}  // namespace voltaris
