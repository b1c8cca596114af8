#include "run/start_notes.h"

#include <algorithm>

#include "common/debug_log.h"
#include "form/form_model.h"

namespace voltaris {

namespace {
std::string BarText(const std::vector<std::string>& notes) {
  std::string bar;
  for (const std::string& n : notes) bar += (bar.empty() ? "" : TStartNotes::kSeparator) + n;
  return bar;
}
}  // namespace

void TStartNotes::Clear(FormModel& form) {
  if (!notes_.empty() && form.Find("FStatusBar") != nullptr && form.Text("FStatusBar") == BarText(notes_))
    form.SetText("FStatusBar", "");
  notes_.clear();
  keys_.clear();
}

void TStartNotes::Say(FormModel& form, const std::string& note, const std::string& key) {
  if (std::find(notes_.begin(), notes_.end(), note) != notes_.end()) return;
  const auto same = key.empty() ? keys_.end() : std::find(keys_.begin(), keys_.end(), key);
  if (same != keys_.end()) {
    notes_[static_cast<size_t>(same - keys_.begin())] = note;
  } else {
    notes_.push_back(note);
    keys_.push_back(key);
  }
  DebugOut(note);
  if (form.Find("FStatusBar") != nullptr) form.SetText("FStatusBar", BarText(notes_));
}

}  // namespace voltaris
