#include "waveform/waveform.h"

#include <array>

namespace voltaris {

namespace {

// Every control whose value the preview shows: all pattern edits and combo boxes of
// the tabs (EdRepeat, EdTrapCorner and EdSinePhase only fire a redraw), including the
// super-top level and width of the superpulse and the CC_CV set current.
constexpr std::array<const char*, 64> kPatternControls{
    "EdSineMin",     "EdSineMax",     "EdSineF",     "EdSinePhase", "EdTriMin",       "EdTriMax",     "EdTriRiseMs",
    "EdTriFallMs",   "CbTriMode",     "EdLUTDur",    "EdLUTMin",    "EdLUTMax",       "EdLUTPoints",  "EdTrapBaseA",
    "EdTrapTopA",    "EdTrapRise",    "EdTrapTopMs", "EdTrapFall",  "EdTrapBottomMs", "EdTrapCorner", "EdBezDur",
    "EdBezScaleMin", "EdBezScaleMax", "EdBezPoints", "EdBaseA",     "EdTopA",         "EdRise",       "EdTop",
    "EdFall",        "EdBase",        "EdRepeat",    "EdGap",       "edSprTopA",      "edSprTop",     "EdTanBase",
    "EdTanPeak",     "EdTanRise",     "EdTanHold",   "EdTanFall",   "CbTanProfile",   "CbTanK",       "EdParaI0",
    "EdParaI1",      "EdParaDur",     "EdParaCurv",  "EdSigDur",    "EdSigI0",        "EdSigI1",      "EdSigK",
    "EdGauDur",      "EdGauMin",      "EdGauMax",    "EdGauMu",     "EdGauSigma",     "EdDampMin",    "EdDampMax",
    "EdDampF",       "EdDampPhase",   "EdDampTau",   "EdExpDur",    "EdExpI0",        "EdExpI1",      "EdExpK",
    "edtCC_A"};

}  // namespace

TWaveform::TWaveform(FormModel& form) : shapes(form), schedules(form), preview(form, shapes), form_(form) {}

std::span<const char* const> TWaveform::PatternControlNames() { return kPatternControls; }

void TWaveform::AttachHandlers() {
  const Handler redraw = [this](const std::string& sender) { EdSineChange(sender); };
  for (const char* name : kPatternControls)
    if (form_.Find(name) != nullptr) form_.OnChange(name, redraw);
  if (form_.Find("chkSuperSoft") != nullptr) form_.OnClick("chkSuperSoft", redraw);
  if (form_.Find("chkInterp") != nullptr)
    form_.OnClick("chkInterp", [this](const std::string& sender) { chkInterpClick(sender); });
  if (form_.Find("PcParams") != nullptr)
    form_.OnChange("PcParams", [this](const std::string& sender) { PcParamsChange(sender); });
}

void TWaveform::EdSineChange(const std::string&) { preview.DrawReferenceWave(); }

void TWaveform::PcParamsChange(const std::string&) {
  preview.DrawReferenceWave();
  if (onTabSwitched) onTabSwitched();
}

void TWaveform::chkInterpClick(const std::string&) {
  if (const Control* c = form_.Find("chkInterp")) form_.SetControlCaption("chkInterp", c->Checked() ? "Linear" : "ZOH");
  preview.DrawReferenceWave();
}

void TWaveform::LutChanged() {
  preview.DrawReferenceWave();
  if (invalidateCharts) invalidateCharts();
}

void TWaveform::EdLUTDurChange(const std::string&) { LutChanged(); }
void TWaveform::EdLUTMinChange(const std::string&) { LutChanged(); }
void TWaveform::EdLUTMaxChange(const std::string&) { LutChanged(); }

}  // namespace voltaris
