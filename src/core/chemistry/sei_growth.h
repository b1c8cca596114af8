// Whole-waveform formation model: one pass over a sampled current integrates state of
// charge, terminal voltage, a lumped cell temperature and the SEI thickness, then derives
// the run's summary figures.
#pragma once

#include <vector>

#include "chemistry/chem_params.h"

namespace voltaris {

struct TSimOutputs {
  std::vector<double> V{};       // terminal voltage per sample, clamped to Vmin..Vmax
  std::vector<double> SEI_nm{};  // SEI thickness per sample, nm
  std::vector<double> SOC{};     // state of charge per sample, 0..1
  std::vector<double> T_C{};     // cell temperature per sample, °C
  double t_done_s = 0.0;         // time SEI growth was found stabilised; -1 when never
  double psiHX_wear = 0.0;       // loss figure of the waveform, 0.1..2
  double PsiHX_time = 0.0;       // time figure of the waveform
  double S_form = 0.0;           // formation stress figure
  double I_rms_A = 0.0;          // RMS current, A
  double I_pk_A = 0.0;           // peak absolute current, A
  double CE1_pct = 0.0;          // first-cycle coulombic efficiency, 80..100 %
  double Q_Ah = 0.0;             // absolute charge throughput, Ah
  double E_Wh = 0.0;             // absolute energy throughput, Wh
};

// Runs the SEI growth model over the current I (A per sample, positive = charge) sampled
// at Fs Hz. Sample k of every output array belongs to time k / Fs (Fs below 1 counts as 1).
// An empty wave empties the arrays, sets t_done_s to -1 and leaves the other figures.
// The loss and ripple sums are held in 64-bit integers of 1e-4 units, rounded half to even
// at each step, so the figures are reproducible to the last digit.
// Pure: touches only its arguments; allocates only the four output arrays.
// A non-positive capacity keeps the state of charge where it is, and a non-positive
// thermal resistance holds the cell at ambient temperature, instead of dividing by zero.
void SimulatePatternChemSEI(const std::vector<double>& I, double Fs, const TChemParams& P, TSimOutputs& O);

}  // namespace voltaris
