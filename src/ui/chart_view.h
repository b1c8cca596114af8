// Draws one chart of the chart model with Qt Charts: series with their colours, widths
// and styles, the left/right/custom axes with fixed or automatic ranges, the dark style,
// mouse zoom (remembered in the model) and double-click to undo it. Long series are drawn
// as a min/max envelope per pixel column; the model keeps every point. A sync touches only
// what changed: series are refilled in place and axis items are kept, so a live redraw
// costs little more than the painting of its lines.
#pragma once

#include <QChartView>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QStringList>
#include <QValueAxis>
#include <QXYSeries>
#include <map>
#include <string>

#include "form/form_model.h"

namespace voltaris::ui {

class ChartView : public QChartView {
  Q_OBJECT
 public:
  ChartView(ChartModel& model, FormModel& form, QWidget* parent = nullptr);

  ChartModel& Model() { return model_; }
  // Brings the drawing up to date with the model; cheap when nothing changed.
  void SyncFromModel(bool force = false);

  // Number of points handed to Qt Charts for a series (after decimation), for tests.
  qsizetype DrawnPointCount(const std::string& seriesName) const;
  // The labels drawn under the bottom axis when the chart rewrites them (for tests).
  QStringList BottomLabels() const;
  // Where the rewritten bottom labels and the bottom title are painted, in view pixels
  // (empty when the chart draws none); for tests.
  QList<QRectF> BottomLabelRects() const;
  QRectF BottomTitleRect() const;
  // The drawn series of the model's series (nullptr when there is none) and the number of
  // pixel columns its envelope is cut into; for tests.
  const QXYSeries* DrawnSeries(const std::string& seriesName) const;
  int EnvelopeColumns() const;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Markers and rewritten axis labels, painted over the chart.
  void drawForeground(QPainter* painter, const QRectF& rect) override;

 private:
  struct Drawn {
    QXYSeries* series = nullptr;
    uint64_t revision = ~uint64_t{0};
    std::string axis;
    bool scatter = false;
    int columns = -1;        // envelope columns of the drawn points
    // The model series whose points the drawn one waits for (emptied by SyncSeries), or nullptr.
    const SeriesModel* refill = nullptr;
    QList<QPointF> points;   // the prepared points, refilled in place
  };
  // The bottom labels of a chart that rewrites them, laid out at the last sync.
  struct PaintedLabel {
    QString text;
    QRectF rect;
  };

  QValueAxis* AxisFor(const std::string& name);
  void ApplyStyle();
  void ApplyAxis(QValueAxis* axis, const AxisModel& m, bool horizontal);
  // Settings of the drawn series; those whose points changed are emptied for RefillSeries.
  void SyncSeries(bool pointsToo);
  void RefillSeries();
  void SyncRanges();
  // Values of the bottom axis ticks as Qt Charts places them.
  std::vector<double> BottomTickValues() const;
  double PixelOfX(double x) const;
  // Lays out the rewritten bottom labels and the bottom title (their texts and rectangles).
  void LayOutPaintedAxis();
  // The bottom margin that leaves room for painted labels and title, and the right margin
  // that keeps the last bottom label inside the view.
  void ApplyMargins();
  bool PaintsBottomAxis() const;

  ChartModel& model_;
  FormModel& form_;
  QChart* chart_;
  QValueAxis* bottom_;
  QValueAxis* left_;
  QValueAxis* right_;
  std::map<std::string, QValueAxis*> custom_;
  std::map<std::string, Drawn> drawn_;
  uint64_t lastSignature_ = ~uint64_t{0};
  QSize lastSize_{-1, -1};
  QRectF lastPlot_;
  bool rubberBandActive_ = false;
  std::vector<PaintedLabel> painted_;
  QRectF paintedTitle_;
  QString paintedTitleText_;
};

// Draws a chart of the model into an off-screen RGB image of the given size (the
// formation report places charts as pictures).
QImage RenderChartImage(ChartModel& chart, FormModel& form, QSize size);

// Min/max envelope of a series: at most two points per column, in their original order,
// so a 200 000-point series draws like the full one at a fraction of the cost. Short
// series (and columns <= 0) are drawn point for point. Non-finite points are skipped.
void FillEnvelope(const SeriesModel& s, int columns, QList<QPointF>& out);

}  // namespace voltaris::ui
