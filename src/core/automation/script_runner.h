// The automation script language shared by the window and the headless CLI: one command
// per line, run against the form as a user would act on it.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace voltaris {

// A fault of the script itself (unknown command or control, bad arguments, unreadable
// file): it stops the script with exit code 2.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What differs between the window and the CLI.
class ScriptHost {
 public:
  virtual ~ScriptHost() = default;
  // PNG of the window; the CLI has none and raises a ScriptError.
  virtual void Screenshot(const std::filesystem::path& file) = 0;
  // One 30 ms tick of the play timer.
  virtual void Tick() = 0;
  // Called after every command (the window lets its widgets catch up).
  virtual void AfterCommand() {}
  // "wait-web MS": lets the embedded page settle for MS milliseconds (nothing headless).
  virtual void WaitWeb(int ms) { (void)ms; }
};

// The headless host: no window, a virtual clock.
class HeadlessHost : public ScriptHost {
 public:
  HeadlessHost(TFormPreview& form, RecordingPlatform& platform) : form_(form), platform_(platform) {}
  void Screenshot(const std::filesystem::path& file) override;
  void Tick() override;

 private:
  TFormPreview& form_;
  RecordingPlatform& platform_;
};

struct ProbeRecord {
  std::string function;
  std::vector<double> args;
  Json result;
};

class ScriptRunner {
 public:
  ScriptRunner(TFormPreview& form, RecordingPlatform& platform, ScriptHost& host);

  // Runs a script file. Returns the exit code: 0 at the end or at "quit", 2 after a
  // script error (reported as "script:LINE: message" on stderr).
  int RunFile(const std::filesystem::path& file);
  // Runs script text (lines numbered from 1). Same exit codes.
  int RunText(std::string_view text);
  // Executes one command line; throws ScriptError. Returns false on "quit".
  bool RunLine(std::string_view line);

  // The state dump as written by "dump".
  Json Dump(bool full) const;

  const std::vector<ProbeRecord>& Probes() const { return probes_; }

 private:
  Control& ControlOf(const std::string& name, std::initializer_list<ControlKind> kinds, const char* what);

  TFormPreview& form_;
  RecordingPlatform& platform_;
  ScriptHost& host_;
  std::vector<ProbeRecord> probes_;
};

// Collects the debug channel into `platform`'s record for the dump while alive.
class DebugCapture {
 public:
  explicit DebugCapture(std::vector<std::string>& lines);
  ~DebugCapture();
  DebugCapture(const DebugCapture&) = delete;
  DebugCapture& operator=(const DebugCapture&) = delete;
};

}  // namespace voltaris
