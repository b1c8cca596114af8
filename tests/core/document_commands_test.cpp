// The document commands (Load/New/Save Json), and the window's start-up and shutdown with
// the last files kept in the settings file. Each test has its own workspace, program
// folder and settings file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/debug_log.h"
#include "common/numbers.h"
#include "config/ini_file.h"
#include "documents/json_mapper.h"
#include "form/recording_platform.h"
#include "test_support.h"
#include "window/chemistry_panel.h"
#include "window/form_preview.h"
#include "workspace/hx_facade.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;


std::string DefaultText(TJsonKind kind) {
  return std::visit([](const auto& d) { return TJsonBase::ToJsonText(d); },
                    TDocumentCommands::CreateDefaultObjectForKind(kind));
}

// A chemistry document with its own name and capacity.
TChemRoot Chemistry(const std::string& name, double capacityAh) {
  TChemRoot chem = TChemRoot::CreateDefaultLFP();
  chem.FChemistry = name;
  chem.FCell->FCapacityAh = capacityAh;
  return chem;
}

constexpr const char* kTemplate = R"({"schema":"halvora.chem_template.v0",
  "recommended":{"imin_a":0.5,"imax_a":2.25,"cycle_period_ms":1500},
  "lut":{"values":[0,0.5,1]}})";

class DocumentCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("voltaris_docs_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "prog");
    fs::create_directories(dir_ / "files");
    xdg_.emplace("XDG_DATA_HOME", (dir_ / "xdg").string());
    ini_.emplace("VOLTARIS_INI", IniFile().string());
    platform_.programDir = dir_ / "prog";
    form_ = std::make_unique<TFormPreview>(platform_);
  }
  void TearDown() override {
    form_.reset();
    THxFacade::SetProgramDir({});
    ini_.reset();
    xdg_.reset();
    fs::remove_all(dir_);
  }

  fs::path IniFile() const { return dir_ / "settings" / "Kelvane.ini"; }
  fs::path File(const std::string& name) const { return dir_ / "files" / name; }
  FormModel& F() { return form_->Form(); }

  void Start() {
    form_->FormCreate();
    form_->FormShow();
  }
  // A second program run on the same workspace and settings.
  void Restart() {
    form_->FormDestroy();
    form_.reset();
    platform_.messages.clear();
    form_ = std::make_unique<TFormPreview>(platform_);
    Start();
  }
  // Clicks a document button; the file dialog answers `answer` (nothing: cancelled).
  void Click(const char* button, const std::optional<fs::path>& answer) {
    platform_.QueueDialogAnswer(answer ? std::optional<std::string>(answer->string()) : std::nullopt);
    F().UserClick(button);
  }
  void Select(int index) { F().SetItemIndex("cbJsonType", index); }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : platform_.messages) out.push_back(m.text);
    return out;
  }
  // The text of every edit and combo box, to show that a failed command changed nothing.
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const auto& c : F().Controls())
      if (c->Kind() == ControlKind::Edit || c->Kind() == ControlKind::Combo)
        out.push_back(c->Name() + "=" + c->Text() + "#" + std::to_string(c->ItemIndex()));
    return out;
  }

  fs::path dir_;
  std::optional<EnvGuard> xdg_, ini_;
  RecordingPlatform platform_;
  std::unique_ptr<TFormPreview> form_;
};

TEST(DocumentKinds, EachKindHasItsFilterAndDefaultExtension) {
  const std::string hx = "|All HX files|*.hxsim;*.hxpat;*.hxchem;*.hxcal|All files (*.*)|*.*";
  struct Case {
    TJsonKind kind;
    const char* ext;
    std::string filter;
  };
  const Case cases[] = {{jkSess, ".hxsim", "Session (*.hxsim)|*.hxsim" + hx},
                        {jkPat, ".hxpat", "Pattern (*.hxpat)|*.hxpat" + hx},
                        {jkChem, ".hxchem", "Chemistry (*.hxchem)|*.hxchem" + hx},
                        {jkCal, ".hxcal", "Calibration (*.hxcal)|*.hxcal" + hx}};
  for (const Case& c : cases) {
    std::string filter, ext;
    TDocumentCommands::SetupFilterForKind(c.kind, filter, ext);
    EXPECT_EQ(filter, c.filter);
    EXPECT_EQ(ext, c.ext);
  }
  TJsonKind kind = jkPat;
  EXPECT_TRUE(TDocumentCommands::KindFromExtension("/a/b/LAB.HxCal", kind));
  EXPECT_EQ(kind, jkCal);
  EXPECT_TRUE(TDocumentCommands::KindFromExtension("C:\\x.y\\s.hxsim", kind));
  EXPECT_EQ(kind, jkSess);
  for (const char* other : {"t.json", "noext", "/dir.hxsim/file", ".hxpat"})
    EXPECT_FALSE(TDocumentCommands::KindFromExtension(other, kind)) << other;
}

