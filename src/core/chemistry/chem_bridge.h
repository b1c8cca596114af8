// From a chemistry document to the flat parameter record the SEI and cell models read:
// every value the document leaves open is filled from the chemistry's family, recognised
// in its name (case-insensitive substring, first match in a fixed order).
#pragma once

#include "chemistry/chem_params.h"
#include "documents/chem_document.h"

namespace voltaris {

// The parameter record of a chemistry document; nullptr gives the all-zero record.
// Dissolution and first-cycle loss stay 0 (no dissolution, 100 % first-cycle efficiency),
// as do HxFactor and RampDown_s, which the run preparation sets itself. Never fails.
TChemParams ChemRootToParams(const TChemRoot* doc);

// The SEI kinetics of a chemistry's SEI model into the parameter record: current gain,
// overpotential factor, activation energy (eV and J/mol) and the base rate.
void ApplySeiKinetics(const TSeiModel& model, TChemParams& p);

}  // namespace voltaris
