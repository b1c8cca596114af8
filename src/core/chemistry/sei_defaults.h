// SEI kinetics defaults per chemistry family, used wherever a chemistry document leaves
// the SEI model open.
#pragma once

#include <string_view>

namespace voltaris {

struct TSeiDefaults {
  double SeiScale_nmAh = 0.0;  // SEI growth per Ah, nm/Ah
  double Ea_eV = 0.0;          // activation energy, eV
  double RateBase_mps = 0.0;   // SEI rate base, m/s
  double AlphaOver = 0.0;      // gain on overpotential, 1/V
  double GammaCurrent = 0.0;   // current exponent
  double RefArea_cm2 = 0.0;    // reference electrode area, cm² (always 4)
};

// The first family the chemistry name contains (case-insensitive), in the order
// lfp, nmc811, nmc622, nmc, nca, lco, lmo, lto, ssb_sulfide, ssb; otherwise a generic row.
TSeiDefaults GetSeiDefaultsForChem(std::string_view chemistryName);

}  // namespace voltaris
