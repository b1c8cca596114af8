// Easing curves on the unit interval, shared by the pattern shapes (soft pulse edges)
// and the ramp shapes of the schedules. Inline: they sit in per-sample loops.
#pragma once

#include <cmath>
#include <numbers>

namespace voltaris {

// Limits x to [0, 1].
inline double Clamp01(double x) { return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x); }

// Cosine ease 0.5 - 0.5 cos(pi x) of x limited to [0, 1].
inline double EaseCos01(double x) { return 0.5 - 0.5 * std::cos(std::numbers::pi * Clamp01(x)); }

// The same cosine ease written with explicit end points (0 at or below 0, 1 at or above 1).
inline double EaseCosine(double x) {
  if (x <= 0.0) return 0.0;
  if (x >= 1.0) return 1.0;
  return (1.0 - std::cos(std::numbers::pi * x)) / 2.0;
}

// Hermite smooth step b^2 (3 - 2b) of b = x limited to [0, 1].
inline double SmoothStep(double x) {
  const double b = Clamp01(x);
  return b * b * (3.0 - 2.0 * b);
}

}  // namespace voltaris
