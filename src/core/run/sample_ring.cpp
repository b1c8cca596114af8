#include "run/sample_ring.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/debug_log.h"

namespace voltaris {

int TSampleRing::CapacityForStep(double dtSim) {
  const double wanted = dtSim > 0 ? std::ceil(1800.0 / dtSim) : static_cast<double>(kMaxCapacity);
  if (!(wanted < kMaxCapacity)) return kMaxCapacity;  // also catches NaN and infinity
  return std::max(static_cast<int>(wanted), 1024);
}

void TSampleRing::RingInit(int capacity) {
  int cap = std::max(capacity, kMinCapacity);
  if (cap > kMaxCapacity) {
    DebugOut("Sample ring: " + std::to_string(capacity) + " samples requested, limited to " +
             std::to_string(kMaxCapacity));
    cap = kMaxCapacity;
  }
  // Only the valid samples are ever read, so the slots are never zeroed: the same capacity
  // keeps the storage, and new storage stays untouched until samples are pushed. Another
  // capacity frees the old storage before taking the new.
  if (cap != cap_ || t_.size() != static_cast<size_t>(cap)) {
    TSlots().swap(t_);
    TSlots().swap(i_);
    TSlots().swap(v_);
    t_.resize(static_cast<size_t>(cap));
    i_.resize(static_cast<size_t>(cap));
    v_.resize(static_cast<size_t>(cap));
  }
  cap_ = cap;
  RingClear();
}

void TSampleRing::RingClear() {
  head_ = 0;
  count_ = 0;
  descents_ = 0;
}

int TSampleRing::RingAbsIndex(int k) const {
  if (cap_ <= 0) return 0;
  int s = head_ + k - count_;
  while (s < 0) s += cap_;
  while (s >= cap_) s -= cap_;
  return s;
}

int TSampleRing::FirstIndexAtOrAfter(double tStart) const {
  if (count_ <= 0) return 0;
  if (TimesInOrder()) {
    int lo = 0, hi = count_;  // first logical index with time >= tStart lies in [lo, hi]
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      if (t_[static_cast<size_t>(RingAbsIndex(mid))] >= tStart) hi = mid;
      else lo = mid + 1;
    }
    return lo < count_ ? lo : 0;
  }
  for (int k = 0; k < count_; ++k)
    if (t_[static_cast<size_t>(RingAbsIndex(k))] >= tStart) return k;
  return 0;
}

}  // namespace voltaris