TEST_F(DocumentCommandsTest, TheListStartsWithoutSelectionWhichMeansCalibration) {
  Start();
  const Control& list = F().Get("cbJsonType");
  EXPECT_EQ(list.Items(),
            (std::vector<std::string>{"Session (.hxsim)", "Pattern (.hxpat)", "Chem (.hxchem)", "Cal (.hxcal)"}));
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(list.Text(), "Pattern (.hxpat)");
  const TJsonKind kinds[] = {jkCal, jkSess, jkPat, jkChem, jkCal};
  for (int index = -1; index <= 3; ++index) {
    Select(index);
    EXPECT_EQ(form_->docs.CurrentJsonKind(), kinds[index + 1]) << index;
  }
}

// New and Save of a pattern or calibration, and both without a selection, write the
// kind's default document; a name without extension gets the kind's extension.
TEST_F(DocumentCommandsTest, NewAndSaveWriteTheDefaultDocumentOfThePatternAndCalibrationKinds) {
  Start();
  struct Case {
    const char* button;
    int index;
    const char* answer;
    const char* written;
    TJsonKind kind;
  };
  const Case cases[] = {
      {"btnJsonNew", 1, "p1", "p1.hxpat", jkPat},       {"btnJsonNew", 3, "c1", "c1.hxcal", jkCal},
      {"btnJsonNew", -1, "n1", "n1.hxcal", jkCal},      {"btnJsonNew", 1, "p2.json", "p2.json", jkPat},
      {"btnJsonSave", 1, "p3", "p3.hxpat", jkPat},      {"btnJsonSave", 3, "c3", "c3.hxcal", jkCal},
      {"btnJsonSave", -1, "n3", "n3.hxcal", jkCal},     {"btnJsonNew", 0, "s1", "s1.hxsim", jkSess},
      {"btnJsonNew", 2, "ch1", "ch1.hxchem", jkChem},
  };
  for (const Case& c : cases) {
    Select(c.index);
    Click(c.button, File(c.answer));
    EXPECT_EQ(ReadBytes(File(c.written)), DefaultText(c.kind)) << c.button << " " << c.written;
  }
  EXPECT_TRUE(platform_.messages.empty()) << MessageTexts()[0];
  // New remembers the kind, filter and extension it used.
  EXPECT_EQ(form_->docs.K, jkChem);
  EXPECT_EQ(form_->docs.Ext, ".hxchem");
  EXPECT_EQ(form_->docs.Flt.substr(0, 30), "Chemistry (*.hxchem)|*.hxchem|");
}

TEST_F(DocumentCommandsTest, TheDefaultSessionNamesTheSeedFilesAndIsNotNormalised) {
  const auto doc = TDocumentCommands::CreateDefaultObjectForKind(jkSess);
  const TSimRoot& sim = std::get<TSimRoot>(doc);
  EXPECT_EQ(sim.FRefs->FPatternFile, "patterns\\sinus_51min_zero.hxpat");
  EXPECT_EQ(sim.FRefs->FChemFile, "chem\\lfp_default.hxchem");
  EXPECT_EQ(sim.FRefs->FCalFile, "defaults\\lab_rig_v1.hxcal");
  EXPECT_EQ(sim.FRefs->FDefaultsFile, "");
  EXPECT_TRUE(!sim.FSteps->FCurrent || sim.FSteps->FCurrent->empty());
}

