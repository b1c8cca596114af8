// Chemistry families are recognised from the chemistry name: the name is lower-cased and a
// family matches when the lower-cased name contains the family key anywhere. Tables are
// searched in a fixed order and the first match wins, so "nmc811" must come before "nmc".
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace voltaris {

// The name lower-cased (ASCII letters only; other bytes are kept).
std::string ChemFamilyKey(std::string_view chemistryName);

// Whether the lower-cased key contains the family string.
inline bool ChemKeyHas(std::string_view key, std::string_view family) {
  return key.find(family) != std::string_view::npos;
}

// Index of the first family the key contains, or -1 when none does.
int FirstChemFamily(std::string_view key, std::initializer_list<std::string_view> families);

}  // namespace voltaris
