// The window's charts as a user reads them: axis titles, time labels inside the view and
// apart from each other, round ticks on small charts, zoom undone by a double-click, and
// live series refilled in place with the model's envelope.
#include <QApplication>
#include <QLineSeries>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>
#include <cmath>
#include <utility>
#include <memory>

#include "chart_view.h"
#include "form/layout.h"
#include "form/recording_platform.h"
#include "main_window.h"
#include "window/form_preview.h"
#include "window_fixture.h"

using namespace voltaris;

namespace {

// Labels and title of a painted bottom axis: every rectangle inside the view, none
// touching another, no label twice.
QString PaintedAxisFault(const ui::ChartView& view) {
  const QRectF inside = QRectF(view.rect());
  const QList<QRectF> rects = view.BottomLabelRects();
  const QStringList labels = view.BottomLabels();
  QList<QRectF> all = rects;
  if (!view.BottomTitleRect().isEmpty()) all << view.BottomTitleRect();
  for (qsizetype i = 0; i < all.size(); ++i) {
    if (!inside.contains(all[i])) return QStringLiteral("outside the view: %1").arg(i < labels.size() ? labels[i] : QStringLiteral("title"));
    for (qsizetype j = i + 1; j < all.size(); ++j)
      if (all[i].intersects(all[j])) return QStringLiteral("overlap of %1 and %2").arg(i).arg(j);
  }
  for (qsizetype i = 1; i < labels.size(); ++i)
    if (labels[i] == labels[i - 1]) return QStringLiteral("label twice: ") + labels[i];
  for (const QString& l : labels)
    if (l.contains(QStringLiteral("..")) || l.contains(QChar(0x2026))) return QStringLiteral("elided: ") + l;
  return {};
}

// Ticks a value axis draws (multiples of its interval inside its range).
int TickCount(const QValueAxis* axis) {
  if (axis->tickType() != QValueAxis::TicksDynamic || !(axis->tickInterval() > 0)) return axis->tickCount();
  const double step = axis->tickInterval();
  int n = 0;
  for (double v = std::ceil(axis->min() / step - 1e-9) * step; v <= axis->max() + step * 1e-9; v += step) ++n;
  return n;
}

}  // namespace

class ChartViewTest : public WindowFixture {
  Q_OBJECT

 private:

  void Open(QSize size) {
    OpenWindow(size);
    Settle();
  }

  // Lets the window lay out and the charts follow (the window's tick does the same).
  void Settle() {
    for (int i = 0; i < 3; ++i) {
      window_->SyncCharts();
      QCoreApplication::processEvents();
    }
  }

  void Tick(int n) {
    for (int i = 0; i < n; ++i) {
      platform_->AdvanceClock(TFormPreview::kPlayIntervalMs);
      form_->PlayTimerTick();
    }
    Settle();
  }

  void StartRun() {
    FormModel& m = form_->Form();
    m.SetText("edtFs", "1");
    m.SetActivePage("PcParams", "TsSine");
    window_->findChild<QSlider*>(QStringLiteral("tbSpeed"))->setValue(150);
    window_->findChild<QPushButton*>(QStringLiteral("btnStart"))->click();
    QVERIFY(form_->IsPlaying());
  }

 private slots:
  void cleanup() { CloseWindow(); }

