// The live step reads its entries resolved once per edit: a run on that path gives the
// same figures, to the last bit, as a run that reads every control at every step; and
// the current-step target followed along the run equals the whole chain evaluated afresh.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "layout_values.h"

#include "form/recording_platform.h"
#include "waveform/pattern_kind.h"
#include "waveform/pattern_points.h"
#include "waveform/step_schedules.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

// Equal to the last bit (also for NaN and signed zeros).
::testing::AssertionResult SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
  for (size_t i = 0; i < a.size(); ++i)
    if (Bits(a[i]) != Bits(b[i]))
      return ::testing::AssertionFailure() << "first difference at " << i << ": " << a[i] << " and " << b[i];
  return ::testing::AssertionSuccess();
}

TEST(StepTargetCursor, FollowsTheWholeChainToTheLastBit) {
  struct Case {
    const char* name;
    std::vector<TStepPt> steps;
    double up, down;
  } cases[] = {
      {"initial text, 10 s", {{0, 1.2}, {5, 2}, {15, 2.6}, {30, 3.2}}, 10, 10},
      {"rising and falling, short ramps", {{0, 1}, {0.1, 3}, {0.2, 1}, {0.25, 0}, {0.3, 2.5}, {0.5, -1}}, 0.2, 0.4},
      {"repeated targets and times", {{0, 2}, {0.1, 2}, {0.1, 5}, {0.2, 5}, {0.2, 0}}, 0.5, 0.5},
      {"out of order (the walk stops early)", {{0, 1}, {1, 3}, {0.5, 2}, {2, 4}}, 1, 1},
      {"first point not started yet", {{0.5, 1}, {1, 3}}, 0.2, 0.2},
      {"zero time constants", {{0, 1}, {0.05, 2}, {0.1, 0.5}}, 0, 0},
      {"tiny and huge targets", {{0, 1e-300}, {0.1, 1e300}, {0.2, 1e-12}, {0.3, 7}}, 0.3, 0.3},
      {"non-finite target", {{0, 1}, {0.1, INFINITY}, {0.2, 2}}, 0.3, 0.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TStepTargetCursor cursor(c.steps, c.up, c.down);
    // Along a run of 3 minutes at a 1 ms step, then a restart from 0 (as StopRun's pass).
    for (int pass = 0; pass < 2; ++pass) {
      for (int i = 0; i <= 180000; i += pass == 0 ? 1 : 997) {
        const double t = i * 0.001;
        const double want = StepTargetAvgWithRamp(t, c.steps, c.up, c.down);
        const double got = cursor.At(t);
        if (Bits(want) != Bits(got)) {
          ADD_FAILURE() << "t = " << t << ": " << got << " instead of " << want;
          break;
        }
      }
    }
  }
}

TEST(StepTargetCursor, RandomSchedulesAndTimesThatGoBack) {
  std::mt19937_64 rng(17);
  std::uniform_real_distribution<double> amps(-1.0, 6.0), gap(0.0, 0.4), tau(0.0, 3.0), jump(0.0, 2.0);
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<TStepPt> steps;
    double tMin = 0;
    const int n = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
      steps.push_back({tMin, std::nearbyint(amps(rng) * 10) / 10});
      tMin += std::nearbyint(gap(rng) * 100) / 100;
    }
    const double up = tau(rng), down = tau(rng);
    TStepTargetCursor cursor(steps, up, down);
    double t = 0;
    for (int i = 0; i < 4000; ++i) {
      t += rng() % 50 == 0 ? -jump(rng) * 60 : jump(rng);  // mostly forwards, sometimes back
      if (t < 0) t = 0;
      ASSERT_EQ(Bits(cursor.At(t)), Bits(StepTargetAvgWithRamp(t, steps, up, down)))
          << "trial " << trial << ", t = " << t;
    }
  }
}

