// The window's charts: fixed and data-based axes, reset, absolute time labels, the
// SEI-done overlay, the OCV chart, the whole-run snapshot on chSim and its memo figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "chemistry/chem_params.h"
#include "common/numbers.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

class ChartsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUserDecimalSeparator('.');
    form_.FormCreate();
  }
  void TearDown() override { SetUserDecimalSeparator(savedSep_); }

  FormModel& f() { return form_.Form(); }
  ChartModel& chart(const char* name) { return f().Chart(name); }
  static void ExpectRange(const AxisModel& axis, double lo, double hi, const std::string& what) {
    EXPECT_FALSE(axis.automatic) << what;
    EXPECT_FALSE(axis.automaticMin) << what;
    EXPECT_FALSE(axis.automaticMax) << what;
    EXPECT_DOUBLE_EQ(axis.minimum, lo) << what;
    EXPECT_DOUBLE_EQ(axis.maximum, hi) << what;
  }

  char savedSep_ = UserDecimalSeparator();
  RecordingPlatform platform_;
  TFormPreview form_{platform_};
};

TEST_F(ChartsTest, AxesAfterCreationFollowTheLimitsAndTheLiveWindow) {
  ExpectRange(chart("chSim").left, 0, form_.ImaxLim + 2, "chSim current");
  ExpectRange(chart("chSim").right, 0, form_.VmaxLim + 2, "chSim voltage");
  EXPECT_EQ(chart("chSim").left.title, "Current (A)");
  EXPECT_EQ(chart("chSim").right.title, "Voltage (V)");
  EXPECT_EQ(chart("chSim").left.labelColor, TFormPreview::COLOR_I);
  EXPECT_EQ(chart("chSim").right.titleColor, TFormPreview::COLOR_V);
  // The live charts: a 30 s window in 5 s steps; the value axes as SetupAxes fixes them.
  for (const char* name : {"chI", "chV", "chSEI", "chT"}) {
    const AxisModel& bottom = chart(name).bottom;
    EXPECT_FALSE(bottom.automatic) << name;
    EXPECT_DOUBLE_EQ(bottom.minimum, 0) << name;
    EXPECT_DOUBLE_EQ(bottom.increment, 5) << name;
  }
  EXPECT_DOUBLE_EQ(chart("chI").bottom.maximum, 30);
  EXPECT_DOUBLE_EQ(chart("chT").bottom.maximum, form_.FTotalSecs);  // the run length
  ExpectRange(chart("chI").left, 0, 10, "chI");
  ExpectRange(chart("chV").left, 0, 5, "chV");
  EXPECT_EQ(chart("chI").bottom.title, "Time (s)");
  EXPECT_FALSE(chart("chI").right.visible);
  EXPECT_FALSE(chart("chI").bottom.minorTicksVisible);
  // Nothing simulated yet: both SEI axes span [0, 1].
  ExpectRange(chart("chSEI").left, 0, 1, "SEI");
  ExpectRange(chart("chSEI").right, 0, 1, "SEI rate");
  // The light charts.
  EXPECT_EQ(chart("chT").title, "Temperature (°C)");
  EXPECT_EQ(chart("chT").FindSeries("serTemp")->title, "TempC");
  EXPECT_FALSE(chart("chT").FindSeries("serTemp")->inLegend);
  EXPECT_EQ(chart("chOCV").bottom.title, "SOC [%]");
  EXPECT_EQ(chart("chOCV").left.title, "OCV [V]");
  EXPECT_EQ(chart("chOCV").Series().size(), 1u);  // only FSerOCV; the design series is gone
}

