#include "chart_view.h"

#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QLegend>
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

// The next smaller step of 1, 2, 2.5 or 5 times a power of ten.
double NiceStepBelow(double step) {
  const double p = std::pow(10.0, std::floor(std::log10(step) - 1e-9));
  for (double m : {5.0, 2.5, 2.0, 1.0})
    if (m * p < step * (1 - 1e-9)) return m * p;
  return p / 2;
}

// Multiples of `step` (anchored at 0) inside lo..hi.
std::vector<double> TicksOf(double lo, double hi, double step) {
  std::vector<double> ticks;
  if (!(hi > lo) || !(step > 0)) return ticks;
  double v = std::ceil(lo / step - 1e-9) * step;
  for (int guard = 0; v <= hi + step * 1e-9 && guard < 1000; ++guard, v += step)
    ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
  return ticks;
}

// Qt Charts rebuilds text and graphics items on some property sets even when the value is
// equal, so every setting is compared first: an unchanged chart costs nothing to sync.
template <typename Current, typename Wanted, typename Setter>
void SetIfChanged(const Current& current, const Wanted& wanted, Setter set) {
  if (!(current == wanted)) set(wanted);
}

// Diameter in pixels of a point series' markers.
double MarkerSize(const SeriesModel& s) { return s.pointSize > 0 ? s.pointSize + 2.0 : 6.0; }

// Radius in pixels, outline included, of the markers a series draws on its points (the
// dots of a line with visible points are one and a half pen widths across); 0 for none.
double MarkerRadius(const SeriesModel& s) {
  if (s.kind == SeriesKind::Point) return MarkerSize(s) / 2.0 + 1.0;
  if (s.pointStyle != PointStyle::None) return std::max(1, s.width) * 0.75 + 1.0;
  return 0.0;
}

}  // namespace

void FillEnvelope(const SeriesModel& s, int columns, QList<QPointF>& out) {
  const size_t n = s.Count();
  out.clear();
  auto finite = [&](size_t i) { return std::isfinite(s.X(i)) && std::isfinite(s.Y(i)); };
  if (columns <= 0 || n <= static_cast<size_t>(columns) * 3) {
    out.reserve(static_cast<qsizetype>(n));
    for (size_t i = 0; i < n; ++i)
      if (finite(i)) out.append(QPointF(s.X(i), s.Y(i)));
    return;
  }
  out.reserve(static_cast<qsizetype>(columns) * 2 + 2);
  const size_t per = (n + static_cast<size_t>(columns) - 1) / static_cast<size_t>(columns);
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
}

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
  SetIfChanged(chart_->title(), QString::fromStdString(model_.title), [&](const QString& t) { chart_->setTitle(t); });
  QLegend* legend = chart_->legend();
  SetIfChanged(legend->isVisible(), model_.legendVisible, [&](bool v) { legend->setVisible(v); });
  if (st.legendColor) SetIfChanged(legend->labelColor(), C(*st.legendColor), [&](const QColor& c) { legend->setLabelColor(c); });
  if (st.legendFontSize > 0) {
    QFont lf = legend->font();
    lf.setPointSize(st.legendFontSize);
    SetIfChanged(legend->font(), lf, [&](const QFont& f) { legend->setFont(f); });
  }
  const QBrush back = st.dark ? QBrush(C(st.panelColor)) : QBrush(QColor(255, 255, 255));
  SetIfChanged(chart_->backgroundBrush(), back, [&](const QBrush& b) { chart_->setBackgroundBrush(b); });
  if (st.dark) SetIfChanged(chart_->plotAreaBackgroundBrush(), QBrush(C(st.backColor)),
                            [&](const QBrush& b) { chart_->setPlotAreaBackgroundBrush(b); });
  SetIfChanged(chart_->isPlotAreaBackgroundVisible(), st.dark && st.backWallVisible,
               [&](bool v) { chart_->setPlotAreaBackgroundVisible(v); });
  const QBrush titleBrush = st.dark ? QBrush(C(st.titleColor)) : QBrush(QColor(32, 32, 32));
  SetIfChanged(chart_->titleBrush(), titleBrush, [&](const QBrush& b) { chart_->setTitleBrush(b); });
  QFont tf = chart_->titleFont();
  if (!st.titleFont.empty()) tf.setFamily(QString::fromStdString(st.titleFont));
  tf.setPointSize(st.titleFontSize > 0 ? st.titleFontSize : 9);
  tf.setBold(!st.dark);
  SetIfChanged(chart_->titleFont(), tf, [&](const QFont& f) { chart_->setTitleFont(f); });
  const QChartView::RubberBands band = model_.zoomAllowed ? QChartView::RectangleRubberBand : QChartView::NoRubberBand;
  SetIfChanged(rubberBand(), band, [&](QChartView::RubberBands b) { setRubberBand(b); });
}

