// The PDF Export command of the window: the message before a run, the comparison rows,
// the report record completed from the controls, the save dialog, one 3D capture attempt
// per export, the file written and opened.
#include <gtest/gtest.h>

#include "layout_values.h"

#include <filesystem>
#include <fstream>

#include "form/recording_platform.h"
#include "window/form_preview.h"

namespace voltaris {
namespace {

namespace fs = std::filesystem;

// Records the save dialog's request; decodes "PNG" bytes of the form "WxH" into a grey
// raster, so the capture path runs without an image library.
class ReportPlatform : public RecordingPlatform {
 public:
  std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override {
    requests.push_back(request);
    return RecordingPlatform::SaveFileDialog(request);
  }
  std::optional<RgbRaster> DecodePng(const std::string& bytes) override {
    ++decoded;
    const size_t x = bytes.find('x');
    if (x == std::string::npos) return std::nullopt;
    RgbRaster r;
    r.width = std::stoi(bytes.substr(0, x));
    r.height = std::stoi(bytes.substr(x + 1));
    r.rgb.assign(static_cast<size_t>(r.width) * static_cast<size_t>(r.height) * 3u, 0x80);
    return r;
  }
  std::vector<FileDialogRequest> requests;
  int decoded = 0;
};

class ReportExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("voltaris_export_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    platform_.programDir = dir_;  // no artwork there, nor in the current folder
    oldCwd_ = fs::current_path();
    fs::current_path(dir_);
    form_.FormCreate();
    RestoreLayoutValues(f());
  }
  void TearDown() override {
    fs::current_path(oldCwd_);
    fs::remove_all(dir_);
  }
  FormModel& f() { return form_.Form(); }

  // The figures a finished sine run leaves behind.
  void FinishedRun(const std::string& patternType) {
    TPdfMetrics& m = form_.FLastMetrics;
    m.PatternName = patternType;
    m.SEI_nm = 20;
    m.CE1_pct = 90;
    m.t_done_min = 50;
    m.E_Wh = 10;
    m.CellType = "LFP 5Ah";
    form_.FLastPatType = patternType;
    form_.FSimOut.CE1_pct = 91;
    form_.FSimOut.t_done_s = 2400;
  }

  std::string ReadHead(const fs::path& p, size_t n) {
    std::ifstream in(p, std::ios::binary);
    std::string s(n, '\0');
    in.read(s.data(), static_cast<std::streamsize>(n));
    return s;
  }