  // The current and voltage charts show "Time (s)" under their time labels, before and
  // during a run, at the smallest supported window and a full-HD one; the last label of
  // the 0..30 s window ("30") is whole and inside the view.
  void liveChartsShowTheirTimeTitleAndWholeLabels_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("1280x800") << QSize(1280, 800);
    QTest::newRow("1920x1080") << QSize(1920, 1080);
  }
  void liveChartsShowTheirTimeTitleAndWholeLabels() {
    QFETCH(QSize, size);
    Open(size);
    for (const char* name : {"chI", "chV"}) {
      ui::ChartView* view = window_->Chart(name);
      QVERIFY(!view->BottomTitleRect().isEmpty());
      QCOMPARE(view->BottomLabels().last(), QStringLiteral("30"));
      QVERIFY2(PaintedAxisFault(*view).isEmpty(), qPrintable(QString::fromLatin1(name) + QStringLiteral(": ") + PaintedAxisFault(*view)));
    }
    StartRun();
    Tick(200);
    for (const char* name : {"chI", "chV"}) {
      ui::ChartView* view = window_->Chart(name);
      QVERIFY(!view->BottomTitleRect().isEmpty());
      QVERIFY(view->BottomLabels().size() >= 3);
      QVERIFY2(PaintedAxisFault(*view).isEmpty(), qPrintable(QString::fromLatin1(name) + QStringLiteral(": ") + PaintedAxisFault(*view)));
    }
  }

  // A marker on the corner of the data (the state of charge at 100 % on the OCV curve, or
  // at 0 % before a run) is drawn whole: the automatic ranges keep its radius inside the plot.
  void markersOnTheEdgeOfTheDataAreWhole() {
    Open(QSize(1280, 800));
    ChartModel& chart = form_->Form().Chart("chOCV");
    for (const auto& series : chart.Series()) series->Clear();
    SeriesModel& curve = chart.AddSeries("cornerCurve", SeriesKind::Line);
    for (const auto& [soc, ocv] : {std::pair{0.0, 3.0}, std::pair{50.0, 3.3}, std::pair{100.0, 3.6}}) curve.Add(soc, ocv);
    SeriesModel& mark = chart.AddSeries("cornerMarks", SeriesKind::Point);
    mark.pointSize = 6;
    mark.Add(100.0, 3.6);
    mark.Add(0.0, 3.0);
    chart.Invalidate();
    Settle();
    QChart* drawn = window_->Chart("chOCV")->chart();
    const QRectF plot = drawn->plotArea();
    const auto* bottom = qobject_cast<QValueAxis*>(drawn->axes(Qt::Horizontal).first());
    const auto* left = qobject_cast<QValueAxis*>(drawn->axes(Qt::Vertical).first());
    QVERIFY(bottom != nullptr && left != nullptr);
    const double radius = (6 + 2) / 2.0;
    for (const auto& [x, y] : {std::pair{100.0, 3.6}, std::pair{0.0, 3.0}}) {
      const double px = plot.left() + (x - bottom->min()) / (bottom->max() - bottom->min()) * plot.width();
      const double py = plot.bottom() - (y - left->min()) / (left->max() - left->min()) * plot.height();
      QVERIFY2(px - radius >= plot.left() - 0.5 && px + radius <= plot.right() + 0.5,
               qPrintable(QStringLiteral("x %1 px in %2..%3").arg(px).arg(plot.left()).arg(plot.right())));
      QVERIFY2(py - radius >= plot.top() - 0.5 && py + radius <= plot.bottom() + 0.5,
               qPrintable(QStringLiteral("y %1 px in %2..%3").arg(py).arg(plot.top()).arg(plot.bottom())));
    }
  }

  // A zoom to an odd range keeps the time labels whole seconds, distinct and apart.
  void zoomedTimeLabelsStayApart() {
    Open(QSize(1280, 800));
    ChartModel& chart = form_->Form().Chart("chI");
    for (const ZoomRange& zoom : {ZoomRange{1.37, 2.81, 0, 1}, ZoomRange{12.3, 27.9, 0, 5}, ZoomRange{0.2, 29.6, 1, 2}}) {
      chart.SetZoom(zoom);
      Settle();
      ui::ChartView* view = window_->Chart("chI");
      QVERIFY2(PaintedAxisFault(*view).isEmpty(), qPrintable(PaintedAxisFault(*view)));
      QVERIFY(!view->BottomLabels().isEmpty());
    }
  }

  // After a Stop and a new Start the temperature chart's time labels are whole.
  void temperatureLabelsAfterStopAndStart() {
    Open(QSize(1920, 1080));
    StartRun();
    Tick(50);
    window_->findChild<QPushButton*>(QStringLiteral("btnStop"))->click();
    Settle();
    window_->findChild<QPushButton*>(QStringLiteral("btnStart"))->click();
    Tick(20);
    ui::ChartView* view = window_->Chart("chT");
    QVERIFY2(PaintedAxisFault(*view).isEmpty(), qPrintable(PaintedAxisFault(*view)));
  }

  // A short SEI chart still has at least two round ticks on each value axis.
  void smallSeiChartHasSeveralTicksPerAxis() {
    Open(QSize(1366, 768));
    ChartModel& chart = form_->Form().Chart("chSEI");
    SeriesModel* sei = chart.FindSeries("FSerSEI");
    SeriesModel* rate = chart.FindSeries("FSerSEIRate");
    QVERIFY(sei != nullptr && rate != nullptr);
    for (int i = 0; i <= 300; ++i) {
      sei->Add(90 + i * 0.1, 3.131 + i * 1e-4);
      rate->Add(90 + i * 0.1, 0.0004 + (i % 7) * 0.0003);
    }
    chart.bottom.SetFixed(90, 120);
    chart.left.SetAutomatic();
    chart.right.SetAutomatic();
    chart.Invalidate();
    ui::ChartView* view = window_->Chart("chSEI");
    view->setFixedHeight(120);
    Settle();
    for (QAbstractAxis* a : view->chart()->axes(Qt::Vertical)) {
      auto* axis = qobject_cast<QValueAxis*>(a);
      if (axis == nullptr || !axis->isVisible()) continue;
      QVERIFY2(TickCount(axis) >= 2, qPrintable(QStringLiteral("%1..%2 by %3").arg(axis->min()).arg(axis->max()).arg(axis->tickInterval())));
      const double step = axis->tickInterval();
      const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
      QVERIFY2(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 2.5) < 1e-9 ||
                   std::fabs(mantissa - 5) < 1e-9,
               qPrintable(QString::number(step)));
    }
  }

  // Every chart the mouse may zoom undoes a zoom on a double-click, the reference preview
  // and the OCV chart included; a rubber band drawn with the mouse is undone the same way.
  void doubleClickUndoesZoomOnEveryZoomableChart() {
    Open(QSize(1920, 1080));
    for (const LayoutRow& row : LayoutTable()) {
      if (row.kind != ControlKind::Chart) continue;
      ChartModel& chart = form_->Form().Chart(row.name);
      ui::ChartView* view = window_->Chart(row.name);
      QVERIFY(view != nullptr);
      if (!chart.zoomAllowed) continue;
      chart.SetZoom({0.25, 0.75, 0.25, 0.75});
      Settle();
      QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->viewport()->rect().center());
      QVERIFY2(!chart.Zoom().has_value(), row.name.c_str());
    }
    ChartModel& wave = form_->Form().Chart("chWave");
    ui::ChartView* view = window_->Chart("chWave");
    const QRect r = view->viewport()->rect();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, r.center() - QPoint(40, 15));
    QTest::mouseMove(view->viewport(), r.center() + QPoint(40, 15));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, r.center() + QPoint(40, 15));
    QVERIFY(wave.Zoom().has_value());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, r.center());
    QVERIFY(!wave.Zoom().has_value());
  }

  // Live redraws refill the same series objects, with exactly the model's envelope.
  void liveSeriesAreRefilledInPlace() {
    Open(QSize(1366, 768));
    StartRun();
    Tick(10);
    ui::ChartView* view = window_->Chart("chI");
    const QXYSeries* before = view->DrawnSeries("FSerI");
    QVERIFY(before != nullptr);
    for (int round = 0; round < 3; ++round) {
      Tick(10);
      QCOMPARE(view->DrawnSeries("FSerI"), before);
      for (const char* chartName : {"chI", "chV", "chSEI"}) {
        ui::ChartView* v = window_->Chart(chartName);
        for (const auto& s : v->Model().Series()) {
          QList<QPointF> envelope;
          ui::FillEnvelope(*s, s->kind == SeriesKind::Point ? 0 : v->EnvelopeColumns(), envelope);
          QCOMPARE(v->DrawnPointCount(s->name), envelope.size());
        }
      }
    }
    QVERIFY(view->DrawnPointCount("FSerI") > 10);
  }
};

QTEST_MAIN(ChartViewTest)
#include "chart_view_test.moc"
