// What the formation advisor says to the AI service and how it reads the answers: the
// two system prompts, the chemistry context of a protocol request, and the parser of a
// suggested formation protocol.
#pragma once

#include <string>
#include <vector>

namespace voltaris {

// A formation protocol suggested by the AI service (the JSON member in brackets).
struct TFormationParams {
  std::string PatternName{};  // "recommended_pattern"
  double Confidence = 0;      // "confidence", 0..1
  std::string Rationale{};    // "rationale"
  bool Valid = false;         // PatternName not empty and IMax_A > 0
  double IMin_A = 0;          // "i_min_a"
  double IMax_A = 0;          // "i_max_a"
  double Sigma = 0;           // "sigma"
  double Mu = 0;              // "mu"
  double Duration_ms = 0;     // "duration_ms", replaced by "tau_ms" when that is above 0
  double Freq_Hz = 0;         // "freq_hz"
  double TopA_A = 0;          // "top_a"
  double BaseA_A = 0;         // "base_a"
  double Rise_ms = 0;         // "rise_ms"
  double Fall_ms = 0;         // "fall_ms"
  double TopMs = 0;           // "top_ms"
  double BaseMs = 0;          // "base_ms"
  double ICC_A = 0;           // "icc_a"
  double ICut_A = 0;          // "icut_a"
  double VMax_V = 0;          // "v_max_v"
  double V0_V = 0;            // "v0_v"
  double VRampUp_s = 0;       // "v_ramp_up_s"
  double VRampDown_s = 0;     // "v_ramp_down_s"
  bool UseVRamp = false;      // "use_v_ramp"
  double IRampUp_s = 0;       // "i_ramp_up_s"
  double IRampDown_s = 0;     // "i_ramp_down_s"
  bool UseIRamp = false;      // "use_i_ramp"
  double TotalMin = 0;        // "total_min"
  double ResponseMs = 0;      // "response_ms"
  std::string VStepText{};    // "v_step_text"
  std::string IStepText{};    // "i_step_text"
  std::vector<std::string> Warnings{};  // "warnings"
};

// System prompt of "Analyze Results" and "Ask".
std::string BuildSimSystemPrompt();
// System prompt of "AI: Suggest Protocol".
std::string BuildFormationSystemPrompt();
// The user message of "AI: Suggest Protocol": the cell's chemistry parameters.
std::string BuildChemistryContext(const std::string& chemName, double Qn_Ah, double VMax_V, double VMin_V,
                                  double nm_per_ah, double kSEI_0, double Ea_eV, double x0_nm, double R0_mOhm,
                                  double cellMass_g, double TAmb_C, double TMax_C);

// Reads a suggested protocol from the answer text (a fenced code block is unwrapped).
// Returns `out.Valid`; text that is not a JSON object gives false with `out` empty.
// A member of the wrong kind (a number member that is not a number, a ramp switch that is
// not a boolean, "parameters" not an object, "warnings" not an array) throws.
bool ParseFormationResponse(const std::string& answer, TFormationParams& out);

// "%.Nf" with "." whatever the user's regional format (numbers the service reads).
std::string FixedDot(double value, int decimals);

}  // namespace voltaris
