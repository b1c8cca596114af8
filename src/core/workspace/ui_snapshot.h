// The flat record of the main window's run inputs, and its mapping to the window's
// controls on one side and to a session document on the other.
//
// The snapshot carries more than the window shows: some values are fixed or derived from
// the total duration when taken from the window, and several are never written back
// (references, CC/CV step values, the fixed limits). Controls are reached by name; a
// control the window lacks (or one of another kind) is skipped.
#pragma once

#include <string>
#include <string_view>

#include "documents/sim_document.h"
#include "form/form_model.h"

namespace voltaris {

// Plain value record; a fresh snapshot is all zero, false and empty.
struct TUiSnapshot {
  double FsHz = 0;           // sample rate of the run, Hz
  double TTotalS = 0;        // total formation time, s
  double IMaxA = 0;          // maximum current, A
  double VMaxV = 0;          // maximum cell voltage, V
  double TMaxC = 0;          // maximum temperature, degrees Celsius
  double CVLiteHyst_mV = 0;  // CV-lite hysteresis band, mV
  double CC_A = 0;           // CC step current, A
  double CC_DurS = 0;        // CC step duration, s
  double CV_V = 0;           // CV step voltage, V
  double CV_DurS = 0;        // CV step duration, s
  bool VRampEnabled = false;
  double VRampStep = 0;
  std::string VRampShape{};
  double V0 = 0;             // voltage ramp start, V
  double Vt = 0;             // voltage ramp target, V
  double VRampUpS = 0;
  double VRampDownS = 0;
  bool IRampEnabled = false;
  double IRampStep = 0;
  std::string IRampShape{};
  double IRampUpS = 0;
  double IRampDownS = 0;
  std::string VStepText{};   // voltage step schedule text, verbatim
  std::string IStepText{};   // current step schedule text, verbatim
  std::string PatternFile{};
  std::string ChemFile{};
  std::string DefaultsFile{};
  std::string CalFile{};

  bool operator==(const TUiSnapshot&) const = default;
};

// The snapshot a session is built from when no window is bound.
TUiSnapshot DefaultUiSnapshot();

// Formation time in minutes from `EdTotalMs` when it reads as a finite number above 0,
// else `fallback`.
double TotalMinutesFromUI(FormModel& form, double fallback);

// Takes the run inputs from the window's controls. `lastChemPath` is the path of the last
// chemistry document the window loaded (empty: the seed chemistry is named). Unreadable
// or non-finite numbers take the fixed fallbacks; missing controls are skipped.
TUiSnapshot GetUiSnapshot(FormModel& form, std::string_view lastChemPath);

// Writes the snapshot's visible values into the window's controls ("0.###" numbers with
// the user's decimal separator). Ramp shapes select the list item equal to the shape
// ignoring case, else the first item.
void ApplyUiSnapshot(FormModel& form, const TUiSnapshot& snapshot);

// A complete session from a snapshot: the default session with the snapshot's values and
// exactly two current steps (CC, then CV-lite), normalised and validated. Validation
// errors propagate (DocumentError).
TSimRoot BuildSimFromSnapshot(const TUiSnapshot& snapshot);

// The snapshot of a session as stored (groups the session lacks leave their fields at 0).
// nullptr gives the all-zero snapshot.
TUiSnapshot MakeSnapshotFromSim(const TSimRoot* sim);

// After a session file is opened from the document commands: copies the response time,
// the voltage limit (into `edtVt`) and the temperature limit into the window and the run
// duration into `totalSecs`, from the session as loaded (no normalisation). Groups the
// session lacks are skipped; nullptr does nothing.
void SimToUI(FormModel& form, const TSimRoot* sim, double& totalSecs);

}  // namespace voltaris
