#include "common/debug_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace voltaris {

namespace {
DebugListener& Listener() {
  static DebugListener listener;
  return listener;
}
bool ToStderr() {
  static const bool on = [] {
    const char* v = std::getenv("VOLTARIS_DEBUG");
    return v != nullptr && std::strcmp(v, "1") == 0;
  }();
  return on;
}
}  // namespace

void DebugOut(std::string_view line) {
  if (ToStderr()) std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
  if (Listener()) Listener()(std::string(line));
}

DebugListener SetDebugListener(DebugListener listener) {
  return std::exchange(Listener(), std::move(listener));
}

}  // namespace voltaris
