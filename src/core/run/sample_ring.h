// Fixed-capacity ring of the run's simulated samples (time, current, voltage). The newest
// sample overwrites the oldest when the ring is full; pushing is constant time and never
// allocates. The live charts read the last 30 simulated seconds from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/default_init_allocator.h"

namespace voltaris {

class TSampleRing {
 public:
  // Slots are written before they are read, so new storage is not zeroed: a short run
  // touches only the pages of the samples it pushes.
  using TSlots = std::vector<double, TDefaultInitAllocator<double>>;

  // Smallest ring: RingInit raises smaller capacities to this.
  static constexpr int kMinCapacity = 200;
  // Largest ring (three doubles per sample, 48 MB): holds 30 minutes of samples down to a
  // 0.9 ms step and the 30 s chart window down to a 15 µs step. Larger requests are
  // lowered to it rather than risking an allocation failure.
  static constexpr int kMaxCapacity = 2'000'000;

  // Capacity that keeps 30 minutes of samples at the simulation step dtSim (seconds),
  // at least 1024 and within kMaxCapacity.
  static int CapacityForStep(double dtSim);

  // Allocates and empties the ring: capacity limited to kMinCapacity..kMaxCapacity.
  void RingInit(int capacity);
  // Empties the ring, keeping its storage.
  void RingClear();
  // Appends one sample, overwriting the oldest when full (inline: the live step pushes
  // thousands of samples per tick).
  void RingPush(double t, double I, double V);
  // Slot of logical index k (0 = oldest valid sample, FRingCount() - 1 = newest).
  int RingAbsIndex(int k) const;

  int FRingCap() const { return cap_; }
  int FRingHead() const { return head_; }
  int FRingCount() const { return count_; }
  // Per-slot storage, FRingCap() elements each.
  const TSlots& FRingT() const { return t_; }
  const TSlots& FRingI() const { return i_; }
  const TSlots& FRingV() const { return v_; }

  // Logical index of the first sample whose time is >= tStart, searching from the oldest;
  // 0 when none is. Uses a binary search while the valid times are in order.
  int FirstIndexAtOrAfter(double tStart) const;
  // Whether the valid samples' times never decrease from oldest to newest.
  bool TimesInOrder() const { return descents_ == 0; }

 private:
  int cap_ = 0;
  int head_ = 0;
  int count_ = 0;
  // Number of neighbouring valid samples whose time does not rise (times out of order,
  // for example after a second run was pushed without emptying the ring).
  int64_t descents_ = 0;
  TSlots t_, i_, v_;
};

inline void TSampleRing::RingPush(double t, double I, double V) {
  if (cap_ <= 0) return;  // never initialised: nothing to keep
  if (count_ > 0) {
    const int newest = head_ == 0 ? cap_ - 1 : head_ - 1;
    if (!(t >= t_[static_cast<std::size_t>(newest)])) ++descents_;
  }
  if (count_ == cap_ && cap_ > 1) {
    // The oldest sample (at head) leaves; so does its pair with the next oldest.
    const int next = head_ + 1 == cap_ ? 0 : head_ + 1;
    if (!(t_[static_cast<std::size_t>(next)] >= t_[static_cast<std::size_t>(head_)])) --descents_;
  }
  const auto slot = static_cast<std::size_t>(head_);
  t_[slot] = t;
  i_[slot] = I;
  v_[slot] = V;
  if (++head_ == cap_) head_ = 0;
  if (count_ < cap_) ++count_;
}

}  // namespace voltaris
