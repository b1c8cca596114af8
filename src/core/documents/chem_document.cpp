#include "documents/chem_document.h"

namespace voltaris {

TChemRoot TChemRoot::CreateDefaultLFP() {
  TChemRoot c;
  c.FChemistry = "LFP_21700";
  *c.FCell = {.FNominalV = 3.2,
              .FCapacityAh = 5,
              .FRInternal_mOhm = 15,
              .FMass_g = 70,
              .FHeatCap_J_per_gK = 0.9,
              .FNmPerAh = 4};
  *c.FSeiModel = {.FRateBase = 1.5e-11,
                  .FActivationEnergy_eV = 0.48,
                  .FScaleToNm = 20,
                  .FAlphaOver = 0.1,
                  .FGammaCurrent = 0.8,
                  .FRefArea_cm2 = 4,
                  .FPlatingThresh_V = 2.8,
                  .FX0_nm = 3,
                  .FXTarget_nm = 60};
  *c.FThermal = {.FMaxTemp_C = 55, .FAmbient_C = 25, .FHConv_W_per_K = 2};
  *c.FLimits = {.FVMin_V = 2.5, .FVMax_V = 3.65, .FIMax_A = 10};
  return c;
}

}  // namespace voltaris
