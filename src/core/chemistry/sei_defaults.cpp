#include "chemistry/sei_defaults.h"

#include <array>
#include <string>

#include "chemistry/chem_family.h"

namespace voltaris {
namespace {

struct SeiDefaultsRow {
  std::string_view family;
  double scale, eaEv, rateBase, alphaOver, gammaCurrent;
};

// Searched top to bottom, first match wins: the longer keys precede their prefixes.
constexpr std::array<SeiDefaultsRow, 10> kSeiRows{{
    {"lfp", 4.0, 0.48, 1.5e-11, 0.10, 0.8},
    {"nmc811", 12.0, 0.58, 2.2e-11, 0.16, 1.1},
    {"nmc622", 7.0, 0.53, 1.6e-11, 0.13, 1.0},
    {"nmc", 8.0, 0.55, 1.8e-11, 0.14, 1.05},
    {"nca", 10.0, 0.60, 2.5e-11, 0.17, 1.1},
    {"lco", 8.0, 0.52, 1.5e-11, 0.14, 1.0},
    {"lmo", 6.0, 0.50, 1.2e-11, 0.12, 0.9},
    {"lto", 2.0, 0.35, 4e-12, 0.06, 0.7},
    {"ssb_sulfide", 15.0, 0.65, 3e-11, 0.20, 1.2},
    {"ssb", 12.0, 0.68, 2.7e-11, 0.22, 1.2},
}};
constexpr SeiDefaultsRow kGenericRow{"", 8.0, 0.50, 1.5e-11, 0.12, 1.0};

}  // namespace

TSeiDefaults GetSeiDefaultsForChem(std::string_view chemistryName) {
  const std::string key = ChemFamilyKey(chemistryName);
  const SeiDefaultsRow* row = &kGenericRow;
  for (const auto& r : kSeiRows) {
    if (ChemKeyHas(key, r.family)) {
      row = &r;
      break;
    }
  }
  return TSeiDefaults{row->scale, row->eaEv, row->rateBase, row->alphaOver, row->gammaCurrent, 4.0};
}

}  // namespace voltaris
