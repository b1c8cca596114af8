// The figures of a finished formation run: the record the formation report prints, and
// the fixed-point and memo-text helpers the metrics and the run preparation share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace voltaris {

// Run figures for the formation report. The run metrics fill the first fourteen fields;
// the report command completes the rest from the window just before export.
struct TPdfMetrics {
  std::string PatternName{};  // pattern type of the run, lower case, trimmed
  double SEI_nm = 0.0;        // final SEI thickness, nm (4 decimals)
  double CE1_pct = 0.0;       // first-cycle coulombic efficiency, %; -1 without a discharge
  double t_done_min = 0.0;    // SEI stabilisation time, min (negative when never)
  double I_rms_A = 0.0;
  double I_pk_A = 0.0;
  double Q_Ah = 0.0;          // charge delivered
  double E_Wh = 0.0;          // energy delivered
  double SOC_pct = 0.0;       // state of charge reached
  double HxFactor = 0.0;      // pulse-benefit factor of the run
  double k_diss = 0.0;
  double k_CE1 = 0.0;
  std::string CellType{};     // "LFP_21700 5Ah", the chemistry file name, or "Unknown"
  double Temp_C = 0.0;        // ambient shown in the report
  std::string VStepText{};
  std::string IStepText{};
  double VRampUpS = 0.0;
  double VRampDnS = 0.0;
  double IRampUpS = 0.0;
  double IRampDnS = 0.0;
  std::string EnergyMemo{};
  double I_min_A = 0.0;
  double I_max_A = 0.0;
  double Freq_Hz = 0.0;
  double Duty_pct = 0.0;
  double V_min_V = 0.0;
  double V_max_V = 0.0;
  std::string ChemMemo{};
  std::string SimStatsMemo{};
  double Temp_min_C = 0.0;
  double Temp_max_C = 0.0;
  double Vnom_V = 0.0;
  double CapAh = 0.0;
  double Rint_mOhm = 0.0;
  double Mass_g = 0.0;
  double HeatCap_JpgK = 0.0;
  double R0_mOhm = 0.0;
  std::string AIAnalysis{};
  std::string AIPattern{};
};

// Lines a memo keeps when MemoAddSafe appends one: older lines are dropped first.
inline constexpr size_t kMemoMaxLinesBeforeAdd = 200;

// v x 10000 to the nearest 64-bit integer, halves to the even neighbour: the unit of the
// run's fixed-point sums (1e-4 A, 1e-4 nm, ...).
int64_t ToFixed4(double v);
// v rounded to 4 decimals through that fixed-point form.
double Round4(double v);
// One step of a fixed-point sum: sum + v x 10000, rounded to the nearest integer.
int64_t AddFixed4(int64_t sum, double v);

// The composite formation performance figure ("Perf"): the state of charge reached (%)
// times the SEI efficiency (1 up to x0_nm, falling to 0 at xTarget_nm; 1 without a target
// or SEI) times the waveform wear figure (taken as 1 when not positive), limited to 0..100.
double FormationPerf(double soc_pct, double seiFinal_nm, double x0_nm, double xTarget_nm, double wear);

// The C format "%.<decimals>f" with the user's decimal separator, as memo lines show it.
std::string FixedText(double v, int decimals);
// `text` padded with blanks on the left (right-aligned) or on the right to `width`
// characters; longer texts are kept whole.
std::string PadLeft(std::string_view text, size_t width);
std::string PadRight(std::string_view text, size_t width);

}  // namespace voltaris
