// Bad input of every class a careless file or a new user produces: damaged documents of
// each kind, special files where a file is expected, impossible entries at Start, faulty
// workspaces and scripts. Each case must end with a message (or a sound reading), the
// program still running, and no file changed. A case that would hang (a pipe nobody writes
// to, an endless device) is bounded by the test's timeout.
#include <gtest/gtest.h>

#include "layout_values.h"
#include "test_support.h"

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "automation/script_runner.h"
#include "common/numbers.h"
#include "common/user_message.h"
#include "common/utf8.h"
#include "documents/cal_document.h"
#include "documents/chem_document.h"
#include "documents/chem_reader.h"
#include "documents/chem_template_import.h"
#include "documents/defaults_document.h"
#include "documents/document_error.h"
#include "documents/json_mapper.h"
#include "documents/json_values.h"
#include "documents/pattern_document.h"
#include "documents/sim_document.h"
#include "documents/text_file.h"
#include "form/recording_platform.h"
#include "run/input_checks.h"
#include "run/run_metrics.h"
#include "window/form_preview.h"
#include "workspace/hx_facade.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;


// A message a user can act on: not empty, not the library's words, not a wall of text.
void ExpectUserMessage(const std::string& message, const std::string& context) {
  EXPECT_FALSE(message.empty()) << context;
  EXPECT_EQ(message.find("bad_alloc"), std::string::npos) << context << ": " << message;
  EXPECT_EQ(message.find("basic_filebuf"), std::string::npos) << context << ": " << message;
  EXPECT_LT(message.size(), 2000u) << context;
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("voltaris_bad_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

// ---- documents × damage ----------------------------------------------------------------

struct DocumentKind {
  const char* name;
  const char* validText;  // a small document of the kind
  std::function<void(const std::string&)> load;
};

const std::vector<DocumentKind>& DocumentKinds() {
  static const std::vector<DocumentKind> kinds{
      {"session", R"({"schema":"hx-sim-1.1","timebase":{"fsHz":10,"tTotalS":60}})",
       [](const std::string& f) { TJsonBase::LoadFromFile<TSimRoot>(f); }},
      {"pattern", R"({"schema":"hx-pat-1.0","name":"p","pattern":{"type":"sinusoidal"}})",
       [](const std::string& f) { THxFacade::LoadPattern(f); }},
      {"defaults", R"({"schema":"hx-def-1.0"})", [](const std::string& f) { TJsonBase::LoadFromFile<TDefaultsRoot>(f); }},
      {"calibration", R"({"schema":"hx-cal-1.0"})", [](const std::string& f) { TJsonBase::LoadFromFile<TCalRoot>(f); }},
      {"chemistry", R"({"schema":"hx-chem-1.0","cell":{"capacityAh":5}})", [](const std::string& f) { LoadChem(f); }},
      {"chemistry template",
       R"({"schema":"halvora.chem_template.v0","recommended":{"imax_a":2},"lut":{"values":[0,1]}})",
       [](const std::string& f) {
         const TChemTemplateExtras x = LoadChemTemplateV0FromFile(f);
         if (!x.Ok) throw DocumentError("template refused: " + x.Err);
       }},
  };
  return kinds;
}

// `utf8` saved in another Unicode form, byte order mark first.
std::string EncodeWide(const std::string& utf8, TWideForm form) {
  const bool wide32 = form == TWideForm::Utf32LE || form == TWideForm::Utf32BE;
  const bool little = form == TWideForm::Utf16LE || form == TWideForm::Utf32LE;
  std::string out;
  const auto unit = [&](char32_t u) {
    const int n = wide32 ? 4 : 2;
    for (int k = 0; k < n; ++k) out += static_cast<char>((u >> (8 * (little ? k : n - 1 - k))) & 0xFF);
  };
  unit(0xFEFF);
  for (char32_t cp : DecodeUtf8(utf8)) {
    if (!wide32 && cp > 0xFFFF) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

struct Damage {
  const char* name;
  std::function<std::string(const std::string& valid)> make;
  const char* expectedMessage;  // part of the message; nullptr: reading may succeed
};

const std::vector<Damage>& Damages() {
  static const std::vector<Damage> damages{
      {"nested 70000 deep", [](const std::string&) { return std::string(70000, '[') + std::string(70000, ']'); },
       "nested more than 256 levels"},
      {"nested objects inside a valid document",
       [](const std::string& v) {
         std::string deep;
         for (int i = 0; i < 5000; ++i) deep += "{\"a\":";
         deep += "1" + std::string(5000, '}');
         return v.substr(0, v.size() - 1) + ",\"extra\":" + deep + "}";
       },
       "nested more than 256 levels"},
      {"UTF-16 with a lone surrogate", [](const std::string& v) {
         return EncodeWide(v.substr(0, v.size() - 1), TWideForm::Utf16LE) + std::string("\x00\xD8}\0", 4);
       }, "not valid UTF-16: a lone surrogate at byte"},
      {"UTF-16 with an odd byte count", [](const std::string& v) { return EncodeWide(v, TWideForm::Utf16BE) + "}"; },
       "not a whole number of 2-byte code units; save it as UTF-8"},
      {"UTF-32 beyond U+10FFFF", [](const std::string& v) {
         return EncodeWide(v.substr(0, v.size() - 1), TWideForm::Utf32BE) + std::string("\0\x11\0\0\0\0\0}", 8);
       }, "the code point 110000 lies beyond U+10FFFF"},
      {"cut in the middle", [](const std::string& v) { return v.substr(0, v.size() / 2); }, nullptr},
      {"binary bytes", [](const std::string&) { return std::string("\x00\x01\xFF{[\"\x80", 8); }, nullptr},
      {"numbers beyond the double range",
       [](const std::string&) {
         return std::string(R"({"schema":"hx-chem-1.0","cell":{"capacityAh":1e400},"timebase":{"fsHz":-1e999}})");
       },
       nullptr},
      {"integer of 2^63", [](const std::string& v) {
         return v.substr(0, v.size() - 1) + R"(,"timebase":{"fsHz":9223372036854775808,"tTotalS":1e308}})";
       }, nullptr},
  };
  return damages;
}

TEST_F(TempDir, DamagedDocumentsOfEveryKindGiveAMessageAndStayAsTheyWere) {
  for (const DocumentKind& kind : DocumentKinds()) {
    for (const Damage& damage : Damages()) {
      const std::string context = std::string(kind.name) + " / " + damage.name;
      const fs::path file = dir_ / "doc.json";
      const std::string bytes = damage.make(kind.validText);
      WriteBytes(file, bytes);
      const std::string message = MessageOf([&] { kind.load(file.string()); });
      if (damage.expectedMessage != nullptr) {
        EXPECT_NE(message.find(damage.expectedMessage), std::string::npos) << context << ": " << message;
      }
      if (message != "(no error)") ExpectUserMessage(message, context);
      EXPECT_EQ(ReadBytes(file), bytes) << context;
    }
  }
}

TEST(BadNumbers, DocumentNumbersBeyondTheDoubleRangeReadAsUnreadableText) {
  const auto sim = TJsonBase::FromJsonText<TSimRoot>(
      R"({"schema":"hx-sim-1.1","timebase":{"fsHz":1e400,"tTotalS":-1e999},"schedule":null})");
  ASSERT_TRUE(sim && sim->FTimebase);
  EXPECT_EQ(sim->FTimebase->FFsHz, 0.0);
  EXPECT_EQ(sim->FTimebase->FTTotalS, 0.0);
  EXPECT_NE(MessageOf([] { LoadChemFromText(R"({"schema":"hx-chem-1.0","cell":{"capacityAh":1e400}})"); })
                .find("\"cell.capacityAh\" is not a number"),
            std::string::npos);
  const TChemTemplateExtras x = ChemTemplateV0FromText(
      R"({"schema":"halvora.chem_template.v0","recommended":{"imax_a":1e400},"cell":{"nominal_capacity_ah":"1e999"}})");
  EXPECT_TRUE(x.Ok);
  EXPECT_EQ(x.ImaxA, 0.0);
  EXPECT_EQ(x.CapacityAh, 0.0);
  EXPECT_NE(MessageOf([] {
              ChemTemplateV0FromText(R"({"schema":"halvora.chem_template.v0","lut":{"values":[0,1e400]}})");
            }).find("is not a number"),
            std::string::npos);
}

TEST(BadNumbers, NoValueReachesAnIntegerCastUnlessFiniteAndInRange) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double in;
    std::int64_t out;
  } cases[] = {
      {0.5, 0},
      {1.5, 2},
      {-2.5, -2},
      {std::nan(""), 0},
      {kInf, std::numeric_limits<std::int64_t>::max()},
      {-kInf, std::numeric_limits<std::int64_t>::min()},
      {1e300, std::numeric_limits<std::int64_t>::max()},
      {-9223372036854775808.0, std::numeric_limits<std::int64_t>::min()},
      {9223372036854774784.0, 9223372036854774784},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundToInt64(c.in), c.out) << c.in;
  EXPECT_EQ(ToFixed4(std::nan("")), 0);
  EXPECT_EQ(ToFixed4(1e300), std::numeric_limits<std::int64_t>::max());
}

TEST(BadNumbers, MessagesNeverShowLibraryWordsNorWallsOfEchoedText) {
  EXPECT_EQ(UserMessageOf(std::bad_alloc()), "Not enough memory for this operation. Nothing was changed.");
  EXPECT_EQ(UserMessageOf(std::runtime_error("basic_filebuf::underflow error reading the file: Is a directory")),
            "A file could not be read or written. Nothing was changed.");
  const std::string entry(100000, '7');
  const std::string line = "'" + entry + "' is not a valid floating point value";
  const std::string shown = UserMessageOf(std::runtime_error(line + "\nok"));
  EXPECT_LT(shown.size(), 400u);
  EXPECT_NE(shown.find("\u2026 (" + std::to_string(line.size()) + " characters)"), std::string::npos) << shown;
  EXPECT_TRUE(shown.ends_with("\nok"));
  EXPECT_EQ(UserMessageOf(std::runtime_error("short")), "short");
}

// A document saved as UTF-16 or UTF-32 (either byte order, byte order mark first) reads as
// its UTF-8 form does: the same text, the same document.
TEST_F(TempDir, DocumentsSavedAsUTF16OrUTF32ReadAsTheirUTF8Form) {
  const struct {
    const char* name;
    std::function<std::string(const std::string&)> save;
  } forms[] = {
      {"UTF-8", [](const std::string& t) { return t; }},
      {"UTF-8 with byte order mark", [](const std::string& t) { return "\xEF\xBB\xBF" + t; }},
      {"UTF-16 little endian", [](const std::string& t) { return EncodeWide(t, TWideForm::Utf16LE); }},
      {"UTF-16 big endian", [](const std::string& t) { return EncodeWide(t, TWideForm::Utf16BE); }},
      {"UTF-32 little endian", [](const std::string& t) { return EncodeWide(t, TWideForm::Utf32LE); }},
      {"UTF-32 big endian", [](const std::string& t) { return EncodeWide(t, TWideForm::Utf32BE); }},
  };
  // A pattern with a name beyond ASCII (two-byte, three-byte and a character beyond U+FFFF,
  // which UTF-16 writes as a surrogate pair).
  const std::string patternText =
      "{\"schema\":\"HX-PAT-1.0\",\"name\":\"Sinüs \xE2\x86\x92 \xF0\x9D\x9C\x87 5 Hz\",\"pattern\":{\"type\":"
      "\"sinusoidal\",\"levels\":{\"iLowA\":0.4,\"iHighA\":2.5},\"pulse\":{\"freqHz\":5}}}";
  const fs::path utf8File = dir_ / "utf8.hxpat";
  WriteBytes(utf8File, patternText);
  const std::string expected = TJsonBase::ToJsonText(THxFacade::LoadPattern(utf8File.string()));
  for (const auto& form : forms) {
    const fs::path file = dir_ / "pattern.hxpat";
    WriteBytes(file, form.save(patternText));
    EXPECT_EQ(ReadTextFile(file.string()), patternText) << form.name;
    const TPatternRoot pattern = THxFacade::LoadPattern(file.string());
    EXPECT_EQ(pattern.FName, "Sin\xC3\xBCs \xE2\x86\x92 \xF0\x9D\x9C\x87 5 Hz") << form.name;
    ASSERT_TRUE(pattern.FPattern && pattern.FPattern->FLevels) << form.name;
    EXPECT_EQ(pattern.FPattern->FLevels->FIHighA, 2.5) << form.name;
    EXPECT_EQ(TJsonBase::ToJsonText(pattern), expected) << form.name;
    // Every other kind reads in every form as well.
    for (const DocumentKind& kind : DocumentKinds()) {
      WriteBytes(file, form.save(kind.validText));
      EXPECT_EQ(MessageOf([&] { kind.load(file.string()); }), "(no error)") << kind.name << " / " << form.name;
    }
  }
}

// ---- special files -----------------------------------------------------------------------

struct SpecialFile {
  const char* name;
  std::function<fs::path(const fs::path& dir)> make;
  const char* expectedMessage;
};

const std::vector<SpecialFile>& SpecialFiles() {
  static const std::vector<SpecialFile> files{
      {"a folder", [](const fs::path& d) { fs::create_directories(d / "folder"); return d / "folder"; },
       "It is a folder, not a file"},
      {"a pipe nobody writes to",
       [](const fs::path& d) { ::mkfifo((d / "fifo").c_str(), 0600); return d / "fifo"; },
       "not a regular file"},
      {"an endless device", [](const fs::path&) { return fs::path("/dev/zero"); }, "not a regular file"},
      {"a link to an endless device",
       [](const fs::path& d) { fs::create_symlink("/dev/urandom", d / "link"); return d / "link"; },
       "not a regular file"},
      {"a file beyond 64 MiB",
       [](const fs::path& d) {
         const fs::path f = d / "huge.json";
         std::ofstream(f) << "{}";
         fs::resize_file(f, kMaxTextFileBytes + 1);  // sparse: no disk used
         return f;
       },
       "larger than 64 MiB"},
  };
  return files;
}

TEST_F(TempDir, SpecialFilesWhereADocumentIsExpectedAreRefusedBeforeReading) {
  for (const SpecialFile& special : SpecialFiles()) {
    const fs::path path = special.make(dir_);
    for (const DocumentKind& kind : DocumentKinds()) {
      const std::string context = std::string(kind.name) + " / " + special.name;
      const std::string message = MessageOf([&] { kind.load(path.string()); });
      EXPECT_NE(message.find(special.expectedMessage), std::string::npos) << context << ": " << message;
      ExpectUserMessage(message, context);
    }
  }
}

TEST_F(TempDir, ASaveNeverReplacesASpecialFileNorAReadOnlyOne) {
  ::mkfifo((dir_ / "fifo").c_str(), 0600);
  fs::create_directories(dir_ / "folder");
  WriteBytes(dir_ / "readonly.hxsim", "keep");
  fs::permissions(dir_ / "readonly.hxsim", fs::perms::owner_read | fs::perms::group_read);
  const struct {
    const char* name;
    const char* expected;
  } targets[] = {
      {"fifo", "not a regular file"}, {"folder", "It is a folder"}, {"readonly.hxsim", "read-only"}};
  for (const auto& t : targets) {
    const fs::path target = dir_ / t.name;
    const auto typeBefore = fs::symlink_status(target).type();
    const std::string message = MessageOf([&] { TJsonBase::SaveToFile(target.string(), TSimRoot::CreateV11()); });
    EXPECT_NE(message.find(t.expected), std::string::npos) << t.name << ": " << message;
    EXPECT_EQ(fs::symlink_status(target).type(), typeBefore) << t.name;
  }
  EXPECT_EQ(ReadBytes(dir_ / "readonly.hxsim"), "keep");
  // Nothing left behind: only the three targets are in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 3);
}

// ---- scripts -------------------------------------------------------------------------------

class ScriptFaults : public TempDir {
 protected:
  void SetUp() override {
    TempDir::SetUp();
    form_.FormCreate();
  }
  // The exit code and what the runner wrote on stderr.
  std::pair<int, std::string> RunFile(const fs::path& file) {
    ::testing::internal::CaptureStderr();
    const int code = runner_.RunFile(file);
    return {code, ::testing::internal::GetCapturedStderr()};
  }
  std::pair<int, std::string> RunText(const std::string& text) {
    ::testing::internal::CaptureStderr();
    const int code = runner_.RunText(text);
    return {code, ::testing::internal::GetCapturedStderr()};
  }
  RecordingPlatform platform_;
  TFormPreview form_{platform_};
  HeadlessHost host_{form_, platform_};
  ScriptRunner runner_{form_, platform_, host_};
};

TEST_F(ScriptFaults, ScriptsThatAreNotRegularFilesStopWithExitTwo) {
  for (const SpecialFile& special : SpecialFiles()) {
    const auto [code, err] = RunFile(special.make(dir_));
    EXPECT_EQ(code, 2) << special.name;
    EXPECT_TRUE(err.starts_with("script:0: cannot read script file: ")) << special.name << ": " << err;
    EXPECT_NE(err.find(special.expectedMessage), std::string::npos) << special.name << ": " << err;
  }
}

TEST_F(ScriptFaults, BadLinesStopWithAScriptMessage) {
  const struct {
    const char* script;
    const char* expected;  // stderr, "" for a clean run
  } cases[] = {
      {"\xEF\xBB\xBFset EdTotalMs 30\n", ""},
      {"run-to-end -5\n", "script:1: tick count must not be negative\n"},
      {"probe CurrentAtTime 1e999\n", "script:1: bad number: '1e999'\n"},
      {"probe CurrentAtTime nan\n", "script:1: bad number: 'nan'\n"},
      {"probe CurrentAtTime -inf\n", "script:1: bad number: '-inf'\n"},
  };
  for (const auto& c : cases) {
    const auto [code, err] = RunText(c.script);
    EXPECT_EQ(err, c.expected) << c.script;
    EXPECT_EQ(code, *c.expected == '\0' ? 0 : 2) << c.script;
  }
  EXPECT_EQ(form_.Form().Text("EdTotalMs"), "30");  // the line after the byte order mark ran
}

TEST_F(ScriptFaults, UTF8ByteOrderMarkOfAScriptFileIsSkipped) {
  WriteBytes(dir_ / "s.txt", "\xEF\xBB\xBFset EdTotalMs 45\r\n");
  const auto [code, err] = RunFile(dir_ / "s.txt");
  EXPECT_EQ(code, 0) << err;
  EXPECT_EQ(form_.Form().Text("EdTotalMs"), "45");
}

// ---- entries × bad texts at Start ----------------------------------------------------------

class StartChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.FormCreate();
    RestoreLayoutValues(f());
    platform_.messages.clear();
  }
  FormModel& f() { return form_.Form(); }
  RecordingPlatform platform_;
  TFormPreview form_{platform_};
};