  fs::path dir_, oldCwd_;
  ReportPlatform platform_;
  TFormPreview form_{platform_};
};

TEST_F(ReportExportTest, BeforeAnyRunAMessageInsteadOfAnEmptyReport) {
  platform_.QueueDialogAnswer((dir_ / "r.pdf").string());
  f().UserClick("btnPdfExport");
  ASSERT_EQ(platform_.messages.size(), 1u);
  EXPECT_EQ(platform_.messages[0].kind, MessageKind::Information);
  EXPECT_EQ(platform_.messages[0].text, TReportExport::kNoRunMessage);
  EXPECT_TRUE(platform_.requests.empty());
  EXPECT_FALSE(fs::exists(dir_ / "r.pdf"));
}

TEST_F(ReportExportTest, ComparisonRowsAreFractionsOfTheBaselineWithTheRunOnItsRow) {
  FinishedRun("sine");
  struct Want {
    const char* name;
    double sei, ce1, t, wh;
    bool active;
  };
  // No stored CC-CV result: the run itself is the baseline.
  const Want fromRun[] = {{"CC/CV", 20, 90, 50, 10, false},
                          {"Sine", 20, 91, 40, 10, true},  // the run's own values
                          {"Triangle", 20 * 0.64, 92.5, 50 * 0.61, 10 * 0.91, false},
                          {"Superpulse", 20 * 0.62, 92.6, 50 * 0.60, 10 * 0.89, false},
                          {"Gaussian", 20 * 0.61, 92.7, 50 * 0.59, 10 * 0.88, false}};
  std::vector<TPatternResult> rows = form_.report.ComparisonRows();
  ASSERT_EQ(rows.size(), 5u);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].Name, fromRun[i].name);
    EXPECT_DOUBLE_EQ(rows[i].SEI_nm, fromRun[i].sei) << rows[i].Name;
    EXPECT_DOUBLE_EQ(rows[i].CE1_pct, fromRun[i].ce1) << rows[i].Name;
    EXPECT_DOUBLE_EQ(rows[i].t_min, fromRun[i].t) << rows[i].Name;
    EXPECT_DOUBLE_EQ(rows[i].E_Wh, fromRun[i].wh) << rows[i].Name;
    EXPECT_EQ(rows[i].IsActive, fromRun[i].active) << rows[i].Name;
  }

  // A stored CC-CV result is the baseline; its energy is still the run's.
  form_.FBaseline_valid = true;
  form_.FBaseline_SEI_nm = 30;
  form_.FBaseline_CE1_pct = 88;
  form_.FBaseline_t_min = 70;
  rows = form_.report.ComparisonRows();
  EXPECT_DOUBLE_EQ(rows[0].SEI_nm, 30);
  EXPECT_DOUBLE_EQ(rows[0].CE1_pct, 88);
  EXPECT_DOUBLE_EQ(rows[0].t_min, 70);
  EXPECT_DOUBLE_EQ(rows[0].E_Wh, 10);
  EXPECT_DOUBLE_EQ(rows[4].SEI_nm, 30 * 0.61);

  // The CC-CV pattern ("cc_cv") is the CC/CV row; a type without a row marks none.
  FinishedRun("cc_cv");
  rows = form_.report.ComparisonRows();
  EXPECT_TRUE(rows[0].IsActive);
  EXPECT_DOUBLE_EQ(rows[0].SEI_nm, 20);
  EXPECT_DOUBLE_EQ(rows[0].t_min, 40);
  FinishedRun("sinusoidal");  // the sine tab's pattern type
  EXPECT_TRUE(form_.report.ComparisonRows()[1].IsActive);
  FinishedRun("triangle");
  EXPECT_TRUE(form_.report.ComparisonRows()[2].IsActive);
  FinishedRun("bezier");
  for (const TPatternResult& r : form_.report.ComparisonRows()) EXPECT_FALSE(r.IsActive) << r.Name;
}

TEST_F(ReportExportTest, MetricsAreCompletedFromTheControls) {
  FinishedRun("sine");
  f().SetText("edtVsteps", "0,3.4; 30,3.6");
  f().SetText("edtRU", "240");
  f().SetText("edtVRU", "oops");
  f().SetLines("MemoSimStats1", {"Charge : 4 Ah", "---"});
  f().SetLines("MemoSimStats2", {"=== HX vs CC/CV ==="});
  f().SetLines("MemoChemMetrics", {"SEI: 20 nm"});
  f().SetLines("memoAIResponse", {TReportExport::kAIPlaceholder});
  f().SetText("edCellNomV", "x");
  f().SetText("edCellRint", "");
  f().SetText("edtR0", "0.02");
  form_.FChemP.Vmin = 2.5;
  form_.FSimOut.T_C = {25.5, 31.25, 24.75};
  TPdfMetrics m = form_.report.CompletedMetrics();
  EXPECT_EQ(m.VStepText, "0,3.4; 30,3.6");
  EXPECT_EQ(m.IStepText, f().Text("edtIStep"));
  EXPECT_DOUBLE_EQ(m.IRampUpS, 240);
  EXPECT_DOUBLE_EQ(m.VRampUpS, 0);  // unreadable
  EXPECT_EQ(m.EnergyMemo, "Charge : 4 Ah\r\n---\r\n=== HX vs CC/CV ===\r\n");
  EXPECT_EQ(m.SimStatsMemo, "Charge : 4 Ah\r\n---\r\n\r\n=== HX vs CC/CV ===\r\n");
  EXPECT_EQ(m.ChemMemo, "SEI: 20 nm\r\n");
  EXPECT_EQ(m.AIAnalysis, "");  // the start-up hint is no analysis
  EXPECT_DOUBLE_EQ(m.V_min_V, 2.5);
  EXPECT_DOUBLE_EQ(m.V_max_V, 3.6);
  EXPECT_DOUBLE_EQ(m.I_max_A, f().Number("EdSineMax", -1));
  EXPECT_DOUBLE_EQ(m.Duty_pct, 0);
  EXPECT_DOUBLE_EQ(m.Temp_min_C, 24.75);
  EXPECT_DOUBLE_EQ(m.Temp_max_C, 31.25);
  EXPECT_DOUBLE_EQ(m.Vnom_V, 3.2);   // fallbacks
  EXPECT_DOUBLE_EQ(m.Rint_mOhm, 18);
  EXPECT_DOUBLE_EQ(m.R0_mOhm, 20);   // ohms x 1000
  EXPECT_DOUBLE_EQ(m.CapAh, 5.0);
  EXPECT_EQ(m.AIPattern, form_.GChem ? "sine" : "");
  EXPECT_EQ(m.SEI_nm, 20);           // the run's own figures stay

  f().SetLines("memoAIResponse", {"## Verdict", "Use the sine pattern."});
  form_.FSimOut.T_C.clear();
  m = form_.report.CompletedMetrics();
  EXPECT_EQ(m.AIAnalysis, "## Verdict\r\nUse the sine pattern.\r\n");
  EXPECT_DOUBLE_EQ(m.Temp_min_C, 25);
  EXPECT_DOUBLE_EQ(m.Temp_max_C, 25);
}

