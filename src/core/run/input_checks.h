// What a run may start with: every number that reaches the models is finite and
// physically possible. A run either has finite figures or does not start.
#pragma once

#include <string>
#include <string_view>

namespace voltaris {

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

// `text` cut to a length fit for a message that echoes it.
std::string EchoText(std::string_view text);

}  // namespace voltaris
