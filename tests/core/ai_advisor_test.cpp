#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "ai/formation_advisor.h"
#include "ai/formation_prompts.h"
#include "automation/script_runner.h"
#include "config/ini_file.h"
#include "form/recording_platform.h"
#include "loopback_http_server.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

using testing_support::LoopbackHttpServer;
using testing_support::ScopedAiSettings;

// ---- Prompts and context texts ----

TEST(FormationPrompts, ChemistryContextLineByLine) {
  EXPECT_EQ(BuildChemistryContext("LFP", 5, 3.65, 2.5, 4, 1.5e-11, 0.45, 3, 12.5, 70, 25, 55),
            "=== Cell Chemistry Parameters ===\r\n"
            "Chemistry: LFP\r\n"
            "Capacity: 5.0 Ah\r\n"
            "Voltage range: 2.50 - 3.65 V\r\n"
            "SEI growth rate (nm/Ah): 4.0\r\n"
            "SEI rate constant kSEI_0: 1.50e-11 nm/s\r\n"
            "Activation energy Ea: 0.45 eV\r\n"
            "SEI initial thickness: 3.0 nm\r\n"
            "Internal resistance: 12.5 m\u03A9\r\n"
            "Cell mass: 70 g\r\n"
            "Temperature: 25\u00B0C ambient, 55\u00B0C max\r\n"
            "\r\n"
            "IMPORTANT: Formation stops when SEI growth RATE stabilizes (dSEI/dt \u2192 0),\r\n"
            "NOT at a fixed nm thickness. Total_min is a safety timeout only.\r\n"
            "Optimize for fast stabilization and good psiHX_wear (>0.9 target).\r\n"
            "\r\n"
            "Please recommend the optimal formation protocol for this cell.\r\n"
            "Always respond in English.");
}

TEST(FormationPrompts, SystemPromptsAreCrLfTextWithTheirFixedLines) {
  for (const std::string& prompt : {BuildSimSystemPrompt(), BuildFormationSystemPrompt()}) {
    for (size_t i = 0; i < prompt.size(); ++i) {
      if (prompt[i] == '\n') {
        ASSERT_TRUE(i > 0 && prompt[i - 1] == '\r') << "lone line feed at " << i;
      }
    }
    EXPECT_NE(prompt.back(), '\n');
  }
  const std::string sim = BuildSimSystemPrompt();
  EXPECT_EQ(sim.rfind("You are an expert battery formation engineer and electrochemist assisting with the Voltaris "
                      "Battery Formation Simulator. You analyze simulation results and provide actionable insights.\r\n\r\n"
                      "Your role:\r\n",
                      0),
            0u);
  for (const char* line : {"\r\nKey metrics glossary:\r\n",
                           "\r\n- SEI [nm]: Solid Electrolyte Interphase thickness (lower = less capacity loss)\r\n",
                           "\r\n- S_form: Formation stress index (lower = gentler protocol)\r\n",
                           "\r\n- psiHX_wear [0-1]: Waveform quality score (1.0 = optimal, <0.9 = high peak currents)\r\n",
                           "\r\n- PsiHX_time: Formation speed multiplier vs CC/CV (>1 = faster)\r\n",
                           "\r\n- Perf [0-100]: Composite formation performance index\r\n\r\n",
                           "(S_form, psiHX_wear, PsiHX_time)"})
    EXPECT_NE(sim.find(line), std::string::npos) << line;
  EXPECT_TRUE(sim.ends_with("\r\nBe concise, practical, and use SI units. Respond in the same language as the user."));

  const std::string f = BuildFormationSystemPrompt();
  EXPECT_EQ(f.rfind("You are an expert battery formation engineer for Voltaris Battery Formation Simulator.\r\n"
                    "Your task: recommend an optimal formation protocol based on cell chemistry parameters.\r\n",
                    0),
            0u);
  for (const char* line :
       {"\r\nCHEMISTRY KNOWLEDGE:\r\n", "\r\nAVAILABLE PATTERNS - you MUST evaluate ALL and explain why you chose one:\r\n",
        "For CC_CV: set icc_a = formation current (e.g. C/5 to C/2 of Qn_Ah)",
        "i_max_a is NOT used for CC_CV \u2014 use icc_a and icut_a instead!", "\r\nSCORING - weight by chemistry reactivity:\r\n",
        "Do NOT always choose Gaussian - it is NOT always optimal!",
        "NEVER recommend Custom LUT or Bezier - these require manual design in ZaruVed editor", "\r\nFORMATION RULES:\r\n",
        "I_max <= Qn_Ah * 0.5 (C/2 rate max for formation)", "I_min >= Qn_Ah * 0.02 (C/50 minimum meaningful current)",
        "V_max = chemistry_vmax - 0.05V (safety margin)", "V0_start = chemistry_vmin + 0.3V",
        "Ramp up: 120s minimum, scale with Qn_Ah (larger cell = slower ramp)",
        "duration_ms: period of ONE waveform cycle in ms (100-500ms typical, NOT total time!)",
        "CRITICAL: second number is AMPS not minutes!",
        "\r\nRESPOND ONLY WITH VALID JSON. No text before or after. Schema:\r\n"})
    EXPECT_NE(f.find(line), std::string::npos) << line;
  for (const char* pattern : {"1. CC_CV", "2. Gaussian", "3. Sinusoidal", "4. Superpulse", "5. Triangle", "6. Trapezoid",
                              "7. Exponential", "8. Damped Sine", "9. Sigmoid", "10. Parabola", "11. Tangential"})
    EXPECT_NE(f.find(std::string("\r\n") + pattern + ":"), std::string::npos) << pattern;
  for (const char* member : {"recommended_pattern", "confidence", "rationale", "parameters", "i_min_a", "i_max_a", "sigma",
                             "mu", "duration_ms", "freq_hz", "tau_ms", "top_a", "base_a", "rise_ms", "fall_ms", "top_ms",
                             "base_ms", "icc_a", "icut_a", "v_max_v", "v0_v", "v_ramp_up_s", "v_ramp_down_s",
                             "use_v_ramp", "i_ramp_up_s", "i_ramp_down_s", "use_i_ramp", "total_min", "response_ms",
                             "v_step_text", "i_step_text", "warnings"})
    EXPECT_NE(f.find(std::string("\"") + member + "\":"), std::string::npos) << member;
}

