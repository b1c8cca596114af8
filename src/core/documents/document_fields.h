// The field table of a document class: one row per field, in the order the fields are
// written, each with its JSON key and a pointer to the member. The writer and the reader
// both walk this table, so a class is declared once.
//
// Keys follow one rule that every new field must keep: the field name without its
// leading F, first character lower-cased (FFsHz -> "fsHz", FIOStack -> "iOStack").
// A reader also accepts the key with the F prefix ("FFsHz"), ignoring letter case.
#pragma once

#include <string_view>
#include <tuple>

namespace voltaris {

template <class Class, class Member>
struct DocField {
  std::string_view key;
  Member Class::*member;
};

template <class Class, class Member>
constexpr DocField<Class, Member> Field(std::string_view key, Member Class::*member) {
  return {key, member};
}

// Each document class provides `static constexpr auto Fields()` returning a std::tuple of
// DocField rows; the member types are double, std::int32_t, bool, std::string,
// Owned<Nested> or Owned<TObjectList<Element>>.

}  // namespace voltaris
