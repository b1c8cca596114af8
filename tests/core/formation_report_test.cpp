// The formation report: pages, texts, the comparison table, the AI text clean-up and the
// artwork, checked in the file's own bytes and with the Debian PDF tools (qpdf,
// poppler-utils) on real files.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "form/chart_model.h"
#include "report/formation_report.h"
#include "report/pdf_writer.h"
#include "../pdf_tools.h"

using namespace voltaris;

namespace {

namespace fs = std::filesystem;

using testing_pdf::HavePdfTools;
using testing_pdf::PdfPages;
using testing_pdf::Shell;
using testing_pdf::ShellResult;

int Count(const std::string& s, const std::string& part) {
  int n = 0;
  for (size_t p = s.find(part); p != std::string::npos; p = s.find(part, p + part.size())) ++n;
  return n;
}

// A solid raster of the asked size, as a platform that draws charts would give.
ChartRasterFn SolidCharts() {
  return [](ChartModel&, int w, int h) -> std::optional<RgbRaster> {
    RgbRaster r;
    r.width = w;
    r.height = h;
    r.rgb.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 3u, 0xC8);
    return r;
  };
}

TPdfMetrics SampleMetrics() {
  TPdfMetrics m;
  m.PatternName = "sine";
  m.SEI_nm = 18.4321;
  m.CE1_pct = 91.25;
  m.t_done_min = 42.4;
  m.I_rms_A = 2.345;
  m.I_pk_A = 3.5;
  m.E_Wh = 12.5;
  m.SOC_pct = 87.5;
  m.HxFactor = 1.234;
  m.k_diss = 0.0123;
  m.k_CE1 = 0.456;
  m.CellType = "LFP 5Ah";
  m.Temp_C = 25;
  m.VStepText = "0,3.4; 30,3.6";
  m.IStepText = "0,1.2; 5,2";
  m.VRampUpS = 60;
  m.VRampDnS = 30;
  m.IRampUpS = 240;
  m.IRampDnS = 120;
  m.EnergyMemo =
      "Charge   : 4.12 Ah\r\nEnergy   : 12.5 Wh\r\n---\r\nI-rms    : 2.345 A\r\n\r\n=== HX vs CC/CV ===\r\n"
      "Metric          CC/CV  Pattern\r\nSEI (nm)        25.0   18.4\r\n--- Gains ---\r\nTime saved : 10 min\r\n";
  m.ChemMemo = "SEI final: 18.4 nm\r\n---\r\nCE1: 91.25 %\r\n";
  m.Temp_min_C = 25;
  m.Temp_max_C = 31.5;
  m.Vnom_V = 3.2;
  m.CapAh = 5;
  m.Rint_mOhm = 18;
  m.Mass_g = 70;
  m.HeatCap_JpgK = 0.9;
  m.R0_mOhm = 10;
  return m;
}

std::vector<TPatternResult> SampleRows() {
  return {{"CC/CV", 25.0, 89.0, 60.0, 13.0, false},
          {"Sine", 18.4321, 91.25, 42.4, 12.5, true},
          {"Triangle", 16.0, 91.5, 36.6, 11.83, false}};
}

class FormationReport : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("voltaris_report_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "prog");
    // The artwork is also looked for in the current folder: make it one without pictures.
    oldCwd_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(oldCwd_);
    fs::remove_all(dir_);
  }

  std::string Build(const TPdfMetrics& m, const std::vector<TPatternResult>& rows, const RgbRaster* bitmap3D = nullptr,
                    bool profile = false) {
    TReportCharts charts{&wave_, &sim_, &sei_, &ocv_, &temp_, profile ? &prof_ : nullptr};
    return TVoltarisPdfExporter::BuildPdf(m, rows, charts, SolidCharts(), "", "", bitmap3D, dir_ / "prog",
                                          "2026-12-10 14:05");
  }

  // Writes the report through the exporter and returns its path.
  fs::path Export(const std::string& name, const TPdfMetrics& m, const RgbRaster* bitmap3D = nullptr,
                  bool profile = false) {
    const fs::path file = dir_ / name;
    TReportCharts charts{&wave_, &sim_, &sei_, &ocv_, &temp_, profile ? &prof_ : nullptr};
    EXPECT_TRUE(TVoltarisPdfExporter::ExportToPdf(file.string(), m, SampleRows(), charts, SolidCharts(), "", "",
                                                  bitmap3D, dir_ / "prog", "2026-12-10 14:05"));
    return file;
  }

  fs::path dir_, oldCwd_;
  ChartModel wave_{"chWave"}, sim_{"chSim"}, sei_{"chSEI"}, ocv_{"chOCV"}, temp_{"chT"}, prof_{"chSEI3DProf"};
};

