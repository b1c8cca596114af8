#include <gtest/gtest.h>

#include "layout_values.h"

#include <filesystem>
#include <fstream>

#include "automation/script_runner.h"

namespace voltaris {
namespace {

class ScriptRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.FormCreate();
    RestoreLayoutValues(form_.Form());  // the layout's inputs, whatever session was restored
  }
  int Run(const std::string& text) { return runner_.RunText(text); }
  Json Dump(bool full = false) { return runner_.Dump(full); }

  RecordingPlatform platform_;
  TFormPreview form_{platform_};
  HeadlessHost host_{form_, platform_};
  ScriptRunner runner_{form_, platform_, host_};
};

TEST_F(ScriptRunnerTest, CommandsActOnTheFormAsAUserWould) {
  int clicks = 0, fsChanges = 0;
  form_.Form().OnClick("btnStart", [&](const std::string&) { ++clicks; });
  form_.Form().OnChange("edtFs", [&](const std::string&) { ++fsChanges; });
  ASSERT_EQ(Run("# comment\n"
                "\n"
                "set edtFs 250\n"
                "set edAIQuery \n"
                "type edCellCapAh 1e2x.5\n"
                "check chkInterp on\n"
                "select cbSEI 2\n"
                "page PcParams TsGaussian\n"
                "cell sgCalib 1 2 3.5\n"
                "click btnStart\n"
                "set tbSpeed 40\n"
                "hover EdTotalMs\n"),
            0);
  const Json d = Dump();
  const Json& c = d["controls"];
  EXPECT_EQ(c["edtFs"]["text"], "250");
  EXPECT_EQ(c["edAIQuery"]["text"], "");
  EXPECT_EQ(c["edCellCapAh"]["text"], "5.012.5");  // "e" and "x" swallowed by the key filter
  EXPECT_EQ(c["chkInterp"]["checked"], true);
  EXPECT_EQ(c["cbSEI"]["index"], 2);
  EXPECT_EQ(c["cbSEI"]["text"], "model-B");
  EXPECT_EQ(c["PcParams"]["active"], "TsGaussian");
  EXPECT_EQ(c["sgCalib"]["cells"][2][1], "3.5");
  EXPECT_EQ(c["tbSpeed"]["position"], 40);
  EXPECT_EQ(c["FStatusBar"]["text"],
            "Total formation duration in minutes. Simulation stops early if SEI stabilizes before this limit.");
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(fsChanges, 1);
}

TEST_F(ScriptRunnerTest, DumpHasEveryControlWithTheFieldsOfItsKind) {
  const Json d = Dump();
  for (const char* key : {"caption", "controls", "charts", "messages", "opened", "debug", "probes", "state"})
    EXPECT_TRUE(d.contains(key)) << key;
  EXPECT_EQ(d["controls"]["EdTotalMs"],
            (Json{{"kind", "edit"}, {"text", "60"}, {"enabled", true}, {"visible", true},
                  {"hint", "Formation Time (min)|Total formation duration in minutes. Simulation stops early if SEI "
                           "stabilizes before this limit."}}));
  EXPECT_EQ(d["controls"]["PcParams"]["pages"].size(), 13u);
  EXPECT_EQ(d["controls"]["PcParams"]["pages"][0], "TsSine");
  EXPECT_EQ(d["controls"]["btnStop"], (Json{{"kind", "button"}, {"caption", "Stop"}, {"enabled", true}}));
  EXPECT_EQ(d["controls"]["tbSpeed"]["max"], 150);
  EXPECT_FALSE(d["controls"].contains("chSim"));  // charts are listed under "charts"
  EXPECT_EQ(d["charts"]["chI"]["title"], "Current I(t)");
  EXPECT_EQ(d["charts"]["chOCV"]["axes"]["bottom"]["title"], "SOC [%]");  // as the OCV chart set-up titles it
  for (const auto& [name, control] : d["controls"].items()) {
    const LayoutRow* entry = FindLayoutRow(name);
    ASSERT_NE(entry, nullptr) << name;
    EXPECT_EQ(control["kind"], std::string(ControlKindName(entry->kind))) << name;
  }
}

TEST_F(ScriptRunnerTest, ChartSeriesAreSummarisedAndFullDumpsHoldEveryPoint) {
  SeriesModel& s = form_.Form().Chart("chOCV").AddSeries("FSerTest", SeriesKind::FastLine);
  s.title = "Test";
  s.Add(0, 1);
  s.Add(1, -2);
  s.Add(2, 3);
  const Json brief = Dump()["charts"]["chOCV"]["series"][1];
  EXPECT_EQ(brief["points"], 3);
  EXPECT_EQ(brief["first"], Json::array({0.0, 1.0}));
  EXPECT_EQ(brief["last"], Json::array({2.0, 3.0}));
  EXPECT_EQ(brief["minY"], -2.0);
  EXPECT_EQ(brief["maxY"], 3.0);
  EXPECT_FALSE(brief.contains("data"));
  EXPECT_EQ(Dump(true)["charts"]["chOCV"]["series"][1]["data"].size(), 3u);
  const Json empty = Dump()["charts"]["chOCV"]["series"][0];
  EXPECT_TRUE(empty["first"].is_null());
  EXPECT_TRUE(empty["minY"].is_null());
}