TEST_F(ChartsTest, CurrentAxisRoundsTheLimitOnlyAtSetUp) {
  struct Case {
    double imax;
    double setupTop;  // chSim after SetupAxes: round(limit) + 2, halves to even
    double limitTop;  // after UpdateIAxis / ApplyFixedAxes: limit + 2
  } cases[] = {{10.4, 12, 12.4}, {10.5, 12, 12.5}, {11.5, 14, 13.5}, {10, 12, 12}};
  for (const Case& c : cases) {
    form_.ImaxLim = c.imax;
    form_.VmaxLim = 4.2;
    form_.SetupAxes(120);
    ExpectRange(chart("chSim").left, 0, c.setupTop, "SetupAxes " + std::to_string(c.imax));
    ExpectRange(chart("chSim").bottom, 0, 120, "run length");
    ExpectRange(chart("chSim").right, 0, 6.2, "voltage");
    form_.UpdateIAxis();
    ExpectRange(chart("chSim").left, 0, c.limitTop, "UpdateIAxis chSim");
    ExpectRange(chart("chI").left, 0, c.limitTop, "UpdateIAxis chI");
    form_.SetupAxes(120);
    form_.ApplyFixedAxes();
    ExpectRange(chart("chSim").left, 0, c.limitTop, "ApplyFixedAxes chSim");
    ExpectRange(chart("chI").left, 0, c.limitTop, "ApplyFixedAxes chI");
    ExpectRange(chart("chV").left, 0, 6.2, "ApplyFixedAxes chV");
  }
}

TEST_F(ChartsTest, ClampEditsMoveTheCurrentAxes) {
  struct Case {
    const char* edit;
    const char* text;
    double imax, imin;  // the limits read back
    double lo, hi;      // chI and chSim current axes
  } cases[] = {
      {"EdClampMax", "20", 20, 0, 0, 22},    // a 20 A trace is no longer cut at 10 or 12 A
      {"EdClampMax", "8", 8, 0, 0, 10},
      {"EdClampMax", "abc", 10, 0, 0, 12},   // unreadable: the fallback of 10 A
      {"EdClampMax", "1e400", 10, 0, 0, 12},
      {"EdClampMin", "-3", 10, -3, -5, 12},  // a discharge limit takes the axes below 0
      {"EdClampMax", "5", 5, -3, -5, 7},
      {"EdClampMin", "0", 5, 0, 0, 7},
      {"EdClampMax", "-4", -4, 0, 0, 1},     // a limit below the lower one: never upside down
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.edit) + " = " + c.text);
    form_.SetupAxes(60);  // chI back to its 0..10 window, chSim to the rounded limit
    f().UserSetText(c.edit, c.text);
    EXPECT_DOUBLE_EQ(form_.ImaxLim, c.imax);
    EXPECT_DOUBLE_EQ(form_.IminLim, c.imin);
    ExpectRange(chart("chI").left, c.lo, c.hi, "chI");
    ExpectRange(chart("chSim").left, c.lo, c.hi, "chSim");
  }
}

TEST_F(ChartsTest, StartReadsTheCurrentLimitsForTheRunAxes) {
  // The limits typed without their change handler (a session loaded, a script's "set"):
  // Start reads them itself.
  f().SetActivePage("PcParams", "TsSine");
  f().SetText("EdSineMin", "16");
  f().SetText("EdSineMax", "18");
  f().SetText("EdClampMin", "0");
  f().SetText("EdClampMax", "20");
  f().SetText("EdTotalMs", "1");
  f().SetText("edtIStep", "");  // no current steps, no run ramp
  if (const Control* ramp = form_.waveform.schedules.GetIRampCheck()) f().SetChecked(ramp->Name(), false);
  f().UserClick("btnStart");
  ASSERT_TRUE(form_.FIsRunning);
  EXPECT_DOUBLE_EQ(form_.ImaxLim, 20);
  ExpectRange(chart("chSim").left, 0, 22, "chSim");  // rounded limit + 2
  ExpectRange(chart("chI").left, 0, 22, "chI");      // the 0..10 window grown to the limit
  double peak = 0;
  for (double y : form_.FSerSimI->Ys()) peak = std::max(peak, y);
  EXPECT_GT(peak, 15);
  EXPECT_LE(peak, chart("chSim").left.maximum);
  // Within the 0..10 window the live chart keeps it.
  f().SetText("EdClampMax", "8");
  f().UserClick("btnStart");
  ExpectRange(chart("chI").left, 0, 10, "chI at 8 A");
  ExpectRange(chart("chSim").left, 0, 10, "chSim at 8 A");
}