RgbRaster Bitmap3D() {
  RgbRaster r;
  r.width = 110;
  r.height = 55;
  r.rgb.assign(110u * 55u * 3u, 0x40);
  return r;
}

}  // namespace

TEST_F(FormationReport, PageCountsAndFootersFollowThe3DAndAIPages) {
  if (!HavePdfTools()) GTEST_SKIP() << "qpdf / poppler-utils not installed (scripts/install-deps.sh)";
  TPdfMetrics withAI = SampleMetrics();
  withAI.AIAnalysis = "## Verdict\r\nThe **sine** pattern grows a thinner SEI.\r\n";
  withAI.AIPattern = "sine";
  const RgbRaster bitmap = Bitmap3D();
  struct Case {
    const char* name;
    TPdfMetrics m;
    const RgbRaster* bitmap;
    bool profile;
    int pages;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {"two.pdf", SampleMetrics(), nullptr, false, 2,
       {"Formation Waveform", "Energy & Formation Summary", "Pattern Performance vs CC/CV", "Page 1/2", "Page 2/2"}},
      {"ai.pdf", withAI, nullptr, false, 3, {"AI Formation Analysis (Claude)", "Recommended Pattern: sine", "Page 3/3"}},
      {"profile.pdf", SampleMetrics(), nullptr, true, 3, {"SEI 3D Spatial Analysis", "Page 3/3"}},
      {"bitmap.pdf", SampleMetrics(), &bitmap, false, 3, {"SEI Growth Surface", "Page 3/3"}},
      {"four.pdf", withAI, &bitmap, true, 4,
       {"SEI 3D Spatial Analysis", "Page 3/4", "AI Formation Analysis (Claude)", "Page 4/4"}},
  };
  for (const Case& c : cases) {
    const fs::path file = Export(c.name, c.m, c.bitmap, c.profile);
    const std::string f = file.string();
    const ShellResult check = Shell("qpdf --check '" + f + "'");
    EXPECT_EQ(check.code, 0) << c.name << "\n" << check.out;
    EXPECT_NE(check.out.find("No syntax or stream encoding errors"), std::string::npos) << c.name << check.out;
    EXPECT_EQ(PdfPages(f), c.pages) << c.name;
    const ShellResult text = Shell("pdftotext -layout '" + f + "' -");
    EXPECT_EQ(text.code, 0) << c.name;
    for (const std::string& t : c.texts) EXPECT_NE(text.out.find(t), std::string::npos) << c.name << ": " << t;
    // Every page renders.
    const ShellResult ppm = Shell("pdftoppm -r 30 -png '" + f + "' '" + (dir_ / "page").string() + "' && ls '" +
                          dir_.string() + "' | grep -c '^page-.*png$'");
    EXPECT_EQ(ppm.code, 0) << c.name << ppm.out;
    EXPECT_EQ(std::stoi(ppm.out), c.pages) << c.name;
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().filename().string().rfind("page-", 0) == 0) fs::remove(e.path());
  }
}

TEST_F(FormationReport, FileStructure) {
  const std::string pdf = Build(SampleMetrics(), SampleRows());
  EXPECT_EQ(pdf.substr(0, 15), "%PDF-1.4\n\x25\xE2\xE3\xCF\xD3\n");
  EXPECT_EQ(pdf.substr(pdf.size() - 6), "\n%%EOF");
  EXPECT_NE(pdf.find("0.094 0.165 0.306 rg\r\nBT /F1 6 Tf 20.0 10.0 Td (Voltaris v5.1   2026-12-10 14:05   Pattern: sine"
                     "   Page 1/2) Tj ET\r\n0 0 0 rg\r\n"),
            std::string::npos);
  EXPECT_NE(pdf.find("\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                     "2 0 obj << /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >> endobj\n"
                     "3 0 obj << /Type /Page /Parent 2 0 R\n/MediaBox [0 0 595 842]\n/Contents 5 0 R\n"
                     "/Resources << /Font << /F1 12 0 R /F2 13 0 R >> /XObject << /ImSim 7 0 R /ImSEI 8 0 R "
                     "/ImWave 9 0 R /ImOCV 10 0 R /ImT 11 0 R >> >>\n>> endobj\n"),
            std::string::npos);
  EXPECT_NE(pdf.find("12 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >> "
                     "endobj\n13 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold"),
            std::string::npos);
  // The charts at their raster sizes, simulation first.
  EXPECT_NE(pdf.find("7 0 obj\n<< /Type /XObject /Subtype /Image /Width 1110 /Height 334\n"), std::string::npos);
  EXPECT_NE(pdf.find("9 0 obj\n<< /Type /XObject /Subtype /Image /Width 670 /Height 220\n"), std::string::npos);
  EXPECT_NE(pdf.find("/Length 884401 >>"), std::string::npos);
  EXPECT_NE(pdf.find("xref\n0 14\n"), std::string::npos);

  // Without a chart raster (a platform that cannot draw) the images are null objects and
  // nothing draws them.
  TReportCharts charts{&wave_, &sim_, &sei_, &ocv_, &temp_, nullptr};
  const std::string bare = TVoltarisPdfExporter::BuildPdf(SampleMetrics(), SampleRows(), charts, {}, "", "", nullptr,
                                                          dir_ / "prog", "2026-12-10 14:05");
  EXPECT_NE(bare.find("7 0 obj null endobj\n8 0 obj null endobj\n9 0 obj null endobj\n10 0 obj null endobj\n"
                      "11 0 obj null endobj\n"),
            std::string::npos);
  EXPECT_EQ(bare.find(" Do Q"), std::string::npos);
}

