// Normalisation and validation of session documents.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "common/debug_log.h"
#include "documents/document_error.h"
#include "documents/json_mapper.h"
#include "documents/sim_document.h"
#include "documents/sim_validation.h"

namespace voltaris {
namespace {

TSimRoot Read(const std::string& json) { return *TJsonBase::FromJsonText<TSimRoot>(json); }

// Captures the debug channel for the life of the object.
class DebugLines {
 public:
  DebugLines() : previous_(SetDebugListener([this](const std::string& l) { lines.push_back(l); })) {}
  ~DebugLines() { SetDebugListener(previous_); }
  std::vector<std::string> lines;

 private:
  DebugListener previous_;
};

std::string ValidationMessage(TSimRoot* sim) {
  try {
    ValidateSimOrRaise(sim);
  } catch (const DocumentError& e) {
    return e.what();
  }
  return "";
}

TEST(DocSimValidation, SchemaOnlyFileIsCompletedAndValid) {
  TSimRoot s = Read(R"({"schema":"hx-sim-1.1"})");
  DebugLines debug;
  EXPECT_EQ(ValidationMessage(&s), "");
  EXPECT_EQ(debug.lines, std::vector<std::string>{"VAL fs_hz=1000.000 total=3600.0"});

  EXPECT_EQ(*s.FTimebase, (TSimTimebase{.FFsHz = 1000, .FTTotalS = 3600}));
  EXPECT_EQ(*s.FLimits, (TSimLimits{.FImaxA = 120, .FVmaxV = 4.2, .FTmaxC = 55}));
  EXPECT_EQ(s.FTargets->FCVLiteHystmV, 15);
  EXPECT_EQ(*s.FRefs, (TSimRefs{.FPatternFile = "patterns\\sinus_51min_zero.hxpat",
                                .FChemFile = "chem\\lfp_default.hxchem",
                                .FDefaultsFile = "defaults\\lab_rig_v1.hxdef",
                                .FCalFile = "defaults\\lab_rig_v1.hxcal"}));
  const TObjectList<TCurrentStep> steps{
      {.FIMode = "CC", .FIValueA = 60, .FDurationS = 1800},
      {.FIMode = "CV-lite", .FVTargetV = 3.6, .FHystmV = 15, .FDurationS = 1800}};
  EXPECT_EQ(*s.FSteps->FCurrent, steps);
}

TEST(DocSimValidation, SchemaTags) {
  const struct {
    const char* json;
    const char* message;
  } cases[] = {
      {R"({})", ""},  // the constructor's tag stands in
      {R"({"schema":"HX-SIM-1.1"})", ""},
      {R"({"schema":"hx-sim-1.0"})", "Sim schema mismatch: hx-sim-1.0"},
      {R"({"schema":"hx-pat-1.0","timebase":{"fsHz":-1}})", "Sim schema mismatch: hx-pat-1.0"},
      {R"({"schema":null})", "Sim schema mismatch: "},
  };
  for (const auto& c : cases) {
    TSimRoot s = Read(c.json);
    EXPECT_EQ(ValidationMessage(&s), c.message) << c.json;
  }
}

TEST(DocSimValidation, NilSessionFailsWithoutDiagnosticLine) {
  DebugLines debug;
  EXPECT_EQ(ValidationMessage(nullptr), "Sim is nil");
  EXPECT_TRUE(debug.lines.empty());
  NormalizeSim(nullptr);  // nothing to do
}

TEST(DocSimValidation, NormalisationRepairsWhatItCanAndKeepsTheRest) {
  // Non-positive (and non-finite) essentials take their defaults; others stay.
  TSimRoot s = Read(R"({"timebase":{"fsHz":-5,"tTotalS":"1e999","rampInS":-3},
                        "limits":{"imaxA":0,"vmaxV":3.9,"tmaxC":-1},"targets":{"cVLiteHystmV":-2}})");
  s.FLimits->FVmaxV = std::numeric_limits<double>::quiet_NaN();
  ValidateSimOrRaise(&s);
  EXPECT_EQ(*s.FTimebase, (TSimTimebase{.FFsHz = 1000, .FTTotalS = 3600, .FRampInS = -3}));
  EXPECT_EQ(*s.FLimits, (TSimLimits{.FImaxA = 120, .FVmaxV = 4.2, .FTmaxC = 55}));
  EXPECT_EQ(s.FTargets->FCVLiteHystmV, 15);

  // A single step, of any mode, is kept as it is; so are references already set.
  TSimRoot one = Read(R"({"refs":{"chemFile":"my.hxchem"},
                          "steps":{"current":{"listHelper":[{"iMode":"CV","vTargetV":3.5}]}}})");
  NormalizeSim(&one);
  ASSERT_EQ(one.FSteps->FCurrent->size(), 1u);
  EXPECT_EQ((*one.FSteps->FCurrent)[0], (TCurrentStep{.FIMode = "CV", .FVTargetV = 3.5}));
  EXPECT_EQ(one.FRefs->FChemFile, "my.hxchem");
  EXPECT_EQ(one.FRefs->FCalFile, "defaults\\lab_rig_v1.hxcal");
}

TEST(DocSimValidation, NullObjectsAreRecreated) {
  // "refs" set to null used to leave nothing to fill the references into.
  TSimRoot s = Read(R"({"refs":null,"timebase":null,"limits":null,"targets":{"endCriteria":null},
                        "steps":{"current":null}})");
  ValidateSimOrRaise(&s);
  ASSERT_TRUE(s.FRefs);
  EXPECT_EQ(s.FRefs->FPatternFile, "patterns\\sinus_51min_zero.hxpat");
  EXPECT_EQ(s.FTimebase->FFsHz, 1000);
  EXPECT_EQ(s.FLimits->FImaxA, 120);
  EXPECT_TRUE(s.FTargets->FEndCriteria);
  EXPECT_EQ(s.FSteps->FCurrent->size(), 2u);

  TSimRoot bare;
  bare.FTargets = nullptr;
  bare.FSteps = nullptr;
  ValidateSimOrRaise(&bare);
  EXPECT_EQ(bare.FTargets->FCVLiteHystmV, 15);
  EXPECT_EQ(bare.FSteps->FCurrent->size(), 2u);
}

TEST(DocSimValidation, EmptyReferenceIsSavedWithoutKeyAndComesBackAsSeed) {
  TSimRoot s = TSimRoot::CreateV11();
  NormalizeSim(&s);
  s.FRefs->FCalFile.clear();
  const std::string text = TJsonBase::ToJsonText(s);
  EXPECT_EQ(text.find("calFile"), std::string::npos);
  TSimRoot back = Read(text);
  ValidateSimOrRaise(&back);
  EXPECT_EQ(back.FRefs->FCalFile, "defaults\\lab_rig_v1.hxcal");
}

}  // namespace
}  // namespace voltaris