TEST_F(ChartsTest, ResetClearsRunSeriesAndSeiResults) {
  for (SeriesModel* s : {form_.FSerI, form_.FSerV, form_.FSerSEI, form_.FSerSimI, form_.FSerSimV, form_.FSerSimSEI,
                         form_.FSerOCV})
    s->Add(1, 2);
  DefaultChem_LFP(form_.FChemP);
  form_.FLastSOC_pct = 40;
  form_.RefreshOCVChart();  // the curve and the state-of-charge marker of a run
  ASSERT_EQ(form_.FSerSOCMark->Count(), 1u);
  form_.FSimOut.SEI_nm = {1, 2};
  form_.FSimOut.T_C = {25};
  form_.FSimOut.V = {3.5};
  form_.FSimOut.SOC = {0.5};
  form_.FSimOut.t_done_s = 40;
  form_.FSimOut.S_form = 0.7;
  form_.FSEIDoneSec = 40;
  form_.FStepTgtInit = true;
  form_.ImaxLim = 10.4;
  form_.ResetCharts();
  for (SeriesModel* s : {form_.FSerI, form_.FSerV, form_.FSerSEI, form_.FSerSimI, form_.FSerSimV, form_.FSerSimSEI,
                         form_.FSerOCV, form_.FSerSOCMark})
    EXPECT_EQ(s->Count(), 0u) << s->name;
  EXPECT_TRUE(form_.FSimOut.SEI_nm.empty() && form_.FSimOut.T_C.empty() && form_.FSimOut.V.empty() &&
              form_.FSimOut.SOC.empty());
  EXPECT_DOUBLE_EQ(form_.FSimOut.t_done_s, -1);
  EXPECT_DOUBLE_EQ(form_.FSimOut.S_form, 0.7);  // figures stay
  EXPECT_DOUBLE_EQ(form_.FSEIDoneSec, -1);
  EXPECT_FALSE(form_.FStepTgtInit);
  ExpectRange(chart("chI").left, 0, 12.4, "chI");
  ExpectRange(chart("chSim").left, 0, 12.4, "chSim");
}

TEST_F(ChartsTest, SeiAxesFollowTheLiveArraysAndTheSimulatedTimeSpan) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    std::vector<double> sei, rate;
    double seiTop, rateTop;
  } values[] = {
      {{}, {}, 1, 1},
      {{1, 5, 3}, {-2, 1}, 5.5, 2.2},  // the rate axis spans the largest magnitude
      {{-1, 0}, {0}, 1, 1},
  };
  for (const Case& c : values) {
    form_.FSEI = c.sei;
    form_.FSEIRate = c.rate;
    form_.UpdateSEIAxis();
    ExpectRange(chart("chSEI").left, 0, c.seiTop, "SEI");
    ExpectRange(chart("chSEI").right, 0, c.rateTop, "rate");
  }

  struct Span {
    std::vector<double> xs;
    bool automatic;
    double lo, hi;
  } spans[] = {
      {{}, true, 0, 0},
      {{5}, true, 0, 0},  // one point is no span
      {{0, 50, 100}, false, 0, 100},
      {{7, 7}, false, 7, 8},
      {{9, 3}, false, 9, 10},
      {{0, kNaN}, true, 0, 0},
  };
  for (const Span& s : spans) {
    form_.FSerSimI->Clear();
    for (double x : s.xs) form_.FSerSimI->Add(x, 1);
    form_.UpdateSEIAxis();
    const AxisModel& bottom = chart("chSEI").bottom;
    EXPECT_EQ(bottom.automatic, s.automatic) << s.xs.size() << " points";
    if (!s.automatic) {
      EXPECT_DOUBLE_EQ(bottom.minimum, s.lo);
      EXPECT_DOUBLE_EQ(bottom.maximum, s.hi);
    }
  }
}

