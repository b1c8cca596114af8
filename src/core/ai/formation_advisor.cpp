#include "ai/formation_advisor.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <exception>
#include <vector>

#include "chemistry/chem_bridge.h"
#include "config/ini_file.h"
#include "run/run_metrics.h"
#include "window/form_preview.h"

namespace voltaris {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kStatusLabel = "lblAIStatus";
constexpr const char* kMemo = "memoAIResponse";
constexpr const char* kQuery = "edAIQuery";

// At most 8 significant digits, then `decimals` fixed decimals with "." (an edit's value).
std::string Fixed8(double v, int decimals) {
  if (v != 0 && std::isfinite(v)) {
    char buf[48];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 7);
    double rounded = v;
    std::from_chars(buf, res.ptr, rounded);
    v = rounded;
  }
  return FixedDot(v, decimals);
}

// An integer count of seconds or minutes: rounded, halves to the even neighbour.
std::string RoundedInt(double v) { return FixedDot(std::nearbyint(v), 0); }

std::string TrimSpaces(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

bool SameTextIgnoringCase(const std::string& a, const char* b) {
  const std::string other(b);
  return a.size() == other.size() && std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The pattern page of a suggested pattern name; nullptr leaves the page as it is.
const char* PatternPageOf(const std::string& name) {
  static const std::pair<const char*, const char*> kPages[] = {
      {"Gaussian", "TsGaussian"},   {"Sinusoidal", "TsSine"},    {"Sine", "TsSine"},
      {"Superpulse", "TsSuper"},    {"Triangle", "TsTri"},       {"Trapezoid", "TsTrap"},
      {"Damped Sine", "TsDamped"},  {"DampedSine", "TsDamped"},  {"Exponential", "TsExp"},
      {"CC_CV", "tsCC_CV"},         {"CC/CV", "tsCC_CV"},
      // The prompt offers these three and their entries are filled: their pages are chosen too.
      {"Sigmoid", "TsSigmoid"},     {"Parabola", "TsParab"},     {"Tangential", "TsTang"},
  };
  for (const auto& [pattern, page] : kPages)
    if (SameTextIgnoringCase(name, pattern)) return page;
  return nullptr;
}

}  // namespace

TFormationAdvisor::TFormationAdvisor(TFormPreview& form) : form_(form) {
  FormModel& f = form_.Form();
  f.OnClick("btnAIAnalyze", [this](const std::string& s) { BtnAIAnalyzeClick(s); });
  f.OnClick("btnAIAsk", [this](const std::string& s) { BtnAIAskClick(s); });
  f.OnClick("btnAIFillParams", [this](const std::string& s) { BtnAIFillParamsClick(s); });
  f.OnClick("btnAICopy", [this](const std::string& s) { BtnAICopyClick(s); });
  form_.RegisterStateField("aiStatus", [this] { return Json(Status()); });
  form_.RegisterStateField("aiBusy", [this] { return Json(Busy()); });
}

TFormationAdvisor::~TFormationAdvisor() {
  // The window goes away: answers still on their way are dropped, and their transfers
  // stop at their next progress check (well within a second), so none is left working
  // while the program ends. The wait is bounded: closing never hangs.
  uiThread_->Close();
  uiThread_->WaitIdle(2000);
}

void TFormationAdvisor::InitClaudeAPI() {
  FClaudeConfig = LoadClaudeConfig(FindIniPath(form_.Platform().ProgramDir()));
  FClaudeAPI = std::make_unique<TClaudeAPI>(FClaudeConfig, uiThread_);
  SetMemoText(kPlaceholder);
  SetStatus("Ready");
}

std::string TFormationAdvisor::Status() const { return form_.Form().Get(kStatusLabel).Caption(); }

void TFormationAdvisor::SetStatus(const std::string& status) { form_.Form().SetControlCaption(kStatusLabel, status); }

void TFormationAdvisor::SetMemoText(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size() || lines.empty()) lines.push_back(text.substr(start));
  form_.Form().SetLines(kMemo, std::move(lines));
}

void TFormationAdvisor::Send(const std::string& systemPrompt, const std::string& userMessage,
                             AnswerHandler onAnswer) {
  ++FPending;
  FClaudeAPI->AskAsync(systemPrompt, userMessage,
                       [this, onAnswer = std::move(onAnswer)](const std::string& answer, const std::string& error) {
                         --FPending;
                         form_.Form().RunEvent([&] { onAnswer(answer, error); });
                       });
}

int TFormationAdvisor::PumpAnswers() { return uiThread_->Pump(); }