// ---- Answer parsing ----

constexpr const char* kGaussianJson =
    R"({"recommended_pattern":"Gaussian","confidence":0.8,"rationale":"gentle peaks",)"
    R"("parameters":{"i_min_a":0.1,"i_max_a":2.5,"sigma":0.15,"mu":0.5,"duration_ms":300,"use_v_ramp":true,)"
    R"("v_step_text":"0,3.0; 60,3.4","i_step_text":"0,0.5; 30,1.0"},"warnings":["watch T","check Vmax"]})";

TEST(ParseFormationResponse, AcceptsPlainAndFencedJsonOnly) {
  struct Case {
    const char* name;
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {"plain", kGaussianJson, true},
      {"blanks around", std::string(" \r\n\t") + kGaussianJson + "\r\n ", true},
      {"fenced with a language", std::string("```json\n") + kGaussianJson + "\n```", true},
      {"fenced without a language", std::string("```\n") + kGaussianJson + "\n```\nDone.", true},
      {"sentence before the JSON", std::string("Here is my proposal:\n") + kGaussianJson, false},
      {"sentence after the JSON", std::string(kGaussianJson) + "\nHope this helps.", false},
      {"fence without braces", "```json\n[1,2]\n```", false},
      {"an array", "[{\"recommended_pattern\":\"Gaussian\"}]", false},
      {"no pattern name", R"({"parameters":{"i_max_a":1}})", false},
      {"no positive i_max_a", R"({"recommended_pattern":"Sine","parameters":{"i_max_a":0}})", false},
      {"CC_CV following the prompt (icc_a, no i_max_a)",
       R"({"recommended_pattern":"CC_CV","parameters":{"icc_a":1.0,"icut_a":0.05,"v_max_v":3.6}})", false},
  };
  for (const Case& c : cases) {
    TFormationParams p;
    p.PatternName = "stale";
    EXPECT_EQ(ParseFormationResponse(c.text, p), c.valid) << c.name;
    EXPECT_EQ(p.Valid, c.valid) << c.name;
  }
  TFormationParams p;
  ASSERT_TRUE(ParseFormationResponse(std::string("```json\n") + kGaussianJson + "\n```", p));
  EXPECT_EQ(p.PatternName, "Gaussian");
  EXPECT_DOUBLE_EQ(p.Confidence, 0.8);
  EXPECT_EQ(p.Rationale, "gentle peaks");
  EXPECT_DOUBLE_EQ(p.IMin_A, 0.1);
  EXPECT_DOUBLE_EQ(p.IMax_A, 2.5);
  EXPECT_DOUBLE_EQ(p.Sigma, 0.15);
  EXPECT_DOUBLE_EQ(p.Mu, 0.5);
  EXPECT_DOUBLE_EQ(p.Duration_ms, 300);
  EXPECT_TRUE(p.UseVRamp);
  EXPECT_FALSE(p.UseIRamp);
  EXPECT_EQ(p.VStepText, "0,3.0; 60,3.4");
  EXPECT_EQ(p.IStepText, "0,0.5; 30,1.0");
  EXPECT_EQ(p.Warnings, (std::vector<std::string>{"watch T", "check Vmax"}));

  // Text that is not a JSON object leaves the record empty.
  ASSERT_FALSE(ParseFormationResponse(std::string("Sure! ") + kGaussianJson, p));
  EXPECT_EQ(p.PatternName, "");
  EXPECT_EQ(p.IMax_A, 0);
  EXPECT_TRUE(p.Warnings.empty());
}

