#include "form/chart_styles.h"

namespace voltaris {

SeriesModel& MakeFast(ChartModel& chart, const std::string& name, const std::string& title, Rgb color, int width,
                      const std::string& axis) {
  SeriesModel* s = chart.FindSeries(name);
  if (s == nullptr) s = &chart.AddSeries(name, SeriesKind::FastLine);
  s->title = title;
  s->width = width;
  s->color = color;
  s->axis = axis;
  chart.Invalidate();
  return *s;
}

void ColourAxis(AxisModel& axis, Rgb color) {
  axis.titleColor = color;
  axis.lineColor = color;
  axis.labelColor = color;
}

void DarkChart(ChartModel& chart) {
  constexpr Rgb kBack{24, 24, 24};
  constexpr Rgb kTitle{204, 204, 204};
  constexpr Rgb kAxisLine{68, 68, 68};
  constexpr Rgb kGrid{51, 51, 51};
  constexpr Rgb kLabel{170, 170, 170};
  chart.style.dark = true;
  chart.style.panelColor = kBack;
  chart.style.backColor = kBack;
  chart.style.titleColor = kTitle;
  chart.style.titleFont = "Segoe UI";
  chart.style.titleFontSize = 9;
  for (AxisModel* axis : {&chart.bottom, &chart.left, &chart.right}) {
    axis->lineColor = kAxisLine;
    axis->gridColor = kGrid;
    axis->labelColor = kLabel;
    axis->titleColor = kLabel;
  }
  chart.legendVisible = false;
  chart.Invalidate();
}

}  // namespace voltaris