bool ChartView::PaintsBottomAxis() const { return model_.getAxisLabel && model_.bottom.visible; }

void ChartView::ApplyAxis(QValueAxis* axis, const AxisModel& m, bool horizontal) {
  const bool dark = model_.style.dark;
  const QColor defLabel = dark ? QColor(170, 170, 170) : QColor(60, 60, 60);
  const QColor defLine = dark ? QColor(68, 68, 68) : QColor(160, 160, 160);
  const QColor defGrid = dark ? QColor(51, 51, 51) : QColor(225, 225, 225);
  // Labels the chart rewrites (absolute run times) are painted under the axis, and its
  // title with them, so Qt Charts neither elides the title nor lays out labels of its own.
  const bool painted = horizontal && PaintsBottomAxis();
  const QString title = painted ? QString() : QString::fromStdString(m.title);
  SetIfChanged(axis->titleText(), title, [&](const QString& t) { axis->setTitleText(t); });
  SetIfChanged(axis->isTitleVisible(), !title.isEmpty(), [&](bool v) { axis->setTitleVisible(v); });
  SetIfChanged(axis->titleBrush(), QBrush(m.titleColor ? C(*m.titleColor) : defLabel),
               [&](const QBrush& b) { axis->setTitleBrush(b); });
  QFont titleFont = axis->titleFont();
  titleFont.setPointSize(m.titleFontSize > 0 ? m.titleFontSize : 8);
  titleFont.setBold(false);
  SetIfChanged(axis->titleFont(), titleFont, [&](const QFont& f) { axis->setTitleFont(f); });
  QFont labelFont = axis->labelsFont();
  labelFont.setPointSize(8);
  SetIfChanged(axis->labelsFont(), labelFont, [&](const QFont& f) { axis->setLabelsFont(f); });
  SetIfChanged(axis->labelsBrush(), QBrush(m.labelColor ? C(*m.labelColor) : defLabel),
               [&](const QBrush& b) { axis->setLabelsBrush(b); });
  SetIfChanged(axis->linePenColor(), m.lineColor ? C(*m.lineColor) : defLine,
               [&](const QColor& c) { axis->setLinePenColor(c); });
  SetIfChanged(axis->gridLineColor(), m.gridColor ? C(*m.gridColor) : defGrid,
               [&](const QColor& c) { axis->setGridLineColor(c); });
  SetIfChanged(axis->isGridLineVisible(), m.gridVisible, [&](bool v) { axis->setGridLineVisible(v); });
  SetIfChanged(axis->isMinorGridLineVisible(), false, [&](bool v) { axis->setMinorGridLineVisible(v); });
  SetIfChanged(axis->minorTickCount(), 0, [&](int n) { axis->setMinorTickCount(n); });
  SetIfChanged(axis->isVisible(), m.visible, [&](bool v) { axis->setVisible(v); });
  SetIfChanged(axis->labelsVisible(), !painted, [&](bool v) { axis->setLabelsVisible(v); });
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
  const int columns = EnvelopeColumns();
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
    SetIfChanged(q->name(), QString::fromStdString(s.title), [&](const QString& n) { q->setName(n); });
    SetIfChanged(q->isVisible(), s.visible && s.active, [&](bool v) { q->setVisible(v); });
    const QColor color = s.color ? C(*s.color) : (model_.style.dark ? QColor(220, 220, 220) : QColor(32, 96, 200));
    if (scatter) {
      auto* sc = static_cast<QScatterSeries*>(q);
      SetIfChanged(sc->color(), s.brush ? C(*s.brush) : color, [&](const QColor& c) { sc->setColor(c); });
      SetIfChanged(sc->borderColor(), color, [&](const QColor& c) { sc->setBorderColor(c); });
      SetIfChanged(sc->markerSize(), MarkerSize(s), [&](qreal m) { sc->setMarkerSize(m); });
    } else {
      QPen pen(color);
      pen.setWidthF(std::max(1, s.width));
      pen.setStyle(s.style == LineStyle::Dotted ? Qt::DotLine
                   : s.style == LineStyle::Dash ? Qt::DashLine
                                                : Qt::SolidLine);
      pen.setCapStyle(Qt::FlatCap);
      SetIfChanged(q->pen(), pen, [&](const QPen& p) { q->setPen(p); });
      SetIfChanged(q->pointsVisible(), s.pointStyle != PointStyle::None, [&](bool v) { q->setPointsVisible(v); });
    }
    if (d.axis != s.axis) {
      for (QAbstractAxis* a : q->attachedAxes())
        if (a != bottom_) q->detachAxis(a);
      q->attachAxis(AxisFor(s.axis));
      d.axis = s.axis;
    }
    const int seriesColumns = scatter ? 0 : columns;
    if (pointsToo || d.revision != s.revision || d.columns != seriesColumns) {
      // Emptied now and refilled after the axes moved: Qt Charts recomputes a line's whole
      // geometry (its outline included) at every range change, so a series that gets new
      // points anyway meets the new ranges empty and is laid out once.
      if (q->count() > 0) q->clear();
      d.refill = &s;
    }
  }
}

