// voltaris-cli run as a process: exit codes, script errors on stderr, the dump file.
#include "cli_process.h"

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

}  // namespace
