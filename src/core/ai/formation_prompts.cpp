#include "ai/formation_prompts.h"

#include <charconv>
#include <initializer_list>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "common/number_format.h"

namespace voltaris {

namespace {

constexpr const char* kCrLf = "\r\n";

std::string JoinCrLf(std::initializer_list<const char*> lines) {
  std::string out;
  bool first = true;
  for (const char* l : lines) {
    if (!first) out += kCrLf;
    out += l;
    first = false;
  }
  return out;
}

// "%.2e" with "." (the exponent has at least two digits, as C's printf writes it).
std::string ExpDot(double value) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 2);
  return std::string(buf, res.ptr);
}

std::string TrimSpaces(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

using Json = nlohmann::json;

void ReadNumber(const Json& obj, const char* name, double& field) {
  auto it = obj.find(name);
  if (it == obj.end()) return;
  if (!it->is_number()) throw std::runtime_error(std::string("\"") + name + "\" of the suggestion is not a number");
  field = it->get<double>();
}

void ReadBool(const Json& obj, const char* name, bool& field) {
  auto it = obj.find(name);
  if (it == obj.end()) return;
  if (!it->is_boolean()) throw std::runtime_error(std::string("\"") + name + "\" of the suggestion is not true or false");
  field = it->get<bool>();
}

// Text of a member: a string as it is, any other value in its JSON form.
std::string TextOf(const Json& v) { return v.is_string() ? v.get<std::string>() : v.dump(); }

void ReadText(const Json& obj, const char* name, std::string& field) {
  auto it = obj.find(name);
  if (it != obj.end()) field = TextOf(*it);
}

}  // namespace

std::string FixedDot(double value, int decimals) {
  static const char* const kPatterns[] = {"0", "0.0", "0.00", "0.000", "0.0000"};
  if (decimals < 0) decimals = 0;
  if (decimals > 4) decimals = 4;
  return FormatFloat(kPatterns[decimals], value, '.');
}

std::string BuildSimSystemPrompt() {
  return JoinCrLf({
      "You are an expert battery formation engineer and electrochemist assisting with the Voltaris Battery "
      "Formation Simulator. You analyze simulation results and provide actionable insights.",
      "",
      "Your role:",
      "- Interpret SEI growth, SOC evolution and formation metrics (S_form, psiHX_wear, PsiHX_time)",
      "- Compare chemistry types (LFP, NMC, NCA, LTO, LCO) and their formation behaviour",
      "- Suggest protocol optimizations (current levels, waveform pattern, ramps, step schedules)",
      "- Explain the underlying physics and electrochemistry",
      "",
      "Key metrics glossary:",
      "- SEI [nm]: Solid Electrolyte Interphase thickness (lower = less capacity loss)",
      "- S_form: Formation stress index (lower = gentler protocol)",
      "- psiHX_wear [0-1]: Waveform quality score (1.0 = optimal, <0.9 = high peak currents)",
      "- PsiHX_time: Formation speed multiplier vs CC/CV (>1 = faster)",
      "- Perf [0-100]: Composite formation performance index",
      "",
      "Be concise, practical, and use SI units. Respond in the same language as the user.",
  });
}

