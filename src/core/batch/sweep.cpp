#include "batch/sweep.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "workspace/hx_facade.h"

namespace voltaris {

size_t SweepCombinationCount(const TSweepPlan& plan) {
  size_t n = plan.pages.empty() ? 1 : plan.pages.size();
  for (const TSweepAxis& a : plan.axes) n *= a.values.size();
  return n;
}

TBatchRequest SweepRequest(const TSweepPlan& plan, size_t index, std::vector<std::string>* inputs) {
  TBatchRequest r;
  r.sessionFile = plan.sessionFile;
  std::vector<std::string> chosen(plan.axes.size());
  size_t rest = index;
  for (size_t k = plan.axes.size(); k-- > 0;) {
    const size_t n = plan.axes[k].values.size();
    chosen[k] = plan.axes[k].values[rest % n];
    rest /= n;
  }
  if (inputs != nullptr) inputs->clear();
  if (!plan.pages.empty()) {
    r.page = plan.pages[rest % plan.pages.size()];
    if (inputs != nullptr) inputs->push_back(r.page);
  }
  r.overrides = plan.fixed;
  for (size_t k = 0; k < plan.axes.size(); ++k) {
    r.overrides.emplace_back(plan.axes[k].control, chosen[k]);
    if (inputs != nullptr) inputs->push_back(chosen[k]);
  }
  return r;
}

void CheckSweep(const TSweepPlan& plan) {
  const TBatchRun probe;
  for (const std::string& page : plan.pages) {
    TBatchRequest r;
    r.page = page;
    probe.CheckRequest(r);
  }
  TBatchRequest r;
  r.overrides = plan.fixed;
  for (const TSweepAxis& a : plan.axes) r.overrides.emplace_back(a.control, std::string());
  probe.CheckRequest(r);
}

std::vector<TSweepRow> RunSweep(const TSweepPlan& plan, const std::function<void(size_t, size_t)>& progress) {
  const size_t total = SweepCombinationCount(plan);
  const size_t shards = static_cast<size_t>(std::max(plan.shardCount, 1));
  std::vector<TSweepRow> rows;
  for (size_t i = static_cast<size_t>(std::max(plan.shardIndex, 0)); i < total; i += shards) {
    TSweepRow row;
    row.index = i;
    SweepRequest(plan, i, &row.inputs);
    rows.push_back(std::move(row));
  }
  // The workspace's seed files once, before several windows look for them at once.
  THxFacade::EnsureSeedFiles();

  std::atomic<size_t> next{0};
  std::mutex lock;
  std::condition_variable changed;
  size_t done = 0;
  auto work = [&] {
    for (size_t k = next++; k < rows.size(); k = next++) {
      TSweepRow& row = rows[k];
      try {
        const std::unique_ptr<TBatchRun> run = RunFormation(SweepRequest(plan, row.index));
        row.figures = run->Figures();
      } catch (const std::exception& e) {
        row.error = e.what();
      }
      const std::lock_guard guard(lock);
      ++done;
      changed.notify_all();
    }
  };
  const size_t jobs = std::clamp<size_t>(static_cast<size_t>(std::max(plan.jobs, 1)), 1, std::max<size_t>(rows.size(), 1));
  std::vector<std::thread> workers;
  for (size_t j = 0; j < jobs; ++j) workers.emplace_back(work);
  {
    std::unique_lock guard(lock);
    size_t reported = static_cast<size_t>(-1);
    while (true) {
      if (done != reported) {
        reported = done;
        if (progress) {
          guard.unlock();
          progress(reported, rows.size());
          guard.lock();
        }
      }
      if (done == rows.size()) break;
      changed.wait(guard, [&] { return done != reported; });
    }
  }
  for (std::thread& t : workers) t.join();
  return rows;
}

std::string SweepTableCsv(const TSweepPlan& plan, const std::vector<TSweepRow>& rows) {
  std::string out;
  bool first = true;
  auto cell = [&](const std::string& text) {
    if (!first) out += ',';
    out += text;
    first = false;
  };
  if (!plan.pages.empty()) cell("page");
  for (const TSweepAxis& a : plan.axes) cell(CsvField(a.control));
  for (const std::string& name : RunFigureNames()) cell(name);
  cell("error");
  out += '\n';
  for (const TSweepRow& row : rows) {
    first = true;
    for (const std::string& input : row.inputs) cell(CsvField(input));
    const std::vector<double> values = RunFigureValues(row.figures);
    for (double v : values) cell(row.error.empty() ? CsvNumber(v) : std::string());
    cell(CsvField(row.error));
    out += '\n';
  }
  return out;
}

}  // namespace voltaris
