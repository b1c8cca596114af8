#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/numbers.h"

namespace voltaris {
namespace {

struct ParseCase {
  const char* text;
  char sep;
  bool ok;
  double value;
};

TEST(Numbers, TryParseFloatGrammar) {
  const ParseCase cases[] = {
      {"1000", '.', true, 1000},     {" 2.5 ", '.', true, 2.5},    {"-0.75", '.', true, -0.75},
      {"+3", '.', true, 3},          {"1e-9", '.', true, 1e-9},    {"2.5E+3", '.', true, 2500},
      {".5", '.', true, 0.5},        {"5.", '.', true, 5},         {"3,65", ',', true, 3.65},
      {"3,65", '.', false, 0},       {"3.65", ',', false, 0},      {"", '.', false, 0},
      {"   ", '.', false, 0},        {"-", '.', false, 0},         {".", '.', false, 0},
      {"1e", '.', false, 0},         {"1.2.3", '.', false, 0},     {"12abc", '.', false, 0},
      {"inf", '.', false, 0},        {"nan", '.', false, 0},       {"1 000", '.', false, 0},
      {"0x10", '.', false, 0},       {"--1", '.', false, 0},
  };
  for (const auto& c : cases) {
    double v = -12345;
    EXPECT_EQ(TryParseFloat(c.text, c.sep, v), c.ok) << "'" << c.text << "' sep " << c.sep;
    if (c.ok) EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    else EXPECT_EQ(v, -12345) << "untouched on failure: " << c.text;
  }
}

TEST(Numbers, OverflowIsUnreadableUnderflowIsZero) {
  double v = -12345;
  for (const char* text : {"1e999", "-1e400", "1e309", "179769313486231580793728971405303415079934132710037826936173778980444968292764750946649017977587207096330286416692887910946555547851940402630657488671505820681908902000708383676273854845817711531764475730270069855571366959622842914819860834936475292719074168444365510704342711559699508093042880177904174497792"}) {
    EXPECT_FALSE(TryParseFloat(text, '.', v)) << text;
    EXPECT_EQ(v, -12345) << "untouched: " << text;
    EXPECT_EQ(SafeStrToF(text, 7.5), 7.5) << "the fallback: " << text;
  }
  ASSERT_TRUE(TryParseFloat("1e-999", '.', v));
  EXPECT_EQ(v, 0.0);
  ASSERT_TRUE(TryParseFloat("1.7976931348623157e308", '.', v));
  EXPECT_TRUE(std::isfinite(v));
}

// Found by the number reader's fuzz target: a mantissa that fills the reader's buffer,
// then an exponent with a sign, once wrote past the buffer.
TEST(Numbers, LongMantissaWithSignedExponentIsRefusedSafely) {
  double v = -12345;
  for (size_t digits : {124u, 125u, 126u, 127u, 128u}) {
    const std::string text = std::string(digits, '0') + "5e-3";
    EXPECT_FALSE(TryParseFloat(text, '.', v)) << digits;
    EXPECT_EQ(SafeStrToF(text, 2.0), 2.0) << digits;
  }
  EXPECT_TRUE(TryParseFloat(std::string(100, '0') + "5e-3", '.', v));
  EXPECT_DOUBLE_EQ(v, 5e-3);
}

TEST(Numbers, SafeStrToFTriesInvariantThenRegionalThenFallback) {
  const char saved = UserDecimalSeparator();
  SetUserDecimalSeparator(',');
  EXPECT_DOUBLE_EQ(SafeStrToF("2.5", 9), 2.5);
  EXPECT_DOUBLE_EQ(SafeStrToF("2,5", 9), 2.5);
  EXPECT_DOUBLE_EQ(SafeStrToF("abc", 9), 9);
  SetUserDecimalSeparator('.');
  EXPECT_DOUBLE_EQ(SafeStrToF("2,5", 9), 9);
  SetUserDecimalSeparator(saved);
}

}  // namespace
}  // namespace voltaris
