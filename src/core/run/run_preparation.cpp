// Run preparation and completion: what Start does besides the live frame (session and
// documents, pattern overrides, reference wave, chemistry, the batch half with the SEI
// growth simulation), and what the end of a run, StopRun, the Stop button and Reset
// Memory add to the run controller.
#include "run/run_preparation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "chemistry/chem_bridge.h"
#include "common/debug_log.h"
#include "common/number_format.h"
#include "common/numbers.h"
#include "documents/text_file.h"
#include "run/run_metrics.h"
#include "waveform/kind_text.h"
#include "waveform/pattern_tab_mapping.h"
#include "waveform/reference_wave.h"
#include "window/form_preview.h"
#include "workspace/hx_facade.h"

namespace voltaris {

namespace {

constexpr double kChemFsMaxHz = 10.0;
constexpr double kMaxRunWaveBytes = 1024.0 * 1048576.0;  // reference wave of one run: 1 GiB
constexpr double kSFormFactor = 0.829932;    // mode, slew and phase factors of the stress figure
// The whole-run SEI recomputation samples the run at 1 Hz; a week of formation at most.
constexpr double kMaxWholeRunSamples = 7.0 * 24 * 3600 + 1;

// `type` lower-cased and trimmed, without underscores ("damped_sine" -> "dampedsine").
std::string CompactType(std::string_view type) {
  std::string t = TrimLowerAscii(type);
  std::erase(t, '_');
  return t;
}

// A number typed in an edit (tolerant reading), or `fallback` when the edit is missing.
double Num(FormModel& form, std::string_view name, double fallback) {
  const Control* c = form.Find(name);
  return c != nullptr ? c->Number(fallback) : fallback;
}

TLevels& LevelsOf(TPatternBody& b) { return b.FLevels ? *b.FLevels : b.FLevels.Recreate(); }
TPulse& PulseOf(TPatternBody& b) { return b.FPulse ? *b.FPulse : b.FPulse.Recreate(); }
TRamped& RampOf(TPatternBody& b) { return b.FRamp ? *b.FRamp : b.FRamp.Recreate(); }

// The chemistry document a session names, or nothing when its file is missing or empty:
// the run then takes the built-in LFP parameters. A file that exists but does not read as
// a chemistry fails the start with the reader's message.
Owned<TChemRoot> LoadRunChemistry(const std::string& storedName) {
  const std::string path = THxFacade::ResolvePath(storedName);
  if (path.empty() || !TextFileExists(path)) {
    DebugOut("Run chemistry not found (" + storedName + "): built-in LFP parameters");
    return nullptr;
  }
  const std::string text = ReadTextFile(path);
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
    DebugOut("Run chemistry empty (" + storedName + "): built-in LFP parameters");
    return nullptr;
  }
  return THxFacade::LoadChem(storedName);
}

// Sample rate of a chart series' points: (count - 1) over their time span.
double SeriesRate(const SeriesModel& s, double fallback) {
  const double span = s.X(s.Count() - 1) - s.X(0);
  return span > 0 && std::isfinite(span) ? static_cast<double>(s.Count() - 1) / span : fallback;
}

// The y values of a series at 1 Hz, linearly interpolated over its time span.
std::vector<double> ResampleTo1Hz(const SeriesModel& s) {
  const double x0 = s.X(0);
  const double span = s.X(s.Count() - 1) - x0;
  const size_t n = static_cast<size_t>(std::floor(std::min(span, kMaxWholeRunSamples))) + 1;
  std::vector<double> out(n);
  size_t j = 0;
  for (size_t k = 0; k < n; ++k) {
    const double t = x0 + static_cast<double>(k);
    while (j + 2 < s.Count() && s.X(j + 1) < t) ++j;
    const double xa = s.X(j), xb = s.X(j + 1);
    const double w = xb > xa ? std::clamp((t - xa) / (xb - xa), 0.0, 1.0) : 0.0;
    out[k] = s.Y(j) + w * (s.Y(j + 1) - s.Y(j));
  }
  return out;
}

// Reads only the samples it keeps: a described reference wave computes just those.
template <class Wave>
std::vector<double> DecimateWave(const Wave& wave, double waveFsHz, double simFsHz, double minChemFs,
                                 double& chemFs) {
  const bool slowWave = simFsHz < 1.0 && waveFsHz > 0 && waveFsHz < 1.0;
  chemFs = slowWave ? 1.0 : std::max(std::min(simFsHz, kChemFsMaxHz), minChemFs);
  std::vector<double> out;
  if (wave.empty()) return out;
  if (slowWave) {
    const double span = static_cast<double>(wave.size() - 1) / waveFsHz;
    out.resize(static_cast<size_t>(std::floor(span)) + 1);
    for (size_t i = 0; i < out.size(); ++i) {
      const double pos = static_cast<double>(i) * waveFsHz;
      const size_t j = std::min(static_cast<size_t>(pos), wave.size() - 1);
      const size_t j1 = std::min(j + 1, wave.size() - 1);
      out[i] = wave[j] + (pos - static_cast<double>(j)) * (wave[j1] - wave[j]);
    }
    return out;
  }
  const double fs = std::max(waveFsHz, 1.0);
  const size_t k = static_cast<size_t>(std::max(1.0, std::nearbyint(fs / chemFs)));
  out.reserve(wave.size() / k + 1);
  for (size_t i = 0; i < wave.size(); i += k) out.push_back(wave[i]);
  return out;
}

}  // namespace

