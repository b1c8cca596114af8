// The window's document commands "Load Json", "New Json" and "Save Json": the document
// kind picked in cbJsonType, the file dialogs' filters, the default document of each kind,
// loading by kind (a chemistry template first), and the last pattern and chemistry files
// remembered in the settings file between program runs.
#pragma once

#include <filesystem>
#include <string>
#include <variant>

#include "documents/cal_document.h"
#include "documents/chem_document.h"
#include "documents/pattern_document.h"
#include "documents/sim_document.h"

namespace voltaris {

class TFormPreview;
class TIniFile;

// Document kinds of the commands, in the order of cbJsonType's items.
enum TJsonKind { jkSess, jkPat, jkChem, jkCal };

// One document of any kind the commands write.
using TJsonDocument = std::variant<TSimRoot, TPatternRoot, TChemRoot, TCalRoot>;

// Settings section and keys of the last files.
inline constexpr const char* kLastFilesSection = "LastFiles";
inline constexpr const char* kLastChemKey = "ZaruVedh";
inline constexpr const char* kLastPatternKey = "PatPath";

class TDocumentCommands {
 public:
  explicit TDocumentCommands(TFormPreview& window) : window_(window) {}
  TDocumentCommands(const TDocumentCommands&) = delete;
  TDocumentCommands& operator=(const TDocumentCommands&) = delete;

  // Registers the three buttons' handlers.
  void AttachHandlers();

  // The kind of the selected cbJsonType item: 0 session, 1 pattern, 2 chemistry, any
  // other index (no selection included) calibration.
  TJsonKind CurrentJsonKind() const;
  // The dialog filter ("Description|pattern|..." pairs) and default extension (".hxsim").
  static void SetupFilterForKind(TJsonKind kind, std::string& filter, std::string& ext);
  // The kind a file's extension names (any letter case); false for other extensions.
  static bool KindFromExtension(const std::string& fileName, TJsonKind& kind);
  // The document New writes for a kind (and Save for a pattern or calibration).
  static TJsonDocument CreateDefaultObjectForKind(TJsonKind kind);

  // Loads a file as a document of `kind`: a session is imported into the window (and
  // becomes the recent session), a chemistry document becomes the window's chemistry, a
  // pattern or calibration document is only checked. Loader errors propagate and leave
  // the window as it was.
  void LoadByKind(TJsonKind kind, const std::string& fileName);

  void btnJsonNewClick(const std::string& sender);
  void btnJsonLoadClick(const std::string& sender);
  void btnJsonSaveClick(const std::string& sender);

  // Start-up: loads the last chemistry (also found by its file name in the chemistry
  // folder when it has moved there) and the last pattern named in the settings. Missing
  // keys or files are skipped silently; a file that fails to load is reported and skipped.
  void ReloadLastFiles(const TIniFile& ini);
  // Shutdown: the last chemistry and pattern paths into the settings.
  void StoreLastFiles(TIniFile& ini) const;

  // Full path of the last pattern document loaded.
  std::string FLastPatPath{};
  // Kind, filter and default extension of the last New command.
  TJsonKind K = jkCal;
  std::string Flt{};
  std::string Ext{};

 private:
  // Runs the save dialog; the chosen name (with the default extension added
  // when it has none), or empty when the dialog was cancelled.
  std::string AskSaveName(const std::string& filter, const std::string& ext);
  // A loaded chemistry template shown on the Custom LUT page.
  void ShowLoadedTemplate(const std::string& fileName);
  void UseLastChemistry(const std::string& path);

  TFormPreview& window_;
};

}  // namespace voltaris
