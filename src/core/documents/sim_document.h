// The session document (".hxsim", schema "hx-sim-1.1"): the inputs of one formation run
// that the pattern, chemistry, defaults and calibration documents do not hold - time
// base, protection limits, targets, run flags, the CC-CV step list, ramps, the
// micro-overlay, the main window's step schedule texts and the referenced documents.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "documents/document_fields.h"
#include "documents/owned.h"

namespace voltaris {

struct TSimMeta {
  std::string FTitle{};
  std::string FNotes{};
  std::string FVstepText{};  // the voltage step schedule text, verbatim
  std::string FIstepText{};  // the current step schedule text, verbatim

  static constexpr auto Fields() {
    return std::tuple{Field("title", &TSimMeta::FTitle), Field("notes", &TSimMeta::FNotes),
                      Field("vstepText", &TSimMeta::FVstepText),
                      Field("istepText", &TSimMeta::FIstepText)};
  }
  bool operator==(const TSimMeta&) const = default;
};

// Paths of the documents a run uses, absolute or relative to the workspace root.
struct TSimRefs {
  std::string FPatternFile{};
  std::string FChemFile{};
  std::string FDefaultsFile{};
  std::string FCalFile{};

  static constexpr auto Fields() {
    return std::tuple{Field("patternFile", &TSimRefs::FPatternFile),
                      Field("chemFile", &TSimRefs::FChemFile),
                      Field("defaultsFile", &TSimRefs::FDefaultsFile),
                      Field("calFile", &TSimRefs::FCalFile)};
  }
  bool operator==(const TSimRefs&) const = default;
};

struct TSimTimebase {
  double FFsHz = 0;     // sample rate of the run, Hz
  double FTTotalS = 0;  // total run duration, s
  double FRampInS = 0;  // fade-in of the reference wave, s
  double FRampOutS = 0; // fade-out of the reference wave, s

  static constexpr auto Fields() {
    return std::tuple{Field("fsHz", &TSimTimebase::FFsHz), Field("tTotalS", &TSimTimebase::FTTotalS),
                      Field("rampInS", &TSimTimebase::FRampInS),
                      Field("rampOutS", &TSimTimebase::FRampOutS)};
  }
  bool operator==(const TSimTimebase&) const = default;
};

struct TSimLimits {
  double FImaxA = 0;  // maximum current, A
  double FVmaxV = 0;  // maximum cell voltage, V
  double FTmaxC = 0;  // maximum temperature, degrees Celsius

  static constexpr auto Fields() {
    return std::tuple{Field("imaxA", &TSimLimits::FImaxA), Field("vmaxV", &TSimLimits::FVmaxV),
                      Field("tmaxC", &TSimLimits::FTmaxC)};
  }
  bool operator==(const TSimLimits&) const = default;
};

struct TSimEndCriteria {
  double FDVCellmV = 0;  // cell voltage change criterion, mV
  double FDRdynPct = 0;  // dynamic resistance change criterion, percent
  double FDTc = 0;       // temperature change criterion, degrees Celsius

  static constexpr auto Fields() {
    return std::tuple{Field("dVCellmV", &TSimEndCriteria::FDVCellmV),
                      Field("dRdynPct", &TSimEndCriteria::FDRdynPct),
                      Field("dTc", &TSimEndCriteria::FDTc)};
  }
  bool operator==(const TSimEndCriteria&) const = default;
};

struct TSimTargets {
  double FSeiTargetNm = 0;   // target SEI thickness, nm
  double FCVLiteHystmV = 0;  // CV-lite hysteresis band, mV
  Owned<TSimEndCriteria> FEndCriteria{};

  static constexpr auto Fields() {
    return std::tuple{Field("seiTargetNm", &TSimTargets::FSeiTargetNm),
                      Field("cVLiteHystmV", &TSimTargets::FCVLiteHystmV),
                      Field("endCriteria", &TSimTargets::FEndCriteria)};
  }
  bool operator==(const TSimTargets&) const = default;
};

struct TSimRunFlags {
  bool FEnableSeiModel = false;
  bool FEnableThermalModel = false;
  bool FRecordWaveform = false;

  static constexpr auto Fields() {
    return std::tuple{Field("enableSeiModel", &TSimRunFlags::FEnableSeiModel),
                      Field("enableThermalModel", &TSimRunFlags::FEnableThermalModel),
                      Field("recordWaveform", &TSimRunFlags::FRecordWaveform)};
  }
  bool operator==(const TSimRunFlags&) const = default;
};

struct TVoltageStep {
  double FVStart = 0;      // start voltage, V
  double FVEnd = 0;        // end voltage, V
  double FRate_mV_s = 0;   // slope, mV/s
  double FHold_s = 0;      // hold at the end voltage, s

