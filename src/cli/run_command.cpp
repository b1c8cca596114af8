// voltaris-cli run: one formation from the command line into metrics.json, run.csv and
// profile.csv.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "batch/batch_run.h"
#include "cli_commands.h"
#include "cli_options.h"

namespace voltaris::cli {

int RunCommand(int argc, char** argv) {
  TBatchRequest request;
  std::string outDir;
  bool quiet = false;
  bool pdf = false;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--out" || arg == "--page" || arg == "--set") {
      if (!hasValue) return UsageError("run", arg + " needs a value");
      const std::string value = argv[++i];
      if (arg == "--out") {
        outDir = value;
      } else if (arg == "--page") {
        request.page = value;
      } else {
        std::pair<std::string, std::string> set;
        if (!SplitAssignment(value, set)) return UsageError("run", "--set expects CONTROL=VALUE, got '" + value + "'");
        request.overrides.push_back(std::move(set));
      }
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (arg == "--pdf") {
      pdf = true;
    } else if (arg.rfind("--", 0) == 0) {
      return UsageError("run", "unknown option " + arg);
    } else if (request.sessionFile.empty()) {
      request.sessionFile = arg;
    } else {
      return UsageError("run", "more than one session file: " + arg);
    }
  }
  if (outDir.empty()) return UsageError("run", "--out DIR is required");
  // A session named on the command line is relative to the current folder.
  if (!request.sessionFile.empty()) request.sessionFile = std::filesystem::absolute(request.sessionFile).string();

  try {
    TBatchRun run;
    run.CheckRequest(request);
    run.Prepare(request);
    ProgressLine line(quiet);
    run.Execute([&](double f) { line.Show("run: " + std::to_string(static_cast<int>(std::floor(f * 100))) + " %"); });
    run.WriteOutputs(outDir);
    if (pdf) run.WriteReport(outDir);
  } catch (const TBatchUsageError& e) {
    return UsageError("run", e.what());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace voltaris::cli
