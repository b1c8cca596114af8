#include "run/input_checks.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <tuple>

#include "chemistry/chem_params.h"
#include "common/numbers.h"
#include "common/user_message.h"
#include "documents/document_error.h"
#include "documents/json_mapper.h"
#include "documents/text_file.h"
#include "form/form_model.h"
#include "workspace/hx_facade.h"

namespace voltaris {

namespace {

// Any number a model of a formation run meets is far inside this; beyond it the
// arithmetic of the models overflows or loses every digit.
constexpr double kAnyValue = 1e6;
constexpr double kCurrentA = 1e4;      // A
constexpr double kTimeMs = 3.6e9;      // ms: 1000 hours
constexpr double kTimeS = 3.6e6;       // s: 1000 hours
constexpr double kTimeMin = 60000;     // min: 1000 hours
constexpr double kVoltage = 1000;      // V
constexpr double kFrequencyHz = 1e6;   // Hz

// Entries whose numbers reach the models, with the range of a physically possible value.
// An entry not listed here but read as a number by the run is held to ±kAnyValue.
constexpr std::array<TEntryRange, 64> kEntryRanges{{
    {"EdTotalMs", 0, kTimeMin},       {"edtFs", 0, kTimeMs},
    {"EdClampMin", -kCurrentA, kCurrentA}, {"EdClampMax", -kCurrentA, kCurrentA},
    {"edtV0", -kVoltage, kVoltage},   {"edtVt", -kVoltage, kVoltage},
    {"edtVRU", 0, kTimeS},            {"edtVRD", 0, kTimeS},
    {"EdSineMin", -kCurrentA, kCurrentA}, {"EdSineMax", -kCurrentA, kCurrentA},
    {"EdSineF", 0, kFrequencyHz},     {"EdSinePhase", -kAnyValue, kAnyValue},
    {"EdBaseA", -kCurrentA, kCurrentA}, {"EdTopA", -kCurrentA, kCurrentA},
    {"EdRise", 0, kTimeMs},           {"EdTop", 0, kTimeMs},
    {"EdFall", 0, kTimeMs},           {"EdBase", 0, kTimeMs},
    {"EdRepeat", 0, kAnyValue},       {"EdGap", 0, kTimeMs},
    {"edSprTopA", -kCurrentA, kCurrentA}, {"edSprTop", 0, kTimeMs},
    {"EdTanBase", -kCurrentA, kCurrentA}, {"EdTanPeak", -kCurrentA, kCurrentA},
    {"EdTanRise", 0, kTimeMs},        {"EdTanHold", 0, kTimeMs},
    {"EdTanFall", 0, kTimeMs},        {"EdParaI0", -kCurrentA, kCurrentA},
    {"EdParaI1", -kCurrentA, kCurrentA}, {"EdParaDur", 0, kTimeMs},
    {"EdBezDur", 0, kTimeMs},         {"EdBezScaleMin", -kCurrentA, kCurrentA},
    {"EdBezScaleMax", -kCurrentA, kCurrentA}, {"EdTriMin", -kCurrentA, kCurrentA},
    {"EdTriMax", -kCurrentA, kCurrentA}, {"EdTriRiseMs", 0, kTimeMs},
    {"EdTriFallMs", 0, kTimeMs},      {"EdTrapBaseA", -kCurrentA, kCurrentA},
    {"EdTrapTopA", -kCurrentA, kCurrentA}, {"EdSigI0", -kCurrentA, kCurrentA},
    {"EdSigI1", -kCurrentA, kCurrentA}, {"EdGauMin", -kCurrentA, kCurrentA},
    {"EdGauMax", -kCurrentA, kCurrentA}, {"EdDampMin", -kCurrentA, kCurrentA},
    {"EdDampMax", -kCurrentA, kCurrentA}, {"EdDampF", 0, kFrequencyHz},
    {"EdExpI0", -kCurrentA, kCurrentA}, {"EdExpI1", -kCurrentA, kCurrentA},
    {"EdLUTMin", -kCurrentA, kCurrentA}, {"EdLUTMax", -kCurrentA, kCurrentA},
    {"edtCC_A", -kCurrentA, kCurrentA}, {"edtRestAfterCV", 0, kTimeMin},
    {"edtRestAfterDis", 0, kTimeMin}, {"edtRU", 0, kTimeS},
    {"edtRD", 0, kTimeS},             {"edTempC", -100, 300},
    {"edtR0", 0, kAnyValue},          {"edCellCapAh", 0, kAnyValue},
    {"edCellRint", 0, kAnyValue},     {"edCellMass", 0, kAnyValue},
    {"edTempmax", -100, 300},         {"edtICC", -kCurrentA, kCurrentA},
    {"edtIcut", -kCurrentA, kCurrentA}, {"edtVmax", -kVoltage, kVoltage},
}};

// Entries of the run that hold lists of numbers (schedules, point lists): each number
// must be finite and within ±kAnyValue.
constexpr std::array<std::string_view, 4> kListEntries{"edtVsteps", "edtIStep", "EdBezPoints", "EdLUTPoints"};

// Entries read as numbers by the run but without a range of their own.
constexpr std::array<std::string_view, 23> kOtherNumberEntries{
    "EdTrapRise", "EdTrapTopMs", "EdTrapFall",  "EdTrapBottomMs", "EdTrapCorner", "EdParaCurv",
    "EdSigDur",   "EdSigK",      "EdGauDur",    "EdGauMu",        "EdGauSigma",   "EdDampPhase",
    "EdDampTau",  "EdExpDur",    "EdExpK",      "EdLUTDur",       "edDisC",       "edtDisVCut",
    "edAlpha",    "edSeiEa",     "edSeiPlateV", "edAlphaOver",    "edGammaJ"};
constexpr std::array<std::string_view, 5> kMoreNumberEntries{"edRefArea", "edCellNomV", "edCellCp", "edtTemp",
                                                             "edSeiRateBase"};

// The shortest text that reads back as `v` ("1e+308", "0.5").
std::string ShortNumber(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string EntryName(const Control& c) {
  std::string label = c.Layout().label;
  for (char& ch : label)
    if (ch == ';') ch = ' ';
  return label.empty() || label == "None" ? std::string(c.Name()) : "\"" + label + "\"";
}

[[noreturn]] void Refuse(const std::string& what, std::string_view value, const std::string& why) {
  throw FormError("The run cannot start: " + what + " = " + EchoText(value) + " " + why + ".");
}

std::string RangeText(double lo, double hi) {
  return "(a possible value lies between " + ShortNumber(lo) + " and " + ShortNumber(hi) + ")";
}

bool IsNumberChar(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

// Every number-like piece of `text`: each must be finite and within ±bound. Pieces that
// do not read as numbers are left to the entry's own reader.
void CheckNumbersIn(const Control& c, double bound) {
  const std::string& text = c.Text();
  for (size_t i = 0; i < text.size();) {
    if (!IsNumberChar(text[i])) {
      ++i;
      continue;
    }
    size_t e = i;
    while (e < text.size() && IsNumberChar(text[e])) ++e;
    const std::string piece = text.substr(i, e - i);
    i = e;
    if (piece.find_first_of("0123456789") == std::string::npos) continue;
    const double v = std::strtod(piece.c_str(), nullptr);
    if (!std::isfinite(v)) Refuse(EntryName(c), text, "holds a number beyond the range of numbers");
    if (std::fabs(v) > bound) Refuse(EntryName(c), text, "holds a number that is not physically possible (" + piece + ")");
  }
}

void CheckEntry(const Control& c, double lo, double hi) {
  const std::string& text = c.Text();
  double v = 0;
  if (TryParseFloat(text, '.', v) || TryParseFloat(text, UserDecimalSeparator(), v)) {
    if (v < lo || v > hi) Refuse(EntryName(c), text, "is not physically possible " + RangeText(lo, hi));
    return;
  }
  // Text that does not read takes the entry's fallback, except a number beyond the double
  // range, which would silently become something else.
  CheckNumbersIn(c, kAnyValue);
}

// ---- documents ------------------------------------------------------------------------

template <class C>
void CheckObject(const C& obj, const std::string& path);

void CheckMember(double v, const std::string& path) {
  if (!std::isfinite(v) || std::fabs(v) > 1e12)
    Refuse("the document field \"" + path + "\"", ShortNumber(v), "is not physically possible");
}
template <class M>
void CheckMember(const M&, const std::string&) {}
template <class U>
void CheckMember(const Owned<U>& v, const std::string& path) {
  if (v) CheckObject(*v, path);
}
template <class U>
void CheckMember(const Owned<TObjectList<U>>& v, const std::string& path) {
  if (!v) return;
  for (size_t i = 0; i < v->size(); ++i) CheckObject((*v)[i], path + "[" + std::to_string(i) + "]");
}

template <class C>
void CheckObject(const C& obj, const std::string& path) {
  std::apply(
      [&](const auto&... f) {
        (CheckMember(obj.*(f.member), path.empty() ? std::string(f.key) : path + "." + std::string(f.key)), ...);
      },
      C::Fields());
}

// Reads a document the way the run does; a failure gets the file's path as a second line.
template <class F>
auto ReadNamingFile(const std::string& storedName, F read) {
  try {
    return read(storedName);
  } catch (const std::exception& e) {
    std::string path;
    try {
      path = THxFacade::ResolvePath(storedName);
    } catch (const std::exception&) {
      path = storedName;
    }
    throw DocumentError(path.empty() ? UserMessageOf(e) : UserMessageOf(e) + "\nFile: " + path);
  }
}

void CheckChemistry(const TChemRoot& chem, const std::string& path) {
  CheckObject(chem, "");
  const auto need = [&](bool ok, const std::string& field, double v, const std::string& why) {
    if (!ok) Refuse("the chemistry field \"" + field + "\" of " + path, ShortNumber(v), why);
  };
  if (chem.FCell) {
    need(chem.FCell->FCapacityAh > 0 && chem.FCell->FCapacityAh <= kAnyValue, "cell.capacityAh",
         chem.FCell->FCapacityAh, "is not a possible capacity");
    need(chem.FCell->FRInternal_mOhm >= 0, "cell.rInternal_mOhm", chem.FCell->FRInternal_mOhm,
         "is not a possible resistance");
    need(chem.FCell->FMass_g >= 0, "cell.mass_g", chem.FCell->FMass_g, "is not a possible mass");
  }
  if (chem.FThermal) {
    need(chem.FThermal->FAmbient_C >= -100 && chem.FThermal->FAmbient_C <= 300, "thermal.ambient_C",
         chem.FThermal->FAmbient_C, "is not a possible temperature");
    need(chem.FThermal->FMaxTemp_C >= -100 && chem.FThermal->FMaxTemp_C <= 1000, "thermal.maxTemp_C",
         chem.FThermal->FMaxTemp_C, "is not a possible temperature");
  }
  if (chem.FSeiModel) {
    need(chem.FSeiModel->FActivationEnergy_eV >= 0 && chem.FSeiModel->FActivationEnergy_eV <= 100,
         "seiModel.activationEnergy_eV", chem.FSeiModel->FActivationEnergy_eV, "is not a possible activation energy");
    need(chem.FSeiModel->FRateBase >= 0, "seiModel.rateBase", chem.FSeiModel->FRateBase, "is not a possible rate");
  }
}

// Chemistry entries of the panel and the parameter of the run each becomes (the
// reciprocal for the heat transfer); what a note calls the parameter.
struct TChemEntry {
  std::string_view control;
  double TChemParams::*param;
  bool reciprocal;
  const char* what;
};
constexpr std::array<TChemEntry, 6> kChemEntries{{
    {"edtTemp", &TChemParams::Rth_KpW, true, "thermal resistance (K/W)"},
    {"edTempC", &TChemParams::Tamb_C, false, "ambient temperature (C)"},
    {"edSeiRateBase", &TChemParams::kSEI_0, false, "SEI rate"},
    {"edSeiEa", &TChemParams::Ea_eV, false, "activation energy (eV)"},
    {"edAlphaOver", &TChemParams::alpha_eta, false, "overpotential factor"},
    {"edGammaJ", &TChemParams::gamma_I, false, "current factor"},
}};

}  // namespace

std::vector<std::string> EntrySubstitutions(FormModel& form) {
  std::vector<std::string> notes;
  const auto note = [&](const Control& c, const std::string& what) { notes.push_back(EntryNote(c, what)); };
  const double unread = std::numeric_limits<double>::quiet_NaN();
  if (const Control* c = form.Find("EdTotalMs")) {
    const double v = SafeStrToF(c->Text(), unread);
    if (std::isnan(v)) note(*c, "does not read as a number: the run takes 60 min");
    else if (v <= 0) note(*c, "is not above 0: the run takes 60 min");
  }
  if (const Control* c = form.Find("edtFs")) {
    // The run steps every max(ms, 0.001) ms (1 ms for text that does not read or is not
    // above 0); the reference wave takes a sample every max(ms, 0.1) ms (10 ms for text
    // that does not read).
    const double v = SafeStrToF(c->Text(), unread);
    if (std::isnan(v))
      note(*c, "does not read as a number: the run steps every 1 ms and the reference wave takes a sample every 10 ms");
    else if (v <= 0)
      note(*c, "is not above 0: the run steps every 1 ms and the reference wave takes a sample every 0.1 ms");
    else if (v < 0.001)
      note(*c, "is below 0.001 ms: the run steps every 0.001 ms and the reference wave takes a sample every 0.1 ms");
    else if (v < 0.1)
      note(*c, "is below 0.1 ms: the reference wave takes a sample every 0.1 ms");
  }
  return notes;
}

std::vector<std::string> ChemEntrySubstitutions(FormModel& form, const TChemParams& run) {
  std::vector<std::string> notes;
  for (const TChemEntry& e : kChemEntries) {
    const Control* c = form.Find(e.control);
    if (c == nullptr) continue;
    const double kept = run.*e.param;
    const std::string keeps = std::string("the run keeps its ") + e.what + " of " + ShortNumber(kept);
    const double v = SafeStrToF(c->Text(), std::numeric_limits<double>::quiet_NaN());
    if (std::isnan(v)) notes.push_back(EntryNote(*c, "does not read as a number: " + keeps));
    else if ((e.reciprocal ? 1.0 / v : v) != kept) notes.push_back(EntryNote(*c, "is not taken: " + keeps));
  }
  return notes;
}

std::string EntryNote(const Control& entry, const std::string& what) {
  return EntryName(entry) + " = " + EchoText(entry.Text()) + " " + what + ".";
}

std::string EchoText(std::string_view text) {
  constexpr size_t kEcho = 60;
  if (text.size() <= kEcho) return "\"" + std::string(text) + "\"";
  size_t cut = kEcho;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + std::string(text.substr(0, cut)) + "\u2026\" (" + std::to_string(text.size()) + " characters)";
}

void CheckRunEntries(FormModel& form) {
  for (const TEntryRange& r : kEntryRanges) {
    if (const Control* c = form.Find(r.control)) CheckEntry(*c, r.lo, r.hi);
  }
  for (std::string_view name : kOtherNumberEntries) {
    if (const Control* c = form.Find(name)) CheckEntry(*c, -kAnyValue, kAnyValue);
  }
  for (std::string_view name : kMoreNumberEntries) {
    if (const Control* c = form.Find(name)) CheckEntry(*c, -kAnyValue, kAnyValue);
  }
  for (std::string_view name : kListEntries) {
    if (const Control* c = form.Find(name)) CheckNumbersIn(*c, kAnyValue);
  }
}

void CheckRunInputs(FormModel& form) {
  CheckRunEntries(form);
  TSimRoot sim = THxFacade::BuildSimFromUI();
  THxFacade::NormalizeSim(&sim);
  CheckObject(sim, "session");
  const TSimRefs refs = sim.FRefs ? *sim.FRefs : TSimRefs{};
  const TPatternRoot pattern =
      ReadNamingFile(refs.FPatternFile, [](const std::string& n) { return THxFacade::LoadPattern(n); });
  CheckObject(pattern, "pattern");
  const TCalRoot cal = ReadNamingFile(refs.FCalFile, [](const std::string& n) { return THxFacade::LoadCal(n); });
  CheckObject(cal, "calibration");
  const TDefaultsRoot defaults =
      ReadNamingFile(refs.FDefaultsFile, [](const std::string& n) { return THxFacade::LoadDefaults(n); });
  CheckObject(defaults, "defaults");
  // The chemistry: a missing or blank file means the built-in set, as at the run's start.
  const std::string chemPath = ReadNamingFile(refs.FChemFile, [](const std::string& n) { return THxFacade::ResolvePath(n); });
  if (chemPath.empty() || !TextFileExists(chemPath)) return;
  const std::string text = ReadNamingFile(chemPath, [](const std::string& p) { return ReadTextFile(p); });
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return;
  const TChemRoot chem = ReadNamingFile(refs.FChemFile, [](const std::string& n) { return THxFacade::LoadChem(n); });
  CheckChemistry(chem, chemPath);
}

}  // namespace voltaris
