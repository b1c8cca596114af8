// voltaris-cli run as a process: exit codes, script errors on stderr, the dump file.
#include <iterator>

#include "cli_process.h"

#include "../pdf_tools.h"
#include "../core/loopback_http_server.h"

namespace {

TEST_F(CliTest, RunsAScriptAndWritesTheDump) {
  const Result r = RunScript(
      "set EdTotalMs 90\n"
      "key F1\n"
      "key Ctrl+A\n"
      "dump out.json\n"
      "quit\n"
      "set EdTotalMs 5\n");
  ASSERT_EQ(r.code, 0) << r.err;
  const auto d = ReadJson("out.json");
  EXPECT_EQ(d["controls"]["EdTotalMs"]["text"], "90");
  EXPECT_EQ(d["caption"], "Voltaris Battery Formation Simulator  ");
  // The help page ships beside the program: F1 hands it to the default application.
  ASSERT_EQ(d["opened"].size(), 1u);
  EXPECT_EQ(fs::path(d["opened"][0].get<std::string>()).filename(), "Voltaris_Help.html");
  EXPECT_TRUE(fs::exists(d["opened"][0].get<std::string>()));
  ASSERT_EQ(d["messages"].size(), 1u);
  EXPECT_EQ(d["messages"][0]["kind"], "about");
}

TEST_F(CliTest, ScriptErrorsGiveTheLineAndExitCodeTwo) {
  Result r = RunScript("set EdTotalMs 90\n\nbogus command\ndump out.json\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "script:3: unknown command: bogus\n");
  EXPECT_FALSE(fs::exists(dir_ / "out.json"));

  r = RunScript("dump /nonexistent-folder/out.json\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("script:1: cannot write file"), std::string::npos) << r.err;
}

TEST_F(CliTest, UnreadableScriptAndBadArgumentsAreRefused) {
  Result r = RunCli("--script " + (dir_ / "missing.txt").string());
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("cannot read script file"), std::string::npos) << r.err;
  r = RunCli("--bogus");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("usage: voltaris-cli --script FILE"), std::string::npos) << r.err;
}

// The document commands driven by a script, with the settings file of this test: each
// kind's New, Save and Load, a template, a failing chemistry, then the next run reloading
// the last files.
TEST_F(CliTest, DocumentCommandsAndTheLastFilesOfTheNextRun) {
  const std::string d = dir_.string() + "/";
  env_ = "VOLTARIS_INI=" + d + "ini/Kelvane.ini XDG_DATA_HOME=" + d + "xdg ";
  std::ofstream(dir_ / "tpl.json") << R"({"schema":"halvora.chem_template.v0",)"
                                   << R"("recommended":{"imin_a":1,"imax_a":4.5,"cycle_period_ms":250},)"
                                   << R"("lut":{"values":[0,1,0.5,0.25]}})";
  std::ofstream(dir_ / "bad.hxchem") << R"({"schema":"other"})";
  std::string script;
  const char* kinds[] = {"s", "p", "ch", "c"};
  for (int i = 0; i < 4; ++i)
    script += "select cbJsonType " + std::to_string(i) + "\nanswer-dialog " + d + "new_" + kinds[i] +
              "\nclick btnJsonNew\n";
  script += "select cbJsonType -1\nanswer-dialog " + d + "none\nclick btnJsonSave\n";
  script += "select cbJsonType 0\nanswer-dialog sess\nclick btnJsonSave\n";  // from the current folder
  script += "answer-dialog " + d + "new_p.hxpat\nclick btnJsonLoad\n";
  script += "select cbJsonType 0\nanswer-dialog " + d + "new_c.hxcal\nclick btnJsonLoad\n";
  script += "dump cal.json\n";
  script += "answer-dialog " + d + "new_ch.hxchem\nclick btnJsonLoad\n";
  script += "answer-dialog " + d + "tpl.json\nclick btnJsonLoad\n";
  script += "answer-dialog " + d + "bad.hxchem\nclick btnJsonLoad\n";
  script += "answer-dialog cancel\nclick btnJsonSave\n";
  script += "dump out.json\nquit\n";
  Result r = RunScript(script);
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* f : {"new_s.hxsim", "new_p.hxpat", "new_ch.hxchem", "new_c.hxcal", "none.hxcal", "sess.hxsim"})
    EXPECT_TRUE(fs::exists(dir_ / f)) << f;
  EXPECT_EQ(ReadJson("cal.json")["controls"]["cbJsonType"]["index"], 3);  // by its extension
  const auto out = ReadJson("out.json");
  const auto& state = out["state"];
  EXPECT_EQ(state["FLastPatPath"], d + "new_p.hxpat");
  EXPECT_EQ(state["FLastZaruVedh"], d + "new_ch.hxchem");
  EXPECT_EQ(state["iniPath"], d + "ini/Kelvane.ini");
  EXPECT_EQ(state["recentSession"], d + "sess.hxsim");
  EXPECT_EQ(out["caption"], "Voltaris Battery Formation Simulator  ");
  EXPECT_EQ(out["controls"]["cbJsonType"]["index"], 2);
  EXPECT_EQ(out["controls"]["EdLUTPoints"]["text"], "(ZaruVed LUT loaded: 4 pts)");
  EXPECT_EQ(out["controls"]["EdLUTPoints"]["enabled"], false);
  EXPECT_EQ(out["controls"]["EdLUTMax"]["text"], "4.5");
  EXPECT_EQ(out["controls"]["PcParams"]["active"], "TsCustom");
  ASSERT_EQ(out["messages"].size(), 1u) << out["messages"].dump();
  EXPECT_EQ(out["messages"][0]["text"], "Chem file schema mismatch: other");

