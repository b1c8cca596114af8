#include "documents/pattern_document.h"

namespace voltaris {

TPatternRoot TPatternRoot::CreateDefaultSinus() {
  TPatternRoot p;
  p.FName = "Sinus 51min (zero-based)";
  p.FPattern->FType = "sinusoidal";
  p.FPattern->FZeroBased = true;
  return p;
}

TPatternRoot TPatternRoot::CreateDefaultRampedSquare() {
  TPatternRoot p;
  p.FName = "Ramped Square Formation 51m";
  p.FPattern->FType = "ramped_square";
  return p;
}

}  // namespace voltaris