TEST_F(ChartsTest, LiveTimeLabelsShowAbsoluteRunSeconds) {
  form_.FWindowBaseSec = 300;
  struct Case {
    const char* label;
    const char* shown;
  } cases[] = {{"12", "312"}, {"2.4", "302"}, {"abc", "300"}, {"", "300"}, {" 30 ", "330"}, {"-5", "295"}};
  for (const char* name : {"chI", "chV", "chT"}) {
    ChartModel& ch = chart(name);
    ASSERT_TRUE(ch.getAxisLabel) << name;
    for (const Case& c : cases) EXPECT_EQ(ch.getAxisLabel("bottom", c.label), c.shown) << name << " " << c.label;
    EXPECT_EQ(ch.getAxisLabel("left", "12"), "12") << name;  // value axes keep their labels
  }
  EXPECT_FALSE(chart("chSEI").getAxisLabel);
  EXPECT_EQ(form_.AxisTimeGetLabel(chart("chSEI"), "bottom", "12"), "312");
  EXPECT_EQ(form_.AxisTimeGetLabel(chart("chSim"), "bottom", "12"), "12");
  EXPECT_EQ(form_.CallProbe("AxisTimeGetLabel", {12}), "312");
}

TEST_F(ChartsTest, LiveTimeLabelsRoundHalvesToEven) {
  struct Case {
    double base;
    const char* label;
    const char* shown;
  } cases[] = {
      {300, "0.5", "300"},  {300, "1.5", "302"},  {300, "2.5", "302"},  {300, "-0.5", "300"},
      {300, "0.49", "300"}, {300, "0.51", "301"}, {0, "0.5", "0"},      {0, "-0.5", "0"},
      {0, "-1.5", "-2"},    {0, "-2.5", "-2"},    {12.5, "0", "12"},    {13.5, "0", "14"},
      {0, "1e-300", "0"},   {0, "29.5", "30"},    {0, "30.5", "30"},
  };
  for (const Case& c : cases) {
    form_.FWindowBaseSec = c.base;
    EXPECT_EQ(form_.AxisTimeGetLabel(chart("chI"), "bottom", c.label), c.shown) << c.base << " + " << c.label;
  }
}

TEST_F(ChartsTest, SeiDoneOverlayOnlyWhileTheTimeIsKnown) {
  ChartModel& sei = chart("chSEI");
  ASSERT_TRUE(sei.afterDraw);
  sei.afterDraw(sei);
  EXPECT_TRUE(sei.markers.empty());

  form_.FSEIDoneSec = 1234.56;
  sei.afterDraw(sei);
  ASSERT_EQ(sei.markers.size(), 1u);
  const ChartMarker& m = sei.markers[0];
  EXPECT_DOUBLE_EQ(m.x, 1234.56);
  EXPECT_EQ(m.text, " SEI done @ 1234.6 s ");
  EXPECT_EQ(m.lineColor, (Rgb{255, 0, 0}));
  EXPECT_EQ(m.lineWidth, 1);
  EXPECT_EQ(m.textBrush, (Rgb{255, 230, 230}));
  EXPECT_EQ(m.textColor, (Rgb{128, 0, 0}));
  EXPECT_DOUBLE_EQ(m.textOffsetX, 8);
  EXPECT_DOUBLE_EQ(m.textOffsetY, 8);
  sei.afterDraw(sei);
  EXPECT_EQ(sei.markers.size(), 1u);  // recomputed, not accumulated

  form_.FSEIDoneSec = -1;
  EXPECT_EQ(form_.CallProbe("SEIDoneOverlay", {}), Json::array());
}

