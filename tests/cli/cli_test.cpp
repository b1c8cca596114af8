// voltaris-cli run as a process: exit codes, script errors on stderr, the dump file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("voltaris_cli_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  Result RunScript(const std::string& script, const std::string& extraArgs = "") {
    const fs::path file = dir_ / "script.txt";
    std::ofstream(file) << script;
    return RunCli("--script " + file.string() + extraArgs);
  }

  Result RunCli(const std::string& args) {
    const fs::path errFile = dir_ / "stderr.txt";
    const std::string cmd = "cd " + dir_.string() + " && " + VOLTARIS_CLI + " " + args + " 2>" + errFile.string();
    const int status = std::system(cmd.c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errFile);
    std::stringstream ss;
    ss << in.rdbuf();
    r.err = ss.str();
    return r;
  }

  nlohmann::json ReadJson(const std::string& name) {
    std::ifstream in(dir_ / name);
    return nlohmann::json::parse(in);
  }

  fs::path dir_;
};

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
