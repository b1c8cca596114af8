// The main window's behaviour, free of any toolkit: it owns the form model and the run
// state, registers the handlers of the window's controls, and answers key presses,
// hints and chart double-clicks. The Qt window and the headless CLI both drive it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "form/form_model.h"
#include "form/keys.h"
#include "form/platform.h"
#include "waveform/waveform.h"

namespace voltaris {

using Json = nlohmann::ordered_json;

class TFormPreview {
 public:
  static constexpr const char* kProductName = "Voltaris Battery Formation Simulator";
  static constexpr const char* kHelpFileName = "Voltaris_Help.html";
  static constexpr int kPlayIntervalMs = 30;

  explicit TFormPreview(IPlatform& platform);
  TFormPreview(const TFormPreview&) = delete;
  TFormPreview& operator=(const TFormPreview&) = delete;

  FormModel& Form() { return form_; }
  IPlatform& Platform() { return platform_; }

  // Window creation: caption, hints, key handling, chart set-up, handlers.
  void FormCreate();
  // The window has been shown.
  void FormShow();

  // Function keys of the window (the window sees keys before its controls).
  // Returns true when the key was handled (and so consumed).
  bool FormKeyDown(const KeyStroke& key);
  // Character filter of an edit: true lets the character through.
  bool KeyPress(const std::string& controlName, char32_t ch) const;
  // Digits, ".", ",", "-" and control characters pass; every other character is swallowed.
  static bool NumericOnlyKeyPress(char32_t ch);
  // The application's hint changed: the status bar shows its long part.
  void AppHint(const std::string& hint);
  // The mouse rests on a control: its hint becomes the application's hint ("" = none).
  void HoverControl(const std::string& controlName);
  // Double click on a chart: undo its zoom.
  void ChartDblClick(const std::string& sender);

  // The play timer: enabled flag and interval; the view or the virtual clock calls
  // PlayTimerTick every interval while it is enabled.
  bool PlayTimerEnabled() const { return playTimerEnabled_; }
  void SetPlayTimerEnabled(bool enabled) { playTimerEnabled_ = enabled; }
  void PlayTimerTick();
  // Whether a run is playing (the automation's run-to-end stops when it is not).
  bool IsPlaying() const { return playTimerEnabled_; }

  // Named window functions an automation script may call with numeric arguments.
  using Probe = std::function<Json(const std::vector<double>& args)>;
  void RegisterProbe(const std::string& name, size_t argCount, Probe probe);
  // Throws FormError for an unknown function or a wrong argument count.
  Json CallProbe(const std::string& name, const std::vector<double>& args);

  // Run fields shown in the automation dump under their names.
  void RegisterStateField(const std::string& name, std::function<Json()> read);
  Json DumpState() const;

  // The play timer handler, set by the run controller.
  std::function<void()> onPlayTimer;

 private:
  void SetupHints();
  void ShowHelp();
  void ShowAbout();

  IPlatform& platform_;
  FormModel form_;
  bool playTimerEnabled_ = false;
  std::map<std::string, std::pair<size_t, Probe>> probes_;
  std::vector<std::pair<std::string, std::function<Json()>>> stateFields_;

 public:
  // Waveform generation: pattern shapes, schedules and the reference preview, bound to
  // the form (declared after it, so the form exists when it resolves its controls).
  TWaveform waveform{form_};

 private:
  void RegisterWaveformProbes();
};

}  // namespace voltaris
