#include "common/debug_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace voltaris {

namespace {
// Lines may come from several threads (batch runs on workers): the listener is installed,
// replaced and called under one lock, so a captured line list never sees two writers.
std::recursive_mutex& ListenerLock() {
  static std::recursive_mutex lock;
  return lock;
}
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
  const std::lock_guard guard(ListenerLock());
  if (Listener()) Listener()(std::string(line));
}

DebugListener SetDebugListener(DebugListener listener) {
  const std::lock_guard guard(ListenerLock());
  return std::exchange(Listener(), std::move(listener));
}

}  // namespace voltaris
