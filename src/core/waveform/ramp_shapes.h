// The ramp shapes that ease the start and end of a run, and the run envelope built
// from them (the global voltage ramp).
#pragma once

namespace voltaris {

// Ramp shapes in the order of the "Ramp Type" items.
enum TVRampShape : int { vrLinear, vrSmooth, vrParabolic, vrLog };

// Each shape limits x to [0, 1] first and maps [0, 1] onto [0, 1].
double ShapeLinear(double x);     // b
double ShapeSmooth(double x);     // b^2 (3 - 2b)
double ShapeParabolic(double x);  // b^2
double ShapeLog(double x);        // log10(1 + 9b)

// The shape of `kind`; any value outside the four shapes gives x limited to [0, 1].
double ApplyShape(double x, TVRampShape kind);

// Run envelope in [0, 1]: rises from 0 at t = 0 to 1 after upSec and falls back to 0
// at t = total over the last downSec (s); a ramp time <= 0 skips that ramp. When the
// run is shorter than both ramps together the smaller value wins.
double VoltageRampEnv(double t, double total, double upSec, double downSec, TVRampShape kind);

}  // namespace voltaris
