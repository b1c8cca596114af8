// The automation script runner's line parser on a headless window: arbitrary script text,
// minus the commands that write files or run simulated time (their arguments are parsed
// by the same code as the rest).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "automation/script_runner.h"
#include "common/debug_log.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace {

struct Session {
  voltaris::RecordingPlatform platform;
  voltaris::TFormPreview form{platform};
  voltaris::HeadlessHost host{form, platform};
  voltaris::ScriptRunner runner{form, platform, host};
  Session() {
    form.FormCreate();
    form.FormShow();
  }
};

bool Skipped(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  for (std::string_view cmd : {"tick", "run-to-end", "dump", "screenshot", "export-session", "import-session",
                               "click", "key", "dblclick"}) {
    if (line.starts_with(cmd)) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A workspace of its own (run_fuzz.sh sets one; a bare run gets a scratch folder).
  if (std::getenv("XDG_DATA_HOME") == nullptr) setenv("XDG_DATA_HOME", "/tmp/voltaris-fuzz-xdg", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Session* session = new Session();  // one window for the whole run, as a user has
  std::string script;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    if (!Skipped(line)) script.append(line).push_back('\n');
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
  }
  (void)session->runner.RunText(script);
  return 0;
}