TEST(ParseFormationResponse, TauReplacesTheDurationOnlyWhenPositive) {
  struct Case {
    const char* parameters;
    double duration;
  };
  const Case cases[] = {
      {R"("duration_ms":300,"tau_ms":800)", 800},
      {R"("tau_ms":800,"duration_ms":300)", 800},  // read after duration_ms, whatever the order
      {R"("duration_ms":300,"tau_ms":0)", 300},
      {R"("duration_ms":300,"tau_ms":-5)", 300},
      {R"("tau_ms":1200)", 1200},
  };
  for (const Case& c : cases) {
    TFormationParams p;
    ASSERT_TRUE(ParseFormationResponse(
        std::string(R"({"recommended_pattern":"Damped Sine","parameters":{"i_max_a":1,)") + c.parameters + "}}", p))
        << c.parameters;
    EXPECT_DOUBLE_EQ(p.Duration_ms, c.duration) << c.parameters;
  }
}

TEST(ParseFormationResponse, MembersOfTheWrongKindRaise) {
  for (const char* text : {
           R"({"recommended_pattern":"Sine","parameters":{"i_max_a":"2.0"}})",
           R"({"recommended_pattern":"Sine","parameters":{"i_max_a":2,"use_i_ramp":1}})",
           R"({"recommended_pattern":"Sine","parameters":{"i_max_a":2,"sigma":null}})",
           R"({"recommended_pattern":"Sine","confidence":"high","parameters":{"i_max_a":2}})",
           R"({"recommended_pattern":"Sine","parameters":[1]})",
           R"({"recommended_pattern":"Sine","parameters":{"i_max_a":2},"warnings":"careful"})",
       }) {
    TFormationParams p;
    EXPECT_THROW(ParseFormationResponse(text, p), std::exception) << text;
  }
}

// ---- The advisor in the window ----

class AdvisorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("voltaris_advisor_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir_);
    platform_.programDir = dir_;
    form_ = std::make_unique<TFormPreview>(platform_);
    form_->FormCreate();
  }
  void TearDown() override {
    form_.reset();
    settings_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  // The client of the window, pointed at `url` through the settings file.
  void UseService(const std::string& url, const std::string& key = "sk-secret-key-42") {
    settings_ = std::make_unique<ScopedAiSettings>(url, key, "advisor");
    form_->FormShow();
  }
  TFormationAdvisor& Advisor() { return form_->advisor; }
  FormModel& Form() { return form_->Form(); }
  const std::vector<std::string>& Memo() { return Form().Get("memoAIResponse").Lines(); }
  std::string Status() { return Form().Get("lblAIStatus").Caption(); }
  bool Enabled(const char* name) { return Form().Get(name).Enabled(); }

  std::filesystem::path dir_;
  RecordingPlatform platform_;
  std::unique_ptr<ScopedAiSettings> settings_;
  std::unique_ptr<TFormPreview> form_;
};

TEST_F(AdvisorTest, ShowingTheWindowPreparesTheClientAndThePlaceholder) {
  UseService("http://127.0.0.1:1/v1/messages");
  ASSERT_NE(Advisor().FClaudeAPI, nullptr);
  EXPECT_EQ(Advisor().FClaudeAPI->Config().Endpoint(), "http://127.0.0.1:1/v1/messages");
  EXPECT_EQ(Advisor().FClaudeConfig.APIKey, "sk-secret-key-42");
  EXPECT_EQ(Memo(), (std::vector<std::string>{"Run a simulation, then click \"Analyze Results\" or type a question."}));
  EXPECT_EQ(Status(), "Ready");
  EXPECT_EQ(form_->DumpState()["aiStatus"], "Ready");
  EXPECT_EQ(form_->DumpState()["aiBusy"], false);
}

