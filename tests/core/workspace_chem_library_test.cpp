// The chemistry library: families from file names, the recursive scan, the grouped list
// and the look-up of a list line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "form/form_model.h"
#include "workspace/chem_library.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;

const std::string kDash = "\xE2\x80\x93";  // en dash

TEST(ChemLibrary, FamilyFromNameTable) {
  const struct {
    const char* name;
    const char* family;
  } cases[] = {
      {"NMC811_cellA", "NMC811"}, {"LFP", "LFP"}, {"_x", "_x"}, {"LFP_21700_v2", "LFP"}, {"", ""}, {"a_", "a"},
  };
  for (const auto& c : cases) EXPECT_EQ(FamilyFromName(c.name), c.family) << c.name;
}

class ChemLibraryFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("voltaris_chemlib_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    for (const char* name : {"LFP_21700.hxchem", "NMC811_A.hxchem", "lfp_a.hxchem", "LTO.hxchem", "notes.txt",
                             "sub/LFP_18650.HXCHEM", "sub/deeper/NMC811_B.hxchem", "NMC811_C.hxchem.bak"}) {
      fs::create_directories((dir_ / name).parent_path());
      std::ofstream(dir_ / name) << "not read";
    }
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(ChemLibraryFolder, ScanGroupsByFamilyAndFindsFiles) {
  TChemLibrary lib;
  lib.ScanChemDir(dir_.string());
  FormModel form;
  lib.FillComboGrouped(&form, "cbSEI");
  // Families in ordinal order (upper case first), entries in scan order within each.
  const std::vector<std::string> expected = {
      "[LFP]",    "  LFP " + kDash + " LFP_21700", "  LFP " + kDash + " LFP_18650",
      "[LTO]",    "  LTO " + kDash + " LTO",
      "[NMC811]", "  NMC811 " + kDash + " NMC811_A", "  NMC811 " + kDash + " NMC811_B",
      "[lfp]",    "  lfp " + kDash + " lfp_a",
  };
  EXPECT_EQ(form.Get("cbSEI").Items(), expected);
  EXPECT_EQ(form.Get("cbSEI").ItemIndex(), -1);

  const struct {
    std::string line;
    fs::path file;
  } lookups[] = {
      {"  LFP " + kDash + " LFP_18650", dir_ / "sub/LFP_18650.HXCHEM"},
      {"NMC811 " + kDash + " NMC811_B\t", dir_ / "sub/deeper/NMC811_B.hxchem"},
      {"[LFP]", ""},
      {"  [lfp]", ""},
      {"   ", ""},
      {"LFP - LFP_21700", ""},  // a hyphen is not the separator
  };
  for (const auto& l : lookups) EXPECT_EQ(lib.FindFileByDisplay(l.line), l.file.string()) << l.line;
}

TEST_F(ChemLibraryFolder, MissingFolderEmptiesTheListAndNullComboIsIgnored) {
  TChemLibrary lib;
  lib.ScanChemDir(dir_.string());
  ASSERT_FALSE(lib.Items().empty());
  FormModel form;
  lib.ScanChemDir((dir_ / "absent").string());
  EXPECT_TRUE(lib.Items().empty());
  lib.FillComboGrouped(&form, "cbSEI");
  EXPECT_TRUE(form.Get("cbSEI").Items().empty());  // the layout's items are gone
  EXPECT_NO_THROW(lib.FillComboGrouped(nullptr, "cbSEI"));
  EXPECT_NO_THROW(lib.FillComboGrouped(&form, "noSuchCombo"));
  EXPECT_EQ(lib.FindFileByDisplay("LFP " + kDash + " LFP_21700"), "");
}

TEST_F(ChemLibraryFolder, FolderLinkLoopsAndUnreadableFoldersDoNotStopTheScan) {
  fs::create_directory_symlink(dir_, dir_ / "sub" / "loop");
  fs::create_directories(dir_ / "locked");
  std::ofstream(dir_ / "locked" / "NCA_x.hxchem") << "";
  fs::permissions(dir_ / "locked", fs::perms::none);
  TChemLibrary lib;
  lib.ScanChemDir(dir_.string());
  fs::permissions(dir_ / "locked", fs::perms::owner_all);
  // 6 files below the root; the locked one only when the test runs with root rights.
  EXPECT_GE(lib.Items().size(), 6u);
  EXPECT_LE(lib.Items().size(), 7u);
}

}  // namespace
}  // namespace voltaris
