#include "chart_view.h"

#include <QChart>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QScatterSeries>
#include <algorithm>
#include <cmath>
#include <limits>

namespace voltaris::ui {

namespace {

QColor C(const Rgb& c) { return QColor(c.r, c.g, c.b); }

// Min/max envelope: at most two points per bucket, in their original order, so a
// 200 000-point series draws like the full one at a fraction of the cost.
QList<QPointF> Envelope(const SeriesModel& s, int buckets) {
  const size_t n = s.Count();
  QList<QPointF> out;
  auto finite = [&](size_t i) { return std::isfinite(s.X(i)) && std::isfinite(s.Y(i)); };
  if (buckets <= 0 || n <= static_cast<size_t>(buckets) * 3) {
    out.reserve(static_cast<qsizetype>(n));
    for (size_t i = 0; i < n; ++i)
      if (finite(i)) out.append(QPointF(s.X(i), s.Y(i)));
    return out;
  }
  out.reserve(static_cast<qsizetype>(buckets) * 2 + 2);
  const size_t per = (n + static_cast<size_t>(buckets) - 1) / static_cast<size_t>(buckets);
  for (size_t b = 0; b < n; b += per) {
    const size_t e = std::min(n, b + per);
    size_t iMin = e, iMax = e;
    for (size_t i = b; i < e; ++i) {
      if (!finite(i)) continue;
      if (iMin == e || s.Y(i) < s.Y(iMin)) iMin = i;
      if (iMax == e || s.Y(i) > s.Y(iMax)) iMax = i;
    }
    if (iMin == e) continue;
    const size_t first = std::min(iMin, iMax), second = std::max(iMin, iMax);
    out.append(QPointF(s.X(first), s.Y(first)));
    if (second != first) out.append(QPointF(s.X(second), s.Y(second)));
  }
  return out;
}

// A value format of the pattern kind ("0", "0.0", "0.##") as a printf format for the axis
// labels; an empty pattern lets the chart choose.
QString LabelFormat(const std::string& pattern) {
  if (pattern.empty()) return QStringLiteral("%g");
  if (pattern.find('%') != std::string::npos) return QString::fromStdString(pattern);
  const auto dot = pattern.find('.');
  const int decimals = dot == std::string::npos ? 0 : static_cast<int>(pattern.size() - dot - 1);
  return QStringLiteral("%.%1f").arg(decimals);
}

// The smallest step of 1, 2, 2.5 or 5 times a power of ten that is at least `raw`.
double NiceStep(double raw) {
  if (!(raw > 0) || !std::isfinite(raw)) return 1.0;
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (m * p >= raw * (1 - 1e-9)) return m * p;
  return 10 * p;
}

// Decimals that show every multiple of `step` exactly (2.5 needs one more than 5).
int DecimalsForStep(double step) {
  for (int d = 0; d < 8; ++d) {
    const double scaled = step * std::pow(10.0, d);
    if (std::fabs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled)) return d;
  }
  return 8;
}

}  // namespace

ChartView::ChartView(ChartModel& model, FormModel& form, QWidget* parent)
    : QChartView(parent), model_(model), form_(form), chart_(new QChart()) {
  setObjectName(QString::fromStdString(model.Name()));
  setRenderHint(QPainter::Antialiasing, true);
  chart_->setBackgroundRoundness(0);
  chart_->setMargins(QMargins(2, 2, 2, 2));
  chart_->layout()->setContentsMargins(0, 0, 0, 0);
  setChart(chart_);  // the view owns the chart
  bottom_ = new QValueAxis(chart_);
  left_ = new QValueAxis(chart_);
  right_ = new QValueAxis(chart_);
  chart_->addAxis(bottom_, Qt::AlignBottom);
  chart_->addAxis(left_, Qt::AlignLeft);
  chart_->addAxis(right_, Qt::AlignRight);
  SyncFromModel(true);
}

QValueAxis* ChartView::AxisFor(const std::string& name) {
  if (name == "bottom") return bottom_;
  if (name == "right") return right_;
  if (name == "left") return left_;
  auto it = custom_.find(name);
  if (it != custom_.end()) return it->second;
  if (model_.FindAxis(name) == nullptr) return left_;
  auto* axis = new QValueAxis(chart_);
  chart_->addAxis(axis, Qt::AlignRight);
  custom_[name] = axis;
  return axis;
}

