// Waveform generation as the window holds it: the pattern shapes, the schedules, the
// reference preview, and the handlers of the pattern controls that redraw it.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "form/form_model.h"
#include "waveform/pattern_shapes.h"
#include "waveform/reference_preview.h"
#include "waveform/schedules.h"

namespace voltaris {

class TWaveform {
 public:
  explicit TWaveform(FormModel& form);
  TWaveform(const TWaveform&) = delete;
  TWaveform& operator=(const TWaveform&) = delete;

  TPatternShapes shapes;
  TSchedules schedules;
  TReferencePreview preview;

  // The pattern edits and combo boxes whose change redraws the preview (chkSuperSoft
  // redraws on its click).
  static std::span<const char* const> PatternControlNames();

  // Attaches the handlers below to the pattern controls, the page control and
  // chkInterp (window creation). The three LUT edits get EdSineChange as well.
  void AttachHandlers();

  // A pattern parameter changed: redraw the preview.
  void EdSineChange(const std::string& sender);
  // The active pattern tab changed: redraw the preview, then `onTabSwitched`.
  void PcParamsChange(const std::string& sender);
  // chkInterp: caption "Linear" when checked, "ZOH" when not; redraw the preview.
  void chkInterpClick(const std::string& sender);
  // The LUT edits' own handlers: redraw the preview, then `invalidateCharts`.
  void EdLUTDurChange(const std::string& sender);
  void EdLUTMinChange(const std::string& sender);
  void EdLUTMaxChange(const std::string& sender);

  // What the window adds to a tab switch (the reference overlay on the simulation chart
  // and the redraw of every chart); nothing until those charts are set up.
  std::function<void()> onTabSwitched;
  // The window's redraw of every chart, used by the LUT edits' own handlers.
  std::function<void()> invalidateCharts;

 private:
  void LutChanged();

  FormModel& form_;
};

}  // namespace voltaris