TEST_F(AdvisorTest, SimulationContextWithoutAndWithARun) {
  form_->GChem = nullptr;
  form_->FChemP = TChemParams{};
  form_->FSimOut = TSimOutputs{};
  form_->FSEIDoneSec = -1;
  EXPECT_EQ(Advisor().BuildSimContext(),
            "=== Current Simulation Results ===\r\n"
            "Chemistry: Unknown\r\n"
            "Vmin/Vmax: 0.00 / 0.00 V\r\n"
            "SEI final: 0.0 nm (x0=0.0, xTarget=0.0)\r\n"
            "SOC reached: 0.0%\r\n"
            "Delivered Q: 0.000 Ah,  E: 0.000 Wh\r\n"
            "I_rms: 0.000 A,  I_pk: 0.000 A\r\n"
            "S_form: 0.0000\r\n"
            "psiHX_wear: 0.000\r\n"
            "PsiHX_time: 0.00\r\n"
            "SEI stabilization: not detected\r\n"
            "\u0394T max: 0.00 \u00B0C\r\n");

  form_->GChem.Recreate().FChemistry = "NMC811";
  TChemParams& p = form_->FChemP;
  p.Qn_Ah = 5;
  p.Vmin = 2.5;
  p.Vmax = 4.2;
  p.x0_nm = 3;
  p.xTarget_nm = 60;
  p.Tamb_C = 25;
  TSimOutputs& o = form_->FSimOut;
  o.SEI_nm = {1, 12.34567};
  o.T_C = {25, 31.23456, 30};
  o.Q_Ah = 6;  // above the capacity: limited to 100 %
  o.E_Wh = 10.5;
  o.I_rms_A = 1.23456;
  o.I_pk_A = 2;
  o.S_form = 0.123456;
  o.psiHX_wear = 0.9876;
  o.PsiHX_time = 1.5;
  form_->FSEIDoneSec = 5400;
  EXPECT_EQ(Advisor().BuildSimContext(),
            "=== Current Simulation Results ===\r\n"
            "Chemistry: NMC811\r\n"
            "Capacity: 5.0 Ah\r\n"
            "Vmin/Vmax: 2.50 / 4.20 V\r\n"
            "SEI final: 12.3 nm (x0=3.0, xTarget=60.0)\r\n"
            "SOC reached: 100.0%\r\n"
            "Delivered Q: 6.000 Ah,  E: 10.500 Wh\r\n"
            "I_rms: 1.235 A,  I_pk: 2.000 A\r\n"
            "S_form: 0.1235\r\n"
            "psiHX_wear: 0.988\r\n"
            "PsiHX_time: 1.50\r\n"
            "SEI stabilization: 90 min\r\n"
            "\u0394T max: 6.23 \u00B0C\r\n");
}

TFormationParams Suggestion() {
  TFormationParams p;
  p.PatternName = "Gaussian";
  p.IMin_A = 0.1;
  p.IMax_A = 2.5;
  p.Sigma = 0.15;
  p.Mu = 0.5;
  p.Duration_ms = 300;
  p.Valid = true;
  return p;
}

TEST_F(AdvisorTest, CycleTimesAndDecayTimesPerPage) {
  struct Case {
    double d;
    const char *gau, *cycle, *tau;  // Gaussian cycle; Sigmoid, Parabola and Exponential cycle; Damped Sine tau
  };
  const Case cases[] = {
      {300, "300", "300", "300"},     {800, "800", "800", "800"},      {30, "50", "30", "30"},
      {2500, "500", "500", "2000"},   {6000, "500", "500", "600"},     {15000, "50", "15", "1500"},
      {90000, "200", "200", "500"},   {60000, "60", "60", "6000"},
  };
  for (const Case& c : cases) {
    TFormationParams p = Suggestion();
    p.Duration_ms = c.d;
    Advisor().ApplyFormationParamsToUI(p);
    EXPECT_EQ(Form().Text("EdGauDur"), c.gau) << c.d;
    EXPECT_EQ(Form().Text("EdSigDur"), c.cycle) << c.d;
    EXPECT_EQ(Form().Text("EdParaDur"), c.cycle) << c.d;
    EXPECT_EQ(Form().Text("EdExpDur"), c.cycle) << c.d;
    EXPECT_EQ(Form().Text("EdDampTau"), c.tau) << c.d;
  }
  // Without a duration the cycle and decay fields keep what they hold.
  Form().SetText("EdGauDur", "777");
  Form().SetText("EdDampTau", "888");
  TFormationParams p = Suggestion();
  p.Duration_ms = 0;
  Advisor().ApplyFormationParamsToUI(p);
  EXPECT_EQ(Form().Text("EdGauDur"), "777");
  EXPECT_EQ(Form().Text("EdDampTau"), "888");

  // "tau_ms" 800 with "duration_ms" 300, through the parser.
  TFormationParams parsed;
  ASSERT_TRUE(ParseFormationResponse(
      R"({"recommended_pattern":"Damped Sine","parameters":{"i_max_a":1,"duration_ms":300,"tau_ms":800}})", parsed));
  Advisor().ApplyFormationParamsToUI(parsed);
  EXPECT_EQ(Form().Text("EdDampTau"), "800");
  EXPECT_EQ(Form().Text("EdGauDur"), "800");
  EXPECT_EQ(Form().Get("PcParams").ActivePage(), "TsDamped");
}