void ChartView::RefillSeries() {
  const int columns = EnvelopeColumns();
  for (auto& [name, d] : drawn_) {
    const SeriesModel* s = d.refill;
    if (s == nullptr) continue;
    d.refill = nullptr;
    const int seriesColumns = d.scatter ? 0 : columns;
    // The same series object takes the new points: its graphics item is kept.
    FillEnvelope(*s, seriesColumns, d.points);
    d.series->replace(d.points);
    d.revision = s->revision;
    d.columns = seriesColumns;
  }
}

int ChartView::EnvelopeColumns() const {
  // One column per two pixels: the lines are two pixels wide, so a finer envelope draws
  // the same picture with twice the points to lay out and stroke.
  const int plotWidth = chart_->plotArea().toRect().width();
  return std::max(200, (plotWidth > 0 ? plotWidth : width()) / 2);
}

void ChartView::SyncRanges() {
  // Automatic ranges follow the data of the series drawn against each axis. A marker (the
  // state of charge on the OCV curve, the dots of its table points) keeps its radius inside
  // the plot: the plot clips it, so a marker on the edge of the data would show only half.
  const QRectF plot = chart_->plotArea();
  auto dataRange = [&](const std::string& axisName, bool horizontal, double& lo, double& hi) {
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    double markLo = lo, markHi = -lo, radius = 0;
    for (const auto& sp : model_.Series()) {
      const SeriesModel& s = *sp;
      if (!s.visible || !s.active) continue;
      if (!horizontal && s.axis != axisName && !(axisName == "left" && model_.FindAxis(s.axis) == nullptr)) continue;
      const double markerRadius = MarkerRadius(s);
      const bool marker = markerRadius > 0;
      const auto& v = horizontal ? s.Xs() : s.Ys();
      for (double x : v)
        if (std::isfinite(x)) {
          lo = std::min(lo, x);
          hi = std::max(hi, x);
          if (marker) {
            markLo = std::min(markLo, x);
            markHi = std::max(markHi, x);
            radius = std::max(radius, markerRadius);
          }
        }
    }
    if (!std::isfinite(lo)) {
      lo = 0;
      hi = 1;
      return;
    }
    if (hi - lo < 1e-12) {
      const double pad = std::max(1e-9, std::fabs(hi) * 0.05 + (hi == 0 ? 1 : 0));
      lo -= pad;
      hi += pad;
    }
    const double extent = horizontal ? plot.width() : plot.height();
    if (radius > 0 && extent > 4.0 * radius) {
      const double perPixel = (hi - lo) / (extent - 2.0 * radius);
      lo = std::min(lo, markLo - radius * perPixel);
      hi = std::max(hi, markHi + radius * perPixel);
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

    // Ticks at multiples of a round step (1, 2, 2.5 or 5 times a power of ten, or the
    // axis' increment when its labels fit): about one label per 75 px across and 28 px up,
    // never two labels that touch or read the same, and at least two ticks on an axis.
    const QFontMetricsF fm(axis->labelsFont());
    const bool painted = horizontal && PaintsBottomAxis();
    auto formatFor = [&](double step) {
      return m.valueFormat.empty() ? QStringLiteral("%.%1f").arg(DecimalsForStep(step)) : LabelFormat(m.valueFormat);
    };
    auto labelOf = [&](double v, const QString& format) {
      const QString raw = QString::asprintf(format.toLatin1().constData(), v);
      return painted ? QString::fromStdString(model_.getAxisLabel("bottom", raw.toStdString())) : raw;
    };
    const double extent = horizontal ? plot.width() : plot.height();
    const double room = std::max(2.0, horizontal ? extent / 75.0 : extent / 28.0);
    const bool incrementFits = m.increment > 0 && TicksOf(lo, hi, m.increment).size() >= 2 &&
                               (hi - lo) / m.increment <= std::max(room, 12.0);
    double step = incrementFits ? m.increment : NiceStep((hi - lo) / room);
    if (extent > 0) {
      for (int i = 0; i < 8 && TicksOf(lo, hi, step).size() < 2; ++i) step = NiceStepBelow(step);
      for (int i = 0; i < 16; ++i) {
        const std::vector<double> ticks = TicksOf(lo, hi, step);
        const QString format = formatFor(step);
        const double pixels = step / (hi - lo) * extent;
        bool fits = true, hasTwin = false;
        QString previous;
        for (size_t k = 0; k < ticks.size(); ++k) {
          const QString text = labelOf(ticks[k], format);
          const double size = horizontal ? fm.horizontalAdvance(text) + 10 : fm.height();
          if (size > pixels) fits = false;
          if (k > 0 && text == previous) fits = false, hasTwin = true;
          previous = text;
        }
        if (fits) break;
        const double wider = NiceStep(step * 1.01);
        // Labels that read the same (whole seconds at a finer step) always take a wider
        // step; labels that merely crowd keep two ticks on the axis.
        if (TicksOf(lo, hi, wider).size() < 2 && !(painted && hasTwin)) break;
        step = wider;
      }
    }
    // Qt Charts makes the items of every tick of the range at each change: a wider step goes
    // in before a wider range, so no step ever meets a range it would cut into thousands.
    SetIfChanged(axis->tickType(), QValueAxis::TicksDynamic, [&](QValueAxis::TickType t) { axis->setTickType(t); });
    SetIfChanged(axis->tickAnchor(), 0.0, [&](qreal a) { axis->setTickAnchor(a); });
    if (step > axis->tickInterval()) axis->setTickInterval(step);
    if (axis->min() != lo || axis->max() != hi) axis->setRange(lo, hi);
    SetIfChanged(axis->tickInterval(), step, [&](qreal v) { axis->setTickInterval(v); });
    SetIfChanged(axis->labelFormat(), formatFor(step), [&](const QString& f) { axis->setLabelFormat(f); });
  };
  apply(bottom_, model_.bottom, true);
  apply(left_, model_.left, false);
  // The right axis shows when a series is drawn against it and it is not hidden.
  bool rightUsed = false;
  for (const auto& sp : model_.Series()) rightUsed |= sp->axis == "right";
  apply(right_, model_.right, false);
  SetIfChanged(right_->isVisible(), rightUsed && model_.right.visible, [&](bool v) { right_->setVisible(v); });
  for (const AxisModel& m : model_.customAxes) {
    QValueAxis* axis = AxisFor(m.name);
    apply(axis, m, false);
  }
}

void ChartView::ApplyMargins() {
  QMargins margins(2, 2, 2, 2);
  const QFontMetricsF fm(bottom_->labelsFont());
  if (PaintsBottomAxis()) {
    int bottom = static_cast<int>(std::ceil(fm.height())) + 4;
    if (!model_.bottom.title.empty()) bottom += static_cast<int>(std::ceil(QFontMetricsF(bottom_->titleFont()).height())) + 1;
    margins.setBottom(bottom);
  }
  // Qt Charts leaves room beside the plot for its own labels only: without an axis on the
  // right, a painted last label (centred on the plot's right edge) needs half its width.
  bool rightTaken = right_->isVisible();
  for (const auto& [name, axis] : custom_) rightTaken |= axis->isVisible();
  if (!rightTaken && PaintsBottomAxis()) {
    double widest = 0;
    const QString format = bottom_->labelFormat();
    for (double v : BottomTickValues()) {
      const QString raw = QString::asprintf(format.toLatin1().constData(), v);
      widest = std::max(widest, fm.horizontalAdvance(QString::fromStdString(model_.getAxisLabel("bottom", raw.toStdString()))));
    }
    margins.setRight(std::max(2, static_cast<int>(std::ceil(widest / 2)) + 2));
  }
  if (chart_->margins() != margins) {
    chart_->setMargins(margins);
    chart_->layout()->activate();  // the plot rectangle of the new margins, now
  }
}

void ChartView::LayOutPaintedAxis() {
  painted_.clear();
  paintedTitle_ = QRectF();
  paintedTitleText_.clear();
  if (!PaintsBottomAxis()) return;
  const QRectF plot = chart_->plotArea();
  if (plot.isEmpty()) return;
  const QFontMetricsF fm(bottom_->labelsFont());
  const double top = plot.bottom() + 3;
  const double viewRight = width() - 1;
  double previousRight = -std::numeric_limits<double>::infinity();
  const QString format = bottom_->labelFormat();
  for (double v : BottomTickValues()) {
    const QString raw = QString::asprintf(format.toLatin1().constData(), v);
    const QString text = QString::fromStdString(model_.getAxisLabel("bottom", raw.toStdString()));
    const double w = fm.horizontalAdvance(text);
    // Centred under its tick, but kept inside the view; a label that would touch the one
    // before it is left out.
    const double x = std::clamp(PixelOfX(v) - w / 2, 1.0, std::max(1.0, viewRight - w));
    if (x < previousRight + 4) continue;
    painted_.push_back({text, QRectF(x, top, w, fm.height())});
    previousRight = x + w;
  }
  if (!model_.bottom.title.empty()) {
    paintedTitleText_ = QString::fromStdString(model_.bottom.title);
    const QFontMetricsF tfm(bottom_->titleFont());
    const double w = tfm.horizontalAdvance(paintedTitleText_);
    const double x = std::clamp(plot.center().x() - w / 2, 1.0, std::max(1.0, viewRight - w));
    paintedTitle_ = QRectF(x, top + fm.height() + 1, w, tfm.height());
  }
}

void ChartView::SyncFromModel(bool force) {
  if (model_.afterDraw) model_.afterDraw(model_);  // the chart's after-draw event refreshes its markers
  const uint64_t sig = model_.Signature();
  const QSize size = this->size();
  const QRectF plot = chart_->plotArea();
  if (!force && sig == lastSignature_ && size == lastSize_ && plot == lastPlot_) return;
  lastSignature_ = sig;
  lastSize_ = size;
  ApplyStyle();
  SyncSeries(force);
  SyncRanges();
  const QMargins before = chart_->margins();
  ApplyMargins();
  if (chart_->margins() != before) {
    SyncSeries(false);  // the envelope follows the new plot width
    SyncRanges();
  }
  RefillSeries();
  LayOutPaintedAxis();
  lastPlot_ = chart_->plotArea();
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
  for (const PaintedLabel& l : painted_) labels << l.text;
  return labels;
}

QList<QRectF> ChartView::BottomLabelRects() const {
  QList<QRectF> rects;
  for (const PaintedLabel& l : painted_) rects << l.rect;
  return rects;
}

QRectF ChartView::BottomTitleRect() const { return paintedTitle_; }

const QXYSeries* ChartView::DrawnSeries(const std::string& seriesName) const {
  auto it = drawn_.find(seriesName);
  return it == drawn_.end() ? nullptr : it->second.series;
}

void ChartView::drawForeground(QPainter* painter, const QRectF& rect) {
  QChartView::drawForeground(painter, rect);
  const QRectF plot = chart_->plotArea();
  if (plot != lastPlot_)  // laid out anew since the last sync: place ticks and labels again
    QMetaObject::invokeMethod(this, [this] { SyncFromModel(); }, Qt::QueuedConnection);
  painter->save();
  // Rewritten bottom-axis labels under their ticks, and the axis title under them.
  if (!painted_.empty() || !paintedTitleText_.isEmpty()) {
    painter->setFont(bottom_->labelsFont());
    painter->setPen(bottom_->labelsBrush().color());
    for (const PaintedLabel& l : painted_) painter->drawText(l.rect, Qt::AlignCenter, l.text);
    if (!paintedTitleText_.isEmpty()) {
      painter->setFont(bottom_->titleFont());
      painter->setPen(bottom_->titleBrush().color());
      painter->drawText(paintedTitle_, Qt::AlignCenter, paintedTitleText_);
    }
  }
  // Markers: a vertical line with a boxed caption beside its top.
  for (const ChartMarker& m : model_.markers) {
    double px = PixelOfX(m.x);
    if (px < plot.left() - 0.5 || px > plot.right() + 0.5) continue;
    if (std::max(1, m.lineWidth) % 2 == 1) px = std::floor(px) + 0.5;  // on a pixel column, not between two
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
  view.SyncFromModel();  // ticks and labels placed on the plot as laid out
  QImage image = view.grab().toImage();
  view.hide();
  return image.convertToFormat(QImage::Format_RGB888);
}

void ChartView::mouseDoubleClickEvent(QMouseEvent* event) {
  form_.UserDoubleClick(model_.Name());
  // Every chart the mouse can zoom undoes its zoom, also those without a handler of their own.
  if (model_.Zoom()) model_.UndoZoom();
  SyncFromModel();
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
