// The chemistry panel: a chemistry document shown in and read back from the panel, the
// chemistry library, the parameters completed before a run, the automatic SEI scale and
// the current table of a chemistry template.
#include <gtest/gtest.h>

#include "layout_values.h"

#include <filesystem>
#include <fstream>

#include "chemistry/chem_bridge.h"
#include "common/numbers.h"
#include "documents/chem_reader.h"
#include "form/recording_platform.h"
#include "window/chemistry_panel.h"
#include "window/form_preview.h"
#include "workspace/hx_facade.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;

// The chemistry library shipped beside the program.
const fs::path kResources = fs::path(__FILE__).parent_path().parent_path().parent_path() / "resources";

// Runs the body with the user's decimal separator set to ',' and puts it back after.
struct CommaSeparator {
  char old = UserDecimalSeparator();
  CommaSeparator() { SetUserDecimalSeparator(','); }
  ~CommaSeparator() { SetUserDecimalSeparator(old); }
};

fs::path WriteFile(const std::string& name, const std::string& text) {
  const fs::path dir = fs::path(::testing::TempDir()) / "chem_panel";
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::trunc) << text;
  return dir / name;
}

class ChemistryPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_.programDir = kResources;
    form_.FormCreate();
    RestoreLayoutValues(f());
    form_.LoadChemPresets();
  }
  void TearDown() override { THxFacade::SetProgramDir({}); }
  FormModel& f() { return form_.Form(); }
  const std::string& Text(const char* name) { return f().Text(name); }

  RecordingPlatform platform_;
  TFormPreview form_{platform_};
};

TEST_F(ChemistryPanelTest, APanelShowsItsDocument) {
  f().SetText("edAlphaOver", "0.33");
  f().SetText("edtVmax", "3.6");
  form_.ChemToUI(form_.GChem.get());  // the built-in LFP cell
  const std::pair<const char*, const char*> shown[] = {
      {"edCellNomV", "3.2"},     {"edCellCapAh", "5"},  {"edCellRint", "15"},      {"edCellMass", "70"},
      {"edCellCp", "0.9"},       {"edAlpha", "4"},      {"edSeiRateBase", "1.500E-011"},
      {"edSeiEa", "0.48"},       {"edSeiPlateV", "2.8"}, {"edTempC", "25"},        {"edTempmax", "55"},
      {"edtTemp", "2"},          {"edAlphaOver", "0.33"}, {"edtVmax", "3.6"},  // these two are not shown
  };
  for (const auto& [edit, text] : shown) EXPECT_EQ(Text(edit), text) << edit;

  // Without SEI scales the family decides; without a plausible maximum voltage too.
  struct Case {
    const char* chemistry;
    double vMax;
    const char* alpha;
    const char* vmaxShown;
  } cases[] = {
      {"NMC622_pouch", 4.25, "7", "4.25"}, {"xLTO-cell", 0, "2", "2.8"},    {"LFP_21700", 1.9, "4", "3.65"},
      {"NMC811", 3.65, "12", "3.65"},      {"Sodium", 0, "8", "4.2"},      {"NCA_18650", 4.2, "10", "4.2"},
  };
  for (const Case& c : cases) {
    form_.GChem = TChemRoot::CreateDefaultLFP();
    form_.GChem->FChemistry = c.chemistry;
    form_.GChem->FCell->FNmPerAh = 0;
    form_.GChem->FSeiModel->FScaleToNm = 0;
    form_.GChem->FLimits->FVMax_V = c.vMax;
    form_.UpdateChemUIFromModel();
    EXPECT_EQ(Text("edAlpha"), c.alpha) << c.chemistry;
    EXPECT_EQ(Text("edtVmax"), c.vmaxShown) << c.chemistry;
    EXPECT_EQ(Text("edAlphaOver"), "0.1");  // shown by the full refresh
    EXPECT_EQ(Text("edRefArea"), "4");
  }

  const CommaSeparator comma;
  form_.GChem = TChemRoot::CreateDefaultLFP();
  form_.UpdateChemUIFromModel();
  EXPECT_EQ(Text("edCellNomV"), "3,2");
  EXPECT_EQ(Text("edSeiRateBase"), "1,500E-011");
  EXPECT_EQ(Text("edtVmax"), "3,65");
}

