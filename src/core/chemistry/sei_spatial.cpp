#include "chemistry/sei_spatial.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace voltaris {
namespace {

constexpr double R_gas = 8.314462618;  // J/(mol·K)

}  // namespace

TSEI3DConfig SEI3DDefaultConfig() { return TSEI3DConfig{SEI3D_NX_DEFAULT, SEI3D_NT_DEFAULT, 0.45, 0.15, 20.0}; }

void SEI3DConfigFromChem(const TChemParams& P, TSEI3DConfig& cfg) {
  cfg.Beta_tab = std::clamp(2 * P.alpha_eta + 0.3, 0.25, 0.65);
  cfg.Lambda_tab = std::clamp(0.2 - 0.5 * P.R0, 0.1, 0.25);
  cfg.Delta_diff = std::clamp(15 / std::max(P.kSEI_0, 0.1), 8.0, 40.0);
}

double LocalCurrentFactor(double x, double Beta_tab, double Lambda_tab, double HxFactor) {
  return 1 + Beta_tab * (1 - 0.92 * HxFactor) * std::exp(-x / std::max(Lambda_tab, 1e-6));
}

double FreqHomogeneityFactor(double Freq_Hz) {
  const double f = Freq_Hz > 0 ? 1 / (1 + 0.08 * std::sqrt(Freq_Hz)) : 1.0;
  return std::clamp(f, 0.55, 1.0);
}

