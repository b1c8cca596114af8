// The five document readers on arbitrary file content; a document that reads must write
// and read back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "documents/cal_document.h"
#include "documents/chem_document.h"
#include "documents/defaults_document.h"
#include "documents/document_error.h"
#include "documents/json_mapper.h"
#include "documents/pattern_document.h"
#include "documents/sim_document.h"
#include "documents/sim_validation.h"

namespace {

template <class T>
void ReadOne(std::string_view text) {
  try {
    const auto doc = voltaris::TJsonBase::FromJsonText<T>(text, "fuzz");
    if (doc) (void)voltaris::TJsonBase::FromJsonText<T>(voltaris::TJsonBase::ToJsonText(*doc));
  } catch (const voltaris::DocumentError&) {
    // refused with a message: what a bad file must get
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ReadOne<voltaris::TSimRoot>(text);
  ReadOne<voltaris::TPatternRoot>(text);
  ReadOne<voltaris::TChemRoot>(text);
  ReadOne<voltaris::TDefaultsRoot>(text);
  ReadOne<voltaris::TCalRoot>(text);
  try {
    auto sim = voltaris::TJsonBase::FromJsonText<voltaris::TSimRoot>(text);
    voltaris::ValidateSimOrRaise(sim.get());
  } catch (const std::exception&) {
  }
  return 0;
}
