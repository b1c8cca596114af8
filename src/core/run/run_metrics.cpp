// Formation metrics of a finished run: charge, energy, RMS and peak values, power factor,
// ohmic loss, a lumped temperature course, an SEI estimate, first-cycle efficiency, state
// of charge and a performance figure, computed from the points of the simulation chart and
// the SEI simulation; the CC-CV baseline and the comparison of a pattern run with it.
#include "run/run_metrics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "common/number_format.h"
#include "common/numbers.h"
#include "waveform/kind_text.h"
#include "window/form_preview.h"

namespace voltaris {

int64_t ToFixed4(double v) { return RoundToInt64(v * 10000.0); }

double Round4(double v) { return static_cast<double>(ToFixed4(v)) / 10000.0; }

int64_t AddFixed4(int64_t sum, double v) {
  return static_cast<int64_t>(std::nearbyint(static_cast<double>(sum) + v * 10000.0));
}

std::string FixedText(double v, int decimals) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s(buf);
  const char sep = UserDecimalSeparator();
  if (sep != '.')
    for (char& c : s)
      if (c == '.') c = sep;
  return s;
}

std::string PadLeft(std::string_view text, size_t width) {
  std::string s;
  if (text.size() < width) s.assign(width - text.size(), ' ');
  s += text;
  return s;
}

