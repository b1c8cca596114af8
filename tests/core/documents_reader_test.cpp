// Reading JSON documents: the reader's tolerance, its failures, and the file operations.
#include <gtest/gtest.h>

#include "test_support.h"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>

#include "common/numbers.h"
#include "documents/cal_document.h"
#include "documents/defaults_document.h"
#include "documents/document_error.h"
#include "documents/json_mapper.h"
#include "documents/pattern_document.h"
#include "documents/sim_document.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(__FILE__).parent_path() / "data" / "documents";


template <class T>
T Read(const std::string& json) {
  auto doc = TJsonBase::FromJsonText<T>(json);
  if (!doc) throw std::runtime_error("no document");
  return *doc;
}

// A folder of its own per test (tests run in parallel processes).
class DocFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("voltaris_docs_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  size_t EntryCount(const fs::path& folder) const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }
  fs::path dir_;
};

struct SimCase {
  const char* json;
  std::function<void(const TSimRoot&)> check;
};

TEST(DocReader, SessionToleranceTable) {
  const SimCase cases[] = {
      // Keys: with or without the F prefix, any letter case; unknown keys ignored.
      {R"({"TIMEBASE":{"FSHZ":5}})", [](const TSimRoot& s) { EXPECT_EQ(s.FTimebase->FFsHz, 5); }},
      {R"({"timebase":{"FFsHz":6}})", [](const TSimRoot& s) { EXPECT_EQ(s.FTimebase->FFsHz, 6); }},
      {R"({"timebase":{"FsHz":7}})", [](const TSimRoot& s) { EXPECT_EQ(s.FTimebase->FFsHz, 7); }},
      {R"({"x":{"a":[1]},"timebase":{"fshz":8,"unknown":true},"ftimebase":{"rampins":2}})",
       [](const TSimRoot& s) {
         EXPECT_EQ(s.FTimebase->FFsHz, 8);
         EXPECT_EQ(s.FTimebase->FRampInS, 2);
       }},
      // Numbers: JSON numbers or strings in the invariant form; other text reads as 0.
      {R"({"timebase":{"fsHz":"2.5","tTotalS":"2,5","rampInS":"abc","rampOutS":-1E2}})",
       [](const TSimRoot& s) {
         EXPECT_EQ(s.FTimebase->FFsHz, 2.5);
         EXPECT_EQ(s.FTimebase->FTTotalS, 0);
         EXPECT_EQ(s.FTimebase->FRampInS, 0);
         EXPECT_EQ(s.FTimebase->FRampOutS, -100);
       }},
      // Strings: a number is stored as its text; null empties.
      {R"({"meta":{"title":42,"notes":null,"vstepText":"0:3.2"}})",
       [](const TSimRoot& s) {
         EXPECT_EQ(s.FMeta->FTitle, "42");
         EXPECT_EQ(s.FMeta->FNotes, "");
         EXPECT_EQ(s.FMeta->FVstepText, "0:3.2");
       }},
      // null: zero values, dropped objects and lists.
      {R"({"schema":null,"meta":null,"limits":{"imaxA":null},"steps":{"current":null},
          "runFlags":{"enableSeiModel":true,"recordWaveform":"true"}})",
       [](const TSimRoot& s) {
         EXPECT_EQ(s.FSchema, "");
         EXPECT_FALSE(s.FMeta);
         EXPECT_EQ(s.FLimits->FImaxA, 0);
         EXPECT_FALSE(s.FSteps->FCurrent);
         EXPECT_TRUE(s.FSteps->FVoltage);
         EXPECT_TRUE(s.FRunFlags->FEnableSeiModel);
         EXPECT_FALSE(s.FRunFlags->FRecordWaveform);  // a string is no boolean
       }},
      // Absent keys keep the constructor's values, the root tags included.
      {R"({"timebase":{"rampInS":4}})",
       [](const TSimRoot& s) {
         EXPECT_EQ(s.FSchema, "hx-sim-1.1");
         EXPECT_EQ(s.FVersion, "1.1.0");
         EXPECT_EQ(s.FTimebase->FRampInS, 4);
         EXPECT_EQ(s.FTimebase->FFsHz, 0);
         EXPECT_EQ(*s.FVoltageRamp, TSimRampConfig{});
       }},
      // Lists: one element per "listHelper" entry (key in any case), built fresh.
      {R"({"steps":{"current":{"ownsObjects":true,"LISTHELPER":[{"iMode":"CC","iValueA":"3"},{},7]}}})",
       [](const TSimRoot& s) {
         ASSERT_EQ(s.FSteps->FCurrent->size(), 3u);
         EXPECT_EQ((*s.FSteps->FCurrent)[0], (TCurrentStep{.FIMode = "CC", .FIValueA = 3}));
         EXPECT_EQ((*s.FSteps->FCurrent)[1], TCurrentStep{});
         EXPECT_EQ((*s.FSteps->FCurrent)[2], TCurrentStep{});
       }},
      // An "items" array directly after "listHelper" is used instead.
      {R"({"steps":{"current":{"listHelper":[{"iMode":"CC"}],"items":[{"iMode":"CV"},{"iMode":"CC"}]}}})",
       [](const TSimRoot& s) {
         ASSERT_EQ(s.FSteps->FCurrent->size(), 2u);
         EXPECT_EQ((*s.FSteps->FCurrent)[0].FIMode, "CV");
       }},
      {R"({"steps":{"current":{"items":[{"iMode":"CV"}],"listHelper":[{"iMode":"CC"}]}}})",
       [](const TSimRoot& s) {
         ASSERT_EQ(s.FSteps->FCurrent->size(), 1u);
         EXPECT_EQ((*s.FSteps->FCurrent)[0].FIMode, "CC");
       }},
      {R"({"steps":{"current":{"ownsObjects":true}}})",
       [](const TSimRoot& s) { EXPECT_TRUE(s.FSteps->FCurrent->empty()); }},
      // Values of unexpected kinds are ignored.
      {R"({"timebase":[1,2],"limits":{"imaxA":{"a":1}},"steps":{"current":[{"iMode":"CC"}]}})",
       [](const TSimRoot& s) {
         EXPECT_EQ(*s.FTimebase, TSimTimebase{});
         EXPECT_EQ(s.FLimits->FImaxA, 0);
         EXPECT_TRUE(s.FSteps->FCurrent->empty());
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    c.check(Read<TSimRoot>(c.json));
  }
}

