// voltaris-cli run and sweep as processes: the files of a run, exit codes and messages, the
// sweep table against single runs, shards through GNU parallel, and export-chart.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "automation/script_runner.h"
#include "cli_process.h"
#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace {

using Row = std::vector<std::string>;

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// CSV lines into fields ("..." with doubled quotes inside).
std::vector<Row> ParseCsv(const std::string& text) {
  std::vector<Row> rows;
  Row row;
  std::string field;
  bool quoted = false, any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
    } else {
      field += c;
    }
    any = true;
  }
  if (any && (!field.empty() || !row.empty())) {
    row.push_back(field);
    rows.push_back(row);
  }
  return rows;
}

// A number cell as the program writes it: "." decimals, read back completely.
double Number(const std::string& cell) {
  char* end = nullptr;
  const double v = std::strtod(cell.c_str(), &end);
  EXPECT_FALSE(cell.empty());
  EXPECT_EQ(end, cell.c_str() + cell.size()) << "not a number: '" << cell << "'";
  return v;
}

const std::vector<std::string> kFigureNames{"SEI_nm",     "t_done_min", "CE1_pct",    "Q_Ah", "E_Wh",
                                            "Temp_max_C", "psiHX_wear", "PsiHX_time", "Perf", "HxFactor"};
constexpr const char* kUsageLine = "usage: voltaris-cli --script FILE";

class BatchCliTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    // A workspace of the test's own: runs without a session restore the seed session.
    xdg_ = (dir_ / "xdg").string();
    env_ = "XDG_DATA_HOME=" + xdg_ + " ";
  }

  // The message a script run of the window records for `script` (its first error).
  std::string WindowMessage(const std::string& script) {
    const Result r = RunScript(script + "dump window.json\n");
    EXPECT_EQ(r.code, 0) << r.err;
    const auto d = ReadJson("window.json");
    EXPECT_FALSE(d["messages"].empty());
    return d["messages"].empty() ? std::string() : d["messages"][0]["text"].get<std::string>();
  }

  std::string xdg_;
};

TEST_F(BatchCliTest, RunWritesMetricsRunAndProfileWithTheirHeaders) {
  const Result r = RunCli("run --set EdTotalMs=1 --page TsSine --out out/run1");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");  // no progress line: stderr is not a terminal

  // Only the three files: nothing temporary is left behind.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_ / "out/run1")) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"metrics.json", "profile.csv", "run.csv"}));

  const auto m = ReadJson("out/run1/metrics.json");
  EXPECT_EQ(m["metrics"]["PatternName"], "sinusoidal");
  EXPECT_GT(m["metrics"]["Q_Ah"].get<double>(), 0.0);
  std::vector<std::string> figureNames;
  for (const auto& [k, v] : m["figures"].items()) figureNames.push_back(k);
  std::sort(figureNames.begin(), figureNames.end());
  std::vector<std::string> expected = kFigureNames;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(figureNames, expected);
  EXPECT_EQ(m["figures"]["SEI_nm"], m["metrics"]["SEI_nm"]);
  for (const char* key : {"t_done_s", "psiHX_wear", "PsiHX_time", "S_form", "Q_Ah", "E_Wh"})
    EXPECT_TRUE(m["sei_simulation"].contains(key)) << key;
  for (const char* memo : {"MemoChemMetrics", "MemoSimStats1", "MemoSimStats2"})
    EXPECT_FALSE(m["memos"][memo].get<std::string>().empty()) << memo;
  EXPECT_NE(m["memos"]["MemoChemMetrics"].get<std::string>().find("Perf= "), std::string::npos);
  // The inputs: the session as export writes it, with the override in it.
  EXPECT_EQ(m["session"]["schema"], "hx-sim-1.1");
  EXPECT_EQ(m["session"]["timebase"]["tTotalS"].get<double>(), 60.0);

  // run.csv: the header, then evenly spaced rows over the whole minute, six numbers each.
  const std::vector<Row> run = ParseCsv(ReadText(dir_ / "out/run1/run.csv"));
  ASSERT_GT(run.size(), 3u);
  EXPECT_EQ(run[0], (Row{"t_s", "I_A", "V_V", "SEI_nm", "T_C", "SOC_pct"}));
  const double step = Number(run[2][0]) - Number(run[1][0]);
  EXPECT_GT(step, 0.0);
  EXPECT_LE(step, 1.0);
  for (size_t i = 1; i < run.size(); ++i) {
    ASSERT_EQ(run[i].size(), 6u) << "line " << i;
    for (const std::string& cell : run[i]) Number(cell);
    EXPECT_NEAR(Number(run[i][0]), static_cast<double>(i - 1) * step, 1e-9);
  }
  EXPECT_NEAR(Number(run.back()[0]), 60.0, 1e-9);
  EXPECT_GT(Number(run.back()[3]), Number(run[1][3]));  // the SEI grew

  const std::string profile = ReadText(dir_ / "out/run1/profile.csv");
  EXPECT_EQ(profile.substr(0, profile.find('\n')), "t_s,I_A");
}

