// The calibration page and the smoke test of the main window. The calibration runs the
// three CC levels of the grid sgCalib as headless runs, then fits the SEI target thickness
// xTarget_nm of the run's chemistry by bisection so that the SEI simulation stabilises at
// the nominal level's formation time, and checks the fit on every level. The smoke test
// runs the SEI simulation once over 300 minutes of constant current and writes its figures
// with sanity checks into MemoChemMetrics.
#pragma once

#include <string>
#include <vector>

#include "chemistry/sei_growth.h"

namespace voltaris {

class TFormPreview;

// The calibration grid: 4 columns x 4 rows, row 0 the header.
inline constexpr int kCalibGridCols = 4;
inline constexpr int kCalibGridRows = 4;
// Bisection steps of the target thickness fit.
inline constexpr int kCalibBisectionSteps = 20;
// A check run whose stabilisation time deviates from its row's formation time by more
// than this fraction is marked as a warning.
inline constexpr double kCalibCheckTolerance = 0.20;

// The smoke test's constant-current wave: 18000 samples at 1 Hz.
inline constexpr int kSmokeSamples = 18000;
inline constexpr double kSmokeFsHz = 1.0;

// The smoke test report in MemoChemMetrics for a constant current I (A), ambient Tamb
// (°C), series resistance R0 (ohm) and the SEI simulation's result.
std::vector<std::string> SmokeTestReport(double I, double Tamb, double R0, const TSimOutputs& out);

// The verdict of one check run: the row's CC level, its stabilisation time (s, not above 0
// when never) and its target formation time (min).
std::string CalibrationCheckLine(const std::string& level, double tDoneS, double tTargetMin);

class TCalibration {
 public:
  explicit TCalibration(TFormPreview& hub);
  TCalibration(const TCalibration&) = delete;
  TCalibration& operator=(const TCalibration&) = delete;

  // Grid shape: size, header row, editing on, column widths 90, 110, 110, 120 px.
  void InitCalibrationGrid();
  // Rows 1 to 3: the low, nominal and high CC levels with their targets and notes.
  void LoadCalibrationDefaults();
  // Handlers of "Run Calibration", "Run Smoke Test" and "Defaults" (the default rows);
  // RegisterAutomation adds FCalibCC_A to the dump.
  void AttachHandlers();
  void RegisterAutomation();

  // "Run Calibration". A click while a calibration runs does nothing.
  void btnRunCalibrationClick(const std::string& sender);
  // "Run Smoke Test".
  void btnRunSmokeClick(const std::string& sender);
  bool Running() const { return running_; }

  // CC current of the current calibration run (A); while > 0 it replaces edtCC_A in the
  // headless runs on the CC-CV page, also after the calibration.
  double FCalibCC_A = 0.0;
  // Whether the headless runs may take an unchanged reference wave from the window's wave
  // cache (off: every run rebuilds its wave, the step-by-step reference the reuse must match).
  bool reuseBetweenRuns = true;

 private:
  // The position of pbCalib, drawn at once.
  void SetProgress(int position);
  // The text of lblCalibStatus, drawn at once.
  void SetStatus(const std::string& text);
  // The trimmed text of a grid cell ("" outside the grid).
  std::string Cell(int col, int row) const;
  // Lets the window process its pending messages between two runs.
  void Pump();

  TFormPreview& hub_;
  bool running_ = false;
};

}  // namespace voltaris
