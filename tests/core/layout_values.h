// Puts every control back to the initial value of the window layout, for tests that read
// the layout's defaults after window creation restored a session from the workspace.
#pragma once

#include "form/form_model.h"

namespace voltaris {

inline void RestoreLayoutValues(FormModel& form) {
  for (const ControlSpec& spec : LayoutTable()) {
    switch (spec.kind) {
      case ControlKind::Edit:
        form.SetText(spec.name, spec.text);
        break;
      case ControlKind::Check:
        form.SetChecked(spec.name, spec.checked);
        break;
      case ControlKind::Combo:
        form.SetItems(spec.name, spec.items);
        form.SetItemIndex(spec.name, spec.itemIndex);
        form.SetText(spec.name, spec.text);
        break;
      case ControlKind::Pages:
        form.SetActivePage(spec.name, spec.text);
        break;
      default:
        break;
    }
  }
}

}  // namespace voltaris
