// The context menu of every chart in the window: its data as CSV to a file or to the
// clipboard, and its off-screen picture as a PNG file. The texts and files come from the
// core; the menu only asks for them.
#pragma once

#include <QMenu>

#include "chart_view.h"
#include "form/platform.h"

namespace voltaris::ui {

// Gives `view` the menu (a child QMenu named "ChartDataMenu", shown on a right click).
void InstallChartDataMenu(ChartView& view, FormModel& form, IPlatform& platform);

// "Save image as PNG…": the save dialog, then the chart drawn off-screen at the view's
// size (at least 640 x 360) written safely; a failure shows its message.
void SaveChartImage(ChartView& view, FormModel& form, IPlatform& platform);

}  // namespace voltaris::ui