void ChartView::ApplyStyle() {
  const ChartStyle& st = model_.style;
  chart_->setTitle(QString::fromStdString(model_.title));
  chart_->legend()->setVisible(model_.legendVisible);
  if (st.legendColor) chart_->legend()->setLabelColor(C(*st.legendColor));
  if (st.legendFontSize > 0) {
    QFont lf = chart_->legend()->font();
    lf.setPointSize(st.legendFontSize);
    chart_->legend()->setFont(lf);
  }
  if (st.dark) {
    chart_->setBackgroundBrush(C(st.panelColor));
    chart_->setPlotAreaBackgroundBrush(C(st.backColor));
    chart_->setPlotAreaBackgroundVisible(st.backWallVisible);
    chart_->setTitleBrush(C(st.titleColor));
  } else {
    chart_->setBackgroundBrush(QColor(255, 255, 255));
    chart_->setPlotAreaBackgroundVisible(false);
    chart_->setTitleBrush(QColor(32, 32, 32));
  }
  QFont tf = chart_->titleFont();
  if (!st.titleFont.empty()) tf.setFamily(QString::fromStdString(st.titleFont));
  tf.setPointSize(st.titleFontSize > 0 ? st.titleFontSize : 9);
  tf.setBold(!st.dark);
  chart_->setTitleFont(tf);
  setRubberBand(model_.zoomAllowed ? QChartView::RectangleRubberBand : QChartView::NoRubberBand);
}

void ChartView::ApplyAxis(QValueAxis* axis, const AxisModel& m, bool horizontal) {
  const bool dark = model_.style.dark;
  const QColor defLabel = dark ? QColor(170, 170, 170) : QColor(60, 60, 60);
  const QColor defLine = dark ? QColor(68, 68, 68) : QColor(160, 160, 160);
  const QColor defGrid = dark ? QColor(51, 51, 51) : QColor(225, 225, 225);
  axis->setTitleText(QString::fromStdString(m.title));
  axis->setTitleBrush(m.titleColor ? C(*m.titleColor) : defLabel);
  QFont titleFont = axis->titleFont();
  titleFont.setPointSize(m.titleFontSize > 0 ? m.titleFontSize : 8);
  titleFont.setBold(false);
  axis->setTitleFont(titleFont);
  QFont labelFont = axis->labelsFont();
  labelFont.setPointSize(8);
  axis->setLabelsFont(labelFont);
  axis->setLabelsBrush(m.labelColor ? C(*m.labelColor) : defLabel);
  axis->setLinePenColor(m.lineColor ? C(*m.lineColor) : defLine);
  axis->setGridLineColor(m.gridColor ? C(*m.gridColor) : defGrid);
  axis->setGridLineVisible(m.gridVisible);
  axis->setMinorGridLineVisible(false);
  axis->setMinorTickCount(0);
  axis->setLabelFormat(LabelFormat(m.valueFormat));
  axis->setVisible(m.visible);
  // Labels the chart rewrites (absolute run times) are painted over the axis instead.
  axis->setLabelsVisible(!(horizontal && model_.getAxisLabel));
}

void ChartView::SyncSeries(bool pointsToo) {
  // Drop drawn series the model no longer has.
  for (auto it = drawn_.begin(); it != drawn_.end();) {
    if (model_.FindSeries(it->first) == nullptr) {
      chart_->removeSeries(it->second.series);
      delete it->second.series;
      it = drawn_.erase(it);
    } else {
      ++it;
    }
  }
  const int buckets = std::max(200, chart_->plotArea().toRect().width() > 0
                                        ? chart_->plotArea().toRect().width()
                                        : width());
  for (const auto& sp : model_.Series()) {
    const SeriesModel& s = *sp;
    const bool scatter = s.kind == SeriesKind::Point;
    Drawn& d = drawn_[s.name];
    if (d.series != nullptr && d.scatter != scatter) {
      chart_->removeSeries(d.series);
      delete d.series;
      d = Drawn{};
    }
    if (d.series == nullptr) {
      if (scatter) {
        auto* sc = new QScatterSeries();
        sc->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        d.series = sc;
      } else {
        d.series = new QLineSeries();
      }
      d.scatter = scatter;
      chart_->addSeries(d.series);
      d.series->attachAxis(bottom_);
      d.axis.clear();
    }
    QXYSeries* q = d.series;
    q->setName(QString::fromStdString(s.title));
    q->setVisible(s.visible && s.active);
    const QColor color = s.color ? C(*s.color) : (model_.style.dark ? QColor(220, 220, 220) : QColor(32, 96, 200));
    if (scatter) {
      auto* sc = static_cast<QScatterSeries*>(q);
      sc->setColor(s.brush ? C(*s.brush) : color);
      sc->setBorderColor(color);
      sc->setMarkerSize(s.pointSize > 0 ? s.pointSize + 2 : 6);
    } else {
      QPen pen(color);
      pen.setWidthF(std::max(1, s.width));
      pen.setStyle(s.style == LineStyle::Dotted ? Qt::DotLine
                   : s.style == LineStyle::Dash ? Qt::DashLine
                                                : Qt::SolidLine);
      pen.setCapStyle(Qt::FlatCap);
      q->setPen(pen);
      q->setPointsVisible(s.pointStyle != PointStyle::None);
    }
    if (d.axis != s.axis) {
      for (QAbstractAxis* a : q->attachedAxes())
        if (a != bottom_) q->detachAxis(a);
      q->attachAxis(AxisFor(s.axis));
      d.axis = s.axis;
    }
    if (pointsToo || d.revision != s.revision) {
      q->replace(Envelope(s, scatter ? 0 : buckets));
      d.revision = s.revision;
    }
  }
}