TEST(DocReader, IntegersRefuseFractions) {
  const struct {
    const char* value;
    std::int32_t bits;
  } cases[] = {
      {"16", 16},        {"-5", -5},          {"\"16\"", 16},      {"\"-7\"", -7},
      {"16.0", 0},       {"16.5", 0},         {"\"16.0\"", 0},     {"1e3", 0},
      {"3000000000", 0}, {"\"2147483648\"", 0}, {"true", 0},       {"null", 0},
      {"\" 16\"", 0},    {"2147483647", std::numeric_limits<std::int32_t>::max()},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
  };
  for (const auto& c : cases) {
    const auto cal = Read<TCalRoot>(std::string(R"({"adc":{"bits":)") + c.value + "}}");
    EXPECT_EQ(cal.FAdc->FBits, c.bits) << c.value;
  }
}

TEST(DocReader, KeysOfTheDefaultsDocumentMatchIgnoringCase) {
  const TDefaultsRoot expected = TDefaultsRoot::CreateLabRigV1();
  for (const char* ioKey : {"iOStack", "IOStack", "ioStack", "FIOStack"}) {
    const std::string json =
        std::string(R"({"modes":{"CC_CV_LITE":true,"modeswitchguard_ms":100},")") + ioKey +
        R"(":{"aOWaveform":"PCI-1721","aovref":"PCI-1724","AFEEDBACK":"PCI-1713",)"
        R"("slewLimit_A_per_s":200,"updatePeriod_ms":10}})";
    const auto d = Read<TDefaultsRoot>(json);
    EXPECT_EQ(*d.FIOStack, *expected.FIOStack) << ioKey;
    EXPECT_EQ(*d.FModes, *expected.FModes) << ioKey;
  }
}

