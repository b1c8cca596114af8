// Normalisation and validation: the two steps every session passes before use.
#pragma once

#include <string_view>

#include "documents/sim_document.h"

namespace voltaris {

// The seed documents of the workspace, relative to its root. Normalisation fills them
// into empty references; the workspace writes its seed files under these names.
inline constexpr std::string_view kSeedPatternFile = "patterns\\sinus_51min_zero.hxpat";
inline constexpr std::string_view kSeedChemFile = "chem\\lfp_default.hxchem";
inline constexpr std::string_view kSeedDefaultsFile = "defaults\\lab_rig_v1.hxdef";
inline constexpr std::string_view kSeedCalFile = "defaults\\lab_rig_v1.hxcal";

// Fills in what a session needs to run, in place; does nothing for nullptr. Missing time
// base, limits, targets (with end criteria), steps, current step list and references are
// recreated; a sample rate, duration, limit or CV-lite hysteresis that is not a positive
// finite number takes its default; empty references name the seed documents; an empty
// current step list gets the default CC then CV-lite steps. A list with steps is kept.
void NormalizeSim(TSimRoot* sim);

// Normalises, writes the diagnostic line "VAL fs_hz=... total=..." to the debug channel
// and fails with a DocumentError carrying the first problem found: "Sim is nil",
// "Invalid timebase.fshz", "Sim schema mismatch: <tag>", "Invalid limits.imaxA" or
// "Missing steps.current".
void ValidateSimOrRaise(TSimRoot* sim);

}  // namespace voltaris