std::string BuildFormationSystemPrompt() {
  return JoinCrLf({
      "You are an expert battery formation engineer for Voltaris Battery Formation Simulator.",
      "Your task: recommend an optimal formation protocol based on cell chemistry parameters.",
      "",
      "CHEMISTRY KNOWLEDGE:",
      "- LFP (nm_per_ah~4): stable, low SEI growth; tolerates higher currents; Gaussian, Sinusoidal or CC_CV work well",
      "- NMC622 (nm_per_ah~7): moderate SEI growth; Damped Sine, Trapezoid or Sigmoid recommended",
      "- NMC811 (nm_per_ah~12): very reactive, high SEI growth; gentle Sigmoid, Parabola or Exponential start",
      "- NCA (nm_per_ah~10): reactive; Exponential, Sigmoid or Damped Sine with low peak currents",
      "- LTO (nm_per_ah~2): almost no SEI; fast CC_CV, Superpulse or Triangle are fine",
      "- LCO (nm_per_ah~8): moderate to high SEI growth; Trapezoid, Tangential or Damped Sine",
      "",
      "AVAILABLE PATTERNS - you MUST evaluate ALL and explain why you chose one:",
      "1. CC_CV: classic constant current then constant voltage charge (the baseline)",
      "   For CC_CV: set icc_a = formation current (e.g. C/5 to C/2 of Qn_Ah)",
      "   i_max_a is NOT used for CC_CV \u2014 use icc_a and icut_a instead!",
      "2. Gaussian: bell-shaped current pulses (sigma = width, mu = centre); smooth peaks",
      "3. Sinusoidal: sine between i_min_a and i_max_a at freq_hz; smooth and gentle",
      "4. Superpulse: rectangular pulses with rise, top, fall and base phases; fast, higher stress",
      "5. Triangle: linear rise and fall between i_min_a and i_max_a",
      "6. Trapezoid: rise, hold at top, fall, rest at base; balanced speed and stress",
      "7. Exponential: current decaying from i_max_a towards i_min_a each cycle",
      "8. Damped Sine: sine whose amplitude decays with tau_ms; gentle after the first cycles",
      "9. Sigmoid: S-shaped soft transition from i_min_a to i_max_a; very gentle start",
      "10. Parabola: parabolic current arc between i_min_a and i_max_a",
      "11. Tangential: tangent-shaped pulse with base, peak, rise, hold and fall",
      "",
      "SCORING - weight by chemistry reactivity:",
      "- Low reactivity (LFP, LTO, nm_per_ah<5): speed matters most; higher currents and sharper patterns allowed",
      "- Medium reactivity (NMC622, LCO, nm_per_ah 6-8): balance speed and SEI quality",
      "- High reactivity (NMC811, NCA, nm_per_ah>9): SEI quality matters most; gentle, low-peak patterns",
      "Do NOT always choose Gaussian - it is NOT always optimal!",
      "NEVER recommend Custom LUT or Bezier - these require manual design in ZaruVed editor",
      "",
      "FORMATION RULES:",
      "- I_max <= Qn_Ah * 0.5 (C/2 rate max for formation)",
      "- I_min >= Qn_Ah * 0.02 (C/50 minimum meaningful current)",
      "- V_max = chemistry_vmax - 0.05V (safety margin)",
      "- V0_start = chemistry_vmin + 0.3V",
      "- Ramp up: 120s minimum, scale with Qn_Ah (larger cell = slower ramp)",
      "- Formation ends when the SEI growth RATE stabilizes (dSEI/dt -> 0); total_min is only a safety timeout",
      "- duration_ms: period of ONE waveform cycle in ms (100-500ms typical, NOT total time!)",
      "- i_step_text format: \"time_min,current_A; time_min,current_A; ...\" e.g. \"0,0.5; 30,1.0; 90,1.5\"",
      "  Currents must not exceed i_max_a. CRITICAL: second number is AMPS not minutes!",
      "- v_step_text format: \"time_min,voltage_V; time_min,voltage_V; ...\" e.g. \"0,3.0; 60,3.3; 120,3.5\"",
      "  Voltages monotonically increasing, always below v_max_v.",
      "",
      "RESPOND ONLY WITH VALID JSON. No text before or after. Schema:",
      "{",
      "  \"recommended_pattern\": \"Gaussian\",",
      "  \"confidence\": 0.85,",
      "  \"rationale\": \"short explanation of the choice and why the other patterns were rejected\",",
      "  \"parameters\": {",
      "    \"i_min_a\": 0.1,",
      "    \"i_max_a\": 1.0,",
      "    \"sigma\": 0.15,",
      "    \"mu\": 0.5,",
      "    \"duration_ms\": 200,",
      "    \"freq_hz\": 5,",
      "    // tau_ms: decay time constant for Damped Sine (100-2000 ms)",
      "    \"tau_ms\": 500,",
      "    \"top_a\": 1.0,",
      "    \"base_a\": 0.1,",
      "    \"rise_ms\": 20,",
      "    \"fall_ms\": 20,",
      "    \"top_ms\": 80,",
      "    \"base_ms\": 80,",
      "    \"icc_a\": 0.5,",
      "    \"icut_a\": 0.05,",
      "    \"v_max_v\": 3.6,",
      "    \"v0_v\": 2.8,",
      "    \"v_ramp_up_s\": 120,",
      "    \"v_ramp_down_s\": 60,",
      "    \"use_v_ramp\": true,",
      "    \"i_ramp_up_s\": 120,",
      "    \"i_ramp_down_s\": 60,",
      "    \"use_i_ramp\": true,",
      "    // total_min: safety timeout in minutes",
      "    \"total_min\": 180,",
      "    // response_ms: power-source lag (1-10 ms typical)",
      "    \"response_ms\": 5,",
      "    \"v_step_text\": \"0,3.0; 60,3.3; 120,3.5\",",
      "    \"i_step_text\": \"0,0.5; 30,1.0; 90,1.0\"",
      "  },",
      "  \"warnings\": [\"warning text\"]",
      "}",
  });
}

