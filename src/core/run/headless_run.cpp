// The headless run: one whole run in one call, without the play timer - the chemistry,
// the time base, the session and its documents, the reference wave of the run taken down
// to the chemistry wave, the SEI simulation, the live model stepped over the whole
// formation time, and the metrics. The calibration makes up to 27 of them in a row.
#include "run/headless_run.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <exception>

#include "documents/json_mapper.h"
#include "run/run_preparation.h"
#include "waveform/pattern_tab_mapping.h"
#include "waveform/reference_wave.h"
#include "window/form_preview.h"
#include "workspace/hx_facade.h"

namespace voltaris {

namespace {

std::string RateText(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// What a chemistry wave is made from, as one text; "" when the documents cannot be written
// (a non-finite number), and the wave is then simply built afresh.
std::string ChemWaveKey(const TPatternRoot& pattern, const TSimRoot& session, double waveFs, double simFs) {
  try {
    return TJsonBase::ToJsonText(pattern) + '\n' + TJsonBase::ToJsonText(session) + '\n' + RateText(waveFs) +
           ' ' + RateText(simFs);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

void THeadlessReuse::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled) {
    entries_.clear();
    entries_.shrink_to_fit();
    hasTimebase_ = false;
  }
}

const std::vector<double>* THeadlessReuse::Find(const std::string& key, double& chemFs) const {
  if (!enabled_ || key.empty()) return nullptr;
  for (const Entry& e : entries_)
    if (e.key == key) {
      chemFs = e.chemFs;
      return &e.wave;
    }
  return nullptr;
}

void THeadlessReuse::Store(const std::string& key, const std::vector<double>& wave, double chemFs) {
  if (!enabled_ || key.empty() || wave.size() > kMaxSamples) return;
  size_t held = wave.size();
  for (const Entry& e : entries_) held += e.wave.size();
  while (held > kMaxSamples && !entries_.empty()) {
    held -= entries_.front().wave.size();
    entries_.erase(entries_.begin());
  }
  entries_.push_back({key, wave, chemFs});
}

void THeadlessReuse::Clear() {
  entries_.clear();
  hasTimebase_ = false;
  builds_ = 0;
  reuses_ = 0;
}

bool THeadlessReuse::LastTimebase(Timebase& tb) const {
  if (!enabled_ || !hasTimebase_) return false;
  tb = timebase_;
  return true;
}

void THeadlessReuse::RememberTimebase(const Timebase& tb) {
  if (!enabled_) return;
  timebase_ = tb;
  hasTimebase_ = true;
}

void TFormPreview::RunHeadlessOnce() {
  THeadlessReuse& reuse = calibration.reuse;

  // 1. Chemistry parameters completed from the panel; the built-in LFP set without kinetics.
  EnsureChemParamsReady();
  if (FChemP.kSEI_0 <= 0) DefaultChem_LFP(FChemP);

  // 2. Time base. The response time is read from the window as Start reads it, so the
  //    live step matches the wave built below (also before the first Start). The ring is
  //    kept when the time base is the one the last headless run of this calibration sized.
  UpdateSamplingFromUI();
  ResetSimState();
  const auto current = [this] {
    return THeadlessReuse::Timebase{FResponseMs, FDtSim, FFsSim, FAlphaI, FRing.FRingCap()};
  };
  THeadlessReuse::Timebase last;
  if (!reuse.LastTimebase(last) || !(last == current())) {
    InitSimRateAndRing();
    reuse.RememberTimebase(current());
  }

  // 3. Session and the documents it names; its sample rate and formation time are the run's.
  TSimRoot sim = THxFacade::BuildSimFromUI();
  THxFacade::NormalizeSim(&sim);
  const TSimRefs refs = sim.FRefs ? *sim.FRefs : TSimRefs{};
  TPatternRoot pattern = THxFacade::LoadPattern(refs.FPatternFile);
  const TCalRoot cal = THxFacade::LoadCal(refs.FCalFile);
  const double waveFs = sim.FTimebase ? sim.FTimebase->FFsHz : 0.0;
  FFs = sim.FTimebase ? std::max(waveFs, 1.0) : 1.0;
  FTotalSecs = sim.FTimebase ? sim.FTimebase->FTTotalS : 0.0;

  // 4. The pattern of the window; on the CC-CV page a constant current at the calibration
  //    level. Its reference wave goes straight to the chemistry wave (no step shaping, no
  //    formation factor); the full-rate wave of the last Start is let go first, so two
  //    runs' waves are never held at once.
  if (pattern.FPattern) {
    TPatternBody& body = *pattern.FPattern;
    ApplyUIToPatternType(form_, pattern);
    if (waveform.shapes.ActiveKind() == TPatternKind::CcCv) {
      const double I = calibration.FCalibCC_A > 0 ? calibration.FCalibCC_A : ControlNumber(rc_.edtCC_A, 1.0);
      TLevels& levels = body.FLevels ? *body.FLevels : body.FLevels.Recreate();
      levels.FILowA = I;
      levels.FIHighA = I;
    }
    std::vector<double>().swap(FWave);
    const std::string key = reuse.Enabled() ? ChemWaveKey(pattern, sim, waveFs, FFsSim) : std::string();
    double chemFs = 0.0;
    if (const std::vector<double>* kept = reuse.Find(key, chemFs)) {
      FChemWave = *kept;
      FChemFs = chemFs;
      reuse.CountReuse();
    } else {
      const std::vector<double> wave = BuildReferenceWave(&pattern, &sim, &cal);
      FChemWave = DecimateChemWave(wave, waveFs, FFsSim, 1.0, FChemFs);
      reuse.Store(key, FChemWave, FChemFs);
      reuse.CountBuild();
    }
  } else {
    FChemWave.clear();
  }

  // 5. SEI growth over the chemistry wave; no wave leaves no results of an earlier run.
  if (FChemWave.empty()) {
    FSimOut = TSimOutputs{};
    FSimOutFs = 0;
  } else {
    RunChemSEIBatch();
  }

  // 6. The live model over the whole formation time in one call, from the state it is in.
  const double steps = std::ceil(FTotalSecs / FDtSim);
  const int n = steps >= static_cast<double>(INT_MAX) ? INT_MAX : (steps >= 1.0 ? static_cast<int>(steps) : 1);
  StepSim(n);

  // 7. Figures of the run.
  ComputeRealMetrics();
}

}  // namespace voltaris