TEST_F(ChemistryPanelTest, ThePanelGoesBackIntoTheDocument) {
  form_.GChem = nullptr;
  f().SetText("edCellCapAh", "2.5");
  f().SetText("edCellRint", "abc");  // unreadable: the document keeps its value
  f().SetText("edSeiRateBase", "2.5E-011");
  f().SetText("edGammaJ", "0.9");
  f().SetText("edtTemp", "0.75");
  f().SetText("edAlpha", "99");  // the SEI scale is not read back
  form_.UIToChem(form_.GChem);
  ASSERT_TRUE(form_.GChem);  // created as the built-in LFP cell
  const TChemRoot& c = *form_.GChem;
  EXPECT_EQ(c.FChemistry, "LFP_21700");
  EXPECT_EQ(c.FCell->FCapacityAh, 2.5);
  EXPECT_EQ(c.FCell->FRInternal_mOhm, 15.0);
  EXPECT_EQ(c.FCell->FNmPerAh, 4.0);
  EXPECT_EQ(c.FSeiModel->FRateBase, 2.5e-11);
  EXPECT_EQ(c.FSeiModel->FGammaCurrent, 0.9);
  EXPECT_EQ(c.FSeiModel->FScaleToNm, 20.0);
  EXPECT_EQ(c.FThermal->FHConv_W_per_K, 0.75);
  EXPECT_EQ(c.FLimits->FVMax_V, 3.65);

  // The summary saved with a chemistry takes the panel's temperatures and SEI scale.
  f().SetText("edTempC", "30");
  f().SetText("edTempmax", "oops");
  f().SetText("edAlpha", "7.5");
  const TChemSummary engine = ChemGetSummary();
  const TChemSummary summary = form_.CollectChemFromUI();
  EXPECT_EQ(summary.Name, engine.Name);
  EXPECT_EQ(summary.CapacityAh, engine.CapacityAh);
  EXPECT_EQ(summary.AmbientC, 30.0);
  EXPECT_EQ(summary.MaxTempC, engine.MaxTempC);
  EXPECT_EQ(summary.SeiScale_NmPerAh, 7.5);

  // What the panel shows reads back unchanged.
  const TChemRoot shownDoc = c;
  form_.UpdateChemUIFromModel();
  form_.UIToChem(form_.GChem);
  EXPECT_EQ(*form_.GChem, shownDoc);
}

TEST_F(ChemistryPanelTest, RunParametersAreCompletedFromThePanel) {
  struct Case {
    const char* hConv;
    double rth;
  } cases[] = {{"1.8", 1 / 1.8}, {"0", 0.5}, {"warm", 0.5}};  // 0.5 K/W from the document's 2 W/K
  for (const Case& c : cases) {
    form_.FChemP = TChemParams{};
    form_.GChem = TChemRoot::CreateDefaultLFP();
    f().SetText("edtTemp", c.hConv);
    f().SetText("edTempC", "31");
    f().SetText("edSeiRateBase", "1e-9");
    f().SetText("edSeiEa", "0.52");
    form_.EnsureChemParamsReady();
    EXPECT_DOUBLE_EQ(form_.FChemP.Rth_KpW, c.rth) << c.hConv;
    EXPECT_EQ(form_.FChemP.Tamb_C, 31.0);
    EXPECT_EQ(form_.FChemP.Cth_JpK, 63.0);  // 70 g * 0.9 J/gK
    EXPECT_EQ(form_.FChemP.kSEI_0, 1e-9);
    EXPECT_EQ(form_.FChemP.Ea_eV, 0.52);
    EXPECT_DOUBLE_EQ(form_.FChemP.Ea_Jpmol, 0.48 * 96485);  // from the document
    EXPECT_EQ(form_.FChemP.gamma_I, 0.8);
    EXPECT_FALSE(form_.FChemP.OCV.empty());
  }
  form_.GChem = nullptr;
  form_.FChemP = TChemParams{};
  form_.EnsureChemParamsReady();
  EXPECT_EQ(form_.FChemP.Qn_Ah, 5.0);  // the built-in LFP set
  EXPECT_EQ(form_.FChemP.xTarget_nm, 115.0);
}

TEST_F(ChemistryPanelTest, CellCapacityReadsACommaAnywhere) {
  const std::pair<const char*, double> cases[] = {
      {"2,5", 2.5}, {" 2.5 ", 2.5}, {"0", 60}, {"", 60}, {"abc", 60}, {"-3", 60}, {"1e1", 10}};
  for (const auto& [text, ah] : cases) {
    f().SetText("edCellCapAh", text);
    EXPECT_EQ(form_.ReadCellCapAhFromUI(), ah) << text;
    const CommaSeparator comma;
    EXPECT_EQ(form_.ReadCellCapAhFromUI(), ah) << text << " with a decimal comma";
  }
}

