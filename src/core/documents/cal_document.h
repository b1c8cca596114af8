// The calibration document (".hxcal", schema "hx-cal-1.0"): converter, shunt and line
// compensation data of the rig. Carried to the reference wave builder, shown and edited.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "documents/document_fields.h"
#include "documents/owned.h"

namespace voltaris {

// The fields of one converter; the ADC and the DAC are separate classes with these fields.
template <class Self>
struct TConverterCal {
  std::int32_t FBits = 0;         // resolution
  double FVref_V = 0;             // reference voltage
  double FGain = 0;               // gain correction
  double FOffset = 0;             // offset correction
  double FScale_V_per_count = 0;  // volts per count

  static constexpr auto Fields() {
    return std::tuple{Field("bits", &TConverterCal::FBits), Field("vref_V", &TConverterCal::FVref_V),
                      Field("gain", &TConverterCal::FGain), Field("offset", &TConverterCal::FOffset),
                      Field("scale_V_per_count", &TConverterCal::FScale_V_per_count)};
  }
  bool operator==(const TConverterCal&) const = default;
};

struct TAdcCal : TConverterCal<TAdcCal> {
  bool operator==(const TAdcCal&) const = default;
};
struct TDacCal : TConverterCal<TDacCal> {
  bool operator==(const TDacCal&) const = default;
};

struct TShuntCal {
  double FR_mOhm = 0;   // shunt resistance, milliohm
  double FAmpGain = 0;  // shunt amplifier gain

  static constexpr auto Fields() {
    return std::tuple{Field("r_mOhm", &TShuntCal::FR_mOhm), Field("ampGain", &TShuntCal::FAmpGain)};
  }
  bool operator==(const TShuntCal&) const = default;
};

// One point of the frequency pre-emphasis curve.
struct TPreEmphPoint {
  double FHz = 0;
  double FGain_dB = 0;

  static constexpr auto Fields() {
    return std::tuple{Field("hz", &TPreEmphPoint::FHz), Field("gain_dB", &TPreEmphPoint::FGain_dB)};
  }
  bool operator==(const TPreEmphPoint&) const = default;
};

struct TCompensation {
  double FLineDrop_mOhm = 0;  // line resistance to compensate
  Owned<TObjectList<TPreEmphPoint>> FFreqPreemphasis{};  // in list order

  static constexpr auto Fields() {
    return std::tuple{Field("lineDrop_mOhm", &TCompensation::FLineDrop_mOhm),
                      Field("freqPreemphasis", &TCompensation::FFreqPreemphasis)};
  }
  bool operator==(const TCompensation&) const = default;
};

struct TCalRoot {
  static constexpr std::string_view kSchema = "hx-cal-1.0";
  static constexpr std::string_view kVersion = "1.0.0";

  std::string FSchema{kSchema};
  std::string FVersion{kVersion};
  Owned<TAdcCal> FAdc{};
  Owned<TDacCal> FDac{};
  Owned<TShuntCal> FShunt{};
  Owned<TCompensation> FCompensation{};

  // The workspace's seed calibration.
  static TCalRoot CreateLabRigV1();

  static constexpr auto Fields() {
    return std::tuple{Field("schema", &TCalRoot::FSchema), Field("version", &TCalRoot::FVersion),
                      Field("adc", &TCalRoot::FAdc), Field("dac", &TCalRoot::FDac),
                      Field("shunt", &TCalRoot::FShunt), Field("compensation", &TCalRoot::FCompensation)};
  }
  bool operator==(const TCalRoot&) const = default;
};

}  // namespace voltaris
