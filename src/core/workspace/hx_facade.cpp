#include "workspace/hx_facade.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "common/debug_log.h"
#include "documents/chem_reader.h"
#include "documents/document_error.h"
#include "documents/json_mapper.h"
#include "documents/json_values.h"
#include "documents/sim_validation.h"
#include "documents/text_file.h"
#include "form/platform.h"
#include "waveform/reference_wave.h"

namespace voltaris {

namespace fs = std::filesystem;

namespace {

// The window callbacks belong to the window of the calling thread: a window and the runs
// it makes live on one thread, and batch runs on worker threads each bind their own.
struct FacadeState {
  TGetUiSnapshot getter;
  TApplyUiSnapshot setter;
};

FacadeState& State() {
  thread_local FacadeState state;
  return state;
}

// The program folder override is one for the process, read and written under a lock.
struct ProgramDirSlot {
  std::mutex lock;
  fs::path dir;  // empty: the executable's folder
};

ProgramDirSlot& ProgramDirOverride() {
  static ProgramDirSlot slot;
  return slot;
}

// The per-user data folder: $XDG_DATA_HOME when it is an absolute path, else
// ~/.local/share (home from $HOME, else the password database).
fs::path UserDataHome() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && *xdg != '\0' && fs::path(xdg).is_absolute()) return xdg;
  std::string home;
  if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') home = h;
  if (home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) home = pw->pw_dir;
  }
  const fs::path base = home.empty() ? fs::temp_directory_path() : fs::path(home);
  return base / ".local" / "share";
}