TEST_F(ChartsTest, OcvChartDrawsTheTableAndTheStateOfChargeMarker) {
  DefaultChem_LFP(form_.FChemP);
  const std::vector<TPointD>& table = form_.FChemP.OCV;
  ASSERT_GE(table.size(), 2u);
  form_.FLastSOC_pct = 40;
  form_.RefreshOCVChart();
  form_.RefreshOCVChart();  // again: no second marker, no doubled curve
  ASSERT_EQ(form_.FSerOCV->Count(), table.size());
  EXPECT_DOUBLE_EQ(form_.FSerOCV->X(0), table[0].x * 100);
  EXPECT_DOUBLE_EQ(form_.FSerOCV->Y(0), table[0].y);
  ASSERT_NE(form_.FSerSOCMark, nullptr);
  ASSERT_EQ(form_.FSerSOCMark->Count(), 1u);
  EXPECT_DOUBLE_EQ(form_.FSerSOCMark->X(0), 40);
  EXPECT_DOUBLE_EQ(form_.FSerSOCMark->Y(0), InterpOCV(table, 0.4));
  EXPECT_EQ(form_.FSerSOCMark->pointSize, 6);
  EXPECT_EQ(form_.FSerSOCMark->brush, (Rgb{255, 0, 0}));
  EXPECT_EQ(chart("chOCV").Series().size(), 2u);

  // Setting the chart up again drops the marker with the other series; the next refresh
  // makes a new one instead of touching a removed series.
  form_.SetupOCVChart();
  EXPECT_EQ(form_.FSerSOCMark, nullptr);
  form_.RefreshOCVChart();
  ASSERT_NE(form_.FSerSOCMark, nullptr);
  EXPECT_EQ(chart("chOCV").Series().size(), 2u);

  // An empty table clears the curve and leaves the marker as it was.
  form_.FChemP.OCV.clear();
  form_.RefreshOCVChart();
  EXPECT_EQ(form_.FSerOCV->Count(), 0u);
  EXPECT_EQ(form_.FSerSOCMark->Count(), 1u);
}

TEST_F(ChartsTest, SnapshotPointCountAndSpacing) {
  struct Case {
    const char* page;
    double totalSecs;
    const char* fs;
    const char* sineHz;
    size_t points;
    double dt;
  } cases[] = {
      {"tsCC_CV", 3600, "1000", "3", 25000, 3600.0 / 24999},  // limited to 25 000 points
      {"TsSine", 3600, "1000", "3", 25000, 3600.0 / 24999},
      {"TsSine", 10, "1", "5", 1001, 0.01},  // 1 point/s raised to 20 per 5 Hz period
      {"TsSuper", 10, "1", "5", 1001, 0.01},  // the sine entry decides on every page
      {"TsSine", 10, "1", "0", 11, 1.0},
      {"TsSine", 0.1, "1", "0", 2, 0.1},  // at least two points
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.page) + " " + std::to_string(c.totalSecs) + " s at " + c.fs);
    f().SetActivePage("PcParams", c.page);
    f().SetText("EdSineF", c.sineHz);
    f().SetText("edtFs", c.fs);
    form_.FTotalSecs = c.totalSecs;
    form_.DrawSimSnapshotOnChSim();
    ASSERT_EQ(form_.FSerSimI->Count(), c.points);
    ASSERT_EQ(form_.FSerSimV->Count(), c.points);
    EXPECT_NEAR(form_.FSerSimI->X(1), c.dt, 1e-12);
    EXPECT_NEAR(form_.FSerSimI->X(c.points - 1), c.totalSecs, 1e-9);
    ExpectRange(chart("chSim").bottom, 0, c.totalSecs, "chSim time");
    EXPECT_DOUBLE_EQ(form_.FSimT, 0);
    EXPECT_DOUBLE_EQ(form_.FIout, 0);
  }
}

