// What a run may start with: every number that reaches the models is finite and
// physically possible. A run either has finite figures or does not start.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace voltaris {

class Control;
struct TChemParams;
class FormModel;

// The range an entry of the window must lie in when its text reads as a number.
struct TEntryRange {
  std::string_view control;  // control name
  double lo;
  double hi;
};

// Checks the run's entries and the documents the session names (pattern, chemistry,
// defaults, calibration). Fails with a FormError naming the entry (its label) or the
// document field with its value; a document that cannot be read fails with the reader's
// message and a second line "File: <path>". Changes nothing.
void CheckRunInputs(FormModel& form);

// The checks of the entries alone (no document is read).
void CheckRunEntries(FormModel& form);

// What Start takes in place of the formation time and the response time when they hold
// no usable value, one note per entry saying what the run does instead.
std::vector<std::string> EntrySubstitutions(FormModel& form);

// The chemistry entries of the panel whose value the run's parameters `run` did not take
// (text that is no number, a value out of the range the run takes, a number in the other
// decimal format), one note each with the value the run keeps.
std::vector<std::string> ChemEntrySubstitutions(FormModel& form, const TChemParams& run);

// A note on an entry: its label (or name), its text cut to fit, then `what` and a full stop.
std::string EntryNote(const Control& entry, const std::string& what);

// `text` cut to a length fit for a message that echoes it.
std::string EchoText(std::string_view text);

}  // namespace voltaris