TEST_F(ReportExportTest, ExportAsksForAFileWritesItAndOpensIt) {
  FinishedRun("sine");
  const fs::path file = dir_ / "out.pdf";
  platform_.QueueDialogAnswer(file.string());
  f().UserClick("btnPdfExport");
  ASSERT_EQ(platform_.requests.size(), 1u);
  const FileDialogRequest& r = platform_.requests[0];
  EXPECT_EQ(r.filter, "PDF Files|*.pdf");
  EXPECT_EQ(r.defaultExt, "pdf");
  EXPECT_EQ(r.fileName.substr(0, 16), "Voltaris_Report_");
  EXPECT_EQ(r.fileName.size(), 16u + 13u);  // yyyymmdd_hhnn
  EXPECT_EQ(r.fileName[24], '_');
  EXPECT_TRUE(platform_.messages.empty());
  EXPECT_EQ(ReadHead(file, 8), "%PDF-1.4");
  EXPECT_EQ(platform_.opened, std::vector<std::string>{file.string()});

  // Cancelled: nothing written, nothing opened.
  platform_.QueueDialogAnswer(std::nullopt);
  f().UserClick("btnPdfExport");
  EXPECT_EQ(platform_.opened.size(), 1u);
}

TEST_F(ReportExportTest, OneCaptureAttemptPerExportAndTheBitmapGoesWithIt) {
  FinishedRun("sine");
  int captures = 0;
  std::optional<std::string> answer = "1100x550";
  form_.report.capture3D = [&] {
    ++captures;
    return answer;
  };
  const struct {
    std::optional<std::string> png;
    bool has3DPage;
  } cases[] = {{"1100x550", true}, {std::nullopt, false}, {"broken", false}, {"", false}};
  int n = 0;
  for (const auto& c : cases) {
    answer = c.png;
    const fs::path file = dir_ / ("r" + std::to_string(n++) + ".pdf");
    platform_.QueueDialogAnswer(file.string());
    f().UserClick("btnPdfExport");
    std::ifstream in(file, std::ios::binary);
    const std::string pdf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(pdf.find("/Count 3") != std::string::npos, c.has3DPage) << n;
    EXPECT_EQ(pdf.find("/Width 1100 /Height 550\n/ColorSpace") != std::string::npos, c.has3DPage) << n;
    EXPECT_EQ(captures, n);  // exactly one attempt, whatever it gave
  }
  // A cancelled dialog still used (and dropped) its capture; the next export captures again.
  platform_.QueueDialogAnswer(std::nullopt);
  f().UserClick("btnPdfExport");
  EXPECT_EQ(captures, n + 1);
  EXPECT_TRUE(platform_.messages.empty());
}

}  // namespace
}  // namespace voltaris
