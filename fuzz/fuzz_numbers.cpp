// The tolerant number reader: whatever it returns is a finite number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double v = voltaris::SafeStrToF(text, 1.5);
  if (!std::isfinite(v)) std::abort();
  double w = 0;
  for (char sep : {'.', ','}) {
    if (voltaris::TryParseFloat(text, sep, w) && !std::isfinite(w)) std::abort();
  }
  (void)voltaris::RoundToInt64(v * 1e300);
  return 0;
}
