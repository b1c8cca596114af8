#include "ui_script.h"

#include <QApplication>
#include <QPixmap>

namespace voltaris::ui {

void WindowScriptHost::Screenshot(const std::filesystem::path& file) {
  AfterCommand();
  const QPixmap shot = window_.grab();
  if (shot.isNull() || !shot.save(QString::fromStdString(file.string()), "PNG"))
    throw ScriptError("cannot write screenshot: " + file.string());
}

void WindowScriptHost::Tick() {
  platform_.AdvanceClock(TFormPreview::kPlayIntervalMs);
  form_.PlayTimerTick();
}

void WindowScriptHost::AfterCommand() {
  window_.SyncCharts();
  QCoreApplication::processEvents();
}

}  // namespace voltaris::ui
