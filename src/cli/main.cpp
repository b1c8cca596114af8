// voltaris-cli: the headless form. Runs an automation script against the same window
// behaviour as the desktop program, on a virtual clock, without a display.
#include <cstdio>
#include <cstring>
#include <string>

#include "automation/script_runner.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace {
int Usage() {
  std::fprintf(stderr, "usage: voltaris-cli --script FILE\n");
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
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
