// A protocol sweep: every combination of the varied controls (and pattern pages) run as a
// batch run, on worker threads, one table row per run in combination order.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "batch/batch_run.h"

namespace voltaris {

struct TSweepAxis {
  std::string control{};
  std::vector<std::string> values{};
};

struct TSweepPlan {
  std::string sessionFile{};
  std::vector<std::pair<std::string, std::string>> fixed{};  // CONTROL=VALUE for every run, before the varied ones
  std::vector<std::string> pages{};  // pattern pages to compare; empty: the session's page
  std::vector<TSweepAxis> axes{};    // in the order given; the last varies fastest
  int jobs = 1;                      // worker threads
  int shardIndex = 0;                // this shard runs the combinations with index % shardCount == shardIndex
  int shardCount = 1;
};

struct TSweepRow {
  size_t index = 0;                  // combination index in the whole sweep
  std::vector<std::string> inputs{}; // page (when pages vary), then each axis' value
  TRunFigures figures{};
  std::string error{};               // empty on success
};

// Number of combinations of the whole sweep (all shards).
size_t SweepCombinationCount(const TSweepPlan& plan);
// The request of combination `index` (pages outermost, then the axes in order, the last
// fastest) and the varied inputs it stands for.
TBatchRequest SweepRequest(const TSweepPlan& plan, size_t index, std::vector<std::string>* inputs = nullptr);
// Checks the pages and control names once (TBatchUsageError) before anything runs.
void CheckSweep(const TSweepPlan& plan);

// Runs this shard's combinations on plan.jobs threads, each run with a window state of
// its own; a run that fails becomes a row with its message. Rows in combination order.
// `progress` (done, total) is called from the calling thread only.
std::vector<TSweepRow> RunSweep(const TSweepPlan& plan,
                                const std::function<void(size_t done, size_t total)>& progress = {});

// The table: a header (the varied inputs, the figures, "error"), then one line per row;
// "." decimals, texts quoted when they hold a comma, quote or line break.
std::string SweepTableCsv(const TSweepPlan& plan, const std::vector<TSweepRow>& rows);

}  // namespace voltaris
