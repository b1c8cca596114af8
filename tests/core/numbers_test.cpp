#include <gtest/gtest.h>

#include <cmath>

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

TEST(Numbers, HugeExponentsReadLikeStrtod) {
  double v = 0;
  ASSERT_TRUE(TryParseFloat("1e999", '.', v));
  EXPECT_TRUE(std::isinf(v));
  ASSERT_TRUE(TryParseFloat("1e-999", '.', v));
  EXPECT_EQ(v, 0.0);
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