std::string PadRight(std::string_view text, size_t width) {
  std::string s(text);
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

namespace {

constexpr double kTiny = 1e-12;

// A file name without folder (either separator) and extension.
std::string FileStem(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  const size_t dot = path.rfind('.');
  if (dot != std::string_view::npos && dot > 0) path = path.substr(0, dot);
  return std::string(path);
}

// The last value of an array, or `fallback` for an empty one.
double LastOr(const std::vector<double>& a, double fallback) { return a.empty() ? fallback : a.back(); }

}  // namespace

int TFormPreview::GetSampleCount() const {
  if (FSerSimI == nullptr || FSerSimV == nullptr) return 0;
  return static_cast<int>(std::min(FSerSimI->Count(), FSerSimV->Count()));
}

void TFormPreview::GetSample(int idx, double& aI, double& aV) const {
  aI = 0.0;
  aV = 0.0;
  if (idx < 0 || idx >= GetSampleCount()) return;
  aI = FSerSimI->Y(static_cast<size_t>(idx));
  aV = FSerSimV->Y(static_cast<size_t>(idx));
}

double TFormPreview::DetectFsFromTrend() const {
  if (FSerSimI == nullptr || FSerSimI->Count() < 2) return 0.0;
  const double d = FSerSimI->X(1) - FSerSimI->X(0);
  return d > 0 ? 1.0 / d : 0.0;
}

void TFormPreview::MemoAddSafe(const std::string& line) {
  const Control* memo = form_.Find("MemoChemMetrics");
  if (memo == nullptr) return;
  if (memo->Lines().size() > kMemoMaxLinesBeforeAdd) {
    const std::vector<std::string>& lines = memo->Lines();
    std::vector<std::string> kept(lines.end() - static_cast<std::ptrdiff_t>(kMemoMaxLinesBeforeAdd), lines.end());
    form_.SetLines("MemoChemMetrics", std::move(kept));
  }
  form_.AddLine("MemoChemMetrics", line);
}

double FormationPerf(double soc_pct, double seiFinal_nm, double x0_nm, double xTarget_nm, double wear) {
  double eff = 1.0;
  if (xTarget_nm > 0 && seiFinal_nm > 0) {
    const double over = std::max(0.0, seiFinal_nm - x0_nm);
    const double span = std::max(1.0, xTarget_nm - x0_nm);
    eff = Round4(std::max(0.0, 1.0 - over / span));
  }
  const double w = wear > 0 ? wear : 1.0;
  return std::clamp(soc_pct * eff * w, 0.0, 100.0);
}

void TFormPreview::ComputeRealMetrics() {
  // 1. Samples and time step.
  const int n = GetSampleCount();
  if (n < 2) return;
  const double fs = DetectFsFromTrend();
  if (fs <= 0) return;
  double dt = 1.0 / fs;
  const double totalT = (n - 1) * dt;
  // The chart points are taken to span the whole run evenly.
  if (FTotalSecs > 0) dt = FTotalSecs / std::max(n - 1, 1);

  // 2. Accumulation.
  const TChemParams& P = FChemP;
  double Imin = 1e30, Vmin = 1e30, Imax = -1e30, Vmax = -1e30, peakP = -1e30;
  double sumI2 = 0, sumV2 = 0, sumP = 0, ohmic = 0, meanI = 0, meanV = 0;
  double Q = 0, E = 0, Qcharge = 0, Qdis = 0, Qsei = 0;
  double T = P.Tamb_C, Tmin = P.Tamb_C, Tmax = P.Tamb_C;
  double tau = P.Cth_JpK * P.Rth_KpW;
  if (!(tau > 0)) tau = 0;
  const bool hasCell = GChem && GChem->FCell;
  const double g = hasCell ? GChem->FCell->FNmPerAh : 0.0;
  const bool hasSeiModel = GChem && GChem->FSeiModel;
  const double plateV = hasSeiModel ? GChem->FSeiModel->FPlatingThresh_V : 0.0;
  double L = 0;
  for (int i = 0; i < n; ++i) {
    double I = 0, V = 0;
    GetSample(i, I, V);
    sumI2 += I * I;
    sumV2 += V * V;
    const double p = I * V;
    sumP += p;
    peakP = std::max(peakP, p);
    if (i > 0) ohmic += I * I * P.R0 * dt;
    meanI += I;
    meanV += V;
    if (i > 0) {
      Q += I * dt / 3600.0;
      E += I * V * dt / 3600.0;
      if (I > 0) Qcharge += I * dt / 3600.0;
      if (I < 0) Qdis += std::fabs(I) * dt / 3600.0;
      if (tau > 0 && P.R0 > 0) {
        // Lumped cell temperature, one explicit Euler step towards the steady rise.
        const double Tinf = P.Tamb_C + I * I * P.R0 * P.Rth_KpW;
        T += (Tinf - T) * dt / tau;
        if (!std::isfinite(T)) T = P.Tamb_C;
        Tmin = std::min(Tmin, T);
        Tmax = std::max(Tmax, T);
      }
    }
    Imin = std::min(Imin, I);
    Imax = std::max(Imax, I);
    Vmin = std::min(Vmin, V);
    Vmax = std::max(Vmax, V);
    if (i > 0 && g > 0) {
      // SEI grows at a tenth of its rate below the plating threshold, faster when warm.
      const double gainV = hasSeiModel ? (V >= plateV ? 1.0 : 0.1) : 1.0;
      const double gainT = std::max(0.0, 1.0 + 0.015 * (T - P.Tamb_C));
      const double dQsei = I * dt / 3600.0 * gainV * gainT;
      Qsei += dQsei;
      L = std::max(0.0, L + dQsei * g);
    }
  }

  // 3. Figures.
  meanI /= n;
  meanV /= n;
  const double Irms = std::sqrt(sumI2 / n);
  const double Vrms = std::sqrt(sumV2 / n);
  FLastCE1_pct = Qcharge > kTiny && Qdis > kTiny ? Qdis / Qcharge * 100.0 : -1.0;
  const double Pmean = sumP / n;
  const double S = Vrms * Irms;
  const double PF = S > kTiny ? Pmean / S : 0.0;
  const double lossWh = ohmic / 3600.0;
  const double lossWmean = totalT > 0 ? ohmic / totalT : 0.0;
  const double efficiency = E + lossWh > kTiny ? E / (E + lossWh) * 100.0 : 0.0;
  double soc = P.Qn_Ah > 0 ? Q * 100.0 / P.Qn_Ah : 0.0;
  soc = std::min(soc, 100.0);
  FLastSOC_pct = soc;
  const double seiFinal = Round4(LastOr(FSimOut.SEI_nm, 0.0));
  const double perf = FormationPerf(soc, seiFinal, P.x0_nm, P.xTarget_nm, FSimOut.psiHX_wear);
  FLastDeliveredAh = Qsei;
  FLastSEI_nm = L;
  FSEIDoneSec = -1;
  FSEIDoneIdx = -1;
  FSimOut.CE1_pct = FLastCE1_pct;
  FSimOut.Q_Ah = Q;
  FSimOut.E_Wh = E;
  if (FSimOut.I_rms_A <= 0) FSimOut.I_rms_A = Irms;
  if (FSimOut.I_pk_A <= 0) FSimOut.I_pk_A = std::max(std::fabs(Imax), std::fabs(Imin));
  const double tDone = FSimOut.t_done_s;

  // 4. Chemistry metrics.
  if (form_.Find("MemoChemMetrics") != nullptr) {
    form_.SetLines("MemoChemMetrics", {});
    const std::string name = GChem ? GChem->FChemistry : ChemModeCaption(FChemMode);
    MemoAddSafe("--- Real Chemistry Metrics [" + name + "] ---");
    MemoAddSafe("I(t): mean=" + FixedText(meanI, 3) + " A, min=" + FixedText(Imin, 3) + " A, max=" +
                FixedText(Imax, 3) + " A");
    MemoAddSafe("V(t): mean=" + FixedText(meanV, 3) + " V, min=" + FixedText(Vmin, 3) + " V, max=" +
                FixedText(Vmax, 3) + " V");
    if (tau > 0)
      MemoAddSafe("T(t): mean≈" + FixedText((Tmin + Tmax) / 2, 3) + " °C, min=" + FixedText(Tmin, 3) +
                  " °C, max=" + FixedText(Tmax, 3) + " °C");
    else
      MemoAddSafe("T(t): " + FixedText(P.Tamb_C, 3) + " °C (no thermal model)");
    MemoAddSafe("Delivered Q = " + FixedText(Q, 3) + " Ah");
    MemoAddSafe("Delivered E = " + FixedText(E, 3) + " Wh");
    MemoAddSafe("SEI = " + FixedText(FSimOut.SEI_nm.empty() ? L : FSimOut.SEI_nm.back(), 1) + " nm");
    if (FSimOut.CE1_pct < 0)
      MemoAddSafe("CE1 = N/A (formation only, no discharge)");
    else
      MemoAddSafe("CE1 = " + FixedText(FSimOut.CE1_pct, 1) + " %");
    const double Tpeak = FSimOut.T_C.empty() ? Tmax : *std::max_element(FSimOut.T_C.begin(), FSimOut.T_C.end());
    MemoAddSafe("ΔT  = " + FixedText(std::max(0.0, Tpeak - P.Tamb_C), 2) + " °C");
    MemoAddSafe("SOC = " + FixedText(soc, 1) + " %");
    MemoAddSafe("Perf= " + FixedText(perf, 1));
    if (Irms > 0) {
      MemoAddSafe("I_rms  = " + FixedText(Irms, 3) + " A");
      MemoAddSafe("I_pk   = " + FixedText(std::max(std::fabs(Imin), Imax), 3) + " A");
      MemoAddSafe("S_form = " + FixedText(FSimOut.S_form, 3));
      MemoAddSafe("psiHX_wear = " + FixedText(FSimOut.psiHX_wear, 2));
      MemoAddSafe("PsiHX_time = " + FixedText(FSimOut.PsiHX_time, 2));
    }
    if (tDone > 0)
      MemoAddSafe("SEI done = " + FixedText(tDone / 60.0, 1) + " min");
    else
      MemoAddSafe("SEI done = not stabilized");
    if (tDone <= 0)
      MemoAddSafe("! SEI not stabilized in " + FixedText(FTotalSecs / 60.0, 0) + " min -- increase duration!");
    else if (tDone > FTotalSecs)
      MemoAddSafe("! Total time (" + FixedText(FTotalSecs / 60.0, 0) + "min) < SEI done (" +
                  FixedText(tDone / 60.0, 0) + "min) -- increase duration!");
  }

  // 5. Energy and power.
  if (form_.Find("MemoSimStats1") != nullptr) {
    std::vector<std::string> m;
    m.push_back("--- Energy / Power Summary ---");
    if (FPat && FPat->FPattern) {
      const TPatternBody& body = *FPat->FPattern;
      double loP = body.FLevels ? body.FLevels->FILowA : 0.0;
      double hiP = body.FLevels ? body.FLevels->FIHighA : 0.0;
      double f = body.FPulse ? body.FPulse->FFreqHz : 0.0;
      if (TrimLowerAscii(body.FType) == "cc_cv") {
        hiP = form_.Number("edtCC_A", 2.5);
        loP = 0;
        f = 0;
      }
      std::string line = "Pattern: " + body.FType + " | I=[" + FixedText(loP, 2) + ".." + FixedText(hiP, 2) + "]A";
      if (f > 0) line += " | f=" + FixedText(f, 3) + "Hz";
      m.push_back(line);
    }
    m.push_back("Duration     = " + FixedText(totalT, 1) + " s (" + FixedText(totalT / 60.0, 2) + " min)");
    m.push_back("I_rms        = " + FixedText(Irms, 3) + " A");
    m.push_back("V_rms        = " + FixedText(Vrms, 3) + " V");
    m.push_back("P_mean       = " + FixedText(Pmean, 2) + " W (" + FixedText(Pmean / 1000.0, 3) + " kW)");
    m.push_back("P_peak       = " + FixedText(peakP, 2) + " W (" + FixedText(peakP / 1000.0, 3) + " kW)");
    m.push_back("S (kVA)      = " + FixedText(S / 1000.0, 3) + " kVA");
    m.push_back("PowerFactor  = " + FixedText(PF, 3));
    m.push_back("");
    m.push_back("Delivered E  = " + FixedText(E, 3) + " Wh");
    m.push_back("Ohmic Loss   = " + FixedText(lossWh, 3) + " Wh (mean " + FixedText(lossWmean, 2) + " W)");
    m.push_back("Efficiency   = " + FixedText(efficiency, 2) + " %");
    form_.SetLines("MemoSimStats1", std::move(m));
  }

  // 6. A CC-CV run becomes the baseline of later pattern runs.
  const double curSei = seiFinal;
  const double curT = tDone / 60.0;
  const double curCe1 = FSimOut.CE1_pct;
  if (TrimLowerAscii(FLastPatType) == "cc_cv") {
    FBaseline_SEI_nm = curSei;
    FBaseline_t_min = curT;
    FBaseline_CE1_pct = curCe1;
    FBaseline_valid = true;
  }

  // 7. Comparison with the baseline.
  if (form_.Find("MemoSimStats2") != nullptr) {
    std::vector<std::string> m;
    if (!FBaseline_valid) {
      m.push_back("Run CC/CV first to set baseline");
    } else {
      const double cccvSei = FBaseline_SEI_nm, cccvT = FBaseline_t_min, cccvCe1 = FBaseline_CE1_pct;
      const double tSaved = cccvT - curT;
      const double throughput = cccvT / std::max(curT, 1.0);
      const double seiGain = Round4((cccvSei - curSei) * 100.0 / std::max(cccvSei, 1e-6));
      m.push_back("=== HX vs CC/CV Comparison ===");
      m.push_back("");
      m.push_back(PadRight("Metric", 14) + " " + PadLeft("CC/CV", 8) + " " + PadLeft("HX", 8));
      m.push_back(std::string(32, '-'));
      m.push_back("SEI (nm)       " + PadLeft(FixedText(cccvSei, 1), 8) + " " + PadLeft(FixedText(curSei, 1), 8));
      m.push_back("CE1 (%)        " + PadLeft(FixedText(cccvCe1, 1), 8) + " " + PadLeft(FixedText(curCe1, 1), 8));
      m.push_back("t-done (min)   " + PadLeft(FixedText(cccvT, 0), 8) + " " + PadLeft(FixedText(curT, 0), 8));
      m.push_back("");
      m.push_back("--- Gains ---");
      m.push_back("Time saved     : " + FixedText(tSaved, 0) + " min (" + FixedText(tSaved * 100.0 / cccvT, 1) + "%)");
      m.push_back("Throughput     : " + FixedText(throughput, 2) + "x more cells/hr");
      m.push_back("SEI quality    : " + FixedText(seiGain, 1) + "% thinner");
      m.push_back("CE1 gain       : +" + FixedText(curCe1 - cccvCe1, 1) + "%");
    }
    form_.SetLines("MemoSimStats2", std::move(m));
  }

  // 8. The report record.
  TPdfMetrics& r = FLastMetrics;
  r.PatternName = FLastPatType;
  r.SEI_nm = curSei;
  r.CE1_pct = FSimOut.CE1_pct;
  r.t_done_min = curT;
  r.I_rms_A = FSimOut.I_rms_A;
  r.I_pk_A = FSimOut.I_pk_A;
  r.Q_Ah = FSimOut.Q_Ah;
  r.E_Wh = FSimOut.E_Wh;
  r.SOC_pct = FLastSOC_pct;
  r.HxFactor = P.HxFactor;
  r.k_diss = P.k_diss;
  r.k_CE1 = P.k_CE1;
  r.Temp_C = 25;
  if (GChem && !GChem->FChemistry.empty()) {
    r.CellType = GChem->FChemistry + " " + FormatFloat("0.#", hasCell ? GChem->FCell->FCapacityAh : 0.0) + "Ah";
  } else {
    const Control* file = form_.Find("edChemFile");
    const std::string text = file != nullptr ? file->Text() : std::string();
    r.CellType = FileStem(text);
    if (r.CellType.empty()) r.CellType = "Unknown";
  }
}

}  // namespace voltaris