// Thousands of points within a few time constants: the chain starts late, and its value
// stays within one unit in the last place of the largest target of the whole chain's.
TEST(StepTargetCursor, DenseSchedulesStayWithinOneUnitOfTheWholeChain) {
  struct Case {
    const char* name;
    int count;
    double minutes, up, down;
  } cases[] = {
      {"5000 points in an hour, 10 s", 5000, 60, 10, 10},
      {"2000 points in a minute, 0.2 s and 10 s", 2000, 1, 0.2, 10},
      {"1000 points in 10 minutes, the runtime model's 120 s", 1000, 10, 120, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TStepPt> steps;
    double big = 0;
    for (int i = 0; i < c.count; ++i) {
      steps.push_back({c.minutes * i / c.count, 1.0 + (i % 7) * 0.45 - (i % 3) * 0.3});
      big = std::max(big, std::fabs(steps.back().IMaxA));
    }
    TStepTargetCursor cursor(steps, c.up, c.down);
    int differ = 0, samples = 0;
    const double end = c.minutes * 60.0 + 5 * std::max(c.up, c.down);
    for (double t = 0; t < end; t += end / 3001, ++samples) {
      const double want = StepTargetAvgWithRamp(t, steps, c.up, c.down);
      const double got = cursor.At(t);
      ASSERT_LE(std::fabs(got - want), big * 0x1p-52) << "t = " << t;
      differ += Bits(got) != Bits(want);
    }
    EXPECT_LT(differ, samples / 4);  // mostly the very same bits
  }
}

// The preview sums the Bezier curve in Bernstein form: the curve of de Casteljau's steps,
// up to a few units in the last place, for every count of control points up to 50.
TEST(BezierPreview, BernsteinSumIsTheDeCasteljauCurve) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> y(-0.5, 1.5);
  std::vector<double> work;
  for (size_t n : {1u, 2u, 3u, 4u, 7u, 15u, 30u, 50u}) {
    std::vector<double> ys(n);
    for (double& v : ys) v = y(rng);
    std::vector<double> us, fill(1001);
    for (int i = 0; i <= 1000; ++i) {
      const double u = i / 1000.0;
      us.push_back(u);
      EXPECT_NEAR(BezierBernsteinAt(ys, u), BezierAt(ys, u, work), 1e-13) << n << " points, u = " << u;
    }
    // Many parameters side by side give the same bits as one at a time.
    const std::vector<double> weights = BernsteinWeights(ys);
    BernsteinFill(weights, us.data(), fill.data(), us.size());
    for (size_t i = 0; i < us.size(); ++i) ASSERT_EQ(Bits(fill[i]), Bits(BernsteinAt(weights, us[i]))) << i;
  }
}

// One run per pattern tab, once on each path: current steps with short ramps, both global
// ramps, the Custom LUT table loaded, and entries edited while the run plays.
struct RunRecord {
  std::vector<double> t, i, v, wholeRun;
  double simT = 0, iout = 0, soc = 0, lastV = 0, prevIOut = 0;
  int phase = 0, mode = 0;
};

