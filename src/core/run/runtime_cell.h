// A small CC-CV charger-and-cell model: an OCV curve over state of charge in series with
// one resistance, charged at constant current until the terminal voltage reaches its
// limit, then at constant voltage until the current falls to the cut-off.
#pragma once

#include <algorithm>
#include <vector>

namespace voltaris {

// One point of the runtime OCV curve: state of charge (0..1) and voltage (V).
struct TOCVPoint {
  double X = 0.0;
  double Y = 0.0;
};

enum TChargeMode : int { cmCC = 0, cmCV = 1, cmDone = 2 };

struct TRuntimeState {
  double tSec = 0.0;        // model time, s
  double SoC = 0.0;         // state of charge, 0..1
  double OCV = 0.0;         // open-circuit voltage at SoC as of the last step, V
  double I = 0.0;           // charge current of the last step, A (>= 0)
  double V = 0.0;           // terminal voltage of the last step, V
  TChargeMode Mode = cmCC;  // charger mode
};

struct TRuntimeParams {
  double Qn_Ah = 0.0;                 // nominal capacity, Ah
  double Rtot = 0.0;                  // total series resistance, ohm
  double Vmax = 0.0;                  // constant-voltage limit, V
  double Icc = 0.0;                   // constant current of the CC phase, A
  double Icut = 0.0;                  // cut-off current that ends the CV phase, A
  double SoC0 = 0.0;                  // initial state of charge of a fresh state
  std::vector<TOCVPoint> OCVTable{};  // ascending X
};

// A fresh state: all zero, SoC = SoC0 limited to 0..0.999, mode CC.
TRuntimeState RuntimeFreshState(const TRuntimeParams& params);

// Piecewise-linear lookup with flat ends; an empty table gives 3.7 V and two neighbours
// with the same X give the first one's voltage.
double InterpOCV(const std::vector<TOCVPoint>& table, double x);

// Advances the charger and cell by dt seconds. A finished charge (cmDone) stays as it is.
// A non-positive capacity cannot take charge: the state of charge then stays where it is
// while the charger logic and the time still advance. Inline: the live CC-CV step runs it
// thousands of times per tick.
inline constexpr double kRuntimeFullSoC = 0.999;  // a charge ends at this state of charge
inline constexpr double kRuntimeMinR = 1e-9;      // smallest series resistance, ohm

inline void RuntimeStep(TRuntimeState& state, const TRuntimeParams& params, double dt) {
  if (state.Mode == cmDone) return;
  const double R = params.Rtot <= kRuntimeMinR ? kRuntimeMinR : params.Rtot;
  state.OCV = InterpOCV(params.OCVTable, state.SoC);

  if (state.Mode == cmCC) {
    if (state.SoC >= kRuntimeFullSoC) {
      state.Mode = cmDone;
      state.I = 0;
      state.V = state.OCV;
      return;
    }
    state.I = params.Icc;
    state.V = state.OCV + state.I * R;
    if (state.V >= params.Vmax) state.Mode = cmCV;  // this step still charges with Icc
  } else if (state.Mode == cmCV) {
    state.V = params.Vmax;
    state.I = (params.Vmax - state.OCV) / R;
    if (state.I < 0) state.I = 0;
    if (params.Icut >= state.I || state.SoC >= kRuntimeFullSoC) {
      state.Mode = cmDone;
      state.I = 0;
    }
  }

  if (params.Qn_Ah > 0) state.SoC = std::clamp(state.SoC + state.I * dt / (params.Qn_Ah * 3600), 0.0, 1.0);
  state.tSec += dt;
}

}  // namespace voltaris
