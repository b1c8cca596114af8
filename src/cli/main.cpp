// voltaris-cli: the headless form. Runs an automation script against the same window
// behaviour as the desktop program, on a virtual clock, without a display.
#include <cstdio>
#include <cstring>
#include <string>

#include "automation/script_runner.h"
#include "cli_commands.h"
#include "cli_options.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace {
int Usage() {
  std::fprintf(stderr, "usage: voltaris-cli --script FILE\n%s%s", voltaris::cli::kRunUsage, voltaris::cli::kSweepUsage);
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "run") == 0) return voltaris::cli::RunCommand(argc - 2, argv + 2);
  if (argc >= 2 && std::strcmp(argv[1], "sweep") == 0) return voltaris::cli::SweepCommand(argc - 2, argv + 2);
  if (argc != 3 || std::strcmp(argv[1], "--script") != 0) return Usage();

  voltaris::RecordingPlatform platform;
  voltaris::DebugCapture capture(platform.debugLines);
  voltaris::TFormPreview form(platform);
  form.FormCreate();
  form.FormShow();
  voltaris::HeadlessHost host(form, platform);
  voltaris::ScriptRunner runner(form, platform, host);
  const int code = runner.RunFile(argv[2]);
  form.FormDestroy();
  return code;
}