std::vector<double> DecimateChemWave(const TReferenceWave& wave, double waveFsHz, double simFsHz,
                                     double minChemFs, double& chemFs) {
  return DecimateWave(wave, waveFsHz, simFsHz, minChemFs, chemFs);
}

std::vector<double> DecimateChemWave(const std::vector<double>& wave, double waveFsHz, double simFsHz,
                                     double minChemFs, double& chemFs) {
  return DecimateWave(wave, waveFsHz, simFsHz, minChemFs, chemFs);
}

double PatternCrestFactor(std::string_view patternType) {
  const std::string t = CompactType(patternType);
  if (t == "sinusoidal") return 1.41;
  if (t == "triangle") return 1.73;
  if (t == "superpulse") return 2.0;
  if (t == "gaussian") return 2.5;
  if (t == "dampedsine") return 1.6;
  if (t == "istep") return 2.2;
  if (t == "vstep") return 1.8;
  return 1.2;
}

double PatternHxFactor(const TPatternRoot& pattern) {
  if (!pattern.FPattern) return 0.0;
  const TPatternBody& b = *pattern.FPattern;
  if (TrimLowerAscii(b.FType) == "cc_cv") return 0.0;
  const double f = b.FPulse ? std::min(b.FPulse->FFreqHz, 5.0) : 0.0;
  double r = 0.0;
  if (b.FLevels) r = Round4(b.FLevels->FILowA) / std::max(Round4(b.FLevels->FIHighA), 0.001);
  const double p = std::min((PatternCrestFactor(b.FType) - 1.0) * 0.15, 0.3);
  return std::min(((1.0 - r) * (1.0 - std::exp(-0.5 * f)) + p) * 0.9, 0.9);
}

void ScaleByCurrentSteps(std::vector<double>& wave, double fs, const std::vector<TStepPt>& steps, double upS,
                         double downS) {
  // Mean absolute current, accumulated in units of 1e-4 A.
  int64_t sum = 0;
  for (double x : wave) sum = AddFixed4(sum, std::fabs(x));
  const size_t n = std::max<size_t>(wave.size(), 1);
  const double m = std::nearbyint(static_cast<double>(sum) / static_cast<double>(n)) / 10000.0;
  if (m <= 0.001) return;
  const double rate = std::max(fs, 1.0);
  TStepTargetCursor target(steps, upS, downS);  // times rise: the chain is followed, not redone
  for (size_t i = 0; i < wave.size(); ++i) wave[i] *= target.At(static_cast<double>(i) / rate) / m;
}

void ScaleByVoltageSchedule(std::vector<double>& wave, double fs, const std::vector<TVStep>& sched, double vRef) {
  if (sched.empty()) return;
  const double rate = std::max(fs, 1.0);
  for (size_t i = 0; i < wave.size(); ++i) {
    const double tMin = static_cast<double>(i) / rate / 60.0;
    double v = sched.front().V;
    for (size_t j = 0; j + 1 < sched.size() && tMin >= sched[j].TMin; ++j) v = sched[j].V;
    if (tMin >= sched.back().TMin) v = sched.back().V;
    wave[i] *= std::clamp(v / vRef, 0.1, 1.5);
  }
}

