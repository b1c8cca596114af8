// The notes of a Start: each value the run takes in place of what the user gave (an
// unreadable formation time runs 60 minutes, a missing chemistry file runs the built-in
// LFP set, a response time too long for the run leaves the reference wave empty, ...).
// Each is said once per Start, where the user sees it - the status bar - and on the debug
// channel, whose lines the automation dump keeps; the dump also lists them as
// "FStartNotes". The substitutions themselves stay as they are.
#pragma once

#include <string>
#include <vector>

namespace voltaris {

class FormModel;

class TStartNotes {
 public:
  // The status bar separates the notes of one Start with this.
  static constexpr const char* kSeparator = "  |  ";

  // A new Start: no note said yet; the status bar no longer shows the last Start's notes.
  void Clear(FormModel& form);
  // Says `note` unless it was said since the last Clear: a debug line, and the status bar
  // shows every note of this Start. A note with a `key` replaces the earlier note of the
  // same key (an entry edited again during the run).
  void Say(FormModel& form, const std::string& note, const std::string& key = {});
  const std::vector<std::string>& Notes() const { return notes_; }

 private:
  std::vector<std::string> notes_;
  std::vector<std::string> keys_;  // one per note ("" for none)
};

}  // namespace voltaris
