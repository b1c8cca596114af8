// The per-user workspace: seed files, path resolution, loaders, session import/export,
// the recent session and the start-up restore, each in a temporary XDG_DATA_HOME.
#include <gtest/gtest.h>

#include "test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/debug_log.h"
#include "common/numbers.h"
#include "documents/json_mapper.h"
#include "documents/sim_validation.h"
#include "form/form_model.h"
#include "workspace/hx_facade.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;


const char* const kSeedFiles[] = {"patterns/sinus_51min_zero.hxpat", "chem/lfp_default.hxchem",
                                  "defaults/lab_rig_v1.hxdef", "defaults/lab_rig_v1.hxcal",
                                  "sessions/seed.hxsim"};

// A workspace and a program folder of their own per test, the window callbacks unbound,
// and the debug lines captured.
class Workspace : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("voltaris_ws_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "prog");
    xdg_.emplace("XDG_DATA_HOME", (dir_ / "xdg").string());
    root_ = dir_ / "xdg" / "HalvoraPreview";
    THxFacade::SetProgramDir(dir_ / "prog");
    THxFacade::BindUI({}, {});
    savedSeparator_ = UserDecimalSeparator();
    savedListener_ = SetDebugListener([this](const std::string& line) { debug_.push_back(line); });
  }
  void TearDown() override {
    SetDebugListener(savedListener_);
    SetUserDecimalSeparator(savedSeparator_);
    THxFacade::BindUI({}, {});
    THxFacade::SetProgramDir({});
    xdg_.reset();
    fs::remove_all(dir_);
  }
  std::vector<std::string> DebugLinesStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : debug_)
      if (l.starts_with(prefix)) out.push_back(l);
    return out;
  }
  // Binds a setter that records every snapshot applied.
  void RecordApplied() {
    THxFacade::BindUI({}, [this](const TUiSnapshot& s) { applied_.push_back(s); });
  }

  fs::path dir_;
  fs::path root_;
  std::optional<EnvGuard> xdg_;
  DebugListener savedListener_;
  char savedSeparator_ = '.';
  std::vector<std::string> debug_;
  std::vector<TUiSnapshot> applied_;
};

TEST_F(Workspace, RootFollowsXdgDataHomeElseHome) {
  EXPECT_EQ(THxFacade::WorkspaceRoot(), root_.string());
  EXPECT_FALSE(fs::exists(root_));  // naming the root creates nothing
  EXPECT_EQ(THxFacade::AppRootDir(), root_.string());
  EXPECT_TRUE(fs::is_directory(root_));
  EXPECT_EQ(THxFacade::RecentSessionPath(), (root_ / "recent_session.txt").string());

  EnvGuard home("HOME", (dir_ / "home").string());
  for (const std::optional<std::string>& xdg : {std::optional<std::string>{}, std::optional<std::string>{""},
                                                std::optional<std::string>{"relative/data"}}) {
    EnvGuard unset("XDG_DATA_HOME", xdg);
    EXPECT_EQ(THxFacade::WorkspaceRoot(), (dir_ / "home" / ".local" / "share" / "HalvoraPreview").string());
  }
}

