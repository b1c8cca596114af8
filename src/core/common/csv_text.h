// Cells of the CSV files the program writes for other tools: numbers with "." decimals
// whatever the user's regional format, texts quoted only when they must be.
#pragma once

#include <string>
#include <string_view>

namespace voltaris {

// The shortest text that reads back to the same double ("0.1", "1e-05", "2500");
// "nan", "inf" and "-inf" for non-finite values; zero is "0" whatever its sign.
std::string CsvNumber(double v);

// The text as one CSV field: in quotation marks (inner ones doubled) when it holds a
// comma, a quotation mark or a line break, else as it is.
std::string CsvField(std::string_view text);

}  // namespace voltaris
