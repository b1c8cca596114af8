// The calibration page, the headless run and the smoke test: the grid, the progress shown
// between runs, the CC levels, the fit of the SEI target thickness, the restores after an
// error, the reuse between runs against the step-by-step runs, and the smoke test report.
#include <gtest/gtest.h>

#include "layout_values.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "automation/script_runner.h"
#include "run/calibration.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

// A platform whose message pump lets a test look at the window, or act on it, between the
// runs of a calibration - as the user of a responsive window could.
struct PumpingPlatform : RecordingPlatform {
  std::function<void()> onPump;
  int pumps = 0;
  void ProcessPendingEvents() override {
    ++pumps;
    if (onPump) onPump();
  }
};

// The SEI thickness the calibration's reference run reaches (target 1000 nm) at `amps`.
double ReferenceEnd(TFormPreview& form, double amps) {
  form.calibration.FCalibCC_A = amps;
  form.FChemP.UseXTargetOnly = false;
  form.FChemP.xTarget_nm = 1000;
  form.RunHeadlessOnce();
  const std::vector<double>& sei = form.FSimOut.SEI_nm;
  return sei.empty() || sei.back() < 1 ? 50.0 : sei.back();
}

class CalibrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.FormCreate();
    RestoreLayoutValues(f());
    f().SetText("EdTotalMs", "10");  // ten minutes at 1 Hz: 27 runs in a few milliseconds
  }
  FormModel& f() { return form_.Form(); }
  int Run(const std::string& script) { return runner_.RunText(script); }
  std::string Status() { return f().Get("lblCalibStatus").Caption(); }

  PumpingPlatform platform_;
  TFormPreview form_{platform_};
  HeadlessHost host_{form_, platform_};
  ScriptRunner runner_{form_, platform_, host_};
};

TEST_F(CalibrationTest, TheGridHoldsTheThreeLevelsUnderItsHeader) {
  const Json grid = runner_.Dump(false)["controls"]["sgCalib"];
  const Json cells = {{"CC Level", "Target CE1 (%)", "t_form (min)", "Notes"},
                      {"0.5C", "92.5", "480", "Low rate"},
                      {"1C", "90.0", "300", "Nominal"},
                      {"2C", "85.0", "180", "High stress"}};
  EXPECT_EQ(grid["cells"], cells);
  EXPECT_EQ(grid["columnWidths"], Json::parse("[90,110,110,120]"));
  EXPECT_EQ(grid["editing"], true);
  // The user's entries stay until the defaults are loaded again ("Defaults").
  ASSERT_EQ(Run("cell sgCalib 3 1 my cell\ncell sgCalib 0 3 4C\n"), 0);
  form_.calibration.InitCalibrationGrid();
  EXPECT_EQ(f().Get("sgCalib").Cells()[1][3], "my cell");
  ASSERT_EQ(Run("click btnCalibDefaults\n"), 0);
  EXPECT_EQ(f().Get("sgCalib").Cells()[1][3], "Low rate");
  EXPECT_EQ(f().Get("sgCalib").Cells()[3][0], "2C");
}

