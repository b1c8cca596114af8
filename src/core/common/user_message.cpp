#include "common/user_message.h"

#include <algorithm>
#include <ios>
#include <new>

namespace voltaris {

namespace {

// Bytes of the code points that fit in `limit` bytes (no UTF-8 sequence split).
size_t CutPoint(std::string_view line, size_t limit) {
  size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

}  // namespace

std::string CutLongLines(std::string_view text) {
  std::string out;
  out.reserve(std::min(text.size(), size_t{4096}));
  while (true) {
    const size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    if (line.size() > kMaxMessageLineChars) {
      out += line.substr(0, CutPoint(line, kMaxMessageLineChars));
      out += "\u2026 (" + std::to_string(line.size()) + " characters)";
    } else {
      out += line;
    }
    if (nl == std::string_view::npos) break;
    out += '\n';
    text.remove_prefix(nl + 1);
  }
  return out;
}

std::string UserMessageOf(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
    return "Not enough memory for this operation. Nothing was changed.";
  if (dynamic_cast<const std::ios_base::failure*>(&e) != nullptr)
    return "A file could not be read or written. Nothing was changed.";
  const std::string_view what = e.what();
  // The stream library's own wording ("basic_filebuf::underflow ...") means nothing to a user.
  if (what.find("basic_filebuf") != std::string_view::npos || what.find("basic_ios") != std::string_view::npos)
    return "A file could not be read or written. Nothing was changed.";
  return CutLongLines(what);
}

}  // namespace voltaris
