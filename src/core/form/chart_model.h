// Charts as data: title, axes and series with their points. The window renders a chart
// from this model; run metrics read the points back from it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace voltaris {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

enum class SeriesKind { FastLine, Line, Point, HorizLine };
enum class LineStyle { Solid, Dotted, Dash };
enum class PointStyle { None, Circle, Square };

// One axis. The built-in axes are "bottom", "left" and "right"; custom vertical axes
// carry their own name (for example the SEI axis of the simulation chart).
struct AxisModel {
  std::string name{};
  bool automatic = true;
  bool automaticMin = true;
  bool automaticMax = true;
  double minimum = 0.0;
  double maximum = 0.0;
  double increment = 0.0;  // 0 = chosen by the chart
  bool visible = true;
  std::string title{};
  std::optional<Rgb> titleColor{};
  std::optional<Rgb> lineColor{};
  std::optional<Rgb> labelColor{};
  std::optional<Rgb> gridColor{};
  int titleFontSize = 0;  // 0 = default
  bool gridVisible = true;
  bool gridCentered = false;
  bool minorTicksVisible = true;
  std::string valueFormat{};
  // Custom vertical axes: drawn on the other (right) side, spanning startPct..endPct of
  // the plot height, placed at positionPct of the plot width.
  bool otherSide = false;
  double startPct = 0.0;
  double endPct = 100.0;
  double positionPct = 0.0;

  // Fixes the range: automatic off (for minimum and maximum too).
  void SetFixed(double min, double max);
  // Back to an automatic range.
  void SetAutomatic();
};

struct SeriesModel {
  std::string name{};   // the window field that holds it (for example "FSerI")
  std::string title{};
  SeriesKind kind = SeriesKind::FastLine;
  std::optional<Rgb> color{};  // unset = the chart's default colour
  int width = 1;
  LineStyle style = LineStyle::Solid;
  std::string axis = "left";  // "left", "right" or the name of a custom axis
  bool visible = true;
  bool active = true;
  bool inLegend = true;
  PointStyle pointStyle = PointStyle::None;
  int pointSize = 0;
  std::optional<Rgb> brush{};
  uint64_t revision = 0;  // bumped on every change of the points

  void Clear();
  void Add(double x, double y) {
    x_.push_back(x);
    y_.push_back(y);
    ++revision;
  }
  void Reserve(size_t n);
  size_t Count() const { return x_.size(); }
  double X(size_t i) const { return x_[i]; }
  double Y(size_t i) const { return y_[i]; }
  const std::vector<double>& Xs() const { return x_; }
  const std::vector<double>& Ys() const { return y_; }

 private:
  std::vector<double> x_;
  std::vector<double> y_;
};

// A vertical line across the plot at x with a boxed caption beside its top, drawn over
// the chart after the series (for example where SEI growth stabilised).
struct ChartMarker {
  double x = 0.0;
  Rgb lineColor{255, 0, 0};
  int lineWidth = 1;
  std::string text{};
  Rgb textBrush{255, 255, 255};
  Rgb textColor{0, 0, 0};
  double textOffsetX = 8.0;  // pixels right of the line
  double textOffsetY = 8.0;  // pixels below the plot's top
};

// A zoomed view range chosen with the mouse; undoing the zoom restores the axes.
struct ZoomRange {
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

struct ChartStyle {
  bool dark = false;
  Rgb panelColor{240, 240, 240};
  Rgb backColor{255, 255, 255};
  // The back wall behind the plot: its brush colour and whether it is drawn (the report
  // hides it and paints it white).
  Rgb backWallBrush{255, 255, 255};
  bool backWallVisible = true;
  Rgb titleColor{0, 0, 0};
  std::string titleFont{};
  int titleFontSize = 0;
  std::optional<Rgb> legendColor{};  // legend text (unset = the chart's default)
  int legendFontSize = 0;            // 0 = default
};

class ChartModel {
 public:
  explicit ChartModel(std::string name, std::string title = {});

  const std::string& Name() const { return name_; }
  std::string title{};
  bool legendVisible = false;
  bool view3D = false;
  bool zoomAllowed = true;
  ChartStyle style;
  AxisModel bottom{"bottom"};
  AxisModel left{"left"};
  AxisModel right{"right"};
  std::vector<AxisModel> customAxes;

  // Markers drawn after the series; recomputed by `afterDraw` before each drawing.
  std::vector<ChartMarker> markers;
  // Called before the chart is drawn, to refresh `markers` (the chart's after-draw event).
  std::function<void(ChartModel&)> afterDraw;

  // Rewrites an axis label before it is drawn (axis name, label text in, text out).
  std::function<std::string(const std::string& axis, const std::string& label)> getAxisLabel;

  AxisModel* FindAxis(const std::string& axisName);
  AxisModel& AddCustomAxis(const std::string& axisName);

  SeriesModel& AddSeries(const std::string& seriesName, SeriesKind kind);
  SeriesModel* FindSeries(const std::string& seriesName);
  const std::vector<std::unique_ptr<SeriesModel>>& Series() const { return series_; }
  // Hands a series over to another chart (keeps its points and settings).
  std::unique_ptr<SeriesModel> TakeSeries(const std::string& seriesName);
  void AdoptSeries(std::unique_ptr<SeriesModel> series);
  void RemoveAllSeries();

  const std::optional<ZoomRange>& Zoom() const { return zoom_; }
  void SetZoom(const ZoomRange& range);
  void UndoZoom();

  // Marks the chart as changed (axes, styles, series settings); the view redraws it.
  void Invalidate();
  // Rises whenever anything in the chart or its series changed.
  uint64_t Signature() const;

  // Suspends and resumes redrawing while a chart is rebuilt.
  void Lock() { ++lockDepth_; }
  void Unlock();
  bool Locked() const { return lockDepth_ > 0; }

  // Called by Invalidate (the form model forwards it to the view).
  std::function<void(ChartModel&)> onInvalidate;

 private:
  std::string name_;
  std::vector<std::unique_ptr<SeriesModel>> series_;
  std::optional<ZoomRange> zoom_;
  uint64_t revision_ = 0;
  uint64_t retiredRevisions_ = 0;  // revisions of removed series keep the signature rising
  int lockDepth_ = 0;
};

}  // namespace voltaris