TEST_F(DocumentCommandsTest, NewChemistryResetsTheEngineChemistry) {
  Start();
  TChemSummary s = ChemGetSummary();
  s.AmbientC = 41;
  ChemApplySummary(s);
  Select(2);
  Click("btnJsonNew", File("fresh"));
  EXPECT_EQ(ChemGetSummary().AmbientC, 25);
  EXPECT_EQ(ReadBytes(File("fresh.hxchem")), DefaultText(jkChem));
}

TEST_F(DocumentCommandsTest, SavingASessionWritesTheWindowAndMakesItTheRecentSession) {
  Start();
  F().UserSetText("EdTotalMs", "90");
  Select(0);
  Click("btnJsonSave", File("test"));
  const fs::path written = File("test.hxsim");
  ASSERT_TRUE(fs::exists(written));
  EXPECT_EQ(THxFacade::GetLastSessionFile(), written.string());
  const auto sim = TJsonBase::LoadFromFile<TSimRoot>(written.string());
  EXPECT_EQ(sim->FTimebase->FTTotalS, 5400);
  EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(DocumentCommandsTest, SavingAChemistryWritesThePanelUnderTheLfpName) {
  Start();
  F().UserSetText("edCellCapAh", "5.5");
  F().UserSetText("edSeiEa", "0.7");
  F().UserSetText("edTempC", "31");
  Select(2);
  Click("btnJsonSave", File("mine"));
  const TChemRoot chem = THxFacade::LoadChem(File("mine.hxchem").string());
  EXPECT_EQ(chem.FChemistry, "LFP_21700");
  EXPECT_EQ(chem.FCell->FCapacityAh, 5.5);
  EXPECT_EQ(chem.FSeiModel->FActivationEnergy_eV, 0.7);
  EXPECT_EQ(chem.FSeiModel->FScaleToNm, TChemRoot::CreateDefaultLFP().FSeiModel->FScaleToNm);
  EXPECT_EQ(ChemGetSummary().AmbientC, 31);  // the panel's summary went to the engine chemistry
}

TEST_F(DocumentCommandsTest, CancelledDialogsChangeNothing) {
  Start();
  const std::vector<std::string> before = Texts();
  const std::string recent = THxFacade::GetLastSessionFile();
  for (const char* button : {"btnJsonNew", "btnJsonLoad", "btnJsonSave"})
    for (int index = -1; index <= 3; ++index) {
      Select(index);
      Click(button, std::nullopt);
    }
  Select(-1);
  F().SetText("cbJsonType", "Pattern (.hxpat)");
  EXPECT_EQ(Texts(), before);
  EXPECT_TRUE(fs::is_empty(dir_ / "files"));
  EXPECT_EQ(THxFacade::GetLastSessionFile(), recent);
  EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(DocumentCommandsTest, ASaveThatCannotBeWrittenIsReportedAndLeavesNothingBehind) {
  Start();
  fs::create_directories(File("taken.hxcal") / "inside");  // a folder where the file would go
  Select(3);
  Click("btnJsonSave", File("taken.hxcal"));
  ASSERT_EQ(platform_.messages.size(), 1u);
  EXPECT_EQ(platform_.messages[0].kind, MessageKind::Error);
  EXPECT_TRUE(fs::is_directory(File("taken.hxcal") / "inside"));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_ / "files")) ++entries;
  EXPECT_EQ(entries, 1u);  // no temporary file left
}

TEST_F(DocumentCommandsTest, LoadingASessionFillsTheRunInputsAndBecomesTheRecentSession) {
  Start();
  TSimRoot sim = std::get<TSimRoot>(TDocumentCommands::CreateDefaultObjectForKind(jkSess));
  sim.FTimebase->FFsHz = 250;  // a 4 ms response time
  sim.FTimebase->FTTotalS = 1800;
  sim.FLimits->FVmaxV = 4.1;
  sim.FVoltageRamp->FTargetValue = 3.3;  // what the snapshot writes into edtVt first
  const fs::path file = File("run.hxsim");
  TJsonBase::SaveToFile(file.string(), sim);
  Select(3);
  Click("btnJsonLoad", file);
  EXPECT_TRUE(platform_.messages.empty()) << MessageTexts()[0];
  EXPECT_EQ(F().Get("cbJsonType").ItemIndex(), 0);
  EXPECT_EQ(F().Text("edtFs"), "4");
  EXPECT_EQ(F().Text("edtVt"), "4.1");
  EXPECT_EQ(form_->FTotalSecs, 1800);
  EXPECT_EQ(THxFacade::GetLastSessionFile(), file.string());
}

