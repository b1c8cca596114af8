#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "run/live_chart_window.h"
#include "run/sample_ring.h"

namespace voltaris {
namespace {

TEST(SampleRing, CapacityIsBoundedBelowAndAbove) {
  TSampleRing ring;
  ring.RingInit(100);
  EXPECT_EQ(ring.FRingCap(), 200);
  EXPECT_EQ(ring.FRingT().size(), 200u);
  ring.RingInit(-5);
  EXPECT_EQ(ring.FRingCap(), 200);
  ring.RingInit(2'000'000'000);
  EXPECT_EQ(ring.FRingCap(), TSampleRing::kMaxCapacity);

  // 30 minutes of samples, at least 1024, at most the bound (0.1 ms or 1 µs steps).
  EXPECT_EQ(TSampleRing::CapacityForStep(1.0), 1800);
  EXPECT_EQ(TSampleRing::CapacityForStep(10.0), 1024);
  EXPECT_EQ(TSampleRing::CapacityForStep(0.001), 1'800'000);
  EXPECT_EQ(TSampleRing::CapacityForStep(1e-4), TSampleRing::kMaxCapacity);
  EXPECT_EQ(TSampleRing::CapacityForStep(1e-6), TSampleRing::kMaxCapacity);
  EXPECT_EQ(TSampleRing::CapacityForStep(0.0), TSampleRing::kMaxCapacity);
  EXPECT_EQ(TSampleRing::CapacityForStep(NAN), TSampleRing::kMaxCapacity);
  // Even the smallest step keeps a whole 30 s chart window at 15 µs.
  EXPECT_GE(TSampleRing::kMaxCapacity, 30.0 / 15e-6);
}

TEST(SampleRing, WrapsAroundOverwritingTheOldest) {
  TSampleRing ring;
  ring.RingInit(200);
  for (int n = 0; n < 205; ++n) ring.RingPush(n, 10.0 * n, 100.0 + n);
  EXPECT_EQ(ring.FRingCount(), 200);
  EXPECT_EQ(ring.FRingHead(), 5);
  EXPECT_EQ(ring.RingAbsIndex(0), 5);
  EXPECT_EQ(ring.RingAbsIndex(194), 199);
  EXPECT_EQ(ring.RingAbsIndex(195), 0);
  EXPECT_EQ(ring.RingAbsIndex(199), 4);
  EXPECT_EQ(ring.FRingT()[static_cast<size_t>(ring.RingAbsIndex(0))], 5.0);
  EXPECT_EQ(ring.FRingI()[static_cast<size_t>(ring.RingAbsIndex(199))], 2040.0);
  EXPECT_EQ(ring.FRingV()[static_cast<size_t>(ring.RingAbsIndex(199))], 304.0);

  ring.RingClear();
  EXPECT_EQ(ring.FRingCount(), 0);
  EXPECT_EQ(ring.FRingHead(), 0);
  EXPECT_EQ(ring.FRingCap(), 200);
}

// The first sample at or after a time, as a plain scan from the oldest finds it.
int ScanFirst(const TSampleRing& ring, double tStart) {
  for (int k = 0; k < ring.FRingCount(); ++k)
    if (ring.FRingT()[static_cast<size_t>(ring.RingAbsIndex(k))] >= tStart) return k;
  return 0;
}

TEST(SampleRing, FirstIndexSearchMatchesAScanInOrderAndOutOfOrder) {
  TSampleRing ring;
  ring.RingInit(200);
  for (int n = 0; n < 350; ++n) ring.RingPush(0.5 * n, 0, 0);  // wrapped, in order
  EXPECT_TRUE(ring.TimesInOrder());
  for (double t : {-1.0, 0.0, 75.0, 75.2, 120.0, 174.5, 175.0, 1e9})
    EXPECT_EQ(ring.FirstIndexAtOrAfter(t), ScanFirst(ring, t)) << t;

  // A second run pushed without emptying: times restart at 0 inside the ring.
  for (int n = 0; n < 50; ++n) ring.RingPush(0.5 * n, 0, 0);
  EXPECT_FALSE(ring.TimesInOrder());
  for (double t : {0.0, 10.0, 100.0, 170.0, 1e9}) EXPECT_EQ(ring.FirstIndexAtOrAfter(t), ScanFirst(ring, t)) << t;

  // Once the older run has been overwritten completely, the times are in order again.
  for (int n = 50; n < 400; ++n) ring.RingPush(0.5 * n, 0, 0);
  EXPECT_TRUE(ring.TimesInOrder());
  EXPECT_EQ(ring.FirstIndexAtOrAfter(150.0), ScanFirst(ring, 150.0));
}

class LiveWindowTest : public ::testing::Test {
 protected:
  LiveWindowTest() {
    ring.RingInit(200);
    serI = &chI.AddSeries("FSerI", SeriesKind::FastLine);
    serV = &chV.AddSeries("FSerV", SeriesKind::FastLine);
    serSEI = &chSEI.AddSeries("FSerSEI", SeriesKind::Line);
    serRate = &chSEI.AddSeries("FSerSEIRate", SeriesKind::Line);
  }
  void Draw() { AddWindowToCharts_FromRing(ring, chI, chV, &chSEI, serI, serV, serSEI, serRate, sim, chemFs); }
  static std::vector<std::pair<double, double>> Points(const SeriesModel& s) {
    std::vector<std::pair<double, double>> out;
    for (size_t i = 0; i < s.Count(); ++i) out.emplace_back(s.X(i), s.Y(i));
    return out;
  }
  using Pts = std::vector<std::pair<double, double>>;

  TSampleRing ring;
  ChartModel chI{"chI"}, chV{"chV"}, chSEI{"chSEI"};
  SeriesModel *serI, *serV, *serSEI, *serRate;
  TSimOutputs sim;
  double chemFs = 0;
};

TEST_F(LiveWindowTest, OneSampleLeavesTheChartsAlone) {
  serI->Add(1, 1);
  ring.RingPush(0, 1, 3.3);
  const uint64_t before = chI.Signature();
  Draw();
  EXPECT_EQ(chI.Signature(), before);
  EXPECT_EQ(serI->Count(), 1u);
}

TEST_F(LiveWindowTest, TwoSamplesGiveTwoBucketsOfOneSample) {
  serSEI->Add(9, 9);  // stale points are cleared
  ring.RingPush(0.0, 1.0, 3.3);
  ring.RingPush(0.5, 2.0, 3.4);
  Draw();
  EXPECT_EQ(Points(*serI), (Pts{{0.0, 1.0}, {0.0, 1.0}, {0.5, 2.0}, {0.5, 2.0}}));
  EXPECT_EQ(Points(*serV), (Pts{{0.0, 3.3}, {0.0, 3.3}, {0.5, 3.4}, {0.5, 3.4}}));
  EXPECT_EQ(serSEI->Count(), 0u);  // no SEI wave
  EXPECT_FALSE(chI.bottom.automatic);
  EXPECT_EQ(chI.bottom.minimum, 0.0);
  EXPECT_EQ(chI.bottom.maximum, 0.5);
  EXPECT_EQ(chV.bottom.maximum, 0.5);
  EXPECT_FALSE(chSEI.bottom.automatic);
  EXPECT_EQ(chSEI.bottom.maximum, 0.5);
  EXPECT_TRUE(chSEI.left.automatic);
  EXPECT_TRUE(chSEI.right.automatic);
  EXPECT_FALSE(chI.Locked());
  EXPECT_FALSE(chV.Locked());
}

TEST_F(LiveWindowTest, SamplesAtOneInstantGiveAOneMillisecondWindow) {
  for (int n = 0; n < 3; ++n) ring.RingPush(0.0, n, 3.3);
  Draw();
  EXPECT_EQ(chI.bottom.minimum, 0.0);
  EXPECT_EQ(chI.bottom.maximum, 0.001);
  EXPECT_EQ(serI->Count(), 6u);
}

TEST_F(LiveWindowTest, WindowIsTheLastThirtySecondsOfAWrappedRing) {
  // 1 sample per second for 250 s in a 200-sample ring: window 220..249 s.
  for (int n = 0; n < 250; ++n) ring.RingPush(n, n % 7, 3.0 + 0.001 * n);
  Draw();
  EXPECT_EQ(chI.bottom.minimum, 219.0);
  EXPECT_EQ(chI.bottom.maximum, 249.0);
  ASSERT_EQ(serI->Count(), 62u);  // samples 219..249, one per bucket
  EXPECT_EQ(serI->X(0), 219.0);
  EXPECT_EQ(serI->X(61), 249.0);
}

TEST_F(LiveWindowTest, LongWindowIsReducedToMinMaxBucketsInTimeOrder) {
  ring.RingInit(40000);
  // 30 s at 1 ms: 30001 samples, buckets of 3 samples, 10001 buckets.
  for (int n = 0; n <= 30000; ++n) {
    const double t = n * 0.001;
    const int phase = n % 3;
    // Current: maximum first, then minimum, in each bucket; voltage the other way round.
    const double i = phase == 0 ? 5.0 : (phase == 1 ? -1.0 : 2.0);
    const double v = phase == 0 ? 3.0 : (phase == 1 ? 3.6 : 3.3);
    ring.RingPush(t, i, v);
  }
  Draw();
  ASSERT_EQ(serI->Count(), 20002u);
  ASSERT_EQ(serV->Count(), 20002u);
  EXPECT_EQ(Points(*serI)[0], std::make_pair(0.0, 5.0));  // the maximum came first
  EXPECT_EQ(Points(*serI)[1], std::make_pair(0.001, -1.0));
  EXPECT_EQ(Points(*serV)[0], std::make_pair(0.0, 3.0));  // the minimum came first
  EXPECT_EQ(Points(*serV)[1], std::make_pair(0.001, 3.6));
  for (size_t k = 1; k < serI->Count(); ++k) EXPECT_LE(serI->X(k - 1), serI->X(k));
}

TEST_F(LiveWindowTest, EqualValuesKeepTheFirstSampleAndPutTheMinimumFirst) {
  ring.RingInit(20000);
  for (int n = 0; n < 16000; ++n) ring.RingPush(n * 0.001, 1.0, 3.3);  // b = 2
  Draw();
  ASSERT_EQ(serI->Count(), 16000u);
  EXPECT_EQ(serI->X(0), 0.0);
  EXPECT_EQ(serI->X(1), 0.0);
  EXPECT_EQ(serI->X(2), 0.002);
}

TEST_F(LiveWindowTest, SeiPointsAtTheCurrentPeakStopWhereTheSeiWaveEnds) {
  chemFs = 1.0;
  sim.SEI_nm = {5.0, 5.5, 6.5};
  // Buckets of one sample at 0, 0.6, 1.4, 2.5 (rounds to 2, even) and 3 s.
  for (double t : {0.0, 0.6, 1.4, 2.5, 3.0}) ring.RingPush(t, 1.0, 3.3);
  Draw();
  EXPECT_EQ(Points(*serSEI), (Pts{{0.0, 5.0}, {0.6, 5.5}, {1.4, 5.5}, {2.5, 6.5}}));
  EXPECT_EQ(Points(*serRate), (Pts{{0.6, 0.5}, {1.4, 0.5}, {2.5, 1.0}}));  // nm/s, needs n >= 1
}

TEST_F(LiveWindowTest, MissingSeriesAndSeiChartAreSkipped) {
  chemFs = 10;
  sim.SEI_nm.assign(100, 5.0);
  ring.RingPush(0, 1, 3.3);
  ring.RingPush(1, 2, 3.4);
  AddWindowToCharts_FromRing(ring, chI, chV, nullptr, nullptr, serV, nullptr, serRate, sim, chemFs);
  EXPECT_EQ(serV->Count(), 4u);
  EXPECT_EQ(serRate->Count(), 0u);  // rate points belong to the SEI points
  EXPECT_TRUE(chSEI.bottom.automatic);
  EXPECT_EQ(chI.bottom.maximum, 1.0);
}

}  // namespace
}  // namespace voltaris
