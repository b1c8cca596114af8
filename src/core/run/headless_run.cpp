// The headless run: one whole run in one call, without the play timer - the chemistry,
// the time base, the session and its documents, the reference wave of the run taken down
// to the chemistry wave, the SEI simulation, the live model stepped over the whole
// formation time, and the metrics. The calibration makes up to 27 of them in a row.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "run/run_preparation.h"
#include "waveform/pattern_tab_mapping.h"
#include "waveform/reference_wave.h"
#include "window/form_preview.h"
#include "workspace/hx_facade.h"

namespace voltaris {

void TFormPreview::RunHeadlessOnce() {
  // 1. Chemistry parameters completed from the panel; the built-in LFP set without kinetics.
  EnsureChemParamsReady();
  if (FChemP.kSEI_0 <= 0) DefaultChem_LFP(FChemP);

  // 2. Time base. The response time is read from the window as Start reads it, so the
  //    live step matches the wave built below (also before the first Start). A ring of
  //    the same size keeps its storage.
  UpdateSamplingFromUI();
  ResetSimState();
  InitSimRateAndRing();

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
  //    formation factor). The wave comes from the window's one wave cache: the wave of the
  //    last Start or headless run is taken again when the inputs are the same (the runs of
  //    one CC level in a calibration). Only the samples of the chemistry wave are computed,
  //    and the run keeps only them.
  if (pattern.FPattern) {
    TPatternBody& body = *pattern.FPattern;
    ApplyUIToPatternType(form_, pattern);
    if (waveform.shapes.ActiveKind() == TPatternKind::CcCv) {
      const double I = calibration.FCalibCC_A > 0 ? calibration.FCalibCC_A : ControlNumber(rc_.edtCC_A, 1.0);
      TLevels& levels = body.FLevels ? *body.FLevels : body.FLevels.Recreate();
      levels.FILowA = I;
      levels.FIHighA = I;
    }
    FWave = TReferenceWave();
    if (!calibration.reuseBetweenRuns) FWaveCache.Forget();  // the rebuild-everything reference
    FChemWave = DecimateChemWave(FWaveCache.Build(&pattern, &sim, &cal), waveFs, FFsSim, 1.0, FChemFs);
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
