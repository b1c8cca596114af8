// Checks of the main-window layout table: structure, the numeric key filter and hint
// sets, captions with their exact (odd) spellings, and the page order of the page controls.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "form/layout.h"

namespace voltaris {
namespace {

const LayoutRow& Row(const std::string& name) {
  for (const LayoutRow& row : LayoutTable()) {
    if (row.name == name) return row;
  }
  ADD_FAILURE() << "no row named " << name;
  static const LayoutRow missing{};
  return missing;
}

std::vector<std::string> ChildrenOf(const std::string& parent) {
  std::vector<std::string> names;
  for (const LayoutRow& row : LayoutTable()) {
    if (row.parent == parent) names.push_back(row.name);
  }
  return names;
}

template <typename Pred>
std::set<std::string> NamesWhere(Pred pred) {
  std::set<std::string> names;
  for (const LayoutRow& row : LayoutTable()) {
    if (pred(row)) names.insert(row.name);
  }
  return names;
}

bool IsContainer(ControlKind kind) {
  return kind == ControlKind::Panel || kind == ControlKind::Group ||
         kind == ControlKind::Pages || kind == ControlKind::Page;
}

TEST(LayoutTable, NamesAreUniqueAndParentsComeFirst) {
  std::map<std::string, ControlKind> seen;
  for (const LayoutRow& row : LayoutTable()) {
    ASSERT_FALSE(row.name.empty());
    EXPECT_TRUE(seen.emplace(row.name, row.kind).second) << "duplicate " << row.name;
    if (row.parent.empty()) continue;
    auto parent = seen.find(row.parent);
    ASSERT_NE(parent, seen.end()) << row.name << " precedes its parent " << row.parent;
    EXPECT_TRUE(IsContainer(parent->second)) << row.name << " sits in " << row.parent;
    // A page control holds pages only, and a page lives only in a page control.
    EXPECT_EQ(parent->second == ControlKind::Pages, row.kind == ControlKind::Page) << row.name;
  }
}

TEST(LayoutTable, ChildrenAppearInVisualOrder) {
  const std::map<std::string, std::vector<std::string>> expected{
      {"", {"LeftPanel", "TopPanel", "MidPanel", "RightPanel", "FStatusBar"}},
      {"LeftPanel", {"GroupBox3", "GroupBox1", "GroupBox2", "GroupBox4", "GroupBox5", "grpAI"}},
      {"RightPanel", {"pnlChem", "pnOCV", "pnTemp"}},
      {"MidPanel", {"FMidPageCtrl"}},
      {"FMidPageCtrl", {"FTsSim", "FTsSEI3D"}},
      {"FTsSim", {"chSim", "chI", "chV", "chSEI"}},
      {"FTsSEI3D", {"lblSEI3DInfo", "lblSEI3DHint", "FchSEI3DProf"}},
      {"GroupBox2", {"PcParams", "chWave"}},
      {"GroupBoxChem", {"tsChemistry", "tsCalibration"}},
      {"tsChemistry", {"gbSEIModel", "gbChem", "gbsem"}},
  };
  for (const auto& [parent, children] : expected) {
    EXPECT_EQ(ChildrenOf(parent), children) << "children of '" << parent << "'";
  }
}

TEST(LayoutTable, PatternPagesInTabOrderWithCaptions) {
  const std::vector<std::pair<std::string, std::string>> pages{
      {"TsSine", "Sinisoidal"},    {"TsSuper", "Superpulse"},   {"TsTang", "Tangential"},
      {"TsParab", "Parabola"},     {"TsBezier", "Bezier"},      {"TsTri", "Triangle"},
      {"TsTrap", "Trapezoid"},     {"TsSigmoid", "Sigmoid"},    {"TsGaussian", "Gaussian"},
      {"TsDamped", "Damped Sine"}, {"TsExp", "Exponential"},    {"TsCustom", "Custom LUT"},
      {"tsCC_CV", "CC_CV"},
  };
  std::vector<std::string> names;
  for (const auto& [name, caption] : pages) {
    names.push_back(name);
    EXPECT_EQ(Row(name).caption, caption) << name;
  }
  EXPECT_EQ(ChildrenOf("PcParams"), names);
  // The active page names one of the control's own pages.
  EXPECT_EQ(Row("PcParams").text, "tsCC_CV");
  EXPECT_EQ(Row("GroupBoxChem").text, "tsChemistry");
}

TEST(LayoutTable, NumericFilterCoversExactlyTheListedEdits) {
  const std::set<std::string> numeric{
      "EdTotalMs",   "edtFs",          "EdClampMin",   "EdClampMax",      "edtV0",
      "edtVt",       "edtVRU",         "edtVRD",       "edtRU",           "edtRD",
      "EdSineMin",   "EdSineMax",      "EdSineF",      "EdGauMin",        "EdGauMax",
      "EdGauDur",    "EdGauMu",        "EdGauSigma",   "EdTriMin",        "EdTriMax",
      "EdTriRiseMs", "EdTriFallMs",    "EdTrapBaseA",  "EdTrapTopA",      "EdTrapRise",
      "EdTrapTopMs", "EdTrapFall",     "EdTrapBottomMs", "EdDampMin",     "EdDampMax",
      "EdDampF",     "EdDampTau",      "EdExpI0",      "EdExpI1",         "EdExpDur",
      "EdExpK",      "EdSigI0",        "EdSigI1",      "EdSigDur",        "EdSigK",
      "EdParaI0",    "EdParaI1",       "EdParaDur",    "EdParaCurv",      "EdLUTMin",
      "EdLUTMax",    "EdLUTDur",       "edtCC_A",      "edtVmax",         "edtICC",
      "edtIcut",     "edDisC",         "edtDisVCut",   "edtRestAfterCV",  "edtRestAfterDis",
      "edCellNomV",  "edCellCapAh",    "edCellRint",   "edCellMass",      "edCellCp",
      "edTempC",     "edTempmax",      "edtR0",        "edSeiEa",         "edSeiPlateV",
      "edAlphaOver", "edGammaJ",       "edRefArea",
  };
  ASSERT_EQ(numeric.size(), 68u);
  EXPECT_EQ(NamesWhere([](const LayoutRow& r) { return r.numeric; }), numeric);
  for (const std::string& name : numeric) {
    EXPECT_EQ(Row(name).kind, ControlKind::Edit) << name;
  }
}

TEST(LayoutTable, HintsOnExactlyTheListedControls) {
  const std::set<std::string> hinted{
      "EdTotalMs",   "edtFs",       "edtVt",          "edtV0",       "edtVRU",
      "edtVRD",      "edtVsteps",   "edtRU",          "edtRD",       "edtIStep",
      "EdGauMin",    "EdGauMax",    "EdGauSigma",     "EdGauMu",     "EdGauDur",
      "EdSineMin",   "EdSineMax",   "EdSineF",        "edtCC_A",     "edtVmax",
      "edtICC",      "edtIcut",     "EdTopA",         "EdBaseA",     "EdRise",
      "EdTop",       "EdFall",      "EdBase",         "edCellRint",  "edCellCapAh",
      "edCellNomV",  "edCellMass",  "edCellCp",       "edTempC",     "edTempmax",
      "edtR0",       "edSeiScale",  "edSeiRateBase",  "edSeiEa",     "edSeiPlateV",
      "edAlphaOver", "edGammaJ",    "edRefArea",      "EdTriMin",    "EdTriMax",
      "EdTriRiseMs", "EdTriFallMs", "EdTrapBaseA",    "EdTrapTopA",  "EdTrapRise",
      "EdTrapTopMs", "EdTrapFall",  "EdTrapBottomMs", "EdDampMin",   "EdDampMax",
      "EdDampF",     "EdDampTau",   "EdDampPhase",    "EdExpI0",     "EdExpI1",
      "EdExpDur",    "EdExpK",      "EdSigI0",        "EdSigI1",     "EdSigDur",
      "EdSigK",      "EdParaI0",    "EdParaI1",       "EdParaDur",   "EdParaCurv",
      "EdTanBase",   "EdTanPeak",   "EdTanRise",      "EdTanHold",   "EdTanFall",
      "EdLUTDur",    "EdLUTMin",    "EdLUTMax",       "EdClampMin",  "EdClampMax",
      "edDisC",      "edtDisVCut",  "edtRestAfterCV", "edtRestAfterDis",
  };
  ASSERT_EQ(hinted.size(), 84u);
  EXPECT_EQ(NamesWhere([](const LayoutRow& r) { return !r.hint.empty(); }), hinted);
  for (const std::string& name : hinted) {
    const std::string& hint = Row(name).hint;
    const auto bar = hint.find('|');
    ASSERT_NE(bar, std::string::npos) << name;
    EXPECT_GT(bar, 0u) << name << ": empty title";
    EXPECT_LT(bar + 1, hint.size()) << name << ": empty text";
    EXPECT_EQ(hint.find('|', bar + 1), std::string::npos) << name << ": second '|'";
  }
}

TEST(LayoutTable, TextsKeepTheirExactSpelling) {
  struct Case {
    const char* name;
    std::string LayoutRow::*field;
    const char* expected;
  };
  const Case cases[] = {
      {"EdTotalMs", &LayoutRow::label, "Max Formation time;(min)"},
      {"edtFs", &LayoutRow::label, "Power Surce Responce time (ms)"},
      {"chkVRamp", &LayoutRow::caption, "Use Gloabal Voltage Ramp"},
      {"GroupBox4", &LayoutRow::caption, "Currrent Parameter"},
      {"lblsineavg", &LayoutRow::caption, "Avarage Current: 1.2"},
      {"edtV0", &LayoutRow::label, "Begining Voltage"},
      {"edtVsteps", &LayoutRow::label, "V Step (min,A;....)"},
      {"edtR0", &LayoutRow::label, "External Series Resistance R0 (Ω):"},
      {"edCellRint", &LayoutRow::label, "Internal R [mΩ]"},
      {"chT", &LayoutRow::caption, "Temperature (°C)"},
      {"lblCalibHint", &LayoutRow::caption,
       "Enter 3 CC/CV anchor points (Low/Med/High), Targets: CE1 (%) and ΔR (mΩ)."},
      {"edChemFile", &LayoutRow::label, "SEI model:"},
      {"edSeiRateBase", &LayoutRow::text, "1e-9"},
      {"edAIQuery", &LayoutRow::placeholder, "Ask a question..."},
      {"cbJsonType", &LayoutRow::text, "Pattern (.hxpat)"},
      {"edtVsteps", &LayoutRow::hint,
       "V-Step Profile (min,V; ...)|Time-voltage step profile. Example: "
       "\"0,2.8; 30,3.2; 60,3.6\" — format: minute,volt separated by semicolons."},
      {"edtICC", &LayoutRow::hint,
       "I-CC Set (A)|CC phase current set-point — mirrors edtCC_A, used by runtime engine."},
      {"edtRestAfterDis", &LayoutRow::hint,
       "Rest After Dis (min)|Rest period after discharge before next cycle."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Row(c.name).*(c.field), c.expected) << c.name;
  }

  // No caption may carry the mis-decoded forms of Ω, Δ or °.
  for (const LayoutRow& row : LayoutTable()) {
    for (const std::string* s : {&row.label, &row.caption, &row.text, &row.hint}) {
      EXPECT_EQ(s->find("Î"), std::string::npos) << row.name;
      EXPECT_EQ(s->find("Â"), std::string::npos) << row.name;
    }
  }
  EXPECT_NE(Row("lblCalibHint").caption.find("mΩ"), std::string::npos);
}

TEST(LayoutTable, FlagsSetOnExactlyTheNamedControls) {
  using Pred = bool (*)(const LayoutRow&);
  const std::vector<std::pair<Pred, std::set<std::string>>> cases{
      {[](const LayoutRow& r) { return !r.visible; }, {"EdSinePhase", "lblCalibStatus"}},
      {[](const LayoutRow& r) { return !r.enabled; }, {"edSeiScale"}},
      {[](const LayoutRow& r) { return r.labelAlert; }, {"edtFs"}},
      {[](const LayoutRow& r) { return r.fullWidth; }, {"edtVsteps", "edtIStep", "EdBezPoints", "EdLUTPoints"}},
      {[](const LayoutRow& r) { return r.dropDownList; }, {"CbTanProfile", "CbTriMode", "cbSEI"}},
      {[](const LayoutRow& r) { return r.checked; }, {"chkVRamp", "chkIRamp", "chkSuperSoft"}},
      {[](const LayoutRow& r) { return r.readOnly; },
       {"memoAIResponse", "MemoSimStats1", "MemoSimStats2", "MemoChemMetrics"}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(NamesWhere(cases[i].first), cases[i].second) << "flag case " << i;
  }
}

TEST(LayoutTable, ComboSelectionMatchesItsText) {
  for (const LayoutRow& row : LayoutTable()) {
    if (row.kind != ControlKind::Combo) {
      EXPECT_TRUE(row.items.empty()) << row.name;
      continue;
    }
    ASSERT_FALSE(row.items.empty()) << row.name;
    ASSERT_GE(row.itemIndex, -1) << row.name;
    ASSERT_LT(row.itemIndex, static_cast<int>(row.items.size())) << row.name;
    // A drop-down list always shows its selected item.
    if (row.dropDownList) {
      ASSERT_GE(row.itemIndex, 0) << row.name;
      EXPECT_EQ(row.text, row.items[row.itemIndex]) << row.name;
    }
  }
  EXPECT_EQ(Row("cbVShape").items,
            (std::vector<std::string>{"Linear", "S-curve", "Parapolik", "Logaritmic"}));
  // Editable boxes keep a text of their own beside the selection.
  EXPECT_EQ(Row("cbIShape").itemIndex, 0);
  EXPECT_EQ(Row("cbIShape").text, "S-curve");
  EXPECT_EQ(Row("cbJsonType").itemIndex, -1);
  EXPECT_EQ(Row("cbJsonType").text, "Pattern (.hxpat)");
  EXPECT_EQ(Row("CbTanK").itemIndex, -1);
}

}  // namespace
}  // namespace voltaris