TEST_F(AdvisorTest, EveryPatternFieldIsWrittenInFixedNotation) {
  TFormationParams p = Suggestion();
  p.IMin_A = 0.1234567891;
  p.IMax_A = 1234.56789;
  p.Sigma = 0.2;
  p.Mu = 0.456;
  p.Freq_Hz = 2.345;
  p.TopA_A = 98765432.1;  // more than 8 significant digits
  p.BaseA_A = 0.05;
  p.Rise_ms = 20.4;
  p.Fall_ms = 30.6;
  p.TopMs = 80;
  p.BaseMs = 0;  // not above 0: base times stay
  p.ICC_A = 0.75;
  p.ICut_A = 0.05;
  p.VMax_V = 3.6;
  Form().SetText("EdTrapBottomMs", "11");
  Form().SetText("EdBase", "12");
  Advisor().ApplyFormationParamsToUI(p);

  const std::pair<const char*, const char*> expected[] = {
      {"EdGauMin", "0.123"},      {"EdGauMax", "1234.568"},  {"EdGauSigma", "0.200"},   {"EdGauMu", "0.46"},
      {"EdSineMin", "0.123"},     {"EdSineMax", "1234.568"}, {"EdSineF", "2.35"},       {"EdDampMin", "0.123"},
      {"EdDampMax", "1234.568"},  {"EdDampF", "2.35"},       {"EdDampPhase", "0"},      {"EdTrapBaseA", "0.050"},
      {"EdTrapTopA", "98765432.000"}, {"EdTrapRise", "20"},  {"EdTrapTopMs", "80"},     {"EdTrapFall", "31"},
      {"EdTrapBottomMs", "11"},   {"EdTriMin", "0.123"},     {"EdTriMax", "1234.568"},  {"EdTriRiseMs", "20"},
      {"EdTriFallMs", "31"},      {"EdTopA", "98765432.000"}, {"EdBaseA", "0.050"},     {"EdRise", "20"},
      {"EdTop", "80"},            {"EdFall", "31"},          {"EdBase", "12"},          {"EdSigI0", "0.123"},
      {"EdSigI1", "1234.568"},    {"EdParaI0", "0.123"},     {"EdParaI1", "1234.568"},  {"EdTanBase", "0.050"},
      {"EdTanPeak", "98765432.000"}, {"EdTanRise", "20"},    {"EdTanHold", "80"},       {"EdTanFall", "31"},
      {"EdExpI0", "1234.568"},    {"EdExpI1", "0.123"},      {"edtCC_A", "0.750"},      {"edtVmax", "3.60"},
      {"edtICC", "0.750"},        {"edtIcut", "0.050"},
  };
  for (const auto& [name, text] : expected) EXPECT_EQ(Form().Text(name), text) << name;
}

TEST_F(AdvisorTest, PatternPageByNameIgnoringCase) {
  const std::pair<const char*, const char*> cases[] = {
      {"gaussian", "TsGaussian"},  {"SINE", "TsSine"},         {"Sinusoidal", "TsSine"},   {"Superpulse", "TsSuper"},
      {"Triangle", "TsTri"},       {"Trapezoid", "TsTrap"},    {"Damped Sine", "TsDamped"}, {"dampedsine", "TsDamped"},
      {"Exponential", "TsExp"},    {"CC_CV", "tsCC_CV"},       {"cc/cv", "tsCC_CV"},        {"Sigmoid", "TsSigmoid"},
      {"Parabola", "TsParab"},     {"Tangential", "TsTang"},   {"Bezier", "TsSine"},        {"Custom LUT", "TsSine"},
  };
  for (const auto& [name, page] : cases) {
    Form().SetActivePage("PcParams", "TsSine");
    TFormationParams p = Suggestion();
    p.PatternName = name;
    Advisor().ApplyFormationParamsToUI(p);
    EXPECT_EQ(Form().Get("PcParams").ActivePage(), page) << name;
  }
}

TEST_F(AdvisorTest, CcCvCurrentFallsBackToTheMaximumCurrent) {
  TFormationParams p = Suggestion();
  p.PatternName = "CC_CV";
  p.ICC_A = 0;
  p.IMax_A = 1.2;
  Form().SetText("edtIcut", "0.3");
  Advisor().ApplyFormationParamsToUI(p);
  EXPECT_EQ(Form().Text("edtCC_A"), "1.200");
  EXPECT_EQ(Form().Text("edtICC"), "1.200");
  EXPECT_EQ(Form().Text("edtIcut"), "0.3");
  EXPECT_EQ(Form().Text("edtVmax"), "0.00");
}

