#include "chemistry/chem_profile.h"

namespace voltaris {

TChemProfile Chem_GetDefaultProfile(TChemProfileId id) {
  TChemProfile p{};
  p.Id = id;
  switch (id) {
    case cpToyLFP:
      p.Name = "LFP cell";
      p.NomCapacity_Ah = 5.0;
      p.NomVoltage_V = 3.2;
      p.Vmin = 1.0;
      p.Vmax = 4.3;
      p.Tmin = 0;
      p.Tmax = 60;
      p.SEI_per_Ah_nm = 1946.44;
      p.SEI_TempCoeff = 0.03;
      p.Tref_C = 25;
      break;
  }
  return p;
}

std::string ChemModeCaption(TRealSimMode mode) {
  switch (mode) {
    case rsmV1_Toy: return "LFP";
    case rsmV2_AdvToy: return "NMC";
    case rsmV3_RealChem: return "RealChem";
  }
  return "Unknown";
}

}  // namespace voltaris