RunRecord PlayRun(std::string_view page, bool plainReads, bool chemKind) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  FormModel& f = form.Form();
  RestoreLayoutValues(f);
  form.FLive.plainReads = plainReads;
  f.SetActivePage("PcParams", std::string(page));
  f.SetText("edtFs", "10");       // a 10 ms step
  f.SetText("EdTotalMs", "3");    // three minutes
  f.SetText("edtIStep", "0,1.2; 0.2,2; 0.5,0.8; 0.9,2.6; 1.4,3.2; 2,1.5");
  f.SetText("edtRU", "2");        // 0.4 s up (1 s in the runtime CC-CV step)
  f.SetText("edtRD", "1.5");
  f.SetText("edtVRU", "20");
  f.SetText("edtVRD", "30");
  f.SetChecked("chkIRamp", true);
  f.SetChecked("chkVRamp", true);
  f.SetText("edtVsteps", "0.5:1.5; 1:2.5; 2,3.0");
  form.waveform.shapes.SetChemTable({0, 0.15, 0.5, 0.85, 1}, 200, 2, 5);
  if (chemKind) f.SetItemIndex("cbJsonType", 2);
  f.UserSetPosition("tbSpeed", 150);
  f.UserClick("btnStart");
  EXPECT_TRUE(form.FIsRunning);

  int ticks = 0;
  while (form.IsPlaying() && ticks < 10000) {
    platform.AdvanceClock(30);
    form.PlayTimerTick();
    ++ticks;
    // Entries edited during the run take effect at the next step.
    if (ticks == 10) {
      f.UserSetText("EdClampMax", "2.9");
      f.UserSetText("EdSineMax", "2.4");
      f.UserSetText("edtIStep", "0,1; 0.6,2.2; 1.1,0.5; 1.6,2.8");
    }
    if (ticks == 15) {
      f.UserSetText("edtRU", "30");
      f.UserSetText("edCellRint", "25");
      f.UserSelect("cbVShape", 3);
      f.UserSetText("edtCC_A", "3.1");
      f.UserSetText("EdTopA", "3.5");
      f.UserSetText("EdTrapTopA", "4.5");
      f.UserSetText("EdBezPoints", "[[0,0],[0.5,1],[1,0.2]]");
      f.UserSetText("EdLUTMax", "4");
      f.UserSetText("EdDampF", "7");
    }
    if (ticks == 20) f.UserCheck("chkIRamp", false);
  }
  RunRecord r;
  const TSampleRing& ring = form.FRing;
  for (int k = 0; k < ring.FRingCount(); ++k) {
    const auto s = static_cast<size_t>(ring.RingAbsIndex(k));
    r.t.push_back(ring.FRingT()[s]);
    r.i.push_back(ring.FRingI()[s]);
    r.v.push_back(ring.FRingV()[s]);
  }
  f.UserClick("btnStop");  // the whole-run current at 1 Hz, from t = 0 again
  r.wholeRun = form.FCurrSim;
  r.simT = form.FSimT;
  r.iout = form.FIout;
  r.soc = form.FSoc01;
  r.lastV = form.FLastVout;
  r.prevIOut = form.FPrevIOut;
  r.phase = form.FCCCVPhase;
  r.mode = form.FRunState.Mode;
  return r;
}

TEST(LiveInputs, EveryPageRunsToTheSameFiguresAsThePlainReads) {
  for (const TPatternTab& tab : PatternTabs()) {
    for (bool chemKind : {false, true}) {
      SCOPED_TRACE(std::string(tab.page) + (chemKind ? " with the chemistry table selected" : ""));
      const RunRecord fast = PlayRun(tab.page, false, chemKind);
      const RunRecord plain = PlayRun(tab.page, true, chemKind);
      ASSERT_GT(fast.t.size(), 1000u);
      EXPECT_TRUE(SameBits(fast.t, plain.t));
      EXPECT_TRUE(SameBits(fast.i, plain.i));
      EXPECT_TRUE(SameBits(fast.v, plain.v));
      EXPECT_TRUE(SameBits(fast.wholeRun, plain.wholeRun));
      EXPECT_TRUE(SameBits({fast.simT, fast.iout, fast.soc, fast.lastV, fast.prevIOut},
                           {plain.simT, plain.iout, plain.soc, plain.lastV, plain.prevIOut}));
      EXPECT_EQ(fast.phase, plain.phase);
      EXPECT_EQ(fast.mode, plain.mode);
    }
  }
}