TEST_F(ChartsTest, SnapshotOfAPatternSmoothsTheSetPointAndFillsTheRing) {
  f().SetActivePage("PcParams", "TsSine");
  f().SetText("EdSineMin", "2");
  f().SetText("EdSineMax", "2");  // a constant 2 A set-point
  f().SetText("EdSineF", "0");
  f().SetText("edtFs", "1");
  f().SetText("edtIStep", "");  // no current steps, no run ramp, the usual limits
  f().SetText("EdClampMin", "0");
  f().SetText("EdClampMax", "10");
  if (const Control* ramp = form_.waveform.schedules.GetIRampCheck()) f().SetChecked(ramp->Name(), false);
  form_.FTotalSecs = 10;
  form_.DrawSimSnapshotOnChSim();
  // One point per second: a = 1 / (1 + 1) = 0.5, so the current halves its distance to 2 A.
  const SeriesModel& I = *form_.FSerSimI;
  ASSERT_EQ(I.Count(), 11u);
  EXPECT_DOUBLE_EQ(I.Y(0), 1.0);
  EXPECT_DOUBLE_EQ(I.Y(1), 1.5);
  EXPECT_DOUBLE_EQ(I.Y(2), 1.75);
  EXPECT_EQ(form_.FRing.FRingCount(), 11);
  EXPECT_DOUBLE_EQ(form_.FRing.FRingI()[static_cast<size_t>(form_.FRing.RingAbsIndex(2))], 1.75);
  EXPECT_GT(form_.FSerI->Count(), 0u);  // the first live window comes from the ring

  // Nothing is drawn without a run length or while a run plays.
  form_.FTotalSecs = 0;
  form_.DrawSimSnapshotOnChSim();
  EXPECT_EQ(I.Count(), 11u);
  form_.FTotalSecs = 10;
  form_.FIsRunning = true;
  form_.FSerSimI->Clear();
  form_.DrawSimSnapshotOnChSim();
  EXPECT_EQ(I.Count(), 0u);
}

TEST_F(ChartsTest, SnapshotOfCcCvChargesTheRuntimeCellFromAFreshState) {
  f().SetActivePage("PcParams", "tsCC_CV");
  f().SetText("edtFs", "1");
  f().SetText("EdSineF", "0");
  f().SetText("edtCC_A", "2");
  f().SetText("edtIStep", "");
  form_.FRunParams.Qn_Ah = 1.0;
  form_.FRunParams.Rtot = 0.05;
  form_.FRunParams.Vmax = 4.2;
  form_.FRunParams.Icut = 0.05;
  form_.FRunParams.SoC0 = 0.1;
  form_.FRunParams.OCVTable = {{0.0, 3.0}, {1.0, 4.1}};
  form_.FRunState.SoC = 0.9;  // left over from an earlier run
  form_.FTotalSecs = 100;
  form_.DrawSimSnapshotOnChSim();

  const SeriesModel& I = *form_.FSerSimI;
  const SeriesModel& V = *form_.FSerSimV;
  ASSERT_EQ(I.Count(), 101u);
  EXPECT_DOUBLE_EQ(I.Y(0), 2.0);                            // edtCC_A
  EXPECT_NEAR(V.Y(0), 3.0 + 1.1 * 0.1 + 2.0 * 0.05, 1e-12);  // OCV at SoC0 plus I·R
  EXPECT_FALSE(form_.waveform.schedules.FCCIStepsValid);
  // The ring and the live window restart the same charge.
  ASSERT_EQ(form_.FRing.FRingCount(), 101);
  EXPECT_DOUBLE_EQ(form_.FRing.FRingV()[static_cast<size_t>(form_.FRing.RingAbsIndex(5))], V.Y(5));
  ASSERT_EQ(form_.FSerI->Count(), 31u);  // steps 0..30 of 1 s
  EXPECT_DOUBLE_EQ(form_.FSerV->Y(30), V.Y(30));
  ExpectRange(chart("chI").bottom, 0, 30, "chI window");

  // Current steps move the CC current within the limits.
  f().SetText("edtIStep", "0,3");
  form_.ImaxLim = 2.5;
  form_.DrawSimSnapshotOnChSim();
  EXPECT_TRUE(form_.waveform.schedules.FCCIStepsValid);
  EXPECT_DOUBLE_EQ(I.Y(0), 2.5);  // 3 A asked, limited to ImaxLim
}