TEST_F(AdvisorTest, VoltageRampsTotalTimeStepsAndResponseTime) {
  Form().SetText("edtVt", "4.1");
  Form().SetText("edtVsteps", "0,3.0");
  Form().SetChecked("chkVRamp", true);
  TFormationParams p = Suggestion();
  p.VMax_V = 0;  // no voltage limit: the voltage entries stay
  p.IRampUp_s = 120.5;
  p.IRampDown_s = 121.5;
  p.UseIRamp = false;
  p.TotalMin = 179.5;
  p.IStepText = "0,0.5; 30,1.0";
  Advisor().ApplyFormationParamsToUI(p);
  EXPECT_EQ(Form().Text("edtVt"), "4.1");
  EXPECT_TRUE(Form().Checked("chkVRamp"));
  EXPECT_EQ(Form().Text("edtRU"), "120");  // halves to the even neighbour
  EXPECT_EQ(Form().Text("edtRD"), "122");
  EXPECT_FALSE(Form().Checked("chkIRamp"));
  EXPECT_EQ(Form().Text("EdTotalMs"), "180");
  EXPECT_EQ(Form().Text("edtIStep"), "0,0.5; 30,1.0");
  EXPECT_EQ(Form().Text("edtVsteps"), "0,3.0");

  p.VMax_V = 3.6;
  p.V0_V = 2.8;
  p.VRampUp_s = 60.4;
  p.VRampDown_s = 0;
  p.UseVRamp = false;
  p.VStepText = "0,3.0; 60,3.4";
  Form().SetText("edtVRD", "33");
  Advisor().ApplyFormationParamsToUI(p);
  EXPECT_EQ(Form().Text("edtVt"), "3.60");
  EXPECT_EQ(Form().Text("edtV0"), "2.80");
  EXPECT_EQ(Form().Text("edtVRU"), "60");
  EXPECT_EQ(Form().Text("edtVRD"), "33");
  EXPECT_FALSE(Form().Checked("chkVRamp"));
  EXPECT_EQ(Form().Text("edtVsteps"), "0,3.0; 60,3.4");

  // The response time: 1 decimal, 1.0 outside (0, 500], written without a recalculation.
  const std::pair<double, const char*> responses[] = {{0, "1.0"}, {1000, "1.0"}, {-3, "1.0"}, {2.46, "2.5"}, {500, "500.0"}};
  for (const auto& [ms, text] : responses) {
    form_->FDtSim = 12345;
    TFormationParams r = Suggestion();
    r.ResponseMs = ms;
    Advisor().ApplyFormationParamsToUI(r);
    EXPECT_EQ(Form().Text("edtFs"), text) << ms;
    EXPECT_EQ(form_->FDtSim, 12345) << "recalculated for " << ms;
  }
}

TEST_F(AdvisorTest, WithoutAMaximumCurrentOnlyTheRampsAndTheResponseTimeAreWritten) {
  Form().SetText("EdGauMax", "9");
  Form().SetText("edtCC_A", "4");
  TFormationParams p;
  p.PatternName = "Gaussian";
  p.IRampUp_s = 300;
  Advisor().ApplyFormationParamsToUI(p);
  EXPECT_EQ(Form().Text("EdGauMax"), "9");
  EXPECT_EQ(Form().Text("edtCC_A"), "4");
  EXPECT_EQ(Form().Text("edtRU"), "300");
  EXPECT_EQ(Form().Text("edtFs"), "1.0");
}

// ---- The commands against the loopback stand-in ----

