#include "cli_options.h"

#include <unistd.h>

#include <cstdio>

namespace voltaris::cli {

int UsageError(std::string_view command, std::string_view problem) {
  std::fprintf(stderr, "voltaris-cli %.*s: %.*s\n%s%s%s", static_cast<int>(command.size()), command.data(),
               static_cast<int>(problem.size()), problem.data(), kScriptUsage, kRunUsage, kSweepUsage);
  return 2;
}

bool SplitAssignment(std::string_view text, std::pair<std::string, std::string>& out) {
  const size_t eq = text.find('=');
  if (eq == std::string_view::npos || eq == 0) return false;
  out = {std::string(text.substr(0, eq)), std::string(text.substr(eq + 1))};
  return true;
}

ProgressLine::ProgressLine(bool quiet) : on_(!quiet && ::isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine() {
  if (shown_) std::fputs("\n", stderr);
}

void ProgressLine::Show(const std::string& text) {
  if (!on_) return;
  std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
  std::fflush(stderr);
  shown_ = true;
}

}  // namespace voltaris::cli
