// The schedule controls of the window ("Currrent Parameter" and "Voltage Parameters"
// groups) and the schedule state a run keeps: the voltage schedule parsed at the run
// start, the runtime current schedule, the ramp shape and the ramp check boxes.
#pragma once

#include <string>
#include <vector>

#include "form/form_model.h"
#include "waveform/ramp_shapes.h"
#include "waveform/step_schedules.h"

namespace voltaris {

class TSchedules {
 public:
  explicit TSchedules(FormModel& form);
  TSchedules(const TSchedules&) = delete;
  TSchedules& operator=(const TSchedules&) = delete;

  // The voltage schedule of the run, parsed when the run starts.
  std::vector<TVStep> FVSched{};
  // The current schedule of the runtime CC-CV model, parsed when the run starts.
  std::vector<TStepPt> FCCISteps{};
  bool FCCIStepsValid = false;

  // The voltage schedule as a run start parses it: edtVsteps with edtVt (fallback
  // 3.65) as the default point.
  std::vector<TVStep> VScheduleFromUI() const;
  // Voltage of FVSched at tSec: edtV0 (fallback 3) while it is empty, and after its
  // last point no more than edtVt (fallback 3.65).
  double VFromSchedule(double tSec) const;
  // The same for another schedule (for example one parsed from the window just now).
  double VFromSchedule(const std::vector<TVStep>& sched, double tSec) const;

  // The current schedule typed in edtIStep, parsed once per text (empty when the text
  // holds no point, that is when ParseISteps fails).
  const std::vector<TStepPt>& IStepsFromUI() const;

  // The voltage ramp shape of cbVShape (S-curve without the combo box). A typed text
  // decides by its words: "linear", "parab", "log", else S-curve.
  TVRampShape VShapeFromUI() const;

  const Control* GetVShapeCombo() const { return cbVShape_; }
  const Control* GetVRampCheck() const { return chkVRamp_; }
  // The check box named "chkIRamp", or else "chkRamp", or nullptr.
  const Control* GetIRampCheck() const { return chkIRamp_; }

 private:
  const Control *edtVsteps_, *edtV0_, *edtVt_, *edtIStep_;
  const Control *cbVShape_, *chkVRamp_, *chkIRamp_;

  mutable std::string iStepText_;
  mutable std::vector<TStepPt> iSteps_;
  mutable bool iStepsCached_ = false;
  mutable std::string vShapeText_;
  mutable int vShapeIndex_ = -2;
  mutable TVRampShape vShape_ = vrSmooth;
};

}  // namespace voltaris