TEST_F(StartChecks, ImpossibleEntriesRefuseTheStartNamingTheEntry) {
  const std::string longNumber(100000, '9');
  const struct {
    const char* control;
    const char* label;  // as the message names it
  } entries[] = {
      {"EdTotalMs", "Max Formation time (min)"}, {"edtFs", "Power Surce Responce time (ms)"},
      {"EdClampMax", "I Limit Max (A)"},        {"EdSineMax", "Max (A)"},
      {"edTempC", "Ambient Temp (C):"},         {"edCellCapAh", "Capacity [Ah]"},
      {"edtIStep", "I Step (min,A ....)"},      {"EdBezPoints", "Points [[x,y],...]"},
      {"EdLUTPoints", "Points [0..1] (comma)"},  {"edtVsteps", "V Step (min,A ....)"},
  };
  const std::string texts[] = {"1e999", "1e308", "-1e308", "5,1e400; 10,2", longNumber};
  for (const auto& e : entries) {
    for (const std::string& text : texts) {
      const std::string context = std::string(e.control) + " = " + text.substr(0, 20);
      RestoreLayoutValues(f());
      f().SetText(e.control, text);
      platform_.messages.clear();
      f().UserClick("btnStart");
      EXPECT_FALSE(form_.IsPlaying()) << context;
      ASSERT_EQ(platform_.messages.size(), 1u) << context;
      const std::string& m = platform_.messages[0].text;
      ExpectUserMessage(m, context);
      EXPECT_LT(m.size(), 400u) << context;
      EXPECT_NE(m.find(std::string("\"") + e.label + "\""), std::string::npos) << context << ": " << m;
      EXPECT_EQ(m.find("inf"), std::string::npos) << context << ": " << m;
    }
  }
}

