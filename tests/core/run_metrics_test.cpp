// Formation metrics of a run from the points of the simulation chart: the three memos,
// the window's result fields, the CC-CV baseline and the report record.
#include <gtest/gtest.h>

#include "layout_values.h"

#include <functional>

#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

class RunMetricsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.FormCreate();
    RestoreLayoutValues(f());
    DefaultChem_LFP(form_.FChemP);
    form_.GChem = TChemRoot::CreateDefaultLFP();  // LFP_21700, 5 Ah, 4 nm/Ah, plating at 2.8 V
    form_.FSimOut = TSimOutputs{};
    form_.FSimOut.t_done_s = -1;
  }
  FormModel& f() { return form_.Form(); }
  const std::vector<std::string>& Lines(const char* memo) { return f().Get(memo).Lines(); }

  // The chart of a run: n points spread evenly over `seconds`, current and voltage per index.
  void Chart(int n, double seconds, const std::function<double(int)>& I, const std::function<double(int)>& V) {
    form_.FSerSimI->Clear();
    form_.FSerSimV->Clear();
    for (int i = 0; i < n; ++i) {
      const double t = i * seconds / (n - 1);
      form_.FSerSimI->Add(t, I(i));
      form_.FSerSimV->Add(t, V(i));
    }
    form_.FTotalSecs = seconds;
  }
  void TwoAmpsFor(double seconds, double volts = 3.5) {
    Chart(1001, seconds, [](int) { return 2.0; }, [volts](int) { return volts; });
  }

  RecordingPlatform platform_;
  TFormPreview form_{platform_};
};

TEST_F(RunMetricsTest, TwoAmpsAtThreeAndAHalfVoltsForAnHour) {
  TwoAmpsFor(3600);
  form_.FSimOut.SEI_nm = {5, 10.12345678};
  form_.FSimOut.psiHX_wear = 0.9;
  form_.FSimOut.S_form = 0.5;
  form_.FSimOut.PsiHX_time = 2.25;
  form_.ComputeRealMetrics();

  // dt = 3.6 s, the first point not integrated: 1000 * 2 A * 3.6 s = 2 Ah, 7 Wh.
  EXPECT_NEAR(form_.FSimOut.Q_Ah, 2.0, 1e-12);
  EXPECT_NEAR(form_.FSimOut.E_Wh, 7.0, 1e-12);
  EXPECT_EQ(form_.FSimOut.CE1_pct, -1.0);
  EXPECT_EQ(form_.FLastCE1_pct, -1.0);
  EXPECT_NEAR(form_.FLastSOC_pct, 40.0, 1e-9);
  EXPECT_DOUBLE_EQ(form_.FSimOut.I_rms_A, 2.0);  // filled: it was 0
  EXPECT_DOUBLE_EQ(form_.FSimOut.I_pk_A, 2.0);
  // SEI-weighted charge: above the plating threshold, a little more as the cell warms.
  EXPECT_GT(form_.FLastDeliveredAh, 2.0);
  EXPECT_LT(form_.FLastDeliveredAh, 2.004);
  EXPECT_NEAR(form_.FLastSEI_nm, 4 * form_.FLastDeliveredAh, 1e-9);
  EXPECT_EQ(form_.FSEIDoneSec, -1.0);

  EXPECT_EQ(Lines("MemoChemMetrics"), (std::vector<std::string>{
                                          "--- Real Chemistry Metrics [LFP_21700] ---",
                                          "I(t): mean=2.000 A, min=2.000 A, max=2.000 A",
                                          "V(t): mean=3.500 V, min=3.500 V, max=3.500 V",
                                          "T(t): mean≈25.060 °C, min=25.000 °C, max=25.120 °C",
                                          "Delivered Q = 2.000 Ah",
                                          "Delivered E = 7.000 Wh",
                                          "SEI = 10.1 nm",
                                          "CE1 = N/A (formation only, no discharge)",
                                          "ΔT  = 0.12 °C",
                                          "SOC = 40.0 %",
                                          "Perf= 34.3",  // 40 % * (1 - 5.1235 / 110) * 0.9
                                          "I_rms  = 2.000 A",
                                          "I_pk   = 2.000 A",
                                          "S_form = 0.500",
                                          "psiHX_wear = 0.90",
                                          "PsiHX_time = 2.25",
                                          "SEI done = not stabilized",
                                          "! SEI not stabilized in 60 min -- increase duration!",
                                      }));
  EXPECT_EQ(Lines("MemoSimStats1"), (std::vector<std::string>{
                                        "--- Energy / Power Summary ---",
                                        "Duration     = 3600.0 s (60.00 min)",
                                        "I_rms        = 2.000 A",
                                        "V_rms        = 3.500 V",
                                        "P_mean       = 7.00 W (0.007 kW)",
                                        "P_peak       = 7.00 W (0.007 kW)",
                                        "S (kVA)      = 0.007 kVA",
                                        "PowerFactor  = 1.000",
                                        "",
                                        "Delivered E  = 7.000 Wh",
                                        "Ohmic Loss   = 0.060 Wh (mean 0.06 W)",
                                        "Efficiency   = 99.15 %",
                                    }));
  EXPECT_EQ(Lines("MemoSimStats2"), std::vector<std::string>{"Run CC/CV first to set baseline"});

  const TPdfMetrics& m = form_.FLastMetrics;
  EXPECT_EQ(m.SEI_nm, 10.1235);
  EXPECT_EQ(m.CE1_pct, -1.0);
  EXPECT_EQ(m.t_done_min, -1.0 / 60);
  EXPECT_NEAR(m.Q_Ah, 2.0, 1e-12);
  EXPECT_NEAR(m.SOC_pct, 40.0, 1e-9);
  EXPECT_EQ(m.CellType, "LFP_21700 5Ah");
  EXPECT_EQ(m.Temp_C, 25.0);
}

