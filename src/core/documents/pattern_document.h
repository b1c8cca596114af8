// The pattern document (".hxpat", schema "hx-pat-1.0"): one formation current pattern -
// its kind, current levels, pulse timing, ramps, total duration and base CC-CV profile.
// Numbers are always in amperes, volts and seconds; the units object only labels them.
#pragma once

#include <string>
#include <string_view>
#include <tuple>

#include "documents/document_fields.h"
#include "documents/owned.h"

namespace voltaris {

struct TPatternUnits {
  std::string FCurrent{"A"};
  std::string FVoltage{"V"};
  std::string FTime{"s"};

  static constexpr auto Fields() {
    return std::tuple{Field("current", &TPatternUnits::FCurrent),
                      Field("voltage", &TPatternUnits::FVoltage), Field("time", &TPatternUnits::FTime)};
  }
  bool operator==(const TPatternUnits&) const = default;
};

struct TBaseProfile {
  std::string FMode{"CC_to_CVlite"};
  double FCcCurrentA = 60;     // CC current, A
  double FCvVoltageV = 3.6;    // CV voltage, V
  double FCvHysteresismV = 15; // CV hysteresis, mV

  static constexpr auto Fields() {
    return std::tuple{Field("mode", &TBaseProfile::FMode), Field("ccCurrentA", &TBaseProfile::FCcCurrentA),
                      Field("cvVoltageV", &TBaseProfile::FCvVoltageV),
                      Field("cvHysteresismV", &TBaseProfile::FCvHysteresismV)};
  }
  bool operator==(const TBaseProfile&) const = default;
};

struct TMicroComponent {
  bool FEnabled = true;
  double FFreqHzStart = 5;
  double FFreqHzEnd = 3;
  double FAmpRatioStartPct = 3;
  double FAmpRatioEndPct = 1;

  static constexpr auto Fields() {
    return std::tuple{Field("enabled", &TMicroComponent::FEnabled),
                      Field("freqHzStart", &TMicroComponent::FFreqHzStart),
                      Field("freqHzEnd", &TMicroComponent::FFreqHzEnd),
                      Field("ampRatioStartPct", &TMicroComponent::FAmpRatioStartPct),
                      Field("ampRatioEndPct", &TMicroComponent::FAmpRatioEndPct)};
  }
  bool operator==(const TMicroComponent&) const = default;
};

// Start and end ramps of the whole pattern.
struct TRampSpec {
  double FStartRampS = 10;
  double FEndRampS = 20;
  std::string FShape{"smooth"};

  static constexpr auto Fields() {
    return std::tuple{Field("startRampS", &TRampSpec::FStartRampS),
                      Field("endRampS", &TRampSpec::FEndRampS), Field("shape", &TRampSpec::FShape)};
  }
  bool operator==(const TRampSpec&) const = default;
};

struct TDurations {
  double FTotalS = 3060;  // 51 min
  double FHoldS = 0;

  static constexpr auto Fields() {
    return std::tuple{Field("totalS", &TDurations::FTotalS), Field("holdS", &TDurations::FHoldS)};
  }
  bool operator==(const TDurations&) const = default;
};

struct TLevels {
  double FILowA = 0;
  double FIHighA = 60;

  static constexpr auto Fields() {
    return std::tuple{Field("iLowA", &TLevels::FILowA), Field("iHighA", &TLevels::FIHighA)};
  }
  bool operator==(const TLevels&) const = default;
};

// Edge ramps of each pulse.
struct TRamped {
  double FUpS = 3;
  double FDownS = 3;
  std::string FShape{"smooth"};

  static constexpr auto Fields() {
    return std::tuple{Field("upS", &TRamped::FUpS), Field("downS", &TRamped::FDownS),
                      Field("shape", &TRamped::FShape)};
  }
  bool operator==(const TRamped&) const = default;
};

struct TPulse {
  double FFreqHz = 3;
  double FDutyPct = 50;
  double FSigma = 0;   // width of bell-shaped pulses
  double FCenter = 0;  // centre of bell-shaped pulses

  static constexpr auto Fields() {
    return std::tuple{Field("freqHz", &TPulse::FFreqHz), Field("dutyPct", &TPulse::FDutyPct),
                      Field("sigma", &TPulse::FSigma), Field("center", &TPulse::FCenter)};
  }
  bool operator==(const TPulse&) const = default;
};

struct TPatternBody {
  // "sinusoidal", "superpulse", "tangential", "parabola", "bezier", "triangle", "trapezoid",
  // "sigmoid", "gaussian", "damped_sine", "exponential", "lut", "CC_CV", "ramped_square"
  std::string FType{"sinusoidal"};
  bool FZeroBased = true;
  Owned<TBaseProfile> FBaseProfile{};
  Owned<TMicroComponent> FMicroComponent{};
  Owned<TRampSpec> FRamps{};
  Owned<TDurations> FDurations{};
  Owned<TLevels> FLevels{};
  Owned<TRamped> FRamp{};
  Owned<TPulse> FPulse{};

  static constexpr auto Fields() {
    return std::tuple{Field("type", &TPatternBody::FType), Field("zeroBased", &TPatternBody::FZeroBased),
                      Field("baseProfile", &TPatternBody::FBaseProfile),
                      Field("microComponent", &TPatternBody::FMicroComponent),
                      Field("ramps", &TPatternBody::FRamps), Field("durations", &TPatternBody::FDurations),
                      Field("levels", &TPatternBody::FLevels), Field("ramp", &TPatternBody::FRamp),
                      Field("pulse", &TPatternBody::FPulse)};
  }
  bool operator==(const TPatternBody&) const = default;
};

struct TPatternRoot {
  static constexpr std::string_view kSchema = "hx-pat-1.0";
  static constexpr std::string_view kVersion = "1.0.0";

  std::string FSchema{kSchema};
  std::string FVersion{kVersion};
  std::string FName{};
  Owned<TPatternUnits> FUnits{};
  Owned<TPatternBody> FPattern{};

  // The workspace's seed pattern: "Sinus 51min (zero-based)".
  static TPatternRoot CreateDefaultSinus();
  static TPatternRoot CreateDefaultRampedSquare();

  static constexpr auto Fields() {
    return std::tuple{Field("schema", &TPatternRoot::FSchema), Field("version", &TPatternRoot::FVersion),
                      Field("name", &TPatternRoot::FName), Field("units", &TPatternRoot::FUnits),
                      Field("pattern", &TPatternRoot::FPattern)};
  }
  bool operator==(const TPatternRoot&) const = default;
};

}  // namespace voltaris
