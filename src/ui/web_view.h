// The embedded browser of the 3D SEI view, done with Qt WebEngine: a profile of its own
// in the given user-data folder, local pages, scripts run in the page, and messages the
// page posts through `window.chrome.webview.postMessage(text)` — a small shim over Qt
// WebChannel, injected into every page, hands them to the core as JSON strings.
#pragma once

#include <QString>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "form/web_browser.h"

class QWebChannel;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace voltaris::ui {

// Environment of the browser engine, set before the application object exists: software
// WebGL under a virtual X server needs "--ignore-gpu-blocklist" (unless the user set his
// own Chromium flags), and the engine's sandbox cannot run as root.
void PrepareWebEngineEnvironment();

// The object the page's shim talks to.
class WebPageBridge : public QObject {
  Q_OBJECT
 public:
  explicit WebPageBridge(QObject* parent = nullptr) : QObject(parent) {}
  std::function<void(const QString& json)> onMessage;
 public slots:
  void post(const QString& json);
};

class SEI3DWebView : public QWidget, public IWebBrowser {
  Q_OBJECT
 public:
  explicit SEI3DWebView(QWidget* parent = nullptr);
  ~SEI3DWebView() override;

  std::string Unavailable() const override;
  void Create(const std::string& userDataFolder, CreatedHandler onCreated, MessageHandler onMessage) override;
  void Navigate(const std::string& url) override;
  void ExecuteScript(const std::string& script) override;
  const std::string& Url() const override { return url_; }
  const std::vector<std::string>& Scripts() const override { return scripts_; }

  // Runs `script` in the page and hands its value to `done` (tests ask the page this way).
  void Evaluate(const QString& script, const std::function<void(const QVariant&)>& done);
  bool Loading() const { return loading_; }
  bool LoadedOk() const { return loadedOk_; }
  QWebEngineView* View() const { return view_; }

 protected:
  // The surface's mouse keys as the page's hint promises them: left-drag rotates,
  // right-drag zooms (the plot zooms on the middle button), Ctrl+drag pans.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RunNow(const QString& script);
  // Builds profile, page, channel and view; the result code of the creation.
  uint32_t CreateNow(const std::string& userDataFolder, MessageHandler onMessage);

  QWebEngineProfile* profile_ = nullptr;
  QWebEnginePage* page_ = nullptr;
  QWebEngineView* view_ = nullptr;
  QWebChannel* channel_ = nullptr;
  WebPageBridge* bridge_ = nullptr;
  MessageHandler onMessage_{};
  bool loading_ = false;
  bool loadedOk_ = false;
  std::vector<QString> pending_{};  // scripts asked for while a page loads
  std::string url_{};
  std::vector<std::string> scripts_{};  // the most recent scripts, for the dump
};

}  // namespace voltaris::ui