TEST_F(AdvisorTest, AskShowsTheQuestionThenTheAnswerAndClearsTheQuestion) {
  LoopbackHttpServer server(200, R"({"content":[{"type":"text","text":"Line one\nLine two"}]})");
  UseService(server.Url());
  Form().UserClick("btnAIAsk");  // empty question: nothing happens
  EXPECT_EQ(Status(), "Ready");
  Form().UserSetText("edAIQuery", "   ");
  Form().UserClick("btnAIAsk");
  EXPECT_EQ(Status(), "Ready");
  EXPECT_FALSE(Advisor().Busy());

  Form().UserSetText("edAIQuery", "  Why is SEI thick?  ");
  Form().UserClick("btnAIAsk");
  EXPECT_EQ(Status(), "Thinking...");
  EXPECT_FALSE(Enabled("btnAIAsk"));
  EXPECT_FALSE(Enabled("btnAIAnalyze"));
  EXPECT_TRUE(Enabled("btnAIFillParams"));
  EXPECT_EQ(Memo(), (std::vector<std::string>{"Q: Why is SEI thick?", "", "Thinking..."}));
  EXPECT_EQ(form_->DumpState()["aiBusy"], true);
  EXPECT_EQ(form_->DumpState()["aiStatus"], "Thinking...");

  ASSERT_TRUE(Advisor().WaitForAnswers(20000));
  EXPECT_EQ(Status(), "Done");
  EXPECT_TRUE(Enabled("btnAIAsk"));
  EXPECT_TRUE(Enabled("btnAIAnalyze"));
  EXPECT_EQ(Memo(), (std::vector<std::string>{"Q: Why is SEI thick?", "", "Line one", "Line two"}));
  EXPECT_EQ(Form().Text("edAIQuery"), "");
  EXPECT_EQ(form_->DumpState()["aiBusy"], false);

  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string body = server.Requests()[0].body;
  EXPECT_NE(body.find(R"("content":"Why is SEI thick?\u000D\u000A\u000D\u000A=== Current Simulation Context ===\u000D\u000A=== Current Simulation Results ===\u000D\u000A)"),
            std::string::npos)
      << body;
  EXPECT_NE(body.find(R"("system":"You are an expert battery formation engineer and electrochemist)"), std::string::npos);

  Form().UserClick("btnAICopy");
  EXPECT_EQ(platform_.clipboard, "Q: Why is SEI thick?\n\nLine one\nLine two");
}

TEST_F(AdvisorTest, AnalyzeShowsTheServiceRefusalAsAnError) {
  const std::string refusal = R"({"type":"error","error":{"type":"authentication_error","message":"invalid x-api-key"}})";
  LoopbackHttpServer server(401, refusal);
  UseService(server.Url());
  Form().UserClick("btnAIAnalyze");
  EXPECT_EQ(Status(), "Analyzing...");
  EXPECT_FALSE(Enabled("btnAIAnalyze"));
  EXPECT_FALSE(Enabled("btnAIAsk"));
  EXPECT_EQ(Memo(), (std::vector<std::string>{"Analyzing simulation results..."}));
  ASSERT_TRUE(Advisor().WaitForAnswers(20000));
  EXPECT_EQ(Status(), "Error");
  EXPECT_TRUE(Enabled("btnAIAnalyze"));
  EXPECT_TRUE(Enabled("btnAIAsk"));
  EXPECT_EQ(Memo(), (std::vector<std::string>{"Error: HTTP 401: " + refusal}));
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_NE(server.Requests()[0].body.find(
                R"("content":"Please analyze these battery formation simulation results and provide:\u000D\u000A1. Key observations about formation quality\u000D\u000A2. Chemistry-specific insights\u000D\u000A3. Recommendations for protocol improvement\u000D\u000A\u000D\u000A=== Current Simulation Results ===)"),
            std::string::npos);
}

TEST_F(AdvisorTest, WithoutKeyOrNetworkTheMemoSaysErrorWithinTheTimeOut) {
  UseService(LoopbackHttpServer::RefusedUrl(), "");
  Form().UserSetText("edAIQuery", "Hello?");
  Form().UserClick("btnAIAsk");
  ASSERT_TRUE(Advisor().WaitForAnswers(40000));
  EXPECT_EQ(Status(), "Error");
  ASSERT_EQ(Memo().size(), 1u);
  EXPECT_EQ(Memo()[0].rfind("Error: Connection error: ", 0), 0u) << Memo()[0];
  EXPECT_EQ(Form().Text("edAIQuery"), "");
}

TEST_F(AdvisorTest, SuggestProtocolAppliesAValidAnswerAndReportsIt) {
  LoopbackHttpServer server(200, nlohmann::json{{"content", {{{"type", "text"}, {"text", std::string("```json\n") + kGaussianJson + "\n```"}}}}}.dump());
  UseService(server.Url());
  form_->GChem = nullptr;
  form_->FChemP = TChemParams{};
  Form().SetText("edCellCapAh", "abc");  // unreadable: 5 Ah
  Form().SetText("edtIStep", "0,1.0");
  Form().SetText("edtVsteps", "");
  Form().UserClick("btnAIFillParams");
  EXPECT_EQ(Status(), "Getting protocol...");
  EXPECT_FALSE(Enabled("btnAIFillParams"));
  EXPECT_EQ(Memo(), (std::vector<std::string>{"Asking AI for optimal formation parameters..."}));
  EXPECT_DOUBLE_EQ(form_->FChemP.Qn_Ah, 5);
  EXPECT_DOUBLE_EQ(form_->FChemP.SEI_scale_nm_Ah, 12);
  EXPECT_DOUBLE_EQ(form_->FChemP.kSEI_0, 1.5e-11);

  ASSERT_TRUE(Advisor().WaitForAnswers(20000));
  EXPECT_EQ(Status(), "Applied!");
  EXPECT_TRUE(Enabled("btnAIFillParams"));
  EXPECT_EQ(Memo(), (std::vector<std::string>{"AI Formation Protocol Applied!", "", "Pattern: Gaussian",
                                              "I_min=0.10A  I_max=2.50A", "V_max=0.00V  V0=0.00V", "Total=0 min", "",
                                              "Reason: gentle peaks", "\u26A0 watch T", "\u26A0 check Vmax"}));
  EXPECT_EQ(Form().Get("PcParams").ActivePage(), "TsGaussian");
  EXPECT_EQ(Form().Text("EdGauMax"), "2.500");
  EXPECT_EQ(Form().Text("edtIStep"), "0,0.5; 30,1.0");

  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string body = server.Requests()[0].body;
  EXPECT_NE(body.find(R"(\u000D\u000AIMPORTANT: Always respond in English regardless of any other language in the context.",)"),
            std::string::npos);
  EXPECT_NE(body.find(R"("content":"=== Cell Chemistry Parameters ===\u000D\u000AChemistry: Unknown\u000D\u000ACapacity: 5.0 Ah\u000D\u000A)"),
            std::string::npos);
  EXPECT_NE(body.find(R"(Always respond in English.\u000D\u000ACurrent I-Step profile: 0,1.0\u000D\u000APlease also suggest optimal i_step_text (format: \"min,A; min,A; ...\") and v_step_text (format: \"min,V; min,V; ...\") in the parameters JSON."}]})"),
            std::string::npos)
      << body;
  EXPECT_EQ(body.find("V-Step profile"), std::string::npos);
}

