// The flat chemistry and SEI parameter record every cell model reads, the open-circuit
// voltage table lookup and the built-in LFP parameter set.
#pragma once

#include <vector>

namespace voltaris {

// One point of an OCV table: state of charge (0..1) and open-circuit voltage (V).
struct TPointD {
  double x = 0.0;
  double y = 0.0;
};

// Chemistry and SEI parameters in model units (ohms, J/K, nm, J/mol).
struct TChemParams {
  double Qn_Ah = 0.0;            // nominal capacity; numerically also the 1C current in A
  double R0 = 0.0;               // ohmic resistance, ohm
  double Rdyn = 0.0;             // polarisation resistance, ohm (terminal voltage uses R0 + Rdyn)
  double Vmin = 0.0;             // lower clamp of the terminal voltage, V
  double Vmax = 0.0;             // upper clamp of the terminal voltage, V
  std::vector<TPointD> OCV{};    // OCV table, ascending x
  double Cth_JpK = 0.0;          // lumped heat capacity, J/K
  double Rth_KpW = 0.0;          // thermal resistance cell to ambient, K/W
  double Tamb_C = 0.0;           // ambient and start temperature, °C
  double x0_nm = 0.0;            // initial SEI thickness, nm
  double xTarget_nm = 0.0;       // target SEI thickness of formation, nm
  double kSEI_0 = 0.0;           // SEI rate constant, nm/s
  double Ea_Jpmol = 0.0;         // activation energy, J/mol (fallback for Ea_eV)
  double Tref_C = 0.0;           // Arrhenius reference temperature, °C
  double gamma_I = 0.0;          // current exponent of the chemistry
  double alpha_eta = 0.0;        // SEI growth gain on positive overpotential, 1/V
  double RampDown_s = 0.0;       // ramp-down time, s
  double SEI_scale_nm_Ah = 0.0;  // SEI growth per Ah; 0 = xTarget_nm / Qn_Ah
  double rate_base_mps = 0.0;    // SEI rate base, m/s
  double Ea_eV = 0.0;            // activation energy, eV (preferred over Ea_Jpmol)
  double D_Li_m2s = 0.0;         // lithium diffusion coefficient, m²/s
  double L_eff_m = 0.0;          // effective diffusion length, m
  double R0_ohm = 0.0;           // resistance of the loss integrals, ohm
  bool UseXTargetOnly = false;   // raised by the calibration around its fitting runs
  double HxFactor = 0.0;         // pulse-benefit factor (models clamp it to 0..0.9)
  double k_diss = 0.0;           // SEI dissolution coefficient, nm/(A²·s)
  double k_CE1 = 0.0;            // first-cycle efficiency loss factor
};

// Piecewise-linear OCV lookup with flat ends; an empty table gives 3.7 V. Where two
// neighbouring points share the same x, the first point's voltage is returned.
double InterpOCV(const std::vector<TPointD>& table, double soc);

// Fills the record with the built-in LFP set (UseXTargetOnly is left as it was).
void DefaultChem_LFP(TChemParams& out);

}  // namespace voltaris