TEST_F(StartChecks, PossibleEntriesStillStart) {
  f().SetText("EdTotalMs", "2");
  f().UserClick("btnStart");
  EXPECT_TRUE(form_.IsPlaying());
  EXPECT_TRUE(platform_.messages.empty()) << platform_.messages[0].text;
}

// A value the run takes in place of the user's is said once per Start: on the status bar,
// as a debug line (which the dump keeps) and in the dump's "FStartNotes". The run itself
// is the one the substitution makes.
TEST_F(StartChecks, SubstitutionsAtStartAreSaidOncePerStart) {
  const struct {
    std::vector<std::pair<const char*, const char*>> entries;
    const char* note;  // part of the one note the Start says (besides a capped ring's)
    std::function<void(TFormPreview&)> check;  // the substitution itself
  } cases[] = {
      {{{"EdTotalMs", "abc"}},
       "\"Max Formation time (min)\" = \"abc\" does not read as a number: the run takes 60 min.",
       [](TFormPreview& w) { EXPECT_EQ(w.FTotalSecs, 3600.0); }},
      {{{"EdTotalMs", "0"}}, "\"Max Formation time (min)\" = \"0\" is not above 0: the run takes 60 min.",
       [](TFormPreview& w) { EXPECT_EQ(w.FTotalSecs, 3600.0); }},
      {{{"edtFs", "fast"}, {"EdTotalMs", "1"}},
       "= \"fast\" does not read as a number: the run steps every 1 ms and the reference wave takes a sample every 10 ms.",
       [](TFormPreview& w) {
         EXPECT_EQ(w.FDtSim, 0.001);
         EXPECT_EQ(w.FWave.size(), 6000u);
       }},
      {{{"edtFs", "0"}, {"EdTotalMs", "1"}},
       "= \"0\" is not above 0: the run steps every 1 ms and the reference wave takes a sample every 0.1 ms.",
       [](TFormPreview& w) {
         EXPECT_EQ(w.FDtSim, 0.001);
         EXPECT_EQ(w.FWave.size(), 600000u);
       }},
      {{{"edtFs", "0.0005"}, {"EdTotalMs", "0.01"}},
       "= \"0.0005\" is below 0.001 ms: the run steps every 0.001 ms and the reference wave takes a sample every 0.1 ms.",
       [](TFormPreview& w) { EXPECT_EQ(w.FDtSim, 1e-6); }},
      {{{"edtFs", "0.05"}, {"EdTotalMs", "1"}}, "= \"0.05\" is below 0.1 ms: the reference wave takes a sample every 0.1 ms.",
       [](TFormPreview& w) { EXPECT_EQ(w.FWave.size(), 600000u); }},
      {{{"edtFs", "10000000"}},
       "The reference wave of this run has no samples (one sample every 10000000 ms over 60 min): the SEI growth is "
       "simulated only when the run ends.",
       [](TFormPreview& w) { EXPECT_TRUE(w.FWave.empty()); }},
      {{{"edSeiEa", "abc"}},
       "\"Activation Energy [eV]\" = \"abc\" does not read as a number: the run keeps its activation energy (eV) of ",
       [](TFormPreview& w) { EXPECT_GT(w.FChemP.Ea_eV, 0.0); }},
      {{{"edTempC", "25,5"}}, "\"Ambient Temp (C):\" = \"25,5\" does not read as a number: the run keeps its ambient "
                               "temperature (C) of 25.",
       [](TFormPreview& w) { EXPECT_EQ(w.FChemP.Tamb_C, 25.0); }},
      {{{"edtTemp", "0"}}, "\"h_conv [W/K]\" = \"0\" is not taken: the run keeps its thermal resistance (K/W) of ",
       [](TFormPreview& w) { EXPECT_TRUE(std::isfinite(w.FChemP.Rth_KpW)); }},
  };
  std::vector<std::string> debug;
  const DebugCapture capture(debug);
  for (const auto& c : cases) {
    const std::string context = std::string(c.entries[0].first) + " = " + c.entries[0].second;
    for (int start = 0; start < 2; ++start) {  // each Start says it again, once
      RestoreLayoutValues(f());
      for (const auto& [control, text] : c.entries) f().SetText(control, text);
      debug.clear();
      f().UserClick("btnStart");
      ASSERT_TRUE(form_.IsPlaying()) << context << ": " << (platform_.messages.empty() ? "" : platform_.messages[0].text);
      std::vector<std::string> notes = form_.startNotes.Notes();
      std::erase_if(notes, [](const std::string& n) { return n.starts_with("Sample ring limited"); });
      ASSERT_EQ(notes.size(), 1u) << context << ": " << (notes.empty() ? "" : notes[1]);
      EXPECT_NE(notes[0].find(c.note), std::string::npos) << context << ": " << notes[0];
      EXPECT_NE(f().Text("FStatusBar").find(notes[0]), std::string::npos) << context;
      EXPECT_EQ(std::count(debug.begin(), debug.end(), notes[0]), 1) << context;
      EXPECT_EQ(form_.DumpState()["FStartNotes"], Json(form_.startNotes.Notes())) << context;
      c.check(form_);
      f().UserClick("btnStop");
    }
  }
  // A Start with nothing replaced says nothing and takes the last Start's notes off the bar.
  RestoreLayoutValues(f());
  f().SetText("EdTotalMs", "2");
  f().UserClick("btnStart");
  EXPECT_TRUE(form_.startNotes.Notes().empty()) << form_.startNotes.Notes()[0];
  EXPECT_EQ(f().Text("FStatusBar"), "");
  // A response time below 1 ms typed during the run is said as well, the last one typed.
  f().UserSetText("edtFs", "0.25");
  f().UserSetText("edtFs", "0.5");
  ASSERT_EQ(form_.startNotes.Notes().size(), 1u);
  EXPECT_EQ(form_.startNotes.Notes()[0],
            "\"Power Surce Responce time (ms)\" = \"0.5\" is below 1 ms: the run responds as with 1 ms until the next "
            "Start.");
}

