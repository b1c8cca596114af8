// Draws one chart of the chart model with Qt Charts: series with their colours, widths
// and styles, the left/right/custom axes with fixed or automatic ranges, the dark style,
// mouse zoom (remembered in the model) and double-click to undo it. Long series are drawn
// as a min/max envelope per pixel column; the model keeps every point.
#pragma once

#include <QChartView>
#include <QImage>
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
  };

  QValueAxis* AxisFor(const std::string& name);
  void ApplyStyle();
  void ApplyAxis(QValueAxis* axis, const AxisModel& m, bool horizontal);
  void SyncSeries(bool pointsToo);
  void SyncRanges();
  // Values of the bottom axis ticks as Qt Charts places them.
  std::vector<double> BottomTickValues() const;
  double PixelOfX(double x) const;

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
  bool rubberBandActive_ = false;
};

// Draws a chart of the model into an off-screen RGB image of the given size (the
// formation report places charts as pictures).
QImage RenderChartImage(ChartModel& chart, FormModel& form, QSize size);

}  // namespace voltaris::ui
