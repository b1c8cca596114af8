#include "run/runtime_cell.h"

#include <algorithm>
#include <cstddef>

namespace voltaris {
namespace {

constexpr double kFullSoC = 0.999;  // a charge ends at this state of charge
constexpr double kMinR = 1e-9;      // smallest series resistance, ohm

}  // namespace

TRuntimeState RuntimeFreshState(const TRuntimeParams& params) {
  TRuntimeState s{};
  s.SoC = std::clamp(params.SoC0, 0.0, kFullSoC);
  s.Mode = cmCC;
  return s;
}

double InterpOCV(const std::vector<TOCVPoint>& table, double x) {
  if (table.empty()) return 3.7;
  if (x <= table.front().X) return table.front().Y;
  for (std::size_t i = 0; i + 1 < table.size(); ++i) {
    const TOCVPoint& a = table[i];
    const TOCVPoint& b = table[i + 1];
    if (a.X <= x && x <= b.X) {
      if (b.X == a.X) return a.Y;
      return a.Y + (b.Y - a.Y) * (x - a.X) / (b.X - a.X);
    }
  }
  return table.back().Y;
}

void RuntimeStep(TRuntimeState& state, const TRuntimeParams& params, double dt) {
  if (state.Mode == cmDone) return;
  const double R = params.Rtot <= kMinR ? kMinR : params.Rtot;
  state.OCV = InterpOCV(params.OCVTable, state.SoC);

  if (state.Mode == cmCC) {
    if (state.SoC >= kFullSoC) {
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
    if (params.Icut >= state.I || state.SoC >= kFullSoC) {
      state.Mode = cmDone;
      state.I = 0;
    }
  }

  if (params.Qn_Ah > 0) state.SoC = std::clamp(state.SoC + state.I * dt / (params.Qn_Ah * 3600), 0.0, 1.0);
  state.tSec += dt;
}

}  // namespace voltaris