std::string BuildChemistryContext(const std::string& chemName, double Qn_Ah, double VMax_V, double VMin_V,
                                  double nm_per_ah, double kSEI_0, double Ea_eV, double x0_nm, double R0_mOhm,
                                  double cellMass_g, double TAmb_C, double TMax_C) {
  std::string s;
  s += "=== Cell Chemistry Parameters ===" + std::string(kCrLf);
  s += "Chemistry: " + chemName + kCrLf;
  s += "Capacity: " + FixedDot(Qn_Ah, 1) + " Ah" + kCrLf;
  s += "Voltage range: " + FixedDot(VMin_V, 2) + " - " + FixedDot(VMax_V, 2) + " V" + kCrLf;
  s += "SEI growth rate (nm/Ah): " + FixedDot(nm_per_ah, 1) + kCrLf;
  s += "SEI rate constant kSEI_0: " + ExpDot(kSEI_0) + " nm/s" + kCrLf;
  s += "Activation energy Ea: " + FixedDot(Ea_eV, 2) + " eV" + kCrLf;
  s += "SEI initial thickness: " + FixedDot(x0_nm, 1) + " nm" + kCrLf;
  s += "Internal resistance: " + FixedDot(R0_mOhm, 1) + " m\u03A9" + kCrLf;
  s += "Cell mass: " + FixedDot(cellMass_g, 0) + " g" + kCrLf;
  s += "Temperature: " + FixedDot(TAmb_C, 0) + "\u00B0C ambient, " + FixedDot(TMax_C, 0) + "\u00B0C max" + kCrLf;
  s += kCrLf;
  s += "IMPORTANT: Formation stops when SEI growth RATE stabilizes (dSEI/dt \u2192 0)," + std::string(kCrLf);
  s += "NOT at a fixed nm thickness. Total_min is a safety timeout only." + std::string(kCrLf);
  s += "Optimize for fast stabilization and good psiHX_wear (>0.9 target)." + std::string(kCrLf);
  s += kCrLf;
  s += "Please recommend the optimal formation protocol for this cell." + std::string(kCrLf);
  s += "Always respond in English.";
  return s;
}

bool ParseFormationResponse(const std::string& answer, TFormationParams& out) {
  out = TFormationParams{};
  std::string text = TrimSpaces(answer);
  if (text.rfind("```", 0) == 0) {
    const size_t first = text.find('{');
    const size_t last = text.rfind('}');
    if (first != std::string::npos && last != std::string::npos && first < last)
      text = text.substr(first, last - first + 1);
  }
  const Json root = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!root.is_object()) return false;

  ReadText(root, "recommended_pattern", out.PatternName);
  ReadNumber(root, "confidence", out.Confidence);
  ReadText(root, "rationale", out.Rationale);
  if (auto p = root.find("parameters"); p != root.end()) {
    if (!p->is_object()) throw std::runtime_error("\"parameters\" of the suggestion is not an object");
    const Json& j = *p;
    ReadNumber(j, "i_min_a", out.IMin_A);
    ReadNumber(j, "i_max_a", out.IMax_A);
    ReadNumber(j, "sigma", out.Sigma);
    ReadNumber(j, "mu", out.Mu);
    ReadNumber(j, "duration_ms", out.Duration_ms);
    double tau = 0;
    ReadNumber(j, "tau_ms", tau);
    if (tau > 0) out.Duration_ms = tau;
    ReadNumber(j, "freq_hz", out.Freq_Hz);
    ReadNumber(j, "top_a", out.TopA_A);
    ReadNumber(j, "base_a", out.BaseA_A);
    ReadNumber(j, "rise_ms", out.Rise_ms);
    ReadNumber(j, "fall_ms", out.Fall_ms);
    ReadNumber(j, "top_ms", out.TopMs);
    ReadNumber(j, "base_ms", out.BaseMs);
    ReadNumber(j, "icc_a", out.ICC_A);
    ReadNumber(j, "icut_a", out.ICut_A);
    ReadNumber(j, "v_max_v", out.VMax_V);
    ReadNumber(j, "v0_v", out.V0_V);
    ReadNumber(j, "v_ramp_up_s", out.VRampUp_s);
    ReadNumber(j, "v_ramp_down_s", out.VRampDown_s);
    ReadBool(j, "use_v_ramp", out.UseVRamp);
    ReadNumber(j, "i_ramp_up_s", out.IRampUp_s);
    ReadNumber(j, "i_ramp_down_s", out.IRampDown_s);
    ReadBool(j, "use_i_ramp", out.UseIRamp);
    ReadNumber(j, "total_min", out.TotalMin);
    ReadNumber(j, "response_ms", out.ResponseMs);
    ReadText(j, "v_step_text", out.VStepText);
    ReadText(j, "i_step_text", out.IStepText);
  }
  if (auto w = root.find("warnings"); w != root.end()) {
    if (!w->is_array()) throw std::runtime_error("\"warnings\" of the suggestion is not an array");
    for (const Json& item : *w) out.Warnings.push_back(TextOf(item));
  }
  out.Valid = !out.PatternName.empty() && out.IMax_A > 0;
  return out.Valid;
}

}  // namespace voltaris
