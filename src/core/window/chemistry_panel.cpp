// The chemistry panel: the window's chemistry document shown in and read back from the
// panel's edits, the chemistry library list, the chemistry parameters completed before a
// run, the automatic SEI scale, and the current table of a chemistry template for the
// Custom LUT pattern.
#include "window/chemistry_panel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "chemistry/chem_bridge.h"
#include "chemistry/chem_family.h"
#include "common/number_format.h"
#include "common/numbers.h"
#include "documents/chem_reader.h"
#include "documents/json_text_writer.h"
#include "documents/json_values.h"
#include "documents/text_file.h"
#include "run/run_metrics.h"
#include "waveform/kind_text.h"
#include "window/form_preview.h"
#include "workspace/chem_library.h"
#include "workspace/hx_facade.h"

namespace voltaris {

namespace fs = std::filesystem;

namespace {

constexpr double kUnreadableCapacityAh = 60.0;

// The decimal point of a machine-formatted number as the user's decimal separator.
std::string WithUserSeparator(std::string s) {
  const char sep = UserDecimalSeparator();
  if (sep != '.')
    for (char& c : s)
      if (c == '.') c = sep;
  return s;
}

std::string NonFiniteText(double v) { return std::isnan(v) ? "NAN" : (v < 0 ? "-INF" : "INF"); }

}  // namespace

std::string FileNameOnly(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string GetChemDir() {
  fs::path program = fs::path(THxFacade::ProgramDir()).lexically_normal();
  if (!program.empty() && !program.has_filename()) program = program.parent_path();
  std::error_code ec;
  const fs::path own = program / "chem";
  if (fs::is_directory(own, ec)) return own.string();
  const fs::path above = program.parent_path().parent_path() / "assest";
  if (fs::is_directory(above / "Chem", ec)) return (above / "Chem").string();
  return (above / "chem").string();
}

bool TryParseFloatAny(std::string_view text, double& value) {
  std::string s(text);
  for (char& c : s)
    if (c == ',') c = '.';
  return TryParseFloat(s, '.', value);  // surrounding blanks are allowed
}

double JFloatAny(const nlohmann::ordered_json* obj, std::string_view name, double fallback) {
  if (obj == nullptr || !obj->is_object()) return fallback;
  const auto it = obj->find(std::string(name));
  if (it == obj->end()) return fallback;
  if (it->is_number()) return std::isfinite(it->get<double>()) ? it->get<double>() : fallback;
  double v = 0;
  if (it->is_string() && TryParseFloatAny(it->get_ref<const std::string&>(), v)) return v;
  return fallback;
}

bool ArrFloatAny(const nlohmann::ordered_json* arr, long long index, double& value) {
  value = 0;
  if (arr == nullptr || !arr->is_array() || index < 0 || index >= static_cast<long long>(arr->size())) return false;
  const auto& e = (*arr)[static_cast<size_t>(index)];
  if (e.is_number()) {
    if (!std::isfinite(e.get<double>())) return false;  // beyond the double range
    value = e.get<double>();
    return true;
  }
  if (e.is_string()) {
    double v = 0;
    if (!TryParseFloatAny(e.get_ref<const std::string&>(), v)) return false;
    value = v;
    return true;
  }
  return false;
}

std::vector<TOCVPoint> ConvertOCV(const std::vector<TPointD>& points) {
  std::vector<TOCVPoint> table;
  table.reserve(points.size());
  for (const TPointD& p : points) table.push_back({p.x, p.y});
  return table;
}

std::string FormatGeneral(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  std::string s = FormatJsonDouble(value);  // the general form, with ".0" added to whole numbers
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  return WithUserSeparator(s);
}

std::string FormatSci3(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (value == 0) return WithUserSeparator("0.000E+000");
  // Four significant digits of the shortest decimal form, halves rounded away from zero
  // (as the panel's other number texts round).
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
  const std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));  // "d.ddde+XX"
  const size_t ePos = sci.find('e');
  int exponent = 0;
  std::from_chars(sci.data() + ePos + (sci[ePos + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  std::string digits;
  for (char c : sci.substr(0, ePos))
    if (c != '.') digits += c;
  digits.resize(std::max<size_t>(digits.size(), 5), '0');
  const bool up = digits[4] >= '5';
  digits.resize(4);
  if (up) {
    int i = 3;
    while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
    if (i >= 0) {
      ++digits[static_cast<size_t>(i)];
    } else {
      digits = "1000";
      ++exponent;
    }
  }
  char out[32];
  std::snprintf(out, sizeof out, "%s%c.%sE%c%03d", value < 0 ? "-" : "", digits[0], digits.substr(1).c_str(),
                exponent < 0 ? '-' : '+', std::abs(exponent));
  return WithUserSeparator(out);
}

double FamilySeiScaleNmPerAh(std::string_view chemistryName) {
  static constexpr double kScale[] = {4, 12, 7, 8, 10, 2};
  const int i = FirstChemFamily(ChemFamilyKey(chemistryName), {"lfp", "nmc811", "nmc622", "nmc", "nca", "lto"});
  return i >= 0 ? kScale[i] : 8.0;
}

double PanelSeiScaleNmPerAh(const TChemRoot& chem) {
  if (chem.FCell && chem.FCell->FNmPerAh > 0) return chem.FCell->FNmPerAh;
  if (chem.FSeiModel && chem.FSeiModel->FScaleToNm > 0) return chem.FSeiModel->FScaleToNm;
  return FamilySeiScaleNmPerAh(chem.FChemistry);
}

double PanelVmaxV(const TChemRoot& chem) {
  const double v = chem.FLimits ? Round4(chem.FLimits->FVMax_V) : 0.0;
  if (v >= 2.0) return v;
  const std::string key = ChemFamilyKey(chem.FChemistry);
  if (ChemKeyHas(key, "lfp")) return 3.65;
  if (ChemKeyHas(key, "lto")) return 2.8;
  return 4.2;
}

double AutoScaleTargetNm(std::string_view chemistryName) {
  const std::string name = TrimLowerAscii(chemistryName);
  if (name == "lfp" || name == "lfp_21700") return 12;
  if (name == "nmc811" || name == "nmc811_21700") return 60;
  if (name == "nca" || name == "nca_21700") return 70;
  return 20;
}

// ---- Window operations ----

void TFormPreview::SetupChemistryAtCreation() {
  LoadChemPresets();
  GChem = TChemRoot::CreateDefaultLFP();
  ChemToUI(GChem.get());
  form_.OnChange("cbSEI", [this](const std::string& s) { cbSEIChange(s); });
  form_.OnClick("btnAutoSEIScale", [this](const std::string& s) { btnAutoSEIScaleClick(s); });
  form_.OnClick("btnReset", [this](const std::string& s) { btnResetClick(s); });
}

void TFormPreview::ChemToUI(const TChemRoot* root) {
  if (root == nullptr) return;
  auto put = [this](const char* name, const std::string& text) {
    if (form_.Find(name) != nullptr) form_.SetText(name, text);
  };
  if (const TCellParams* c = root->FCell.get()) {
    put("edCellNomV", FormatFloat("0.###", c->FNominalV));
    put("edCellCapAh", FormatFloat("0.##", c->FCapacityAh));
    put("edCellRint", FormatFloat("0.###", c->FRInternal_mOhm));
    put("edCellMass", FormatFloat("0.##", c->FMass_g));
    put("edCellCp", FormatFloat("0.###", c->FHeatCap_J_per_gK));
  }
  put("edAlpha", FormatFloat("0.###", PanelSeiScaleNmPerAh(*root)));
  if (const TSeiModel* m = root->FSeiModel.get()) {
    put("edSeiRateBase", FormatSci3(m->FRateBase));
    put("edSeiEa", FormatFloat("0.##", m->FActivationEnergy_eV));
    put("edSeiPlateV", FormatFloat("0.###", m->FPlatingThresh_V));
  }
  if (const TThermalParams* t = root->FThermal.get()) {
    put("edTempC", FormatFloat("0.##", t->FAmbient_C));
    put("edTempmax", FormatFloat("0.##", t->FMaxTemp_C));
    put("edtTemp", FormatFloat("0.###", t->FHConv_W_per_K));
  }
}

void TFormPreview::UpdateChemUIFromModel() {
  if (!GChem) return;
  const TChemRoot& chem = *GChem;
  auto put = [this](const char* name, const std::string& text) {
    if (form_.Find(name) != nullptr) form_.SetText(name, text);
  };
  if (const TCellParams* c = chem.FCell.get()) {
    put("edCellNomV", FormatGeneral(c->FNominalV));
    put("edCellCapAh", FormatGeneral(c->FCapacityAh));
    put("edCellRint", FormatGeneral(c->FRInternal_mOhm));
    put("edCellMass", FormatGeneral(c->FMass_g));
    put("edCellCp", FormatGeneral(c->FHeatCap_J_per_gK));
  }
  put("edAlpha", FormatFloat("0.##", PanelSeiScaleNmPerAh(chem)));
  if (const TSeiModel* m = chem.FSeiModel.get()) {
    put("edSeiRateBase", FormatSci3(m->FRateBase));
    put("edSeiEa", FormatGeneral(m->FActivationEnergy_eV));
    put("edSeiPlateV", FormatGeneral(m->FPlatingThresh_V));
    put("edAlphaOver", FormatGeneral(m->FAlphaOver));
    put("edGammaJ", FormatGeneral(m->FGammaCurrent));
    put("edRefArea", FormatGeneral(m->FRefArea_cm2));
  }
  if (const TThermalParams* t = chem.FThermal.get()) {
    put("edTempC", FormatGeneral(t->FAmbient_C));
    put("edTempmax", FormatGeneral(t->FMaxTemp_C));
    put("edtTemp", FormatGeneral(t->FHConv_W_per_K));
  }
  put("edtVmax", FormatFloat("0.##", PanelVmaxV(chem)));
}

void TFormPreview::UIToChem(Owned<TChemRoot>& root) {
  if (!root) root = TChemRoot::CreateDefaultLFP();
  // Each readable edit replaces its field; unreadable text keeps the field's value.
  auto read = [this](const char* name, double& field) {
    if (const Control* c = form_.Find(name)) field = c->Number(field);
  };
  TCellParams& c = root->FCell ? *root->FCell : root->FCell.Recreate();
  read("edCellNomV", c.FNominalV);
  read("edCellCapAh", c.FCapacityAh);
  read("edCellRint", c.FRInternal_mOhm);
  read("edCellMass", c.FMass_g);
  read("edCellCp", c.FHeatCap_J_per_gK);
  TSeiModel& m = root->FSeiModel ? *root->FSeiModel : root->FSeiModel.Recreate();
  read("edSeiRateBase", m.FRateBase);
  read("edSeiEa", m.FActivationEnergy_eV);
  read("edSeiPlateV", m.FPlatingThresh_V);
  read("edAlphaOver", m.FAlphaOver);
  read("edGammaJ", m.FGammaCurrent);
  read("edRefArea", m.FRefArea_cm2);
  TThermalParams& t = root->FThermal ? *root->FThermal : root->FThermal.Recreate();
  read("edTempC", t.FAmbient_C);
  read("edTempmax", t.FMaxTemp_C);
  read("edtTemp", t.FHConv_W_per_K);
}

TChemSummary TFormPreview::CollectChemFromUI() {
  TChemSummary s = ChemGetSummary();
  auto read = [this](const char* name, double fallback) {
    const Control* c = form_.Find(name);
    return c != nullptr ? c->Number(fallback) : fallback;
  };
  s.AmbientC = read("edTempC", s.AmbientC);
  s.MaxTempC = read("edTempmax", s.MaxTempC);
  s.SeiScale_NmPerAh = read("edAlpha", s.SeiScale_NmPerAh);
  return s;
}

void TFormPreview::LoadChemPresets() {
  GChemLibrary.ScanChemDir(GetChemDir());
  GChemLibrary.FillComboGrouped(&form_, "cbSEI");
}

void TFormPreview::EnsureChemParamsReady() {
  if (FChemP.OCV.empty()) {
    if (GChem)
      FChemP = ChemRootToParams(GChem.get());
    else
      DefaultChem_LFP(FChemP);
  }
  double v = 0;
  if (ReadRegional("edtTemp", v) && v > 0) FChemP.Rth_KpW = 1.0 / v;  // the edit shows W/K
  if (ReadRegional("edTempC", v)) FChemP.Tamb_C = v;
  if (FChemP.Cth_JpK < 1) FChemP.Cth_JpK = 63;
  if (GChem && GChem->FSeiModel) ApplySeiKinetics(*GChem->FSeiModel, FChemP);
  if (ReadRegional("edSeiRateBase", v) && v > 0) FChemP.kSEI_0 = v;
  if (ReadRegional("edSeiEa", v) && v > 0) FChemP.Ea_eV = v;
}

double TFormPreview::ReadCellCapAhFromUI() {
  const Control* c = form_.Find("edCellCapAh");
  double v = 0;
  if (c == nullptr || !TryParseFloatAny(c->Text(), v) || !(v > 0)) return kUnreadableCapacityAh;
  return v;
}

void TFormPreview::btnAutoSEIScaleClick(const std::string&) {
  if (!GChem || FSerSEI == nullptr || FSerSEI->Count() < 1) return;
  if (!(FLastDeliveredAh > 0)) {
    platform_.ShowMessage(MessageKind::Information, "Information",
                          "Auto scale needs a finished run (Q_SEI = 0). Run the sim first.");
    return;
  }
  const double scale = AutoScaleTargetNm(GChem->FChemistry) / FLastDeliveredAh;
  if (!(scale > 0) || !std::isfinite(scale)) {
    platform_.ShowMessage(MessageKind::Information, "Information",
                          "Auto scale failed: nm_per_ah <= 0 (check Q_SEI and chemistry).");
    return;
  }
  (GChem->FCell ? *GChem->FCell : GChem->FCell.Recreate()).FNmPerAh = scale;
  (GChem->FSeiModel ? *GChem->FSeiModel : GChem->FSeiModel.Recreate()).FScaleToNm = scale;
  FAutoNmPerAh = scale;
  FAutoScaleChem = GChem->FChemistry;
  if (form_.Find("edSeiScale") != nullptr) form_.SetText("edSeiScale", FormatGeneral(scale));
  if (form_.Find("edAlpha") != nullptr) form_.SetText("edAlpha", FormatGeneral(scale));
}

bool TFormPreview::TryLoadChemTemplate(const std::string& fileName) {
  TPatternShapes& shapes = waveform.shapes;
  shapes.FChemValid = false;
  shapes.FChemLUT.clear();
  if (!TextFileExists(fileName)) return false;
  std::string text;
  try {
    text = ReadTextFile(fileName);
  } catch (const std::exception&) {
    return false;  // unreadable: not a template this reader can use
  }
  DocJson doc;
  try {
    doc = ParseJsonText(text, fileName);
  } catch (const std::exception&) {
    return false;  // nested too deeply: not a template either
  }
  if (doc.is_discarded() || !doc.is_object()) return false;
  const auto schema = doc.find("schema");
  const std::string tag = schema == doc.end() ? std::string() : JsonValueText(*schema);
  if (!SameTextIgnoringCase(tag, kChemTemplateSchema)) return false;

  const auto rec = doc.find("recommended");
  if (rec == doc.end() || !rec->is_object()) return false;
  // The range and cycle stay as read even when the table turns out unusable.
  shapes.FChemImin = JFloatAny(&*rec, "imin_a", 0.0);
  shapes.FChemImax = JFloatAny(&*rec, "imax_a", 1.0);
  shapes.FChemCycleMs = JFloatAny(&*rec, "cycle_period_ms", 0.0);
  if (!(shapes.FChemCycleMs > 0)) return false;
  const auto lut = doc.find("lut");
  if (lut == doc.end() || !lut->is_object()) return false;
  const auto values = lut->find("values");
  if (values == lut->end() || !values->is_array() || values->size() <= 1) return false;

  std::vector<double> table(values->size());
  for (size_t i = 0; i < table.size(); ++i) {
    double v = 0;
    ArrFloatAny(&*values, static_cast<long long>(i), v);
    table[i] = std::clamp(v, 0.0, 1.0);
  }
  shapes.SetChemTable(std::move(table), shapes.FChemCycleMs, shapes.FChemImin, shapes.FChemImax);
  InvalidateCharts();
  return true;
}

void TFormPreview::ApplyChemTemplateToUI() {
  const TChemTemplateExtras rec = THxFacade::GetLastChemTemplate();
  if (!rec.Ok) return;
  const TPatternShapes& shapes = waveform.shapes;
  form_.SetActivePage("PcParams", "TsCustom");
  if (shapes.FChemCycleMs > 0)
    form_.SetText("EdLUTDur", std::to_string(static_cast<long long>(std::nearbyint(shapes.FChemCycleMs))));
  form_.SetText("EdLUTMin", FormatFloat("0.###", shapes.FChemImin));
  form_.SetText("EdLUTMax", FormatFloat("0.###", shapes.FChemImax));
  form_.SetText("EdLUTPoints", "(LUT loaded)");
  FHasImportedLUT = rec.HasLUT;
  if (FHasImportedLUT) FImportedLUT = rec.LUT;
  InvalidateCharts();
}

double TFormPreview::ChemLutAtTime(double t) const { return waveform.shapes.ChemLutAtTime(t); }

void TFormPreview::UseChemDocument(const std::string& fileName) {
  // A document that does not read leaves the window's chemistry as it was.
  TChemRoot doc = THxFacade::LoadChem(fileName);
  GChem = std::move(doc);
  FLastZaruVedh = fileName;
  FAutoNmPerAh = 0;
  FAutoScaleChem.clear();
  if (form_.Find("edChemFile") != nullptr) form_.SetText("edChemFile", FileNameOnly(fileName));
  ChemToUI(GChem.get());
  UpdateChemUIFromModel();
  // The run parameters are derived afresh from the new chemistry before the next run.
  FChemP.OCV.clear();
  FChemP.Qn_Ah = 0;
}

void TFormPreview::cbSEIChange(const std::string&) {
  const Control* combo = form_.Find("cbSEI");
  if (combo == nullptr) return;
  const std::string file = GChemLibrary.FindFileByDisplay(combo->Text());
  if (!file.empty()) UseChemDocument(file);
}

}  // namespace voltaris
