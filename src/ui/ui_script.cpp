#include "ui_script.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
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

void WindowScriptHost::WaitWeb(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
  AfterCommand();
}

void WindowScriptHost::AfterCommand() {
  window_.SyncCharts();
  QCoreApplication::processEvents();
}

}  // namespace voltaris::ui
