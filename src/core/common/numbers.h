// Reading numbers typed by the user, the way every numeric entry of the form is read.
#pragma once

#include <string_view>

namespace voltaris {

// Parses a decimal number (optional sign, digits, one decimal separator, optional
// exponent; surrounding blanks allowed; no digit grouping, no "inf"/"nan").
// Returns false and leaves `out` untouched when the text is not such a number.
bool TryParseFloat(std::string_view text, char decimalSeparator, double& out);

// The decimal separator of the user's regional number format ('.' or ',').
char UserDecimalSeparator();
// Overrides the regional decimal separator (start-up and tests).
void SetUserDecimalSeparator(char separator);

// Reads a typed number: first with "." as decimal separator, then with the user's
// regional separator, else returns `fallback`. A bad entry never stops a run.
double SafeStrToF(std::string_view text, double fallback);

}  // namespace voltaris
