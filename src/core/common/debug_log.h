// The debug output channel: diagnostic lines the user never sees.
// Lines go to stderr when VOLTARIS_DEBUG=1 and to any listener that captures them
// (the automation dump, tests).
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace voltaris {

void DebugOut(std::string_view line);

// Installs a listener for debug lines; returns the previous one. Pass {} to remove.
using DebugListener = std::function<void(const std::string&)>;
DebugListener SetDebugListener(DebugListener listener);

}  // namespace voltaris
