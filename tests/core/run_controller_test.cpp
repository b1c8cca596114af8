// The run controller: Start, the 30 ms tick with its speed factor, the simulation step,
// Stop and the end of a run by time, on the headless form's virtual clock.
#include <gtest/gtest.h>

#include "layout_values.h"

#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

// Processing pending window messages in the middle of a tick may deliver another tick.
class ReentrantPlatform : public RecordingPlatform {
 public:
  std::function<void()> onPump;
  int pumps = 0;
  void ProcessPendingEvents() override {
    ++pumps;
    if (onPump) onPump();
  }
};

class RunControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.FormCreate();
    RestoreLayoutValues(f());  // the layout's inputs, whatever session the workspace restored
  }
  FormModel& f() { return form_.Form(); }
  void Start() { f().UserClick("btnStart"); }
  int Tick() {
    platform_.AdvanceClock(30);
    form_.PlayTimerTick();
    return 1;
  }
  int TicksToEnd(int limit = 100000) {
    int n = 0;
    while (form_.IsPlaying() && n < limit) n += Tick();
    return n;
  }

  ReentrantPlatform platform_;
  TFormPreview form_{platform_};
};

TEST_F(RunControllerTest, InitialInputsRunAnHourInTwelveHundredTicks) {
  EXPECT_EQ(f().Get("lblSpeed").Caption(), "Speed: 100x");
  Start();
  EXPECT_TRUE(form_.FIsRunning);
  EXPECT_DOUBLE_EQ(form_.FTotalSecs, 3600);
  EXPECT_DOUBLE_EQ(form_.FDtSim, 1.0);
  EXPECT_DOUBLE_EQ(form_.FAlphaI, 0.5);
  EXPECT_EQ(form_.FRing.FRingCap(), 1800);
  Tick();
  EXPECT_DOUBLE_EQ(form_.FSimT, 3.0);  // speed 100: 3 steps of 1 s per tick
  EXPECT_EQ(TicksToEnd(), 1199);
  EXPECT_FALSE(form_.FIsRunning);
  EXPECT_DOUBLE_EQ(form_.FSimT, 3600);
  EXPECT_EQ(form_.FRing.FRingCount(), 1800);  // 30 minutes kept
  EXPECT_GT(form_.FSerI->Count(), 0u);        // the final chart window was drawn
}

TEST_F(RunControllerTest, StepsPerTickFollowTheSpeedAndTheResponseTime) {
  struct Case {
    const char* respMs;
    int speed;
    double simPerTick;
  } cases[] = {
      {"1000", 1, 1.0},      // round(0.03) = 0 steps, raised to 1
      {"1000", 100, 3.0},    // 3 steps
      {"1", 150, 4.5},       // 4500 steps of 1 ms, in chunks of 4000 and 500
      {"0", 10, 0.3},        // a response time of 0 is read as 1 ms
  };
  for (const Case& c : cases) {
    f().SetText("edtFs", c.respMs[0] == '0' ? "1" : c.respMs);  // the edit handler needs a number
    f().SetText("edtFs", c.respMs);
    f().UserSetPosition("tbSpeed", c.speed);
    Start();
    Tick();
    EXPECT_NEAR(form_.FSimT, c.simPerTick, 1e-9) << c.respMs << " ms at speed " << c.speed;
    f().UserClick("btnStop");
  }
}

TEST_F(RunControllerTest, StopBeforeTheFirstTickKeepsTheEmptyRing) {
  Start();
  f().UserClick("btnStop");
  EXPECT_FALSE(form_.FIsRunning);
  EXPECT_FALSE(form_.IsPlaying());
  Tick();
  EXPECT_EQ(form_.FSimT, 0.0);
  EXPECT_EQ(form_.FRing.FRingCount(), 0);
}

TEST_F(RunControllerTest, ANestedTickReturnsAtOnceAndANestedStopEndsTheTick) {
  f().SetText("edtFs", "1");
  f().UserSetPosition("tbSpeed", 150);
  Start();
  double simAtNested = -1;
  platform_.onPump = [&] {
    simAtNested = form_.FSimT;
    form_.tmPlayTimer("tmPlay");  // re-entered: must not step
    EXPECT_EQ(form_.FSimT, simAtNested);
  };
  platform_.AdvanceClock(30);
  form_.PlayTimerTick();
  EXPECT_GT(platform_.pumps, 0);
  EXPECT_NEAR(form_.FSimT, 4.5, 1e-9);
  EXPECT_FALSE(form_.FInTimer);

  // 0.1 ms steps at speed 100: 30 000 steps in chunks of 4000, messages pumped after
  // the first chunk, where Stop arrives.
  platform_.onPump = nullptr;
  f().SetText("edtFs", "0.1");
  f().UserSetPosition("tbSpeed", 100);
  Start();
  platform_.onPump = [&] { f().UserClick("btnStop"); };
  platform_.AdvanceClock(30);
  form_.PlayTimerTick();
  EXPECT_FALSE(form_.FIsRunning);
  EXPECT_NEAR(form_.FSimT, 0.4, 1e-9);  // the rest of the tick was not stepped
}

// A finished charge keeps the run's pace: a small cell that reaches cmDone early must not
// turn the rest of the formation into one step per call.
TEST_F(RunControllerTest, CcCvPageKeepsItsPaceOnceTheChargeIsDone) {
  f().SetActivePage("PcParams", "tsCC_CV");
  f().SetText("edtIStep", "");
  Start();
  form_.FRunState.Mode = cmDone;
  form_.FRunState.I = 0;
  const double t0 = form_.FSimT;
  form_.StepSim(50);
  EXPECT_NEAR(form_.FSimT, t0 + 50 * form_.FDtSim, 1e-9);
  EXPECT_EQ(form_.FIout, 0.0);
  EXPECT_EQ(form_.FRunState.Mode, cmDone);
}

TEST_F(RunControllerTest, ResponseTimeEditsAreParsedStrictly) {
  f().SetText("edtFs", "20");  // tau 20 ms: dt = min(tau / 20, ...) = 1 ms
  EXPECT_DOUBLE_EQ(form_.FDtSim, 1e-3);
  f().UserSetText("edtFs", "abc");
  ASSERT_EQ(platform_.messages.size(), 1u);
  EXPECT_EQ(platform_.messages[0].text, "'abc' is not a valid floating point value");
  EXPECT_DOUBLE_EQ(form_.FDtSim, 1e-3);  // unchanged
}

}  // namespace
}  // namespace voltaris
