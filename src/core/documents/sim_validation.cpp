#include "documents/sim_validation.h"

#include <charconv>
#include <cmath>
#include <string>

#include "common/debug_log.h"
#include "documents/document_error.h"
#include "documents/json_values.h"

namespace voltaris {

namespace {

// Not above 0 covers NaN as well; an infinite value is no more usable than a zero one
// (an endless run, an unbounded sample count), so it is replaced too.
void DefaultUnlessPositive(double& value, double fallback) {
  if (!(value > 0) || !std::isfinite(value)) value = fallback;
}

void DefaultIfEmpty(std::string& ref, std::string_view seed) {
  if (ref.empty()) ref = seed;
}

void AppendFixed(std::string& out, double value, int decimals) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  out.append(buf, res.ptr);
}

}  // namespace

void NormalizeSim(TSimRoot* sim) {
  if (sim == nullptr) return;
  TSimRoot& s = *sim;
  if (!s.FTimebase) s.FTimebase.Recreate();
  if (!s.FLimits) s.FLimits.Recreate();
  if (!s.FTargets) s.FTargets.Recreate();
  if (!s.FTargets->FEndCriteria) s.FTargets->FEndCriteria.Recreate();
  if (!s.FSteps) s.FSteps.Recreate();
  // A file may set "refs" to null; the references are filled in below, so recreate them.
  if (!s.FRefs) s.FRefs.Recreate();

  DefaultUnlessPositive(s.FTimebase->FFsHz, 1000);
  DefaultUnlessPositive(s.FTimebase->FTTotalS, 3600);
  DefaultUnlessPositive(s.FLimits->FImaxA, 120);
  DefaultUnlessPositive(s.FLimits->FVmaxV, 4.2);
  DefaultUnlessPositive(s.FLimits->FTmaxC, 55);
  DefaultUnlessPositive(s.FTargets->FCVLiteHystmV, 15);

  DefaultIfEmpty(s.FRefs->FPatternFile, kSeedPatternFile);
  DefaultIfEmpty(s.FRefs->FChemFile, kSeedChemFile);
  DefaultIfEmpty(s.FRefs->FDefaultsFile, kSeedDefaultsFile);
  DefaultIfEmpty(s.FRefs->FCalFile, kSeedCalFile);

  if (!s.FSteps->FCurrent) s.FSteps->FCurrent.Recreate();
  if (s.FSteps->FCurrent->empty()) {
    s.FSteps->FCurrent->push_back({.FIMode = "CC", .FIValueA = 60, .FDurationS = 1800});
    s.FSteps->FCurrent->push_back(
        {.FIMode = "CV-lite", .FIValueA = 0, .FVTargetV = 3.6, .FHystmV = 15, .FDurationS = 1800});
  }
}

void ValidateSimOrRaise(TSimRoot* sim) {
  NormalizeSim(sim);
  if (sim == nullptr) throw DocumentError("Sim is nil");
  const TSimRoot& s = *sim;

  std::string line = "VAL fs_hz=";
  AppendFixed(line, s.FTimebase ? s.FTimebase->FFsHz : 0.0, 3);
  line += " total=";
  AppendFixed(line, s.FTimebase ? s.FTimebase->FTTotalS : 0.0, 1);
  DebugOut(line);

  if (!s.FTimebase || !(s.FTimebase->FFsHz > 0)) throw DocumentError("Invalid timebase.fshz");
  if (!SameTextIgnoringCase(s.FSchema, TSimRoot::kSchema)) {
    throw DocumentError("Sim schema mismatch: " + s.FSchema);
  }
  if (!s.FLimits || !(s.FLimits->FImaxA > 0)) throw DocumentError("Invalid limits.imaxA");
  if (!s.FSteps || !s.FSteps->FCurrent) throw DocumentError("Missing steps.current");
}

}  // namespace voltaris