// ---- workspace faults at start-up -----------------------------------------------------------

class WorkspaceFaults : public TempDir {
 protected:
  void SetUp() override {
    TempDir::SetUp();
    if (const char* old = std::getenv("XDG_DATA_HOME")) saved_ = old;
    ::setenv("XDG_DATA_HOME", (dir_ / "xdg").c_str(), 1);
  }
  void TearDown() override {
    if (saved_) ::setenv("XDG_DATA_HOME", saved_->c_str(), 1);
    TempDir::TearDown();
  }
  fs::path Root() const { return dir_ / "xdg" / "HalvoraPreview"; }
  std::optional<std::string> saved_;
};

TEST_F(WorkspaceFaults, AnUnusableWorkspaceOpensTheWindowWithOneMessageNamingTheFolder) {
  const struct {
    const char* name;
    std::function<fs::path(const fs::path& root)> damage;  // the folder the message names
  } faults[] = {
      {"the workspace is a file",
       [](const fs::path& root) {
         WriteBytes(root, "not a folder");
         return root;
       }},
      {"a subfolder is a file",
       [](const fs::path& root) {
         fs::create_directories(root);
         WriteBytes(root / "sessions", "not a folder");
         return root / "sessions";
       }},
      {"the data folder is a file",
       [](const fs::path& root) {
         WriteBytes(root.parent_path(), "not a folder");
         return root;
       }},
  };
  for (const auto& fault : faults) {
    fs::remove_all(dir_ / "xdg");
    const fs::path folder = fault.damage(Root());
    const std::string before = ReadBytes(folder);
    RecordingPlatform platform;
    TFormPreview form(platform);
    form.FormCreate();
    form.FormShow();
    ASSERT_EQ(platform.messages.size(), 1u) << fault.name;
    const std::string& m = platform.messages[0].text;
    EXPECT_NE(m.find("\"" + folder.string() + "\""), std::string::npos) << fault.name << ": " << m;
    EXPECT_NE(m.find("built-in defaults"), std::string::npos) << fault.name;
    // The window works on the built-in defaults; a command that needs the workspace says why.
    EXPECT_EQ(form.Form().Text("EdTotalMs"), "60") << fault.name;
    platform.messages.clear();
    form.Form().RunEvent([] { THxFacade::ExportSessionToFile("sessions\\mine.hxsim"); });
    ASSERT_EQ(platform.messages.size(), 1u) << fault.name;
    EXPECT_NE(platform.messages[0].text.find("The workspace folder"), std::string::npos)
        << fault.name << ": " << platform.messages[0].text;
    EXPECT_EQ(ReadBytes(folder), before) << fault.name;
  }
}

