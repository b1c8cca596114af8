#include "batch/batch_run.h"

#include <filesystem>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "automation/script_runner.h"
#include "documents/json_mapper.h"
#include "documents/text_file.h"
#include "run/run_metrics.h"
#include "workspace/hx_facade.h"

namespace voltaris {

namespace {

constexpr const char* kPatternPages = "PcParams";

// Value of an evenly sampled array (sample k at k / fs) at time t, linear between samples;
// NaN when the array is empty.
double SampledAt(const std::vector<double>& a, double fs, double t) {
  if (a.empty() || !(fs > 0)) return std::nan("");
  const double pos = std::max(0.0, t * fs);
  const size_t j = std::min(static_cast<size_t>(pos), a.size() - 1);
  if (j + 1 >= a.size()) return a.back();
  return a[j] + (pos - static_cast<double>(j)) * (a[j + 1] - a[j]);
}

// Reads a series with rising x at rising times: linear between points, held beyond its ends.
class SeriesCursor {
 public:
  explicit SeriesCursor(const SeriesModel* s) : s_(s) {}
  double At(double t) {
    if (s_ == nullptr || s_->Count() == 0) return std::nan("");
    const size_t n = s_->Count();
    while (i_ + 1 < n && s_->X(i_ + 1) <= t) ++i_;
    if (t <= s_->X(0)) return s_->Y(0);
    if (i_ + 1 >= n) return s_->Y(n - 1);
    const double x0 = s_->X(i_), x1 = s_->X(i_ + 1);
    if (!(x1 > x0)) return s_->Y(i_ + 1);
    return s_->Y(i_) + (t - x0) / (x1 - x0) * (s_->Y(i_ + 1) - s_->Y(i_));
  }

 private:
  const SeriesModel* s_;
  size_t i_ = 0;
};

void AppendCell(std::string& out, double v) {
  if (!std::isnan(v)) out += CsvNumber(v);
}

std::string MemoText(FormModel& form, const char* name) {
  const Control* memo = form.Find(name);
  if (memo == nullptr) return {};
  std::string text;
  for (const std::string& line : memo->Lines()) {
    if (!text.empty()) text += "\n";
    text += line;
  }
  return text;
}

}  // namespace

const std::vector<std::string>& RunFigureNames() {
  static const std::vector<std::string> names{"SEI_nm", "t_done_min", "CE1_pct",    "Q_Ah",       "E_Wh",
                                              "Temp_max_C", "psiHX_wear", "PsiHX_time", "Perf", "HxFactor"};
  return names;
}

std::vector<double> RunFigureValues(const TRunFigures& f) {
  return {f.SEI_nm, f.t_done_min, f.CE1_pct, f.Q_Ah, f.E_Wh, f.Temp_max_C, f.psiHX_wear, f.PsiHX_time, f.Perf, f.HxFactor};
}

TBatchRun::TBatchRun() {
  form_.FormCreate();
  form_.FormShow();
}

void TBatchRun::CheckRequest(const TBatchRequest& request) const {
  FormModel& form = const_cast<TFormPreview&>(form_).Form();
  if (!request.page.empty()) {
    const Control* p = form.Find(request.page);
    if (p == nullptr || p->Kind() != ControlKind::Page || p->Layout().parent != kPatternPages)
      throw TBatchUsageError("unknown pattern page: " + request.page);
  }
  for (const auto& [name, value] : request.overrides) {
    const Control* c = form.Find(name);
    if (c == nullptr) throw TBatchUsageError("unknown control: " + name);
    if (c->Kind() != ControlKind::Edit && c->Kind() != ControlKind::Combo && c->Kind() != ControlKind::Trackbar)
      throw TBatchUsageError(name + " is not an edit, combo box or trackbar");
  }
}

void TBatchRun::WriteReport(const std::string& dir) {
  const std::filesystem::path file = std::filesystem::path(dir) / "report.pdf";
  const size_t mark = platform_.messages.size();
  platform_.QueueDialogAnswer(file.string());
  form_.Form().UserClick("btnPdfExport");
  FailOnMessage(mark);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    const std::string why = platform_.messages.size() > mark ? platform_.messages.back().text : "no report was written";
    throw TBatchRunError("The formation report could not be written: " + why);
  }
}

void TBatchRun::FailOnMessage(size_t from) const {
  for (size_t i = from; i < platform_.messages.size(); ++i)
    if (platform_.messages[i].kind == MessageKind::Error) throw TBatchRunError(platform_.messages[i].text);
}

void TBatchRun::Prepare(const TBatchRequest& request) {
  CheckRequest(request);
  FormModel& form = form_.Form();
  const size_t mark = platform_.messages.size();
  // The session through the window's own loader: its message is the run's failure.
  if (!request.sessionFile.empty()) {
    form.RunEvent([&] { THxFacade::ImportSessionFromFile(request.sessionFile); });
    FailOnMessage(mark);
  }
  if (!request.page.empty()) {
    form.UserSetPage(kPatternPages, request.page);
    FailOnMessage(mark);
  }
  // Each override is the automation's "set": the control's change handler runs.
  HeadlessHost host(form_, platform_);
  ScriptRunner runner(form_, platform_, host);
  for (const auto& [name, value] : request.overrides) {
    try {
      runner.RunLine("set " + name + " " + value);
    } catch (const ScriptError& e) {
      throw TBatchUsageError(e.what());
    }
    FailOnMessage(mark);
  }
}