bool TFormPreview::ReadRegional(const char* name, double& value) {
  const Control* c = form_.Find(name);
  return c != nullptr && TryParseFloat(c->Text(), UserDecimalSeparator(), value);
}

void TFormPreview::PrepareRunDocuments() {
  // Session and the documents it names; the defaults document is only checked.
  TSimRoot sim = THxFacade::BuildSimFromUI();
  THxFacade::NormalizeSim(&sim);
  const TSimRefs refs = sim.FRefs ? *sim.FRefs : TSimRefs{};
  FPat = THxFacade::LoadPattern(refs.FPatternFile);
  Owned<TChemRoot> chem = LoadRunChemistry(refs.FChemFile);
  THxFacade::LoadDefaults(refs.FDefaultsFile);
  const TCalRoot cal = THxFacade::LoadCal(refs.FCalFile);

  // The pattern as the pattern entries describe it.
  if (FPat->FPattern) {
    ApplyUIToPatternType(form_, *FPat);
    ApplyPatternOverridesFromUI(*FPat);
  }

  // Reference wave of the whole run.
  BuildRunReferenceWave(FPat.get(), &sim, &cal);
  FSim = std::move(sim);
  FFs = FSim->FTimebase ? std::max(FSim->FTimebase->FFsHz, 1.0) : 1.0;
  FTotalSecs = FSim->FTimebase ? FSim->FTimebase->FTTotalS : 0.0;

  form_.AddLine("MemoChemMetrics",
                "FWave len=" + std::to_string(FWave.size()) + " I_avg=" + FWave.MeanText() + " A");

  // Chemistry of the run, with the panel's entries.
  FRunChemLoaded = static_cast<bool>(chem);
  if (!FRunChemLoaded)
    startNotes.Say(form_, "The chemistry file \"" + THxFacade::ResolvePath(refs.FChemFile) +
                              "\" is missing or empty: the run uses the built-in LFP chemistry.");
  GChem = std::move(chem);
  UIToChem(GChem);
  // The chemistry file holds its own SEI scale; one fitted by Auto Scale since wins.
  if (FAutoNmPerAh > 0 && GChem->FChemistry == FAutoScaleChem) {
    GChem->FCell->FNmPerAh = FAutoNmPerAh;
    GChem->FSeiModel->FScaleToNm = FAutoNmPerAh;
  }
  if (FRunChemLoaded)
    FChemP = ChemRootToParams(GChem.get());
  else
    DefaultChem_LFP(FChemP);
  FChemP.RampDown_s = Num(form_, "edtRD", 0.0);
}

void TFormPreview::BuildRunReferenceWave(const TPatternRoot* pattern, const TSimRoot* session,
                                         const TCalRoot* calibration) {
  // A run's reference wave is limited to kMaxRunWaveBytes of samples (besides the ring's
  // 48 MB), as much as its mean may take for a moment when a period-wise sum cannot settle
  // it: a longer or finer run is refused with a message before anything is allocated.
  if (const TSimTimebase* tb = session != nullptr ? session->FTimebase.get() : nullptr) {
    const double samples = std::nearbyint(std::max(tb->FTTotalS, 0.1) * std::max(tb->FFsHz, 1e-6));
    if (samples * sizeof(double) > kMaxRunWaveBytes) {
      char msg[300];
      std::snprintf(msg, sizeof msg,
                    "The reference wave of this run needs %.0f MB (%.0f samples), more than the %.0f MB a run "
                    "may hold: shorten the formation time or lengthen the response time.",
                    samples * sizeof(double) / 1048576.0, samples, kMaxRunWaveBytes / 1048576.0);
      throw FormError(msg);
    }
  }
  FWave = FWaveCache.Build(pattern, session, calibration);
}