TEST_F(FormationReport, FourPagesNumberTheirObjectsInOrder) {
  TPdfMetrics m = SampleMetrics();
  m.AIAnalysis = "Text";
  const RgbRaster bitmap = Bitmap3D();
  const std::string pdf = Build(m, SampleRows(), &bitmap, true);
  EXPECT_NE(pdf.find("2 0 obj << /Type /Pages /Kids [3 0 R 4 0 R 14 0 R 18 0 R] /Count 4 >> endobj"),
            std::string::npos);
  EXPECT_NE(pdf.find(" /ImSEI3D 16 0 R /ImSEI3DProf 17 0 R >>"), std::string::npos);
  EXPECT_NE(pdf.find("14 0 obj << /Type /Page /Parent 2 0 R\n/MediaBox [0 0 595 842]\n/Contents 15 0 R\n"),
            std::string::npos);
  // An extra page's content follows its page object.
  EXPECT_LT(pdf.find("14 0 obj << /Type /Page"), pdf.find("15 0 obj << /Length"));
  EXPECT_LT(pdf.find("15 0 obj << /Length"), pdf.find("18 0 obj << /Type /Page"));
  EXPECT_LT(pdf.find("19 0 obj << /Length"), pdf.find("\n5 0 obj << /Length"));
  EXPECT_NE(pdf.find("16 0 obj\n<< /Type /XObject /Subtype /Image /Width 110 /Height 55\n/ColorSpace"),
            std::string::npos);
  EXPECT_NE(pdf.find("17 0 obj\n<< /Type /XObject /Subtype /Image /Width 1110 /Height 320\n /ColorSpace"),
            std::string::npos);
  EXPECT_NE(pdf.find("xref\n0 20\n"), std::string::npos);

  // Only the AI page: it is page 3 of 3.
  const std::string ai = Build(m, SampleRows());
  EXPECT_NE(ai.find("/Kids [3 0 R 4 0 R 14 0 R] /Count 3"), std::string::npos);
  EXPECT_NE(ai.find("Page 3/3) Tj ET"), std::string::npos);
}

TEST_F(FormationReport, ArtworkIsFoundBesideTheProgramAndPlaced) {
  // Without artwork the XObject dictionary starts with the simulation chart.
  EXPECT_NE(Build(SampleMetrics(), SampleRows()).find("/XObject << /ImSim 7 0 R"), std::string::npos);

  // A header picture only (a small real JPEG made by the test is not needed: the writer
  // takes the bytes as they are and falls back to the default size).
  std::ofstream(dir_ / "prog" / "ZodOduzaz.jpg", std::ios::binary) << "\xFF\xD8\xFF\xD9 not a real picture";
  TPdfMetrics m = SampleMetrics();
  m.AIAnalysis = "Text";
  const RgbRaster bitmap = Bitmap3D();
  const std::string pdf = Build(m, SampleRows(), &bitmap, false);
  EXPECT_NE(pdf.find("/XObject << /ImHdr 7 0 R /ImSim 8 0 R"), std::string::npos);
  EXPECT_NE(pdf.find("7 0 obj\n<< /Type /XObject /Subtype /Image /Width 2000 /Height 267\n /ColorSpace /DeviceRGB "
                     "/BitsPerComponent 8\n /Filter /DCTDecode"),
            std::string::npos);
  // Pages 1 and 2 place it across the page, pages 3 and 4 inside the margins; no footer.
  EXPECT_EQ(Count(pdf, "q 595 0 0 80 0 762 cm /ImHdr Do Q"), 2);
  EXPECT_EQ(Count(pdf, "q 555 0 0 80 20 762 cm /ImHdr Do Q"), 2);
  EXPECT_EQ(Count(pdf, "/ImFtr"), 0);
}

