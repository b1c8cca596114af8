#include "documents/chem_reader.h"

#include <array>
#include <cmath>
#include <tuple>

#include "documents/document_error.h"
#include "documents/json_values.h"
#include "documents/text_file.h"

namespace voltaris {

namespace {

// The last template read on the calling thread (the window's thread, or a batch run's).
TChemTemplateExtras& LastTemplate() {
  thread_local TChemTemplateExtras last;
  return last;
}

[[noreturn]] void FailConversion(std::string_view path, std::string_view expected) {
  throw DocumentError("Invalid conversion: chemistry value \"" + std::string(path) + "\" is not " +
                      std::string(expected));
}

// The value of `name` when present; it must be a JSON number.
void TakeNumber(const DocJson& group, std::string_view groupName, std::string_view name, double& target) {
  const auto it = group.find(name);
  if (it == group.end()) return;
  // A number beyond the double range ("1e400") is no more a number than a text is.
  if (!it->is_number() || !std::isfinite(it->get<double>()))
    FailConversion(std::string(groupName) + "." + std::string(name), "a number");
  target = it->get<double>();
}

template <class C>
struct SnakeName {
  std::string_view name;
  double C::*member;
};

constexpr std::array<SnakeName<TCellParams>, 6> kCellNames{{
    {"nominal_v", &TCellParams::FNominalV},
    {"capacity_ah", &TCellParams::FCapacityAh},
    {"r_internal_mohm", &TCellParams::FRInternal_mOhm},
    {"mass_g", &TCellParams::FMass_g},
    {"heat_capacity_j_per_gk", &TCellParams::FHeatCap_J_per_gK},
    {"nm_per_ah", &TCellParams::FNmPerAh},
}};
constexpr std::array<SnakeName<TSeiModel>, 9> kSeiNames{{
    {"rate_base", &TSeiModel::FRateBase},
    {"activation_energy_ev", &TSeiModel::FActivationEnergy_eV},
    {"scale_to_nm", &TSeiModel::FScaleToNm},
    {"alpha_over", &TSeiModel::FAlphaOver},
    {"gamma_current", &TSeiModel::FGammaCurrent},
    {"ref_area_cm2", &TSeiModel::FRefArea_cm2},
    {"plating_thresh_v", &TSeiModel::FPlatingThresh_V},
    {"x0_nm", &TSeiModel::FX0_nm},
    {"xTarget_nm", &TSeiModel::FXTarget_nm},
}};
constexpr std::array<SnakeName<TThermalParams>, 3> kThermalNames{{
    {"ambient_c", &TThermalParams::FAmbient_C},
    {"max_temp_c", &TThermalParams::FMaxTemp_C},
    {"h_conv_w_per_k", &TThermalParams::FHConv_W_per_K},
}};
constexpr std::array<SnakeName<TLimits>, 3> kLimitNames{{
    {"v_min_v", &TLimits::FVMin_V},
    {"v_max_v", &TLimits::FVMax_V},
    {"i_max_a", &TLimits::FIMax_A},
}};

// Applies one group: first the keys the document writer produces (from the class's field
// table), then the snake_case names, so the latter win when a file has both.
template <class C, size_t N>
void TakeGroup(const DocJson& root, std::string_view writtenName, std::string_view snakeName,
               const std::array<SnakeName<C>, N>& names, C& target) {
  for (std::string_view groupName : {writtenName, snakeName}) {
    const auto it = root.find(groupName);
    if (it == root.end()) continue;
    if (!it->is_object()) FailConversion(groupName, "an object");
    std::apply([&](const auto&... f) { (TakeNumber(*it, groupName, f.key, target.*(f.member)), ...); },
               C::Fields());
    for (const auto& n : names) TakeNumber(*it, groupName, n.name, target.*(n.member));
    if (writtenName == snakeName) break;
  }
}

std::string TextMember(const DocJson& root, std::string_view name) {
  const auto it = root.find(name);
  if (it == root.end() || it->is_null()) return {};
  return JsonValueText(*it);
}

TChemRoot FromChemDocument(const DocJson& root) {
  TChemRoot chem = TChemRoot::CreateDefaultLFP();
  if (root.contains("chemistry")) chem.FChemistry = TextMember(root, "chemistry");
  if (root.contains("version")) chem.FVersion = TextMember(root, "version");
  TakeGroup(root, "cell", "cell", kCellNames, *chem.FCell);
  TakeGroup(root, "seiModel", "sei_model", kSeiNames, *chem.FSeiModel);
  TakeGroup(root, "thermal", "thermal", kThermalNames, *chem.FThermal);
  TakeGroup(root, "limits", "limits", kLimitNames, *chem.FLimits);
  return chem;
}

TChemRoot FromChemTemplate(std::string_view text) {
  const TChemTemplateExtras x = ChemTemplateV0FromText(text);
  if (!x.Ok) throw DocumentError("ChemTemplate load failed: " + x.Err);
  LastTemplate() = x;
  TChemRoot chem = TChemRoot::CreateDefaultLFP();
  if (x.NominalV > 0) chem.FCell->FNominalV = x.NominalV;
  if (x.CapacityAh > 0) chem.FCell->FCapacityAh = x.CapacityAh;
  if (x.ElectrodeAreaCm2 > 0) chem.FSeiModel->FRefArea_cm2 = x.ElectrodeAreaCm2;
  if (x.ImaxA > 0) chem.FLimits->FIMax_A = x.ImaxA;
  return chem;
}

}  // namespace

TChemRoot LoadChemFromText(std::string_view text, std::string_view fileName) {
  const DocJson root = ParseJsonText(text, fileName);
  if (!root.is_object()) throw DocumentError("Chem JSON parse failed");
  const std::string tag = TextMember(root, "schema");
  if (SameTextIgnoringCase(tag, TChemRoot::kSchema)) return FromChemDocument(root);
  if (SameTextIgnoringCase(tag, kChemTemplateSchema)) return FromChemTemplate(text);
  throw DocumentError("Chem file schema mismatch: " + tag);
}

TChemRoot LoadChem(const std::string& fileName) { return LoadChemFromText(ReadTextFile(fileName), fileName); }

TChemTemplateExtras GetLastChemTemplate() { return LastTemplate(); }

}  // namespace voltaris