void TFormPreview::ApplyPatternOverridesFromUI(TPatternRoot& pattern) {
  if (!pattern.FPattern) return;
  TPatternBody& b = *pattern.FPattern;
  const std::string type = TrimLowerAscii(b.FType);
  if (waveform.shapes.ActiveKind() == TPatternKind::CcCv) {
    LevelsOf(b).FILowA = 0;
    LevelsOf(b).FIHighA = Num(form_, "edtCC_A", 1.0);
  }
  if (type == "sinusoidal") {
    LevelsOf(b).FILowA = Num(form_, "EdSineMin", 0.4);
    LevelsOf(b).FIHighA = Num(form_, "EdSineMax", 2.0);
    PulseOf(b).FFreqHz = Num(form_, "EdSineF", 3.0);
    b.FZeroBased = false;
    if (b.FMicroComponent) b.FMicroComponent->FEnabled = false;
  }
  if (type == "ramped_square" || type == "trapezoid") {
    const double base = Num(form_, "EdTrapBaseA", 0.0);
    const double top = Num(form_, "EdTrapTopA", 5.0);
    const double rise = std::max(Num(form_, "EdTrapRise", 10.0), 0.0);
    const double topMs = std::max(Num(form_, "EdTrapTopMs", 150.0), 0.0);
    const double fall = std::max(Num(form_, "EdTrapFall", 10.0), 0.0);
    const double bottom = std::max(Num(form_, "EdTrapBottomMs", 50.0), 0.0);
    double period = rise + topMs + fall + bottom;
    if (period <= 0) period = 1;
    LevelsOf(b).FILowA = base;
    LevelsOf(b).FIHighA = top;
    PulseOf(b).FFreqHz = 1000.0 / period;
    PulseOf(b).FDutyPct = (rise + topMs + fall) * 100.0 / period;
    RampOf(b).FUpS = rise / 1000.0;
    RampOf(b).FDownS = fall / 1000.0;
    RampOf(b).FShape = "smooth";
  }
  if (type == "gaussian") {
    LevelsOf(b).FILowA = Num(form_, "EdGauMin", 0.0);
    LevelsOf(b).FIHighA = Num(form_, "EdGauMax", 5.0);
    const double durMs = std::max(Num(form_, "EdGauDur", 200.0), 1.0);
    PulseOf(b).FFreqHz = 1000.0 / durMs;
    PulseOf(b).FCenter = Num(form_, "EdGauMu", 0.5);
    PulseOf(b).FSigma = Num(form_, "EdGauSigma", 0.12);
  }
}

void TFormPreview::RunChemSEIBatch() {
  if (FChemWave.empty()) return;
  SimulatePatternChemSEI(FChemWave, FChemFs, FChemP, FSimOut);
  FSimOutFs = std::max(FChemFs, 1.0);
}