TEST_F(Workspace, FirstStartCreatesSeedsThenRestoresTheSeedSession) {
  THxFacade::EnsureSeedFiles();
  for (const char* folder : {"patterns", "chem", "defaults", "sessions"}) EXPECT_TRUE(fs::is_directory(root_ / folder));
  for (const char* file : kSeedFiles) EXPECT_TRUE(fs::is_regular_file(root_ / file)) << file;
  EXPECT_FALSE(fs::exists(root_ / "recent_session.txt"));

  // The seeds are valid documents of their kinds, under the names sessions refer to.
  EXPECT_EQ(THxFacade::LoadPattern(std::string(kSeedPatternFile)).FName, "Sinus 51min (zero-based)");
  EXPECT_EQ(THxFacade::LoadChem(std::string(kSeedChemFile)).FChemistry, "LFP_21700");
  EXPECT_EQ(TJsonBase::ToJsonText(THxFacade::LoadDefaults(std::string(kSeedDefaultsFile))),
            TJsonBase::ToJsonText(TDefaultsRoot::CreateLabRigV1()));
  EXPECT_EQ(TJsonBase::ToJsonText(THxFacade::LoadCal(std::string(kSeedCalFile))),
            TJsonBase::ToJsonText(TCalRoot::CreateLabRigV1()));
  const auto seed = TJsonBase::LoadFromFile<TSimRoot>((root_ / "sessions/seed.hxsim").string());
  ASSERT_TRUE(seed);
  EXPECT_EQ(seed->FRefs->FPatternFile, "patterns\\sinus_51min_zero.hxpat");
  EXPECT_EQ(seed->FRefs->FChemFile, "chem\\lfp_default.hxchem");
  EXPECT_EQ(seed->FRefs->FDefaultsFile, "defaults\\lab_rig_v1.hxdef");
  EXPECT_EQ(seed->FRefs->FCalFile, "defaults\\lab_rig_v1.hxcal");
  EXPECT_EQ(seed->FSteps->FCurrent->size(), 2u);

  RecordApplied();
  THxFacade::LoadLastSessionOrDefaults();
  ASSERT_EQ(applied_.size(), 2u);
  EXPECT_EQ(applied_[0], applied_[1]);
  EXPECT_EQ(applied_[0], THxFacade::MakeSnapshotFromSim(seed.get()));
  EXPECT_EQ(THxFacade::GetLastSessionFile(), (root_ / "sessions/seed.hxsim").string());
  EXPECT_TRUE(DebugLinesStartingWith("LoadLastSession failed").empty());
}

TEST_F(Workspace, LaterStartsOnlyAddWhatIsMissing) {
  THxFacade::EnsureSeedFiles();
  // The user's own edits, and one damaged seed, must survive every later start.
  std::map<std::string, std::string> before;
  for (const char* file : kSeedFiles) {
    WriteBytes(root_ / file, std::string("user content of ") + file);
    before[file] = ReadBytes(root_ / file);
  }
  WriteBytes(root_ / "sessions/seed.hxsim", "{\"schema\":");  // damaged
  before["sessions/seed.hxsim"] = ReadBytes(root_ / "sessions/seed.hxsim");
  fs::remove(root_ / "defaults/lab_rig_v1.hxcal");
  before.erase("defaults/lab_rig_v1.hxcal");

  THxFacade::EnsureSeedFiles();
  EXPECT_EQ(ReadBytes(root_ / "defaults/lab_rig_v1.hxcal"), TJsonBase::ToJsonText(TCalRoot::CreateLabRigV1()));
  for (const auto& [file, bytes] : before) EXPECT_EQ(ReadBytes(root_ / file), bytes) << file;

  // Something else standing where a seed file belongs is left alone too.
  fs::remove(root_ / "chem/lfp_default.hxchem");
  fs::create_directories(root_ / "chem/lfp_default.hxchem");
  EXPECT_NO_THROW(THxFacade::EnsureSeedFiles());
  EXPECT_TRUE(fs::is_directory(root_ / "chem/lfp_default.hxchem"));
}

TEST_F(Workspace, DamagedSeedSessionFallsBackToTheWindowInputs) {
  THxFacade::EnsureSeedFiles();
  WriteBytes(root_ / "sessions/seed.hxsim", "{\"schema\": \"hx-sim-1.1\", \"timebase\": ");
  const std::string damaged = ReadBytes(root_ / "sessions/seed.hxsim");
  FormModel form;
  form.SetText("EdSineMax", "7");
  THxFacade::BindUI([&form] { return GetUiSnapshot(form, ""); },
                    [this](const TUiSnapshot& s) { applied_.push_back(s); });

  THxFacade::LoadLastSessionOrDefaults();
  ASSERT_EQ(applied_.size(), 1u);
  EXPECT_DOUBLE_EQ(applied_[0].IMaxA, 7);
  EXPECT_EQ(applied_[0].DefaultsFile, kSeedDefaultsFile);
  EXPECT_EQ(ReadBytes(root_ / "sessions/seed.hxsim"), damaged);
  EXPECT_FALSE(fs::exists(root_ / "recent_session.txt"));
  EXPECT_TRUE(DebugLinesStartingWith("LoadLastSession failed").empty());

  // Without any window: the built-in defaults, and nothing to apply them to.
  THxFacade::BindUI({}, {});
  EXPECT_NO_THROW(THxFacade::LoadLastSessionOrDefaults());
}