TEST_F(FormationReport, ComparisonTableRows) {
  // Reference and active rows with the three differences.
  const std::string pdf = Build(SampleMetrics(), SampleRows());
  EXPECT_NE(pdf.find("BT /F1 6 Tf 23.0 217.0 Td (   CC/CV) Tj ET"), std::string::npos);
  EXPECT_NE(pdf.find("BT /F2 6 Tf 23.0 203.0 Td (>> Sine) Tj ET"), std::string::npos);
  // dSEI = (25 - 18.4321) / 25 = +26.3 %, dCE1 = (91.25 - 89) / 89 = +2.5 %, dWh = (13 - 12.5) / 13 = +3.8 %.
  EXPECT_NE(pdf.find("0.000 0.480 0.000 rg\r\nBT /F1 6 Tf 325.0 203.0 Td (+26.3%) Tj ET"), std::string::npos);
  EXPECT_NE(pdf.find("Td (+2.5%) Tj ET"), std::string::npos);
  EXPECT_NE(pdf.find("Td (+3.8%) Tj ET"), std::string::npos);
  EXPECT_NE(pdf.find("BT /F1 6 Tf 484.0 203.0 Td (1.234) Tj ET"), std::string::npos);
  EXPECT_EQ(pdf.find("Triangle"), std::string::npos);  // only one active row, no others

  // A worse row is written red without a plus sign.
  std::vector<TPatternResult> worse = SampleRows();
  worse[1].SEI_nm = 30;
  EXPECT_NE(Build(SampleMetrics(), worse).find("0.650 0.100 0.100 rg\r\nBT /F1 6 Tf 325.0 203.0 Td (-20.0%) Tj ET"),
            std::string::npos);

  // Without a CC/CV row: no reference row and no difference columns.
  std::vector<TPatternResult> noRef = SampleRows();
  noRef.erase(noRef.begin());
  const std::string bare = Build(SampleMetrics(), noRef);
  EXPECT_NE(bare.find("Td (>> Sine) Tj ET"), std::string::npos);
  EXPECT_NE(bare.find("BT /F2 6 Tf 23.0 217.0 Td (>> Sine)"), std::string::npos);
  EXPECT_EQ(bare.find("Td (   "), std::string::npos);
  for (const char* column : {"325.0 217.0", "378.0 217.0", "431.0 217.0"})
    EXPECT_EQ(bare.find(column), std::string::npos) << column;

  // A CC/CV run: the same values on both rows and three "+0.0%".
  std::vector<TPatternResult> cccv = {{"CCCV", 25.0, 89.0, 60.0, 13.0, true}};
  const std::string same = Build(SampleMetrics(), cccv);
  EXPECT_NE(same.find("Td (   CCCV) Tj ET"), std::string::npos);
  EXPECT_NE(same.find("Td (>> CCCV) Tj ET"), std::string::npos);
  EXPECT_EQ(Count(same, "Td (+0.0%) Tj ET"), 3);
}

