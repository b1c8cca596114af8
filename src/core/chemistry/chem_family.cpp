#include "chemistry/chem_family.h"

namespace voltaris {

std::string ChemFamilyKey(std::string_view chemistryName) {
  std::string key(chemistryName);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

int FirstChemFamily(std::string_view key, std::initializer_list<std::string_view> families) {
  int index = 0;
  for (std::string_view family : families) {
    if (ChemKeyHas(key, family)) return index;
    ++index;
  }
  return -1;
}

}  // namespace voltaris
