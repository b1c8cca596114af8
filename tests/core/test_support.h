// Small helpers shared by the core tests.
#pragma once

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <optional>
#include <string>

#include "chemistry/chem_params.h"

namespace voltaris {

// The bytes of a file (empty when it cannot be read).
inline std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes a file byte for byte, creating its folder when missing.
inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

// The message of the exception `f` throws, or "(no error)".
inline std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

// Sets an environment variable for the life of the object, then puts the old value back.
class EnvGuard {
 public:
  EnvGuard(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    Set(value);
  }
  ~EnvGuard() { Set(saved_); }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  void Set(const std::optional<std::string>& v) {
    if (v) ::setenv(name_, v->c_str(), 1);
    else ::unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> saved_;
};

// The built-in LFP chemistry.
inline TChemParams Lfp() {
  TChemParams p;
  DefaultChem_LFP(p);
  return p;
}

}  // namespace voltaris
