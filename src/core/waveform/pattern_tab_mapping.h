// Copies the active pattern tab of PcParams into a pattern document, before the
// reference wave of a run is built from that document.
#pragma once

#include "documents/pattern_document.h"
#include "form/form_model.h"

namespace voltaris {

// Writes only the body's type: the type name of the active tab ("trapezoid" for the
// Trapezoid tab, "CC_CV" for the CC_CV tab). Nothing without a body, or when the active
// page is not a pattern tab.
void ApplyPatternTypeFromUI(FormModel& form, TPatternRoot& pattern);

// Classifies the active tab by its caption (trimmed, lower-cased substring tests in a
// fixed order, the first match deciding) and writes the type the reference wave
// understands ("ramped_square" for a trapezoid, "cc_cv"), and for most tabs the levels
// from the tab's current edits and the pulse frequency from its frequency or period
// edits. Levels and frequency are written only into blocks the body has, except that
// the Superpulse tab creates a missing pulse block. Nothing without a body.
void ApplyUIToPatternType(FormModel& form, TPatternRoot& pattern);

}  // namespace voltaris
