#include "documents/chem_template_import.h"

#include <algorithm>
#include <cmath>

#include "common/numbers.h"
#include "documents/document_error.h"
#include "documents/json_values.h"
#include "documents/text_file.h"

namespace voltaris {

namespace {

const DocJson* ObjectMember(const DocJson& parent, const char* name) {
  const auto it = parent.find(name);
  return it != parent.end() && it->is_object() ? &*it : nullptr;
}

// A template number: 0 when the parent or the member is absent; a JSON number as it is;
// any other value by its text, read with "," taken as a decimal point too ("4,5").
double JNum(const DocJson* parent, const char* name) {
  if (parent == nullptr) return 0;
  const auto it = parent->find(name);
  if (it == parent->end()) return 0;
  // A number beyond the double range reads as unreadable text does.
  if (it->is_number()) return std::isfinite(it->get<double>()) ? it->get<double>() : 0.0;
  std::string text = JsonValueText(*it);
  std::replace(text.begin(), text.end(), ',', '.');
  double v = 0;
  return TryParseFloat(text, '.', v) ? v : 0.0;
}

}  // namespace

TChemTemplateExtras ChemTemplateV0FromText(std::string_view text) {
  const DocJson root = ParseJsonText(text);
  TChemTemplateExtras x;
  if (!root.is_object()) {
    x.Err = "JSON parse failed";
    return x;
  }
  const auto schema = root.find("schema");
  const std::string tag = schema != root.end() ? JsonValueText(*schema) : std::string();
  if (!SameTextIgnoringCase(tag, kChemTemplateSchema)) {
    x.Err = "schema mismatch";
    return x;
  }
  const DocJson* recommended = ObjectMember(root, "recommended");
  const DocJson* cell = ObjectMember(root, "cell");
  x.IminA = JNum(recommended, "imin_a");
  x.ImaxA = JNum(recommended, "imax_a");
  x.FreqHz = JNum(recommended, "f_hz");
  x.NominalV = JNum(cell, "nominal_voltage_v");
  x.CapacityAh = JNum(cell, "nominal_capacity_ah");
  x.ElectrodeAreaCm2 = JNum(cell, "electrode_area_cm2");

  if (const DocJson* lut = ObjectMember(root, "lut")) {
    const auto values = lut->find("values");
    if (values != lut->end() && values->is_array()) {
      x.HasLUT = true;
      x.LUT.reserve(values->size());
      for (const DocJson& v : *values) {
        if (!v.is_number() || !std::isfinite(v.get<double>())) {
          throw DocumentError("Invalid conversion: lut.values entry " + JsonValueText(v) +
                              " is not a number");
        }
        x.LUT.push_back(v.get<double>());
      }
    }
  }
  x.Ok = true;
  return x;
}

TChemTemplateExtras LoadChemTemplateV0FromFile(const std::string& fileName) {
  return ChemTemplateV0FromText(ReadTextFile(fileName));
}

}  // namespace voltaris
