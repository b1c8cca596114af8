// Chart set-up shared by the window's charts: fast line series created or re-targeted
// by name, axes in the colour of their trace, and the dark chart style.
#pragma once

#include <string>

#include "form/chart_model.h"

namespace voltaris {

// Creates the fast line series `name` on `chart`, or, when the chart already holds
// it, re-targets it: title, pen width, colour and vertical axis are set either way.
SeriesModel& MakeFast(ChartModel& chart, const std::string& name, const std::string& title, Rgb color, int width,
                      const std::string& axis = "left");

// Title, axis line and labels of an axis in the colour of its trace.
void ColourAxis(AxisModel& axis, Rgb color);

// The dark style: panel and background (24, 24, 24), title (204, 204, 204) "Segoe UI"
// 9, axis lines (68, 68, 68), grids (51, 51, 51), labels and axis titles (170, 170, 170),
// no legend.
void DarkChart(ChartModel& chart);

}  // namespace voltaris