void ComputeSEI3D(const TSimOutputs& sim, const TChemParams& P, const TSEI3DPatternInfo& pat,
                  const TSEI3DConfig& cfg, TSEI3DResult& R) {
  R = TSEI3DResult{};
  const std::size_t Nsim = sim.V.size();
  if (Nsim <= 1) {
    R.ErrorMsg = "SimOut.V boş — önce simülasyon çalıştırın";
    return;
  }
  const bool hasSOC = sim.SOC.size() >= Nsim;
  const bool hasTc = sim.T_C.size() >= Nsim;
  if (!hasSOC) {
    R.ErrorMsg = "SimOut.SOC boş — simülasyon tamamlanmamış";
    return;
  }

  double scale_nm_Ah = P.SEI_scale_nm_Ah;
  if (!(scale_nm_Ah > 0)) scale_nm_Ah = P.Qn_Ah > 0 ? P.xTarget_nm / P.Qn_Ah : 2000.0;

  const int32_t Nx = cfg.Nx < 4 ? SEI3D_NX_DEFAULT : cfg.Nx;
  const int32_t Nt = cfg.Nt < 10 ? SEI3D_NT_DEFAULT : cfg.Nt;
  const auto nx = static_cast<std::size_t>(Nx);
  const auto nt = static_cast<std::size_t>(Nt);
  R.Grid.assign(nx, std::vector<double>(nt, 0.0));
  R.GrowthRate.assign(nx, std::vector<double>(nt, 0.0));
  R.X_pos.resize(nx);
  R.T_min.resize(nt);

  // The samples are taken as one second apart.
  const double dt = 1.0;
  const double t_total_min = static_cast<double>(Nsim) / 60;
  for (std::size_t i = 0; i < nx; ++i) R.X_pos[i] = static_cast<double>(i) / std::max(Nx - 1, 1);
  for (std::size_t j = 0; j < nt; ++j) R.T_min[j] = t_total_min * static_cast<double>(j) / std::max(Nt - 1, 1);
  const std::size_t t_stride = std::max<std::size_t>(Nsim / nt, 1);

  std::vector<double> f_tab_x(nx), sei_x(nx, P.x0_nm);
  for (std::size_t i = 0; i < nx; ++i)
    f_tab_x[i] = LocalCurrentFactor(R.X_pos[i], cfg.Beta_tab, cfg.Lambda_tab, pat.HxFactor);
  const double f_freq = FreqHomogeneityFactor(pat.Freq_Hz);
  for (std::size_t i = 0; i < nx; ++i) {
    R.Grid[i][0] = P.x0_nm;
    R.GrowthRate[i][0] = 0;
  }

  double T_ref_K = P.Tref_C + 273.15;
  if (T_ref_K < 200) T_ref_K = 200;
  const double qn = std::max(P.Qn_Ah, 0.001);
  const double deltaDiff = std::max(cfg.Delta_diff, 1.0);
  std::size_t it = 1;

  for (std::size_t k = 1; k < Nsim; ++k) {
    const double T_C_local = hasTc ? sim.T_C[k] : P.Tamb_C;
    double T_K = T_C_local + 273.15;
    if (T_K < 200) T_K = 200;
    const double f_T_arrh = std::clamp(std::exp(-(P.Ea_Jpmol / R_gas) * (1 / T_K - 1 / T_ref_K)), 0.1, 5.0);
    double f_T_sei = 1 + 0.01 * (T_C_local - P.Tamb_C);
    if (f_T_sei < 0.5) f_T_sei = 0.5;

    const double ocv_local = InterpOCV(P.OCV, sim.SOC[k]);
    const double eta_mean = sim.V[k] - ocv_local;
    const double f_V = ocv_local <= sim.V[k] ? 1.0 : 0.5;

    const double dQ_Ah = std::fabs(sim.SOC[k] - sim.SOC[k - 1]) * qn;
    const double dSEI_base = dQ_Ah * scale_nm_Ah * f_V * f_T_sei;
    const bool storeColumn = k % t_stride == 0;

    for (std::size_t i = 0; i < nx; ++i) {
      const double eta_x = eta_mean * f_tab_x[i];
      const double f_eta_x = std::clamp(std::exp(P.alpha_eta * eta_x), 0.5, 4.0);
      const double f_diff_x = 1 / (1 + sei_x[i] / deltaDiff);
      const double f_freq_local = std::clamp(1 - (1 - f_freq) * (1 - R.X_pos[i]), 0.7, 1.0);
      const double dSEI_x = dSEI_base * f_tab_x[i] * f_eta_x * f_T_arrh * f_diff_x * f_freq_local;
      sei_x[i] = std::max(P.x0_nm, sei_x[i] + dSEI_x);
      const double dSEI_dt_x = dSEI_x / dt * 60;
      if (it < nt && storeColumn) {
        R.Grid[i][it] = sei_x[i];
        R.GrowthRate[i][it] = dSEI_dt_x;
      }
    }
    if (storeColumn && it < nt - 1) ++it;
  }

  for (std::size_t i = 0; i < nx; ++i) {
    R.Grid[i][nt - 1] = sei_x[i];
    R.GrowthRate[i][nt - 1] = 0;
  }

  double sum = 0, sumSq = 0, mn = sei_x[0], mx = sei_x[0];
  for (double s : sei_x) {
    sum += s;
    sumSq += s * s;
    mn = std::min(mn, s);
    mx = std::max(mx, s);
  }
  const double mean = sum / Nx;
  double variance = sumSq / Nx - mean * mean;
  if (variance < 0) variance = 0;
  const double std_dev = std::sqrt(variance);
  TSEI3DMetrics& M = R.Metrics;
  M.SEI_mean_final = mean;
  M.SEI_min_final = mn;
  M.SEI_max_final = mx;
  M.Homogeneity_pct = mean > 0 ? std::clamp((1 - std_dev / mean) * 100, 0.0, 100.0) : 100.0;
  M.TabRatio = sei_x[nx - 1] > 0 ? sei_x[0] / sei_x[nx - 1] : 1.0;
  const double growth = (mean - P.x0_nm) / t_total_min;
  M.GrowthRate_nm_min = growth > 0 ? growth : 0.0;

  R.PatInfo = pat;
  R.Config = cfg;
  R.Config.Nx = Nx;
  R.Config.Nt = Nt;
  R.Valid = true;
}

std::vector<double> SEI3DGetSpatialFinal(const TSEI3DResult& R) {
  std::vector<double> out;
  if (!R.Valid) return out;
  out.reserve(R.Grid.size());
  for (const auto& row : R.Grid) out.push_back(row.empty() ? 0.0 : row.back());
  return out;
}

}  // namespace voltaris
