// A formation run from Start to its end: the session and documents, the batch SEI half,
// the figures of the finished run, Stop, Reset Memory and the pieces of the batch half.
#include <gtest/gtest.h>

#include "layout_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "automation/script_runner.h"
#include "common/number_format.h"
#include "run/run_preparation.h"
#include "workspace/hx_facade.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;

std::string Format(const char* format, double a, double b) {
  char buf[128];
  std::snprintf(buf, sizeof buf, format, a, b);
  return buf;
}

class RunPreparationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.FormCreate();
    RestoreLayoutValues(f());  // the layout's inputs, whatever session the workspace restored
  }
  FormModel& f() { return form_.Form(); }
  const std::vector<std::string>& Lines(const char* memo) { return f().Get(memo).Lines(); }
  int Run(const std::string& script) { return runner_.RunText(script); }

  RecordingPlatform platform_;
  TFormPreview form_{platform_};
  HeadlessHost host_{form_, platform_};
  ScriptRunner runner_{form_, platform_, host_};
};

TEST_F(RunPreparationTest, ARunOnEachPatternPageEndsWithItsFigures) {
  struct Case {
    const char* page;
    const char* type;
    double hxFactor;
    const char* patternLine;
  } cases[] = {
      {"TsSine", "sinusoidal", 0.71624880, "Pattern: sinusoidal | I=[0.40..2.00]A | f=5.000Hz"},
      {"TsSuper", "superpulse", 0.68574900, "Pattern: superpulse | I=[1.00..3.00]A | f=5.000Hz"},
      {"TsTrap", "ramped_square", 0.34990891, "Pattern: ramped_square | I=[3.00..5.00]A | f=4.545Hz"},
      {"TsGaussian", "gaussian", 0.69817410, "Pattern: gaussian | I=[2.00..5.00]A | f=5.000Hz"},
      {"tsCC_CV", "cc_cv", 0.0, "Pattern: cc_cv | I=[0.00..2.50]A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    ASSERT_EQ(Run(std::string("page PcParams ") + c.page + "\nclick btnStart\n"), 0);
    const Json start = runner_.Dump(false)["state"];
    // Batch half: the 1 Hz reference wave of the hour taken whole as the chemistry wave.
    EXPECT_EQ(start["FLastPatType"], c.type);
    EXPECT_NEAR(start["FChemP"]["HxFactor"].get<double>(), c.hxFactor, 1e-8);
    EXPECT_EQ(start["FChemFs"], 1.0);
    EXPECT_EQ(start["FChemWaveLength"], 3600);
    EXPECT_EQ(start["FSimOut"]["SEI_nm"]["length"], 3600);
    const double batchSei = start["FSimOut"]["SEI_nm"]["last"].get<double>();
    EXPECT_GT(batchSei, start["FChemP"]["x0_nm"].get<double>());

    ASSERT_EQ(Run("run-to-end\n"), 0);
    const Json d = runner_.Dump(false);
    const Json& m = d["state"]["FLastMetrics"];
    EXPECT_FALSE(d["state"]["FIsRunning"].get<bool>());
    EXPECT_EQ(m["PatternName"], c.type);
    EXPECT_DOUBLE_EQ(m["SEI_nm"].get<double>(), std::nearbyint(batchSei * 10000) / 10000);
    EXPECT_EQ(m["CE1_pct"], -1.0);  // formation only: no discharge
    EXPECT_DOUBLE_EQ(m["t_done_min"].get<double>(), -1.0 / 60);
    EXPECT_EQ(m["HxFactor"], start["FChemP"]["HxFactor"]);
    EXPECT_EQ(m["CellType"], "LFP_21700 5Ah");
    EXPECT_EQ(m["Temp_C"], 25.0);
    EXPECT_GT(m["SOC_pct"].get<double>(), 0.0);
    EXPECT_LE(m["SOC_pct"].get<double>(), 100.0);

    const auto& chem = Lines("MemoChemMetrics");
    ASSERT_EQ(chem.size(), 18u);
    EXPECT_EQ(chem[0], "--- Real Chemistry Metrics [LFP_21700] ---");
    EXPECT_EQ(chem[1].rfind("I(t): mean=", 0), 0u);
    EXPECT_EQ(chem[3].rfind("T(t): mean≈", 0), 0u);
    EXPECT_EQ(chem[4], Format("Delivered Q = %.3f Ah", m["Q_Ah"].get<double>(), 0));
    EXPECT_EQ(chem[5], Format("Delivered E = %.3f Wh", m["E_Wh"].get<double>(), 0));
    EXPECT_EQ(chem[6], Format("SEI = %.1f nm", batchSei, 0));
    EXPECT_EQ(chem[7], "CE1 = N/A (formation only, no discharge)");
    EXPECT_EQ(chem[9], Format("SOC = %.1f %%", m["SOC_pct"].get<double>(), 0));
    EXPECT_EQ(chem[16], "SEI done = not stabilized");
    EXPECT_EQ(chem[17], "! SEI not stabilized in 60 min -- increase duration!");

    const auto& energy = Lines("MemoSimStats1");
    ASSERT_EQ(energy.size(), 16u);  // the figures, then the two lines of the 3D SEI view
    EXPECT_EQ(energy[13], "");
    EXPECT_EQ(energy[14].rfind("# SEI 3D [", 0), 0u) << energy[14];
    EXPECT_EQ(energy[15].rfind("  b=", 0), 0u) << energy[15];
    EXPECT_EQ(energy[0], "--- Energy / Power Summary ---");
    EXPECT_EQ(energy[1], c.patternLine);
    EXPECT_EQ(energy[2], "Duration     = 3600.0 s (60.00 min)");
    EXPECT_EQ(energy[9], "");
    EXPECT_EQ(energy[10], Format("Delivered E  = %.3f Wh", m["E_Wh"].get<double>(), 0));

    // The closing SEI simulation runs over the chart's current at the chart's own rate, so
    // it passes the same charge as the figures.
    const Json& out = d["state"]["FSimOut"];
    EXPECT_EQ(out["SEI_nm"]["length"], form_.FSerSimI->Count());
    EXPECT_NEAR(out["Q_Ah"].get<double>(), m["Q_Ah"].get<double>(), 0.01 * m["Q_Ah"].get<double>());
  }
}

// At a 1 ms response time a Start reads a hundredth of the 3.6 million samples of its
// reference wave; the mean its first memo line gives is still the one that all of them
// summed in order give, on every pattern page.
TEST_F(RunPreparationTest, TheStartLineGivesTheMeanOfEverySampleOnEveryPage) {
  f().SetText("edtFs", "1");
  for (const char* page : {"TsSine", "TsSuper", "TsTang", "TsParab", "TsBezier", "TsTri", "TsTrap", "TsSigmoid",
                           "TsGaussian", "TsDamped", "TsExp", "TsCustom", "tsCC_CV"}) {
    SCOPED_TRACE(page);
    ASSERT_EQ(Run(std::string("page PcParams ") + page + "\nclick btnStart\n"), 0);
    const std::vector<double> samples = form_.FWave.Samples();
    ASSERT_EQ(samples.size(), 3'600'000u);
    double sum = 0;
    for (double x : samples) sum += x;
    EXPECT_EQ(form_.FWave.MeanText(), FormatFloat("0.###", sum / static_cast<double>(samples.size())));
    ASSERT_EQ(Run("click btnStop\n"), 0);
  }
}

TEST_F(RunPreparationTest, APatternRunIsComparedWithTheLastCcCvRun) {
  ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\nrun-to-end\n"), 0);
  EXPECT_EQ(Lines("MemoSimStats2"), std::vector<std::string>{"Run CC/CV first to set baseline"});
  EXPECT_FALSE(runner_.Dump(false)["state"]["FBaseline_valid"].get<bool>());

  ASSERT_EQ(Run("page PcParams tsCC_CV\nclick btnStart\nrun-to-end\n"), 0);
  const TPdfMetrics cccv = form_.FLastMetrics;
  ASSERT_EQ(Run("page PcParams TsGaussian\nclick btnStart\nrun-to-end\n"), 0);
  const TPdfMetrics hx = form_.FLastMetrics;
  EXPECT_TRUE(runner_.Dump(false)["state"]["FBaseline_valid"].get<bool>());
  const double tSaved = cccv.t_done_min - hx.t_done_min;
  const std::vector<std::string> expected{
      "=== HX vs CC/CV Comparison ===",
      "",
      "Metric            CC/CV       HX",
      "--------------------------------",
      Format("SEI (nm)       %8.1f %8.1f", cccv.SEI_nm, hx.SEI_nm),
      Format("CE1 (%%)        %8.1f %8.1f", cccv.CE1_pct, hx.CE1_pct),
      Format("t-done (min)   %8.0f %8.0f", cccv.t_done_min, hx.t_done_min),
      "",
      "--- Gains ---",
      Format("Time saved     : %.0f min (%.1f%%)", tSaved, tSaved * 100 / cccv.t_done_min),
      Format("Throughput     : %.2fx more cells/hr", cccv.t_done_min / std::max(hx.t_done_min, 1.0), 0),
      Format("SEI quality    : %.1f%% thinner",
             std::nearbyint((cccv.SEI_nm - hx.SEI_nm) * 100 / cccv.SEI_nm * 10000) / 10000, 0),
      Format("CE1 gain       : +%.1f%%", hx.CE1_pct - cccv.CE1_pct, 0),
  };
  EXPECT_EQ(Lines("MemoSimStats2"), expected);
}

TEST_F(RunPreparationTest, PatternOverridesAndTheFormationFactorFollowThePage) {
  // The sine example: r = 0.2, f = 3 Hz, crest 1.41.
  f().SetText("EdSineF", "3");
  ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\n"), 0);
  EXPECT_NEAR(form_.FChemP.HxFactor, 0.6147, 5e-5);
  ASSERT_TRUE(form_.FPat && form_.FPat->FPattern);
  EXPECT_FALSE(form_.FPat->FPattern->FZeroBased);
  EXPECT_EQ(form_.FPat->FPattern->FPulse->FFreqHz, 3.0);

  // A trapezoid without duration: a 1 ms period, no duty.
  for (const char* e : {"EdTrapRise", "EdTrapTopMs", "EdTrapFall"}) f().SetText(e, "0");
  f().SetText("EdTrapBottomMs", "-5");
  ASSERT_EQ(Run("page PcParams TsTrap\nclick btnStart\n"), 0);
  const TPatternBody& trap = *form_.FPat->FPattern;
  EXPECT_EQ(trap.FPulse->FFreqHz, 1000.0);
  EXPECT_EQ(trap.FPulse->FDutyPct, 0.0);
  EXPECT_EQ(trap.FRamp->FUpS, 0.0);
  EXPECT_EQ(trap.FRamp->FShape, "smooth");

  // The Gaussian page: duration, centre and width of the pulse.
  f().SetText("EdGauDur", "250");
  ASSERT_EQ(Run("page PcParams TsGaussian\nclick btnStart\n"), 0);
  const TPatternBody& gauss = *form_.FPat->FPattern;
  EXPECT_EQ(gauss.FPulse->FFreqHz, 4.0);
  EXPECT_EQ(gauss.FPulse->FCenter, 0.5);
  EXPECT_EQ(gauss.FPulse->FSigma, 0.18);
}

TEST_F(RunPreparationTest, TheChemistryWaveSpansTheRunWhateverTheResponseTime) {
  struct Case {
    const char* responseMs;
    double chemFs;
  } cases[] = {{"1000", 1}, {"100", 10}, {"2500", 1}};  // a 0.4 Hz wave is taken at 1 Hz
  for (const Case& c : cases) {
    SCOPED_TRACE(c.responseMs);
    f().SetText("edtFs", c.responseMs);
    ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\n"), 0);
    EXPECT_EQ(form_.FChemFs, c.chemFs);
    EXPECT_NEAR(form_.FChemWave.size() / c.chemFs, 3600.0, 3.0);
    ASSERT_GT(form_.FSerSimSEI->Count(), 0u);
    EXPECT_NEAR(form_.FSerSimSEI->X(form_.FSerSimSEI->Count() - 1), 3600.0, 3.0);
    f().UserClick("btnStop");
  }
}

// A Bezier pattern of 400 numbers (200 control points) under 5,000 current steps, every one
// of them started within the run: the run goes from Start to its end in seconds, with
// finite figures. (Each live step follows only the steps of the last few time constants,
// and the curve's cost does not grow with the steps.)
TEST_F(RunPreparationTest, ThousandsOfCurrentStepsAndHundredsOfBezierNumbersRunToTheEnd) {
  std::string points, steps;
  for (int i = 0; i < 200; ++i)
    points += std::to_string(i) + "," + std::to_string(0.5 + 0.5 * std::sin(i * 0.37)) + " ";
  for (int i = 0; i < 5000; ++i)  // every 60 ms of a 5-minute run, within 10 s time constants
    steps += std::to_string(5.0 * i / 5000) + "," + std::to_string(1.0 + (i % 7) * 0.4) + ";";
  f().SetText("EdBezPoints", points);
  f().SetText("edtIStep", steps);
  f().SetText("edtFs", "10");     // a 10 ms step: 30 000 live steps
  f().SetText("EdTotalMs", "5");  // minutes
  ASSERT_EQ(Run("page PcParams TsBezier\nclick btnStart\nrun-to-end\n"), 0);
  EXPECT_TRUE(platform_.messages.empty());
  EXPECT_FALSE(form_.FIsRunning);
  EXPECT_NEAR(form_.FSimT, 300.0, 0.1);
  const Json m = runner_.Dump(false)["state"]["FLastMetrics"];
  EXPECT_EQ(m["PatternName"], "bezier");
  EXPECT_TRUE(std::isfinite(m["SEI_nm"].get<double>()));
  EXPECT_GT(m["SEI_nm"].get<double>(), 0.0);
  for (const char* memo : {"MemoChemMetrics", "MemoSimStats1", "MemoSimStats2"})
    for (const std::string& line : Lines(memo)) {
      EXPECT_EQ(line.find("nan"), std::string::npos) << line;
      EXPECT_EQ(line.find("inf"), std::string::npos) << line;
    }
}

TEST(FormationFactor, CrestFactorLevelsAndFrequencyOfThePattern) {
  struct Case {
    const char* type;
    bool levels, pulse;
    double lo, hi, hx;
  } cases[] = {
      {"CC_CV", true, true, 0.4, 2, 0.0},
      {" Sinusoidal ", true, true, 0.4, 2, 0.71624880},  // r = 0.2, f = 5 Hz, crest 1.41
      {"damped_sine", true, true, 2, 5, 0.57667410},     // the damped sine's crest 1.6
      {"sigmoid", true, true, 2, 5, 0.52267410},         // any other shape: 1.2
      {"sigmoid", false, true, 2, 5, 0.85312350},        // no levels: r = 0
      {"sigmoid", true, false, 2, 5, 0.027},             // no pulse: f = 0, the crest term only
      {"sigmoid", true, true, 0.00004, 0.00004, 0.85312350},  // levels round to 0: r = 0 / 0.001
  };
  for (const Case& c : cases) {
    TPatternRoot p;
    p.FPattern->FType = c.type;
    p.FPattern->FLevels->FILowA = c.lo;
    p.FPattern->FLevels->FIHighA = c.hi;
    p.FPattern->FPulse->FFreqHz = 7;  // at most 5 Hz counts
    if (!c.levels) p.FPattern->FLevels = nullptr;
    if (!c.pulse) p.FPattern->FPulse = nullptr;
    EXPECT_NEAR(PatternHxFactor(p), c.hx, 1e-8) << c.type << " levels " << c.levels << " pulse " << c.pulse;
  }
  TPatternRoot noBody;
  noBody.FPattern = nullptr;
  EXPECT_EQ(PatternHxFactor(noBody), 0.0);
}

TEST(ChemistryWave, CurrentStepsScaleByTheFixedPointMean) {
  const std::vector<TStepPt> steps{{0, 2.0}};
  std::vector<double> wave{1.00006, 1.00006};  // sums 10001, 20002 in 1e-4 A: mean 1.0001
  ScaleByCurrentSteps(wave, 1, steps, 10, 10);
  EXPECT_DOUBLE_EQ(wave[0], 1.00006 * 2.0 / 1.0001);
  std::vector<double> quiet{0.001, -0.001, 0.001};
  ScaleByCurrentSteps(quiet, 1, steps, 10, 10);
  EXPECT_EQ(quiet, (std::vector<double>{0.001, -0.001, 0.001}));  // mean of 1 mA: untouched
}

TEST(ChemistryWave, VoltageScheduleScalesByTheStepInForce) {
  const std::vector<TVStep> sched{{5, 3.0}, {10, 3.5}, {20, 35.0}};
  std::vector<double> wave(1500, 1.0);  // 25 minutes at 1 Hz
  ScaleByVoltageSchedule(wave, 1, sched, 3.5);
  EXPECT_DOUBLE_EQ(wave[0], 3.0 / 3.5);    // before the first step: the first step's voltage
  EXPECT_DOUBLE_EQ(wave[299], 3.0 / 3.5);
  EXPECT_DOUBLE_EQ(wave[600], 1.0);        // from 10 minutes
  EXPECT_DOUBLE_EQ(wave[1200], 1.5);       // limited to 1.5
}

TEST_F(RunPreparationTest, StopRecomputesTheWholeRunAndDrawsTheTemperature) {
  ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\ntick 10\nclick btnStop\n"), 0);
  EXPECT_FALSE(form_.FIsRunning);
  EXPECT_EQ(form_.FCurrSim.size(), 3601u);  // the set-point at 1 Hz over the hour
  EXPECT_EQ(form_.FSimOut.SEI_nm.size(), 3601u);
  EXPECT_EQ(form_.FSimOut.V.size(), 3600u);  // the batch voltage stays
  EXPECT_GE(form_.FSimOut.psiHX_wear, 0.75);
  EXPECT_LE(form_.FSimOut.psiHX_wear, 1.0);
  EXPECT_EQ(Lines("MemoChemMetrics")[0], "--- Real Chemistry Metrics [LFP_21700] ---");

  ChartModel& chT = f().Chart("chT");
  const SeriesModel* temp = chT.FindSeries("serTemp");
  ASSERT_NE(temp, nullptr);
  ASSERT_EQ(temp->Count(), 3601u);
  EXPECT_DOUBLE_EQ(temp->X(3600), 60.0);  // minutes, at the 1 Hz rate of the samples
  EXPECT_EQ(chT.bottom.title, "Time (min)");
  EXPECT_EQ(chT.bottom.valueFormat, "0.0");
  EXPECT_DOUBLE_EQ(chT.bottom.maximum, 60.0);
  EXPECT_EQ(chT.left.title, "Temp (°C)");

  // The next Start's temperature axis counts seconds again: no minutes title or format left over.
  ASSERT_EQ(Run("click btnStart\n"), 0);
  EXPECT_DOUBLE_EQ(chT.bottom.maximum, form_.FTotalSecs);
  EXPECT_EQ(chT.bottom.title, "");
  EXPECT_EQ(chT.bottom.valueFormat, "");
}

TEST_F(RunPreparationTest, EachStartForgetsTheCurrentOfTheLastRun) {
  ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\nclick btnStop\n"), 0);
  ASSERT_EQ(form_.FCurrSim.size(), 3601u);
  // A shorter run that ends by time simulates its own current, not the hour before.
  f().SetText("EdTotalMs", "30");
  ASSERT_EQ(Run("click btnStart\n"), 0);
  form_.FinishRun();
  EXPECT_EQ(form_.FCurrSim.size(), form_.FSerSimI->Count());
  EXPECT_DOUBLE_EQ(form_.FCurrSimFs, (form_.FSerSimI->Count() - 1) / 1800.0);

  // Ten hours on 25000 chart points is slower than 1 Hz: resampled to 1 Hz.
  f().SetText("EdTotalMs", "600");
  ASSERT_EQ(Run("click btnStart\n"), 0);
  form_.FinishRun();
  EXPECT_EQ(form_.FCurrSimFs, 1.0);
  EXPECT_EQ(form_.FSimOut.SEI_nm.size(), 36001u);
}

TEST_F(RunPreparationTest, TheLiveRunEndsOnceSeiHasStabilised) {
  // At 1 mA the SEI hardly grows: stabilised at the first check (120 s).
  f().SetText("EdSineMin", "0.001");
  f().SetText("EdSineMax", "0.001");
  f().SetText("edtIStep", "");
  ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\n"), 0);
  EXPECT_EQ(form_.FSimOut.t_done_s, 120.0);
  ASSERT_NE(form_.FSerSEIDone, nullptr);
  ASSERT_EQ(form_.FSerSEIDone->Count(), 2u);
  EXPECT_EQ(form_.FSerSEIDone->X(0), 120.0);
  EXPECT_EQ(form_.FSerSEIDone->Y(1), f().Chart("chSim").left.maximum);
  EXPECT_EQ(form_.FSerSEIDone->title, "SEI Done");

  ASSERT_EQ(Run("run-to-end\n"), 0);
  EXPECT_FALSE(form_.FIsRunning);
  EXPECT_GE(form_.FSimT, 300.0);  // never before 5 minutes
  EXPECT_LT(form_.FSimT, 310.0);
  const auto& chem = Lines("MemoChemMetrics");
  EXPECT_EQ(chem.back(), "SEI done = 2.0 min");
  EXPECT_EQ(Lines("MemoSimStats1")[2], "Duration     = 3600.0 s (60.00 min)");  // the whole protocol
}

TEST_F(RunPreparationTest, ResetMemoryRecomputesOnceThenClearsTheRun) {
  // The 3D view's updates show as surface scripts sent to the (recording) browser, its
  // clearing as placeholder titles.
  const std::vector<std::string>& scripts = platform_.browser.scripts;
  auto count = [&](const std::string& part) {
    return std::count_if(scripts.begin(), scripts.end(),
                         [&](const std::string& s) { return s.find(part) != std::string::npos; });
  };
  const auto updatesBefore = count("colorscale");
  ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\n"), 0);
  EXPECT_FALSE(form_.sei3d.FSEI3DReady);
  form_.FinishRun();
  EXPECT_EQ(count("colorscale") - updatesBefore, 1);
  EXPECT_EQ(form_.sei3d.FSEI3DHistory.size(), 1u);

  ASSERT_EQ(Run("click btnReset\n"), 0);
  EXPECT_EQ(count("colorscale") - updatesBefore, 2);  // the whole-run SEI, once more
  EXPECT_EQ(form_.FCurrSim.size(), 3601u);  // ...of the hour just run
  EXPECT_TRUE(form_.FSimOut.SEI_nm.empty());
  EXPECT_EQ(form_.FTotalSecs, 0.0);
  EXPECT_FALSE(form_.FSim);
  EXPECT_EQ(form_.FLastCE1_pct, -1.0);
  for (const char* memo : {"MemoChemMetrics", "MemoSimStats1", "MemoSimStats2"}) EXPECT_TRUE(Lines(memo).empty());
  EXPECT_EQ(form_.FSerI->Count(), 0u);
  EXPECT_TRUE(form_.waveform.schedules.FCCIStepsValid);
  EXPECT_TRUE(form_.sei3d.FSEI3DHistory.empty());  // forgotten
  EXPECT_FALSE(form_.sei3d.FSEI3DReady);
  if (!form_.sei3d.FPlotlyTempDir.empty()) {  // a loaded page shows its placeholder
    EXPECT_NE(scripts.back().find("text:\"Run simulation to see SEI 3D surface\""), std::string::npos);
    EXPECT_GE(count("text:\"Running simulation...\""), 1);
  }
}

TEST_F(RunPreparationTest, LookingThroughThePatternPagesKeepsTheRunOnChSim) {
  // A run stopped without looking at other pages: the figures to compare with.
  ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\ntick 20\nclick btnStop\n"), 0);
  const Json plainMetrics = form_.LastMetricsJson();
  const std::vector<std::string> plainChem = Lines("MemoChemMetrics");
  const std::vector<std::string> plainStats = Lines("MemoSimStats1");
  ASSERT_GT(plainChem.size(), 5u);

  // The same run, looked through while it plays: its current and voltage stay on chSim
  // and Stop computes the same figures from them.
  ASSERT_EQ(Run("click btnStart\ntick 20\n"), 0);
  const size_t points = form_.FSerSimI->Count();
  ASSERT_GT(points, 1u);
  ASSERT_EQ(Run("page PcParams TsSuper\npage PcParams tsCC_CV\n"), 0);
  EXPECT_EQ(form_.FSerSimI->Count(), points);
  EXPECT_EQ(form_.FSerSimV->Count(), points);
  ASSERT_EQ(Run("page PcParams TsSine\nclick btnStop\n"), 0);
  EXPECT_EQ(form_.LastMetricsJson(), plainMetrics);
  EXPECT_EQ(Lines("MemoChemMetrics"), plainChem);
  EXPECT_EQ(Lines("MemoSimStats1"), plainStats);

  // Stopped while another page shows: the figures of the run's own current and voltage.
  ASSERT_EQ(Run("click btnStart\ntick 20\npage PcParams TsGaussian\nclick btnStop\n"), 0);
  const std::vector<std::string>& chem = Lines("MemoChemMetrics");
  ASSERT_GT(chem.size(), 5u);
  for (size_t i = 1; i <= 5; ++i) EXPECT_EQ(chem[i], plainChem[i]) << i;  // I, V, T, Q, E
  EXPECT_DOUBLE_EQ(form_.FLastMetrics.Q_Ah, plainMetrics["Q_Ah"].get<double>());
  EXPECT_DOUBLE_EQ(form_.FLastMetrics.E_Wh, plainMetrics["E_Wh"].get<double>());

  // After the stop, and after a run that ended by time, the pages may be looked through.
  ASSERT_EQ(Run("page PcParams TsTrap\npage PcParams TsSine\n"), 0);
  EXPECT_EQ(form_.FSerSimI->Count(), points);
  f().SetText("EdTotalMs", "2");
  ASSERT_EQ(Run("click btnStart\nrun-to-end\n"), 0);
  ASSERT_FALSE(form_.FIsRunning);
  const size_t finished = form_.FSerSimI->Count();
  ASSERT_GT(finished, 1u);
  ASSERT_EQ(Run("page PcParams TsSuper\n"), 0);
  EXPECT_EQ(form_.FSerSimI->Count(), finished);

  // After Reset Memory no run is left: a page switch clears chSim's traces as before.
  ASSERT_EQ(Run("page PcParams TsSine\nclick btnReset\n"), 0);
  form_.FSerSimI->Add(0, 1);
  form_.FSerSimV->Add(0, 3);
  form_.FWave = TReferenceWave({1.0, 2.0});
  ASSERT_EQ(Run("page PcParams TsSuper\n"), 0);
  EXPECT_EQ(form_.FSerSimI->Count(), 0u);
  EXPECT_EQ(form_.FSerSimV->Count(), 0u);
}

TEST_F(RunPreparationTest, ResetMemoryLeavesNothingOfTheRunOnTheCharts) {
  // At 1 mA the SEI stabilises at once: the run has its "SEI Done" line on chSim.
  f().SetText("EdSineMin", "0.001");
  f().SetText("EdSineMax", "0.001");
  f().SetText("edtIStep", "");
  ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\ntick 20\nclick btnStop\n"), 0);
  ASSERT_NE(form_.FSerSEIDone, nullptr);
  ASSERT_NE(form_.FSerSOCMark, nullptr);
  // What the run left on chSEI, chSim and chOCV.
  ASSERT_GT(form_.FSerSEIRate->Count(), 0u);
  ASSERT_EQ(form_.FSerSEIDone->Count(), 2u);
  ASSERT_EQ(form_.FSerSOCMark->Count(), 1u);
  ASSERT_GT(form_.FSerOCV->Count(), 0u);

  ASSERT_EQ(Run("click btnReset\n"), 0);
  struct Left {
    const char* what;
    const SeriesModel* series;
  } left[] = {
      {"dSEI/dt on chSEI", form_.FSerSEIRate}, {"SEI on chSEI", form_.FSerSEI},
      {"SEI Done on chSim", form_.FSerSEIDone}, {"SOC marker on chOCV", form_.FSerSOCMark},
      {"OCV curve", form_.FSerOCV},             {"current on chSim", form_.FSerSimI},
      {"current on chI", form_.FSerI},
  };
  for (const Left& l : left) EXPECT_EQ(l.series->Count(), 0u) << l.what;

  // Stopped again and started anew: the next Start shows no marker of the old run without
  // its curve.
  f().SetText("EdSineMin", "0.4");
  f().SetText("EdSineMax", "2");
  ASSERT_EQ(Run("click btnStart\ntick 20\nclick btnStop\nclick btnStart\n"), 0);
  EXPECT_EQ(form_.FSerSOCMark->Count(), 0u);
  EXPECT_EQ(form_.FSerOCV->Count(), 0u);
}

TEST_F(RunPreparationTest, TheRunChemistryComesFromItsDocumentOrTheBuiltInLfp) {
  const fs::path dir = fs::path(::testing::TempDir()) / "run_chem";
  fs::create_directories(dir);
  std::ofstream(dir / "empty.hxchem").close();
  std::ofstream(dir / "broken.hxchem") << "{not json";
  std::ofstream(dir / "nmc.hxchem")
      << R"({"schema":"hx-chem-1.0","chemistry":"NMC811_21700","cell":{"capacity_ah":4.8,"nominal_v":3.63}})";

  // The panel's cell entries (5 Ah) go into the run's document either way.
  struct Case {
    std::string file;
    const char* chemistry;
    double vmin, xTarget;
    bool loaded;
  } cases[] = {
      {(dir / "missing.hxchem").string(), "LFP_21700", 2.8, 115, false},  // the built-in LFP set
      {(dir / "empty.hxchem").string(), "LFP_21700", 2.8, 115, false},
      {(dir / "nmc.hxchem").string(), "NMC811_21700", 2.5, 60, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    form_.FLastZaruVedh = c.file;
    ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\n"), 0);
    EXPECT_TRUE(form_.FIsRunning);
    EXPECT_EQ(form_.FRunChemLoaded, c.loaded);
    ASSERT_TRUE(form_.GChem);
    EXPECT_EQ(form_.GChem->FChemistry, c.chemistry);
    EXPECT_EQ(form_.FChemP.Qn_Ah, 5.0);
    EXPECT_EQ(form_.FChemP.Vmin, c.vmin);
    EXPECT_EQ(form_.FChemP.xTarget_nm, c.xTarget);
    EXPECT_FALSE(form_.FChemP.OCV.empty());
  }
  EXPECT_TRUE(platform_.messages.empty());

  form_.FLastZaruVedh = (dir / "broken.hxchem").string();
  ASSERT_EQ(Run("click btnStart\n"), 0);
  ASSERT_EQ(platform_.messages.size(), 1u);
  // The reader's message, then the file it comes from.
  EXPECT_EQ(platform_.messages[0].text, "Chem JSON parse failed\nFile: " + (dir / "broken.hxchem").string());
  EXPECT_FALSE(form_.FIsRunning);
  EXPECT_FALSE(form_.IsPlaying());
}

TEST_F(RunPreparationTest, AnEmptyReferenceWaveSkipsTheBatchHalf) {
  // A workspace of the test's own whose seed pattern has no pattern body.
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old ? old : "";
  const fs::path ws = fs::path(::testing::TempDir()) / "run_prep_empty_wave";
  fs::remove_all(ws);
  setenv("XDG_DATA_HOME", ws.c_str(), 1);
  THxFacade::EnsureSeedFiles();
  const std::string pattern = THxFacade::ResolvePath("patterns/sinus_51min_zero.hxpat");
  std::ofstream(pattern, std::ios::trunc) << R"({"schema":"hx-pat-1.0","pattern":null})";

  ASSERT_EQ(Run("page PcParams TsSine\nclick btnStart\n"), 0);
  EXPECT_TRUE(form_.FIsRunning);
  EXPECT_EQ(Lines("MemoChemMetrics"), std::vector<std::string>{"FWave len=0 I_avg=0 A"});
  EXPECT_TRUE(form_.FChemWave.empty());
  EXPECT_TRUE(form_.FSimOut.SEI_nm.empty());
  EXPECT_TRUE(form_.FSerSEIDone == nullptr || form_.FSerSEIDone->Count() == 0);

  if (old)
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace voltaris