TEST_F(DocumentCommandsTest, ACalibrationLoadedWhileTheSessionKindIsSelectedIsOnlyChecked) {
  Start();
  const fs::path file = File("lab_rig_v1.hxcal");
  TJsonBase::SaveToFile(file.string(), TCalRoot::CreateLabRigV1());
  Select(0);
  std::vector<std::string> before = Texts();
  const std::string recent = THxFacade::GetLastSessionFile();
  Click("btnJsonLoad", file);
  EXPECT_TRUE(platform_.messages.empty());
  EXPECT_EQ(F().Get("cbJsonType").ItemIndex(), 3);
  EXPECT_EQ(F().Text("cbJsonType"), "Cal (.hxcal)");
  Select(0);
  EXPECT_EQ(Texts(), before);
  EXPECT_EQ(THxFacade::GetLastSessionFile(), recent);
}

TEST_F(DocumentCommandsTest, LoadingAPatternChecksItAndRemembersItsPath) {
  Start();
  const fs::path good = File("p.hxpat"), wrong = File("cal_named_as.hxpat");
  TJsonBase::SaveToFile(good.string(), TPatternRoot::CreateDefaultSinus());
  TJsonBase::SaveToFile(wrong.string(), TCalRoot::CreateLabRigV1());
  Click("btnJsonLoad", good);
  EXPECT_EQ(form_->docs.FLastPatPath, good.string());
  Click("btnJsonLoad", wrong);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Pattern file schema mismatch"});
  EXPECT_EQ(form_->docs.FLastPatPath, good.string());
}

TEST_F(DocumentCommandsTest, LoadingAChemistryMakesItTheWindowsChemistry) {
  Start();
  form_->EnsureChemParamsReady();
  ASSERT_FALSE(form_->FChemP.OCV.empty());
  const fs::path file = File("nmc.hxchem");
  TJsonBase::SaveToFile(file.string(), Chemistry("NMC811_X", 7.5));
  Select(-1);
  Click("btnJsonLoad", file);
  EXPECT_TRUE(platform_.messages.empty()) << MessageTexts()[0];
  ASSERT_TRUE(form_->GChem);
  EXPECT_EQ(form_->GChem->FChemistry, "NMC811_X");
  EXPECT_EQ(F().Text("edChemFile"), "nmc.hxchem");
  EXPECT_EQ(F().Text("edCellCapAh"), "7.5");
  EXPECT_EQ(F().Get("cbJsonType").ItemIndex(), 2);
  EXPECT_EQ(form_->FLastZaruVedh, file.string());
  // Derived afresh before the next run.
  EXPECT_TRUE(form_->FChemP.OCV.empty());
  EXPECT_EQ(form_->FChemP.Qn_Ah, 0);
}

TEST_F(DocumentCommandsTest, AFailingChemistryLoadLeavesTheWindowAsItWas) {
  Start();
  const fs::path tpl = File("t.json"), bad = File("bad.hxchem");
  WriteBytes(tpl, kTemplate);
  WriteBytes(bad, R"({"schema":"hx-chem-9.9","chemistry":"X"})");
  Click("btnJsonLoad", tpl);
  ASSERT_TRUE(form_->waveform.shapes.FChemValid);
  Select(1);
  const std::vector<std::string> before = Texts();
  const TChemRoot chemBefore = *form_->GChem;
  const std::string lastChem = form_->FLastZaruVedh;
  Click("btnJsonLoad", bad);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Chem file schema mismatch: hx-chem-9.9"});
  EXPECT_EQ(Texts(), before);
  EXPECT_EQ(*form_->GChem, chemBefore);
  EXPECT_EQ(form_->FLastZaruVedh, lastChem);
  EXPECT_TRUE(form_->waveform.shapes.FChemValid);  // the loaded template table is kept
  EXPECT_EQ(form_->waveform.shapes.FChemLUT, (std::vector<double>{0, 0.5, 1}));
}

