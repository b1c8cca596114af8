#include "chemistry/sei_growth.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

#include "common/numbers.h"

namespace voltaris {
namespace {

constexpr double kGasConstant = 8.314462618;  // J/(mol·K)
constexpr double kFaraday = 96485.0;          // C/mol, turns eV into J/mol
constexpr double kCheckInterval_s = 120.0;    // spacing of the stabilisation checks
constexpr double kStableRelGrowth = 0.002;    // growth below 0.2 % per check = stabilised

// Nearest 64-bit integer, halves to the even neighbour (the default rounding mode).
inline int64_t NearestInt(double x) { return RoundToInt64(x); }

}  // namespace

void SimulatePatternChemSEI(const std::vector<double>& I, double Fs, const TChemParams& P, TSimOutputs& O) {
  const std::size_t N = I.size();
  if (N == 0) {
    O.V.clear();
    O.SEI_nm.clear();
    O.SOC.clear();
    O.T_C.clear();
    O.t_done_s = -1;
    return;
  }

  const double fsUsed = Fs >= 1 ? Fs : 1.0;
  const double dt = 1.0 / fsUsed;
  O.V.resize(N);
  O.SEI_nm.resize(N);
  O.SOC.resize(N);
  O.T_C.resize(N);

  double soc = 0.05;
  double T = P.Tamb_C;
  double sei = P.x0_nm;
  double doneTime = -1;
  double lastCheckSei = P.x0_nm;
  double lastCheckT = 0;
  const double R_est = P.R0_ohm < 0.001 ? 0.001 : P.R0_ohm;
  double scale_nm_Ah = P.SEI_scale_nm_Ah;
  if (!(scale_nm_Ah > 0)) scale_nm_Ah = P.Qn_Ah > 0 ? P.xTarget_nm / P.Qn_Ah : 2000.0;
  double D_loss_HX = 0, Q_total_Ah = 0, E_total_Wh = 0;

  // Waveform statistics.
  double sumSq = 0, peak = 0;
  for (double i : I) {
    sumSq += i * i;
    peak = std::max(peak, std::fabs(i));
  }
  O.I_rms_A = std::sqrt(sumSq / static_cast<double>(N));
  O.I_pk_A = peak;

  // Formation stress relative to the 1C current.
  const double I_ref = P.Qn_Ah < 0.01 ? 0.01 : P.Qn_Ah;
  constexpr double alpha_s = 1.3, f_mode = 0.92, f_slew = 0.97, f_phase = 0.93;
  O.S_form = std::pow(O.I_rms_A / I_ref, alpha_s) * f_mode * f_slew * f_phase;

  const double hx_factor = std::clamp(P.HxFactor, 0.0, 0.9);

  // Loop invariants.
  const bool socMoves = P.Qn_Ah > 0;
  const bool exchangesHeat = P.Rth_KpW > 0;
  const double rTot = P.R0 + P.Rdyn;
  const double C = P.Cth_JpK < 1e-6 ? 1e-6 : P.Cth_JpK;
  double Ea_J = P.Ea_eV * kFaraday;
  if (Ea_J < 1) Ea_J = P.Ea_Jpmol;
  double T_ref_K = P.Tref_C + 273.15;
  if (T_ref_K < 200) T_ref_K = 298.15;
  const double n_diff = hx_factor + 0.5;
  const double x0Ref = std::max(P.x0_nm, 1.0);

  for (std::size_t k = 0; k < N; ++k) {
    const double t_k = static_cast<double>(k) * dt;
    const double i = I[k];
    const double absI = std::fabs(i);

    D_loss_HX += i * i * R_est * dt;
    Q_total_Ah += absI * dt / 3600;

    if (socMoves) soc = std::clamp(soc + i * dt / (P.Qn_Ah * 3600), 0.0, 1.0);

    const double ocv = InterpOCV(P.OCV, soc);
    double v = ocv + i * rTot;
    E_total_Wh += absI * v * dt / 3600;

    // Thermal step; the growth of this step uses the temperature before it.
    const double T_K = T + 273.15;
    if (exchangesHeat) {
      const double pLoss = i * i * rTot;
      T = T + dt * (pLoss - (T - P.Tamb_C) / P.Rth_KpW) / C;
    } else {
      T = P.Tamb_C;  // perfect thermal contact: no resistance to ambient
    }
    O.T_C[k] = T;

    const double f_T = std::exp(-Ea_J / kGasConstant * (1 / T_K - 1 / T_ref_K));

    double dSEI_nm = 0;
    if (absI >= 1e-4) {
      const double polar = v - ocv;
      const double eta = std::max(polar, 0.0);
      const double f_V = 1 + P.alpha_eta * eta;
      const double dQ_Ah = absI * dt / 3600;
      double sei_ratio = sei / x0Ref;
      if (sei_ratio < 1) sei_ratio = 1;
      const double growth = dQ_Ah * scale_nm_Ah * f_T / std::pow(sei_ratio, n_diff);
      const double diss_nm = P.k_diss * (i * i) * dt * f_V;
      dSEI_nm = std::max(growth * f_V - diss_nm, 0.0);
    }
    sei = sei + dSEI_nm;

    if (doneTime < 0 && t_k - lastCheckT >= kCheckInterval_s) {
      const double relGrowth = (sei - lastCheckSei) / std::max(sei, 1e-6);
      if (relGrowth < kStableRelGrowth) doneTime = t_k;
      lastCheckSei = sei;
      lastCheckT = t_k;
    }

    if (v < P.Vmin) v = P.Vmin;
    if (v > P.Vmax) v = P.Vmax;
    O.V[k] = v;
    O.SEI_nm[k] = sei;
    O.SOC[k] = soc;
  }

  O.t_done_s = doneTime;
  O.Q_Ah = Q_total_Ah;
  O.E_Wh = E_total_Wh;

  const double nD = static_cast<double>(N);

  // Loss figure: the ohmic loss of the wave against a steady current equal to its mean,
  // the mean taken in fixed point of 1e-4 A.
  int64_t sum_I = 0;
  for (double i : I) sum_I = NearestInt(static_cast<double>(sum_I) + i * 10000);
  const int64_t I_avg_A = NearestInt(static_cast<double>(sum_I) / nD);
  const double iAvg = static_cast<double>(I_avg_A) / 10000;
  const double D_loss_ref = iAvg * iAvg * R_est * (nD * dt);
  constexpr double gamma_w = 0.5;
  double psi = D_loss_ref > 0 ? std::pow(D_loss_HX / D_loss_ref, gamma_w) : 1.0;
  O.psiHX_wear = std::clamp(psi, 0.1, 2.0);

  // First-cycle efficiency from the final SEI thickness.
  O.CE1_pct = std::clamp((1 - sei / std::max(P.xTarget_nm, 1.0) * P.k_CE1) * 100, 80.0, 100.0);

  // Time figure: ripple and slew of the wave about its RMS level, against the diffusion
  // frequency of the electrode.
  const double f_ref = P.D_Li_m2s / (P.L_eff_m * P.L_eff_m * std::numbers::pi);
  int64_t zc_count = 0;
  for (std::size_t k = 1; k < N; ++k)
    if ((I[k - 1] - O.I_rms_A) * (I[k] - O.I_rms_A) < 0) ++zc_count;
  const double T_total = nD / fsUsed;
  double f_eff = zc_count > 1 ? (static_cast<double>(zc_count) / 2) / T_total : Fs / 4;
  if (f_eff < 1e-6) f_eff = 1e-6;
  const double I_avg = O.I_rms_A < 1e-6 ? 1e-6 : O.I_rms_A;

  int64_t ripple_sum = 0;
  for (double i : I) {
    const double d = i - I_avg;
    ripple_sum = NearestInt(static_cast<double>(ripple_sum) + d * d * 10000);
  }
  const double r_rms = std::sqrt(static_cast<double>(ripple_sum) / nD / 10000) / I_avg;

  int64_t slew_sum = 0;
  for (std::size_t k = 1; k < N; ++k)
    slew_sum = NearestInt(static_cast<double>(slew_sum) + std::fabs(I[k] - I[k - 1]) * 10000);
  const double slewSteps = N > 1 ? static_cast<double>(N - 1) : 1.0;
  const int64_t s = NearestInt(static_cast<double>(slew_sum) / slewSteps / I_avg);

  const double m = std::sqrt(f_ref / std::max(f_eff, 1e-10));
  constexpr int64_t w = 10000;
  O.PsiHX_time = (r_rms + 1) * static_cast<double>(s + 10000) * (m + 1) * static_cast<double>(w + 10000) / 1e8;
}

}  // namespace voltaris
