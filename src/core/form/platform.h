// Side effects of the window behind one small interface: message boxes, file dialogs,
// the desktop's default application, the clipboard, event pumping, the screen, the
// program folder and the monotonic clock. The Qt window implements it with Qt; the
// headless form answers it from an automation script and records what happened.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "form/rgb_raster.h"
#include "form/web_browser.h"

namespace voltaris {

class ChartModel;
class FormModel;

enum class MessageKind { Error, Warning, Information, About };
const char* MessageKindName(MessageKind kind);

struct FileDialogRequest {
  std::string title{};
  std::string filter{};      // "Session (*.hxsim)|*.hxsim|All files (*.*)|*.*"
  std::string defaultExt{};  // without the dot
  std::string initialDir{};
  std::string fileName{};
};

struct ScreenSize {
  int width = 1920;
  int height = 1080;
};

// The About box content: a small modal window with a Close button.
struct AboutInfo {
  std::string title{};        // window title
  std::string product{};
  std::string version{};
  std::string description{};
};

class IPlatform {
 public:
  virtual ~IPlatform() = default;
  // A modal message box with an OK button.
  virtual void ShowMessage(MessageKind kind, const std::string& title, const std::string& text) = 0;
  virtual void ShowAbout(const AboutInfo& about) = 0;
  // The chosen file, or nothing when the user cancelled.
  virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
  // Opens a file with the desktop's default application.
  virtual void OpenWithDefaultApp(const std::string& path) = 0;
  virtual void SetClipboardText(const std::string& text) = 0;
  // Lets pending window messages be processed (keeps the window responsive in long work).
  virtual void ProcessPendingEvents() = 0;
  virtual ScreenSize Screen() = 0;
  // Folder of the program file (help file, chemistry library, INI file).
  virtual std::filesystem::path ProgramDir() = 0;
  // Monotonic milliseconds.
  virtual int64_t NowMs() = 0;
  // Draws a chart of the form into an RGB raster of exactly width x height pixels, on a
  // white background for the printed page; nothing when this platform cannot draw charts.
  virtual std::optional<RgbRaster> RenderChartRaster(ChartModel& /*chart*/, FormModel& /*form*/, int /*width*/,
                                                     int /*height*/) {
    return std::nullopt;
  }
  // Decodes the bytes of a PNG picture into an RGB raster; nothing when it cannot.
  virtual std::optional<RgbRaster> DecodePng(const std::string& /*pngBytes*/) { return std::nullopt; }
  // The temporary folder (the 3D view's page files and the browser's profile live there).
  virtual std::filesystem::path TempDir();
  // A resource compiled into the program ("PLOTLYGLJS"); nothing when the program has none.
  virtual std::optional<std::string> ProgramResource(const std::string& name);
  // The window's embedded browser (owned by the platform); nullptr when there is none.
  virtual IWebBrowser* EmbeddedBrowser() { return nullptr; }
};

// Folder of the running executable (/proc/self/exe), or the current folder.
std::filesystem::path ExecutableDir();

}  // namespace voltaris
