// The per-user workspace and the single entry through which the program reaches its
// documents: seed files, stored names turned into real paths, loaders with their schema
// checks, session import and export, the recent session and the start-up restore.
//
// Where it lives: "$XDG_DATA_HOME/HalvoraPreview" ("~/.local/share/HalvoraPreview" when
// XDG_DATA_HOME is unset, empty or relative). The root is worked out afresh on every call,
// so a test (or the window smoke test) redirects the whole workspace by setting
// XDG_DATA_HOME, at any time. Stored names may use "\" (sessions written on Windows) or
// "/"; resolved paths use "/".
//
// The facade has no instances; its state is class-level: the two window callbacks (one
// pair per thread, for the window living on it) and the program folder override. The last chemistry template is kept by the chemistry reader.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/cal_document.h"
#include "documents/chem_document.h"
#include "documents/chem_template_import.h"
#include "documents/defaults_document.h"
#include "documents/pattern_document.h"
#include "documents/sim_document.h"
#include "workspace/ui_snapshot.h"

namespace voltaris {

// Takes a snapshot of the window's run inputs.
using TGetUiSnapshot = std::function<TUiSnapshot()>;
// Writes a snapshot into the window's controls.
using TApplyUiSnapshot = std::function<void(const TUiSnapshot&)>;

inline constexpr std::string_view kWorkspaceFolderName = "HalvoraPreview";
inline constexpr std::string_view kRecentSessionFileName = "recent_session.txt";
inline constexpr std::string_view kSeedSessionFile = "sessions\\seed.hxsim";
inline constexpr std::string_view kSeedPatternName = "Sinus 51min (zero-based)";

class THxFacade {
 public:
  THxFacade() = delete;

  // The workspace root without a trailing separator; nothing is created.
  static std::string WorkspaceRoot();
  // The workspace root, created with its parents when missing. Fails with a DocumentError
  // carrying WorkspaceProblem's message when the folder cannot be made.
  static std::string AppRootDir();
  // What is wrong with the workspace, or "" when it is usable: the root and its four
  // subfolders must be folders (made when missing) that can be read and written. The
  // message names the folder and ends saying the program runs on built-in defaults.
  static std::string WorkspaceProblem();
  // Start-up: the workspace and its seed files. Never fails: returns "" when all is well,
  // else the one message for the user (WorkspaceProblem, or the seed file that could not
  // be written).
  static std::string PrepareWorkspace();
  // Full path of the file naming the recent session; nothing is created.
  static std::string RecentSessionPath();

  // The program's own folder, where relative names fall back to when the workspace lacks
  // their folder: the executable's folder unless overridden (an empty path restores it).
  static std::string ProgramDir();
  static void SetProgramDir(const std::filesystem::path& dir);

  // Real path for a stored file name: "" stays "", a rooted name (leading separator or
  // drive letter and colon) is kept with "\" turned into "/", a relative name goes below
  // the workspace when the file or its folder exists there, else below the program folder.
  static std::string ResolvePath(std::string_view relOrAbs);

  // Creates the four subfolders and the five seed documents where nothing exists yet. An
  // existing file (or anything else at a seed path) is never overwritten or inspected.
  static void EnsureSeedFiles();

  // Remembers the window callbacks; empty callables unbind.
  static void BindUI(TGetUiSnapshot getter, TApplyUiSnapshot setter);

  static void NormalizeSim(TSimRoot* sim);
  static TUiSnapshot MakeSnapshotFromSim(const TSimRoot* sim);
  // A normalised, validated session from the bound window, or from the built-in default
  // snapshot without a getter. Validation errors propagate.
  static TSimRoot BuildSimFromUI();

  // A copy of the extras of the last chemistry template loaded by LoadChem.
  static TChemTemplateExtras GetLastChemTemplate();

  // Saves the window's inputs as a session and remembers it as the recent session.
  static void ExportSessionToFile(const std::string& fileName);
  // Loads, normalises and validates a session, applies its snapshot to the window twice
  // in succession and remembers it. Errors propagate and leave the recent session as it
  // was.
  static void ImportSessionFromFile(const std::string& fileName);

  // The reference wave of a session from the pattern and calibration files it names (read
  // with LoadPattern and LoadCal, errors propagate); the session is normalised in place.
  // Empty for nullptr.
  static std::vector<double> BuildRefWaveFromFiles(TSimRoot* sim);

  // Loaders: the document, or "Pattern file schema mismatch" / "Defaults file schema
  // mismatch" / "Cal file schema mismatch" when the file holds no document or one of
  // another kind; reader errors ("JSON file not found: ...") propagate.
  static TPatternRoot LoadPattern(const std::string& fileName);
  static TDefaultsRoot LoadDefaults(const std::string& fileName);
  static TCalRoot LoadCal(const std::string& fileName);
  // The tolerant chemistry reader on the resolved name.
  static TChemRoot LoadChem(const std::string& fileName);

  // Writes `fileName` as the recent session; a failure only writes the debug line
  // "SaveRecentSession failed: <message>".
  static void SaveRecentSession(const std::string& fileName);
  // The remembered session path, trimmed; empty when there is none or it cannot be read.
  static std::string GetLastSessionFile();

  // Start-up restore: the remembered session, else the seed session, else a session built
  // from the window (or the defaults) applied once.
  static void LoadLastSessionOrDefaults();
};

}  // namespace voltaris
