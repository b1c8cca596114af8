// Writing numbers into edits the way the user reads them: decimal patterns such as
// "0.###" (at most three decimals, no trailing zeros) with the user's decimal separator.
#pragma once

#include <string>
#include <string_view>

namespace voltaris {

// Formats `value` by a decimal pattern: one integer digit at least ("0"), then optionally
// "." followed by decimals that are always shown ("0") and then decimals shown only when
// not zero ("#"): "0", "0.##", "0.###", "0.00", "0.0#". The value is rounded half away
// from zero on its shortest decimal form, so 2.0005 gives "2.001" with "0.###"; a result
// of zero never carries a minus sign. Magnitudes of 1e15 and above come out in exponent
// form ("1e+20"), non-finite values as "NAN", "INF" or "-INF".
// Throws std::invalid_argument for any other pattern.
std::string FormatFloat(std::string_view pattern, double value, char decimalSeparator);

// The same with the user's decimal separator (UserDecimalSeparator).
std::string FormatFloat(std::string_view pattern, double value);

}  // namespace voltaris