TEST_F(Workspace, StaleRecentSessionFallsBackToTheSeed) {
  THxFacade::EnsureSeedFiles();
  const std::string gone = (dir_ / "elsewhere" / "deleted.hxsim").string();
  WriteBytes(root_ / "recent_session.txt", "\xEF\xBB\xBF" + gone);
  RecordApplied();

  THxFacade::LoadLastSessionOrDefaults();
  EXPECT_EQ(DebugLinesStartingWith("LoadLastSession failed"),
            std::vector<std::string>{"LoadLastSession failed: JSON file not found: " + gone});
  EXPECT_EQ(applied_.size(), 2u);
  EXPECT_EQ(THxFacade::GetLastSessionFile(), (root_ / "sessions/seed.hxsim").string());
}

TEST_F(Workspace, RecentSessionFile) {
  const std::string path = (dir_ / "a b" / "run 1.hxsim").string();
  THxFacade::SaveRecentSession(path);
  EXPECT_EQ(ReadBytes(root_ / "recent_session.txt"), "\xEF\xBB\xBF" + path);  // no line break
  EXPECT_EQ(THxFacade::GetLastSessionFile(), path);

  WriteBytes(root_ / "recent_session.txt", "  \t" + path + "\r\n\n ");
  EXPECT_EQ(THxFacade::GetLastSessionFile(), path);

  fs::remove(root_ / "recent_session.txt");
  EXPECT_EQ(THxFacade::GetLastSessionFile(), "");

  // A folder in the way: the failure is a debug line, never the caller's problem.
  fs::create_directories(root_ / "recent_session.txt");
  EXPECT_NO_THROW(THxFacade::SaveRecentSession(path));
  const auto lines = DebugLinesStartingWith("SaveRecentSession failed: ");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("recent_session.txt"), std::string::npos);
  EXPECT_EQ(THxFacade::GetLastSessionFile(), "");
}

TEST_F(Workspace, ResolvePathTable) {
  THxFacade::EnsureSeedFiles();
  const std::string root = root_.string();
  const std::string prog = (dir_ / "prog").string();
  struct Case {
    std::string stored;
    std::string resolved;
  };
  const Case cases[] = {
      {"", ""},
      {"sessions\\not_yet_saved.hxsim", root + "/sessions/not_yet_saved.hxsim"},  // folder exists
      {"sessions/not_yet_saved.hxsim", root + "/sessions/not_yet_saved.hxsim"},
      {"defaults\\lab_rig_v1.hxcal", root + "/defaults/lab_rig_v1.hxcal"},
      {"loose.hxsim", root + "/loose.hxsim"},
      {"Chem\\Presets\\x.hxchem", prog + "/Chem/Presets/x.hxchem"},  // no such folder in the workspace
      {"/data/run.hxsim", "/data/run.hxsim"},
      {"\\\\server\\share\\run.hxsim", "//server/share/run.hxsim"},
      {"C:\\Users\\eng\\run.hxsim", "C:/Users/eng/run.hxsim"},
      {"d:run.hxsim", "d:run.hxsim"},
  };
  for (const Case& c : cases) EXPECT_EQ(THxFacade::ResolvePath(c.stored), c.resolved) << c.stored;
}

TEST_F(Workspace, LoadersCheckTheSchema) {
  THxFacade::EnsureSeedFiles();
  std::string pattern = ReadBytes(root_ / kSeedFiles[0]);
  const size_t tag = pattern.find("hx-pat-1.0");
  ASSERT_NE(tag, std::string::npos);
  pattern.replace(tag, 10, "HX-PAT-1.0");
  WriteBytes(root_ / "patterns/upper.hxpat", pattern);
  EXPECT_EQ(THxFacade::LoadPattern("patterns\\upper.hxpat").FName, "Sinus 51min (zero-based)");

  WriteBytes(root_ / "patterns/empty.hxpat", "");
  WriteBytes(root_ / "patterns/null.hxpat", "null");
  struct Case {
    std::function<void()> load;
    std::string message;
  };
  const std::string cal = std::string(kSeedCalFile);
  const Case cases[] = {
      {[&] { THxFacade::LoadPattern(cal); }, "Pattern file schema mismatch"},
      {[&] { THxFacade::LoadPattern("patterns\\empty.hxpat"); }, "Pattern file schema mismatch"},
      {[&] { THxFacade::LoadPattern("patterns\\null.hxpat"); }, "Pattern file schema mismatch"},
      {[&] { THxFacade::LoadDefaults(cal); }, "Defaults file schema mismatch"},
      {[&] { THxFacade::LoadCal(std::string(kSeedDefaultsFile)); }, "Cal file schema mismatch"},
      {[&] { THxFacade::LoadCal("defaults\\none.hxcal"); },
       "JSON file not found: " + (root_ / "defaults/none.hxcal").string()},
      {[&] { THxFacade::LoadChem(std::string(kSeedPatternFile)); }, "Chem file schema mismatch: hx-pat-1.0"},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageOf(c.load), c.message);
}

