#include "chemistry/chem_params.h"

#include <cstddef>

namespace voltaris {

double InterpOCV(const std::vector<TPointD>& table, double soc) {
  if (table.empty()) return 3.7;
  if (soc <= table.front().x) return table.front().y;
  for (std::size_t i = 0; i + 1 < table.size(); ++i) {
    const TPointD& a = table[i];
    const TPointD& b = table[i + 1];
    if (a.x <= soc && soc <= b.x) {
      // A repeated x would divide by zero: the earlier point wins.
      if (b.x == a.x) return a.y;
      return a.y + (b.y - a.y) * (soc - a.x) / (b.x - a.x);
    }
  }
  return table.back().y;
}

void DefaultChem_LFP(TChemParams& out) {
  out.Qn_Ah = 5.0;
  out.R0 = 0.015;
  out.Rdyn = 0.01;
  out.Vmin = 2.8;
  out.Vmax = 3.65;
  out.OCV = {{0.0, 3.0}, {0.05, 3.2}, {0.2, 3.3}, {0.5, 3.32}, {0.8, 3.35}, {0.95, 3.4}, {1.0, 3.6}};
  out.Cth_JpK = 60;
  out.Rth_KpW = 2.0;
  out.Tamb_C = 25;
  out.x0_nm = 5.0;
  out.xTarget_nm = 115;
  out.kSEI_0 = 0.004;
  out.Ea_Jpmol = 43400;
  out.Ea_eV = 0.45;
  out.Tref_C = 25;
  out.gamma_I = 0.5;
  out.alpha_eta = 0.15;
  out.SEI_scale_nm_Ah = 0;
  out.HxFactor = 0;
  out.k_diss = 0.0002;
  out.k_CE1 = 0.07;
  out.rate_base_mps = 0.004 * 5e-10;
  out.RampDown_s = 0;
  out.D_Li_m2s = 1e-14;
  out.L_eff_m = 5e-6;
  out.R0_ohm = 0.01;
}

}  // namespace voltaris