void ChartView::SyncRanges() {
  // Automatic ranges follow the data of the series drawn against each axis.
  auto dataRange = [&](const std::string& axisName, bool horizontal, double& lo, double& hi) {
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    for (const auto& sp : model_.Series()) {
      const SeriesModel& s = *sp;
      if (!s.visible || !s.active) continue;
      if (!horizontal && s.axis != axisName && !(axisName == "left" && model_.FindAxis(s.axis) == nullptr)) continue;
      const auto& v = horizontal ? s.Xs() : s.Ys();
      for (double x : v)
        if (std::isfinite(x)) {
          lo = std::min(lo, x);
          hi = std::max(hi, x);
        }
    }
    if (!std::isfinite(lo)) {
      lo = 0;
      hi = 1;
    } else if (hi - lo < 1e-12) {
      const double pad = std::max(1e-9, std::fabs(hi) * 0.05 + (hi == 0 ? 1 : 0));
      lo -= pad;
      hi += pad;
    }
  };
  auto apply = [&](QValueAxis* axis, const AxisModel& m, bool horizontal) {
    ApplyAxis(axis, m, horizontal);
    double lo = m.minimum, hi = m.maximum, dlo = 0, dhi = 1;
    if (m.automatic || m.automaticMin || m.automaticMax) dataRange(m.name, horizontal, dlo, dhi);
    if (m.automatic || m.automaticMin) lo = dlo;
    if (m.automatic || m.automaticMax) hi = dhi;
    if (!(hi > lo)) hi = lo + 1;
    const auto& zoom = model_.Zoom();
    if (zoom && m.name == "bottom") lo = zoom->xMin, hi = zoom->xMax;
    if (zoom && m.name == "left") lo = zoom->yMin, hi = zoom->yMax;
    axis->setRange(lo, hi);
    // Ticks at multiples of a round step: the axis' increment when the labels fit, else
    // 1, 2, 2.5 or 5 times a power of ten, about one label per 90 px across and 40 px up.
    const QRectF plot = chart_->plotArea();
    const double room = std::max(1.0, horizontal ? plot.width() / 90.0 : plot.height() / 40.0);
    double step = m.increment > 0 && (hi - lo) / m.increment <= std::max(room, 12.0) ? m.increment
                                                                                    : NiceStep((hi - lo) / room);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0.0);
    axis->setTickInterval(step);
    if (m.valueFormat.empty()) axis->setLabelFormat(QStringLiteral("%.%1f").arg(DecimalsForStep(step)));
  };
  apply(bottom_, model_.bottom, true);
  apply(left_, model_.left, false);
  // The right axis shows when a series is drawn against it and it is not hidden.
  bool rightUsed = false;
  for (const auto& sp : model_.Series()) rightUsed |= sp->axis == "right";
  apply(right_, model_.right, false);
  right_->setVisible(rightUsed && model_.right.visible);
  for (const AxisModel& m : model_.customAxes) {
    QValueAxis* axis = AxisFor(m.name);
    apply(axis, m, false);
  }
}

void ChartView::SyncFromModel(bool force) {
  if (model_.afterDraw) model_.afterDraw(model_);  // the chart's after-draw event refreshes its markers
  const uint64_t sig = model_.Signature();
  const QSize size = this->size();
  if (!force && sig == lastSignature_ && size == lastSize_) return;
  const bool resized = size.width() != lastSize_.width();  // the envelope depends on the width
  lastSignature_ = sig;
  lastSize_ = size;
  ApplyStyle();
  SyncSeries(force || resized);
  SyncRanges();
  viewport()->update();  // markers and rewritten labels are painted over the chart
}

qsizetype ChartView::DrawnPointCount(const std::string& seriesName) const {
  auto it = drawn_.find(seriesName);
  return it == drawn_.end() ? 0 : it->second.series->count();
}

double ChartView::PixelOfX(double x) const {
  const QRectF plot = chart_->plotArea();
  const double lo = bottom_->min(), hi = bottom_->max();
  if (!(hi > lo)) return plot.left();
  return plot.left() + (x - lo) / (hi - lo) * plot.width();
}