TEST_F(DocumentCommandsTest, AFailingSessionLoadLeavesTheRecentSession) {
  Start();
  const std::string recent = THxFacade::GetLastSessionFile();
  const fs::path bad = File("bad.hxsim");
  WriteBytes(bad, "[1,2]");
  const std::vector<std::string> before = Texts();
  Click("btnJsonLoad", bad);
  ASSERT_EQ(platform_.messages.size(), 1u);
  EXPECT_EQ(THxFacade::GetLastSessionFile(), recent);
  EXPECT_EQ(Texts(), before);
}

TEST_F(DocumentCommandsTest, ATemplateIsRecognisedWhateverItsExtension) {
  Start();
  SetUserDecimalSeparator(',');
  const fs::path file = File("tpl.json");
  WriteBytes(file, kTemplate);
  Select(0);
  Click("btnJsonLoad", file);
  SetUserDecimalSeparator('.');
  EXPECT_TRUE(platform_.messages.empty()) << MessageTexts()[0];
  EXPECT_EQ(F().Get("cbJsonType").ItemIndex(), 2);
  EXPECT_EQ(F().Text("edChemFile"), "tpl.json");
  EXPECT_EQ(F().Text("EdLUTMin"), "0,5");
  EXPECT_EQ(F().Text("EdLUTMax"), "2,25");
  EXPECT_EQ(F().Text("EdLUTDur"), "1500");
  EXPECT_EQ(F().Text("EdLUTPoints"), "(ZaruVed LUT loaded: 3 pts)");
  EXPECT_FALSE(F().Get("EdLUTPoints").Enabled());
  EXPECT_EQ(F().Get("PcParams").ActivePage(), "TsCustom");
  EXPECT_TRUE(form_->waveform.shapes.FChemValid);
  // A pattern checked afterwards leaves the template table in place.
  const fs::path pattern = File("p.hxpat");
  TJsonBase::SaveToFile(pattern.string(), TPatternRoot::CreateDefaultSinus());
  Click("btnJsonLoad", pattern);
  EXPECT_TRUE(form_->waveform.shapes.FChemValid);
}

// ---- Start-up and shutdown ----

TEST_F(DocumentCommandsTest, CreationForcesTheVoltageRampTheRampShapesAndTheSpeed) {
  // The last session asks for another ramp; creation overrides it.
  TSimRoot sim = std::get<TSimRoot>(TDocumentCommands::CreateDefaultObjectForKind(jkSess));
  THxFacade::NormalizeSim(&sim);
  sim.FVoltageRamp->FTargetValue = 3.9;
  const fs::path file = File("last.hxsim");
  TJsonBase::SaveToFile(file.string(), sim);
  THxFacade::SaveRecentSession(file.string());
  Start();
  EXPECT_EQ(F().Text("edtV0"), "2.5");
  EXPECT_EQ(F().Text("edtVt"), "3.65");
  EXPECT_EQ(F().Text("edtVRU"), "120");
  EXPECT_EQ(F().Text("edtVRD"), "60");
  EXPECT_TRUE(F().Checked("chkVRamp"));
  EXPECT_EQ(F().Get("cbVShape").Items(),
            (std::vector<std::string>{"Linear", "S-curve", "Parabolic", "Logarithmic"}));
  EXPECT_EQ(F().Get("cbVShape").ItemIndex(), 1);
  EXPECT_EQ(F().Get("tbSpeed").Maximum(), 150);
  EXPECT_EQ(form_->FSpeedFactor, 100);
  EXPECT_EQ(F().Get("lblSpeed").Caption(), "Speed: 100x");
  EXPECT_EQ(form_->VmaxLim, 3.65);
  EXPECT_EQ(F().Chart("chSim").right.maximum, 5.65);
  SeriesModel* done = F().Chart("chSEI").FindSeries("FDoneSeries");
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(done->title, "SEI Done");
  EXPECT_EQ(done->color, (Rgb{255, 0, 0}));
  EXPECT_EQ(done->width, 2);
  EXPECT_FALSE(done->active);
  EXPECT_EQ(F().Caption(), "Voltaris Battery Formation Simulator  ");
}

