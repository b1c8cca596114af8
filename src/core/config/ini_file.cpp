#include "config/ini_file.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "documents/text_file.h"

namespace voltaris {

namespace fs = std::filesystem;

namespace {

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return std::string(s.substr(b, e - b));
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// "[Name]" → Name; anything else → empty with false.
bool SectionOf(const std::string& line, std::string& name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  name = Trim(std::string_view(t).substr(1, t.size() - 2));
  return true;
}

// "Key=Value" → key and value (trimmed); comments and other lines give false.
bool KeyOf(const std::string& line, std::string& key, std::string& value) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#') return false;
  const size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(std::string_view(t).substr(0, eq));
  value = Trim(std::string_view(t).substr(eq + 1));
  return !key.empty();
}

bool FolderWritable(const fs::path& dir) {
  std::error_code ec;
  return fs::is_directory(dir, ec) && ::access(dir.c_str(), W_OK) == 0;
}

}  // namespace

fs::path FindIniPath(const fs::path& programDir) {
  if (const char* env = std::getenv("VOLTARIS_INI"); env != nullptr && *env != '\0') return fs::path(env);
  const fs::path beside = programDir / kIniFileName;
  std::error_code ec;
  if (fs::exists(beside, ec) || FolderWritable(programDir)) return beside;
  fs::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    config = fs::path(home) / ".config";
  } else {
    config = fs::temp_directory_path();
  }
  return config / "Voltaris" / kIniFileName;
}

TIniFile TIniFile::FromText(const std::string& text) {
  TIniFile ini;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ini.lines_.push_back(line);
  }
  return ini;
}

TIniFile TIniFile::Load(const fs::path& path) {
  try {
    if (!TextFileExists(path.string())) return {};
    return FromText(ReadTextFile(path.string()));
  } catch (...) {
    return {};  // an unreadable settings file is skipped: the program runs on defaults
  }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
  bool inSection = false;
  std::string name, k, v;
  for (const std::string& line : lines_) {
    if (SectionOf(line, name)) {
      inSection = SameName(name, section);
    } else if (inSection && KeyOf(line, k, v) && SameName(k, key)) {
      return v;
    }
  }
  return fallback;
}

bool TIniFile::HasKey(const std::string& section, const std::string& key) const {
  const std::string marker = "\x01missing\x01";
  return ReadString(section, key, marker) != marker;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  bool inSection = false;
  size_t sectionEnd = std::string::npos;  // index after the last non-blank line of the section
  std::string name, k, v;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (SectionOf(lines_[i], name)) {
      if (inSection) break;
      inSection = SameName(name, section);
      if (inSection) sectionEnd = i + 1;
      continue;
    }
    if (!inSection) continue;
    if (KeyOf(lines_[i], k, v) && SameName(k, key)) {
      lines_[i] = k + "=" + value;
      return;
    }
    if (!Trim(lines_[i]).empty()) sectionEnd = i + 1;
  }
  if (sectionEnd != std::string::npos) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd), key + "=" + value);
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
  lines_.push_back("[" + section + "]");
  lines_.push_back(key + "=" + value);
}

std::string TIniFile::Text() const {
  std::string out;
  for (const std::string& line : lines_) {
    out += line;
    out += '\n';
  }
  return out;
}

void TIniFile::Save(const fs::path& path) const {
  try {
    WriteFileReplacing(path.string(), Text());
  } catch (const std::filesystem::filesystem_error& e) {
    throw std::runtime_error("Cannot write \"" + path.string() + "\": " + e.code().message());
  }
}

}  // namespace voltaris
