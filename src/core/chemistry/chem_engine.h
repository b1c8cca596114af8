// The engine chemistry: one process-wide chemistry document with a summary view, used by
// the document commands (new chemistry, save) and the chemistry panel. Absent until first
// used, then the built-in LFP cell unless replaced.
#pragma once

#include <string>

namespace voltaris {

struct TChemSummary {
  std::string Name{};           // chemistry name
  double NominalV = 0;          // cell nominal voltage, V
  double CapacityAh = 0;        // cell capacity, Ah
  double AmbientC = 0;          // ambient temperature, degrees Celsius
  double MaxTempC = 0;          // maximum temperature, degrees Celsius
  double SeiScale_NmPerAh = 0;  // SEI model scale to nm

  bool operator==(const TChemSummary&) const = default;
};

// Replaces the engine chemistry by a fresh default LFP document and forgets its file.
void ChemInitDefault();
// The summary of the engine chemistry (created as the default LFP cell when absent).
TChemSummary ChemGetSummary();
// Writes a summary into the engine chemistry (created first when absent).
void ChemApplySummary(const TChemSummary& summary);

// The file the engine chemistry came from ("" after ChemInitDefault).
const std::string& ChemLastFile();
void SetChemLastFile(const std::string& fileName);

// Destroys the engine chemistry and forgets its file (program exit; a fresh start).
void FreeChem();

}  // namespace voltaris