std::vector<double> ChartView::BottomTickValues() const {
  std::vector<double> ticks;
  const double lo = bottom_->min(), hi = bottom_->max();
  if (!(hi > lo)) return ticks;
  if (bottom_->tickType() == QValueAxis::TicksDynamic && bottom_->tickInterval() > 0) {
    const double step = bottom_->tickInterval();
    const double anchor = bottom_->tickAnchor();
    double v = anchor + std::ceil((lo - anchor) / step - 1e-9) * step;
    for (int guard = 0; v <= hi + step * 1e-9 && guard < 1000; ++guard, v += step) ticks.push_back(v);
  } else {
    const int n = std::max(2, bottom_->tickCount());
    for (int i = 0; i < n; ++i) ticks.push_back(lo + (hi - lo) * i / (n - 1));
  }
  return ticks;
}

QStringList ChartView::BottomLabels() const {
  QStringList labels;
  if (!model_.getAxisLabel) return labels;
  const QString format = bottom_->labelFormat();
  for (double v : BottomTickValues()) {
    const QString raw = QString::asprintf(format.toLatin1().constData(), v);
    labels << QString::fromStdString(model_.getAxisLabel("bottom", raw.toStdString()));
  }
  return labels;
}

void ChartView::drawForeground(QPainter* painter, const QRectF& rect) {
  QChartView::drawForeground(painter, rect);
  const QRectF plot = chart_->plotArea();
  painter->save();
  // Rewritten bottom-axis labels, centred under their ticks.
  if (model_.getAxisLabel && model_.bottom.visible) {
    painter->setFont(bottom_->labelsFont());
    painter->setPen(bottom_->labelsBrush().color());
    const QFontMetricsF fm(bottom_->labelsFont());
    const QStringList labels = BottomLabels();
    const std::vector<double> ticks = BottomTickValues();
    for (qsizetype i = 0; i < labels.size() && i < static_cast<qsizetype>(ticks.size()); ++i) {
      const double px = PixelOfX(ticks[static_cast<size_t>(i)]);
      const double w = fm.horizontalAdvance(labels[i]);
      painter->drawText(QPointF(px - w / 2, plot.bottom() + 4 + fm.ascent()), labels[i]);
    }
  }
  // Markers: a vertical line with a boxed caption beside its top.
  for (const ChartMarker& m : model_.markers) {
    const double px = PixelOfX(m.x);
    if (px < plot.left() - 0.5 || px > plot.right() + 0.5) continue;
    painter->setPen(QPen(C(m.lineColor), std::max(1, m.lineWidth)));
    painter->drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
    if (!m.text.empty()) {
      const QString text = QString::fromStdString(m.text);
      QFont f = painter->font();
      f.setPointSize(8);
      painter->setFont(f);
      const QFontMetricsF fm(f);
      const QRectF box(px + m.textOffsetX, plot.top() + m.textOffsetY, fm.horizontalAdvance(text) + 2,
                       fm.height() + 2);
      painter->fillRect(box, C(m.textBrush));
      painter->setPen(C(m.textColor));
      painter->drawText(box, Qt::AlignCenter, text);
    }
  }
  painter->restore();
}

QImage RenderChartImage(ChartModel& chart, FormModel& form, QSize size) {
  // A private view of the chart, laid out at the asked size but never on screen.
  ChartView view(chart, form);
  view.setAttribute(Qt::WA_DontShowOnScreen, true);
  view.setFrameShape(QFrame::NoFrame);
  view.resize(size);
  view.show();
  view.SyncFromModel(true);
  QImage image = view.grab().toImage();
  view.hide();
  return image.convertToFormat(QImage::Format_RGB888);
}

void ChartView::mouseDoubleClickEvent(QMouseEvent* event) {
  form_.UserDoubleClick(model_.Name());
  event->accept();
}

void ChartView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {  // no zoom-out on the right button
    event->accept();
    return;
  }
  rubberBandActive_ = event->button() == Qt::LeftButton && rubberBand() != QChartView::NoRubberBand;
  QChartView::mousePressEvent(event);
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    event->accept();
    return;
  }
  const double x0 = bottom_->min(), x1 = bottom_->max(), y0 = left_->min(), y1 = left_->max();
  QChartView::mouseReleaseEvent(event);
  if (rubberBandActive_) {
    rubberBandActive_ = false;
    if (bottom_->min() != x0 || bottom_->max() != x1 || left_->min() != y0 || left_->max() != y1) {
      model_.SetZoom({bottom_->min(), bottom_->max(), left_->min(), left_->max()});
      SyncFromModel(true);
    }
  }
}

void ChartView::resizeEvent(QResizeEvent* event) {
  QChartView::resizeEvent(event);
  SyncFromModel();
}

}  // namespace voltaris::ui