void TFormPreview::RunBatchHalf() {
  // 1. At most 10 Hz for the chemistry wave (taken in step 6). A response time above 1 s
  //    gives a wave slower than 1 Hz, finer than the SEI simulation steps: it is taken at
  //    1 Hz instead.
  const double waveFs = FSim && FSim->FTimebase ? FSim->FTimebase->FFsHz : FFs;

  // 2. Thermal values from the panel; the SEI growth per Ah of the cell.
  double v = 0;
  if (ReadRegional("edtTemp", v) && v > 0) FChemP.Rth_KpW = 1.0 / v;
  if (ReadRegional("edTempC", v)) FChemP.Tamb_C = v;
  if (FChemP.Cth_JpK < 1) FChemP.Cth_JpK = 63;
  FChemP.SEI_scale_nm_Ah = GChem && GChem->FCell && GChem->FCell->FNmPerAh > 0 ? GChem->FCell->FNmPerAh : 0.0;

  // 3. Pattern type and formation factor.
  const bool hasBody = FPat && FPat->FPattern;
  FLastPatType = hasBody ? TrimLowerAscii(FPat->FPattern->FType) : std::string();
  FChemP.HxFactor = hasBody ? PatternHxFactor(*FPat) : 0.0;

  // 4. SEI kinetics of the chemistry, then the panel's entries.
  if (GChem && GChem->FSeiModel) ApplySeiKinetics(*GChem->FSeiModel, FChemP);
  if (ReadRegional("edSeiRateBase", v) && v > 0) FChemP.kSEI_0 = v;
  if (ReadRegional("edSeiEa", v) && v > 0) FChemP.Ea_eV = v;
  if (ReadRegional("edAlphaOver", v) && v >= 0) FChemP.alpha_eta = v;
  if (ReadRegional("edGammaJ", v) && v > 0) FChemP.gamma_I = v;

  // 5. SEI series and axes start afresh.
  for (SeriesModel* s : {FSerSimSEI, FSerSEI, FSerSEIRate})
    if (s != nullptr) s->Clear();
  ChartModel& chSEI = form_.Chart("chSEI");
  ChartModel& chSim = form_.Chart("chSim");
  chSEI.left.minimum = 0;
  chSEI.left.maximum = 30;
  chSEI.right.minimum = 0;
  chSEI.right.maximum = 1;
  chSEI.left.SetAutomatic();
  chSEI.right.SetAutomatic();
  chSEI.Invalidate();
  chSim.Invalidate();

  // 6. Decimated chemistry wave (a slow wave interpolated to 1 Hz).
  FChemWave = DecimateChemWave(FWave, waveFs, FFsSim, 0.0, FChemFs);

  // 7. Current steps scale the wave towards the scheduled currents.
  const Control* iStep = form_.Find("edtIStep");
  std::vector<TStepPt> steps;
  if (iStep != nullptr && !TrimLowerAscii(iStep->Text()).empty() && ParseISteps(iStep->Text(), steps)) {
    const double up = std::clamp(Num(form_, "edtRU", 60.0) / 5.0, 0.2, 10.0);
    const double down = std::clamp(Num(form_, "edtRD", 60.0) / 5.0, 0.2, 10.0);
    ScaleByCurrentSteps(FChemWave, FChemFs, steps, up, down);
  }

  // 8. The voltage schedule scales the wave by the stepped voltage over the cell's maximum.
  const std::vector<TVStep>& vSched = waveform.schedules.FVSched;
  if (!vSched.empty()) {
    const double vRef = FChemP.Vmax < 0.1 ? 3.65 : FChemP.Vmax;
    ScaleByVoltageSchedule(FChemWave, FChemFs, vSched, vRef);
  }

  // 9. SEI growth over the run.
  RunChemSEIBatch();

  // 10. Chemistry memo.
  form_.AddLine("MemoChemMetrics", "S_form = " + FormatFloat("0.###", FSimOut.S_form));
  form_.AddLine("MemoChemMetrics", "psiHX_wear = " + FormatFloat("0.##", FSimOut.psiHX_wear));
  form_.AddLine("MemoChemMetrics", "PsiHX_time = " + FormatFloat("0.##", FSimOut.PsiHX_time));
  if (FSimOut.t_done_s > 0) {
    form_.AddLine("MemoChemMetrics", "SEI stabilize = done");
    form_.AddLine("MemoChemMetrics", "SEI done = " + FormatFloat("0.0", FSimOut.t_done_s / 60.0) + " min");
  } else {
    form_.AddLine("MemoChemMetrics", "SEI stabilize = none");
    form_.AddLine("MemoChemMetrics", "SEI done = never");
  }

  // 11. Simulated SEI on chSim.
  if (!FSimOut.SEI_nm.empty() && FSerSimSEI != nullptr) {
    FSerSimSEI->Clear();
    FSerSimSEI->Reserve(FSimOut.SEI_nm.size());
    for (size_t i = 0; i < FSimOut.SEI_nm.size(); ++i)
      FSerSimSEI->Add(static_cast<double>(i) / FChemFs, FSimOut.SEI_nm[i]);
    chSim.Invalidate();
    chSEI.Invalidate();
  }
}

void TFormPreview::DrawSEIDoneMarker() {
  ChartModel& chSim = form_.Chart("chSim");
  if (FSimOut.t_done_s > 0) {
    if (FSerSEIDone == nullptr) {
      FSerSEIDone = chSim.FindSeries("FSerSEIDone");
      if (FSerSEIDone == nullptr) FSerSEIDone = &chSim.AddSeries("FSerSEIDone", SeriesKind::Line);
      FSerSEIDone->color = Rgb{255, 0, 0};
      FSerSEIDone->width = 2;
      FSerSEIDone->pointStyle = PointStyle::None;
      FSerSEIDone->title = "SEI Done";
      FSerSEIDone->active = true;
    }
    FSerSEIDone->Clear();
    FSerSEIDone->Add(FSimOut.t_done_s, chSim.left.minimum);
    FSerSEIDone->Add(FSimOut.t_done_s, chSim.left.maximum);
    chSim.Invalidate();
  } else if (FSerSEIDone != nullptr) {
    FSerSEIDone->Clear();
  }
}

