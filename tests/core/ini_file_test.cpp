#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "documents/text_file.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;

TEST(IniFile, ReadsSectionsAndKeysCaseInsensitivelyAndTrimmed) {
  const TIniFile ini = TIniFile::FromText(
      "; settings\r\n[LastFiles]\r\nZaruVedh = /a/b.hxchem \r\nPatPath=\r\n\r\n[Claude]\r\nProxyURL=http://x\r\n");
  EXPECT_EQ(ini.ReadString("lastfiles", "zaruvedh"), "/a/b.hxchem");
  EXPECT_EQ(ini.ReadString("LastFiles", "PatPath", "fallback"), "");
  EXPECT_EQ(ini.ReadString("LastFiles", "ProxyURL", "none"), "none");  // key of another section
  EXPECT_EQ(ini.ReadString("Claude", "ProxyURL"), "http://x");
  EXPECT_FALSE(ini.HasKey("Claude", "APIKey"));
}

TEST(IniFile, WritingKeepsOtherSectionsKeysAndComments) {
  TIniFile ini = TIniFile::FromText("; mine\n[Claude]\nAPIKey=secret\n\n[LastFiles]\nPatPath=old\nOther=1\n");
  ini.WriteString("LastFiles", "PatPath", "new");
  ini.WriteString("LastFiles", "ZaruVedh", "/c.hxchem");
  ini.WriteString("Window", "Left", "5");
  EXPECT_EQ(ini.Text(),
            "; mine\n[Claude]\nAPIKey=secret\n\n[LastFiles]\nPatPath=new\nOther=1\nZaruVedh=/c.hxchem\n\n"
            "[Window]\nLeft=5\n");
}

TEST(IniFile, MissingOrUnreadableFileReadsEmptyAndSaveCreatesFolders) {
  const fs::path dir = fs::temp_directory_path() / ("voltaris_ini_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  EXPECT_EQ(TIniFile::Load(dir / "none.ini").ReadString("A", "B", "fb"), "fb");
  fs::create_directories(dir / "folder.ini");  // a folder where the file is expected
  EXPECT_EQ(TIniFile::Load(dir / "folder.ini").ReadString("A", "B", "fb"), "fb");

  TIniFile ini;
  ini.WriteString("LastFiles", "PatPath", "/p.hxpat");
  ini.Save(dir / "sub" / "Kelvane.ini");
  EXPECT_EQ(TIniFile::Load(dir / "sub" / "Kelvane.ini").ReadString("LastFiles", "PatPath"), "/p.hxpat");
  fs::remove_all(dir);
}

TEST(IniFile, FoundThroughTheEnvironmentBesideTheProgramOrInTheUserConfig) {
  const fs::path dir = fs::temp_directory_path() / ("voltaris_inipath_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "prog");
  const char* oldIni = std::getenv("VOLTARIS_INI");
  const std::string saved = oldIni ? oldIni : "";

  ::setenv("VOLTARIS_INI", (dir / "x.ini").c_str(), 1);
  EXPECT_EQ(FindIniPath(dir / "prog"), dir / "x.ini");
  ::unsetenv("VOLTARIS_INI");
  EXPECT_EQ(FindIniPath(dir / "prog"), dir / "prog" / "Kelvane.ini");  // writable program folder
  ::setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
  EXPECT_EQ(FindIniPath(dir / "missing-prog"), dir / "cfg" / "Voltaris" / "Kelvane.ini");

  ::unsetenv("XDG_CONFIG_HOME");
  if (oldIni) ::setenv("VOLTARIS_INI", saved.c_str(), 1);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace voltaris
