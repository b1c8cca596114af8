// Runs an automation script in the desktop window (VOLTARIS_UI_SCRIPT).
#pragma once

#include "automation/script_runner.h"
#include "main_window.h"

namespace voltaris::ui {

class WindowScriptHost : public ScriptHost {
 public:
  WindowScriptHost(MainWindow& window, TFormPreview& form, RecordingPlatform& platform)
      : window_(window), form_(form), platform_(platform) {}
  // PNG of the window as it is on screen.
  void Screenshot(const std::filesystem::path& file) override;
  // One play-timer tick on the virtual clock.
  void Tick() override;
  // Lets the widgets and charts catch up with the model.
  void AfterCommand() override;
  // Runs the event loop for `ms` milliseconds: the embedded page loads and draws.
  void WaitWeb(int ms) override;

 private:
  MainWindow& window_;
  TFormPreview& form_;
  RecordingPlatform& platform_;
};

}  // namespace voltaris::ui
