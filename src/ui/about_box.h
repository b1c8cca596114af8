// The About box: product name, version, description and a Close button.
#pragma once

#include <QDialog>

#include "form/platform.h"

namespace voltaris::ui {

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  AboutBox(const AboutInfo& about, QWidget* parent = nullptr);
};

}  // namespace voltaris::ui