  static constexpr auto Fields() {
    return std::tuple{Field("vStart", &TVoltageStep::FVStart), Field("vEnd", &TVoltageStep::FVEnd),
                      Field("rate_mV_s", &TVoltageStep::FRate_mV_s),
                      Field("hold_s", &TVoltageStep::FHold_s)};
  }
  bool operator==(const TVoltageStep&) const = default;
};

// One step of the CC-CV protocol. Modes are "CC", "CV-lite" and "CV", compared without
// regard to letter case wherever they are read.
struct TCurrentStep {
  std::string FIMode{};
  double FIValueA = 0;   // current of a CC step, A
  double FVTargetV = 0;  // voltage of a CV step, V
  double FHystmV = 0;    // hysteresis of a CV step, mV
  double FDurationS = 0; // step duration, s

  static constexpr auto Fields() {
    return std::tuple{Field("iMode", &TCurrentStep::FIMode), Field("iValueA", &TCurrentStep::FIValueA),
                      Field("vTargetV", &TCurrentStep::FVTargetV),
                      Field("hystmV", &TCurrentStep::FHystmV),
                      Field("durationS", &TCurrentStep::FDurationS)};
  }
  bool operator==(const TCurrentStep&) const = default;
};

struct TSimSteps {
  // Never filled by the program: the voltage schedule travels as text in "vstepText".
  Owned<TObjectList<TVoltageStep>> FVoltage{};
  // CC-CV protocol steps in execution order.
  Owned<TObjectList<TCurrentStep>> FCurrent{};

  static constexpr auto Fields() {
    return std::tuple{Field("voltage", &TSimSteps::FVoltage), Field("current", &TSimSteps::FCurrent)};
  }
  bool operator==(const TSimSteps&) const = default;
};

struct TMicroOverlay {
  bool FEnabled = false;
  double FFreqHzStart = 0;
  double FFreqHzEnd = 0;
  double FAmpRatioStartPct = 0;
  double FAmpRatioEndPct = 0;
  bool FZeroBased = false;

  static constexpr auto Fields() {
    return std::tuple{Field("enabled", &TMicroOverlay::FEnabled),
                      Field("freqHzStart", &TMicroOverlay::FFreqHzStart),
                      Field("freqHzEnd", &TMicroOverlay::FFreqHzEnd),
                      Field("ampRatioStartPct", &TMicroOverlay::FAmpRatioStartPct),
                      Field("ampRatioEndPct", &TMicroOverlay::FAmpRatioEndPct),
                      Field("zeroBased", &TMicroOverlay::FZeroBased)};
  }
  bool operator==(const TMicroOverlay&) const = default;
};

// A voltage or current ramp (values in V or A).
struct TSimRampConfig {
  bool FEnabled = false;
  double FStep = 0;
  std::string FShape{};  // "Linear", "S-curve", "Parapolik", "Logaritmic" or "linear"
  double FStartValue = 0;
  double FTargetValue = 0;
  double FRampUpS = 0;
  double FRampDownS = 0;

  static constexpr auto Fields() {
    return std::tuple{Field("enabled", &TSimRampConfig::FEnabled), Field("step", &TSimRampConfig::FStep),
                      Field("shape", &TSimRampConfig::FShape),
                      Field("startValue", &TSimRampConfig::FStartValue),
                      Field("targetValue", &TSimRampConfig::FTargetValue),
                      Field("rampUpS", &TSimRampConfig::FRampUpS),
                      Field("rampDownS", &TSimRampConfig::FRampDownS)};
  }
  bool operator==(const TSimRampConfig&) const = default;
};

struct TSimRoot {
  static constexpr std::string_view kSchema = "hx-sim-1.1";
  static constexpr std::string_view kVersion = "1.1.0";

  std::string FSchema{kSchema};
  std::string FVersion{kVersion};
  Owned<TSimMeta> FMeta{};
  Owned<TSimRefs> FRefs{};
  Owned<TSimTimebase> FTimebase{};
  Owned<TSimLimits> FLimits{};
  Owned<TSimTargets> FTargets{};
  Owned<TSimRunFlags> FRunFlags{};
  Owned<TSimSteps> FSteps{};
  Owned<TMicroOverlay> FMicroOverlay{};
  Owned<TSimRampConfig> FVoltageRamp{};
  Owned<TSimRampConfig> FCurrentRamp{};

  // The complete default session; references and the current step list stay empty
  // until the session is normalised.
  static TSimRoot CreateV11();

  static constexpr auto Fields() {
    return std::tuple{Field("schema", &TSimRoot::FSchema), Field("version", &TSimRoot::FVersion),
                      Field("meta", &TSimRoot::FMeta), Field("refs", &TSimRoot::FRefs),
                      Field("timebase", &TSimRoot::FTimebase), Field("limits", &TSimRoot::FLimits),
                      Field("targets", &TSimRoot::FTargets), Field("runFlags", &TSimRoot::FRunFlags),
                      Field("steps", &TSimRoot::FSteps),
                      Field("microOverlay", &TSimRoot::FMicroOverlay),
                      Field("voltageRamp", &TSimRoot::FVoltageRamp),
                      Field("currentRamp", &TSimRoot::FCurrentRamp)};
  }
  bool operator==(const TSimRoot&) const = default;
};

}  // namespace voltaris
