// The one mapper between document objects and their JSON files.
//
// Written text: UTF-8 byte order mark, then compact, pure-ASCII JSON; members in field
// order; empty strings and the "listHelper" of an empty list left out; lists written as
// {"ownsObjects":true,"listHelper":[...]}. Reading is tolerant: keys match with or
// without the F prefix and ignoring letter case, unknown keys are ignored, null gives a
// zero value (or drops a nested object), strings are accepted for numbers, integers
// refuse fractions, absent keys keep the constructor's values. Schema tags are not
// checked here; that is the business of the loaders that know the kind.
#pragma once

#include <concepts>
#include <memory>
#include <string>
#include <string_view>

namespace voltaris {

struct TSimRoot;
struct TPatternRoot;
struct TChemRoot;
struct TDefaultsRoot;
struct TCalRoot;

template <class T>
concept DocumentRoot = std::same_as<T, TSimRoot> || std::same_as<T, TPatternRoot> ||
                       std::same_as<T, TChemRoot> || std::same_as<T, TDefaultsRoot> ||
                       std::same_as<T, TCalRoot>;

class TJsonBase {
 public:
  // The whole file content, byte order mark included. Fails with a DocumentError when a
  // number is infinite or NaN (JSON cannot hold it, the file would not read back).
  template <DocumentRoot T>
  static std::string ToJsonText(const T& doc);

  // A new document read from file content (with or without byte order mark); nullptr when
  // the text is blank or the JSON literal null. Fails with "The input value is not a valid
  // Object" for anything else that is not a JSON object, and for text nested deeper than
  // kMaxJsonDepth with a message naming `fileName`.
  template <DocumentRoot T>
  static std::unique_ptr<T> FromJsonText(std::string_view text, std::string_view fileName = {});

  // Writes `doc` to `fileName`, replacing any existing file only once the new content is
  // completely on disk; the folder is created when missing. Fails with "SaveToFile: object
  // is nil." for a null document, touching no file.
  template <DocumentRoot T>
  static void SaveToFile(const std::string& fileName, const T* doc);
  template <DocumentRoot T>
  static void SaveToFile(const std::string& fileName, const T& doc) {
    SaveToFile(fileName, &doc);
  }

  // Reads `fileName` into a new document, or nullptr when the file holds no document.
  // Fails with "JSON file not found: <fileName>" when there is no such file.
  template <DocumentRoot T>
  static std::unique_ptr<T> LoadFromFile(const std::string& fileName);
};

}  // namespace voltaris
