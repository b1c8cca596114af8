// The five document readers on arbitrary file content, as typed and as the file reader
// makes it text (byte order marks, UTF-16/UTF-32 converted, invalid UTF-8 mended); a
// document that reads must write and read back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "documents/cal_document.h"
#include "documents/chem_document.h"
#include "documents/defaults_document.h"
#include "documents/document_error.h"
#include "documents/json_mapper.h"
#include "documents/pattern_document.h"
#include "documents/sim_document.h"
#include "documents/sim_validation.h"
#include "documents/text_file.h"

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

void ReadAll(std::string_view text) {
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
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadAll(bytes);
  std::string text;
  try {
    text = voltaris::TextOfFileBytes(std::string(bytes), "fuzz");
  } catch (const voltaris::DocumentError&) {
    return 0;  // UTF-16/UTF-32 that is not valid in its form: refused with a message
  }
  if (text != bytes) ReadAll(text);
  return 0;
}
