// Batch runs and sweeps in process: several window states at once on worker threads give
// the figures of the same runs made alone, in combination order.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "automation/script_runner.h"
#include "batch/sweep.h"
#include "workspace/chem_library.h"
#include "workspace/hx_facade.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;

class BatchSweepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("voltaris_sweep_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
    // A session of its own, so no other test's last session changes the runs.
    session_ = (dir_ / "short.hxsim").string();
    RecordingPlatform platform;
    TFormPreview form(platform);
    form.FormCreate();
    form.Form().UserSetText("EdTotalMs", "0.5");
    THxFacade::ExportSessionToFile(session_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  TSweepPlan Plan(int jobs) const {
    TSweepPlan plan;
    plan.sessionFile = session_;
    plan.pages = {"TsSine", "TsGaussian", "tsCC_CV"};
    plan.axes = {{"EdSineMax", {"1.5", "2.5"}}};
    plan.jobs = jobs;
    return plan;
  }

  fs::path dir_;
  std::string session_;
};

bool SameFigures(const TRunFigures& a, const TRunFigures& b) { return RunFigureValues(a) == RunFigureValues(b); }

TEST_F(BatchSweepTest, WorkerThreadsGiveTheFiguresOfRunsMadeAlone) {
  const std::vector<TSweepRow> two = RunSweep(Plan(2));
  const std::vector<TSweepRow> three = RunSweep(Plan(3));
  ASSERT_EQ(two.size(), 6u);
  ASSERT_EQ(three.size(), 6u);
  for (size_t i = 0; i < two.size(); ++i) {
    EXPECT_EQ(two[i].index, i);
    EXPECT_EQ(two[i].error, "") << i;
    EXPECT_TRUE(SameFigures(two[i].figures, three[i].figures)) << i;
    const std::unique_ptr<TBatchRun> alone = RunFormation(SweepRequest(Plan(1), i));
    EXPECT_TRUE(SameFigures(two[i].figures, alone->Figures())) << i;
    EXPECT_EQ(two[i].inputs, three[i].inputs);
  }
  EXPECT_EQ(two[0].inputs, (std::vector<std::string>{"TsSine", "1.5"}));
  EXPECT_EQ(two[5].inputs, (std::vector<std::string>{"tsCC_CV", "2.5"}));
  EXPECT_EQ(SweepTableCsv(Plan(2), two), SweepTableCsv(Plan(1), three));
}

TEST_F(BatchSweepTest, ShardsSplitTheCombinationsByIndex) {
  TSweepPlan plan = Plan(1);
  EXPECT_EQ(SweepCombinationCount(plan), 6u);
  plan.shardCount = 4;
  plan.shardIndex = 1;
  plan.pages = {"TsSine"};
  plan.axes = {{"EdTotalMs", {"0.2", "0.3"}}, {"EdSineMax", {"1", "1.5", "2"}}};
  const std::vector<TSweepRow> rows = RunSweep(plan);
  ASSERT_EQ(rows.size(), 2u);  // combinations 1 and 5 of 6
  EXPECT_EQ(rows[0].index, 1u);
  EXPECT_EQ(rows[0].inputs, (std::vector<std::string>{"TsSine", "0.2", "1.5"}));
  EXPECT_EQ(rows[1].index, 5u);
  EXPECT_EQ(rows[1].inputs, (std::vector<std::string>{"TsSine", "0.3", "2"}));
}

TEST_F(BatchSweepTest, AFailingRunKeepsTheOtherRowsAndQuotesItsMessage) {
  TSweepPlan plan = Plan(2);
  plan.pages.clear();
  plan.axes = {{"EdTotalMs", {"0.3", "100000", "0.4"}}};
  const std::vector<TSweepRow> rows = RunSweep(plan);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].error, "");
  EXPECT_EQ(rows[1].error.rfind("The run cannot start: \"Max Formation time (min)\" = \"100000\"", 0), 0u)
      << rows[1].error;
  EXPECT_EQ(rows[2].error, "");
  EXPECT_GT(rows[2].figures.Q_Ah, rows[0].figures.Q_Ah);
  const std::string table = SweepTableCsv(plan, rows);
  // The message is quoted with its inner quotes doubled.
  EXPECT_NE(table.find("\n100000,,,,,,,,,,,\"The run cannot start: \"\"Max Formation time (min)\"\""),
            std::string::npos)
      << table;
}

TEST_F(BatchSweepTest, NamesAreCheckedBeforeAnythingRuns) {
  TSweepPlan plan = Plan(1);
  plan.axes.push_back({"NoSuchEdit", {"1"}});
  EXPECT_THROW(CheckSweep(plan), TBatchUsageError);
  plan = Plan(1);
  plan.pages.push_back("TsNowhere");
  EXPECT_THROW(CheckSweep(plan), TBatchUsageError);
  EXPECT_NO_THROW(CheckSweep(Plan(1)));
}

// Window states on several threads at once, each with its own snapshot callbacks and
// library list: the session one thread builds comes from its own window.
TEST_F(BatchSweepTest, WindowStateOfOneThreadStaysOnIt) {
  std::vector<std::string> totals(2);
  std::vector<size_t> libraryItems(2);
  auto work = [&](int k) {
    RecordingPlatform platform;
    TFormPreview form(platform);
    form.FormCreate();
    form.Form().UserSetText("EdTotalMs", k == 0 ? "0.2" : "0.4");
    for (int i = 0; i < 20; ++i) (void)THxFacade::BuildSimFromUI();
    totals[static_cast<size_t>(k)] = std::to_string(THxFacade::BuildSimFromUI().FTimebase->FTTotalS);
    libraryItems[static_cast<size_t>(k)] = GChemLibrary.Items().size();
  };
  std::thread a(work, 0), b(work, 1);
  a.join();
  b.join();
  EXPECT_EQ(totals[0], std::to_string(12.0));
  EXPECT_EQ(totals[1], std::to_string(24.0));
  EXPECT_EQ(libraryItems[0], libraryItems[1]);
}

}  // namespace
}  // namespace voltaris
