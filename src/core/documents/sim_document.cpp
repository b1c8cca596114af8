#include "documents/sim_document.h"

namespace voltaris {

TSimRoot TSimRoot::CreateV11() {
  TSimRoot s;
  *s.FTimebase = {.FFsHz = 1000, .FTTotalS = 3600, .FRampInS = 10, .FRampOutS = 20};
  *s.FLimits = {.FImaxA = 120, .FVmaxV = 3.65, .FTmaxC = 55};
  s.FTargets->FSeiTargetNm = 250;
  s.FTargets->FCVLiteHystmV = 15;
  *s.FTargets->FEndCriteria = {.FDVCellmV = 20, .FDRdynPct = 5, .FDTc = 1};
  *s.FRunFlags = {.FEnableSeiModel = true, .FEnableThermalModel = true, .FRecordWaveform = true};
  *s.FMicroOverlay = {.FEnabled = true,
                      .FFreqHzStart = 5,
                      .FFreqHzEnd = 3,
                      .FAmpRatioStartPct = 3,
                      .FAmpRatioEndPct = 1,
                      .FZeroBased = true};
  *s.FVoltageRamp = {.FEnabled = false,
                     .FStep = 0,
                     .FShape = "linear",
                     .FStartValue = 2.5,
                     .FTargetValue = 3.65,
                     .FRampUpS = 120,
                     .FRampDownS = 60};
  // The current ramp climbs to the session's maximum current.
  *s.FCurrentRamp = {.FEnabled = false,
                     .FStep = 0,
                     .FShape = "linear",
                     .FStartValue = 0,
                     .FTargetValue = s.FLimits->FImaxA,
                     .FRampUpS = 0,
                     .FRampDownS = 0};
  return s;
}

}  // namespace voltaris
