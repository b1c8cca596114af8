// Pieces the subcommands share: the usage texts, CONTROL=VALUE arguments and the progress
// line on stderr.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace voltaris::cli {

inline constexpr const char* kScriptUsage = "usage: voltaris-cli --script FILE\n";
inline constexpr const char* kRunUsage =
    "       voltaris-cli run [SESSION.hxsim] [--page PAGE] [--set CONTROL=VALUE]... --out DIR [--pdf] [--quiet]\n";
inline constexpr const char* kSweepUsage =
    "       voltaris-cli sweep [SESSION.hxsim] --vary CONTROL=v1,v2,... [--vary ...] [--pages P1,P2,...]\n"
    "                          [--set CONTROL=VALUE]... [--jobs N] [--shard K/N] --out table.csv [--quiet]\n";

// Prints "voltaris-cli <command>: <problem>" and the usage text on stderr; returns 2.
int UsageError(std::string_view command, std::string_view problem);

// Splits "CONTROL=VALUE" at its first "="; false when there is none or no control name.
bool SplitAssignment(std::string_view text, std::pair<std::string, std::string>& out);

// A one-line progress display on stderr, shown only when stderr is a terminal.
class ProgressLine {
 public:
  explicit ProgressLine(bool quiet);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  void Show(const std::string& text);

 private:
  bool on_;
  bool shown_ = false;
};

}  // namespace voltaris::cli
