#include "waveform/schedules.h"

namespace voltaris {

namespace {

const Control* FindCheck(FormModel& form, const char* name) {
  const Control* c = form.Find(name);
  return c != nullptr && c->Kind() == ControlKind::Check ? c : nullptr;
}

TVRampShape ShapeFromTypedText(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  std::string s = text.substr(b, e - b);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (s.find("linear") != std::string::npos) return vrLinear;
  if (s.find("parab") != std::string::npos) return vrParabolic;
  if (s.find("log") != std::string::npos) return vrLog;
  return vrSmooth;
}

}  // namespace

TSchedules::TSchedules(FormModel& form)
    : edtVsteps_(form.Find("edtVsteps")),
      edtV0_(form.Find("edtV0")),
      edtVt_(form.Find("edtVt")),
      edtIStep_(form.Find("edtIStep")),
      cbVShape_(form.Find("cbVShape")),
      chkVRamp_(FindCheck(form, "chkVRamp")),
      chkIRamp_(FindCheck(form, "chkIRamp") ? FindCheck(form, "chkIRamp") : FindCheck(form, "chkRamp")) {}

std::vector<TVStep> TSchedules::VScheduleFromUI() const {
  const double vt = edtVt_ ? edtVt_->Number(3.65) : 3.65;
  return ParseVSteps(edtVsteps_ ? std::string_view(edtVsteps_->Text()) : std::string_view(), vt);
}

double TSchedules::VFromSchedule(double tSec) const { return VFromSchedule(FVSched, tSec); }

double TSchedules::VFromSchedule(const std::vector<TVStep>& sched, double tSec) const {
  const double v0 = edtV0_ ? edtV0_->Number(3.0) : 3.0;
  if (sched.empty()) return v0;
  const double vt = edtVt_ ? edtVt_->Number(3.65) : 3.65;
  return ScheduledVoltage(sched, tSec, v0, vt);
}

const std::vector<TStepPt>& TSchedules::IStepsFromUI() const {
  if (edtIStep_ == nullptr) {
    iSteps_.clear();
    return iSteps_;
  }
  if (!iStepsCached_ || edtIStep_->Text() != iStepText_) {
    iStepText_ = edtIStep_->Text();
    ParseISteps(iStepText_, iSteps_);
    iStepsCached_ = true;
  }
  return iSteps_;
}

TVRampShape TSchedules::VShapeFromUI() const {
  if (cbVShape_ == nullptr) return vrSmooth;
  const int index = cbVShape_->ItemIndex();
  const std::string& text = cbVShape_->Text();
  if (index != vShapeIndex_ || text != vShapeText_) {
    vShapeIndex_ = index;
    vShapeText_ = text;
    // The combo box is editable: a selected item counts only while its text is shown;
    // a text typed over it decides by its words.
    const auto& items = cbVShape_->Items();
    const bool itemShown =
        index >= 0 && index < static_cast<int>(items.size()) && items[static_cast<size_t>(index)] == text;
    vShape_ = itemShown && index <= vrLog ? static_cast<TVRampShape>(index) : ShapeFromTypedText(text);
  }
  return vShape_;
}

}  // namespace voltaris
