// From a chemistry document to the model parameter record, and the engine chemistry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chemistry/chem_bridge.h"
#include "chemistry/chem_engine.h"
#include "documents/chem_document.h"

namespace voltaris {
namespace {

std::vector<double> OcvVoltages(const TChemParams& p) {
  std::vector<double> v;
  for (const TPointD& pt : p.OCV) v.push_back(pt.y);
  return v;
}

// A document that names only its chemistry: every other value is left to the family.
TChemRoot Blank(const std::string& name) {
  TChemRoot d;
  d.FChemistry = name;
  return d;
}

TEST(ChemBridge, AbsentDocumentGivesTheZeroRecord) {
  const TChemParams p = ChemRootToParams(nullptr);
  EXPECT_EQ(p.Qn_Ah, 0);
  EXPECT_EQ(p.D_Li_m2s, 0);
  EXPECT_EQ(p.Tref_C, 0);
  EXPECT_TRUE(p.OCV.empty());
}

TEST(ChemBridge, SeedLfpDocument) {
  const TChemRoot lfp = TChemRoot::CreateDefaultLFP();
  const TChemParams p = ChemRootToParams(&lfp);
  EXPECT_DOUBLE_EQ(p.Qn_Ah, 5);
  EXPECT_DOUBLE_EQ(p.R0, 0.015);
  EXPECT_DOUBLE_EQ(p.Rdyn, 0.7 * 0.015);
  EXPECT_DOUBLE_EQ(p.R0_ohm, 0.015);
  EXPECT_DOUBLE_EQ(p.Vmin, 2.5);
  EXPECT_DOUBLE_EQ(p.Vmax, 3.65);
  EXPECT_EQ(OcvVoltages(p), (std::vector<double>{3.0, 3.2, 3.3, 3.32, 3.35, 3.4, 3.65}));
  EXPECT_DOUBLE_EQ(p.kSEI_0, 3e-10);  // rate base 1.5e-11 x scale 20
  EXPECT_DOUBLE_EQ(p.SEI_scale_nm_Ah, 4);
  EXPECT_DOUBLE_EQ(p.Ea_eV, 0.48);
  EXPECT_DOUBLE_EQ(p.Ea_Jpmol, 0.48 * 96485);
  EXPECT_DOUBLE_EQ(p.gamma_I, 0.8);
  EXPECT_DOUBLE_EQ(p.alpha_eta, 0.1);
  EXPECT_DOUBLE_EQ(p.x0_nm, 3);
  EXPECT_DOUBLE_EQ(p.xTarget_nm, 60);
  EXPECT_DOUBLE_EQ(p.Cth_JpK, 70 * 0.9);
  EXPECT_DOUBLE_EQ(p.Rth_KpW, 0.5);
  EXPECT_DOUBLE_EQ(p.Tamb_C, 25);
  EXPECT_DOUBLE_EQ(p.Tref_C, 25);
  EXPECT_DOUBLE_EQ(p.D_Li_m2s, 1e-14);
  EXPECT_DOUBLE_EQ(p.L_eff_m, 5e-6);
  EXPECT_EQ(p.k_diss, 0);
  EXPECT_EQ(p.k_CE1, 0);
  EXPECT_EQ(p.HxFactor, 0);
  EXPECT_FALSE(p.UseXTargetOnly);

  TChemRoot noRate = lfp;
  noRate.FSeiModel->FRateBase = 0;
  EXPECT_DOUBLE_EQ(ChemRootToParams(&noRate).kSEI_0, 0.015);  // LFP family rate base x 1e9
  noRate.FThermal->FHConv_W_per_K = 0;
  noRate.FCell->FRInternal_mOhm = 0;
  EXPECT_DOUBLE_EQ(ChemRootToParams(&noRate).Rth_KpW, 2.0);
  EXPECT_DOUBLE_EQ(ChemRootToParams(&noRate).R0_ohm, 0.01);
}

TEST(ChemBridge, Nmc811FilledFromTheFamily) {
  TChemRoot d = Blank("NMC811 21700");
  d.FCell->FNominalV = 3.6;
  const TChemParams p = ChemRootToParams(&d);
  EXPECT_EQ(OcvVoltages(p), (std::vector<double>{3.0, 3.5, 3.7, 3.8, 3.95, 4.1, 4.2}));
  EXPECT_DOUBLE_EQ(p.SEI_scale_nm_Ah, 12.0);
  EXPECT_DOUBLE_EQ(p.xTarget_nm, 90);
  EXPECT_DOUBLE_EQ(p.x0_nm, 4);
  EXPECT_DOUBLE_EQ(p.Qn_Ah, 5.0);
  EXPECT_DOUBLE_EQ(p.Ea_eV, 0.58);
  EXPECT_DOUBLE_EQ(p.kSEI_0, 2.2e-11 * 1e9);
}

TEST(ChemBridge, CapacityFromTheNameTable) {
  const struct {
    const char* name;
    double ah;
  } cases[] = {
      {"LFP prismatic 300Ah", 300}, {"LFP_100AH", 100}, {"LFP 10Ah", 10}, {"NMC 4680", 23},
      {"nca_18650", 3.2}, {"LFP_32700", 6.0}, {"LFP_21700", 5.0}, {"mystery", 5.0},
  };
  for (const auto& c : cases) {
    TChemRoot d = Blank(c.name);
    EXPECT_DOUBLE_EQ(ChemRootToParams(&d).Qn_Ah, c.ah) << c.name;
    d.FCell = nullptr;  // also without any cell object
    EXPECT_DOUBLE_EQ(ChemRootToParams(&d).Qn_Ah, c.ah) << c.name;
  }
}

TEST(ChemBridge, VoltageWindowTable) {
  const struct {
    const char* name;
    double docVmin, docVmax;
    double vmin, vmax;
  } cases[] = {
      {"LTO", 1.0, 1.9, 1.5, 2.8},  {"LFP_x", 0, 0, 2.5, 3.65}, {"LCO", 0, 1.99, 3.0, 4.2},
      {"LMO", 0, 0, 2.8, 4.2},      {"NCA", 0, 0, 3.0, 4.2},    {"LTO", 1.2, 2.0, 1.2, 2.0},
      {"NMC", 2.7, 4.3, 2.7, 4.3},
  };
  for (const auto& c : cases) {
    TChemRoot d = Blank(c.name);
    *d.FLimits = {.FVMin_V = c.docVmin, .FVMax_V = c.docVmax};
    const TChemParams p = ChemRootToParams(&d);
    EXPECT_DOUBLE_EQ(p.Vmin, c.vmin) << c.name << " " << c.docVmax;
    EXPECT_DOUBLE_EQ(p.Vmax, c.vmax) << c.name << " " << c.docVmax;
  }
  TChemRoot noLimits = Blank("LTO");
  noLimits.FLimits = nullptr;
  EXPECT_EQ(ChemRootToParams(&noLimits).Vmin, 0);
  EXPECT_EQ(ChemRootToParams(&noLimits).Vmax, 0);
}

TEST(ChemBridge, OcvTableByFamily) {
  const struct {
    const char* name;
    double first, last;
    size_t points;
  } cases[] = {
      {"lfp", 3.0, 3.65, 7}, {"NMC622", 3.0, 4.2, 7}, {"NCA", 3.0, 4.2, 7}, {"LMO", 3.5, 4.2, 6},
      {"LTO", 1.5, 2.8, 6},  {"LCO", 3.0, 4.2, 7},
  };
  for (const auto& c : cases) {
    TChemRoot d = Blank(c.name);
    const TChemParams p = ChemRootToParams(&d);
    ASSERT_EQ(p.OCV.size(), c.points) << c.name;
    EXPECT_DOUBLE_EQ(p.OCV.front().y, c.first) << c.name;
    EXPECT_DOUBLE_EQ(p.OCV.back().y, c.last) << c.name;
    EXPECT_EQ(p.OCV.front().x, 0) << c.name;
  }
  TChemRoot unknown = Blank("Sodium-ion prototype");
  unknown.FCell->FNominalV = 3.7;
  const std::vector<double> expected = {3.3, 3.6, 3.7, 3.85, 4.0};
  const std::vector<double> got = OcvVoltages(ChemRootToParams(&unknown));
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-12);

