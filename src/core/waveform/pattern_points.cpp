#include "waveform/pattern_points.h"

#include <algorithm>
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

std::vector<double> BernsteinWeights(const std::vector<double>& ys) {
  std::vector<double> w(ys.size());
  const size_t d = ys.empty() ? 0 : ys.size() - 1;
  double binom = 1.0;  // C(d, k), exact for the degrees a user types
  for (size_t k = 0; k < ys.size(); ++k) {
    if (k > 0) binom = binom * static_cast<double>(d - k + 1) / static_cast<double>(k);
    w[k] = binom * ys[k];
  }
  return w;
}

double BernsteinAt(const std::vector<double>& w, double u) {
  const size_t n = w.size();
  if (n == 0) return 0.0;
  if (n == 1) return w[0];
  const size_t d = n - 1;
  const double s = 1.0 - u;
  // sum over k of w_k u^k s^(d-k), with s applied once per remaining degree.
  double uk = 1.0;
  double q = w[0] * s;
  for (size_t k = 1; k < d; ++k) {
    uk *= u;
    q = (q + uk * w[k]) * s;
  }
  return q + uk * u * w[d];
}

void BernsteinFill(const std::vector<double>& w, const double* u, double* out, size_t count) {
  const size_t n = w.size();
  if (n <= 2) {
    for (size_t i = 0; i < count; ++i) out[i] = BernsteinAt(w, u[i]);
    return;
  }
  const size_t d = n - 1;
  constexpr size_t kLanes = 8;
  for (size_t i0 = 0; i0 < count; i0 += kLanes) {
    const size_t m = std::min(kLanes, count - i0);
    double uu[kLanes], s[kLanes], uk[kLanes], q[kLanes];
    for (size_t j = 0; j < kLanes; ++j) {
      uu[j] = j < m ? u[i0 + j] : 0.0;
      s[j] = 1.0 - uu[j];
      uk[j] = 1.0;
      q[j] = w[0] * s[j];
    }
    for (size_t k = 1; k < d; ++k) {
      const double wk = w[k];
      for (size_t j = 0; j < kLanes; ++j) {
        uk[j] *= uu[j];
        q[j] = (q[j] + uk[j] * wk) * s[j];
      }
    }
    for (size_t j = 0; j < m; ++j) out[i0 + j] = q[j] + uk[j] * uu[j] * w[d];
  }
}

double BezierBernsteinAt(const std::vector<double>& ys, double u) { return BernsteinAt(BernsteinWeights(ys), u); }

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