TEST_F(ChartsTest, SnapshotMetricsMemo) {
  auto memo = [&] { return f().Get("MemoChemMetrics").Lines(); };
  f().SetLines("MemoChemMetrics", {"before"});
  // Without SEI results the memo stays.
  form_.FSerSimI->Clear();
  for (double x : {0.0, 1.0, 2.0}) form_.FSerSimI->Add(x, 2.0);
  form_.UpdateChemMetricsFromSim();
  EXPECT_EQ(memo(), std::vector<std::string>{"before"});

  // Three current points 1 s apart against the first three voltages.
  form_.FSimOut.V = {3.6, 3.6, 3.6, 9.9};
  form_.FSimOut.T_C = {25, 27.004};
  form_.FSimOut.SOC = {0.1, 0.5};
  form_.FSimOut.SEI_nm = {1, 2.5};
  form_.FSimOut.t_done_s = 90;
  form_.UpdateChemMetricsFromSim();
  EXPECT_EQ(memo(), (std::vector<std::string>{"Delivered E = 0.006 Wh", "", "IbSEI  = 2.5 nm", "IbΔT   = 2.00 °C",
                                              "IbSOC  = 50.0 %", "IbPerf = 100,0",
                                              "SEI stabilization ~ 90.0 s (1.50 min)"}));

  // No temperatures, no stabilisation time, no state of charge or SEI.
  form_.FSimOut.T_C.clear();
  form_.FSimOut.SOC.clear();
  form_.FSimOut.SEI_nm.clear();
  form_.FSimOut.t_done_s = -1;
  form_.UpdateChemMetricsFromSim();
  EXPECT_EQ(memo(), (std::vector<std::string>{"Delivered E = 0.006 Wh", "", "IbSEI  = 0.0 nm", "IbSOC  = 0.0 %",
                                              "IbPerf = 100,0"}));

  // One common point is not enough.
  f().SetLines("MemoChemMetrics", {"before"});
  form_.FSimOut.V = {3.6};
  form_.UpdateChemMetricsFromSim();
  EXPECT_EQ(memo(), std::vector<std::string>{"before"});
}

TEST_F(ChartsTest, TabSwitchClearsTheSimulationTracesOnlyWithAReferenceWave) {
  form_.FSerSimI->Add(0, 1);
  form_.FSerSimV->Add(0, 3);
  f().UserSetPage("PcParams", "TsSine");  // no reference wave yet
  EXPECT_EQ(form_.FSerSimI->Count(), 1u);

  form_.FWave = TReferenceWave({1.0, 2.0, 3.0});
  f().UserSetPage("PcParams", "TsSuper");
  EXPECT_EQ(form_.FSerSimI->Count(), 0u);
  EXPECT_EQ(form_.FSerSimV->Count(), 0u);
  EXPECT_FALSE(chart("chSim").Locked());

  const Json state = form_.DumpState();
  EXPECT_EQ(state["FWaveLength"], 3);
  EXPECT_DOUBLE_EQ(state["FWaveMean"].get<double>(), 2.0);
  EXPECT_DOUBLE_EQ(state["FSEIDoneSec"].get<double>(), -1);
  for (const char* field : {"FFs", "FWindowBaseSec", "FLastSOC_pct"}) EXPECT_TRUE(state.contains(field)) << field;
}

TEST_F(ChartsTest, SimulationSeriesAreCompletedWithTheSeiMark) {
  EXPECT_EQ(form_.FSerSimSEIMark, nullptr);
  form_.EnsureSimSeries();
  form_.EnsureSimSeries();
  ChartModel& sim = chart("chSim");
  EXPECT_EQ(sim.Series().size(), 5u);  // Ref, SEI, Current, Voltage and the mark
  const SeriesModel* mark = sim.FindSeries("FSerSimSEIMark");
  ASSERT_EQ(mark, form_.FSerSimSEIMark);
  EXPECT_EQ(mark->title, "SEI mark");
  EXPECT_EQ(mark->kind, SeriesKind::Point);
  EXPECT_EQ(mark->pointSize, 4);
  EXPECT_EQ(mark->color, (Rgb{0, 0, 255}));
  // EnsureSeries made the others: their settings stay.
  EXPECT_EQ(form_.FSerSimI->title, "Current (Sim)");
  EXPECT_EQ(form_.FSerSimSEI->axis, "FAxSimSEI");
}

}  // namespace
}  // namespace voltaris