TEST(DocReader, PatternWithOnlyAType) {
  const auto p = Read<TPatternRoot>(R"({"schema":"hx-pat-1.0","pattern":{"type":"trapezoid"}})");
  TPatternRoot expected;
  expected.FPattern->FType = "trapezoid";
  EXPECT_EQ(p, expected);
}

TEST(DocReader, FullDocumentsRoundTripFieldByField) {
  TSimRoot s = TSimRoot::CreateV11();
  *s.FMeta = {.FTitle = "t", .FNotes = "n", .FVstepText = "0:3.2;10:3.4", .FIstepText = "0:1"};
  *s.FRefs = {.FPatternFile = "p", .FChemFile = "c", .FDefaultsFile = "d", .FCalFile = "k"};
  *s.FSteps->FVoltage = {{.FVStart = 2.5, .FVEnd = 3.6, .FRate_mV_s = 0.5, .FHold_s = 30}};
  *s.FSteps->FCurrent = {{.FIMode = "CV", .FVTargetV = 3.55, .FHystmV = 12.5, .FDurationS = 600}};
  s.FVoltageRamp->FEnabled = true;
  s.FVoltageRamp->FShape = "S-curve";
  s.FCurrentRamp = nullptr;
  EXPECT_EQ(Read<TSimRoot>(TJsonBase::ToJsonText(s)), s);

  // Empty strings come back with the constructor's values.
  TPatternRoot p = TPatternRoot::CreateDefaultSinus();
  p.FSchema.clear();
  p.FName.clear();
  p.FUnits->FCurrent.clear();
  p.FPattern->FLevels->FIHighA = 42.125;
  const auto back = Read<TPatternRoot>(TJsonBase::ToJsonText(p));
  EXPECT_EQ(back.FSchema, "hx-pat-1.0");
  EXPECT_EQ(back.FName, "");
  EXPECT_EQ(back.FUnits->FCurrent, "A");
  EXPECT_EQ(back.FPattern->FLevels->FIHighA, 42.125);

  // The calibration scales are held to 15 significant digits.
  const TCalRoot cal = TCalRoot::CreateLabRigV1();
  const auto calBack = Read<TCalRoot>(TJsonBase::ToJsonText(cal));
  EXPECT_NEAR(calBack.FAdc->FScale_V_per_count, cal.FAdc->FScale_V_per_count, 1e-18);
  EXPECT_EQ(*calBack.FCompensation, *cal.FCompensation);
}

TEST(DocReader, MachineNumbersIgnoreTheUserDecimalSeparator) {
  const char saved = UserDecimalSeparator();
  SetUserDecimalSeparator(',');
  const auto s = Read<TSimRoot>(R"({"timebase":{"fsHz":"2,5","tTotalS":"7.5"}})");
  SetUserDecimalSeparator(saved);
  EXPECT_EQ(s.FTimebase->FFsHz, 0);
  EXPECT_EQ(s.FTimebase->FTTotalS, 7.5);
}

TEST(DocReader, TextThatIsNotAnObject) {
  for (const char* text : {"[1,2]", "{\"schema\":\"hx-sim-1.1\",\"timebase\":{", "42", "\"text\"", "true",
                           "{} x", "\xEF\xBB\xBF[]"}) {
    EXPECT_EQ(MessageOf([&] { TJsonBase::FromJsonText<TSimRoot>(text); }),
              "The input value is not a valid Object")
        << text;
  }
  for (const char* text : {"", "   \r\n\t", "null", " null ", "\xEF\xBB\xBF", "\xEF\xBB\xBFnull"}) {
    EXPECT_EQ(TJsonBase::FromJsonText<TCalRoot>(text), nullptr) << text;
  }
}

