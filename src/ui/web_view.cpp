#include "web_view.h"

#include <unistd.h>

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "common/debug_log.h"

namespace voltaris::ui {

namespace {

constexpr uint32_t kCreationFailed = 0x80004005u;  // unspecified failure
constexpr size_t kScriptsKept = 64;

// Gives the page `window.chrome.webview.postMessage(value)`: the value goes to the
// bridge as JSON text; messages posted before the channel is up wait in a queue.
const char* const kShim = R"JS(
(function () {
  if (window.chrome && window.chrome.webview) return;
  var queue = [], bridge = null, tries = 0;
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    postMessage: function (m) {
      var text = JSON.stringify(m);
      if (bridge) bridge.post(text); else queue.push(text);
    }
  };
  function connect() {
    if (typeof qt === "undefined" || !qt.webChannelTransport || typeof QWebChannel === "undefined") {
      if (++tries < 200) setTimeout(connect, 50);
      return;
    }
    new QWebChannel(qt.webChannelTransport, function (channel) {
      bridge = channel.objects.voltarisBridge;
      queue.splice(0).forEach(function (t) { bridge.post(t); });
    });
  }
  connect();
})();
)JS";

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

void PrepareWebEngineEnvironment() {
  if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", QByteArrayLiteral("--ignore-gpu-blocklist"));
  if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", QByteArrayLiteral("1"));
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void WebPageBridge::post(const QString& json) {
  if (onMessage) onMessage(json);
}

SEI3DWebView::SEI3DWebView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FEdgeSEI3D"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  setStyleSheet(QStringLiteral("background: #111111;"));
  setMinimumHeight(120);
}

SEI3DWebView::~SEI3DWebView() {
  // The page must go before its profile.
  delete view_;
  delete channel_;
  delete page_;
  delete profile_;
}

std::string SEI3DWebView::Unavailable() const {
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
    return "no WebGL on the \"" + platform.toStdString() + "\" display platform";
  return {};
}

void SEI3DWebView::Create(const std::string& userDataFolder, CreatedHandler onCreated, MessageHandler onMessage) {
  // The creation completes asynchronously, as the platform's browser does: the window
  // paints first, then the browser engine starts.
  QTimer::singleShot(0, this, [this, userDataFolder, onCreated = std::move(onCreated),
                               onMessage = std::move(onMessage)]() mutable {
    const uint32_t code = CreateNow(userDataFolder, std::move(onMessage));
    if (onCreated) onCreated(code);
  });
}

uint32_t SEI3DWebView::CreateNow(const std::string& userDataFolder, MessageHandler onMessage) {
  if (page_ != nullptr) return 0;  // created once
  const QString folder = Q(userDataFolder);
  if (!QDir().mkpath(folder)) return kCreationFailed;
  onMessage_ = std::move(onMessage);
  profile_ = new QWebEngineProfile(QStringLiteral("VoltarisWebView2"));
  profile_->setPersistentStoragePath(folder);
  profile_->setCachePath(folder + QStringLiteral("/Cache"));
  page_ = new QWebEnginePage(profile_);
  QWebEngineSettings* s = page_->settings();
  s->setAttribute(QWebEngineSettings::WebGLEnabled, true);
  s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
  s->setAttribute(QWebEngineSettings::Accelerated2dCanvasEnabled, true);

  bridge_ = new WebPageBridge(this);
  bridge_->onMessage = [this](const QString& json) {
    if (onMessage_) onMessage_(json.toStdString());
  };
  channel_ = new QWebChannel();
  channel_->registerObject(QStringLiteral("voltarisBridge"), bridge_);
  page_->setWebChannel(channel_);

  QString source;
  QFile channelJs(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
  if (channelJs.open(QIODevice::ReadOnly))
    source = QString::fromUtf8(channelJs.readAll());
  else
    DebugOut("SEI 3D: qwebchannel.js not found; the page cannot post messages");
  source += QLatin1String(kShim);
  QWebEngineScript shim;
  shim.setName(QStringLiteral("voltaris-webview-shim"));
  shim.setInjectionPoint(QWebEngineScript::DocumentCreation);
  shim.setWorldId(QWebEngineScript::MainWorld);
  shim.setRunsOnSubFrames(false);
  shim.setSourceCode(source);
  page_->scripts().insert(shim);

  view_ = new QWebEngineView(this);
  view_->setPage(page_);
  // A tab never shown has no size yet; the page gets the size of the report's picture
  // until the layout gives it the tab's (a plot drawn at no size at all is lost).
  if (!isVisible()) view_->resize(std::max(width(), 1100), std::max(height(), 550));
  view_->setContextMenuPolicy(Qt::NoContextMenu);
  layout()->addWidget(view_);

  connect(page_, &QWebEnginePage::loadStarted, this, [this] { loading_ = true; });
  connect(page_, &QWebEnginePage::loadFinished, this, [this](bool ok) {
    if (QWidget* render = view_->focusProxy()) render->installEventFilter(this);
    loading_ = false;
    loadedOk_ = ok;
    std::vector<QString> queued;
    queued.swap(pending_);
    for (const QString& script : queued) RunNow(script);
  });
  return 0;
}

void SEI3DWebView::Navigate(const std::string& url) {
  url_ = url;
  if (page_ == nullptr) return;
  loading_ = true;  // scripts asked for from now on wait for the new page
  loadedOk_ = false;
  page_->load(QUrl(Q(url)));
}

void SEI3DWebView::ExecuteScript(const std::string& script) {
  scripts_.push_back(script);
  if (scripts_.size() > kScriptsKept) scripts_.erase(scripts_.begin());
  if (page_ == nullptr) return;
  const QString s = Q(script);
  if (loading_)
    pending_.push_back(s);
  else
    RunNow(s);
}

void SEI3DWebView::RunNow(const QString& script) { page_->runJavaScript(script); }

bool SEI3DWebView::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonDblClick)
    return QWidget::eventFilter(watched, event);
  auto* me = static_cast<QMouseEvent*>(event);
  const bool right = me->button() == Qt::RightButton || (me->buttons() & Qt::RightButton) != 0;
  if (!right) return QWidget::eventFilter(watched, event);
  // The right button becomes the middle one, which the plot's camera zooms with.
  Qt::MouseButtons buttons = me->buttons();
  if (buttons & Qt::RightButton) buttons = (buttons & ~Qt::MouseButtons(Qt::RightButton)) | Qt::MiddleButton;
  const Qt::MouseButton button = me->button() == Qt::RightButton ? Qt::MiddleButton : me->button();
  QMouseEvent remapped(type, me->position(), me->scenePosition(), me->globalPosition(), button, buttons,
                       me->modifiers(), me->pointingDevice());
  QCoreApplication::sendEvent(watched, &remapped);
  return true;
}

void SEI3DWebView::Evaluate(const QString& script, const std::function<void(const QVariant&)>& done) {
  if (page_ == nullptr) {
    done(QVariant());
    return;
  }
  page_->runJavaScript(script, [done](const QVariant& v) { done(v); });
}

}  // namespace voltaris::ui