  // The settings written at exit bring the same files back.
  std::ifstream iniIn(dir_ / "ini/Kelvane.ini");
  const std::string ini{std::istreambuf_iterator<char>(iniIn), std::istreambuf_iterator<char>()};
  EXPECT_EQ(ini, "[LastFiles]\nZaruVedh=" + d + "new_ch.hxchem\nPatPath=" + d + "new_p.hxpat\n");
  r = RunScript("dump next.json\n");
  ASSERT_EQ(r.code, 0) << r.err;
  const auto next = ReadJson("next.json");
  EXPECT_EQ(next["state"]["FLastZaruVedh"], d + "new_ch.hxchem");
  EXPECT_EQ(next["state"]["FLastPatPath"], d + "new_p.hxpat");
  EXPECT_EQ(next["controls"]["edChemFile"]["text"], "new_ch.hxchem");
  EXPECT_TRUE(next["messages"].empty());
}

TEST_F(CliTest, ASmallScreenGivesTheWarningOnce) {
  struct Case {
    const char* screen;
    const char* current;  // nullptr: no warning
  };
  const Case cases[] = {{"1024x768", "1024x768"}, {"1280x800", nullptr}, {"", nullptr}, {"wide", nullptr},
                        {"1279x900", "1279x900"}};
  for (const Case& c : cases) {
    env_ = "VOLTARIS_INI=" + dir_.string() + "/Kelvane.ini VOLTARIS_SCREEN=" + c.screen + " ";
    const Result r = RunScript("dump out.json\n");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto d = ReadJson("out.json");
    if (c.current == nullptr) {
      EXPECT_TRUE(d["messages"].empty()) << c.screen;
      continue;
    }
    ASSERT_EQ(d["messages"].size(), 1u) << c.screen;
    EXPECT_EQ(d["messages"][0]["kind"], "warning");
    EXPECT_EQ(d["messages"][0]["text"], std::string("Voltaris requires minimum 1280x800 screen resolution.\r\nCurrent: ") +
                                            c.current + ". Some UI elements may be clipped.");
  }
}

// The formation report after a headless run: the CLI draws no charts, so their places stay
// empty (null objects); the artwork beside the program is placed; the file opens cleanly.
TEST_F(CliTest, ExportsTheFormationReportAfterARun) {
  using namespace voltaris::testing_pdf;
  if (!HavePdfTools()) GTEST_SKIP() << "qpdf / poppler-utils not installed (scripts/install-deps.sh)";
  const fs::path pdf = dir_ / "report.pdf";
  const Result r = RunScript(
      "click btnPdfExport\n"  // before any run: a message, no dialog
      "set edtFs 1000\nset EdTotalMs 60\npage PcParams TsSine\nset tbSpeed 150\n"
      "click btnStart\nrun-to-end\n"
      "answer-dialog " + pdf.string() + "\nclick btnPdfExport\n"
      "answer-dialog cancel\nclick btnPdfExport\n"
      "dump out.json\n");
  ASSERT_EQ(r.code, 0) << r.err;
  const auto d = ReadJson("out.json");
  ASSERT_EQ(d["messages"].size(), 1u) << d["messages"].dump();
  EXPECT_EQ(d["messages"][0]["kind"], "information");
  EXPECT_EQ(d["messages"][0]["title"], "PDF Export");
  EXPECT_NE(d["messages"][0]["text"].get<std::string>().find("Run a simulation first"), std::string::npos);
  ASSERT_EQ(d["opened"].size(), 1u);  // the cancelled export opens nothing
  EXPECT_EQ(d["opened"][0], pdf.string());

  const ShellResult check = Shell("qpdf --check '" + pdf.string() + "'");
  EXPECT_EQ(check.code, 0) << check.out;
  EXPECT_EQ(PdfPages(pdf.string()), 3);  // the run drew its 3D profile: the spatial SEI page
  const ShellResult text = Shell("pdftotext '" + pdf.string() + "' -");
  for (const char* t : {"Formation Waveform", "Energy & Formation Summary", "Pattern Performance vs CC/CV",
                        "Page 1/3", "Page 2/3", "Page 3/3", "Pattern: sinusoidal", ">> Sine", "Cell Parameters"})
    EXPECT_NE(text.out.find(t), std::string::npos) << t;
  // Only the two artwork pictures: the charts are empty places.
  const ShellResult images = Shell("pdfimages -list '" + pdf.string() + "'");
  EXPECT_EQ(PdfImageCount(pdf.string()), 2) << images.out;
  EXPECT_NE(images.out.find("2000   267"), std::string::npos) << images.out;
  EXPECT_NE(images.out.find("2000   258"), std::string::npos) << images.out;
  EXPECT_EQ(Shell("pdftoppm -r 20 -png '" + pdf.string() + "' '" + (dir_ / "pg").string() + "'").code, 0);
  EXPECT_TRUE(fs::exists(dir_ / "pg-1.png"));
  EXPECT_TRUE(fs::exists(dir_ / "pg-2.png"));
  EXPECT_TRUE(fs::exists(dir_ / "pg-3.png"));
}

}  // namespace

