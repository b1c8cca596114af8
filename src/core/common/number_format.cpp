#include "common/number_format.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "common/numbers.h"

namespace voltaris {

namespace {

struct DecimalPattern {
  int minDecimals = 0;
  int maxDecimals = 0;
};

DecimalPattern ParsePattern(std::string_view pattern) {
  DecimalPattern p;
  const size_t dot = pattern.find('.');
  const std::string_view whole = pattern.substr(0, dot);
  bool ok = !whole.empty() && whole.back() == '0' &&
            whole.find_first_not_of("#0") == std::string_view::npos;
  if (ok && dot != std::string_view::npos) {
    const std::string_view decimals = pattern.substr(dot + 1);
    size_t i = 0;
    while (i < decimals.size() && decimals[i] == '0') ++i;
    p.minDecimals = static_cast<int>(i);
    while (i < decimals.size() && decimals[i] == '#') ++i;
    p.maxDecimals = static_cast<int>(i);
    ok = i == decimals.size() && p.maxDecimals > 0 && p.maxDecimals <= 15;
  }
  if (!ok) throw std::invalid_argument("Unsupported number pattern: " + std::string(pattern));
  return p;
}

// Adds one unit in the last place of a string of decimal digits; true when it carried out
// of the first digit.
bool IncrementDigits(std::string& digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  return true;
}

}  // namespace

std::string FormatFloat(std::string_view pattern, double value, char decimalSeparator) {
  const DecimalPattern p = ParsePattern(pattern);
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

  const bool negative = std::signbit(value);
  const double magnitude = std::fabs(value);
  // Room for the longest shortest-form fixed text of a double below 1e15 (about 1e-324).
  char buf[400];
  if (magnitude >= 1e15) {
    const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
    std::string text(buf, res.ptr);
    for (char& c : text)
      if (c == '.') c = decimalSeparator;
    return negative ? "-" + text : text;
  }

  // The shortest decimal form that reads back as the same double, then decimal rounding
  // on it: what the user typed (2.0005) rounds as the user expects.
  const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed);
  const std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
  const size_t dot = text.find('.');
  std::string whole(text.substr(0, dot));
  std::string frac = dot == std::string_view::npos ? std::string() : std::string(text.substr(dot + 1));

  if (frac.size() > static_cast<size_t>(p.maxDecimals)) {
    const bool roundUp = frac[static_cast<size_t>(p.maxDecimals)] >= '5';
    frac.resize(static_cast<size_t>(p.maxDecimals));
    if (roundUp) {
      std::string digits = whole + frac;
      if (IncrementDigits(digits)) digits.insert(digits.begin(), '1');
      whole = digits.substr(0, digits.size() - frac.size());
      frac = digits.substr(digits.size() - frac.size());
    }
  }
  while (frac.size() > static_cast<size_t>(p.minDecimals) && frac.back() == '0') frac.pop_back();
  while (frac.size() < static_cast<size_t>(p.minDecimals)) frac.push_back('0');

  const bool isZero = whole.find_first_not_of('0') == std::string::npos &&
                      frac.find_first_not_of('0') == std::string::npos;
  std::string out;
  if (negative && !isZero) out += '-';
  out += whole;
  if (!frac.empty()) {
    out += decimalSeparator;
    out += frac;
  }
  return out;
}

std::string FormatFloat(std::string_view pattern, double value) {
  return FormatFloat(pattern, value, UserDecimalSeparator());
}

}  // namespace voltaris