// With --pdf the run's formation report joins the three files: a whole, valid PDF.
TEST_F(BatchCliTest, RunWithPdfWritesTheFormationReport) {
  const Result r = RunCli("run --set EdTotalMs=1 --page TsSine --pdf --out out");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string pdf = ReadText(dir_ / "out/report.pdf");
  ASSERT_TRUE(pdf.starts_with("%PDF-1.4")) << pdf.substr(0, 20);
  EXPECT_TRUE(pdf.ends_with("%%EOF"));
  EXPECT_NE(pdf.find("Energy & Formation Summary"), std::string::npos);
  if (std::system("command -v qpdf >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("qpdf --check '" + (dir_ / "out/report.pdf").string() + "' >/dev/null").c_str()), 0);
  }
}

TEST_F(BatchCliTest, ProfileIsTheReferenceWaveTheWindowBuildsAtStart) {
  ASSERT_EQ(RunCli("run --page TsSuper --set EdTotalMs=0.5 --out out").code, 0);
  const std::vector<Row> profile = ParseCsv(ReadText(dir_ / "out/profile.csv"));

  // The same inputs pressed into a window of this process, in the same workspace.
  ::setenv("XDG_DATA_HOME", xdg_.c_str(), 1);
  voltaris::RecordingPlatform platform;
  voltaris::TFormPreview form(platform);
  form.FormCreate();
  form.FormShow();
  voltaris::HeadlessHost host(form, platform);
  voltaris::ScriptRunner runner(form, platform, host);
  ASSERT_EQ(runner.RunText("page PcParams TsSuper\nset EdTotalMs 0.5\nclick btnStart\n"), 0);
  ASSERT_TRUE(platform.messages.empty()) << platform.messages[0].text;

  ASSERT_EQ(profile.size(), form.FWave.size() + 1);
  EXPECT_EQ(profile[0], (Row{"t_s", "I_A"}));
  for (size_t i = 0; i < form.FWave.size(); ++i) {
    ASSERT_EQ(Number(profile[i + 1][1]), form.FWave[i]) << "sample " << i;
    ASSERT_EQ(Number(profile[i + 1][0]), static_cast<double>(i) / form.FFs) << "sample " << i;
  }
}

TEST_F(BatchCliTest, SessionIsImportedAndOverridesFollowIt) {
  ASSERT_EQ(RunScript("set EdTotalMs 2\nexport-session " + (dir_ / "two.hxsim").string() + "\n").code, 0);
  // A session named relative to the current folder.
  ASSERT_EQ(RunCli("run two.hxsim --out a --quiet").code, 0);
  EXPECT_EQ(ReadJson("a/metrics.json")["session"]["timebase"]["tTotalS"].get<double>(), 120.0);
  ASSERT_EQ(RunCli("run two.hxsim --set EdTotalMs=1 --set EdTotalMs=0.5 --out b").code, 0);
  EXPECT_EQ(ReadJson("b/metrics.json")["session"]["timebase"]["tTotalS"].get<double>(), 30.0);
}

TEST_F(BatchCliTest, UsageErrorsExitTwoWithTheUsageTextAndWriteNothing) {
  struct Case {
    std::string args;
    std::string message;
  };
  const std::vector<Case> cases{
      {"run --set Bogus=1 --out out", "voltaris-cli run: unknown control: Bogus"},
      {"run --set EdTotalMs=1", "--out DIR is required"},
      {"run --set EdTotalMs --out out", "--set expects CONTROL=VALUE"},
      {"run --page TsNowhere --out out", "unknown pattern page: TsNowhere"},
      {"run --set lblSpeed=3 --out out", "lblSpeed is not an edit, combo box or trackbar"},
      {"run --set tbSpeed=fast --out out", "bad position: 'fast'"},
      {"run a.hxsim b.hxsim --out out", "more than one session file"},
      {"run --frobnicate --out out", "unknown option --frobnicate"},
      {"sweep --vary Bogus=1,2 --out out/t.csv", "voltaris-cli sweep: unknown control: Bogus"},
      {"sweep --vary EdTopA= --out out/t.csv", "--vary expects CONTROL=v1,v2"},
      {"sweep --pages TsSine,TsNowhere --out out/t.csv", "unknown pattern page: TsNowhere"},
      {"sweep --jobs 0 --out out/t.csv", "--jobs expects a whole number of at least 1"},
      {"sweep --shard 2/2 --out out/t.csv", "--shard expects K/N with 0 <= K < N"},
      {"sweep --shard 1 --out out/t.csv", "--shard expects K/N"},
      {"sweep --vary EdTopA=1,2", "--out table.csv is required"},
  };
  for (const Case& c : cases) {
    const Result r = RunCli(c.args);
    EXPECT_EQ(r.code, 2) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(kUsageLine), std::string::npos) << c.args;
    EXPECT_FALSE(fs::exists(dir_ / "out")) << c.args;
  }
}

