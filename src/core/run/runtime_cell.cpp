#include "run/runtime_cell.h"

#include <algorithm>
#include <cstddef>

namespace voltaris {
TRuntimeState RuntimeFreshState(const TRuntimeParams& params) {
  TRuntimeState s{};
  s.SoC = std::clamp(params.SoC0, 0.0, kRuntimeFullSoC);
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

}  // namespace voltaris
