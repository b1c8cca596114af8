#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

class FormPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("voltaris_preview_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    platform_.programDir = dir_;
    form_.FormCreate();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
  RecordingPlatform platform_;
  TFormPreview form_{platform_};
};

TEST_F(FormPreviewTest, CreationSetsTheCaptionWithTwoTrailingBlanks) {
  EXPECT_EQ(form_.Form().Caption(), "Voltaris Battery Formation Simulator  ");
}

TEST_F(FormPreviewTest, F1OpensTheHelpFileBesideTheProgramOrSaysItIsMissing) {
  EXPECT_TRUE(form_.FormKeyDown({"F1"}));
  const std::string help = (dir_ / "Voltaris_Help.html").string();
  ASSERT_EQ(platform_.messages.size(), 1u);
  EXPECT_EQ(platform_.messages[0].kind, MessageKind::Information);
  EXPECT_EQ(platform_.messages[0].text, "Help file not found: " + help);
  EXPECT_TRUE(platform_.opened.empty());

  std::ofstream(help) << "<html></html>";
  EXPECT_TRUE(form_.FormKeyDown({"F1"}));
  EXPECT_EQ(platform_.opened, std::vector<std::string>{help});
  EXPECT_EQ(platform_.messages.size(), 1u);
}

TEST_F(FormPreviewTest, CtrlAShowsTheAboutBoxAndOtherChordsDoNothing) {
  EXPECT_FALSE(form_.FormKeyDown({"A", true, true, false}));  // Ctrl+Shift+A
  EXPECT_FALSE(form_.FormKeyDown({"A"}));
  EXPECT_FALSE(form_.FormKeyDown({"F1", true}));
  EXPECT_TRUE(platform_.messages.empty());

  EXPECT_TRUE(form_.FormKeyDown({"A", true}));
  ASSERT_EQ(platform_.messages.size(), 1u);
  const RecordedMessage& about = platform_.messages[0];
  EXPECT_EQ(about.kind, MessageKind::About);
  EXPECT_EQ(about.title, "About Voltaris");
  EXPECT_EQ(about.text,
            "Voltaris Battery Formation Simulator\nVersion 5.1\n"
            "Advanced battery formation protocol simulator with AI-powered\r\n"
            "analysis, SEI growth modeling, and multi-pattern waveform optimization.");
}

TEST_F(FormPreviewTest, NumericEditsFilterTypedCharacters) {
  struct Case {
    const char* control;
    char32_t ch;
    bool accepted;
  };
  const Case cases[] = {
      {"edCellCapAh", U'e', false}, {"edSeiRateBase", U'e', true}, {"edCellCapAh", U'7', true},
      {"edCellCapAh", U'.', true},  {"edCellCapAh", U',', true},   {"edCellCapAh", U'-', true},
      {"edCellCapAh", U'+', false}, {"edCellCapAh", U' ', false},  {"edCellCapAh", 0x16, true},  // Ctrl+V
      {"edCellCapAh", 0x08, true},  {"edCellCapAh", U'Ω', false},  {"EdBezPoints", U'[', true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(form_.KeyPress(c.control, c.ch), c.accepted) << c.control << " U+" << std::hex << int(c.ch);
}

TEST_F(FormPreviewTest, HintsShowTheirLongPartInTheStatusBar) {
  form_.HoverControl("EdGauMu");
  EXPECT_EQ(form_.Form().Text("FStatusBar"), "Pulse center: 0.5 = mid-cycle, 0.3 = front-loaded, 0.7 = back-loaded.");
  form_.AppHint("No bar at all");
  EXPECT_EQ(form_.Form().Text("FStatusBar"), "No bar at all");
  form_.HoverControl("btnStart");  // no hint
  EXPECT_EQ(form_.Form().Text("FStatusBar"), "");
}

TEST_F(FormPreviewTest, DoubleClickUndoesTheZoomOfTheLiveCharts) {
  ChartModel& chart = form_.Form().Chart("chI");
  chart.SetZoom({1, 2, 3, 4});
  form_.Form().UserDoubleClick("chI");
  EXPECT_FALSE(chart.Zoom().has_value());
}

TEST_F(FormPreviewTest, ProbesCheckTheirNameAndArgumentCount) {
  form_.RegisterProbe("Twice", 1, [](const std::vector<double>& a) { return Json(2 * a[0]); });
  EXPECT_EQ(form_.CallProbe("Twice", {2.5}), Json(5.0));
  EXPECT_THROW(form_.CallProbe("Twice", {}), FormError);
  EXPECT_THROW(form_.CallProbe("Nope", {}), FormError);
}

}  // namespace
}  // namespace voltaris
