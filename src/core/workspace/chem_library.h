// The chemistry library: the chemistry documents found in the program's chemistry folder,
// grouped by family for the SEI model list. The family comes from the file name alone
// (the base name before its first underscore); no file content is read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "form/form_model.h"

namespace voltaris {

// Between family and base name in a list line: space, en dash (U+2013), space.
inline constexpr std::string_view kChemDisplaySeparator = " \xE2\x80\x93 ";

struct TChemEntry {
  std::string DisplayName{};  // family, separator, base name: "LFP – LFP_21700"
  std::string Family{};
  std::string FileName{};     // full path
};

// The text before the first "_"; the whole name when there is none or it comes first.
std::string FamilyFromName(std::string_view name);

class TChemLibrary {
 public:
  // Rebuilds the list from every "*.hxchem" file (extension in any letter case) in
  // `rootDir` and its subfolders. Within a folder entries are taken in ordinal name
  // order, descending into a subfolder where its name comes. A missing folder gives an
  // empty list; unreadable subfolders are skipped.
  void ScanChemDir(const std::string& rootDir);

  // Fills the combo box `comboName` of `form`: per family (distinct, case-sensitive, in
  // ordinal order) a header line "[family]", then "  " + display name for each of its
  // entries in scan order. Does nothing when `form` is null or has no such combo box.
  void FillComboGrouped(FormModel* form, std::string_view comboName) const;

  // The file of a list line (surrounding blanks ignored), or empty for a header line, an
  // empty line or a line that names no entry.
  std::string FindFileByDisplay(std::string_view display) const;

  void Clear() { FItems.clear(); }
  const std::vector<TChemEntry>& Items() const { return FItems; }

 private:
  std::vector<TChemEntry> FItems;
};

// The program's one chemistry library, one per thread: the window fills and reads it on
// its thread, and batch runs on worker threads each scan their own.
extern thread_local TChemLibrary GChemLibrary;

}  // namespace voltaris
