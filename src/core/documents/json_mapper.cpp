#include "documents/json_mapper.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <limits>
#include <tuple>

#include "common/numbers.h"
#include "documents/cal_document.h"
#include "documents/chem_document.h"
#include "documents/defaults_document.h"
#include "documents/document_error.h"
#include "documents/json_text_writer.h"
#include "documents/json_values.h"
#include "documents/pattern_document.h"
#include "documents/sim_document.h"
#include "documents/text_file.h"

namespace voltaris {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// ---- writing -------------------------------------------------------------------------

template <class C>
void WriteObject(std::string& out, const C& obj);

void BeginMember(std::string& out, bool& first, std::string_view key) {
  if (!first) out += ',';
  first = false;
  AppendJsonString(out, key);
  out += ':';
}

void WriteMember(std::string& out, bool& first, std::string_view key, double v) {
  if (!std::isfinite(v)) {
    throw DocumentError("Cannot write \"" + std::string(key) + "\": the value is not a finite number");
  }
  BeginMember(out, first, key);
  AppendJsonDouble(out, v);
}

void WriteMember(std::string& out, bool& first, std::string_view key, std::int32_t v) {
  BeginMember(out, first, key);
  out += std::to_string(v);
}

void WriteMember(std::string& out, bool& first, std::string_view key, bool v) {
  BeginMember(out, first, key);
  out += v ? "true" : "false";
}

// An empty string is left out: it reads back as the constructor's value.
void WriteMember(std::string& out, bool& first, std::string_view key, const std::string& v) {
  if (v.empty()) return;
  BeginMember(out, first, key);
  AppendJsonString(out, v);
}

// A nested object is always written, as {} when all its members were left out.
template <class U>
void WriteMember(std::string& out, bool& first, std::string_view key, const Owned<U>& v) {
  BeginMember(out, first, key);
  if (v) WriteObject(out, *v);
  else out += "null";
}

// An empty list keeps only "ownsObjects".
template <class U>
void WriteMember(std::string& out, bool& first, std::string_view key, const Owned<TObjectList<U>>& v) {
  BeginMember(out, first, key);
  if (!v) {
    out += "null";
    return;
  }
  out += "{\"ownsObjects\":true";
  if (!v->empty()) {
    out += ",\"listHelper\":[";
    for (size_t i = 0; i < v->size(); ++i) {
      if (i > 0) out += ',';
      WriteObject(out, (*v)[i]);
    }
    out += ']';
  }
  out += '}';
}

template <class C>
void WriteObject(std::string& out, const C& obj) {
  out += '{';
  bool first = true;
  std::apply([&](const auto&... f) { (WriteMember(out, first, f.key, obj.*(f.member)), ...); },
             C::Fields());
  out += '}';
}

// ---- reading -------------------------------------------------------------------------

template <class C>
void Populate(C& obj, const DocJson& j);

// A whole number in a string: optional sign and digits only, within 32 bits.
bool ParseWholeNumber(std::string_view s, std::int32_t& out) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return false;
  std::int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return false;
  }
  if (negative) v = -v;
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  out = static_cast<std::int32_t>(v);
  return true;
}

// A number, or a string holding one in the invariant format; other text reads as 0.
void ReadValue(double& v, const DocJson& j) {
  if (j.is_number()) {
    // A number beyond the double range ("1e400") reads as unreadable text does.
    v = j.get<double>();
    if (!std::isfinite(v)) v = 0.0;
  } else if (j.is_string()) {
    double parsed = 0;
    v = TryParseFloat(j.get_ref<const std::string&>(), '.', parsed) ? parsed : 0.0;
  } else if (j.is_null()) {
    v = 0;
  }
}

// Whole numbers only: a fraction, an out-of-range number or any other value reads as 0.
void ReadValue(std::int32_t& v, const DocJson& j) {
  v = 0;
  if (j.is_number_integer()) {  // signed and unsigned
    if (j.is_number_unsigned()) {
      const auto u = j.get<std::uint64_t>();
      if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        v = static_cast<std::int32_t>(u);
      }
    } else {
      const auto s = j.get<std::int64_t>();
      if (s >= std::numeric_limits<std::int32_t>::min() && s <= std::numeric_limits<std::int32_t>::max()) {
        v = static_cast<std::int32_t>(s);
      }
    }
  } else if (j.is_string()) {
    std::int32_t parsed = 0;
    if (ParseWholeNumber(j.get_ref<const std::string&>(), parsed)) v = parsed;
  }
}

void ReadValue(bool& v, const DocJson& j) {
  if (j.is_boolean()) v = j.get<bool>();
  else if (j.is_null()) v = false;
}