bool TFormationAdvisor::WaitForAnswers(int ms, const std::function<void()>& betweenWaits) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
  PumpAnswers();
  while (Busy()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) break;
    uiThread_->WaitForTask(static_cast<int>(std::min<long long>(left, 50)));
    PumpAnswers();
    if (betweenWaits) betweenWaits();
  }
  return !Busy();
}

// ---- The simulation context ----

std::string TFormationAdvisor::BuildSimContext() const {
  const TChemParams& p = form_.FChemP;
  const TSimOutputs& o = form_.FSimOut;
  std::string s;
  auto line = [&s](const std::string& text) { s += text + kCrLf; };
  line("=== Current Simulation Results ===");
  line("Chemistry: " + (form_.GChem ? form_.GChem->FChemistry : std::string("Unknown")));
  if (p.Qn_Ah > 0) line("Capacity: " + FixedDot(p.Qn_Ah, 1) + " Ah");
  line("Vmin/Vmax: " + FixedDot(p.Vmin, 2) + " / " + FixedDot(p.Vmax, 2) + " V");
  const double seiFinal = Round4(o.SEI_nm.empty() ? 0.0 : o.SEI_nm.back());
  line("SEI final: " + FixedDot(seiFinal, 1) + " nm (x0=" + FixedDot(p.x0_nm, 1) + ", xTarget=" +
       FixedDot(p.xTarget_nm, 1) + ")");
  const double soc = Round4(p.Qn_Ah > 0 ? std::min(o.Q_Ah * 100.0 / p.Qn_Ah, 100.0) : 0.0);
  line("SOC reached: " + FixedDot(soc, 1) + "%");
  line("Delivered Q: " + FixedDot(o.Q_Ah, 3) + " Ah,  E: " + FixedDot(o.E_Wh, 3) + " Wh");
  line("I_rms: " + FixedDot(o.I_rms_A, 3) + " A,  I_pk: " + FixedDot(o.I_pk_A, 3) + " A");
  line("S_form: " + FixedDot(o.S_form, 4));
  line("psiHX_wear: " + FixedDot(o.psiHX_wear, 3));
  line("PsiHX_time: " + FixedDot(o.PsiHX_time, 2));
  if (form_.FSEIDoneSec > 0)
    line("SEI stabilization: " + FixedDot(form_.FSEIDoneSec / 60.0, 0) + " min");
  else
    line("SEI stabilization: not detected");
  double dT = 0;
  if (!o.T_C.empty()) dT = *std::max_element(o.T_C.begin(), o.T_C.end()) - p.Tamb_C;
  line("\u0394T max: " + FixedDot(Round4(dT), 2) + " \u00B0C");
  return s;
}

// ---- The four commands ----

void TFormationAdvisor::BtnAIAnalyzeClick(const std::string&) {
  if (!FClaudeAPI) InitClaudeAPI();
  FormModel& f = form_.Form();
  SetStatus("Analyzing...");
  f.SetEnabled("btnAIAnalyze", false);
  f.SetEnabled("btnAIAsk", false);
  SetMemoText("Analyzing simulation results...");
  const std::string message =
      "Please analyze these battery formation simulation results and provide:\r\n"
      "1. Key observations about formation quality\r\n"
      "2. Chemistry-specific insights\r\n"
      "3. Recommendations for protocol improvement\r\n\r\n" +
      BuildSimContext();
  Send(BuildSimSystemPrompt(), message, [this](const std::string& answer, const std::string& error) {
    FormModel& f = form_.Form();
    SetStatus(error.empty() ? "Done" : "Error");
    f.SetEnabled("btnAIAnalyze", true);
    f.SetEnabled("btnAIAsk", true);
    SetMemoText(error.empty() ? answer : "Error: " + error);
  });
}

void TFormationAdvisor::BtnAIAskClick(const std::string&) {
  FormModel& f = form_.Form();
  const std::string question = TrimSpaces(f.Text(kQuery));
  if (question.empty()) return;
  if (!FClaudeAPI) InitClaudeAPI();
  SetStatus("Thinking...");
  f.SetEnabled("btnAIAsk", false);
  f.SetEnabled("btnAIAnalyze", false);
  SetMemoText("Q: " + question + "\r\n\r\nThinking...");
  const std::string message = question + "\r\n\r\n=== Current Simulation Context ===\r\n" + BuildSimContext();
  Send(BuildSimSystemPrompt(), message, [this, question](const std::string& answer, const std::string& error) {
    FormModel& f = form_.Form();
    SetStatus(error.empty() ? "Done" : "Error");
    f.SetEnabled("btnAIAsk", true);
    f.SetEnabled("btnAIAnalyze", true);
    SetMemoText(error.empty() ? "Q: " + question + "\r\n\r\n" + answer : "Error: " + error);
    f.SetText(kQuery, "");
  });
}

