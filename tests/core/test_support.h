// Small helpers shared by the core tests.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "chemistry/chem_params.h"

namespace voltaris {

// The message of the exception `f` throws, or "(no error)".
inline std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

// The built-in LFP chemistry.
inline TChemParams Lfp() {
  TChemParams p;
  DefaultChem_LFP(p);
  return p;
}

}  // namespace voltaris