std::string WithForwardSlashes(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A name beginning with a path separator or with a drive letter and colon.
bool IsRooted(std::string_view name) {
  if (name.empty()) return false;
  if (name[0] == '/' || name[0] == '\\') return true;
  return name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':';
}

// Whether anything (file, folder, link) occupies the path.
bool SomethingAt(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

std::string Trimmed(std::string_view text) {
  constexpr std::string_view kBlank = " \t\r\n\v\f";
  const size_t b = text.find_first_not_of(kBlank);
  if (b == std::string_view::npos) return {};
  const size_t e = text.find_last_not_of(kBlank);
  return std::string(text.substr(b, e - b + 1));
}

template <class T>
T LoadChecked(const std::string& fileName, std::string_view mismatchMessage) {
  std::unique_ptr<T> doc = TJsonBase::LoadFromFile<T>(THxFacade::ResolvePath(fileName));
  if (!doc || !SameTextIgnoringCase(doc->FSchema, T::kSchema)) throw DocumentError(std::string(mismatchMessage));
  return std::move(*doc);
}

template <class T>
void WriteSeedIfMissing(std::string_view relName, T (*factory)()) {
  const std::string path = THxFacade::ResolvePath(relName);
  if (SomethingAt(path)) return;
  TJsonBase::SaveToFile(path, factory());
}

TPatternRoot SeedPattern() {
  TPatternRoot p = TPatternRoot::CreateDefaultSinus();
  p.FName = kSeedPatternName;
  return p;
}

TSimRoot SeedSession() {
  TSimRoot s = TSimRoot::CreateV11();
  *s.FRefs = {.FPatternFile = std::string(kSeedPatternFile),
              .FChemFile = std::string(kSeedChemFile),
              .FDefaultsFile = std::string(kSeedDefaultsFile),
              .FCalFile = std::string(kSeedCalFile)};
  voltaris::NormalizeSim(&s);
  return s;
}

std::string WorkspaceMessage(const std::string& folder, const std::string& reason) {
  return "The workspace folder \"" + folder + "\" cannot be used: " + reason +
         ".\nThe program runs with its built-in defaults; sessions, patterns and chemistry files "
         "cannot be read from or saved to the workspace until this is mended.";
}

}  // namespace

std::string THxFacade::WorkspaceRoot() {
  return (UserDataHome() / kWorkspaceFolderName).lexically_normal().string();
}

std::string THxFacade::AppRootDir() {
  const std::string root = WorkspaceRoot();
  std::error_code ec;
  if (fs::is_directory(root, ec)) return root;
  fs::create_directories(root, ec);
  if (ec || !fs::is_directory(root)) {
    const std::string problem = WorkspaceProblem();
    throw DocumentError(problem.empty() ? WorkspaceMessage(root, ec.message()) : problem);
  }
  return root;
}

std::string THxFacade::WorkspaceProblem() {
  const std::string root = WorkspaceRoot();
  for (const char* sub : {"", "patterns", "chem", "defaults", "sessions"}) {
    const std::string folder = *sub == '\0' ? root : root + "/" + sub;
    std::error_code ec;
    const fs::file_status st = fs::status(folder, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) return WorkspaceMessage(folder, ec.message());
    if (fs::exists(st) && !fs::is_directory(st)) return WorkspaceMessage(folder, "it is a file, not a folder");
    if (!fs::exists(st)) {
      fs::create_directories(folder, ec);
      if (ec) return WorkspaceMessage(folder, "it cannot be created (" + ec.message() + ")");
    }
    if (::access(folder.c_str(), R_OK | W_OK | X_OK) != 0) {
      return WorkspaceMessage(folder, std::string("it cannot be read and written (") + std::strerror(errno) + ")");
    }
  }
  return {};
}

std::string THxFacade::PrepareWorkspace() {
  if (std::string problem = WorkspaceProblem(); !problem.empty()) return problem;
  try {
    EnsureSeedFiles();
  } catch (const std::exception& e) {
    // A full disk or a file system that refuses the seed files: the run still has its
    // built-in documents, the user learns why the workspace stays empty.
    return WorkspaceMessage(WorkspaceRoot(), std::string("the seed files cannot be written (") + e.what() + ")");
  }
  return {};
}

std::string THxFacade::RecentSessionPath() {
  return WorkspaceRoot() + "/" + std::string(kRecentSessionFileName);
}

std::string THxFacade::ProgramDir() {
  ProgramDirSlot& slot = ProgramDirOverride();
  std::unique_lock guard(slot.lock);
  const fs::path dir = slot.dir;
  guard.unlock();
  return (dir.empty() ? ExecutableDir() : dir).string();
}

void THxFacade::SetProgramDir(const fs::path& dir) {
  ProgramDirSlot& slot = ProgramDirOverride();
  const std::lock_guard guard(slot.lock);
  slot.dir = dir;
}

std::string THxFacade::ResolvePath(std::string_view relOrAbs) {
  if (relOrAbs.empty()) return {};
  const std::string name = WithForwardSlashes(relOrAbs);
  if (IsRooted(name)) return name;
  const std::string candidate = AppRootDir() + "/" + name;
  std::error_code ec;
  if (TextFileExists(candidate) || fs::is_directory(fs::path(candidate).parent_path(), ec)) return candidate;
  // A file where the workspace has one of its folders: the name must not quietly move to
  // the program folder.
  const fs::path folder = fs::path(candidate).parent_path();
  if (folder.string() != WorkspaceRoot() && fs::exists(fs::symlink_status(folder, ec)))
    throw DocumentError(WorkspaceMessage(folder.string(), "it is a file, not a folder"));
  std::string programDir = ProgramDir();
  if (!programDir.empty() && programDir.back() == '/') programDir.pop_back();
  return programDir + "/" + name;
}

void THxFacade::EnsureSeedFiles() {
  for (const char* folder : {"patterns", "chem", "defaults", "sessions"}) fs::create_directories(ResolvePath(folder));
  WriteSeedIfMissing(kSeedPatternFile, &SeedPattern);
  WriteSeedIfMissing(kSeedChemFile, &TChemRoot::CreateDefaultLFP);
  WriteSeedIfMissing(kSeedDefaultsFile, &TDefaultsRoot::CreateLabRigV1);
  WriteSeedIfMissing(kSeedCalFile, &TCalRoot::CreateLabRigV1);
  WriteSeedIfMissing(kSeedSessionFile, &SeedSession);
}

void THxFacade::BindUI(TGetUiSnapshot getter, TApplyUiSnapshot setter) {
  State().getter = std::move(getter);
  State().setter = std::move(setter);
}

void THxFacade::NormalizeSim(TSimRoot* sim) { voltaris::NormalizeSim(sim); }

TUiSnapshot THxFacade::MakeSnapshotFromSim(const TSimRoot* sim) { return voltaris::MakeSnapshotFromSim(sim); }

TSimRoot THxFacade::BuildSimFromUI() {
  const TGetUiSnapshot getter = State().getter;
  return BuildSimFromSnapshot(getter ? getter() : DefaultUiSnapshot());
}

TChemTemplateExtras THxFacade::GetLastChemTemplate() { return voltaris::GetLastChemTemplate(); }

void THxFacade::ExportSessionToFile(const std::string& fileName) {
  const TSimRoot sim = BuildSimFromUI();
  // A name in the workspace goes nowhere else: with the workspace unusable (a folder
  // read-only or unreadable) the session is not quietly saved beside the program.
  if (!fileName.empty() && !IsRooted(WithForwardSlashes(fileName))) {
    if (const std::string problem = WorkspaceProblem(); !problem.empty()) throw DocumentError(problem);
  }
  const std::string path = ResolvePath(fileName);
  TJsonBase::SaveToFile(path, sim);
  SaveRecentSession(path);
}

void THxFacade::ImportSessionFromFile(const std::string& fileName) {
  const std::string path = ResolvePath(fileName);
  std::unique_ptr<TSimRoot> sim = TJsonBase::LoadFromFile<TSimRoot>(path);
  ValidateSimOrRaise(sim.get());  // normalises first
  // A copy: the window may rebind while it applies the snapshot.
  const TApplyUiSnapshot setter = State().setter;
  if (setter) {
    const TUiSnapshot snapshot = voltaris::MakeSnapshotFromSim(sim.get());
    setter(snapshot);
    setter(snapshot);
  }
  SaveRecentSession(path);
}

std::vector<double> THxFacade::BuildRefWaveFromFiles(TSimRoot* sim) {
  return voltaris::BuildRefWaveFromFiles(sim, &THxFacade::LoadPattern, &THxFacade::LoadCal);
}

TPatternRoot THxFacade::LoadPattern(const std::string& fileName) {
  return LoadChecked<TPatternRoot>(fileName, "Pattern file schema mismatch");
}

TDefaultsRoot THxFacade::LoadDefaults(const std::string& fileName) {
  return LoadChecked<TDefaultsRoot>(fileName, "Defaults file schema mismatch");
}

TCalRoot THxFacade::LoadCal(const std::string& fileName) {
  return LoadChecked<TCalRoot>(fileName, "Cal file schema mismatch");
}

TChemRoot THxFacade::LoadChem(const std::string& fileName) { return voltaris::LoadChem(ResolvePath(fileName)); }

void THxFacade::SaveRecentSession(const std::string& fileName) {
  try {
    // Already the remembered session: nothing to write (batch runs import one session
    // many times, and each safe write waits for the disk).
    if (const std::string path = RecentSessionPath(); TextFileExists(path) && ReadTextFile(path) == fileName) return;
    WriteFileReplacing(AppRootDir() + "/" + std::string(kRecentSessionFileName), "\xEF\xBB\xBF" + fileName);
  } catch (const std::exception& e) {
    DebugOut(std::string("SaveRecentSession failed: ") + e.what());
  }
}

std::string THxFacade::GetLastSessionFile() {
  const std::string path = RecentSessionPath();
  try {
    return TextFileExists(path) ? Trimmed(ReadTextFile(path)) : std::string();
  } catch (const std::exception&) {
    // An unreadable note is as good as none: start-up goes on with the seed session.
    return {};
  }
}

void THxFacade::LoadLastSessionOrDefaults() {
  // An unusable workspace was reported at start-up (PrepareWorkspace): the built-in
  // defaults follow without a second message.
  const bool usable = PrepareWorkspace().empty();
  if (const std::string last = usable ? GetLastSessionFile() : std::string(); !last.empty()) {
    try {
      ImportSessionFromFile(last);
      return;
    } catch (const std::exception& e) {
      DebugOut(std::string("LoadLastSession failed: ") + e.what());
    }
  }
  try {
    if (usable) {
      ImportSessionFromFile(ResolvePath(kSeedSessionFile));
      return;
    }
  } catch (const std::exception&) {
    // The window's own inputs (or the defaults) follow; no message.
  }
  const TSimRoot sim = BuildSimFromUI();
  if (const TApplyUiSnapshot setter = State().setter) setter(voltaris::MakeSnapshotFromSim(&sim));
}

}  // namespace voltaris
