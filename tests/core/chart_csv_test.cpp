// The data of a chart as CSV: a column pair per series, units from the axis titles.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/csv_text.h"
#include "form/chart_csv.h"
#include "form/recording_platform.h"

namespace voltaris {
namespace {

TEST(ChartCsvTest, AxisUnitIsTheLastBracketedPartOfTheTitle) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"Time (s)", "s"},         {"OCV [V]", "V"},      {"dSEI/dt (nm/s)", "nm/s"},
      {"Temperature (°C)", "°C"}, {"SOC", ""},           {"", ""},
      {"I (A) [peak]", "peak"},  {"broken (unit", ""}, {"odd )", ""}};
  for (const auto& [title, unit] : cases) EXPECT_EQ(AxisUnit(title), unit) << title;
}

TEST(ChartCsvTest, EverySeriesIsAColumnPairAndShortSeriesLeaveCellsEmpty) {
  ChartModel chart("chX", "X");
  chart.bottom.title = "Time (s)";
  chart.left.title = "Current (A)";
  chart.right.title = "Voltage (V)";
  chart.AddCustomAxis("FAxSEI").title = "SEI (nm)";
  SeriesModel& i = chart.AddSeries("FSerI", SeriesKind::FastLine);
  i.title = "Current";
  i.Add(0, 1.5);
  i.Add(0.1, -0.25);
  i.Add(0.2, 1e-7);
  SeriesModel& v = chart.AddSeries("FSerV", SeriesKind::Line);
  v.title = "V, cell \"terminal\"";
  v.axis = "right";
  v.Add(0, 3.2);
  SeriesModel& untitled = chart.AddSeries("FSerSEI", SeriesKind::Line);
  untitled.axis = "FAxSEI";
  SeriesModel& bare = chart.AddSeries("FSerMark", SeriesKind::Point);
  bare.title = "Mark";
  bare.axis = "nowhere";
  ChartModel noUnits("chY");
  noUnits.AddSeries("s", SeriesKind::Line).Add(1, 2);

  EXPECT_EQ(ChartDataCsv(chart),
            "Current (s),Current (A),\"V, cell \"\"terminal\"\" (s)\",\"V, cell \"\"terminal\"\" (V)\","
            "FSerSEI (s),FSerSEI (nm),Mark (s),Mark (A)\n"
            "0,1.5,0,3.2,,,,\n"
            "0.1,-0.25,,,,,,\n"
            "0.2,1e-07,,,,,,\n");
  EXPECT_EQ(ChartDataCsv(noUnits), "s x,s y\n1,2\n");
  EXPECT_EQ(ChartDataCsv(ChartModel("chEmpty")), "\n");
}

TEST(ChartCsvTest, CopyAndExportUseTheSameTextAndACancelWritesNothing) {
  ChartModel chart("chT");
  chart.AddSeries("FSerT", SeriesKind::Line).Add(0, 25);
  RecordingPlatform platform;
  CopyChartData(platform, chart);
  EXPECT_EQ(platform.clipboard, ChartDataCsv(chart));

  const auto dir = std::filesystem::temp_directory_path() / "voltaris_chart_csv";
  std::filesystem::remove_all(dir);
  platform.QueueDialogAnswer(std::nullopt);
  ExportChartDataWithDialog(platform, chart);
  EXPECT_FALSE(std::filesystem::exists(dir));
  platform.QueueDialogAnswer((dir / "t.csv").string());
  ExportChartDataWithDialog(platform, chart);
  std::ifstream in(dir / "t.csv");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), ChartDataCsv(chart));
  EXPECT_TRUE(platform.messages.empty());
  // A file that cannot be written: the message, and nothing half-written.
  platform.QueueDialogAnswer("/proc/voltaris/t.csv");
  ExportChartDataWithDialog(platform, chart);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].kind, MessageKind::Error);
  std::filesystem::remove_all(dir);
}

TEST(ChartCsvTest, NumbersReadBackExactlyWithADot) {
  for (double v : {0.1, -2.5, 1e-7, 123456789.125, 1.0 / 3.0, -0.0, 5e300}) {
    const std::string text = CsvNumber(v);
    EXPECT_EQ(text.find(','), std::string::npos);
    EXPECT_EQ(std::stod(text), v) << text;
  }
  EXPECT_EQ(CsvNumber(-0.0), "0");
  EXPECT_EQ(CsvNumber(std::nan("")), "nan");
  EXPECT_EQ(CsvField("a\nb"), "\"a\nb\"");
  EXPECT_EQ(CsvField("plain"), "plain");
}

}  // namespace
}  // namespace voltaris
