// Small types of the live run shared by the set-point and the run controller.
#pragma once

namespace voltaris {

// Phase of the CC-CV set-point law: charge at constant current, hold the voltage, done.
// The rest and discharge phases only send the law back to the charge.
enum TCCCVPhase : int { cpCharge = 0, cpCV, cpRestAfterCV, cpDischarge, cpRestAfterDis, cpDone };

inline const char* CCCVPhaseName(TCCCVPhase p) {
  switch (p) {
    case cpCharge: return "cpCharge";
    case cpCV: return "cpCV";
    case cpRestAfterCV: return "cpRestAfterCV";
    case cpDischarge: return "cpDischarge";
    case cpRestAfterDis: return "cpRestAfterDis";
    case cpDone: return "cpDone";
  }
  return "cpCharge";
}

}  // namespace voltaris
