#include "documents/cal_document.h"

#include <cmath>

namespace voltaris {

namespace {

// Volts per count of a converter: reference / (2^bits - 1). The power of two is taken in
// single precision, which is exact for every converter resolution in use.
template <class Converter>
void SetConverter(Converter& c, std::int32_t bits, double vref) {
  c.FBits = bits;
  c.FVref_V = vref;
  c.FGain = 1;
  c.FOffset = 0;
  const float counts = std::exp2(static_cast<float>(bits));
  c.FScale_V_per_count = vref / (static_cast<double>(counts) - 1.0);
}

}  // namespace

TCalRoot TCalRoot::CreateLabRigV1() {
  TCalRoot c;
  SetConverter(*c.FAdc, 16, 5.0);
  SetConverter(*c.FDac, 12, 10.0);
  *c.FShunt = {.FR_mOhm = 1, .FAmpGain = 50};
  c.FCompensation->FLineDrop_mOhm = 5;
  *c.FCompensation->FFreqPreemphasis = {{.FHz = 1, .FGain_dB = 0}, {.FHz = 100, .FGain_dB = 1.5}};
  return c;
}

}  // namespace voltaris

