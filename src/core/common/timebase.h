// The power-source response time typed by the user and the sample rate a session stores
// for it: one sample per response time, with floors that keep both finite.
#pragma once

#include <algorithm>

namespace voltaris {

// Response time in ms to sample rate in Hz; response times below 0.1 ms count as 0.1 ms.
inline double RespMsToFsHz(double ms) { return 1000.0 / std::max(ms, 0.1); }

// Sample rate in Hz to response time in ms; rates below 1e-9 Hz count as 1e-9 Hz.
inline double FsHzToRespMs(double hz) { return 1000.0 / std::max(hz, 1e-9); }

}  // namespace voltaris
