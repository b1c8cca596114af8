// The rig defaults document (".hxdef", schema "hx-def-1.0"): the analogue output and
// feedback devices, slew limit, update period, mode switches, safety trips and logging.
// The program carries, shows and edits it; no computation reads its values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "documents/document_fields.h"
#include "documents/owned.h"

namespace voltaris {

struct TIOStack {
  std::string FAOWaveform{};  // analogue output device for the waveform
  std::string FAOVref{};      // analogue output device for the voltage reference
  std::string FAFeedback{};   // analogue input device for feedback
  double FSlewLimit_A_per_s = 0;
  std::int32_t FUpdatePeriod_ms = 0;

  static constexpr auto Fields() {
    return std::tuple{Field("aOWaveform", &TIOStack::FAOWaveform), Field("aOVref", &TIOStack::FAOVref),
                      Field("aFeedback", &TIOStack::FAFeedback),
                      Field("slewLimit_A_per_s", &TIOStack::FSlewLimit_A_per_s),
                      Field("updatePeriod_ms", &TIOStack::FUpdatePeriod_ms)};
  }
  bool operator==(const TIOStack&) const = default;
};

struct TModes {
  bool FCC_CV_Lite = false;
  std::int32_t FModeSwitchGuard_ms = 0;

  static constexpr auto Fields() {
    return std::tuple{Field("cC_CV_Lite", &TModes::FCC_CV_Lite),
                      Field("modeSwitchGuard_ms", &TModes::FModeSwitchGuard_ms)};
  }
  bool operator==(const TModes&) const = default;
};

struct TSafety {
  double FOcp_A = 0;  // over-current trip
  double FOvp_V = 0;  // over-voltage trip
  double FOtp_C = 0;  // over-temperature trip
  std::int32_t FWatchdog_ms = 0;

  static constexpr auto Fields() {
    return std::tuple{Field("ocp_A", &TSafety::FOcp_A), Field("ovp_V", &TSafety::FOvp_V),
                      Field("otp_C", &TSafety::FOtp_C), Field("watchdog_ms", &TSafety::FWatchdog_ms)};
  }
  bool operator==(const TSafety&) const = default;
};

struct TLogging {
  bool FWaveform = false;
  double FStatsInterval_s = 0;
  std::string FOutDir{};

  static constexpr auto Fields() {
    return std::tuple{Field("waveform", &TLogging::FWaveform),
                      Field("statsInterval_s", &TLogging::FStatsInterval_s),
                      Field("outDir", &TLogging::FOutDir)};
  }
  bool operator==(const TLogging&) const = default;
};

struct TDefaultsRoot {
  static constexpr std::string_view kSchema = "hx-def-1.0";
  static constexpr std::string_view kVersion = "1.0.0";

  std::string FSchema{kSchema};
  std::string FVersion{kVersion};
  Owned<TIOStack> FIOStack{};
  Owned<TModes> FModes{};
  Owned<TSafety> FSafety{};
  Owned<TLogging> FLogging{};

  // The workspace's seed rig.
  static TDefaultsRoot CreateLabRigV1();

  static constexpr auto Fields() {
    return std::tuple{Field("schema", &TDefaultsRoot::FSchema), Field("version", &TDefaultsRoot::FVersion),
                      Field("iOStack", &TDefaultsRoot::FIOStack), Field("modes", &TDefaultsRoot::FModes),
                      Field("safety", &TDefaultsRoot::FSafety), Field("logging", &TDefaultsRoot::FLogging)};
  }
  bool operator==(const TDefaultsRoot&) const = default;
};

}  // namespace voltaris
