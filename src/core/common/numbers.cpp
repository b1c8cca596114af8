#include "common/numbers.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <clocale>
#include <limits>
#include <cstdlib>
#include <locale>
#include <string>

namespace voltaris {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal separator of the locale named by the environment, read without touching the
// process-wide C locale (which must stay "C" so that machine-read numbers use ".").
char SeparatorFromEnvironment() {
  for (const char* var : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* name = std::getenv(var);
    if (name == nullptr || *name == '\0') continue;
    try {
      const std::locale loc(name);
      const char sep = std::use_facet<std::numpunct<char>>(loc).decimal_point();
      return sep == ',' ? ',' : '.';
    } catch (const std::exception&) {
      return '.';
    }
  }
  return '.';
}

std::atomic<char>& SeparatorSlot() {
  static std::atomic<char> sep{SeparatorFromEnvironment()};
  return sep;
}

}  // namespace

bool TryParseFloat(std::string_view text, char decimalSeparator, double& out) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  if (b == e) return false;

  // Copy into a small buffer in the grammar std::from_chars accepts ('.' separator,
  // no leading '+'), validating as we go.
  char buf[128];
  size_t n = 0;
  size_t i = b;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') buf[n++] = '-';
    ++i;
  }
  int mantissaDigits = 0;
  bool seenSep = false;
  for (; i < e; ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      ++mantissaDigits;
    } else if (c == decimalSeparator && !seenSep) {
      seenSep = true;
      if (n >= sizeof buf - 1) return false;
      buf[n++] = '.';
      continue;
    } else {
      break;
    }
    if (n >= sizeof buf - 1) return false;
    buf[n++] = c;
  }
  if (mantissaDigits == 0) return false;
  if (i < e && (text[i] == 'e' || text[i] == 'E')) {
    // Room for "e", a sign and a digit: a mantissa that filled the buffer is refused.
    if (n + 3 > sizeof buf - 1) return false;
    buf[n++] = 'e';
    ++i;
    if (i < e && (text[i] == '+' || text[i] == '-')) {
      if (text[i] == '-') buf[n++] = '-';
      ++i;
    }
    int expDigits = 0;
    for (; i < e && IsDigit(text[i]); ++i) {
      if (n >= sizeof buf - 1) return false;
      buf[n++] = text[i];
      ++expDigits;
    }
    if (expDigits == 0) return false;
  }
  if (i != e) return false;

  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(buf, buf + n, value);
  if (ec != std::errc() || ptr != buf + n) {
    if (ec != std::errc::result_out_of_range) return false;
    // Underflow reads as zero, like the strtod family; overflow is caught below.
    value = std::strtod(std::string(buf, n).c_str(), nullptr);
  }
  // A number beyond the double range ("1e400") is no number a model can use: it reads as
  // unreadable text, so every caller takes its fallback instead of an infinity.
  if (!std::isfinite(value)) return false;
  out = value;
  return true;
}

char UserDecimalSeparator() { return SeparatorSlot().load(std::memory_order_relaxed); }

void SetUserDecimalSeparator(char separator) {
  SeparatorSlot().store(separator, std::memory_order_relaxed);
}

double SafeStrToF(std::string_view text, double fallback) {
  double v = 0.0;
  if (TryParseFloat(text, '.', v)) return v;
  const char sep = UserDecimalSeparator();
  if (sep != '.' && TryParseFloat(text, sep, v)) return v;
  return fallback;
}

std::int64_t RoundToInt64(double v) {
  if (std::isnan(v)) return 0;
  // 2^63 is exactly representable; every double below it converts without overflow.
  constexpr double kLimit = 9223372036854775808.0;
  const double r = std::nearbyint(v);
  if (r >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (r < -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(r);
}

}  // namespace voltaris
