// One formation run without a window: the window state created as the program creates it,
// a session imported, controls overridden, Start pressed and the run played to its end on
// a virtual clock, then its figures and series written as files. Each TBatchRun owns its
// own window state, so several may run at once on different threads.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/csv_text.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace voltaris {

// A fault of the request itself (a control or page that does not exist, a value a control
// cannot take); the command line reports it as a usage error.
class TBatchUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The run could not start or failed; the text is exactly the message the window shows.
class TBatchRunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TBatchRequest {
  std::string sessionFile{};  // imported first when not empty
  std::string page{};         // pattern page of PcParams to activate ("TsSine", ...); "" keeps it
  std::vector<std::pair<std::string, std::string>> overrides{};  // CONTROL=VALUE, applied in order
};

// The figures a sweep compares, one row per run: the report record's, and the SEI
// figures and Perf as the chemistry metrics memo shows them.
struct TRunFigures {
  double SEI_nm = 0.0;
  double t_done_min = 0.0;
  double CE1_pct = 0.0;
  double Q_Ah = 0.0;
  double E_Wh = 0.0;
  double Temp_max_C = 0.0;
  double psiHX_wear = 0.0;
  double PsiHX_time = 0.0;
  double Perf = 0.0;
  double HxFactor = 0.0;
};

// Names of the TRunFigures fields in their order (the sweep table's figure columns).
const std::vector<std::string>& RunFigureNames();
std::vector<double> RunFigureValues(const TRunFigures& f);

class TBatchRun {
 public:
  // Progress of the live half, 0..1.
  using Progress = std::function<void(double fraction)>;

  // Creates and shows the window state (workspace, last session, charts, chemistry).
  TBatchRun();
  TBatchRun(const TBatchRun&) = delete;
  TBatchRun& operator=(const TBatchRun&) = delete;

  // Checks the names of a request against the window's controls without applying
  // anything; throws TBatchUsageError naming the first unknown control or page.
  void CheckRequest(const TBatchRequest& request) const;
  // Imports the session, activates the page and applies the overrides; a loader or
  // handler message throws TBatchRunError, a bad name TBatchUsageError.
  void Prepare(const TBatchRequest& request);
  // Presses Start and plays the run to its end as fast as the machine allows.
  void Execute(const Progress& progress = {});

  TRunFigures Figures() const;
  // The report record, the SEI summary, the three memos and the session of the run.
  Json MetricsJson() const;
  // t_s,I_A,V_V,SEI_nm,T_C,SOC_pct of the whole run at the chemistry rate.
  std::string RunCsv() const;
  // t_s,I_A: the set-point current of the whole protocol at the rig's sample rate.
  std::string ProfileCsv() const;
  // metrics.json, run.csv and profile.csv into `dir` (created when missing).
  void WriteOutputs(const std::string& dir) const;
  // The formation report of the run as the window's PDF Export writes it, into
  // `dir`/report.pdf (the headless form draws no charts: their places stay empty).
  void WriteReport(const std::string& dir);

  TFormPreview& Form() { return form_; }
  RecordingPlatform& Platform() { return platform_; }

 private:
  // Throws TBatchRunError with the first error message recorded since `from`.
  void FailOnMessage(size_t from) const;

  // The SEI simulation's figures as the run's metrics read them (the batch half made at
  // Start); the end of the run replaces FSimOut by the whole-run simulation afterwards.
  struct MetricsSei {
    double psiHX_wear = 0.0;
    double PsiHX_time = 0.0;
    double Temp_max_C = 25.0;
  };
  MetricsSei metricsSei_{};

  RecordingPlatform platform_;
  TFormPreview form_{platform_};
};

// Runs a request from start to end (Prepare + Execute) on the calling thread.
// Usage and run errors propagate.
std::unique_ptr<TBatchRun> RunFormation(const TBatchRequest& request, const TBatchRun::Progress& progress = {});

}  // namespace voltaris