void TBatchRun::Execute(const Progress& progress) {
  FormModel& form = form_.Form();
  const size_t mark = platform_.messages.size();
  // As fast as the machine allows: the fastest play speed, the virtual clock never waits.
  form.UserSetPosition("tbSpeed", form.Get("tbSpeed").Maximum());
  form.UserClick("btnStart");
  FailOnMessage(mark);
  if (!form_.IsPlaying()) throw TBatchRunError("The run did not start.");
  // The live half leaves FSimOut alone until the end, where the metrics read it first.
  const std::vector<double>& T = form_.FSimOut.T_C;
  metricsSei_ = {form_.FSimOut.psiHX_wear, form_.FSimOut.PsiHX_time,
                 T.empty() ? 25.0 : *std::max_element(T.begin(), T.end())};
  HeadlessHost host(form_, platform_);
  for (int tick = 0; form_.IsPlaying(); ++tick) {
    host.Tick();
    FailOnMessage(mark);
    if (progress && tick % 64 == 0 && form_.FTotalSecs > 0) progress(std::clamp(form_.FSimT / form_.FTotalSecs, 0.0, 1.0));
  }
  FailOnMessage(mark);
  if (progress) progress(1.0);
}

TRunFigures TBatchRun::Figures() const {
  const TFormPreview& w = form_;
  const TPdfMetrics& m = w.FLastMetrics;
  TRunFigures f;
  f.SEI_nm = m.SEI_nm;
  f.t_done_min = m.t_done_min;
  f.CE1_pct = m.CE1_pct;
  f.Q_Ah = m.Q_Ah;
  f.E_Wh = m.E_Wh;
  f.Temp_max_C = metricsSei_.Temp_max_C;
  f.psiHX_wear = metricsSei_.psiHX_wear;
  f.PsiHX_time = metricsSei_.PsiHX_time;
  f.Perf = FormationPerf(m.SOC_pct, m.SEI_nm, w.FChemP.x0_nm, w.FChemP.xTarget_nm, metricsSei_.psiHX_wear);
  f.HxFactor = m.HxFactor;
  return f;
}

Json TBatchRun::MetricsJson() const {
  const TFormPreview& w = form_;
  const TSimOutputs& o = w.FSimOut;
  FormModel& form = const_cast<TFormPreview&>(form_).Form();
  Json figures = Json::object();
  const std::vector<double> values = RunFigureValues(Figures());
  for (size_t i = 0; i < values.size(); ++i) figures[RunFigureNames()[i]] = values[i];
  Json sei{{"t_done_s", o.t_done_s},     {"psiHX_wear", o.psiHX_wear}, {"PsiHX_time", o.PsiHX_time},
           {"S_form", o.S_form},         {"I_rms_A", o.I_rms_A},       {"I_pk_A", o.I_pk_A},
           {"CE1_pct", o.CE1_pct},       {"Q_Ah", o.Q_Ah},             {"E_Wh", o.E_Wh},
           {"samples", o.SEI_nm.size()}, {"fs_Hz", w.FSimOutFs}};
  // The session as export writes it, from the window's inputs of this run.
  const std::string sessionText = TJsonBase::ToJsonText(THxFacade::BuildSimFromUI());
  Json session = Json::parse(sessionText.substr(sessionText.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0));
  return Json{{"metrics", w.LastMetricsJson()},
              {"figures", std::move(figures)},
              {"sei_simulation", std::move(sei)},
              {"memos",
               {{"MemoChemMetrics", MemoText(form, "MemoChemMetrics")},
                {"MemoSimStats1", MemoText(form, "MemoSimStats1")},
                {"MemoSimStats2", MemoText(form, "MemoSimStats2")}}},
              {"session", std::move(session)}};
}

std::string TBatchRun::RunCsv() const {
  const TFormPreview& w = form_;
  const double fs = w.FChemFs > 0 ? w.FChemFs : 1.0;
  const double total = std::max(w.FTotalSecs, 0.0);
  const size_t n = static_cast<size_t>(std::floor(total * fs + 1e-9)) + 1;
  const TSimOutputs& o = w.FSimOut;
  SeriesCursor current(w.FSerSimI), voltage(w.FSerSimV);
  std::string out = "t_s,I_A,V_V,SEI_nm,T_C,SOC_pct\n";
  out.reserve(out.size() + n * 64);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / fs;
    out += CsvNumber(t);
    for (double v : {current.At(t), voltage.At(t), SampledAt(o.SEI_nm, w.FSimOutFs, t), SampledAt(o.T_C, w.FSimOutFs, t),
                     SampledAt(o.SOC, w.FSimOutFs, t) * 100.0}) {
      out += ',';
      AppendCell(out, v);
    }
    out += '\n';
  }
  return out;
}

std::string TBatchRun::ProfileCsv() const {
  const TFormPreview& w = form_;
  std::string out = "t_s,I_A\n";
  out.reserve(out.size() + w.FWave.size() * 24);
  for (size_t i = 0; i < w.FWave.size(); ++i) {
    out += CsvNumber(static_cast<double>(i) / w.FFs);
    out += ',';
    out += CsvNumber(w.FWave[i]);
    out += '\n';
  }
  return out;
}

void TBatchRun::WriteOutputs(const std::string& dir) const {
  WriteFileReplacing(dir + "/metrics.json", MetricsJson().dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
  WriteFileReplacing(dir + "/run.csv", RunCsv());
  WriteFileReplacing(dir + "/profile.csv", ProfileCsv());
}

std::unique_ptr<TBatchRun> RunFormation(const TBatchRequest& request, const TBatchRun::Progress& progress) {
  auto run = std::make_unique<TBatchRun>();
  run->Prepare(request);
  run->Execute(progress);
  return run;
}

}  // namespace voltaris
