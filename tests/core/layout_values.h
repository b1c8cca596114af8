// Puts every control back to the initial value of the window layout, for tests that read
// the layout's defaults after window creation restored a session from the workspace.
#pragma once

#include "form/form_model.h"

namespace voltaris {

inline void RestoreLayoutValues(FormModel& form) {
  for (const LayoutRow& entry : LayoutTable()) {
    switch (entry.kind) {
      case ControlKind::Edit:
        form.SetText(entry.name, entry.text);
        break;
      case ControlKind::Check:
        form.SetChecked(entry.name, entry.checked);
        break;
      case ControlKind::Combo:
        form.SetItems(entry.name, entry.items);
        form.SetItemIndex(entry.name, entry.itemIndex);
        form.SetText(entry.name, entry.text);
        break;
      case ControlKind::Pages:
        form.SetActivePage(entry.name, entry.text);
        break;
      default:
        break;
    }
  }
}

}  // namespace voltaris