// What the start-up of the window showed in a child process (see StartUpAsNobody).
struct ChildStartUp {
  std::string skipped;                // why the child could not run as the user nobody
  int exitStatus = -1;                // as waitpid reports it
  std::vector<std::string> messages;  // message boxes: start-up, then a session export
  std::string totalMinutes;           // EdTotalMs after start-up
};

// Runs the window's start-up on the workspace below `xdg` in a child process that has
// dropped root's privileges (user and group 65534, "nobody"), so permission bits hold as
// for any user; each file the child writes is at most `fileSizeLimit` bytes when it is
// not 0 (a full disk: the write fails with EFBIG, SIGXFSZ ignored). Then a session export
// to `exportTo` in the workspace. Not as root, the child runs as the user the test runs as.
ChildStartUp StartUpAsNobody(const fs::path& xdg, const fs::path& tmp, rlim_t fileSizeLimit,
                             const std::string& exportTo = "sessions\\mine.hxsim") {
  int fds[2];
  ChildStartUp r;
  if (::pipe(fds) != 0) {
    r.skipped = "no pipe";
    return r;
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    r.skipped = "no fork";
    return r;
  }
  if (pid == 0) {
    ::close(fds[0]);
    std::string out;
    const auto finish = [&](int code) {
      for (size_t done = 0; done < out.size();) {
        const ssize_t n = ::write(fds[1], out.data() + done, out.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      ::_exit(code);
    };
    ::setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      out = std::string("S") + std::strerror(errno);
      finish(0);
    }
    if (fileSizeLimit != 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{fileSizeLimit, fileSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    RecordingPlatform platform;
    TFormPreview form(platform);
    form.FormCreate();
    form.FormShow();
    form.Form().RunEvent([&] { THxFacade::ExportSessionToFile(exportTo); });
    out = "T" + form.Form().Text("EdTotalMs");
    for (const auto& m : platform.messages) out += '\x1e' + m.text;
    finish(0);
  }
  ::close(fds[1]);
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  ::waitpid(pid, &r.exitStatus, 0);
  if (out.starts_with("S")) {
    r.skipped = "cannot run as the user nobody: " + out.substr(1);
    return r;
  }
  std::vector<std::string> parts{""};
  for (char ch : out) {
    if (ch == '\x1e') parts.emplace_back();
    else parts.back() += ch;
  }
  if (!parts[0].empty()) r.totalMinutes = parts[0].substr(1);
  r.messages.assign(parts.begin() + 1, parts.end());
  return r;
}

// Every file below `dir` with its bytes (folders as "/"), read with the test's rights.
std::map<std::string, std::string> TreeOf(const fs::path& dir) {
  std::map<std::string, std::string> tree;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string rel = fs::relative(it->path(), dir).string();
    tree[rel] = it->is_directory() ? std::string("/") : ReadBytes(it->path());
  }
  return tree;
}

// Folders and files a user cannot use, and a disk that fills up while the seed files are
// written: the window opens on the built-in defaults with one message naming the folder,
// nothing crashes, no file is changed or left half-written, and a command that needs the
// workspace says why. Root is not stopped by permission bits, so the start-up runs in a
// child process as the user nobody.
TEST_F(WorkspaceFaults, FoldersTheUserCannotUseAndAFullDiskAreSaidAtStartUp) {
  constexpr uid_t kNobody = 65534;
  const auto own = [&](const fs::path& p) {
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown(p.c_str(), kNobody, kNobody), 0) << p;
    }
  };
  const fs::path tmp = dir_ / "tmp";
  fs::create_directories(tmp);
  own(tmp);
  // The seed files as a sound start-up writes them, for the full disk's check.
  fs::create_directories(dir_ / "reference");
  own(dir_ / "reference");
  const ChildStartUp sound = StartUpAsNobody(dir_ / "reference", tmp, 0);
  if (!sound.skipped.empty()) GTEST_SKIP() << sound.skipped;
  ASSERT_TRUE(WIFEXITED(sound.exitStatus) && WEXITSTATUS(sound.exitStatus) == 0) << sound.exitStatus;
  ASSERT_EQ(sound.messages.size(), 0u) << sound.messages[0];
  const auto seeds = TreeOf(dir_ / "reference" / "HalvoraPreview");
  ASSERT_TRUE(seeds.contains("sessions/seed.hxsim"));

  const struct {
    const char* name;
    std::function<fs::path(const fs::path& xdg, const fs::path& root)> prepare;  // the folder named
    rlim_t fileSizeLimit;
    const char* reason;
    const char* exportTo;  // a session saved into the folder named
  } faults[] = {
      {"the data folder is read-only",
       [&](const fs::path& xdg, const fs::path& root) {
         fs::create_directories(xdg);
         own(xdg);
         fs::permissions(xdg, fs::perms(0555));
         return root;
       },
       0, "it cannot be created (Permission denied)", "sessions\\mine.hxsim"},
      {"the workspace folder is read-only",
       [&](const fs::path& xdg, const fs::path& root) {
         fs::create_directories(root);
         own(xdg);
         own(root);
         fs::permissions(root, fs::perms(0555));
         return root;
       },
       0, "it cannot be read and written (Permission denied)", "sessions\\mine.hxsim"},
      {"a subfolder cannot be read",
       [&](const fs::path& xdg, const fs::path& root) {
         for (const char* sub : {"patterns", "chem", "defaults", "sessions"}) {
           fs::create_directories(root / sub);
           own(root / sub);
         }
         own(xdg);
         own(root);
         WriteBytes(root / "patterns" / "mine.hxpat", "{\"schema\":\"hx-pat-1.0\"}");
         fs::permissions(root / "chem", fs::perms::none);
         return root / "chem";
       },
       0, "it cannot be read and written (Permission denied)", "chem\\mine.hxsim"},
      {"the disk fills up while the seed files are written",
       [&](const fs::path& xdg, const fs::path& root) {
         fs::create_directories(xdg);
         own(xdg);
         return root;
       },
       700, "the seed files cannot be written (", "sessions\\mine.hxsim"},
  };
  for (const auto& fault : faults) {
    const fs::path xdg = dir_ / "xdg";
    const fs::path root = xdg / "HalvoraPreview";
    std::error_code ec;
    if (fs::exists(xdg)) {
      for (const auto& e : fs::recursive_directory_iterator(xdg, ec))
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
      fs::permissions(xdg, fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(xdg);
    const fs::path folder = fault.prepare(xdg, root);
    const auto before = TreeOf(xdg);

    const ChildStartUp r = StartUpAsNobody(xdg, tmp, fault.fileSizeLimit, fault.exportTo);
    ASSERT_TRUE(r.skipped.empty()) << r.skipped;
    EXPECT_TRUE(WIFEXITED(r.exitStatus) && WEXITSTATUS(r.exitStatus) == 0) << fault.name << ": " << r.exitStatus;
    ASSERT_EQ(r.messages.size(), 2u) << fault.name;
    EXPECT_NE(r.messages[0].find("The workspace folder \"" + folder.string() + "\" cannot be used: " + fault.reason),
              std::string::npos)
        << fault.name << ": " << r.messages[0];
    EXPECT_NE(r.messages[0].find("built-in defaults"), std::string::npos) << fault.name;
    EXPECT_EQ(r.totalMinutes, "60") << fault.name;
    EXPECT_NE(r.messages[1].find(folder.string()), std::string::npos) << fault.name << ": " << r.messages[1];

    const auto after = TreeOf(xdg);
    if (fault.fileSizeLimit == 0) {
      EXPECT_EQ(after, before) << fault.name;
    } else {
      // Each seed file is whole or absent; no temporary file is left behind.
      EXPECT_LT(after.size(), seeds.size() + 1) << fault.name;
      for (const auto& [name, bytes] : after) {
        if (name == "HalvoraPreview" || name.find('/') == std::string::npos) continue;
        const std::string rel = name.substr(name.find('/') + 1);
        ASSERT_TRUE(seeds.contains(rel)) << fault.name << ": " << name;
        EXPECT_EQ(bytes, seeds.at(rel)) << fault.name << ": " << name;
      }
    }
  }
}

// A run whose chemistry file is missing or empty takes the built-in LFP set and says so.
TEST_F(WorkspaceFaults, AMissingOrEmptyRunChemistryIsSaidAtStart) {
  for (const bool empty : {false, true}) {
    fs::remove_all(dir_ / "xdg");
    RecordingPlatform platform;
    TFormPreview form(platform);
    form.FormCreate();
    RestoreLayoutValues(form.Form());
    form.Form().SetText("EdTotalMs", "2");
    const fs::path chem = Root() / "chem" / "lfp_default.hxchem";
    if (empty) WriteBytes(chem, " \r\n");
    else fs::remove(chem);
    std::vector<std::string> debug;
    const DebugCapture capture(debug);
    form.Form().UserClick("btnStart");
    ASSERT_TRUE(form.IsPlaying()) << empty;
    ASSERT_EQ(form.startNotes.Notes().size(), 1u) << empty;
    EXPECT_EQ(form.startNotes.Notes()[0], "The chemistry file \"" + chem.string() +
                                              "\" is missing or empty: the run uses the built-in LFP chemistry.");
    EXPECT_EQ(form.Form().Text("FStatusBar"), form.startNotes.Notes()[0]);
    EXPECT_EQ(std::count(debug.begin(), debug.end(), form.startNotes.Notes()[0]), 1);
    EXPECT_EQ(form.FChemP.Qn_Ah, Lfp().Qn_Ah);
    form.Form().UserClick("btnStop");
  }
}

// The note of the recent session is a pipe, or an endless device: start-up neither hangs
// nor complains, it restores the seed session.
TEST_F(WorkspaceFaults, ARecentSessionNoteThatIsNoFileIsIgnored) {
  for (const char* kind : {"pipe", "device"}) {
    fs::remove_all(dir_ / "xdg");
    fs::create_directories(Root());
    const fs::path note = Root() / "recent_session.txt";
    if (std::string(kind) == "pipe") ::mkfifo(note.c_str(), 0600);
    else fs::create_symlink("/dev/zero", note);
    RecordingPlatform platform;
    TFormPreview form(platform);
    form.FormCreate();
    EXPECT_TRUE(platform.messages.empty()) << kind;
    EXPECT_EQ(THxFacade::GetLastSessionFile(), "") << kind;
    EXPECT_EQ(fs::symlink_status(note).type(),
              std::string(kind) == "pipe" ? fs::file_type::fifo : fs::file_type::symlink)
        << kind;
  }
}

}  // namespace
}  // namespace voltaris