void TFormationAdvisor::BtnAIFillParamsClick(const std::string&) {
  if (!FClaudeAPI) InitClaudeAPI();
  FormModel& f = form_.Form();
  SetStatus("Getting protocol...");
  f.SetEnabled("btnAIFillParams", false);
  SetMemoText("Asking AI for optimal formation parameters...");

  TChemParams& p = form_.FChemP;
  if (p.Qn_Ah <= 0 && form_.GChem) p = ChemRootToParams(form_.GChem.get());
  if (p.Qn_Ah <= 0) {
    p.Qn_Ah = f.Number("edCellCapAh", 5);
    p.Vmax = f.Number("edtVt", 3.65);
    p.Vmin = f.Number("edtV0", 2.5);
    p.x0_nm = 3.0;
    p.xTarget_nm = 60;
    p.Ea_eV = f.Number("edSeiEa", 0.45);
    p.kSEI_0 = 1.5e-11;
    p.SEI_scale_nm_Ah = p.xTarget_nm / std::max(p.Qn_Ah, 0.001);
    p.Tamb_C = f.Number("edTempC", 25);
  }
  // The cell mass is the window's entry: it shows the chemistry document's mass once one
  // is loaded, and what the user typed otherwise (70 g when unreadable, as the report reads it).
  const double cellMass_g = f.Number("edCellMass", 70);
  std::string message = BuildChemistryContext(form_.GChem ? form_.GChem->FChemistry : std::string("Unknown"),
                                              p.Qn_Ah, p.Vmax, p.Vmin, p.SEI_scale_nm_Ah, p.kSEI_0, p.Ea_eV,
                                              p.x0_nm, p.R0 * 1000.0, cellMass_g, p.Tamb_C, 55);
  if (!f.Text("edtIStep").empty()) message += "\r\nCurrent I-Step profile: " + f.Text("edtIStep");
  if (!f.Text("edtVsteps").empty()) message += "\r\nCurrent V-Step profile: " + f.Text("edtVsteps");
  message +=
      "\r\nPlease also suggest optimal i_step_text (format: \"min,A; min,A; ...\") and "
      "v_step_text (format: \"min,V; min,V; ...\") in the parameters JSON.";
  const std::string system =
      BuildFormationSystemPrompt() + "\r\nIMPORTANT: Always respond in English regardless of any other language in the context.";

  Send(system, message, [this](const std::string& answer, const std::string& error) {
    form_.Form().SetEnabled("btnAIFillParams", true);
    if (!error.empty()) {
      SetStatus("Error");
      SetMemoText("Error: " + error);
      return;
    }
    TFormationParams fp;
    bool valid = false;
    try {
      valid = ParseFormationResponse(answer, fp);
    } catch (const std::exception&) {
      valid = false;  // a member of the wrong kind: the answer is shown as it came, nothing applied
    }
    if (!valid) {
      SetStatus("See memo");
      SetMemoText(answer);
      return;
    }
    ApplyFormationParamsToUI(fp);
    SetStatus("Applied!");
    std::string memo = "AI Formation Protocol Applied!\r\n\r\nPattern: " + fp.PatternName + "\r\n";
    memo += "I_min=" + FixedDot(fp.IMin_A, 2) + "A  I_max=" + FixedDot(fp.IMax_A, 2) + "A\r\n";
    memo += "V_max=" + FixedDot(fp.VMax_V, 2) + "V  V0=" + FixedDot(fp.V0_V, 2) + "V\r\n";
    memo += "Total=" + FixedDot(fp.TotalMin, 0) + " min\r\n\r\n";
    memo += "Reason: " + fp.Rationale;
    for (const std::string& w : fp.Warnings) memo += "\r\n\u26A0 " + w;
    SetMemoText(memo);
  });
}

void TFormationAdvisor::BtnAICopyClick(const std::string&) {
  std::string text;
  const std::vector<std::string>& lines = form_.Form().Get(kMemo).Lines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  form_.Platform().SetClipboardText(text);
}

// ---- Applying a suggestion ----

