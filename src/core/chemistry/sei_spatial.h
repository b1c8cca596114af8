// Spatial SEI model: spreads the simulated SEI growth along the electrode, from the
// current-collector tab (position 0) to the far end (position 1). Near the tab the local
// current density is higher; a pulsed pattern and a higher pattern frequency even it out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chemistry/chem_params.h"
#include "chemistry/sei_growth.h"

namespace voltaris {

inline constexpr int32_t SEI3D_NX_DEFAULT = 24;   // electrode positions
inline constexpr int32_t SEI3D_NT_DEFAULT = 120;  // time columns

struct TSEI3DConfig {
  int32_t Nx = 0;           // electrode positions
  int32_t Nt = 0;           // time columns
  double Beta_tab = 0.0;    // strength of the tab current excess
  double Lambda_tab = 0.0;  // decay length of the tab excess, fraction of the electrode length
  double Delta_diff = 0.0;  // thickness scale of diffusion limitation, nm
};

// Indexed [position][time column].
using TSEI3DGrid = std::vector<std::vector<double>>;

struct TSEI3DMetrics {
  double SEI_mean_final = 0.0;     // nm
  double SEI_max_final = 0.0;      // nm
  double SEI_min_final = 0.0;      // nm
  double Homogeneity_pct = 0.0;    // 0..100
  double TabRatio = 0.0;           // final thickness at the tab / at the far end
  double GrowthRate_nm_min = 0.0;  // mean growth per minute
};

struct TSEI3DPatternInfo {
  std::string PatternName{};
  double HxFactor = 0.0;  // pulse-benefit factor of the pattern, 0..1
  double I_rms = 0.0;     // A
  double I_peak = 0.0;    // A
  double Freq_Hz = 0.0;
  std::string ChemName{};
};

struct TSEI3DResult {
  TSEI3DGrid Grid{};                // SEI thickness, nm
  std::vector<double> X_pos{};      // Nx positions 0..1
  std::vector<double> T_min{};      // Nt times, minutes
  TSEI3DGrid GrowthRate{};          // nm/min
  TSEI3DMetrics Metrics{};
  TSEI3DPatternInfo PatInfo{};      // copy of the input
  TSEI3DConfig Config{};            // the configuration actually used
  bool Valid = false;
  std::string ErrorMsg{};
};

TSEI3DConfig SEI3DDefaultConfig();
// Sets the three shape values from the chemistry; Nx and Nt are left alone.
void SEI3DConfigFromChem(const TChemParams& P, TSEI3DConfig& cfg);
// Local current relative to the mean at position x (0 = tab).
double LocalCurrentFactor(double x, double Beta_tab, double Lambda_tab, double HxFactor);
// How much a pattern frequency evens out the growth, 0.55..1.
double FreqHomogeneityFactor(double Freq_Hz);

// Replays the simulated run (samples one second apart) along the electrode. On missing
// simulation data the result is not valid and carries the reason in ErrorMsg.
void ComputeSEI3D(const TSimOutputs& sim, const TChemParams& P, const TSEI3DPatternInfo& pat,
                  const TSEI3DConfig& cfg, TSEI3DResult& R);

// The final thickness at every position; empty when the result is not valid.
std::vector<double> SEI3DGetSpatialFinal(const TSEI3DResult& R);

}  // namespace voltaris