TEST_F(FormationReport, EnergyColumnsSplitAtTheComparisonBlock) {
  const std::string pdf = Build(SampleMetrics(), SampleRows());
  EXPECT_NE(pdf.find("BT /F1 8 Tf 20.0 380.0 Td (Charge   : 4.12 Ah) Tj ET"), std::string::npos);
  // "---" in the left column is a grey rule 4 pt above the line it replaces.
  EXPECT_NE(pdf.find("0.750 0.750 0.750 RG\r\n0.30 w 20.0 358.0 m 299.0 358.0 l S"), std::string::npos);
  // The right column starts at the "Metric ... CC/CV" line; "=== HX" lines are skipped.
  EXPECT_NE(pdf.find("BT /F1 8 Tf 307.0 380.0 Td (Metric          CC/CV  Pattern) Tj ET"), std::string::npos);
  EXPECT_EQ(pdf.find("(=== HX"), std::string::npos);
  EXPECT_NE(pdf.find("0.30 w 307.0 358.0 m 575.0 358.0 l S"), std::string::npos);  // "--- Gains ---"

  // Without a comparison block: the five fixed lines on the right.
  TPdfMetrics m = SampleMetrics();
  m.EnergyMemo = "Charge   : 4.12 Ah\r\n";
  const std::string fixed = Build(m, SampleRows());
  EXPECT_NE(fixed.find("Td (SEI:  18.4 nm) Tj ET"), std::string::npos);
  EXPECT_NE(fixed.find("Td (CE1:  91.25 %) Tj ET"), std::string::npos);
  EXPECT_NE(fixed.find("Td (Hx:   1.234) Tj ET"), std::string::npos);
  EXPECT_NE(fixed.find("Td (I-rms:2.345 A) Tj ET"), std::string::npos);
  EXPECT_NE(fixed.find("BT /F1 8 Tf 307.0 328.0 Td (t:    42 min) Tj ET"), std::string::npos);

  // A long memo stops below y 85.
  m.EnergyMemo.clear();
  for (int i = 0; i < 60; ++i) m.EnergyMemo += "Line " + std::to_string(i) + "\n";
  const std::string cut = Build(m, SampleRows());
  EXPECT_NE(cut.find("Td (Line 22) Tj ET"), std::string::npos);  // y = 380 - 22 * 13 = 94
  EXPECT_EQ(cut.find("Td (Line 23) Tj ET"), std::string::npos);  // y = 81
}

TEST(FormationReportText, AITextCleanUp) {
  const std::string text =
      "### **Verdict**: use `Sine` now\r\n"
      "| Metric | Value |\r\n"
      "|---|---|\n"
      "\n"
      "   * bullet with *stars*\r"
      "Se\u00E7im \u015Fekli\n"
      "\u00E7\u011F\n" +
      std::string(110, 'x') + "\n" + std::string(105, 'y') + "\n";
  const std::vector<std::string> want = {"Verdict: use Sine now", "bullet with stars", "Se im  ekli",
                                         std::string(102, 'x') + "...", std::string(105, 'y')};
  EXPECT_EQ(TVoltarisPdfExporter::CleanAIText(text), want);
  EXPECT_TRUE(TVoltarisPdfExporter::CleanAIText("  \r\n\r\n").empty());
  EXPECT_EQ(TVoltarisPdfExporter::SplitLines("a\r\n\r\nb\rc\n"), (std::vector<std::string>{"a", "", "b", "c"}));
}

TEST(FormationReportText, WhiteChartScopeRestoresTheFourSettings) {
  ChartModel chart("chSim");
  chart.style.panelColor = {24, 24, 24};
  chart.style.backColor = {30, 30, 30};
  chart.style.backWallBrush = {40, 40, 40};
  chart.style.backWallVisible = true;
  const Rgb white{255, 255, 255};
  try {
    const TWhiteChartScope scope(chart);
    EXPECT_EQ(chart.style.panelColor, white);
    EXPECT_EQ(chart.style.backColor, white);
    EXPECT_EQ(chart.style.backWallBrush, white);
    EXPECT_FALSE(chart.style.backWallVisible);
    throw std::runtime_error("drawing failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(chart.style.panelColor, (Rgb{24, 24, 24}));
  EXPECT_EQ(chart.style.backColor, (Rgb{30, 30, 30}));
  EXPECT_EQ(chart.style.backWallBrush, (Rgb{40, 40, 40}));
  EXPECT_TRUE(chart.style.backWallVisible);
}

TEST_F(FormationReport, AFailedWriteLeavesNothingBehind) {
  const fs::path file = dir_ / "report.pdf";
  std::ofstream(file) << "old";
  fs::create_directories(dir_ / "taken.pdf");
  TReportCharts charts{&wave_, &sim_, &sei_, &ocv_, &temp_, nullptr};
  // A folder in the way of the file name: an exception, no stray temporary file.
  EXPECT_ANY_THROW(TVoltarisPdfExporter::ExportToPdf((dir_ / "taken.pdf").string(), SampleMetrics(), SampleRows(),
                                                     charts, SolidCharts(), "", "", nullptr, dir_ / "prog"));
  int entries = 0;
  for (const auto& e : fs::directory_iterator(dir_)) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 3);  // prog, report.pdf, taken.pdf
  // An existing report is replaced as a whole.
  EXPECT_TRUE(TVoltarisPdfExporter::ExportToPdf(file.string(), SampleMetrics(), SampleRows(), charts, SolidCharts(),
                                                "", "", nullptr, dir_ / "prog"));
  std::ifstream in(file, std::ios::binary);
  std::string head(8, '\0');
  in.read(head.data(), 8);
  EXPECT_EQ(head, "%PDF-1.4");
}