TEST_F(CalibrationTest, ACalibrationFromTheScriptFitsTheTargetAndRestoresThePage) {
  ASSERT_EQ(Run("check chkDischargeEnable off\nclick btnRunCalibration\n"), 0);
  const Json d = runner_.Dump(false);
  const Json& c = d["controls"];
  EXPECT_EQ(c["lblCalibStatus"]["caption"], "Fit done.");
  EXPECT_EQ(c["lblCalibStatus"]["visible"], false);
  EXPECT_EQ(c["pbCalib"]["visible"], false);
  EXPECT_EQ(c["pbCalib"]["position"], 3);
  EXPECT_EQ(c["pbCalib"]["max"], 3);
  EXPECT_EQ(c["btnRunCalibration"]["enabled"], true);
  EXPECT_EQ(c["btnStart"]["enabled"], true);
  EXPECT_EQ(c["chkDischargeEnable"]["checked"], false);
  EXPECT_EQ(d["state"]["FChemP"]["UseXTargetOnly"], false);
  EXPECT_EQ(d["state"]["FCalibCC_A"], 10.0);  // the last check run: 2C of 5 Ah
  EXPECT_TRUE(platform_.messages.empty());

  const double xTarget = d["state"]["FChemP"]["xTarget_nm"].get<double>();
  const double xEnd = ReferenceEnd(form_, 5.0);  // the nominal level, 1C
  EXPECT_GE(xTarget, 0.1 * xEnd);
  EXPECT_LE(xTarget, 0.99 * xEnd);

  // The verdicts of the check runs follow the last run's figures.
  const auto& memo = f().Get("MemoChemMetrics").Lines();
  const auto at = std::find(memo.begin(), memo.end(), "--- Calibration ---");
  ASSERT_NE(at, memo.end());
  ASSERT_EQ(memo.end() - at, 5);
  EXPECT_EQ(at[1], "xTarget_nm = " + FixedText(xTarget, 2) + " nm");
  EXPECT_EQ(at[2].rfind("Check 0.5C: ", 0), 0u);
  EXPECT_EQ(at[3].rfind("Check 1C: ", 0), 0u);
  EXPECT_EQ(at[4].rfind("Check 2C: ", 0), 0u);
}

TEST_F(CalibrationTest, TheWindowShowsProgressBetweenRunsAndIgnoresASecondClick) {
  std::vector<std::string> statuses;
  std::vector<int> positions;
  bool shownAndLocked = true;
  platform_.onPump = [&] {
    const Control& bar = f().Get("pbCalib");
    if (statuses.empty() || statuses.back() != Status()) statuses.push_back(Status());
    if (positions.empty() || positions.back() != bar.Position()) positions.push_back(bar.Position());
    shownAndLocked = shownAndLocked && bar.Visible() && f().Get("lblCalibStatus").Visible() &&
                     !f().Get("btnRunCalibration").Enabled() && !f().Get("btnStart").Enabled();
    f().UserClick("btnRunCalibration");  // a click that reaches the handler while it runs
  };
  const int buildsBefore = form_.FWaveCache.Builds(), reusesBefore = form_.FWaveCache.Reuses();
  ASSERT_EQ(Run("click btnRunCalibration\n"), 0);
  EXPECT_EQ(statuses, (std::vector<std::string>{"Idle", "Running calibration 1/3...", "Running calibration 2/3...",
                                                "Running calibration 3/3...", "Calibration completed.",
                                                "Fitting xTarget_nm...", "Fit done."}));
  EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_TRUE(shownAndLocked);
  // One calibration: 3 level runs, the reference run, 20 bisection runs, 3 check runs. The
  // window's wave cache holds the last level's wave: the levels 1, 2, 3, then the nominal
  // level 2 for 21 runs (made once, reused 20 times), then 1, 2, 3 again.
  const int builds = form_.FWaveCache.Builds() - buildsBefore;
  EXPECT_EQ(builds + form_.FWaveCache.Reuses() - reusesBefore, 27);
  EXPECT_EQ(builds, 7);
  EXPECT_FALSE(form_.calibration.Running());
}

