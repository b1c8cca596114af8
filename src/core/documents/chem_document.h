// The chemistry document (".hxchem", schema "hx-chem-1.0"): one cell - nominal data, SEI
// growth parameters, thermal parameters and electrical limits. The program writes it with
// the document mapper and reads it with the tolerant reader LoadChem (chem_reader.h).
#pragma once

#include <string>
#include <string_view>
#include <tuple>

#include "documents/document_fields.h"
#include "documents/owned.h"

namespace voltaris {

struct TCellParams {
  double FNominalV = 0;          // V
  double FCapacityAh = 0;        // Ah
  double FRInternal_mOhm = 0;    // milliohm
  double FMass_g = 0;            // g
  double FHeatCap_J_per_gK = 0;  // J per g and K
  double FNmPerAh = 0;           // SEI thickness per ampere-hour, nm/Ah

  static constexpr auto Fields() {
    return std::tuple{Field("nominalV", &TCellParams::FNominalV),
                      Field("capacityAh", &TCellParams::FCapacityAh),
                      Field("rInternal_mOhm", &TCellParams::FRInternal_mOhm),
                      Field("mass_g", &TCellParams::FMass_g),
                      Field("heatCap_J_per_gK", &TCellParams::FHeatCap_J_per_gK),
                      Field("nmPerAh", &TCellParams::FNmPerAh)};
  }
  bool operator==(const TCellParams&) const = default;
};

struct TSeiModel {
  double FRateBase = 0;
  double FActivationEnergy_eV = 0;
  double FScaleToNm = 0;
  double FAlphaOver = 0;       // overpotential coefficient
  double FGammaCurrent = 0;    // current exponent
  double FRefArea_cm2 = 0;     // reference electrode area
  double FPlatingThresh_V = 0; // lithium plating threshold
  double FX0_nm = 0;           // initial SEI thickness
  double FXTarget_nm = 0;      // target SEI thickness

  static constexpr auto Fields() {
    return std::tuple{Field("rateBase", &TSeiModel::FRateBase),
                      Field("activationEnergy_eV", &TSeiModel::FActivationEnergy_eV),
                      Field("scaleToNm", &TSeiModel::FScaleToNm), Field("alphaOver", &TSeiModel::FAlphaOver),
                      Field("gammaCurrent", &TSeiModel::FGammaCurrent),
                      Field("refArea_cm2", &TSeiModel::FRefArea_cm2),
                      Field("platingThresh_V", &TSeiModel::FPlatingThresh_V),
                      Field("x0_nm", &TSeiModel::FX0_nm), Field("xTarget_nm", &TSeiModel::FXTarget_nm)};
  }
  bool operator==(const TSeiModel&) const = default;
};

struct TThermalParams {
  double FMaxTemp_C = 0;
  double FAmbient_C = 0;
  double FHConv_W_per_K = 0;  // heat transfer to ambient

  static constexpr auto Fields() {
    return std::tuple{Field("maxTemp_C", &TThermalParams::FMaxTemp_C),
                      Field("ambient_C", &TThermalParams::FAmbient_C),
                      Field("hConv_W_per_K", &TThermalParams::FHConv_W_per_K)};
  }
  bool operator==(const TThermalParams&) const = default;
};

struct TLimits {
  double FVMin_V = 0;
  double FVMax_V = 0;
  double FIMax_A = 0;

  static constexpr auto Fields() {
    return std::tuple{Field("vMin_V", &TLimits::FVMin_V), Field("vMax_V", &TLimits::FVMax_V),
                      Field("iMax_A", &TLimits::FIMax_A)};
  }
  bool operator==(const TLimits&) const = default;
};

struct TChemRoot {
  static constexpr std::string_view kSchema = "hx-chem-1.0";
  static constexpr std::string_view kVersion = "1.0.0";

  std::string FSchema{kSchema};
  std::string FVersion{kVersion};
  std::string FChemistry{};  // chemistry name, also used to recognise the family
  Owned<TCellParams> FCell{};
  Owned<TSeiModel> FSeiModel{};
  Owned<TThermalParams> FThermal{};
  Owned<TLimits> FLimits{};

  // The built-in LFP cell, the workspace's seed chemistry.
  static TChemRoot CreateDefaultLFP();

  static constexpr auto Fields() {
    return std::tuple{Field("schema", &TChemRoot::FSchema), Field("version", &TChemRoot::FVersion),
                      Field("chemistry", &TChemRoot::FChemistry), Field("cell", &TChemRoot::FCell),
                      Field("seiModel", &TChemRoot::FSeiModel), Field("thermal", &TChemRoot::FThermal),
                      Field("limits", &TChemRoot::FLimits)};
  }
  bool operator==(const TChemRoot&) const = default;
};

}  // namespace voltaris
