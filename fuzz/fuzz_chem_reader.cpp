// The tolerant chemistry reader (chemistry documents and templates) on arbitrary content.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "documents/chem_reader.h"
#include "documents/document_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    (void)voltaris::LoadChemFromText(text, "fuzz");
  } catch (const voltaris::DocumentError&) {
  }
  return 0;
}
