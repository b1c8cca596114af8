// Voltaris Battery Formation Simulator: the desktop program. Creates the main window and
// runs the event loop. With VOLTARIS_UI_SCRIPT=FILE it runs that automation script once
// the window is shown, then exits with the script's exit code.
#include <QApplication>
#include <QTimer>
#include <memory>

#include "main_window.h"
#include "qt_platform.h"
#include "ui_script.h"
#include "web_view.h"

int main(int argc, char** argv) {
  voltaris::ui::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Voltaris"));
  const QString scriptFile = qEnvironmentVariable("VOLTARIS_UI_SCRIPT");
  const bool scripted = !scriptFile.isEmpty();

  std::unique_ptr<voltaris::ui::QtPlatform> desktop;
  std::unique_ptr<voltaris::ui::ScriptedQtPlatform> recording;
  std::unique_ptr<voltaris::DebugCapture> capture;
  voltaris::IPlatform* platform = nullptr;
  if (scripted) {
    recording = std::make_unique<voltaris::ui::ScriptedQtPlatform>();
    capture = std::make_unique<voltaris::DebugCapture>(recording->debugLines);
    platform = recording.get();
  } else {
    desktop = std::make_unique<voltaris::ui::QtPlatform>();
    platform = desktop.get();
  }

  voltaris::TFormPreview form(*platform);
  voltaris::ui::MainWindow window(form, scripted);
  if (desktop) desktop->SetParentWindow(&window);
  if (desktop) desktop->SetEmbeddedBrowser(window.EmbeddedBrowser());
  if (recording) recording->SetEmbeddedBrowser(window.EmbeddedBrowser());
  form.FormCreate();
  window.show();
  form.FormShow();

  std::unique_ptr<voltaris::ui::WindowScriptHost> host;
  std::unique_ptr<voltaris::ScriptRunner> runner;
  if (scripted) {
    host = std::make_unique<voltaris::ui::WindowScriptHost>(window, form, *recording);
    runner = std::make_unique<voltaris::ScriptRunner>(form, *recording, *host);
    QTimer::singleShot(0, &window, [&] {
      const int code = runner->RunFile(scriptFile.toStdString());
      QCoreApplication::exit(code);
    });
  }
  const int code = QApplication::exec();
  // A script's quit ends the event loop without closing the window: shut down here (once).
  form.FormDestroy();
  return code;
}