TEST_F(Workspace, ReferenceWaveFromTheFilesASessionNames) {
  THxFacade::EnsureSeedFiles();
  EXPECT_TRUE(THxFacade::BuildRefWaveFromFiles(nullptr).empty());

  TSimRoot sim = TSimRoot::CreateV11();  // no references yet: the seed documents are used
  sim.FTimebase->FFsHz = 10;
  sim.FTimebase->FTTotalS = 60;
  EXPECT_EQ(THxFacade::BuildRefWaveFromFiles(&sim).size(), 600u);
  EXPECT_EQ(sim.FRefs->FPatternFile, kSeedPatternFile);

  sim.FRefs->FCalFile = kSeedDefaultsFile;
  EXPECT_EQ(MessageOf([&] { THxFacade::BuildRefWaveFromFiles(&sim); }), "Cal file schema mismatch");
  sim.FRefs->FPatternFile = "patterns\\gone.hxpat";
  EXPECT_EQ(MessageOf([&] { THxFacade::BuildRefWaveFromFiles(&sim); }),
            "JSON file not found: " + (root_ / "patterns/gone.hxpat").string());
}

TEST_F(Workspace, ExportThenImportCarriesTheWindowInputs) {
  SetUserDecimalSeparator('.');
  THxFacade::EnsureSeedFiles();
  FormModel source;
  source.SetText("edtFs", "20");
  source.SetText("EdTotalMs", "75");
  source.SetText("EdSineMax", "4.5");
  source.SetText("edtVsteps", "0,3.1; 20,3.5");
  source.SetItemIndex("cbIShape", 2);
  THxFacade::BindUI([&source] { return GetUiSnapshot(source, ""); }, {});
  THxFacade::ExportSessionToFile("sessions\\mine.hxsim");
  const fs::path file = root_ / "sessions/mine.hxsim";
  ASSERT_TRUE(fs::is_regular_file(file));
  EXPECT_EQ(THxFacade::GetLastSessionFile(), file.string());

  FormModel target;
  int applies = 0;
  THxFacade::BindUI({}, [&](const TUiSnapshot& s) {
    ++applies;
    ApplyUiSnapshot(target, s);
  });
  THxFacade::SaveRecentSession("other");
  THxFacade::ImportSessionFromFile(file.string());
  EXPECT_EQ(applies, 2);
  EXPECT_EQ(THxFacade::GetLastSessionFile(), file.string());
  for (const char* name : {"edtFs", "EdTotalMs", "EdSineMax", "edtVsteps", "cbIShape"})
    EXPECT_EQ(target.Text(name), source.Text(name)) << name;

  // A failed import changes neither the window nor the recent session.
  THxFacade::SaveRecentSession("kept");
  const struct {
    std::string name;
    std::string message;
  } failures[] = {
      {std::string(kSeedPatternFile), "Sim schema mismatch: hx-pat-1.0"},
      {"sessions\\missing.hxsim", "JSON file not found: " + (root_ / "sessions/missing.hxsim").string()},
  };
  for (const auto& f : failures) {
    EXPECT_EQ(MessageOf([&] { THxFacade::ImportSessionFromFile(f.name); }), f.message);
  }
  EXPECT_EQ(applies, 2);
  EXPECT_EQ(THxFacade::GetLastSessionFile(), "kept");
}

}  // namespace
}  // namespace voltaris
