#include "qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QDesktopServices>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <chrono>

#include "about_box.h"
#include "chart_view.h"
#include "report/formation_report.h"

namespace voltaris::ui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString label = parts[i];
    if (!label.contains(QLatin1Char('('))) label += QStringLiteral(" (") + patterns + QLatin1Char(')');
    out << label;
  }
  return out.join(QStringLiteral(";;"));
}

void QtPlatform::ShowMessage(MessageKind kind, const std::string& title, const std::string& text) {
  QMessageBox::Icon icon = QMessageBox::Critical;
  if (kind == MessageKind::Warning) icon = QMessageBox::Warning;
  if (kind == MessageKind::Information) icon = QMessageBox::Information;
  QMessageBox box(icon, Q(title), Q(text), QMessageBox::Ok, parent_);
  box.exec();
}

void QtPlatform::ShowAbout(const AboutInfo& about) {
  AboutBox box(about, parent_);
  box.exec();
}

std::optional<std::string> QtPlatform::OpenFileDialog(const FileDialogRequest& r) {
  const QString path = QFileDialog::getOpenFileName(parent_, Q(r.title), Q(r.initialDir), QtFileFilter(r.filter));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

std::optional<std::string> QtPlatform::SaveFileDialog(const FileDialogRequest& r) {
  QString start = Q(r.initialDir);
  if (!r.fileName.empty()) start = start.isEmpty() ? Q(r.fileName) : start + QLatin1Char('/') + Q(r.fileName);
  QFileDialog dialog(parent_, Q(r.title), start, QtFileFilter(r.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(Q(r.defaultExt));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void QtPlatform::OpenWithDefaultApp(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
}

void QtPlatform::SetClipboardText(const std::string& text) { QGuiApplication::clipboard()->setText(Q(text)); }

void QtPlatform::ProcessPendingEvents() { QCoreApplication::processEvents(); }

ScreenSize QtPlatform::Screen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  return {screen->geometry().width(), screen->geometry().height()};
}

std::filesystem::path QtPlatform::ProgramDir() {
  return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
}

int64_t QtPlatform::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::optional<std::string> QtProgramResource(const std::string& name) {
  QFile f(QStringLiteral(":/") + QString::fromStdString(name));
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = f.readAll();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::optional<std::string> QtPlatform::ProgramResource(const std::string& name) { return QtProgramResource(name); }

std::optional<std::string> ScriptedQtPlatform::ProgramResource(const std::string& name) {
  return QtProgramResource(name);
}

ScriptedQtPlatform::ScriptedQtPlatform() {
  programDir = std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
  if (const QScreen* s = QGuiApplication::primaryScreen()) screen = {s->geometry().width(), s->geometry().height()};
}

void ScriptedQtPlatform::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void ScriptedQtPlatform::SetClipboardText(const std::string& text) {
  RecordingPlatform::SetClipboardText(text);
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

namespace {
// The pixels of an image as top-to-bottom R, G, B rows without padding.
std::optional<RgbRaster> RasterOf(const QImage& source) {
  if (source.isNull() || source.width() <= 0 || source.height() <= 0) return std::nullopt;
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  RgbRaster raster;
  raster.width = image.width();
  raster.height = image.height();
  const size_t rowBytes = static_cast<size_t>(raster.width) * 3u;
  raster.rgb.resize(rowBytes * static_cast<size_t>(raster.height));
  for (int y = 0; y < raster.height; ++y)
    std::copy_n(image.constScanLine(y), rowBytes, raster.rgb.data() + rowBytes * static_cast<size_t>(y));
  return raster;
}
}  // namespace

std::optional<RgbRaster> QtRenderChartRaster(ChartModel& chart, FormModel& form, int width, int height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  QImage image;
  {
    const TWhiteChartScope white(chart);
    image = RenderChartImage(chart, form, QSize(width, height));
  }
  if (image.width() != width || image.height() != height) {
    if (image.isNull()) return std::nullopt;
    // A high-density screen grabs more pixels than asked: scale back to the raster size.
    image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return RasterOf(image);
}

std::optional<RgbRaster> QtDecodePng(const std::string& pngBytes) {
  QImage image;
  if (!image.loadFromData(reinterpret_cast<const uchar*>(pngBytes.data()), static_cast<int>(pngBytes.size()),
                          "PNG"))
    return std::nullopt;
  // Transparent parts of the picture become white, as on a page.
  QImage flat(image.size(), QImage::Format_RGB888);
  flat.fill(Qt::white);
  {
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
  }
  return RasterOf(flat);
}

std::optional<RgbRaster> QtPlatform::RenderChartRaster(ChartModel& chart, FormModel& form, int width, int height) {
  return QtRenderChartRaster(chart, form, width, height);
}

std::optional<RgbRaster> QtPlatform::DecodePng(const std::string& pngBytes) { return QtDecodePng(pngBytes); }

std::optional<RgbRaster> ScriptedQtPlatform::RenderChartRaster(ChartModel& chart, FormModel& form, int width,
                                                               int height) {
  return QtRenderChartRaster(chart, form, width, height);
}

std::optional<RgbRaster> ScriptedQtPlatform::DecodePng(const std::string& pngBytes) { return QtDecodePng(pngBytes); }

}  // namespace voltaris::ui