// A resolved entry follows an edit made between two steps.
TEST(LiveInputs, AnEditBetweenStepsTakesEffectAtTheNextStep) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  FormModel& f = form.Form();
  RestoreLayoutValues(f);
  f.SetActivePage("PcParams", "TsSine");
  f.SetChecked("chkIRamp", false);
  f.SetText("edtIStep", "");
  f.SetText("EdClampMax", "10");
  form.FTotalSecs = 100;
  const double before = form.CurrentAtTime(0.05);
  f.SetText("EdClampMax", "0.5");
  EXPECT_EQ(form.CurrentAtTime(0.06), 0.5);
  f.SetText("EdClampMax", "10");
  f.SetText("EdClampMin", "7");
  EXPECT_EQ(form.CurrentAtTime(0.07), 7.0);
  EXPECT_LT(before, 7.0);
}

// A run whose reference wave would exceed the bound of a run is refused with a message
// before anything is allocated; the window stays usable and the next run starts.
TEST(RunMemory, AReferenceWaveBeyondTheBoundIsRefusedWithAMessage) {
  RecordingPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  FormModel& f = form.Form();
  RestoreLayoutValues(f);
  f.SetText("edtFs", "0.1");      // 10 kHz
  f.SetText("EdTotalMs", "600");  // 360 million samples, 2.7 GB
  f.UserClick("btnStart");
  EXPECT_FALSE(form.FIsRunning);
  ASSERT_FALSE(platform.messages.empty());
  EXPECT_NE(platform.messages.back().text.find("more than the 1024 MB a run may hold"), std::string::npos)
      << platform.messages.back().text;
  EXPECT_TRUE(form.FWave.empty());
  f.SetText("edtFs", "1");
  f.SetText("EdTotalMs", "60");
  f.UserClick("btnStart");
  EXPECT_TRUE(form.FIsRunning);
  EXPECT_EQ(form.FWave.size(), 3'600'000u);
}

// A clock that moves on by `stepMs` at every reading: a slow machine as the tick sees it.
class SlowClockPlatform : public RecordingPlatform {
 public:
  int64_t stepMs = 0;
  int64_t NowMs() override { return nowMs += stepMs; }
};

// A tick that cannot do what the speed asks within its share of the interval stops early:
// simulated time runs slower, the status bar says so while it lasts, and the steps made are
// those of an unhurried run. A ring capped below 30 minutes says so too.
TEST(TickBudget, ASlowMachineRunsSimulatedTimeSlowerAndSaysSo) {
  SlowClockPlatform platform;
  TFormPreview form(platform);
  form.FormCreate();
  FormModel& f = form.Form();
  RestoreLayoutValues(f);
  f.SetActivePage("PcParams", "TsSine");
  f.SetText("edtFs", "0.01");   // a 10 us step: 450 000 steps per tick at speed 150
  f.SetText("EdTotalMs", "1");
  f.UserSetPosition("tbSpeed", 150);
  f.UserClick("btnStart");
  ASSERT_TRUE(form.FIsRunning);
  EXPECT_EQ(f.Text("FStatusBar").rfind("Sample ring limited to 2000000 samples", 0), 0u) << f.Text("FStatusBar");

  platform.stepMs = 4;  // every reading of the clock 4 ms later
  form.PlayTimerTick();
  EXPECT_GT(form.FSimT, 0.0);
  EXPECT_LT(form.FSimT, 4.5 / 10);  // far less than the 4.5 s asked for
  EXPECT_EQ(f.Text("FStatusBar"), TTickBudget::kSlowNote);
  EXPECT_EQ(form.FTickBudget.cutTicks, 1);

  // The same steps as without the cut: one per 10 us from the start.
  const TSampleRing& ring = form.FRing;
  for (int k = 1; k < ring.FRingCount(); ++k)
    ASSERT_EQ(ring.FRingT()[static_cast<size_t>(k)], ring.FRingT()[static_cast<size_t>(k - 1)] + form.FDtSim);

  platform.stepMs = 0;  // the machine keeps up again: the tick does all its steps
  const double before = form.FSimT;
  form.PlayTimerTick();
  EXPECT_NEAR(form.FSimT - before, 4.5, 1e-6);
  EXPECT_EQ(f.Text("FStatusBar"), "");
}

}  // namespace
}  // namespace voltaris