void TFormPreview::ProcessRunEnd() {
  ComputeRealMetrics();
  // The 3D page host comes with the chart series.
  if (!FSeriesReady) return;
  if (FCurrSim.size() < 2 && FSerSimI != nullptr && FSerSimI->Count() > 1) {
    // The whole-run current of the simulation chart, at the rate of its points; slower
    // than 1 Hz it is resampled to 1 Hz, the finest step the SEI simulation distinguishes.
    FCurrSimFs = SeriesRate(*FSerSimI, std::max(FFs, 1.0));
    if (FCurrSimFs < 1.0) {
      FCurrSim = ResampleTo1Hz(*FSerSimI);
      FCurrSimFs = 1.0;
    } else {
      FCurrSim = FSerSimI->Ys();
    }
  }
  if (FCurrSim.size() >= 2) {
    TSimOutputs out;
    SimulatePatternChemSEI(FCurrSim, FCurrSimFs, FChemP, out);
    FSimOut = std::move(out);
    FSimOutFs = std::max(FCurrSimFs, 1.0);
    sei3d.UpdateSEI3DPage();
  }
}

void TFormPreview::RecomputeWholeRunSEI() {
  if (!FSeriesReady || FTotalSecs < 2) return;
  const double nd = std::min(std::nearbyint(FTotalSecs) + 1.0, kMaxWholeRunSamples);
  if (!(nd >= 2)) return;
  const size_t n = static_cast<size_t>(nd);
  // The set-point at 1 Hz over the whole run (with its slew and CC-CV state).
  FCurrSim.resize(n);
  for (size_t i = 0; i < n; ++i) FCurrSim[i] = CurrentAtTime(static_cast<double>(i));
  FCurrSimFs = 1.0;

  TSimOutputs fresh;
  SimulatePatternChemSEI(FCurrSim, 1.0, FChemP, fresh);
  FSimOut.SEI_nm = std::move(fresh.SEI_nm);
  FSimOut.SOC = std::move(fresh.SOC);
  FSimOut.T_C = std::move(fresh.T_C);
  FSimOut.S_form = fresh.S_form;
  FSimOut.PsiHX_time = fresh.PsiHX_time;
  FSimOut.I_rms_A = fresh.I_rms_A;
  FSimOut.I_pk_A = fresh.I_pk_A;
  FSimOutFs = 1.0;

  // Loss and stress figures of the current as the simulation chart shows it.
  FSimOut.psiHX_wear = fresh.psiHX_wear;
  if (FSerSimI != nullptr && FSerSimI->Count() > 1) {
    int64_t sumSq = 0, peak = 0;
    for (double y : FSerSimI->Ys()) {
      sumSq = AddFixed4(sumSq, y * y);
      peak = std::max(peak, ToFixed4(std::fabs(y)));
    }
    const double iRms = std::sqrt(static_cast<double>(sumSq) / 10000.0 / static_cast<double>(FSerSimI->Count()));
    if (iRms > 1e-6) {
      FSimOut.S_form = std::pow(iRms / std::max(FChemP.Qn_Ah, 0.01), 1.3) * kSFormFactor;
      const double crest = Round4(static_cast<double>(peak) / 10000.0 / iRms);
      FSimOut.psiHX_wear = std::clamp(std::exp(-0.3 * std::max(0.0, crest - 1.5)), 0.75, 1.0);
    }
  }
  sei3d.UpdateSEI3DPage();
}

