// What the headless runs of one calibration hand on to each
// other - the chemistry wave of a CC level whose inputs did not change, and the time base
// with its ring when the response time did not change - so nothing is rebuilt needlessly.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace voltaris {

// What consecutive headless runs of a calibration reuse. Chemistry waves are keyed by
// everything their reference wave and decimation are made from (the pattern and session
// documents as text, the wave and simulation rates): a few CC levels at most; the oldest
// entry goes when the samples held would pass the bound. The time base is remembered as
// the run controller left it after sizing the ring, so the next run may keep the ring when
// nothing of it changed since.
class THeadlessReuse {
 public:
  struct Timebase {
    double responseMs = 0, dtSim = 0, fsSim = 0, alphaI = 0;
    int ringCap = 0;
    bool operator==(const Timebase&) const = default;
  };

  // Keeps and reuses nothing while disabled (outside a calibration). Disabling forgets all.
  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }
  // The wave stored under `key`, or nullptr.
  const std::vector<double>* Find(const std::string& key, double& chemFs) const;
  void Store(const std::string& key, const std::vector<double>& wave, double chemFs);
  void Clear();
  size_t Size() const { return entries_.size(); }
  // How many chemistry waves were synthesised and how many were reused since Clear.
  int Builds() const { return builds_; }
  int Reuses() const { return reuses_; }
  void CountBuild() { ++builds_; }
  void CountReuse() { ++reuses_; }

  // The time base after the last ring sizing; false when none is remembered.
  bool LastTimebase(Timebase& tb) const;
  void RememberTimebase(const Timebase& tb);

  // Samples kept at most over all entries (8 M doubles, 64 MB).
  static constexpr size_t kMaxSamples = 8'000'000;

 private:
  struct Entry {
    std::string key;
    std::vector<double> wave;
    double chemFs = 0.0;
  };
  bool enabled_ = false;
  std::vector<Entry> entries_;
  int builds_ = 0;
  int reuses_ = 0;
  bool hasTimebase_ = false;
  Timebase timebase_{};
};

}  // namespace voltaris
