#include "chemistry/chem_bridge.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "chemistry/chem_family.h"
#include "chemistry/sei_defaults.h"

namespace voltaris {

namespace {

constexpr double kFaradayCPerMol = 96485.0;  // eV to J/mol

struct CapacityRow {
  std::string_view key;
  double ah;
};
// Cell size hints in the name; the larger "...ah" figures come first so "100ah" is not
// read as "10ah".
constexpr std::array<CapacityRow, 11> kCapacityByName{{
    {"300ah", 300}, {"100ah", 100}, {"50ah", 50}, {"40ah", 40}, {"30ah", 30}, {"20ah", 20},
    {"10ah", 10}, {"4680", 23}, {"21700", 5.0}, {"18650", 3.2}, {"32700", 6.0},
}};
constexpr double kCapacityUnknownAh = 5.0;

struct VoltageWindowRow {
  std::string_view key;
  double vmin, vmax;
};
constexpr std::array<VoltageWindowRow, 4> kVoltageWindow{{
    {"lfp", 2.5, 3.65}, {"lto", 1.5, 2.8}, {"lco", 3.0, 4.2}, {"lmo", 2.8, 4.2},
}};
constexpr VoltageWindowRow kVoltageWindowOther{"", 3.0, 4.2};
// A document maximum below this cannot be a lithium-ion cell window: the family's is used.
constexpr double kPlausibleVmaxV = 2.0;

struct OcvRow {
  std::string_view key;
  std::vector<TPointD> points;
};
const std::vector<OcvRow>& OcvTables() {
  static const std::vector<OcvRow> rows{
      {"lfp", {{0, 3.0}, {0.05, 3.2}, {0.2, 3.3}, {0.5, 3.32}, {0.8, 3.35}, {0.95, 3.4}, {1.0, 3.65}}},
      {"nmc", {{0, 3.0}, {0.1, 3.5}, {0.3, 3.7}, {0.5, 3.8}, {0.7, 3.95}, {0.9, 4.1}, {1.0, 4.2}}},
      {"nca", {{0, 3.0}, {0.1, 3.55}, {0.3, 3.75}, {0.5, 3.88}, {0.7, 4.0}, {0.9, 4.12}, {1.0, 4.2}}},
      {"lmo", {{0, 3.5}, {0.1, 3.9}, {0.5, 4.0}, {0.8, 4.05}, {0.95, 4.1}, {1.0, 4.2}}},
      {"lto", {{0, 1.5}, {0.1, 2.3}, {0.3, 2.45}, {0.7, 2.55}, {0.9, 2.65}, {1.0, 2.8}}},
      {"lco", {{0, 3.0}, {0.05, 3.6}, {0.2, 3.75}, {0.5, 3.85}, {0.8, 4.0}, {0.95, 4.15}, {1.0, 4.2}}},
  };
  return rows;
}

// A generic curve around the cell's nominal voltage.
std::vector<TPointD> OcvAroundNominal(double vn) {
  return {{0, vn - 0.4}, {0.1, vn - 0.1}, {0.5, vn}, {0.9, vn + 0.15}, {1.0, vn + 0.3}};
}

struct FamilyValue {
  std::string_view key;
  double value;
};
constexpr std::array<FamilyValue, 2> kX0ByFamily{{{"lfp", 3.0}, {"lto", 2.0}}};
constexpr double kX0OtherNm = 4.0;
constexpr std::array<FamilyValue, 5> kXTargetByFamily{{
    {"lfp", 60}, {"lto", 25}, {"nmc811", 90}, {"nmc622", 75}, {"nca", 85},
}};
constexpr double kXTargetOtherNm = 80.0;

template <size_t N>
double FirstMatch(const std::string& key, const std::array<FamilyValue, N>& rows, double otherwise) {
  for (const FamilyValue& r : rows)
    if (ChemKeyHas(key, r.key)) return r.value;
  return otherwise;
}

}  // namespace

TChemParams ChemRootToParams(const TChemRoot* doc) {
  TChemParams p{};
  if (doc == nullptr) return p;
  const std::string key = ChemFamilyKey(doc->FChemistry);

  if (doc->FCell) {
    p.Qn_Ah = doc->FCell->FCapacityAh;
    p.R0 = doc->FCell->FRInternal_mOhm / 1000.0;
    p.Rdyn = 0.7 * p.R0;
    p.R0_ohm = p.R0 > 0 ? p.R0 : 0.01;
  }
  if (p.Qn_Ah <= 0) {
    p.Qn_Ah = kCapacityUnknownAh;
    for (const CapacityRow& r : kCapacityByName) {
      if (ChemKeyHas(key, r.key)) {
        p.Qn_Ah = r.ah;
        break;
      }
    }
  }

  if (doc->FLimits) {
    p.Vmin = doc->FLimits->FVMin_V;
    p.Vmax = doc->FLimits->FVMax_V;
    if (p.Vmax < kPlausibleVmaxV) {
      const VoltageWindowRow* row = &kVoltageWindowOther;
      for (const VoltageWindowRow& r : kVoltageWindow) {
        if (ChemKeyHas(key, r.key)) {
          row = &r;
          break;
        }
      }
      p.Vmin = row->vmin;
      p.Vmax = row->vmax;
    }
  }

  if (doc->FCell) {
    p.OCV = OcvAroundNominal(doc->FCell->FNominalV);
    for (const OcvRow& r : OcvTables()) {
      if (ChemKeyHas(key, r.key)) {
        p.OCV = r.points;
        break;
      }
    }
  }

  const TSeiDefaults sei = GetSeiDefaultsForChem(doc->FChemistry);
  p.Ea_eV = sei.Ea_eV;
  p.gamma_I = sei.GammaCurrent;
  p.alpha_eta = sei.AlphaOver;
  p.kSEI_0 = sei.RateBase_mps * 1e9;
  p.SEI_scale_nm_Ah = sei.SeiScale_nmAh;
  p.x0_nm = 4.0;
  p.xTarget_nm = 80.0;
  if (doc->FCell && doc->FCell->FNmPerAh > 0) p.SEI_scale_nm_Ah = doc->FCell->FNmPerAh;

  if (doc->FSeiModel) {
    const TSeiModel& m = *doc->FSeiModel;
    if (m.FActivationEnergy_eV > 0) p.Ea_eV = m.FActivationEnergy_eV;
    if (m.FGammaCurrent > 0) p.gamma_I = m.FGammaCurrent;
    if (m.FAlphaOver > 0) p.alpha_eta = m.FAlphaOver;
    if (m.FRateBase > 0) p.kSEI_0 = m.FRateBase * m.FScaleToNm;
    if (p.kSEI_0 <= 0) p.kSEI_0 = sei.RateBase_mps * 1e9;
    p.x0_nm = m.FX0_nm > 0 ? m.FX0_nm : FirstMatch(key, kX0ByFamily, kX0OtherNm);
    p.xTarget_nm = m.FXTarget_nm > 0 ? m.FXTarget_nm : FirstMatch(key, kXTargetByFamily, kXTargetOtherNm);
  }
  p.Ea_Jpmol = p.Ea_eV * kFaradayCPerMol;

  if (doc->FCell && doc->FThermal) {
    p.Cth_JpK = doc->FCell->FMass_g * doc->FCell->FHeatCap_J_per_gK;
    p.Rth_KpW = doc->FThermal->FHConv_W_per_K > 0 ? 1.0 / doc->FThermal->FHConv_W_per_K : 2.0;
    p.Tamb_C = doc->FThermal->FAmbient_C;
  }
  p.D_Li_m2s = 1e-14;
  p.L_eff_m = 5e-6;
  p.Tref_C = doc->FThermal ? doc->FThermal->FAmbient_C : 25.0;
  return p;
}

void ApplySeiKinetics(const TSeiModel& model, TChemParams& p) {
  p.gamma_I = model.FGammaCurrent;
  p.alpha_eta = model.FAlphaOver;
  p.Ea_eV = model.FActivationEnergy_eV;
  p.Ea_Jpmol = model.FActivationEnergy_eV * kFaradayCPerMol;
  p.kSEI_0 = model.FRateBase;
}

}  // namespace voltaris
