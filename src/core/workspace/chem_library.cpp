#include "workspace/chem_library.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "documents/json_values.h"

namespace voltaris {

namespace fs = std::filesystem;

thread_local TChemLibrary GChemLibrary;

namespace {

constexpr std::string_view kChemExtension = ".hxchem";

// Depth-first walk in ordinal name order. Folder links are not followed, so a link
// pointing back up the tree cannot loop.
void CollectChemFiles(const fs::path& folder, std::vector<fs::path>& out) {
  std::error_code ec;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) {
              return a.path().filename().native() < b.path().filename().native();
            });
  for (const fs::directory_entry& e : entries) {
    if (e.is_directory(ec) && !e.is_symlink(ec)) {
      CollectChemFiles(e.path(), out);
    } else if (e.is_regular_file(ec) && SameTextIgnoringCase(e.path().extension().string(), kChemExtension)) {
      out.push_back(e.path());
    }
  }
}

std::string TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlank = " \t\r\n\v\f";
  const size_t b = text.find_first_not_of(kBlank);
  if (b == std::string_view::npos) return {};
  return std::string(text.substr(b, text.find_last_not_of(kBlank) - b + 1));
}

}  // namespace

std::string FamilyFromName(std::string_view name) {
  const size_t u = name.find('_');
  if (u == std::string_view::npos || u == 0) return std::string(name);
  return std::string(name.substr(0, u));
}

void TChemLibrary::ScanChemDir(const std::string& rootDir) {
  Clear();
  std::error_code ec;
  if (rootDir.empty() || !fs::is_directory(rootDir, ec)) return;
  std::vector<fs::path> files;
  CollectChemFiles(rootDir, files);
  for (const fs::path& file : files) {
    const std::string base = file.stem().string();
    std::string family = FamilyFromName(base);
    std::string display = family + std::string(kChemDisplaySeparator) + base;
    FItems.push_back({std::move(display), std::move(family), file.string()});
  }
}

void TChemLibrary::FillComboGrouped(FormModel* form, std::string_view comboName) const {
  if (form == nullptr) return;
  const Control* combo = form->Find(comboName);
  if (combo == nullptr || combo->Kind() != ControlKind::Combo) return;

  std::vector<std::string> families;
  for (const TChemEntry& e : FItems) families.push_back(e.Family);
  std::sort(families.begin(), families.end());
  families.erase(std::unique(families.begin(), families.end()), families.end());

  // One update of the list: the view redraws it once.
  std::vector<std::string> lines;
  lines.reserve(families.size() + FItems.size());
  for (const std::string& family : families) {
    lines.push_back("[" + family + "]");
    for (const TChemEntry& e : FItems)
      if (e.Family == family) lines.push_back("  " + e.DisplayName);
  }
  form->SetItems(comboName, std::move(lines));
}

std::string TChemLibrary::FindFileByDisplay(std::string_view display) const {
  const std::string line = TrimBlanks(display);
  if (line.empty() || line.front() == '[') return {};
  for (const TChemEntry& e : FItems)
    if (e.DisplayName == line) return e.FileName;
  return {};
}

}  // namespace voltaris
