#include <gtest/gtest.h>

#include "test_support.h"

#include <cmath>
#include <vector>

#include "chemistry/sei_spatial.h"

namespace voltaris {
namespace {

TSEI3DConfig SmallConfig() {
  TSEI3DConfig c = SEI3DDefaultConfig();
  c.Nx = 4;
  c.Nt = 10;
  return c;
}

TEST(SeiSpatial, ShapeFactors) {
  EXPECT_DOUBLE_EQ(LocalCurrentFactor(0.0, 0.45, 0.15, 0.0), 1.45);
  EXPECT_NEAR(LocalCurrentFactor(1.0, 0.45, 0.15, 0.0), 1.0006, 5e-5);
  EXPECT_DOUBLE_EQ(LocalCurrentFactor(0.0, 0.45, 0.15, 0.8), 1.1188);
  EXPECT_DOUBLE_EQ(LocalCurrentFactor(0.5, 0.45, 0.0, 0.0), 1.0);  // decay length floored at 1e-6

  EXPECT_DOUBLE_EQ(FreqHomogeneityFactor(100), 1 / 1.8);
  EXPECT_EQ(FreqHomogeneityFactor(400), 0.55);
  EXPECT_EQ(FreqHomogeneityFactor(0), 1.0);
  EXPECT_EQ(FreqHomogeneityFactor(-5), 1.0);
}

TEST(SeiSpatial, ConfigurationFromChemistryIsClampedAndKeepsTheGrid) {
  const TSEI3DConfig d = SEI3DDefaultConfig();
  EXPECT_EQ(d.Nx, 24);
  EXPECT_EQ(d.Nt, 120);
  EXPECT_EQ(d.Beta_tab, 0.45);
  EXPECT_EQ(d.Lambda_tab, 0.15);
  EXPECT_EQ(d.Delta_diff, 20);

  struct Case {
    double alpha, r0, kSei, beta, lambda, delta;
  } cases[] = {
      {0.15, 0.015, 0.004, 0.6, 0.1925, 40},     // LFP: 15 / 0.1 = 150 -> 40
      {0.0, 0.5, 1.0, 0.3, 0.1, 15},             // lower clamps of lambda
      {0.5, -1.0, 3.0, 0.65, 0.25, 8},           // upper clamps
  };
  for (const auto& c : cases) {
    TSEI3DConfig cfg{7, 33, 0, 0, 0};
    TChemParams p;
    p.alpha_eta = c.alpha;
    p.R0 = c.r0;
    p.kSEI_0 = c.kSei;
    SEI3DConfigFromChem(p, cfg);
    EXPECT_EQ(cfg.Nx, 7);
    EXPECT_EQ(cfg.Nt, 33);
    EXPECT_DOUBLE_EQ(cfg.Beta_tab, c.beta);
    EXPECT_DOUBLE_EQ(cfg.Lambda_tab, c.lambda);
    EXPECT_DOUBLE_EQ(cfg.Delta_diff, c.delta);
  }
}

TEST(SeiSpatial, MissingSimulationGivesTheErrorTextAndNoProfile) {
  TSEI3DResult r;
  r.Valid = true;
  TSimOutputs sim;
  sim.V = {3.3};
  sim.SOC = {0.1};
  ComputeSEI3D(sim, Lfp(), {}, SEI3DDefaultConfig(), r);
  EXPECT_FALSE(r.Valid);
  EXPECT_EQ(r.ErrorMsg, "SimOut.V boş — önce simülasyon çalıştırın");
  EXPECT_TRUE(SEI3DGetSpatialFinal(r).empty());

  sim.V = {3.3, 3.4, 3.5};
  sim.SOC = {0.1, 0.2};
  ComputeSEI3D(sim, Lfp(), {}, SEI3DDefaultConfig(), r);
  EXPECT_FALSE(r.Valid);
  EXPECT_EQ(r.ErrorMsg, "SimOut.SOC boş — simülasyon tamamlanmamış");
  EXPECT_TRUE(SEI3DGetSpatialFinal(r).empty());
}

// Four samples, one second apart, with a charge step that overshoots the OCV and one that
// drops below it; values worked out independently from the model's definition.
TEST(SeiSpatial, SmallRunGridAndMetrics) {
  TSimOutputs sim;
  sim.V = {3.3, 3.4, 3.35, 3.2};
  sim.SOC = {0.1, 0.2, 0.3, 0.25};
  sim.T_C = {25, 30, 35, 20};
  TSEI3DPatternInfo pat{"Pulse", 0.5, 2.0, 3.0, 100.0, "LFP"};
  TSEI3DResult r;
  ComputeSEI3D(sim, Lfp(), pat, SmallConfig(), r);
  ASSERT_TRUE(r.Valid) << r.ErrorMsg;
  EXPECT_EQ(r.Config.Nx, 4);
  EXPECT_EQ(r.Config.Nt, 10);
  EXPECT_EQ(r.PatInfo.PatternName, "Pulse");
  EXPECT_EQ(r.X_pos, (std::vector<double>{0.0, 1.0 / 3, 2.0 / 3, 1.0}));
  EXPECT_DOUBLE_EQ(r.T_min[9], 4.0 / 60);
  EXPECT_DOUBLE_EQ(r.T_min[1], 4.0 / 60 / 9);

  // Fewer samples than columns: stride 1, columns 0..3 and the last carry data.
  const std::vector<double> tab = r.Grid[0];
  EXPECT_EQ(tab[0], 5.0);
  EXPECT_DOUBLE_EQ(tab[1], 16.43008533073096);
  EXPECT_DOUBLE_EQ(tab[2], 27.181862719989454);
  EXPECT_DOUBLE_EQ(tab[3], 27.914914368087285);
  for (int j = 4; j < 9; ++j) EXPECT_EQ(tab[j], 0.0) << j;
  EXPECT_DOUBLE_EQ(tab[9], 27.914914368087285);
  EXPECT_DOUBLE_EQ(r.GrowthRate[0][1], 685.8051198438576);
  EXPECT_DOUBLE_EQ(r.GrowthRate[0][3], 43.98309888586978);
  EXPECT_DOUBLE_EQ(r.GrowthRate[3][2], 708.1552200982634);
  EXPECT_EQ(r.GrowthRate[0][9], 0.0);

  const std::vector<double> final = SEI3DGetSpatialFinal(r);
  ASSERT_EQ(final.size(), 4u);
  EXPECT_DOUBLE_EQ(final[1], 24.53575341564998);
  EXPECT_DOUBLE_EQ(final[3], 30.695341410258326);
  EXPECT_DOUBLE_EQ(r.Metrics.SEI_mean_final, 27.667124365257656);
  EXPECT_DOUBLE_EQ(r.Metrics.SEI_min_final, 24.53575341564998);
  EXPECT_DOUBLE_EQ(r.Metrics.SEI_max_final, 30.695341410258326);
  EXPECT_DOUBLE_EQ(r.Metrics.Homogeneity_pct, 92.1106081602948);
  EXPECT_DOUBLE_EQ(r.Metrics.TabRatio, 0.9094185985746415);
  EXPECT_DOUBLE_EQ(r.Metrics.GrowthRate_nm_min, 340.0068654788648);
}

TEST(SeiSpatial, TooSmallGridIsReplacedAndThicknessNeverFallsBelowTheStart) {
  TSimOutputs sim;
  const TChemParams p = Lfp();
  SimulatePatternChemSEI(std::vector<double>(600, 2.0), 1.0, p, sim);
  sim.T_C.clear();  // no temperatures: ambient is used
  TSEI3DResult r;
  ComputeSEI3D(sim, p, {}, TSEI3DConfig{2, 5, 0.45, 0.15, 20}, r);
  ASSERT_TRUE(r.Valid);
  EXPECT_EQ(r.Config.Nx, 24);
  EXPECT_EQ(r.Config.Nt, 120);
  ASSERT_EQ(r.Grid.size(), 24u);
  ASSERT_EQ(r.Grid[0].size(), 120u);
  for (const auto& row : r.Grid)
    for (size_t j = 0; j < row.size(); ++j) EXPECT_GE(row[j], p.x0_nm) << j;  // stride 5 fills every column
  // The tab carries the current excess: thickest at the tab, thinnest at the far end.
  EXPECT_EQ(r.Metrics.SEI_max_final, r.Grid.front().back());
  EXPECT_EQ(r.Metrics.SEI_min_final, r.Grid.back().back());
  EXPECT_GT(r.Metrics.TabRatio, 1.0);
  EXPECT_LT(r.Metrics.Homogeneity_pct, 100.0);
}

}  // namespace
}  // namespace voltaris