TEST_F(CalibrationTest, LevelsReadAsCRatesAmperesOrNumbersAndUnreadableOnesAreSkipped) {
  struct Case {
    const char* capacity;
    const char* levels[3];
    std::map<int, double> amps;  // level row -> current of its run
  } cases[] = {
      {"5,0", {"0.5C", "2.5a", "3"}, {{1, 2.5}, {2, 2.5}, {3, 3.0}}},
      {"abc", {"0.5C", " 1C ", "C"}, {{1, 30.0}, {2, 60.0}}},
      {"0", {"0.1c", "x", "2A"}, {{1, 6.0}, {3, 2.0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    f().SetText("edCellCapAh", c.capacity);
    for (int row = 1; row <= 3; ++row) f().SetCell("sgCalib", 0, row, c.levels[row - 1]);
    std::map<int, double> seen;
    platform_.onPump = [&] {
      const std::string s = Status();
      const int pos = f().Get("pbCalib").Position();
      if (s.rfind("Running calibration ", 0) == 0 && pos == s[20] - '0') seen[pos] = form_.calibration.FCalibCC_A;
    };
    ASSERT_EQ(Run("click btnRunCalibration\n"), 0);
    EXPECT_EQ(seen, c.amps);
    EXPECT_EQ(Status(), "Fit done.");
  }
}

TEST_F(CalibrationTest, TheBisectionEndsAtTheBoundWhenEveryRunFallsOnOneSide) {
  struct Case {
    const char* name;
    const char* minutes;
    const char* nominalLevel;
    const char* ccA;
    double nominalA;
    double expectedShare;  // of the reference run's SEI thickness
  } cases[] = {
      // Ten minutes at a current too small to grow SEI: the growth stops at the first check
      // (2 min), long before the nominal 300 min, so every target is too small.
      {"every run stabilises early", "10", "0.00005A", "2.5", 0.00005, 0.99},
      // One minute never reaches the first check: no run stabilises, every target is too big.
      {"no run stabilises", "1", "1C", "2.5", 5.0, 0.1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f().SetText("EdTotalMs", c.minutes);
    f().SetText("edtCC_A", c.ccA);
    f().SetCell("sgCalib", 0, 2, c.nominalLevel);
    ASSERT_EQ(Run("click btnRunCalibration\n"), 0);
    const double xTarget = form_.FChemP.xTarget_nm;
    const double xEnd = ReferenceEnd(form_, c.nominalA);
    EXPECT_NEAR(xTarget / xEnd, c.expectedShare, 1e-5);
  }
}

TEST_F(CalibrationTest, AnErrorInAHeadlessRunRestoresEveryControl) {
  for (const bool discharge : {false, true}) {
    SCOPED_TRACE(discharge);
    f().SetText("EdTotalMs", "10");
    f().SetChecked("chkDischargeEnable", discharge);
    platform_.messages.clear();
    // The user types a formation time of two thousand years while the fit runs: the next
    // run's reference wave does not fit and the run fails.
    bool typed = false;
    platform_.onPump = [&] {
      if (form_.FChemP.UseXTargetOnly && !typed) {
        f().SetText("EdTotalMs", "1e9");
        typed = true;
      }
    };
    ASSERT_EQ(Run("click btnRunCalibration\n"), 0);
    ASSERT_TRUE(typed);
    ASSERT_EQ(platform_.messages.size(), 1u);
    EXPECT_EQ(platform_.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(Status(), "Fitting xTarget_nm...");  // it ended during the fit
    EXPECT_FALSE(f().Get("pbCalib").Visible());
    EXPECT_FALSE(f().Get("lblCalibStatus").Visible());
    EXPECT_TRUE(f().Get("btnRunCalibration").Enabled());
    EXPECT_TRUE(f().Get("btnStart").Enabled());
    EXPECT_EQ(f().Checked("chkDischargeEnable"), discharge);
    EXPECT_FALSE(form_.FChemP.UseXTargetOnly);
    EXPECT_FALSE(form_.calibration.Running());
    // The run that failed left nothing behind: no wave, and none kept for reuse (the next
    // run with the ten minutes back builds its wave afresh).
    EXPECT_TRUE(form_.FWave.empty());
    f().SetText("EdTotalMs", "10");
    form_.RunHeadlessOnce();
    EXPECT_FALSE(form_.FWaveCache.LastBuildReused());
  }
}

// Everything a calibration leaves behind, to compare a calibration that reuses between its
// runs with one that rebuilds everything for every run.
struct CalibrationResult {
  double xTarget = 0, calibA = 0, simT = 0, iOut = 0, soc = 0, chemFs = 0;
  TSimOutputs out;
  std::vector<double> chemWave, ringT, ringI, ringV;
  int ringCount = 0, ringHead = 0, builds = 0;
  std::vector<std::string> memo;
};

CalibrationResult Calibrate(const char* page, bool reuse) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  RestoreLayoutValues(form.Form());
  form.Form().SetActivePage("PcParams", page);
  form.Form().SetText("edtFs", "10");  // 100 Hz: a 24000-sample reference wave
  form.Form().SetText("EdTotalMs", "4");
  form.calibration.reuseBetweenRuns = reuse;
  const int buildsBefore = form.FWaveCache.Builds();
  form.Form().UserClick("btnRunCalibration");
  EXPECT_TRUE(platform.messages.empty());
  CalibrationResult r;
  r.xTarget = form.FChemP.xTarget_nm;
  r.calibA = form.calibration.FCalibCC_A;
  r.simT = form.FSimT;
  r.iOut = form.FIout;
  r.soc = form.FSoc01;
  r.chemFs = form.FChemFs;
  r.out = form.FSimOut;
  r.chemWave = form.FChemWave;
  // The samples the ring holds, oldest first (slots beyond them are not part of the run).
  const TSampleRing& ring = form.FRing;
  for (int k = 0; k < ring.FRingCount(); ++k) {
    const auto slot = static_cast<size_t>(ring.RingAbsIndex(k));
    r.ringT.push_back(ring.FRingT()[slot]);
    r.ringI.push_back(ring.FRingI()[slot]);
    r.ringV.push_back(ring.FRingV()[slot]);
  }
  r.ringCount = form.FRing.FRingCount();
  r.ringHead = form.FRing.FRingHead();
  r.builds = form.FWaveCache.Builds() - buildsBefore;
  r.memo = form.Form().Get("MemoChemMetrics").Lines();
  return r;
}

TEST(CalibrationReuse, RunsThatReuseGiveTheFiguresOfRunsThatRebuildEverything) {
  struct Case {
    const char* page;
    int builds;  // reference waves made when reusing
  } cases[] = {{"tsCC_CV", 7}, {"TsSine", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    const CalibrationResult fast = Calibrate(c.page, true);
    const CalibrationResult slow = Calibrate(c.page, false);
    EXPECT_EQ(fast.builds, c.builds);
    EXPECT_EQ(slow.builds, 27);
    EXPECT_EQ(fast.xTarget, slow.xTarget);
    EXPECT_EQ(fast.calibA, slow.calibA);
    EXPECT_EQ(fast.simT, slow.simT);
    EXPECT_EQ(fast.iOut, slow.iOut);
    EXPECT_EQ(fast.soc, slow.soc);
    EXPECT_EQ(fast.chemFs, slow.chemFs);
    EXPECT_EQ(fast.chemWave.size(), 2400u);
    EXPECT_EQ(fast.chemWave, slow.chemWave);
    EXPECT_EQ(fast.out.SEI_nm, slow.out.SEI_nm);
    EXPECT_EQ(fast.out.T_C, slow.out.T_C);
    EXPECT_EQ(fast.out.t_done_s, slow.out.t_done_s);
    EXPECT_EQ(fast.out.psiHX_wear, slow.out.psiHX_wear);
    EXPECT_EQ(fast.out.CE1_pct, slow.out.CE1_pct);
    EXPECT_EQ(fast.ringCount, slow.ringCount);
    EXPECT_EQ(fast.ringHead, slow.ringHead);
    EXPECT_EQ(fast.ringT, slow.ringT);
    EXPECT_EQ(fast.ringI, slow.ringI);
    EXPECT_EQ(fast.ringV, slow.ringV);
    EXPECT_EQ(fast.memo, slow.memo);
  }
}

TEST_F(CalibrationTest, TheHeadlessRunTakesTheSamplingOfTheWindowBeforeAnyStart) {
  // Right after start-up, no Start has set the response time, the rate or the run length.
  f().SetText("edtFs", "100");  // 10 Hz
  form_.calibration.FCalibCC_A = 2.0;
  form_.RunHeadlessOnce();
  EXPECT_EQ(form_.FResponseMs, 100.0);
  EXPECT_EQ(form_.FFs, 10.0);
  EXPECT_EQ(form_.FTotalSecs, 600.0);
  EXPECT_EQ(form_.FChemFs, 10.0);
  ASSERT_EQ(form_.FChemWave.size(), 6000u);  // every sample of the 10 Hz wave
  EXPECT_EQ(form_.FChemWave[3000], 2.0);     // the calibration level, constant
  EXPECT_EQ(form_.FSimOut.SEI_nm.size(), 6000u);
  EXPECT_EQ(form_.FDtSim, 0.1);
  EXPECT_EQ(form_.FRing.FRingCap(), 18000);  // 30 minutes at 0.1 s
  EXPECT_TRUE(form_.FWave.empty());          // only the chemistry wave is kept
}

TEST(SmokeTest, ReportOfAStabilisedAndOfAnUnstabilisedRun) {
  TSimOutputs stable;
  stable.SEI_nm = {2.0, 12.3};
  stable.t_done_s = 95 * 60;
  stable.psiHX_wear = 1.0;
  stable.PsiHX_time = 0.4567;
  EXPECT_EQ(SmokeTestReport(2.5, 25, 0.01, stable),
            (std::vector<std::string>{"--- Smoke Test [2.5A DC, 300min, 25C] ---", "SEI final   = 12.30 nm",
                                      "t_done      = 95.0 min", "psiHX_wear  = 1.000", "PsiHX_time  = 0.457",
                                      "Tamb        = 25.0 C", "R0          = 0.0100 ohm", "--- Sanity Checks ---",
                                      "OK: SEI = 12.3nm", "OK: Stabilized at 95min", "=== SMOKE TEST: PASS ==="}));

  TSimOutputs thick;
  thick.SEI_nm = {31.25};
  thick.t_done_s = -1;
  const auto warn = SmokeTestReport(1, 40, 0.02, thick);
  ASSERT_EQ(warn.size(), 11u);
  EXPECT_EQ(warn[0], "--- Smoke Test [1.0A DC, 300min, 40C] ---");
  EXPECT_EQ(warn[2], "t_done      = -0.0 min");
  EXPECT_EQ(warn[8], "WARN: SEI > 30nm -- kSEI_0 too high?");
  EXPECT_EQ(warn[9], "WARN: SEI not stabilized in 300min");
  EXPECT_EQ(warn[10], "=== SMOKE TEST: WARN (2 issues) ===");

  TSimOutputs empty;  // no samples: the final SEI counts as 0
  const auto one = SmokeTestReport(1, 25, 0.01, empty);
  EXPECT_EQ(one[1], "SEI final   = 0.00 nm");
  EXPECT_EQ(one[8], "OK: SEI = 0.0nm");
  EXPECT_EQ(one[10], "=== SMOKE TEST: WARN (1 issues) ===");
}

TEST_F(CalibrationTest, TheSmokeTestRunsFromItsButton) {
  struct Case {
    const char* current;
    const char* header;
  } cases[] = {{"2.5", "--- Smoke Test [2.5A DC, 300min, 25C] ---"},
               {"0", "--- Smoke Test [1.0A DC, 300min, 25C] ---"},
               {"-3", "--- Smoke Test [1.0A DC, 300min, 25C] ---"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current);
    f().SetText("edtCC_A", c.current);
    ASSERT_EQ(Run("click btnRunSmoke\n"), 0);
    const auto& memo = f().Get("MemoChemMetrics").Lines();
    ASSERT_EQ(memo.size(), 11u);
    EXPECT_EQ(memo[0], c.header);
    EXPECT_EQ(memo[6], "R0          = 0.0100 ohm");
    EXPECT_EQ(memo[7], "--- Sanity Checks ---");
    EXPECT_EQ(memo[10].rfind("=== SMOKE TEST: ", 0), 0u);
  }
  EXPECT_TRUE(platform_.messages.empty());
}

}  // namespace
}  // namespace voltaris