TEST_F(RunMetricsTest, StateOfChargeAndFirstCycleEfficiencyFollowTheChargeAndDischarge) {
  struct Case {
    const char* what;
    std::function<double(int)> I;
    double soc, ce1;
    const char* ce1Line;
  } cases[] = {
      {"2 Ah into 5 Ah", [](int) { return 2.0; }, 40, -1, "CE1 = N/A (formation only, no discharge)"},
      {"6 Ah into 5 Ah", [](int) { return 6.0; }, 100, -1, "CE1 = N/A (formation only, no discharge)"},
      {"net discharge", [](int) { return -2.0; }, -40, -1, "CE1 = N/A (formation only, no discharge)"},
      {"charge then 95 % back", [](int i) { return i <= 500 ? 2.0 : -1.9; }, 1, 95, "CE1 = 95.0 %"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Chart(1001, 3600, c.I, [](int) { return 3.3; });
    form_.ComputeRealMetrics();
    EXPECT_NEAR(form_.FLastSOC_pct, c.soc, 1e-9);
    EXPECT_NEAR(form_.FLastCE1_pct, c.ce1, 1e-9);
    EXPECT_NEAR(form_.FLastMetrics.CE1_pct, c.ce1, 1e-9);
    EXPECT_EQ(Lines("MemoChemMetrics")[7], c.ce1Line);
  }
}

TEST_F(RunMetricsTest, SeiOverItsTargetLeavesNoPerformance) {
  form_.FChemP.x0_nm = 0;
  form_.FChemP.xTarget_nm = 50;
  form_.FSimOut.SEI_nm = {60};
  TwoAmpsFor(3600);
  form_.ComputeRealMetrics();
  EXPECT_EQ(Lines("MemoChemMetrics")[10], "Perf= 0.0");
  EXPECT_EQ(form_.FLastMetrics.SEI_nm, 60.0);
}

TEST_F(RunMetricsTest, SeiEstimateSlowsBelowThePlatingThreshold) {
  struct Case {
    double volts;
    bool seiModel;
    double share;  // of the charge that counts for SEI
  } cases[] = {{3.5, true, 1.0}, {2.5, true, 0.1}, {2.5, false, 1.0}};
  form_.FChemP.Cth_JpK = 0;  // no temperature rise: the gains are exact
  for (const Case& c : cases) {
    if (!c.seiModel) form_.GChem->FSeiModel = nullptr;
    TwoAmpsFor(3600, c.volts);
    form_.ComputeRealMetrics();
    EXPECT_NEAR(form_.FLastDeliveredAh, 2.0 * c.share, 1e-12) << c.volts << " V";
    EXPECT_NEAR(form_.FLastSEI_nm, 8.0 * c.share, 1e-12) << c.volts << " V";
  }
  form_.GChem = nullptr;  // no chemistry document: no SEI estimate
  TwoAmpsFor(3600);
  form_.ComputeRealMetrics();
  EXPECT_EQ(form_.FLastDeliveredAh, 0.0);
}

TEST_F(RunMetricsTest, ThermalModelNeedsATimeConstant) {
  form_.FChemP.Cth_JpK = 0;
  TwoAmpsFor(3600);
  form_.ComputeRealMetrics();
  EXPECT_EQ(Lines("MemoChemMetrics")[3], "T(t): 25.000 °C (no thermal model)");
  form_.FChemP.Cth_JpK = 60;
  form_.FChemP.R0 = 0;  // a time constant but no loss: the cell stays at ambient
  form_.ComputeRealMetrics();
  EXPECT_EQ(Lines("MemoChemMetrics")[3], "T(t): mean≈25.000 °C, min=25.000 °C, max=25.000 °C");
}

TEST_F(RunMetricsTest, TooFewPointsOrNoTimeStepLeaveEverythingAsItWas) {
  f().SetLines("MemoChemMetrics", {"kept"});
  f().SetLines("MemoSimStats1", {"kept"});
  form_.FLastSOC_pct = 12;
  Chart(2, 10, [](int) { return 2.0; }, [](int) { return 3.5; });
  form_.FSerSimI->Clear();
  form_.FSerSimI->Add(5, 2.0);
  form_.FSerSimI->Add(5, 2.0);  // equal times: no sample rate
  form_.ComputeRealMetrics();
  form_.FSerSimV->Clear();
  form_.ComputeRealMetrics();  // fewer than 2 samples
  EXPECT_EQ(Lines("MemoChemMetrics"), std::vector<std::string>{"kept"});
  EXPECT_EQ(Lines("MemoSimStats1"), std::vector<std::string>{"kept"});
  EXPECT_EQ(form_.FLastSOC_pct, 12.0);
}

TEST_F(RunMetricsTest, TheChemistryMemoKeepsAtMost201Lines) {
  f().SetLines("MemoChemMetrics", std::vector<std::string>(205, "old"));
  form_.MemoAddSafe("new");
  EXPECT_EQ(Lines("MemoChemMetrics").size(), 201u);
  EXPECT_EQ(Lines("MemoChemMetrics").back(), "new");
  form_.MemoAddSafe("newer");
  EXPECT_EQ(Lines("MemoChemMetrics").size(), 201u);  // 200 kept, one added

  TwoAmpsFor(3600);
  form_.ComputeRealMetrics();
  EXPECT_EQ(Lines("MemoChemMetrics").size(), 18u);  // cleared first: exactly the lines of the run
  EXPECT_EQ(Lines("MemoChemMetrics")[0], "--- Real Chemistry Metrics [LFP_21700] ---");
}

TEST_F(RunMetricsTest, APatternRunIsComparedWithTheCcCvBaseline) {
  // The CC-CV run: 20 nm, stabilised at 50 min, 95 % back.
  form_.FLastPatType = "CC_CV";
  form_.FSimOut.SEI_nm = {20};
  form_.FSimOut.t_done_s = 3000;
  Chart(1001, 3600, [](int i) { return i <= 500 ? 2.0 : -1.9; }, [](int) { return 3.3; });
  form_.ComputeRealMetrics();
  EXPECT_TRUE(form_.FBaseline_valid);

  // The pattern run: 15 nm, stabilised at 30 min, 93 % back.
  form_.FLastPatType = "sinusoidal";
  form_.FSimOut = TSimOutputs{};
  form_.FSimOut.SEI_nm = {15};
  form_.FSimOut.t_done_s = 1800;
  Chart(1001, 3600, [](int i) { return i <= 500 ? 2.0 : -1.86; }, [](int) { return 3.3; });
  form_.ComputeRealMetrics();
  EXPECT_EQ(Lines("MemoSimStats2"), (std::vector<std::string>{
                                        "=== HX vs CC/CV Comparison ===",
                                        "",
                                        "Metric            CC/CV       HX",
                                        "--------------------------------",
                                        "SEI (nm)           20.0     15.0",
                                        "CE1 (%)            95.0     93.0",
                                        "t-done (min)         50       30",
                                        "",
                                        "--- Gains ---",
                                        "Time saved     : 20 min (40.0%)",
                                        "Throughput     : 1.67x more cells/hr",
                                        "SEI quality    : 25.0% thinner",
                                        "CE1 gain       : +-2.0%",
                                    }));
  EXPECT_EQ(Lines("MemoChemMetrics").back(), "SEI done = 30.0 min");  // stabilised: no warning
  EXPECT_EQ(form_.FBaseline_SEI_nm, 20.0);  // a pattern run does not replace the baseline
}

TEST_F(RunMetricsTest, CellTypeFromTheChemistryOrItsFileName) {
  struct Case {
    const char* chemistry;  // nullptr: no chemistry document
    const char* file;
    const char* cellType;
    const char* header;
  } cases[] = {
      {"NMC811_21700", "", "NMC811_21700 4.9Ah", "--- Real Chemistry Metrics [NMC811_21700] ---"},
      {nullptr, "C:\\cells\\NCA_18650.hxchem", "NCA_18650", "--- Real Chemistry Metrics [LFP] ---"},
      {nullptr, "", "Unknown", "--- Real Chemistry Metrics [LFP] ---"},
      {"", "lto/LTO_20Ah.hxchem", "LTO_20Ah", "--- Real Chemistry Metrics [] ---"},
  };
  for (const Case& c : cases) {
    if (c.chemistry) {
      form_.GChem = TChemRoot::CreateDefaultLFP();
      form_.GChem->FChemistry = c.chemistry;
      form_.GChem->FCell->FCapacityAh = 4.85;
    } else {
      form_.GChem = nullptr;
    }
    f().SetText("edChemFile", c.file);
    TwoAmpsFor(3600);
    form_.ComputeRealMetrics();
    EXPECT_EQ(form_.FLastMetrics.CellType, c.cellType);
    EXPECT_EQ(Lines("MemoChemMetrics")[0], c.header);
  }
}

}  // namespace
}  // namespace voltaris