TEST_F(BatchCliTest, ABrokenOrMissingSessionExitsOneWithTheLoadersMessage) {
  std::ofstream(dir_ / "broken.hxsim") << "{\"schema\": \"hx-sim-1.1\", ";
  for (const std::string name : {"broken.hxsim", "missing.hxsim"}) {
    const std::string path = (dir_ / name).string();
    const std::string message = WindowMessage("import-session " + path + "\n");
    const Result r = RunCli("run " + name + " --out out");
    EXPECT_EQ(r.code, 1) << name;
    EXPECT_EQ(r.err, message + "\n") << name;
    EXPECT_FALSE(fs::exists(dir_ / "out")) << name;
  }
}

TEST_F(BatchCliTest, ARunThatCannotStartExitsOneWithTheWindowsMessage) {
  const std::string message = WindowMessage("set EdTotalMs 100000\nclick btnStart\n");
  ASSERT_NE(message.find("is not physically possible"), std::string::npos) << message;
  const Result r = RunCli("run --set EdTotalMs=100000 --out out");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, message + "\n");
  EXPECT_FALSE(fs::exists(dir_ / "out"));
}

TEST_F(BatchCliTest, SweepRowsComeInCombinationOrderAndEqualSingleRuns) {
  const std::string sweep = "sweep --set EdTotalMs=0.5 --pages TsSine,TsSuper --vary EdTopA=2,4 --vary EdSineMax=1.5,2.5";
  const Result r2 = RunCli(sweep + " --jobs 2 --out t2.csv");
  ASSERT_EQ(r2.code, 0) << r2.err;
  const Result r1 = RunCli(sweep + " --jobs 1 --out t1.csv");
  ASSERT_EQ(r1.code, 0) << r1.err;
  const std::string table = ReadText(dir_ / "t2.csv");
  EXPECT_EQ(table, ReadText(dir_ / "t1.csv"));  // the number of jobs changes nothing

  const std::vector<Row> rows = ParseCsv(table);
  Row header{"page", "EdTopA", "EdSineMax"};
  header.insert(header.end(), kFigureNames.begin(), kFigureNames.end());
  header.push_back("error");
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[0], header);
  const std::vector<Row> combos{{"TsSine", "2", "1.5"},  {"TsSine", "2", "2.5"},  {"TsSine", "4", "1.5"},
                                {"TsSine", "4", "2.5"},  {"TsSuper", "2", "1.5"}, {"TsSuper", "2", "2.5"},
                                {"TsSuper", "4", "1.5"}, {"TsSuper", "4", "2.5"}};
  for (size_t i = 0; i < combos.size(); ++i) {
    const Row& row = rows[i + 1];
    ASSERT_EQ(row.size(), header.size());
    EXPECT_EQ(Row(row.begin(), row.begin() + 3), combos[i]) << "row " << i;
    EXPECT_EQ(row.back(), "") << "row " << i;
  }
  // The pages differ, and within the sine page the sine crest matters.
  EXPECT_NE(rows[1][3], rows[5][3]);
  EXPECT_NE(rows[1][6], rows[2][6]);

  // Three rows against the same runs made alone: identical figures, to the last bit.
  for (size_t i : {0u, 3u, 6u}) {
    const Row& c = combos[i];
    const std::string out = "single" + std::to_string(i);
    ASSERT_EQ(RunCli("run --set EdTotalMs=0.5 --page " + c[0] + " --set EdTopA=" + c[1] + " --set EdSineMax=" + c[2] +
                     " --out " + out)
                  .code,
              0);
    const auto figures = ReadJson(out + "/metrics.json")["figures"];
    for (size_t k = 0; k < kFigureNames.size(); ++k)
      EXPECT_EQ(Number(rows[i + 1][3 + k]), figures[kFigureNames[k]].get<double>()) << kFigureNames[k] << " row " << i;
  }
}