TEST_F(DocumentCommandsTest, ASmallScreenIsWarnedOnceAndTheWindowStillOpens) {
  struct Case {
    int w, h;
    bool warned;
  };
  const Case cases[] = {{1024, 768, true}, {1279, 1080, true}, {1920, 799, true}, {1280, 800, false}};
  for (const Case& c : cases) {
    platform_.messages.clear();
    platform_.screen = {c.w, c.h};
    form_ = std::make_unique<TFormPreview>(platform_);
    Start();
    if (!c.warned) {
      EXPECT_TRUE(platform_.messages.empty()) << c.w << "x" << c.h;
      continue;
    }
    ASSERT_EQ(platform_.messages.size(), 1u) << c.w << "x" << c.h;
    EXPECT_EQ(platform_.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(platform_.messages[0].text, "Voltaris requires minimum 1280x800 screen resolution.\r\nCurrent: " +
                                              std::to_string(c.w) + "x" + std::to_string(c.h) +
                                              ". Some UI elements may be clipped.");
    EXPECT_EQ(F().Caption(), "Voltaris Battery Formation Simulator  ");
  }
}

TEST_F(DocumentCommandsTest, ThePlaceholderSeiScaleBecomesFourWhenTheWindowIsShown) {
  for (const char* typed : {"1946.44", "1946.45"}) {
    form_ = std::make_unique<TFormPreview>(platform_);
    form_->FormCreate();
    F().UserSetText("edAlpha", typed);
    form_->FormShow();
    EXPECT_EQ(F().Text("edAlpha"), std::string(typed) == "1946.44" ? "4" : typed);
  }
}

TEST_F(DocumentCommandsTest, LastFilesAreWrittenAtShutdownAndReloadedAtTheNextStart) {
  WriteBytes(IniFile(), "; settings\n[Claude]\nProxyURL=http://p\n\n[LastFiles]\nOther=1\n");
  Start();
  const fs::path chem = File("cell.hxchem"), pattern = File("p.hxpat");
  TJsonBase::SaveToFile(chem.string(), Chemistry("NMC622_Y", 6.25));
  TJsonBase::SaveToFile(pattern.string(), TPatternRoot::CreateDefaultSinus());
  Click("btnJsonLoad", chem);
  Click("btnJsonLoad", pattern);
  Restart();
  const TIniFile ini = TIniFile::Load(IniFile());
  EXPECT_EQ(ini.ReadString("LastFiles", "ZaruVedh"), chem.string());
  EXPECT_EQ(ini.ReadString("LastFiles", "PatPath"), pattern.string());
  EXPECT_EQ(ini.ReadString("LastFiles", "Other"), "1");
  EXPECT_EQ(ini.ReadString("Claude", "ProxyURL"), "http://p");
  EXPECT_EQ(ReadBytes(IniFile()).substr(0, 11), "; settings\n");

  EXPECT_TRUE(platform_.messages.empty()) << MessageTexts()[0];
  ASSERT_TRUE(form_->GChem);
  EXPECT_EQ(form_->GChem->FChemistry, "NMC622_Y");
  EXPECT_EQ(F().Text("edCellCapAh"), "6.25");
  EXPECT_EQ(F().Text("edChemFile"), "cell.hxchem");
  EXPECT_EQ(form_->FLastZaruVedh, chem.string());
  EXPECT_EQ(form_->docs.FLastPatPath, pattern.string());
  const Json state = form_->DumpState();
  EXPECT_EQ(state["FLastZaruVedh"], chem.string());
  EXPECT_EQ(state["FLastPatPath"], pattern.string());
  EXPECT_EQ(state["iniPath"], IniFile().string());
}

TEST_F(DocumentCommandsTest, ALastChemistryThatMovedIntoTheChemistryFolderStillLoads) {
  const fs::path moved = dir_ / "prog" / "chem" / "moved.hxchem";
  fs::create_directories(moved.parent_path());
  TJsonBase::SaveToFile(moved.string(), Chemistry("LTO_Z", 3.5));
  for (const char* old : {"/gone/away/moved.hxchem", "C:\\Users\\me\\moved.hxchem"}) {
    WriteBytes(IniFile(), std::string("[LastFiles]\nZaruVedh=") + old + "\n");
    form_ = std::make_unique<TFormPreview>(platform_);
    Start();
    EXPECT_TRUE(platform_.messages.empty()) << old;
    EXPECT_EQ(form_->FLastZaruVedh, moved.string()) << old;
    EXPECT_EQ(F().Text("edChemFile"), "moved.hxchem");
    EXPECT_EQ(F().Text("edCellCapAh"), "3.5");
  }
}

TEST_F(DocumentCommandsTest, StartUpWithoutSettingsOrWithFilesGoneSaysNothing) {
  struct Case {
    const char* what;
    std::string ini;  // empty: no settings file
  };
  const Case cases[] = {{"no settings", ""},
                        {"files gone", "[LastFiles]\nZaruVedh=/gone/x.hxchem\nPatPath=/gone/p.hxpat\n"},
                        {"empty keys", "[LastFiles]\nZaruVedh=\nPatPath=\n"}};
  for (const Case& c : cases) {
    fs::remove_all(IniFile());
    if (!c.ini.empty()) WriteBytes(IniFile(), c.ini);
    form_ = std::make_unique<TFormPreview>(platform_);
    Start();
    EXPECT_TRUE(platform_.messages.empty()) << c.what;
    EXPECT_EQ(form_->FLastZaruVedh, "") << c.what;
    EXPECT_EQ(form_->docs.FLastPatPath, "") << c.what;
    ASSERT_TRUE(form_->GChem);
    EXPECT_EQ(*form_->GChem, TChemRoot::CreateDefaultLFP()) << c.what;
  }
  // A settings "file" that cannot be read is as good as none.
  fs::remove_all(IniFile());
  fs::create_directories(IniFile());
  form_ = std::make_unique<TFormPreview>(platform_);
  Start();
  EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(DocumentCommandsTest, ALastFileThatFailsIsReportedAndTheOtherStillLoads) {
  const fs::path chem = File("broken.hxchem"), pattern = File("p.hxpat");
  WriteBytes(chem, "{not json");
  TJsonBase::SaveToFile(pattern.string(), TPatternRoot::CreateDefaultSinus());
  WriteBytes(IniFile(), "[LastFiles]\nZaruVedh=" + chem.string() + "\nPatPath=" + pattern.string() + "\n");
  Start();
  ASSERT_EQ(platform_.messages.size(), 1u);
  EXPECT_EQ(platform_.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(form_->FLastZaruVedh, "");
  EXPECT_EQ(form_->docs.FLastPatPath, pattern.string());
  // The broken name is not written back: the next start is quiet.
  Restart();
  EXPECT_TRUE(platform_.messages.empty()) << MessageTexts()[0];
}

TEST_F(DocumentCommandsTest, ShutdownStopsARunAndWritesTheSettingsOnce) {
  Start();
  F().UserClick("btnStart");
  ASSERT_TRUE(form_->IsPlaying());
  form_->FormDestroy();
  EXPECT_FALSE(form_->IsPlaying());
  EXPECT_TRUE(fs::exists(IniFile()));
  fs::remove(IniFile());
  form_->FormDestroy();
  form_->PlayTimerTick();
  EXPECT_FALSE(fs::exists(IniFile()));
}

TEST_F(DocumentCommandsTest, SettingsThatCannotBeWrittenAtShutdownOnlyLeaveADebugLine) {
  std::vector<std::string> debug;
  const DebugListener saved = SetDebugListener([&](const std::string& line) { debug.push_back(line); });
  WriteBytes(dir_ / "blocker", "a file, not a folder");
  EnvGuard ini("VOLTARIS_INI", (dir_ / "blocker" / "Kelvane.ini").string());
  Start();
  form_->FormDestroy();
  SetDebugListener(saved);
  EXPECT_TRUE(platform_.messages.empty());
  size_t failures = 0;
  for (const std::string& line : debug) failures += line.starts_with("Saving the last files failed: ");
  EXPECT_EQ(failures, 1u);
}

}  // namespace
}  // namespace voltaris
