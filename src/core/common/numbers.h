// Reading numbers typed by the user, the way every numeric entry of the form is read.
#pragma once

#include <cstdint>
#include <string_view>

namespace voltaris {

// Parses a decimal number (optional sign, digits, one decimal separator, optional
// exponent; surrounding blanks allowed; no digit grouping, no "inf"/"nan"). A number too
// large for a double ("1e400") is not readable; one too small reads as 0.
// Returns false and leaves `out` untouched when the text is not such a finite number.
bool TryParseFloat(std::string_view text, char decimalSeparator, double& out);

// The decimal separator of the user's regional number format ('.' or ',').
char UserDecimalSeparator();
// Overrides the regional decimal separator (start-up and tests).
void SetUserDecimalSeparator(char separator);

// Reads a typed number: first with "." as decimal separator, then with the user's
// regional separator, else returns `fallback`. A bad entry never stops a run.
double SafeStrToF(std::string_view text, double fallback);

// `v` rounded to the nearest whole number (halves to even), as a 64-bit integer. A cast
// of a value that is not finite or beyond the integer range is undefined behaviour, so
// such a value never reaches it: NaN gives 0, anything beyond the range the nearest limit.
std::int64_t RoundToInt64(double v);

}  // namespace voltaris
