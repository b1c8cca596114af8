// Free helpers of the chemistry panel: the chemistry library folder, tolerant number
// reading from chemistry templates, the panel's number texts and the family defaults it
// shows when a chemistry document leaves a value open.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "chemistry/chem_params.h"
#include "documents/chem_document.h"
#include "run/runtime_cell.h"

namespace voltaris {

// The chemistry library folder: "chem" in the program's folder when it exists, else
// "assest/Chem" two levels above the program's folder when that exists, else
// "assest/chem" there (returned whether it exists or not).
std::string GetChemDir();

// The file name without its folder (either separator: names written on Windows use "\").
std::string FileNameOnly(const std::string& path);

// Trims `text`, reads every "," as "." and parses with "." as the decimal separator, so
// "2,5" and "2.5" read alike on any machine. False (value untouched) when it does not read.
bool TryParseFloatAny(std::string_view text, double& value);

// Member `name` (exact) of a JSON object: a number's value, a string's value when
// TryParseFloatAny reads it, else `fallback`; `fallback` when `obj` is null, not an
// object or lacks the member.
double JFloatAny(const nlohmann::ordered_json* obj, std::string_view name, double fallback);

// Element `index` of a JSON array: a number's value or a string read by TryParseFloatAny.
// False (value 0) when `arr` is null, not an array, the index is out of range or the
// element is of another kind.
bool ArrFloatAny(const nlohmann::ordered_json* arr, long long index, double& value);

// An OCV table of the chemistry model as the runtime cell model's table, in order.
std::vector<TOCVPoint> ConvertOCV(const std::vector<TPointD>& points);

// The platform's general number text: up to 15 significant digits, no trailing zeros,
// exponent form ("1.5E-11") for very small or large magnitudes, the user's decimal
// separator.
std::string FormatGeneral(double value);
// Scientific text with three decimals and a signed three-digit exponent, the user's
// decimal separator: 1.5e-11 gives "1.500E-011".
std::string FormatSci3(double value);

// SEI growth per Ah by chemistry family, for a document that gives neither "nmPerAh" nor
// "scaleToNm": lfp 4, nmc811 12, nmc622 7, nmc 8, nca 10, lto 2, any other 8 (first
// family contained in the lower-cased name).
double FamilySeiScaleNmPerAh(std::string_view chemistryName);
// The SEI scale the panel shows for a document: the cell's "nmPerAh", else the SEI
// model's "scaleToNm", else the family value.
double PanelSeiScaleNmPerAh(const TChemRoot& chem);
// The maximum voltage the panel shows: the limits' "vMax_V" to 4 decimals; below 2 V (or
// without limits) 3.65 for an LFP name, 2.8 for an LTO name, else 4.2.
double PanelVmaxV(const TChemRoot& chem);

// Target SEI thickness of the automatic SEI scale, from the trimmed, lower-cased
// chemistry name compared whole: 12 nm for "lfp"/"lfp_21700", 60 for
// "nmc811"/"nmc811_21700", 70 for "nca"/"nca_21700", else 20.
double AutoScaleTargetNm(std::string_view chemistryName);

}  // namespace voltaris
