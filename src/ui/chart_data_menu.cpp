#include "chart_data_menu.h"

#include <QAction>
#include <QBuffer>
#include <QByteArray>
#include <algorithm>
#include <exception>
#include <string_view>

#include "documents/text_file.h"
#include "form/chart_csv.h"

namespace voltaris::ui {

void SaveChartImage(ChartView& view, FormModel& form, IPlatform& platform) {
  ChartModel& chart = view.Model();
  const std::optional<std::string> file = platform.SaveFileDialog(ChartPngDialog(chart));
  if (!file) return;
  const QSize size(std::max(view.width(), 640), std::max(view.height(), 360));
  const QImage image = RenderChartImage(chart, form, size);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    platform.ShowMessage(MessageKind::Error, "Error", "The chart picture could not be encoded as PNG.");
    return;
  }
  try {
    WriteFileReplacing(*file, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  } catch (const std::exception& e) {
    platform.ShowMessage(MessageKind::Error, "Error", e.what());
  }
}

void InstallChartDataMenu(ChartView& view, FormModel& form, IPlatform& platform) {
  auto* menu = new QMenu(&view);
  menu->setObjectName(QStringLiteral("ChartDataMenu"));
  ChartView* v = &view;
  QObject::connect(menu->addAction(QString::fromUtf8(kExportChartCsvCaption)), &QAction::triggered, v,
                   [v, &platform] { ExportChartDataWithDialog(platform, v->Model()); });
  QObject::connect(menu->addAction(QString::fromUtf8(kCopyChartDataCaption)), &QAction::triggered, v,
                   [v, &platform] { CopyChartData(platform, v->Model()); });
  QObject::connect(menu->addAction(QString::fromUtf8(kSaveChartPngCaption)), &QAction::triggered, v,
                   [v, &form, &platform] { SaveChartImage(*v, form, platform); });
  view.setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(&view, &QWidget::customContextMenuRequested, menu,
                   [v, menu](const QPoint& pos) { menu->popup(v->mapToGlobal(pos)); });
}

}  // namespace voltaris::ui
