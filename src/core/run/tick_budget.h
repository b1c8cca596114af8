// The share of the 30 ms play interval a tick may spend stepping the run. When the steps
// the speed asks for do not fit, the tick stops early and simulated time runs slower than
// requested (the figures of the run are the same, only their wall-clock pace changes);
// the status bar says so while it lasts.
#pragma once

#include <cstdint>
#include <string>

namespace voltaris {

class TTickBudget {
 public:
  static constexpr int64_t kBudgetMs = 10;  // of the 30 ms interval
  static constexpr const char* kSlowNote = "Simulation slower than requested: this machine cannot keep up with the speed";

  // A tick begins at `nowMs`.
  void Begin(int64_t nowMs) {
    startMs_ = nowMs;
    cut_ = false;
  }
  // True once the tick has used its share; the tick then leaves its remaining steps.
  bool Spent(int64_t nowMs) {
    if (nowMs - startMs_ < kBudgetMs) return false;
    cut_ = true;
    return true;
  }
  // Whether this tick was cut short.
  bool Cut() const { return cut_; }
  // Ticks cut short since the run started (for the dump and tests).
  int64_t cutTicks = 0;
  // The status bar shows the note (set by the tick when the first tick is cut, removed
  // when a tick fits again).
  bool noteShown = false;

 private:
  int64_t startMs_ = 0;
  bool cut_ = false;
};

}  // namespace voltaris