void TFormPreview::ProcessStop() {
  ComputeRealMetrics();
  RefreshOCVChart();
  ChartModel& chT = form_.Chart("chT");
  SeriesModel* serTemp = chT.FindSeries("serTemp");
  if (serTemp == nullptr || FSimOut.T_C.empty()) return;
  // The temperature of the SEI simulation over the run, in minutes, at the rate of its samples.
  const double rate = FSimOutFs > 0 ? FSimOutFs : std::max(FChemFs, 1.0);
  chT.bottom.automatic = false;
  chT.bottom.automaticMin = false;
  chT.bottom.automaticMax = false;
  chT.bottom.minimum = 0;
  chT.bottom.valueFormat = "0.0";
  chT.bottom.title = "Time (min)";
  chT.left.title = "Temp (°C)";
  serTemp->Clear();
  serTemp->Reserve(FSimOut.T_C.size());
  for (size_t i = 0; i < FSimOut.T_C.size(); ++i)
    serTemp->Add(static_cast<double>(i) / rate / 60.0, FSimOut.T_C[i]);
  chT.bottom.maximum = static_cast<double>(FSimOut.T_C.size() - 1) / rate / 60.0;
  chT.left.SetAutomatic();
  chT.Invalidate();
}

void TFormPreview::ClearForNewRun() {
  SetPlayTimerEnabled(false);
  ChartModel& chSEI = form_.Chart("chSEI");
  if (SeriesModel* done = chSEI.FindSeries("FDoneSeries")) {
    done->Clear();
    done->active = false;
  }
  for (SeriesModel* s : {FSerI, FSerV, FSerSEI, FSerWave})
    if (s != nullptr) s->Clear();
  // The growth rate beside the SEI and the "SEI Done" line on chSim belong to the last run too.
  for (SeriesModel* s : {FSerSEIRate, FSerSEIDone})
    if (s != nullptr) s->Clear();
  for (const auto& chart : form_.Charts())
    if (SeriesModel* live = chart->FindSeries("serSEI_live")) live->Clear();
  FWave = TReferenceWave();  // the cache keeps it for a start with the same inputs
  FSEI.clear();
  FSEIRate.clear();
  FChemWave.clear();
  FSimOut = TSimOutputs{};
  FSimOutFs = 0;
  FTotalSecs = 0;
  FLastSEI_nm = 0;
  FLastCE1_pct = -1;
  for (const char* memo : {"MemoChemMetrics", "MemoSimStats1", "MemoSimStats2"})
    if (form_.Find(memo) != nullptr) form_.SetLines(memo, {});
  sei3d.ClearForNewRun();
  form_.Chart("chI").Invalidate();
  form_.Chart("chV").Invalidate();
  chSEI.Invalidate();
}

void TFormPreview::btnResetClick(const std::string&) {
  StopRun();  // with the last run's length: the whole-run SEI is recomputed once more
  FPrevIOut = 0;
  FPrevIOutT = 0;
  FPrevIOutInit = false;
  FSim = nullptr;
  ClearForNewRun();
  ResetCharts();
  SetupAxes(FTotalSecs);
  FLastVout = 0;
  FCCCVPhase = cpCharge;
  TSchedules& sch = waveform.schedules;
  const Control* iStep = form_.Find("edtIStep");
  sch.FCCIStepsValid = ParseISteps(iStep != nullptr ? iStep->Text() : std::string(), sch.FCCISteps);
  sei3d.ResetMemory();
  waveform.preview.DrawReferenceWave();
}

Json TFormPreview::LastMetricsJson() const {
  const TPdfMetrics& m = FLastMetrics;
  return Json{{"PatternName", m.PatternName},   {"SEI_nm", m.SEI_nm},
              {"CE1_pct", m.CE1_pct},           {"t_done_min", m.t_done_min},
              {"I_rms_A", m.I_rms_A},           {"I_pk_A", m.I_pk_A},
              {"Q_Ah", m.Q_Ah},                 {"E_Wh", m.E_Wh},
              {"SOC_pct", m.SOC_pct},           {"HxFactor", m.HxFactor},
              {"k_diss", m.k_diss},             {"k_CE1", m.k_CE1},
              {"CellType", m.CellType},         {"Temp_C", m.Temp_C},
              {"VStepText", m.VStepText},       {"IStepText", m.IStepText},
              {"VRampUpS", m.VRampUpS},         {"VRampDnS", m.VRampDnS},
              {"IRampUpS", m.IRampUpS},         {"IRampDnS", m.IRampDnS},
              {"EnergyMemo", m.EnergyMemo},     {"I_min_A", m.I_min_A},
              {"I_max_A", m.I_max_A},           {"Freq_Hz", m.Freq_Hz},
              {"Duty_pct", m.Duty_pct},         {"V_min_V", m.V_min_V},
              {"V_max_V", m.V_max_V},           {"ChemMemo", m.ChemMemo},
              {"SimStatsMemo", m.SimStatsMemo}, {"Temp_min_C", m.Temp_min_C},
              {"Temp_max_C", m.Temp_max_C},     {"Vnom_V", m.Vnom_V},
              {"CapAh", m.CapAh},               {"Rint_mOhm", m.Rint_mOhm},
              {"Mass_g", m.Mass_g},             {"HeatCap_JpgK", m.HeatCap_JpgK},
              {"R0_mOhm", m.R0_mOhm},           {"AIAnalysis", m.AIAnalysis},
              {"AIPattern", m.AIPattern}};
}