TEST_F(ChemistryPanelTest, AutoScaleFitsTheSeiScaleToTheLastRun) {
  form_.FSerSEI->Add(0, 3);
  struct Case {
    const char* chemistry;
    double deliveredAh;
    const char* scale;  // nullptr: the message instead
  } cases[] = {
      {" LFP_21700 ", 0.5, "24"},  // 12 nm target
      {"LFP_18650", 0.5, "40"},    // not in the list: 20 nm
      {"nca", 0.25, "280"},
      {"NMC811_21700", 0.0, nullptr},
  };
  for (const Case& c : cases) {
    form_.GChem = TChemRoot::CreateDefaultLFP();
    form_.GChem->FChemistry = c.chemistry;
    form_.FLastDeliveredAh = c.deliveredAh;
    platform_.messages.clear();
    f().UserClick("btnAutoSEIScale");
    if (c.scale != nullptr) {
      EXPECT_TRUE(platform_.messages.empty());
      EXPECT_EQ(Text("edSeiScale"), c.scale);
      EXPECT_EQ(Text("edAlpha"), c.scale);
      EXPECT_EQ(form_.GChem->FCell->FNmPerAh, std::stod(c.scale));
      EXPECT_EQ(form_.GChem->FSeiModel->FScaleToNm, std::stod(c.scale));
    } else {
      ASSERT_EQ(platform_.messages.size(), 1u);
      EXPECT_EQ(platform_.messages[0].text, "Auto scale needs a finished run (Q_SEI = 0). Run the sim first.");
    }
  }
  form_.FSerSEI->Clear();  // no SEI points: nothing at all
  platform_.messages.clear();
  f().UserClick("btnAutoSEIScale");
  EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(ChemistryPanelTest, AnAutoScaledSeiScaleCarriesIntoTheNextRuns) {
  f().SetActivePage("PcParams", "TsSine");
  f().UserClick("btnStart");
  EXPECT_EQ(form_.FChemP.SEI_scale_nm_Ah, 4.0);  // the chemistry file's
  form_.FinishRun();
  ASSERT_GT(form_.FLastDeliveredAh, 0.0);
  f().UserClick("btnAutoSEIScale");
  const double fitted = 12 / form_.FLastDeliveredAh;
  for (int run = 0; run < 2; ++run) {
    f().UserClick("btnStart");
    EXPECT_DOUBLE_EQ(form_.FChemP.SEI_scale_nm_Ah, fitted) << run;
    EXPECT_DOUBLE_EQ(form_.GChem->FCell->FNmPerAh, fitted) << run;
  }
  f().UserSelect("cbSEI", 2);  // picking a chemistry takes its own scale again
  f().UserClick("btnStart");
  EXPECT_EQ(form_.FChemP.SEI_scale_nm_Ah, 4.0);
}

TEST_F(ChemistryPanelTest, TemplateTablesFeedTheCustomLutCurrent) {
  const TPatternShapes& shapes = form_.waveform.shapes;
  struct Case {
    const char* what;
    std::string json;
    bool ok;
    std::vector<double> lut;
    double imin, imax;
  } cases[] = {
      {"values clamped, strings with a comma",
       R"({"schema":"HALVORA.chem_template.v0","recommended":{"imin_a":2,"imax_a":"4,5","cycle_period_ms":200},)"
       R"("lut":{"values":[1.2,-0.1,"0,5",true]}})",
       true, {1, 0, 0.5, 0}, 2, 4.5},
      {"no cycle period: the range is still taken",
       R"({"schema":"halvora.chem_template.v0","recommended":{"imin_a":1.5,"imax_a":3},"lut":{"values":[0,1]}})",
       false, {}, 1.5, 3},
      {"one value", R"({"schema":"halvora.chem_template.v0","recommended":{"cycle_period_ms":100},"lut":{"values":[1]}})",
       false, {}, 0, 1},
      {"another schema", R"({"schema":"hx-chem-1.0","recommended":{"cycle_period_ms":100}})", false, {}, 0, 1},
      {"not JSON", "lut: 1, 2", false, {}, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form_.waveform.shapes.FChemImin = 0;
    form_.waveform.shapes.FChemImax = 1;
    for (bool comma : {false, true}) {
      const char old = UserDecimalSeparator();
      if (comma) SetUserDecimalSeparator(',');
      EXPECT_EQ(form_.TryLoadChemTemplate(WriteFile("template.json", c.json).string()), c.ok);
      SetUserDecimalSeparator(old);
      EXPECT_EQ(shapes.FChemValid, c.ok);
      EXPECT_EQ(shapes.FChemLUT, c.lut);
      EXPECT_EQ(shapes.FChemImin, c.imin);
      EXPECT_EQ(shapes.FChemImax, c.imax);
    }
  }
  EXPECT_FALSE(form_.TryLoadChemTemplate((fs::path(::testing::TempDir()) / "no_such.json").string()));

  // Four values, 200 ms, 2..5 A (the Custom LUT entries agree): no interpolation at run time.
  ASSERT_TRUE(form_.TryLoadChemTemplate(
      WriteFile("four.json", R"({"schema":"halvora.chem_template.v0","recommended":{"imin_a":2,"imax_a":5,)"
                             R"("cycle_period_ms":200},"lut":{"values":[0,0.25,0.5,1]}})")
          .string()));
  EXPECT_DOUBLE_EQ(form_.ChemLutAtTime(0.12), 3.5);  // phase 0.6: index 2
  EXPECT_DOUBLE_EQ(form_.ChemLutAtTime(0.2), 2.0);   // the next cycle: index 0
}

TEST_F(ChemistryPanelTest, AnAppliedTemplateShowsOnTheCustomLutPage) {
  const fs::path file = WriteFile(
      "applied.json", R"({"schema":"halvora.chem_template.v0","recommended":{"imin_a":"1,25","imax_a":4.5,)"
                      R"("cycle_period_ms":"249,6"},"lut":{"values":[0,0.4,1]}})");
  const CommaSeparator comma;
  THxFacade::LoadChem(file.string());  // the workspace remembers the template
  ASSERT_TRUE(form_.TryLoadChemTemplate(file.string()));
  form_.ApplyChemTemplateToUI();
  EXPECT_EQ(f().Get("PcParams").ActivePage(), "TsCustom");
  EXPECT_EQ(Text("EdLUTDur"), "250");
  EXPECT_EQ(Text("EdLUTMin"), "1,25");
  EXPECT_EQ(Text("EdLUTMax"), "4,5");
  EXPECT_EQ(Text("EdLUTPoints"), "(LUT loaded)");
  EXPECT_TRUE(form_.FHasImportedLUT);
  EXPECT_EQ(form_.FImportedLUT, (std::vector<double>{0, 0.4, 1}));
  EXPECT_DOUBLE_EQ(form_.ChemLutAtTime(0.1), 1.25 + 0.4 * 3.25);  // phase 0.4 of 250 ms: index 1
}

TEST_F(ChemistryPanelTest, TheLibraryIsListedByFamilyAndAPickIsTheNextRunsChemistry) {
  EXPECT_EQ(f().Get("cbSEI").Items(), (std::vector<std::string>{
                                          "[LFP]",
                                          "  LFP \xE2\x80\x93 LFP_100Ah",
                                          "  LFP \xE2\x80\x93 LFP_21700",
                                          "[LTO]",
                                          "  LTO \xE2\x80\x93 LTO_20Ah",
                                          "[NCA]",
                                          "  NCA \xE2\x80\x93 NCA_18650",
                                          "  NCA \xE2\x80\x93 NCA_21700",
                                          "[NMC811]",
                                          "  NMC811 \xE2\x80\x93 NMC811_21700",
                                      }));
  f().UserSelect("cbSEI", 0);  // a family header picks nothing
  EXPECT_EQ(form_.GChem->FChemistry, "LFP_21700");

  f().UserSelect("cbSEI", 9);
  EXPECT_EQ(form_.GChem->FChemistry, "NMC811_21700");
  EXPECT_EQ(Text("edChemFile"), "NMC811_21700.hxchem");
  EXPECT_EQ(Text("edCellNomV"), "3.63");
  EXPECT_EQ(Text("edtVmax"), "4.2");
  EXPECT_EQ(form_.FLastZaruVedh, (kResources / "chem" / "NMC811_21700.hxchem").string());
  EXPECT_TRUE(form_.FChemP.OCV.empty());  // derived afresh at the next run

  f().UserClick("btnStart");
  EXPECT_TRUE(form_.FIsRunning);
  EXPECT_TRUE(form_.FRunChemLoaded);
  EXPECT_EQ(form_.GChem->FChemistry, "NMC811_21700");
  EXPECT_EQ(form_.FChemP.Vmax, 4.2);
  EXPECT_EQ(form_.FChemP.SEI_scale_nm_Ah, 12.0);
  form_.FinishRun();
  EXPECT_EQ(form_.FLastMetrics.CellType, "NMC811_21700 5Ah");
}

TEST(ChemistryLibrary, EveryDocumentIsAPlausibleCell) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(kResources / "chem")) {
    const std::string stem = entry.path().stem().string();
    SCOPED_TRACE(stem);
    const TChemRoot doc = LoadChem(entry.path().string());
    EXPECT_EQ(doc.FChemistry, stem);  // families, auto scale and the report go by this name
    const TChemParams p = ChemRootToParams(&doc);
    EXPECT_GT(p.Qn_Ah, 0.0);
    EXPECT_GT(p.R0, 0.0);
    EXPECT_LT(p.R0 * p.Qn_Ah, 0.2);  // ohm * Ah: from 0.02 (LTO 20 Ah) to 0.13 (NCA 18650)
    EXPECT_GT(p.Vmax, p.Vmin);
    ASSERT_FALSE(p.OCV.empty());
    EXPECT_NEAR(p.OCV.back().y, p.Vmax, 0.15);  // the family's OCV reaches the charge limit
    EXPECT_GT(doc.FCell->FNominalV, p.OCV.front().y);
    EXPECT_LT(doc.FCell->FNominalV, p.Vmax);
    EXPECT_GT(doc.FCell->FNmPerAh, 0.0);
    EXPECT_GT(p.xTarget_nm, p.x0_nm);
    EXPECT_GT(p.Cth_JpK, 1.0);
    EXPECT_GT(p.Rth_KpW, 0.0);
    ++count;
  }
  EXPECT_EQ(count, 6);
}

