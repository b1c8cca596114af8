// The current and voltage schedule parsers and the point lists, as typed in the entries;
// what they read is evaluated as a run would.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "waveform/pattern_points.h"
#include "waveform/step_schedules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<voltaris::TStepPt> steps;
  if (voltaris::ParseISteps(text, steps)) {
    for (double t : {0.0, 1.0, 600.0, 3600.0}) (void)voltaris::StepTargetAvgWithRamp(t, steps, 2.0, 2.0);
  }
  const auto vsched = voltaris::ParseVSteps(text, 3.0);
  for (double t : {0.0, 59.0, 7200.0}) (void)voltaris::ScheduledVoltage(vsched, t, 3.0, 3.65);
  double a = 0;
  (void)voltaris::ParseCCTextToAmp(text, 5.0, a);
  (void)voltaris::NormalizeNumberStr(text);
  const auto ys = voltaris::BezierYValues(voltaris::ExtractBezierNumbers(text));
  std::vector<double> work;
  if (!ys.empty()) {
    for (double u : {0.0, 0.5, 1.0}) (void)voltaris::BezierAt(ys, u, work);
  }
  (void)voltaris::ReadPreviewBezierNumbers(text);
  (void)voltaris::ParsePoints(text);
  return 0;
}
