#include "waveform/ramp_shapes.h"

#include <algorithm>
#include <cmath>

#include "common/unit_shapes.h"

namespace voltaris {

double ShapeLinear(double x) { return Clamp01(x); }
double ShapeSmooth(double x) { return SmoothStep(x); }
double ShapeParabolic(double x) {
  const double b = Clamp01(x);
  return b * b;
}
double ShapeLog(double x) { return std::log(1.0 + 9.0 * Clamp01(x)) / std::log(10.0); }

double ApplyShape(double x, TVRampShape kind) {
  switch (kind) {
    case vrLinear:
      return ShapeLinear(x);
    case vrSmooth:
      return ShapeSmooth(x);
    case vrParabolic:
      return ShapeParabolic(x);
    case vrLog:
      return ShapeLog(x);
  }
  return Clamp01(x);
}

double VoltageRampEnv(double t, double total, double upSec, double downSec, TVRampShape kind) {
  const double up = upSec > 0.0 ? ApplyShape(Clamp01(t / upSec), kind) : 1.0;
  if (downSec > 0.0) return std::min(up, ApplyShape(Clamp01((total - t) / downSec), kind));
  return up;
}

}  // namespace voltaris
