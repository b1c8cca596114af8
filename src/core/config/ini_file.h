// The program's settings file "Kelvane.ini": plain "[Section]" / "Key=Value" text.
// Found by one function for every reader (last files, the AI service's section);
// the program writes only its own keys and keeps every other line as it was.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace voltaris {

inline constexpr const char* kIniFileName = "Kelvane.ini";

// Where "Kelvane.ini" is: $VOLTARIS_INI when set; else beside the program when that
// folder holds the file or is writable; else $XDG_CONFIG_HOME/Voltaris/Kelvane.ini
// (default ~/.config). The file itself need not exist.
std::filesystem::path FindIniPath(const std::filesystem::path& programDir);

// An INI file held as its lines, so a write keeps comments, other sections and other
// keys untouched. Section and key names compare case-insensitively, as INI readers do.
class TIniFile {
 public:
  // Reads the file; a missing or unreadable file reads as empty (no exception).
  static TIniFile Load(const std::filesystem::path& path);

  // The value of Key in [Section], trimmed; `fallback` when either is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback = {}) const;
  bool HasKey(const std::string& section, const std::string& key) const;

  // Sets Key in [Section], adding the key (at the end of its section) or the section (at
  // the end of the file) when missing.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);

  // Writes the text safely (temporary file + rename; the folder is created when missing).
  // Throws with a message naming the file when it cannot be written.
  void Save(const std::filesystem::path& path) const;

  std::string Text() const;
  static TIniFile FromText(const std::string& text);

 private:
  std::vector<std::string> lines_{};
};

}  // namespace voltaris
