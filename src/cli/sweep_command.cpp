// voltaris-cli sweep: every combination of the varied controls and pattern pages run on
// worker threads, one row each in a CSV table.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "batch/sweep.h"
#include "cli_commands.h"
#include "cli_options.h"
#include "documents/text_file.h"

namespace voltaris::cli {

namespace {

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

bool ParseCount(std::string_view text, int& out) {
  const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && ec == std::errc() && p == text.data() + text.size();
}

}  // namespace

int SweepCommand(int argc, char** argv) {
  TSweepPlan plan;
  plan.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::string outFile;
  bool quiet = false;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--out" || arg == "--vary" || arg == "--pages" || arg == "--set" || arg == "--jobs" ||
        arg == "--shard") {
      if (i + 1 >= argc) return UsageError("sweep", arg + " needs a value");
      const std::string value = argv[++i];
      if (arg == "--out") {
        outFile = value;
      } else if (arg == "--vary") {
        std::pair<std::string, std::string> vary;
        if (!SplitAssignment(value, vary) || vary.second.empty())
          return UsageError("sweep", "--vary expects CONTROL=v1,v2,..., got '" + value + "'");
        plan.axes.push_back({vary.first, SplitList(vary.second)});
      } else if (arg == "--pages") {
        if (value.empty()) return UsageError("sweep", "--pages expects P1,P2,...");
        plan.pages = SplitList(value);
      } else if (arg == "--set") {
        std::pair<std::string, std::string> set;
        if (!SplitAssignment(value, set)) return UsageError("sweep", "--set expects CONTROL=VALUE, got '" + value + "'");
        plan.fixed.push_back(std::move(set));
      } else if (arg == "--jobs") {
        if (!ParseCount(value, plan.jobs) || plan.jobs < 1)
          return UsageError("sweep", "--jobs expects a whole number of at least 1, got '" + value + "'");
      } else {
        const size_t slash = value.find('/');
        if (slash == std::string::npos || !ParseCount(std::string_view(value).substr(0, slash), plan.shardIndex) ||
            !ParseCount(std::string_view(value).substr(slash + 1), plan.shardCount) || plan.shardCount < 1 ||
            plan.shardIndex < 0 || plan.shardIndex >= plan.shardCount)
          return UsageError("sweep", "--shard expects K/N with 0 <= K < N, got '" + value + "'");
      }
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (arg.rfind("--", 0) == 0) {
      return UsageError("sweep", "unknown option " + arg);
    } else if (plan.sessionFile.empty()) {
      plan.sessionFile = arg;
    } else {
      return UsageError("sweep", "more than one session file: " + arg);
    }
  }
  if (outFile.empty()) return UsageError("sweep", "--out table.csv is required");
  // A session named on the command line is relative to the current folder.
  if (!plan.sessionFile.empty()) plan.sessionFile = std::filesystem::absolute(plan.sessionFile).string();

  try {
    CheckSweep(plan);
    std::vector<TSweepRow> rows;
    {
      ProgressLine line(quiet);
      rows = RunSweep(plan, [&](size_t done, size_t total) {
        line.Show("sweep: " + std::to_string(done) + " / " + std::to_string(total) + " runs");
      });
    }
    WriteFileReplacing(outFile, SweepTableCsv(plan, rows));
  } catch (const TBatchUsageError& e) {
    return UsageError("sweep", e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace voltaris::cli