void TFormPreview::RegisterRunResultAutomation() {
  RegisterStateField("FLastMetrics", [this] { return LastMetricsJson(); });
  RegisterStateField("FSimOut", [this] {
    const TSimOutputs& o = FSimOut;
    auto array = [](const std::vector<double>& a) {
      return Json{{"length", a.size()}, {"last", a.empty() ? Json(nullptr) : Json(a.back())}};
    };
    return Json{{"V", array(o.V)},
                {"SEI_nm", array(o.SEI_nm)},
                {"SOC", array(o.SOC)},
                {"T_C", array(o.T_C)},
                {"t_done_s", o.t_done_s},
                {"psiHX_wear", o.psiHX_wear},
                {"PsiHX_time", o.PsiHX_time},
                {"S_form", o.S_form},
                {"I_rms_A", o.I_rms_A},
                {"I_pk_A", o.I_pk_A},
                {"CE1_pct", o.CE1_pct},
                {"Q_Ah", o.Q_Ah},
                {"E_Wh", o.E_Wh}};
  });
  RegisterStateField("FChemP", [this] {
    const TChemParams& p = FChemP;
    return Json{{"Qn_Ah", p.Qn_Ah},
                {"R0", p.R0},
                {"Rdyn", p.Rdyn},
                {"Vmin", p.Vmin},
                {"Vmax", p.Vmax},
                {"OCVLength", p.OCV.size()},
                {"Cth_JpK", p.Cth_JpK},
                {"Rth_KpW", p.Rth_KpW},
                {"Tamb_C", p.Tamb_C},
                {"x0_nm", p.x0_nm},
                {"xTarget_nm", p.xTarget_nm},
                {"kSEI_0", p.kSEI_0},
                {"Ea_Jpmol", p.Ea_Jpmol},
                {"Tref_C", p.Tref_C},
                {"gamma_I", p.gamma_I},
                {"alpha_eta", p.alpha_eta},
                {"RampDown_s", p.RampDown_s},
                {"SEI_scale_nm_Ah", p.SEI_scale_nm_Ah},
                {"rate_base_mps", p.rate_base_mps},
                {"Ea_eV", p.Ea_eV},
                {"D_Li_m2s", p.D_Li_m2s},
                {"L_eff_m", p.L_eff_m},
                {"R0_ohm", p.R0_ohm},
                {"UseXTargetOnly", p.UseXTargetOnly},
                {"HxFactor", p.HxFactor},
                {"k_diss", p.k_diss},
                {"k_CE1", p.k_CE1}};
  });
  RegisterStateField("FChemFs", [this] { return Json(FChemFs); });
  RegisterStateField("FChemWaveLength", [this] { return Json(FChemWave.size()); });
  RegisterStateField("FLastPatType", [this] { return Json(FLastPatType); });
  RegisterStateField("FBaseline_valid", [this] { return Json(FBaseline_valid); });
  RegisterStateField("FLastCE1_pct", [this] { return Json(FLastCE1_pct); });
  RegisterStateField("FLastSOC_pct", [this] { return Json(FLastSOC_pct); });
  RegisterStateField("FLastDeliveredAh", [this] { return Json(FLastDeliveredAh); });
  RegisterStateField("FStartNotes", [this] { return Json(startNotes.Notes()); });
}

}  // namespace voltaris