TEST(ChemistryFolder, OwnFolderThenTheAssetFolderTwoLevelsUp) {
  const fs::path root = fs::path(::testing::TempDir()) / "chem_dir";
  fs::remove_all(root);
  const fs::path program = root / "build" / "bin";
  fs::create_directories(program);
  THxFacade::SetProgramDir(program);
  EXPECT_EQ(GetChemDir(), (root / "assest" / "chem").string());  // none exists
  fs::create_directories(root / "assest" / "Chem");
  EXPECT_EQ(GetChemDir(), (root / "assest" / "Chem").string());
  fs::create_directories(program / "chem");
  EXPECT_EQ(GetChemDir(), (program / "chem").string());
  THxFacade::SetProgramDir({});
}

TEST(ChemistryNumbers, TolerantReadingOfTemplateValues) {
  const auto doc = nlohmann::ordered_json::parse(R"({"a":1.5,"b":"2,5","c":"x","d":true,"e":null})");
  const std::pair<const char*, double> members[] = {{"a", 1.5}, {"b", 2.5}, {"c", -1}, {"d", -1}, {"e", -1}, {"z", -1}};
  for (const auto& [name, v] : members) EXPECT_EQ(JFloatAny(&doc, name, -1), v) << name;
  EXPECT_EQ(JFloatAny(nullptr, "a", 7), 7.0);

  const auto arr = nlohmann::ordered_json::parse(R"([3, " 0,25 ", "n", false])");
  const std::tuple<long long, bool, double> elements[] = {{0, true, 3}, {1, true, 0.25}, {2, false, 0},
                                                          {3, false, 0}, {4, false, 0},   {-1, false, 0}};
  for (const auto& [i, ok, v] : elements) {
    double value = 99;
    EXPECT_EQ(ArrFloatAny(&arr, i, value), ok) << i;
    EXPECT_EQ(value, v) << i;
  }
  double value = 99;
  EXPECT_FALSE(ArrFloatAny(nullptr, 0, value));
}

