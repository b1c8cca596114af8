// The CLI run as a process from a test: a folder of its own per test, the exit code and
// what the program wrote on stderr.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

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
    const std::string cmd = "cd " + dir_.string() + " && " + env_ + VOLTARIS_CLI + " " + args + " 2>" + errFile.string();
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
  std::string env_;  // assignments put before the program ("NAME=value "), none by default
};