TEST_F(AdvisorTest, SuggestProtocolShowsAnUnusableAnswerUnchanged) {
  const std::string answers[] = {
      std::string("Here is my proposal: ") + kGaussianJson,
      R"({"recommended_pattern":"CC_CV","parameters":{"icc_a":1.0}})",
      R"({"recommended_pattern":"Sine","parameters":{"i_max_a":"2"}})",  // wrong kind: nothing applied
  };
  for (const std::string& answer : answers) {
    LoopbackHttpServer server(200, nlohmann::json{{"content", {{{"text", answer}}}}}.dump());
    UseService(server.Url());
    Form().SetText("EdSineMax", "7");
    Form().UserClick("btnAIFillParams");
    ASSERT_TRUE(Advisor().WaitForAnswers(20000));
    EXPECT_EQ(Status(), "See memo") << answer;
    EXPECT_TRUE(Enabled("btnAIFillParams"));
    EXPECT_EQ(Form().Text("EdSineMax"), "7");
    std::string memo;
    for (const auto& l : Memo()) memo += (memo.empty() ? "" : "\n") + l;
    EXPECT_EQ(memo, answer);
    settings_.reset();
  }
}

TEST_F(AdvisorTest, TheKeyIsNeverDumpedNorLoggedNorWritten) {
  LoopbackHttpServer server(200, R"({"content":[{"text":"ok"}]})");
  DebugCapture capture(platform_.debugLines);
  UseService(server.Url(), "sk-secret-key-42");
  const std::string iniBefore = TIniFile::Load(settings_->Path()).Text();
  Form().UserSetText("edAIQuery", "Q");
  Form().UserClick("btnAIAsk");
  ASSERT_TRUE(Advisor().WaitForAnswers(20000));
  HeadlessHost host(*form_, platform_);
  ScriptRunner runner(*form_, platform_, host);
  const std::string dump = runner.Dump(true).dump(-1, ' ', false, Json::error_handler_t::replace);
  EXPECT_EQ(dump.find("sk-secret-key-42"), std::string::npos);
  for (const std::string& line : platform_.debugLines) EXPECT_EQ(line.find("sk-secret-key-42"), std::string::npos);
  EXPECT_EQ(TIniFile::Load(settings_->Path()).Text(), iniBefore);
  EXPECT_EQ(server.Requests().at(0).Header("x-api-key"), "sk-secret-key-42");
}

TEST_F(AdvisorTest, ClosingTheWindowWithARequestInFlightNeitherCrashesNorHangs) {
  auto server = LoopbackHttpServer::NeverAnswering();
  UseService(server.Url());
  Form().UserSetText("edAIQuery", "Still there?");
  Form().UserClick("btnAIAsk");
  Form().UserClick("btnAIFillParams");
  while (server.Requests().size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(Advisor().Busy());
  form_.reset();  // the answers finish into nothing
  SUCCEED();
}

}  // namespace
}  // namespace voltaris