void TFormationAdvisor::ApplyFormationParamsToUI(const TFormationParams& p) {
  FormModel& f = form_.Form();
  auto put = [&f](const char* name, double v, int decimals) { f.SetText(name, Fixed8(v, decimals)); };
  auto putPositive = [&put](const char* name, double v, int decimals) {
    if (v > 0) put(name, v, decimals);
  };

  if (const char* page = PatternPageOf(p.PatternName)) f.SetActivePage("PcParams", page);

  if (p.IMax_A > 0) {
    const double d = p.Duration_ms;
    const double durMs = d > 60000 ? 200 : d > 10000 ? d / 1000 : d > 2000 ? 500 : d;
    const double tauMs = d > 60000 ? 500 : d > 5000 ? d / 10 : d > 2000 ? 2000 : d;

    put("EdGauMin", p.IMin_A, 3);
    put("EdGauMax", p.IMax_A, 3);
    put("EdGauSigma", p.Sigma, 3);
    put("EdGauMu", p.Mu, 2);
    if (d > 0) put("EdGauDur", std::clamp(durMs, 50.0, 2000.0), 0);

    put("EdSineMin", p.IMin_A, 3);
    put("EdSineMax", p.IMax_A, 3);
    putPositive("EdSineF", p.Freq_Hz, 2);

    put("EdDampMin", p.IMin_A, 3);
    put("EdDampMax", p.IMax_A, 3);
    putPositive("EdDampF", p.Freq_Hz, 2);
    if (d > 0) put("EdDampTau", tauMs, 0);
    f.SetText("EdDampPhase", "0");

    put("EdTrapBaseA", p.BaseA_A, 3);
    put("EdTrapTopA", p.TopA_A, 3);
    putPositive("EdTrapRise", p.Rise_ms, 0);
    putPositive("EdTrapTopMs", p.TopMs, 0);
    putPositive("EdTrapFall", p.Fall_ms, 0);
    putPositive("EdTrapBottomMs", p.BaseMs, 0);

    put("EdTriMin", p.IMin_A, 3);
    put("EdTriMax", p.IMax_A, 3);
    putPositive("EdTriRiseMs", p.Rise_ms, 0);
    putPositive("EdTriFallMs", p.Fall_ms, 0);

    put("EdTopA", p.TopA_A, 3);
    put("EdBaseA", p.BaseA_A, 3);
    putPositive("EdRise", p.Rise_ms, 0);
    putPositive("EdTop", p.TopMs, 0);
    putPositive("EdFall", p.Fall_ms, 0);
    putPositive("EdBase", p.BaseMs, 0);

    put("EdSigI0", p.IMin_A, 3);
    put("EdSigI1", p.IMax_A, 3);
    if (d > 0) put("EdSigDur", durMs, 0);

    put("EdParaI0", p.IMin_A, 3);
    put("EdParaI1", p.IMax_A, 3);
    if (d > 0) put("EdParaDur", durMs, 0);

    put("EdTanBase", p.BaseA_A, 3);
    put("EdTanPeak", p.TopA_A, 3);
    putPositive("EdTanRise", p.Rise_ms, 0);
    putPositive("EdTanHold", p.TopMs, 0);
    putPositive("EdTanFall", p.Fall_ms, 0);

    put("EdExpI0", p.IMax_A, 3);
    put("EdExpI1", p.IMin_A, 3);
    if (d > 0) put("EdExpDur", durMs, 0);

    double ccA = p.ICC_A;
    if (!(ccA > 0)) ccA = p.IMax_A;
    if (!(ccA > 0)) ccA = 0.2 * form_.FChemP.Qn_Ah;
    put("edtCC_A", ccA, 3);
    put("edtVmax", p.VMax_V, 2);
    put("edtICC", ccA, 3);
    putPositive("edtIcut", p.ICut_A, 3);
  }

  if (p.VMax_V > 0) {
    put("edtVt", p.VMax_V, 2);
    put("edtV0", p.V0_V, 2);
    if (p.VRampUp_s > 0) f.SetText("edtVRU", RoundedInt(p.VRampUp_s));
    if (p.VRampDown_s > 0) f.SetText("edtVRD", RoundedInt(p.VRampDown_s));
    f.SetChecked("chkVRamp", p.UseVRamp);
  }

  if (p.IRampUp_s > 0) f.SetText("edtRU", RoundedInt(p.IRampUp_s));
  if (p.IRampDown_s > 0) f.SetText("edtRD", RoundedInt(p.IRampDown_s));
  f.SetChecked("chkIRamp", p.UseIRamp);
  if (p.TotalMin > 0) f.SetText("EdTotalMs", RoundedInt(p.TotalMin));

  // The power-source response time: written without its change notification, so the
  // time base is not recalculated from it here.
  const double responseMs = p.ResponseMs > 0 && p.ResponseMs <= 500 ? p.ResponseMs : 1.0;
  f.SetTextWithoutChange("edtFs", Fixed8(responseMs, 1));

  if (!p.IStepText.empty()) f.SetText("edtIStep", p.IStepText);
  if (!p.VStepText.empty()) f.SetText("edtVsteps", p.VStepText);

  form_.waveform.preview.DrawReferenceWave();
}

}  // namespace voltaris
