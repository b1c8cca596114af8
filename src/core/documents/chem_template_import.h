// Reading the foreign chemistry template format ("halvora.chem_template.v0"): a few cell
// values, the recommended current range and frequency, and the look-up table of the
// recommended current pattern.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace voltaris {

inline constexpr std::string_view kChemTemplateSchema = "halvora.chem_template.v0";

struct TChemTemplateExtras {
  bool Ok = false;
  std::string Err{};  // "JSON parse failed" or "schema mismatch" when not Ok
  double IminA = 0;   // recommended.imin_a
  double ImaxA = 0;   // recommended.imax_a
  double FreqHz = 0;  // recommended.f_hz
  double NominalV = 0;          // cell.nominal_voltage_v
  double CapacityAh = 0;        // cell.nominal_capacity_ah
  double ElectrodeAreaCm2 = 0;  // cell.electrode_area_cm2
  std::vector<double> LUT{};    // lut.values, in order
  bool HasLUT = false;          // lut.values was present as an array

  bool operator==(const TChemTemplateExtras&) const = default;
};

// Reads a template file. A bad template is reported through Ok and Err, not raised; an
// unreadable file fails with the file error, and a table entry that is not a number fails
// with a DocumentError.
TChemTemplateExtras LoadChemTemplateV0FromFile(const std::string& fileName);

// The same for the text of a template file (byte order mark allowed).
TChemTemplateExtras ChemTemplateV0FromText(std::string_view text);

}  // namespace voltaris