TEST(ChemistryNumbers, PanelNumberTexts) {
  const std::pair<double, const char*> sci[] = {
      {1.5e-11, "1.500E-011"}, {1e-9, "1.000E-009"},     {12345, "1.235E+004"},  // half away from zero
      {0, "0.000E+000"},       {-2.5e-3, "-2.500E-003"}, {9.9996e-3, "1.000E-002"}, {1e-300, "1.000E-300"}};
  for (const auto& [v, text] : sci) EXPECT_EQ(FormatSci3(v), text);
  const std::pair<double, const char*> general[] = {
      {3, "3"}, {0.1, "0.1"}, {1.5e-11, "1.5E-11"}, {24.000000000000004, "24"}, {1e15, "1E15"}, {-0.25, "-0.25"}};
  for (const auto& [v, text] : general) EXPECT_EQ(FormatGeneral(v), text);
  // With a decimal comma the panel writes commas, and reads them back.
  const CommaSeparator comma;
  EXPECT_EQ(FormatSci3(1.5e-11), "1,500E-011");
  EXPECT_EQ(FormatGeneral(0.45), "0,45");
  EXPECT_EQ(SafeStrToF(FormatSci3(1.5e-11), -1), 1.5e-11);
}

}  // namespace
}  // namespace voltaris
