// The exact written text form of the JSON documents.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "common/numbers.h"
#include "documents/cal_document.h"
#include "documents/chem_document.h"
#include "documents/defaults_document.h"
#include "documents/document_error.h"
#include "documents/json_mapper.h"
#include "documents/json_text_writer.h"
#include "documents/pattern_document.h"
#include "documents/sim_document.h"
#include "documents/sim_validation.h"

namespace voltaris {
namespace {

const std::filesystem::path kData = std::filesystem::path(__FILE__).parent_path() / "data" / "documents";

std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  EXPECT_TRUE(in) << p;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DocTextForm, DoublesInTheGeneralFifteenDigitForm) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {3, "3.0"},
      {1000, "1000.0"},
      {0, "0.0"},
      {-0.0, "0.0"},
      {-2.5, "-2.5"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.3"},  // 15 significant digits
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {0.00001, "0.00001"},
      {0.000001, "1E-6"},
      {-1e-7, "-1E-7"},
      {1.5e-11, "1.5E-11"},
      {5.0 / 65535.0, "0.0000762951094834821"},
      {12345.678, "12345.678"},
      {1e14, "100000000000000.0"},
      {999999999999999, "999999999999999.0"},
      {999999999999999.9, "1E15"},  // rounding carries into a 16th integer digit
      {1e15, "1E15"},
      {123456789012345678.0, "1.23456789012346E17"},
      {1e100, "1E100"},
      {std::numeric_limits<double>::max(), "1.7976931348623157E308"},
      {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatJsonDouble(c.value), c.text) << c.value;
}

TEST(DocTextForm, StringsAreEscapedToPureAscii) {
  std::string out;
  AppendJsonString(out, "q\"b\\s/ \b\t\n\f\r\x01\x1f\x7f|\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|\xFF");
  EXPECT_EQ(out,
            "\"q\\\"b\\\\s\\/ \\b\\t\\n\\f\\r\\u0001\\u001F\x7f|\\u00E9\\u20AC\\uD83D\\uDE00|\\uFFFD\"");
}

TEST(DocTextForm, WrittenTextDoesNotDependOnTheUserDecimalSeparator) {
  const char saved = UserDecimalSeparator();
  SetUserDecimalSeparator(',');
  EXPECT_EQ(FormatJsonDouble(3.65), "3.65");
  EXPECT_EQ(FormatJsonDouble(1.5e-11), "1.5E-11");
  SetUserDecimalSeparator(saved);
}

// Each seed document, byte for byte, and its golden file read back and written again.
template <class T>
void ExpectGolden(const char* file, const T& doc) {
  const std::string golden = ReadBytes(kData / file);
  EXPECT_EQ(TJsonBase::ToJsonText(doc), golden) << file;
  const auto back = TJsonBase::FromJsonText<T>(golden);
  ASSERT_TRUE(back) << file;
  EXPECT_EQ(TJsonBase::ToJsonText(*back), golden) << file;
}

TEST(DocTextForm, SeedDocumentsMatchTheirGoldenFiles) {
  TSimRoot seed = TSimRoot::CreateV11();
  *seed.FRefs = {.FPatternFile = std::string(kSeedPatternFile),
                 .FChemFile = std::string(kSeedChemFile),
                 .FDefaultsFile = std::string(kSeedDefaultsFile),
                 .FCalFile = std::string(kSeedCalFile)};
  NormalizeSim(&seed);
  ExpectGolden("seed.hxsim", seed);
  // Unnormalised: empty references pruned, the empty step list keeps only "ownsObjects".
  ExpectGolden("create_v11.hxsim", TSimRoot::CreateV11());
  ExpectGolden("sinus_51min_zero.hxpat", TPatternRoot::CreateDefaultSinus());
  ExpectGolden("lfp_default.hxchem", TChemRoot::CreateDefaultLFP());
  ExpectGolden("lab_rig_v1.hxdef", TDefaultsRoot::CreateLabRigV1());
  ExpectGolden("lab_rig_v1.hxcal", TCalRoot::CreateLabRigV1());

  // Documents whose values the text form holds exactly come back equal.
  EXPECT_EQ(*TJsonBase::FromJsonText<TSimRoot>(ReadBytes(kData / "seed.hxsim")), seed);
  EXPECT_EQ(*TJsonBase::FromJsonText<TChemRoot>(ReadBytes(kData / "lfp_default.hxchem")),
            TChemRoot::CreateDefaultLFP());
  EXPECT_EQ(*TJsonBase::FromJsonText<TDefaultsRoot>(ReadBytes(kData / "lab_rig_v1.hxdef")),
            TDefaultsRoot::CreateLabRigV1());
}

TEST(DocTextForm, FactoryValues) {
  const TCalRoot cal = TCalRoot::CreateLabRigV1();
  EXPECT_EQ(cal.FAdc->FScale_V_per_count, 5.0 / 65535.0);
  EXPECT_EQ(cal.FDac->FScale_V_per_count, 10.0 / 4095.0);
  const TPatternRoot square = TPatternRoot::CreateDefaultRampedSquare();
  TPatternRoot expected;
  expected.FName = "Ramped Square Formation 51m";
  expected.FPattern->FType = "ramped_square";
  EXPECT_EQ(square, expected);
  EXPECT_TRUE(square.FPattern->FZeroBased);
  // The current ramp of the default session climbs to its maximum current.
  EXPECT_EQ(TSimRoot::CreateV11().FCurrentRamp->FTargetValue, 120);
}

TEST(DocTextForm, PruningAndMissingObjects) {
  TPatternRoot p;  // empty name and an emptied unit label are left out
  p.FUnits->FTime = "";
  p.FPattern->FRamp = nullptr;  // a missing nested object is written as null
  const std::string text = TJsonBase::ToJsonText(p);
  EXPECT_EQ(text.find("\"name\""), std::string::npos);
  EXPECT_NE(text.find("\"units\":{\"current\":\"A\",\"voltage\":\"V\"}"), std::string::npos);
  EXPECT_NE(text.find("\"ramp\":null"), std::string::npos);

  TDefaultsRoot d = TDefaultsRoot::CreateLabRigV1();
  d.FLogging->FOutDir.clear();
  EXPECT_NE(TJsonBase::ToJsonText(d).find("\"logging\":{\"waveform\":true,\"statsInterval_s\":1.0}}"),
            std::string::npos);

  // Nested objects stay even when every member was left out.
  TSimRoot s;
  s.FSchema.clear();
  s.FVersion.clear();
  EXPECT_EQ(TJsonBase::ToJsonText(s).substr(3, 30), "{\"meta\":{},\"refs\":{},\"timebase");

  // Empty strings inside list elements are pruned too.
  s.FSteps->FCurrent->push_back({});
  EXPECT_NE(TJsonBase::ToJsonText(s).find("\"listHelper\":[{\"iValueA\":0.0,"), std::string::npos);
}

TEST(DocTextForm, PathsTitlesAndNonAsciiTextRoundTrip) {
  TSimRoot s = TSimRoot::CreateV11();
  s.FRefs->FPatternFile = "patterns\\x.hxpat";
  s.FRefs->FChemFile = "/home/lab/chem/a.hxchem";
  s.FMeta->FTitle = "Zelle \xC3\xA9 \"A\" \xE2\x80\x93 \xF0\x9F\x94\x8B";
  s.FMeta->FNotes = "line 1\r\nline 2\ttab";
  const std::string text = TJsonBase::ToJsonText(s);
  EXPECT_NE(text.find("\"patternFile\":\"patterns\\\\x.hxpat\""), std::string::npos);
  EXPECT_NE(text.find("\"chemFile\":\"\\/home\\/lab\\/chem\\/a.hxchem\""), std::string::npos);
  EXPECT_NE(text.find("\"title\":\"Zelle \\u00E9 \\\"A\\\" \\u2013 \\uD83D\\uDD0B\""), std::string::npos);
  for (size_t i = 3; i < text.size(); ++i) ASSERT_LT(static_cast<unsigned char>(text[i]), 0x80) << i;
  EXPECT_EQ(*TJsonBase::FromJsonText<TSimRoot>(text), s);
}

TEST(DocTextForm, NonFiniteNumbersAreRefused) {
  TSimRoot s = TSimRoot::CreateV11();
  s.FTimebase->FFsHz = std::numeric_limits<double>::infinity();
  try {
    TJsonBase::ToJsonText(s);
    FAIL() << "an infinite sample rate was written";
  } catch (const DocumentError& e) {
    EXPECT_STREQ(e.what(), "Cannot write \"fsHz\": the value is not a finite number");
  }
  TCalRoot c = TCalRoot::CreateLabRigV1();
  (*c.FCompensation->FFreqPreemphasis)[1].FGain_dB = std::nan("");
  EXPECT_THROW(TJsonBase::ToJsonText(c), DocumentError);
}

}  // namespace
}  // namespace voltaris