TEST_F(BatchCliTest, AFailingCombinationIsARowWithItsMessage) {
  const std::string message = WindowMessage("set EdTotalMs 100000\nclick btnStart\n");
  const Result r = RunCli("sweep --vary EdTotalMs=0.5,100000,1 --jobs 2 --out t.csv");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::vector<Row> rows = ParseCsv(ReadText(dir_ / "t.csv"));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[2][0], "100000");
  EXPECT_EQ(rows[2].back(), message);
  for (size_t k = 1; k + 1 < rows[2].size(); ++k) EXPECT_EQ(rows[2][k], "") << k;
  for (size_t i : {1u, 3u}) {
    EXPECT_EQ(rows[i].back(), "");
    EXPECT_GT(Number(rows[i][4]), 0.0);  // Q_Ah
  }
  EXPECT_LT(Number(rows[1][4]), Number(rows[3][4]));  // the longer run takes more charge
}

TEST_F(BatchCliTest, ShardsThroughGnuParallelMakeTheWholeTable) {
  if (std::system("command -v parallel >/dev/null 2>&1") != 0) GTEST_SKIP() << "GNU parallel is not installed";
  const std::string sweep = std::string(VOLTARIS_CLI) + " sweep --set EdTotalMs=0.5 --pages TsSine,TsTri --vary EdSineMax=1.5,2,2.5 --jobs 1";
  ASSERT_EQ(RunCli(sweep.substr(std::string(VOLTARIS_CLI).size() + 1) + " --out whole.csv").code, 0);
  const std::string cmd = "cd " + dir_.string() + " && " + env_ + "parallel --will-cite -j 2 " + sweep +
                          " --shard {}/3 --out shard{}.csv ::: 0 1 2";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;

  std::vector<Row> whole = ParseCsv(ReadText(dir_ / "whole.csv"));
  ASSERT_EQ(whole.size(), 7u);
  std::vector<Row> merged;
  for (int k = 0; k < 3; ++k) {
    std::vector<Row> part = ParseCsv(ReadText(dir_ / ("shard" + std::to_string(k) + ".csv")));
    ASSERT_EQ(part.size(), 3u) << "shard " << k;
    EXPECT_EQ(part[0], whole[0]);
    // Shard k holds the combinations k and k + 3.
    EXPECT_EQ(part[1], whole[1 + k]);
    EXPECT_EQ(part[2], whole[4 + k]);
    merged.insert(merged.end(), part.begin() + 1, part.end());
  }
  whole.erase(whole.begin());
  std::sort(merged.begin(), merged.end());
  std::sort(whole.begin(), whole.end());
  EXPECT_EQ(merged, whole);
}

