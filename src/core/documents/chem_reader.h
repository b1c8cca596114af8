// The tolerant chemistry reader. It accepts two formats: the program's own chemistry
// document ("hx-chem-1.0") and the chemistry template ("halvora.chem_template.v0"), whose
// extras it remembers for the main window.
#pragma once

#include <string>
#include <string_view>

#include "documents/chem_document.h"
#include "documents/chem_template_import.h"

namespace voltaris {

// Reads `fileName` (a real path; the workspace resolves stored names before calling) into
// a chemistry document that starts from the LFP defaults:
// - "hx-chem-1.0" (any letter case): each value present in the file replaces the default.
//   Members are matched exactly, under the snake_case names ("sei_model", "capacity_ah",
//   ...) and under the keys the document writer produces ("seiModel", "capacityAh", ...),
//   so a document written by this program reads back with its own values; where both
//   spellings are present the snake_case one wins. Numbers must be JSON numbers.
// - "halvora.chem_template.v0": the template's nominal voltage, capacity, electrode area
//   and maximum current replace the defaults when above 0; its extras become the last
//   chemistry template.
// Failures (DocumentError): "Chem JSON parse failed", "Chem file schema mismatch: <tag>",
// "ChemTemplate load failed: <reason>", a value of the wrong kind, or the file error.
// On failure the last chemistry template is unchanged.
TChemRoot LoadChem(const std::string& fileName);
// `fileName` names the file in the message of text nested too deeply.
TChemRoot LoadChemFromText(std::string_view text, std::string_view fileName = {});

// A copy of the extras of the last template LoadChem read (all zero, Ok false before).
TChemTemplateExtras GetLastChemTemplate();

}  // namespace voltaris
