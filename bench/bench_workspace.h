// Benchmarks that create the window run against a workspace of their own, never the user's.
#pragma once

#include <cstdlib>
#include <filesystem>

namespace voltaris::bench {

inline const bool kPrivateWorkspace = [] {
  const auto dir = std::filesystem::temp_directory_path() / "voltaris_bench_xdg";
  setenv("XDG_DATA_HOME", dir.c_str(), 1);
  return true;
}();

}  // namespace voltaris::bench
