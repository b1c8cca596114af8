// The chemistry profile of the toy LFP cell and the chemistry mode of the window.
#pragma once

#include <string>

namespace voltaris {

enum TChemProfileId : int { cpToyLFP = 0 };

struct TChemProfile {
  TChemProfileId Id = cpToyLFP;
  std::string Name{};
  double NomCapacity_Ah = 0.0;
  double NomVoltage_V = 0.0;
  double Vmin = 0.0;
  double Vmax = 0.0;
  double Tmin = 0.0;
  double Tmax = 0.0;
  double SEI_per_Ah_nm = 0.0;
  double SEI_TempCoeff = 0.0;
  double Tref_C = 0.0;
};

TChemProfile Chem_GetDefaultProfile(TChemProfileId id);

// How the window models the chemistry (ordinals 0, 1, 2).
enum TRealSimMode : int { rsmV1_Toy = 0, rsmV2_AdvToy = 1, rsmV3_RealChem = 2 };

// "LFP", "NMC", "RealChem", or "Unknown" for any other value.
std::string ChemModeCaption(TRealSimMode mode);

}  // namespace voltaris