TEST_F(ScriptRunnerTest, HandlerErrorsAreRecordedAndTheScriptGoesOn) {
  form_.Form().OnClick("btnStop", [](const std::string&) { throw FormError("nothing to stop"); });
  form_.RegisterProbe("Fails", 0, [](const std::vector<double>&) -> Json { throw std::runtime_error("no table"); });
  form_.RegisterProbe("Sum", 2, [](const std::vector<double>& a) { return Json(a[0] + a[1]); });
  ASSERT_EQ(Run("click btnStop\nkey Ctrl+A\nkey Ctrl+Shift+A\nprobe Fails\nprobe Sum 1.5 -2\nset edtV0 7\n"), 0);
  const Json d = Dump();
  ASSERT_EQ(d["messages"].size(), 2u);
  EXPECT_EQ(d["messages"][0], (Json{{"kind", "error"}, {"title", "Error"}, {"text", "nothing to stop"}}));
  EXPECT_EQ(d["messages"][1]["kind"], "about");
  EXPECT_EQ(d["probes"][0]["result"], (Json{{"error", "no table"}}));
  EXPECT_EQ(d["probes"][1], (Json{{"function", "Sum"}, {"args", {1.5, -2.0}}, {"result", -0.5}}));
  EXPECT_EQ(d["controls"]["edtV0"]["text"], "7");
}

TEST_F(ScriptRunnerTest, ScriptErrorsStopWithExitCodeTwo) {
  const char* bad[] = {
      "frobnicate",                 // unknown command
      "set noSuchEdit 1",           // unknown control
      "set btnStart 1",             // wrong kind
      "check chkInterp maybe",      // bad argument
      "select cbSEI 3",             // index out of range
      "select cbSEI x",             // not a number
      "page PcParams tsChemistry",  // page of another page control
      "cell sgCalib 4 0 x",         // outside the grid
      "key Hyper+Q",                // unknown key
      "tick -1",
      "probe NoSuchFunction 1",
      "probe Sum abc",
      "dump",
      "dump out.json brief",
      "screenshot shot.png",  // the CLI has no window
      "answer-dialog",
      "quit now",
  };
  form_.RegisterProbe("Sum", 1, [](const std::vector<double>& a) { return Json(a[0]); });
  for (const char* line : bad) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run(std::string("set edtV0 1\n") + line + "\nset edtV0 2\n"), 2) << line;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("script:2: ", 0), 0u) << line << " -> " << err;
    EXPECT_EQ(form_.Form().Text("edtV0"), "1") << "stops at the faulty line: " << line;
  }
}

TEST_F(ScriptRunnerTest, QuitEndsTheScriptAndDialogsAnswerInOrder) {
  ASSERT_EQ(Run("answer-dialog /tmp/a.hxsim\nanswer-dialog cancel\nquit\nset edtV0 5\n"), 0);
  EXPECT_EQ(form_.Form().Text("edtV0"), "1.0");
  EXPECT_EQ(platform_.OpenFileDialog({}), std::optional<std::string>("/tmp/a.hxsim"));
  EXPECT_EQ(platform_.SaveFileDialog({}), std::nullopt);
  EXPECT_EQ(platform_.OpenFileDialog({}), std::nullopt);  // nothing queued: cancelled
}

TEST_F(ScriptRunnerTest, SessionsExportAndImportThroughTheWorkspaceFacade) {
  const auto dir = std::filesystem::temp_directory_path() / "voltaris_script_sessions";
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "mine.hxsim").string();
  const std::string foreign = (dir / "foreign.hxsim").string();
  std::ofstream(foreign) << "{\"schema\":\"something.else\"}";
  ASSERT_EQ(Run("set EdTotalMs 45\nexport-session " + file + "\nset EdTotalMs 90\nimport-session " + file +
                "\nimport-session " + foreign + "\n"),
            0);
  const Json d = Dump();
  EXPECT_EQ(d["controls"]["EdTotalMs"]["text"], "45");  // restored from the exported session
  EXPECT_EQ(d["state"]["recentSession"], file);         // the failed import left it as it was
  ASSERT_EQ(d["messages"].size(), 1u);
  EXPECT_EQ(d["messages"][0]["kind"], "error");
  std::filesystem::remove_all(dir);
}

TEST_F(ScriptRunnerTest, TicksRunThePlayTimerOnAVirtualClock) {
  ASSERT_EQ(Run("tick 3\n"), 0);
  EXPECT_EQ(form_.FSimT, 0.0);  // the timer is off until a run starts
  // Initial inputs: 1 s steps at speed 100 give 3 steps per 30 ms tick.
  ASSERT_EQ(Run("click btnStart\ntick 2\n"), 0);
  EXPECT_DOUBLE_EQ(form_.FSimT, 6.0);
  EXPECT_EQ(platform_.NowMs(), 5 * 30);
  ASSERT_EQ(Run("run-to-end 4\n"), 0);
  EXPECT_DOUBLE_EQ(form_.FSimT, 18.0);
  ASSERT_EQ(Run("run-to-end\n"), 0);
  EXPECT_FALSE(form_.IsPlaying());
  EXPECT_DOUBLE_EQ(form_.FSimT, 3600.0);
}

}  // namespace
}  // namespace voltaris