void ReadValue(std::string& v, const DocJson& j) {
  if (j.is_string()) v = j.get_ref<const std::string&>();
  else if (j.is_number()) v = j.dump();
  else if (j.is_null()) v.clear();
}

template <class U>
void ReadValue(Owned<U>& v, const DocJson& j) {
  if (j.is_null()) {
    v = nullptr;
  } else if (j.is_object()) {
    if (!v) v.Recreate();
    Populate(*v, j);
  }
}

// {"ownsObjects":true,"listHelper":[...]}: one new element per array entry. An "items"
// array directly after "listHelper" takes its place.
template <class U>
void ReadValue(Owned<TObjectList<U>>& v, const DocJson& j) {
  if (j.is_null()) {
    v = nullptr;
    return;
  }
  if (!j.is_object()) return;
  if (!v) v.Recreate();
  const DocJson* entries = nullptr;
  for (auto it = j.begin(); it != j.end(); ++it) {
    if (!SameTextIgnoringCase(it.key(), "listHelper")) continue;
    if (it->is_array()) entries = &*it;
    const auto next = std::next(it);
    if (next != j.end() && next.key() == "items" && next->is_array()) entries = &*next;
    break;
  }
  if (entries == nullptr) return;
  v->clear();
  v->reserve(entries->size());
  for (const DocJson& entry : *entries) {
    U& element = v->emplace_back();
    if (entry.is_object()) Populate(element, entry);
  }
}

// "FFsHz" (the field name) or "fsHz" (the key), ignoring letter case.
bool MatchesFieldName(std::string_view key, std::string_view fieldKey) {
  return key.size() == fieldKey.size() + 1 && (key[0] == 'F' || key[0] == 'f') &&
         SameTextIgnoringCase(key.substr(1), fieldKey);
}

template <class C>
void Populate(C& obj, const DocJson& j) {
  for (auto it = j.begin(); it != j.end(); ++it) {
    const std::string& key = it.key();
    const DocJson& value = *it;
    const auto take = [&](const auto& f) {
      ReadValue(obj.*(f.member), value);
      return true;
    };
    // The form with the F prefix is tried first.
    const bool done = std::apply(
        [&](const auto&... f) { return ((MatchesFieldName(key, f.key) && take(f)) || ...); }, C::Fields());
    if (done) continue;
    std::apply([&](const auto&... f) { return ((SameTextIgnoringCase(key, f.key) && take(f)) || ...); },
               C::Fields());
  }
}

bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

}  // namespace

template <DocumentRoot T>
std::string TJsonBase::ToJsonText(const T& doc) {
  std::string out;
  out.reserve(2048);
  out += kBom;
  WriteObject(out, doc);
  return out;
}

template <DocumentRoot T>
std::unique_ptr<T> TJsonBase::FromJsonText(std::string_view text, std::string_view fileName) {
  if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
  const DocJson j = ParseJsonText(text, fileName);
  if (j.is_object()) {
    auto doc = std::make_unique<T>();
    Populate(*doc, j);
    return doc;
  }
  if (IsBlank(text) || j.is_null()) return nullptr;
  throw DocumentError("The input value is not a valid Object");
}

template <DocumentRoot T>
void TJsonBase::SaveToFile(const std::string& fileName, const T* doc) {
  if (doc == nullptr) throw DocumentError("SaveToFile: object is nil.");
  WriteFileReplacing(fileName, ToJsonText(*doc));
}

template <DocumentRoot T>
std::unique_ptr<T> TJsonBase::LoadFromFile(const std::string& fileName) {
  // A folder or a special file at the name is reported by the reader, as what it is.
  std::error_code ec;
  if (!std::filesystem::exists(fileName, ec)) throw DocumentError("JSON file not found: " + fileName);
  return FromJsonText<T>(ReadTextFile(fileName), fileName);
}

#define VOLTARIS_DOCUMENT_ROOT(T)                                                   \
  template std::string TJsonBase::ToJsonText<T>(const T&);                          \
  template std::unique_ptr<T> TJsonBase::FromJsonText<T>(std::string_view, std::string_view);       \
  template void TJsonBase::SaveToFile<T>(const std::string&, const T*);             \
  template std::unique_ptr<T> TJsonBase::LoadFromFile<T>(const std::string&);
VOLTARIS_DOCUMENT_ROOT(TSimRoot)
VOLTARIS_DOCUMENT_ROOT(TPatternRoot)
VOLTARIS_DOCUMENT_ROOT(TChemRoot)
VOLTARIS_DOCUMENT_ROOT(TDefaultsRoot)
VOLTARIS_DOCUMENT_ROOT(TCalRoot)
#undef VOLTARIS_DOCUMENT_ROOT

}  // namespace voltaris
