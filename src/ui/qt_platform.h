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
  std::optional<std::string> ProgramResource(const std::string& name) override;
  IWebBrowser* EmbeddedBrowser() override { return web_; }
  // The browser the window hosts (on its 3D SEI page).
  void SetEmbeddedBrowser(IWebBrowser* web) { web_ = web; }

 private:
  QWidget* parent_;
  IWebBrowser* web_ = nullptr;
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
  std::optional<std::string> ProgramResource(const std::string& name) override;
  // The window's real browser replaces the recording stand-in once set.
  IWebBrowser* EmbeddedBrowser() override { return web_ != nullptr ? web_ : RecordingPlatform::EmbeddedBrowser(); }
  void SetEmbeddedBrowser(IWebBrowser* web) { web_ = web; }

 private:
  IWebBrowser* web_ = nullptr;
};

// A chart of the form drawn off-screen for the report (white background and back wall,
// restored afterwards), as an RGB raster of exactly width x height; nothing when the
// drawing fails.
std::optional<RgbRaster> QtRenderChartRaster(ChartModel& chart, FormModel& form, int width, int height);
// PNG bytes decoded with Qt's image loader; nothing for bytes that are not a picture.
std::optional<RgbRaster> QtDecodePng(const std::string& pngBytes);

// A resource compiled into the program (":/NAME"); nothing when there is none.
std::optional<std::string> QtProgramResource(const std::string& name);

// "Session (*.hxsim)|*.hxsim|All files (*.*)|*.*" -> "Session (*.hxsim);;All files (*.*)".
QString QtFileFilter(const std::string& filter);

}  // namespace voltaris::ui
