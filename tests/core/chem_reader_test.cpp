// The tolerant chemistry reader and the chemistry template import.
#include <gtest/gtest.h>

#include "test_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "common/numbers.h"
#include "documents/chem_reader.h"
#include "documents/chem_template_import.h"
#include "documents/document_error.h"
#include "documents/json_mapper.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(__FILE__).parent_path() / "data" / "documents";

TEST(DocChemReader, ChemistryDocumentStartsFromTheLfpDefaults) {
  TChemRoot expected = TChemRoot::CreateDefaultLFP();
  expected.FCell->FCapacityAh = 2.5;
  EXPECT_EQ(LoadChemFromText(R"({"schema":"hx-chem-1.0","cell":{"capacity_ah":2.5}})"), expected);
  // Tag in any case; the result always carries the program's tag.
  const TChemRoot upper = LoadChemFromText(R"({"schema":"HX-CHEM-1.0","version":"2.0","chemistry":"NMC"})");
  EXPECT_EQ(upper.FSchema, "hx-chem-1.0");
  EXPECT_EQ(upper.FVersion, "2.0");
  EXPECT_EQ(upper.FChemistry, "NMC");
  // The seed file reads as the LFP values.
  EXPECT_EQ(LoadChem((kData / "lfp_default.hxchem").string()), TChemRoot::CreateDefaultLFP());
}

TEST(DocChemReader, SnakeCaseMembers) {
  const TChemRoot c = LoadChemFromText(R"({"schema":"hx-chem-1.0",
      "cell":{"nominal_v":1,"capacity_ah":2,"r_internal_mohm":3,"mass_g":4,"heat_capacity_j_per_gk":5,
              "nm_per_ah":6},
      "sei_model":{"rate_base":7,"activation_energy_ev":8,"scale_to_nm":9,"alpha_over":10,
                   "gamma_current":11,"ref_area_cm2":12,"plating_thresh_v":13,"x0_nm":14,"xTarget_nm":15},
      "thermal":{"ambient_c":16,"max_temp_c":17,"h_conv_w_per_k":18},
      "limits":{"v_min_v":19,"v_max_v":20,"i_max_a":21}})");
  EXPECT_EQ(*c.FCell, (TCellParams{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(*c.FSeiModel, (TSeiModel{7, 8, 9, 10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(*c.FThermal, (TThermalParams{.FMaxTemp_C = 17, .FAmbient_C = 16, .FHConv_W_per_K = 18}));
  EXPECT_EQ(*c.FLimits, (TLimits{19, 20, 21}));
}

TEST(DocChemReader, DocumentWrittenByTheProgramReadsBackWithItsValues) {
  TChemRoot written = TChemRoot::CreateDefaultLFP();
  written.FChemistry = "NMC811_cellA";
  *written.FCell = {3.6, 4.8, 22, 68, 1.1, 5};
  *written.FSeiModel = {2e-11, 0.5, 25, 0.2, 0.7, 3.5, 2.9, 2, 50};
  *written.FThermal = {60, 20, 1.5};
  *written.FLimits = {2.7, 4.2, 8};
  EXPECT_EQ(LoadChemFromText(TJsonBase::ToJsonText(written)), written);

  // Where both spellings are present, the snake_case one wins.
  const TChemRoot both = LoadChemFromText(
      R"({"schema":"hx-chem-1.0","sei_model":{"x0_nm":1},"seiModel":{"x0_nm":2,"scaleToNm":3},
          "cell":{"nominal_v":3.3,"nominalV":3.1}})");
  EXPECT_EQ(both.FSeiModel->FX0_nm, 1);
  EXPECT_EQ(both.FSeiModel->FScaleToNm, 3);
  EXPECT_EQ(both.FCell->FNominalV, 3.3);
}

TEST(DocChemReader, Failures) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "Chem JSON parse failed"},
      {"[1]", "Chem JSON parse failed"},
      {"{\"schema\":", "Chem JSON parse failed"},
      {R"({"schema":"hx-pat-1.0"})", "Chem file schema mismatch: hx-pat-1.0"},
      {R"({"chemistry":"LFP"})", "Chem file schema mismatch: "},
      {R"({"schema":"hx-chem-1.0","cell":{"capacity_ah":"2.5"}})",
       "Invalid conversion: chemistry value \"cell.capacity_ah\" is not a number"},
      {R"({"schema":"hx-chem-1.0","cell":{"capacityAh":null}})",
       "Invalid conversion: chemistry value \"cell.capacityAh\" is not a number"},
      {R"({"schema":"hx-chem-1.0","limits":[1]})",
       "Invalid conversion: chemistry value \"limits\" is not an object"},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageOf([&] { LoadChemFromText(c.text); }), c.message) << c.text;
  EXPECT_THROW(LoadChem((kData / "no_such_file.hxchem").string()), DocumentError);
}

constexpr const char* kTemplate = R"({"schema":"Halvora.Chem_Template.V0",
    "recommended":{"imin_a":0.5,"imax_a":"4,5","f_hz":"2.5"},
    "cell":{"nominal_voltage_v":3.7,"nominal_capacity_ah":3,"electrode_area_cm2":0},
    "lut":{"values":[0,0.5,1]}})";