  unknown.FCell = nullptr;
  EXPECT_TRUE(ChemRootToParams(&unknown).OCV.empty());
}

TEST(ChemBridge, SeiStartAndTargetByFamily) {
  const struct {
    const char* name;
    double x0, xTarget;
  } cases[] = {
      {"LFP", 3, 60}, {"LTO", 2, 25}, {"NMC811", 4, 90}, {"nmc622", 4, 75}, {"NCA", 4, 85}, {"NMC", 4, 80},
  };
  for (const auto& c : cases) {
    TChemRoot d = Blank(c.name);
    const TChemParams p = ChemRootToParams(&d);
    EXPECT_DOUBLE_EQ(p.x0_nm, c.x0) << c.name;
    EXPECT_DOUBLE_EQ(p.xTarget_nm, c.xTarget) << c.name;
    // Without an SEI model object the generic start and target stay.
    d.FSeiModel = nullptr;
    EXPECT_DOUBLE_EQ(ChemRootToParams(&d).x0_nm, 4.0) << c.name;
    EXPECT_DOUBLE_EQ(ChemRootToParams(&d).xTarget_nm, 80.0) << c.name;
  }
  TChemRoot noThermal = Blank("LFP");
  noThermal.FThermal = nullptr;
  const TChemParams p = ChemRootToParams(&noThermal);
  EXPECT_DOUBLE_EQ(p.Tref_C, 25);
  EXPECT_EQ(p.Cth_JpK, 0);
  EXPECT_EQ(p.Rth_KpW, 0);
}

TEST(ChemBridge, EngineChemistrySummary) {
  FreeChem();
  const TChemSummary lfp = ChemGetSummary();
  EXPECT_EQ(lfp, (TChemSummary{"LFP_21700", 3.2, 5, 25, 55, 20}));

  SetChemLastFile("/cells/a.hxchem");
  const TChemSummary edited{"NMC811_A", 3.65, 4.8, 30, 60, 12};
  ChemApplySummary(edited);
  EXPECT_EQ(ChemGetSummary(), edited);
  EXPECT_EQ(ChemLastFile(), "/cells/a.hxchem");

  ChemInitDefault();
  EXPECT_EQ(ChemGetSummary(), lfp);
  EXPECT_EQ(ChemLastFile(), "");

  FreeChem();
  ChemApplySummary(edited);  // creates the default document first, then writes
  EXPECT_EQ(ChemGetSummary(), edited);
  FreeChem();
}

}  // namespace
}  // namespace voltaris