TEST_F(DocFiles, SaveToFileWritesTheTextAndReplacesOnlyWhenComplete) {
  const TCalRoot cal = TCalRoot::CreateLabRigV1();
  EXPECT_EQ(MessageOf([&] { TJsonBase::SaveToFile<TCalRoot>(Path("nil.hxcal"), nullptr); }),
            "SaveToFile: object is nil.");
  EXPECT_EQ(EntryCount(dir_), 0u);

  // Missing folders are created; the file holds exactly the text form.
  const std::string nested = Path("a/b/c/lab.hxcal");
  TJsonBase::SaveToFile(nested, cal);
  EXPECT_EQ(ReadBytes(nested), ReadBytes(kData / "lab_rig_v1.hxcal"));

  // Replacing leaves no temporary file behind.
  TCalRoot changed = cal;
  changed.FShunt->FAmpGain = 20;
  TJsonBase::SaveToFile(nested, changed);
  EXPECT_EQ(TJsonBase::LoadFromFile<TCalRoot>(nested)->FShunt->FAmpGain, 20);
  EXPECT_EQ(EntryCount(fs::path(nested).parent_path()), 1u);

  // A document that cannot be written leaves the old file as it was.
  const std::string before = ReadBytes(nested);
  changed.FShunt->FR_mOhm = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(TJsonBase::SaveToFile(nested, changed), DocumentError);
  EXPECT_EQ(ReadBytes(nested), before);

  // So does a target that cannot be replaced (a folder), and the temporary file goes.
  fs::create_directories(Path("taken.hxcal"));
  EXPECT_THROW(TJsonBase::SaveToFile(Path("taken.hxcal"), cal), DocumentError);
  EXPECT_TRUE(fs::is_directory(Path("taken.hxcal")));
  EXPECT_EQ(EntryCount(dir_), 2u);  // a/ and taken.hxcal/
}

// A write that fails half way (here: the file size limit of the process) keeps the old file.
TEST_F(DocFiles, InterruptedWriteKeepsTheOldFile) {
  const std::string file = Path("s.hxsim");
  TJsonBase::SaveToFile(file, TSimRoot::CreateV11());
  const std::string before = ReadBytes(file);
  TSimRoot big = TSimRoot::CreateV11();
  big.FMeta->FNotes.assign(64 * 1024, 'n');

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 4096;
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string message = MessageOf([&] { TJsonBase::SaveToFile(file, big); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(message.rfind("Cannot create file \"" + file + "\". ", 0), 0u) << message;
  EXPECT_EQ(ReadBytes(file), before);
  EXPECT_EQ(EntryCount(dir_), 1u);
}

TEST_F(DocFiles, LoadFromFile) {
  EXPECT_EQ(MessageOf([&] { TJsonBase::LoadFromFile<TSimRoot>(Path("none.hxsim")); }),
            "JSON file not found: " + Path("none.hxsim"));
  // A folder where the file is expected is named as what it is.
  EXPECT_EQ(MessageOf([&] { TJsonBase::LoadFromFile<TSimRoot>(dir_.string()); }),
            "Cannot open file \"" + dir_.string() + "\". It is a folder, not a file");

  // With or without byte order mark.
  const std::string golden = ReadBytes(kData / "seed.hxsim");
  WriteBytes(Path("nobom.hxsim"), golden.substr(3));
  EXPECT_EQ(*TJsonBase::LoadFromFile<TSimRoot>(Path("nobom.hxsim")),
            *TJsonBase::LoadFromFile<TSimRoot>((kData / "seed.hxsim").string()));

  WriteBytes(Path("blank.hxsim"), "  \n");
  EXPECT_EQ(TJsonBase::LoadFromFile<TSimRoot>(Path("blank.hxsim")), nullptr);
  WriteBytes(Path("array.hxsim"), "[]");
  EXPECT_EQ(MessageOf([&] { TJsonBase::LoadFromFile<TSimRoot>(Path("array.hxsim")); }),
            "The input value is not a valid Object");

  // A title in another encoding does not make the whole file unreadable.
  WriteBytes(Path("latin1.hxsim"), "{\"meta\":{\"title\":\"Caf\xE9\"}}");
  EXPECT_EQ(TJsonBase::LoadFromFile<TSimRoot>(Path("latin1.hxsim"))->FMeta->FTitle, "Caf\xEF\xBF\xBD");
}

}  // namespace
}  // namespace voltaris