TEST(DocChemReader, TemplateValuesTakeTheCommaAsDecimalPointWhateverTheUserSeparator) {
  const char saved = UserDecimalSeparator();
  for (char sep : {'.', ','}) {
    SetUserDecimalSeparator(sep);
    const TChemTemplateExtras x = ChemTemplateV0FromText(kTemplate);
    EXPECT_TRUE(x.Ok);
    EXPECT_EQ(x.IminA, 0.5);
    EXPECT_EQ(x.ImaxA, 4.5) << sep;
    EXPECT_EQ(x.FreqHz, 2.5) << sep;
    EXPECT_EQ(x.NominalV, 3.7);
    EXPECT_EQ(x.CapacityAh, 3);
    EXPECT_TRUE(x.HasLUT);
    EXPECT_EQ(x.LUT, (std::vector<double>{0, 0.5, 1}));
  }
  SetUserDecimalSeparator(saved);
}

TEST(DocChemReader, TemplateReading) {
  const struct {
    const char* text;
    bool ok;
    const char* err;
    bool hasLut;
    size_t lutSize;
  } cases[] = {
      {R"({"schema":"halvora.chem_template.v0"})", true, "", false, 0},
      {R"({"schema":"halvora.chem_template.v0","lut":{"values":[]}})", true, "", true, 0},
      {R"({"schema":"halvora.chem_template.v0","lut":{"values":{"a":1}}})", true, "", false, 0},
      {R"({"schema":"halvora.chem_template.v0","recommended":[1],"cell":"x"})", true, "", false, 0},
      {R"({"schema":"hx-chem-1.0"})", false, "schema mismatch", false, 0},
      {R"({"recommended":{}})", false, "schema mismatch", false, 0},
      {"[]", false, "JSON parse failed", false, 0},
      {"not json", false, "JSON parse failed", false, 0},
  };
  for (const auto& c : cases) {
    const TChemTemplateExtras x = ChemTemplateV0FromText(c.text);
    EXPECT_EQ(x.Ok, c.ok) << c.text;
    EXPECT_EQ(x.Err, c.err) << c.text;
    EXPECT_EQ(x.HasLUT, c.hasLut) << c.text;
    EXPECT_EQ(x.LUT.size(), c.lutSize) << c.text;
    EXPECT_EQ(x.ImaxA, 0) << c.text;
  }
  EXPECT_THROW(ChemTemplateV0FromText(R"({"schema":"halvora.chem_template.v0","lut":{"values":[1,"2"]}})"),
               DocumentError);

  const fs::path file = fs::temp_directory_path() / ("voltaris_tpl_" + std::to_string(::getpid()) + ".json");
  std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF" << kTemplate;
  const TChemTemplateExtras fromFile = LoadChemTemplateV0FromFile(file.string());
  fs::remove(file);
  EXPECT_EQ(fromFile, ChemTemplateV0FromText(kTemplate));
}

TEST(DocChemReader, TemplateGivesCellValuesAndBecomesTheLastTemplate) {
  const TChemRoot c = LoadChemFromText(kTemplate);
  TChemRoot expected = TChemRoot::CreateDefaultLFP();
  expected.FCell->FNominalV = 3.7;
  expected.FCell->FCapacityAh = 3;
  expected.FLimits->FIMax_A = 4.5;  // the electrode area of 0 leaves the reference area
  EXPECT_EQ(c, expected);
  const TChemTemplateExtras last = GetLastChemTemplate();
  EXPECT_EQ(last, ChemTemplateV0FromText(kTemplate));

  // A maximum current of 0 keeps the LFP limit.
  EXPECT_EQ(LoadChemFromText(R"({"schema":"halvora.chem_template.v0","recommended":{"imax_a":0}})")
                .FLimits->FIMax_A,
            10);
  const TChemTemplateExtras zero = GetLastChemTemplate();
  EXPECT_TRUE(zero.Ok);
  EXPECT_EQ(zero.ImaxA, 0);

  // Neither a plain chemistry document nor a failed load changes the record.
  LoadChemFromText(kTemplate);
  LoadChemFromText(R"({"schema":"hx-chem-1.0"})");
  EXPECT_THROW(LoadChemFromText(R"({"schema":"halvora.chem_template.v0","lut":{"values":[null]}})"),
               DocumentError);
  EXPECT_THROW(LoadChemFromText(R"({"schema":"other"})"), DocumentError);
  EXPECT_EQ(GetLastChemTemplate(), last);
}

}  // namespace
}  // namespace voltaris