TEST_F(BatchCliTest, ExportChartWritesEverySeriesOfALiveChartAfterARun) {
  const Result r = RunScript(
      "set EdTotalMs 0.5\n"
      "click btnStart\n"
      "run-to-end\n"
      "export-chart chI chI.csv\n"
      "export-chart chSim out/chSim.csv\n"
      "dump d.json full\n");
  ASSERT_EQ(r.code, 0) << r.err;
  const auto d = ReadJson("d.json");
  for (const auto& [chart, file] : std::map<std::string, std::string>{{"chI", "chI.csv"}, {"chSim", "out/chSim.csv"}}) {
    const auto& series = d["charts"][chart]["series"];
    const std::vector<Row> rows = ParseCsv(ReadText(dir_ / file));
    ASSERT_FALSE(rows.empty()) << chart;
    ASSERT_EQ(rows[0].size(), 2 * series.size()) << chart;
    size_t longest = 0;
    for (size_t s = 0; s < series.size(); ++s) {
      const std::string title = series[s]["title"].get<std::string>().empty() ? series[s]["name"].get<std::string>()
                                                                               : series[s]["title"].get<std::string>();
      EXPECT_EQ(rows[0][2 * s].rfind(title + " ", 0), 0u) << rows[0][2 * s];
      EXPECT_EQ(rows[0][2 * s + 1].rfind(title + " ", 0), 0u) << rows[0][2 * s + 1];
      const auto& data = series[s]["data"];
      longest = std::max(longest, data.size());
      for (size_t i = 0; i < data.size(); ++i) {
        ASSERT_EQ(Number(rows[i + 1][2 * s]), data[i][0].get<double>()) << chart << " " << title << " " << i;
        ASSERT_EQ(Number(rows[i + 1][2 * s + 1]), data[i][1].get<double>()) << chart << " " << title << " " << i;
      }
      for (size_t i = data.size(); i + 1 < rows.size(); ++i) EXPECT_EQ(rows[i + 1][2 * s], "");
    }
    EXPECT_EQ(rows.size(), longest + 1) << chart;
    EXPECT_GT(longest, 10u) << chart;
  }
  // The time axis gives the x unit, the current axis the y unit.
  const std::vector<Row> sim = ParseCsv(ReadText(dir_ / "out/chSim.csv"));
  EXPECT_NE(std::find(sim[0].begin(), sim[0].end(), d["charts"]["chSim"]["series"][0]["title"].get<std::string>() +
                                                         " (A)"),
            sim[0].end());

  Result bad = RunScript("export-chart chNowhere x.csv\n");
  EXPECT_EQ(bad.code, 2);
  EXPECT_EQ(bad.err, "script:1: unknown control: chNowhere\n");
  bad = RunScript("export-chart EdTotalMs x.csv\n");
  EXPECT_EQ(bad.err, "script:1: EdTotalMs is not a chart\n");
  bad = RunScript("export-chart chI\n");
  EXPECT_EQ(bad.err, "script:1: export-chart expects a chart and a file name\n");
  EXPECT_FALSE(fs::exists(dir_ / "x.csv"));
}

}  // namespace