namespace {

TEST_F(CliTest, AiWaitHandsTheAnswerOverAndTheDumpShowsTheAssistantState) {
  voltaris::testing_support::LoopbackHttpServer server(200, R"({"content":[{"type":"text","text":"Two lines\nof answer"}]})");
  voltaris::testing_support::ScopedAiSettings settings(server.Url(), "sk-cli-secret", "cli");
  const Result r = RunScript(
      "set edAIQuery How fast?\n"
      "click btnAIAsk\n"
      "dump before.json\n"
      "ai-wait 20000\n"
      "dump after.json\n"
      "ai-wait\n"
      "ai-wait 0\n");
  ASSERT_EQ(r.code, 0) << r.err;
  const auto before = ReadJson("before.json");
  EXPECT_EQ(before["state"]["aiBusy"], true);
  EXPECT_EQ(before["state"]["aiStatus"], "Thinking...");
  EXPECT_EQ(before["controls"]["btnAIAsk"]["enabled"], false);
  EXPECT_EQ(before["controls"]["lblAIStatus"]["caption"], "Thinking...");
  const auto after = ReadJson("after.json");
  EXPECT_EQ(after["state"]["aiBusy"], false);
  EXPECT_EQ(after["state"]["aiStatus"], "Done");
  EXPECT_EQ(after["controls"]["memoAIResponse"]["lines"],
            nlohmann::json::array({"Q: How fast?", "", "Two lines", "of answer"}));
  EXPECT_EQ(after["controls"]["btnAIAsk"]["enabled"], true);
  for (const char* name : {"before.json", "after.json"}) {
    std::ifstream in(dir_ / name);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().find("sk-cli-secret"), std::string::npos) << name;
  }
}

TEST_F(CliTest, AiWaitRefusesABadWaitTimeAndTheScriptMayEndWithARequestInFlight) {
  Result r = RunScript("ai-wait -1\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "script:1: wait time must not be negative\n");
  r = RunScript("ai-wait soon\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "script:1: bad wait time: 'soon'\n");

  auto server = voltaris::testing_support::LoopbackHttpServer::NeverAnswering();
  voltaris::testing_support::ScopedAiSettings settings(server.Url(), "k", "cli_inflight");
  r = RunScript("set edAIQuery Anyone?\nclick btnAIAsk\nai-wait 200\ndump d.json\nquit\n");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadJson("d.json")["state"]["aiBusy"], true);
}

TEST_F(CliTest, CalibrationAndSmokeTestRunToCompletion) {
  const Result r = RunScript(
      "page PcParams tsCC_CV\n"
      "set edtFs 1000\n"
      "set EdTotalMs 10\n"
      "set edCellCapAh 5\n"
      "click btnRunSmoke\n"
      "dump smoke.json\n"
      "click btnRunCalibration\n"
      "dump out.json\n");
  ASSERT_EQ(r.code, 0) << r.err;
  const auto smoke = ReadJson("smoke.json");
  const auto& memo = smoke["controls"]["MemoChemMetrics"]["lines"];
  ASSERT_EQ(memo.size(), 11u);
  EXPECT_EQ(memo[7], "--- Sanity Checks ---");
  const auto d = ReadJson("out.json");
  EXPECT_TRUE(d["messages"].empty());
  EXPECT_EQ(d["controls"]["lblCalibStatus"]["caption"], "Fit done.");
  EXPECT_EQ(d["controls"]["pbCalib"]["position"], 3);
  EXPECT_EQ(d["controls"]["sgCalib"]["cells"][0][0], "CC Level");
  EXPECT_EQ(d["state"]["FCalibCC_A"], 10.0);
  EXPECT_GT(d["state"]["FChemP"]["xTarget_nm"].get<double>(), 0.0);
}

// A script name that is no script file: a message and exit code 2, never an abort or a hang.
TEST_F(CliTest, ScriptsThatAreNoRegularFilesAreRefused) {
  fs::create_directories(dir_ / "folder");
  const struct {
    std::string path;
    const char* expected;
  } cases[] = {
      {"/dev/zero", "It is not a regular file"},
      {(dir_ / "folder").string(), "It is a folder, not a file"},
  };
  for (const auto& c : cases) {
    const Result r = RunCli("--script " + c.path);
    EXPECT_EQ(r.code, 2) << c.path;
    EXPECT_NE(r.err.find("script:0: cannot read script file: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
  }
}

}  // namespace
