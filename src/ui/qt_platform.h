// The platform services of the desktop window, done with Qt: message boxes, the About
// box, file dialogs, the default application, the clipboard, the screen.
#pragma once

#include <QWidget>

#include "form/recording_platform.h"

namespace voltaris::ui {

class QtPlatform : public IPlatform {
 public:
  explicit QtPlatform(QWidget* parentWindow = nullptr) : parent_(parentWindow) {}
  void SetParentWindow(QWidget* w) { parent_ = w; }

  void ShowMessage(MessageKind kind, const std::string& title, const std::string& text) override;
  void ShowAbout(const AboutInfo& about) override;
  std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
  void OpenWithDefaultApp(const std::string& path) override;
  void SetClipboardText(const std::string& text) override;
  void ProcessPendingEvents() override;
  ScreenSize Screen() override;
  std::filesystem::path ProgramDir() override;
  int64_t NowMs() override;
  std::optional<RgbRaster> RenderChartRaster(ChartModel& chart, FormModel& form, int width, int height) override;
  std::optional<RgbRaster> DecodePng(const std::string& pngBytes) override;

 private:
  QWidget* parent_;
};

// The window driven by an automation script: message boxes, the About box and file
// dialogs are recorded and answered from the script (nothing modal blocks the script),
// opening a file is recorded, not done, and the play timer runs on a virtual clock.
class ScriptedQtPlatform : public RecordingPlatform {
 public:
  ScriptedQtPlatform();
  void ProcessPendingEvents() override;
  void SetClipboardText(const std::string& text) override;
  std::optional<RgbRaster> RenderChartRaster(ChartModel& chart, FormModel& form, int width, int height) override;
  std::optional<RgbRaster> DecodePng(const std::string& pngBytes) override;
};

// A chart of the form drawn off-screen for the report (white background and back wall,
// restored afterwards), as an RGB raster of exactly width x height; nothing when the
// drawing fails.
std::optional<RgbRaster> QtRenderChartRaster(ChartModel& chart, FormModel& form, int width, int height);
// PNG bytes decoded with Qt's image loader; nothing for bytes that are not a picture.
std::optional<RgbRaster> QtDecodePng(const std::string& pngBytes);

// "Session (*.hxsim)|*.hxsim|All files (*.*)|*.*" -> "Session (*.hxsim);;All files (*.*)".
QString QtFileFilter(const std::string& filter);

}  // namespace voltaris::ui
