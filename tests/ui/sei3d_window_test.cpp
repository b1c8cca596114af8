// The 3D SEI page in the real window under the X server: Qt WebEngine with software
// WebGL draws the plotly surface of a finished run and hands back its PNG.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>
#include <memory>

#include "automation/script_runner.h"
#include "main_window.h"
#include "qt_platform.h"
#include "ui_script.h"
#include "web_view.h"

using namespace voltaris;

namespace {

// Evaluates `script` in the page and waits (at most `ms`) for its value.
QVariant Ask(ui::SEI3DWebView& web, const QString& script, int ms = 10000) {
  bool done = false;
  QVariant value;
  web.Evaluate(script, [&](const QVariant& v) {
    value = v;
    done = true;
  });
  QElapsedTimer t;
  t.start();
  while (!done && t.elapsed() < ms) QTest::qWait(10);
  return value;
}

// Share of pixels that are clearly coloured (not grey): the surface's colour scale.
double ColouredShare(const QImage& image) {
  const QImage img = image.convertToFormat(QImage::Format_RGB32);
  qint64 coloured = 0;
  for (int y = 0; y < img.height(); y += 2)
    for (int x = 0; x < img.width(); x += 2) {
      const QColor c = QColor::fromRgb(img.pixel(x, y));
      if (c.hsvSaturation() > 120 && c.value() > 80) ++coloured;
    }
  return static_cast<double>(coloured) / (static_cast<double>(img.width()) * img.height() / 4.0);
}

}  // namespace

class SEI3DWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void aFinishedRunIsDrawnAsASurfaceAndCapturedAsPng() {
    QTemporaryDir dir;
    ui::ScriptedQtPlatform platform;
    platform.tempDir = dir.filePath(QStringLiteral("tmp")).toStdString();
    std::filesystem::create_directories(platform.tempDir);
    TFormPreview form(platform);
    ui::MainWindow window(form, true);
    platform.SetEmbeddedBrowser(window.EmbeddedBrowser());
    form.FormCreate();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ui::SEI3DWebView& web = *window.EmbeddedBrowser();

    // The page with its placeholder plot.
    QTRY_VERIFY_WITH_TIMEOUT(form.sei3d.FPlotlyReady, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(web.LoadedOk(), 60000);
    QCOMPARE(Ask(web, QStringLiteral("document.getElementById('plot').data[0].type")).toString(),
             QStringLiteral("surface"));
    QCOMPARE(Ask(web, QStringLiteral("typeof window.chrome.webview.postMessage")).toString(),
             QStringLiteral("function"));

    ui::WindowScriptHost host(window, form, platform);
    ScriptRunner runner(form, platform, host);
    QCOMPARE(runner.RunText("set edtFs 1000\nset EdTotalMs 20\npage PcParams TsSine\nset tbSpeed 150\n"
                            "click btnStart\nrun-to-end\n"),
             0);
    QElapsedTimer sinceEnd;
    sinceEnd.start();
    QVERIFY(form.sei3d.FSEI3DReady);
    // The page holds the run's surface: 120 time rows of 24 positions.
    const QString shape = QStringLiteral(
        "(function(){var d=document.getElementById('plot').data[0];"
        "return d.type+','+d.z.length+','+d.z[0].length+','+d.x.length+','+d.y.length;})()");
    QString got;
    for (int i = 0; i < 500 && got != QStringLiteral("surface,120,24,24,120"); ++i) {
      got = Ask(web, shape).toString();
      if (got != QStringLiteral("surface,120,24,24,120")) QTest::qWait(10);
    }
    QCOMPARE(got, QStringLiteral("surface,120,24,24,120"));
    qInfo("SEI 3D surface in the page %lld ms after the end of the run", static_cast<long long>(sinceEnd.elapsed()));

    // The report's picture: a PNG data URL posted back through the page channel.
    QElapsedTimer captureTime;
    captureTime.start();
    const std::optional<std::string> png = form.sei3d.CapturePng(30000);
    QVERIFY(png.has_value());
    qInfo("capture of the surface: %lld ms, %zu bytes", static_cast<long long>(captureTime.elapsed()), png->size());
    QImage picture;
    QVERIFY(picture.loadFromData(reinterpret_cast<const uchar*>(png->data()), static_cast<int>(png->size()), "PNG"));
    QCOMPARE(picture.size(), QSize(1100, 550));
    QVERIFY2(ColouredShare(picture) > 0.05, "the captured picture shows no coloured surface");

    // The 3D tab as the user sees it.
    QCOMPARE(runner.RunText("page FMidPageCtrl FTsSEI3D\nwait-web 3000\n"), 0);
    // The plot follows the tab's size.
    const QString size = Ask(web, QStringLiteral("(function(){var l=document.getElementById('plot')._fullLayout;"
                                                 "return l.width+'x'+l.height;})()"))
                             .toString();
    qInfo("plot size on the 3D tab: %s (browser %dx%d)", qPrintable(size), web.width(), web.height());
    QCOMPARE(size, QStringLiteral("%1x%2").arg(web.View()->width()).arg(web.View()->height()));
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("FMidPageCtrl"));
    QVERIFY(tabs != nullptr);
    QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("FTsSEI3D"));
    const QString out = qEnvironmentVariable("VOLTARIS_SEI3D_SHOT_DIR");
    if (!out.isEmpty()) {
      // From the X server: the browser's GL drawing is not in a widget grab.
      QGuiApplication::primaryScreen()->grabWindow(window.winId()).save(out + QStringLiteral("/sei3d_tab.png"), "PNG");
      window.grab().save(out + QStringLiteral("/sei3d_tab_widgets.png"), "PNG");
      picture.save(out + QStringLiteral("/sei3d_capture.png"), "PNG");
    }
    QVERIFY(window.findChild<QWidget*>(QStringLiteral("lblSEI3DInfo"))->isHidden());
    QCOMPARE(form.Form().Get("MemoSimStats1").Lines().empty(), false);
    QVERIFY(platform.messages.empty());
  }
};

int main(int argc, char** argv) {
  ui::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  SEI3DWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "sei3d_window_test.moc"
