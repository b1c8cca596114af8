#include "waveform/pattern_points.h"

#include <cmath>
#include <limits>
#include <string>

#include "common/numbers.h"
#include "common/unit_shapes.h"

namespace voltaris {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e'; }

// Blanks of the comma-text reader: every control character and the space.
bool IsBlank(char c) { return c > 0 && c <= ' '; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

std::vector<double> ExtractBezierNumbers(std::string_view text) {
  std::vector<double> out;
  size_t start = 0;
  auto flush = [&](size_t end) {
    if (end > start) {
      const double v = SafeStrToF(text.substr(start, end - start), kNaN);
      if (!std::isnan(v)) out.push_back(v);
    }
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsNumberChar(text[i])) continue;
    flush(i);
    start = i + 1;
  }
  flush(text.size());
  return out;
}

std::vector<double> ReadPreviewBezierNumbers(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text)
    if (c != '[' && c != ']') s.push_back(c);

  std::vector<std::string_view> items;
  const std::string_view v = s;
  size_t p = 0;
  while (p < v.size() && IsBlank(v[p])) ++p;
  while (p < v.size()) {
    const size_t b = p;
    while (p < v.size() && !IsBlank(v[p]) && v[p] != ',') ++p;
    items.push_back(v.substr(b, p - b));
    while (p < v.size() && IsBlank(v[p])) ++p;
    if (p < v.size() && v[p] == ',') {
      if (p + 1 == v.size()) items.emplace_back();  // a trailing comma closes an empty item
      do ++p;
      while (p < v.size() && IsBlank(v[p]));
    }
  }

  std::vector<double> out;
  out.reserve(items.size());
  for (std::string_view item : items) out.push_back(SafeStrToF(TrimBlanks(item), 0.0));
  return out;
}

std::vector<double> BezierYValues(const std::vector<double>& numbers) {
  std::vector<double> ys;
  if (numbers.size() < 4 || numbers.size() % 2 != 0) return ys;
  ys.reserve(numbers.size() / 2);
  for (size_t k = 1; k < numbers.size(); k += 2) ys.push_back(numbers[k]);
  return ys;
}

double BezierAt(const std::vector<double>& ys, double u, std::vector<double>& work) {
  work.assign(ys.begin(), ys.end());
  const size_t n = work.size();
  for (size_t r = 1; r < n; ++r)
    for (size_t k = 0; k + r < n; ++k) work[k] = (1.0 - u) * work[k] + u * work[k + 1];
  return work[0];
}

double BezierBernsteinAt(const std::vector<double>& ys, double u) {
  const size_t n = ys.size();
  if (n == 0) return 0.0;
  if (n == 1) return ys[0];
  const size_t d = n - 1;
  const double s = 1.0 - u;
  // sum over k of C(d, k) u^k s^(d-k) y_k, with s applied once per remaining degree.
  double binom = 1.0, uk = 1.0;
  double q = ys[0] * s;
  for (size_t k = 1; k < d; ++k) {
    uk *= u;
    binom = binom * static_cast<double>(d - k + 1) / static_cast<double>(k);
    q = (q + uk * binom * ys[k]) * s;
  }
  return q + uk * u * ys[d];
}

std::vector<double> ParsePoints(std::string_view text) {
  std::vector<double> out;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != ',' && text[i] != ';') continue;
    const std::string_view piece = TrimBlanks(text.substr(start, i - start));
    start = i + 1;
    double value = 0.0;
    if (!piece.empty() && TryParseFloat(piece, '.', value)) out.push_back(Clamp01(value));
  }
  return out;
}

}  // namespace voltaris
