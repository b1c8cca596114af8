// The PDF writer: operator lines, number formats, escaping, text encoding, image objects,
// the JPEG size reader, the artwork search and the file's cross-reference table.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <locale>
#include <string>

#include "common/numbers.h"
#include "report/pdf_writer.h"

using namespace voltaris;
using namespace voltaris::pdf;

namespace {

namespace fs = std::filesystem;

// A decimal comma everywhere the program or the C/C++ libraries could pick one up.
class CommaLocale {
 public:
  CommaLocale() : oldSep_(UserDecimalSeparator()), oldGlobal_(std::locale()) {
    SetUserDecimalSeparator(',');
    struct Comma : std::numpunct<char> {
      char do_decimal_point() const override { return ','; }
      char do_thousands_sep() const override { return '.'; }
      std::string do_grouping() const override { return "\3"; }
    };
    std::locale::global(std::locale(std::locale::classic(), new Comma));
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "tr_TR.UTF-8", "fr_FR.UTF-8"})
      if (std::setlocale(LC_NUMERIC, name) != nullptr) break;
  }
  ~CommaLocale() {
    std::setlocale(LC_NUMERIC, "C");
    std::locale::global(oldGlobal_);
    SetUserDecimalSeparator(oldSep_);
  }

 private:
  char oldSep_;
  std::locale oldGlobal_;
};

void WriteAll(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// A minimal JPEG byte layout: start of image, one APP0 segment, a frame header with the
// given marker and size, and some padding.
std::string Jpeg(unsigned char sofMarker, int width, int height) {
  std::string b = "\xFF\xD8";
  b += std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
  b += '\xFF';
  b += static_cast<char>(sofMarker);
  b += std::string("\x00\x11\x08", 3);
  b += static_cast<char>(height >> 8);
  b += static_cast<char>(height & 0xFF);
  b += static_cast<char>(width >> 8);
  b += static_cast<char>(width & 0xFF);
  b += std::string(16, '\0');
  b += "\xFF\xD9";
  return b;
}

}  // namespace

TEST(PdfWriter, PdfStrEscapesParenthesesAndBackslashOnly) {
  EXPECT_EQ(PdfStr("a(b)c\\d"), "a\\(b\\)c\\\\d");
  EXPECT_EQ(PdfStr("SEI: 12.3 nm | 100%"), "SEI: 12.3 nm | 100%");
  EXPECT_EQ(PdfStr(""), "");
}

TEST(PdfWriter, NumbersUseAPointWhateverTheLocale) {
  const CommaLocale comma;
  struct Case {
    double v;
    int decimals;
    const char* text;
  };
  for (const Case& c : {Case{1234.5, 2, "1234.50"}, Case{0.25, 1, "0.3"}, Case{-0.004, 2, "0.00"},
                        Case{0.5, 3, "0.500"}, Case{-12.345, 1, "-12.3"}, Case{1e6, 4, "1000000.0000"}})
    EXPECT_EQ(FF(c.v, c.decimals), c.text) << c.v;
  EXPECT_EQ(FF0(2.5), "3");
  EXPECT_EQ(FF0(1234567.4), "1234567");
  EXPECT_EQ(FF(7.25, 0), "7");

  TPdfPage p;
  p.Tx("x", 20.26, 594.5, 6.5);
  p.SetRGB(0.894, 0.114, 0.114);
  p.HLine(0, 595, 762, 1.5);
  EXPECT_EQ(p.Lines()[0], "BT /F1 7 Tf 20.3 594.5 Td (x) Tj ET");
  EXPECT_EQ(p.Lines()[1], "0.894 0.114 0.114 rg");
  EXPECT_EQ(p.Lines()[2], "1.50 w 0.0 762.0 m 595.0 762.0 l S");
}

TEST(PdfWriter, FontSizesRoundHalvesUp) {
  const std::pair<double, const char*> cases[] = {{6.5, "7"}, {5.5, "6"}, {5.8, "6"}, {7.5, "8"},
                                                  {8, "8"},   {12, "12"}, {6, "6"},   {9.4, "9"}};
  for (const auto& [size, text] : cases) {
    TPdfPage p;
    p.TxB("T", 20, 740, size);
    EXPECT_EQ(p.Lines()[0], std::string("BT /F2 ") + text + " Tf 20.0 740.0 Td (T) Tj ET") << size;
  }
}

TEST(PdfWriter, OperatorLines) {
  TPdfPage p;
  p.Tx("Page (1/2) \\", 20, 10, 6);
  p.SetStroke(0.7, 0.7, 0.7);
  p.VLine(359, 616, 743);
  p.FillRect(20, 230, 555, 13, 0.094, 0.165, 0.306);
  p.PdfImg("ImWave", 20, 616, 335, 110);
  p.Add("0 0 0 RG");
  const std::vector<std::string> want = {"BT /F1 6 Tf 20.0 10.0 Td (Page \\(1/2\\) \\\\) Tj ET",
                                         "0.700 0.700 0.700 RG",
                                         "0.3 w 359.0 616.0 m 359.0 743.0 l S",
                                         "0.094 0.165 0.306 rg 20.0 230.0 555.0 13.0 re f",
                                         "0 0 0 rg",
                                         "q 335 0 0 110 20 616 cm /ImWave Do Q",
                                         "0 0 0 RG"};
  EXPECT_EQ(p.Lines(), want);
}

TEST(PdfWriter, ContentIsWindows1252WithCrLfAfterEveryLine) {
  TPdfPage p;
  p.Add("A \u2014 \u00E9 \u20AC");  // em dash, e acute, euro sign
  p.Add("\u015F\u0131 \u4E2D");      // Turkish s-cedilla and dotless i, a CJK character
  EXPECT_EQ(p.Content(), std::string("A \x97 \xE9 \x80\r\n??\x20?\r\n"));
  EXPECT_EQ(TPdfPage().Content(), "");
}

TEST(PdfWriter, RGBHexIsTwoUppercaseDigitsPerByte) {
  const uint8_t bytes[] = {0x00, 0xAB, 0xFF, 0x10, 0x09};
  EXPECT_EQ(RGBHex(bytes, 5), "00ABFF1009");
  EXPECT_EQ(RGBHex(bytes, 0), "");
}

TEST(PdfWriter, ChartObjectOfA670x220Raster) {
  RgbRaster r;
  r.width = 670;
  r.height = 220;
  r.rgb.assign(442200, 0x5A);
  const std::string obj = ChartObj(&r, 11, 670, 220);
  const std::string head =
      "11 0 obj\n<< /Type /XObject /Subtype /Image /Width 670 /Height 220\n /ColorSpace /DeviceRGB "
      "/BitsPerComponent 8\n /Filter /ASCIIHexDecode /Length 884401 >>\nstream\n";
  ASSERT_EQ(obj.substr(0, head.size()), head);
  const std::string tail = ">\nendstream\nendobj";
  EXPECT_EQ(obj.size(), head.size() + 884400 + tail.size());
  EXPECT_EQ(obj.substr(obj.size() - tail.size()), tail);
  EXPECT_EQ(obj.substr(head.size(), 6), "5A5A5A");

  // No chart, an empty raster or one of another size: no image.
  EXPECT_EQ(ChartObj(nullptr, 11, 670, 220), "");
  EXPECT_EQ(ChartObj(&r, 11, 671, 220), "");
  RgbRaster shortRaster = r;
  shortRaster.rgb.pop_back();
  EXPECT_EQ(ChartObj(&shortRaster, 11, 670, 220), "");
}

TEST(PdfWriter, BitmapObjectHasNoLeadingBlanksAndEndsWithLf) {
  RgbRaster r;
  r.width = 2;
  r.height = 1;
  r.rgb = {255, 0, 0, 0, 0, 255};
  EXPECT_EQ(BitmapObj(&r, 17),
            "17 0 obj\n<< /Type /XObject /Subtype /Image /Width 2 /Height 1\n/ColorSpace /DeviceRGB "
            "/BitsPerComponent 8\n/Filter /ASCIIHexDecode /Length 13 >>\nstream\nFF00000000FF>\nendstream\nendobj\n");
  EXPECT_EQ(BitmapObj(nullptr, 17), "");
  const RgbRaster empty;
  EXPECT_EQ(BitmapObj(&empty, 17), "");
  RgbRaster noRows = r;
  noRows.height = 0;
  EXPECT_EQ(BitmapObj(&noRows, 17), "");
}

TEST(PdfWriter, JpegSizes) {
  struct Case {
    const char* what;
    std::string bytes;
    int w, h;
  };
  std::string noFf = Jpeg(0xC0, 640, 480);
  noFf[20] = '\x00';  // the byte after the first segment is not a marker
  std::string zeroLength = Jpeg(0xC0, 640, 480);
  zeroLength[5] = '\x01';  // a segment length below 2
  const Case cases[] = {
      {"baseline SOF0", Jpeg(0xC0, 2000, 267), 2000, 267},
      {"progressive SOF2", Jpeg(0xC2, 1100, 550), 1100, 550},
      {"extended SOF1", Jpeg(0xC1, 300, 200), 300, 200},
      {"lossless SOF3", Jpeg(0xC3, 17, 9), 17, 9},
      {"arithmetic SOF9", Jpeg(0xC9, 64, 32), 64, 32},
      {"arithmetic SOF11", Jpeg(0xCB, 65535, 1), 65535, 1},
      {"DHT is a segment, not a frame", Jpeg(0xC4, 640, 480), 0, 0},
      {"JPG marker 0xC8 is a segment", Jpeg(0xC8, 640, 480), 0, 0},
      {"0xCD frame falls back", Jpeg(0xCD, 640, 480), 0, 0},
      {"truncated inside the first segment", Jpeg(0xC0, 640, 480).substr(0, 12), 0, 0},
      {"truncated before the frame's size", Jpeg(0xC0, 640, 480).substr(0, 26), 0, 0},
      {"three bytes", "\xFF\xD8\xFF", 0, 0},
      {"empty", "", 0, 0},
      {"no marker", noFf, 0, 0},
      {"zero segment length", zeroLength, 0, 0},
  };
  for (const Case& c : cases) {
    int w = -1, h = -1;
    ReadJpegSize(c.bytes, w, h);
    EXPECT_EQ(w, c.w) << c.what;
    EXPECT_EQ(h, c.h) << c.what;
  }
}

TEST(PdfWriter, JpegObjPassesTheFileThroughWithItsSizeOrTheDefaults) {
  const fs::path dir = fs::temp_directory_path() / "voltaris_pdf_jpeg";
  fs::create_directories(dir);
  const std::string progressive = Jpeg(0xC2, 1100, 550);
  WriteAll(dir / "p.jpg", progressive);
  EXPECT_EQ(JpegObj((dir / "p.jpg").string(), 7, 2000, 267),
            "7 0 obj\n<< /Type /XObject /Subtype /Image /Width 1100 /Height 550\n /ColorSpace /DeviceRGB "
            "/BitsPerComponent 8\n /Filter /DCTDecode /Length " +
                std::to_string(progressive.size()) + " >>\nstream\n" + progressive + "\nendstream\nendobj");
  WriteAll(dir / "cd.jpg", Jpeg(0xCD, 640, 480));
  EXPECT_NE(JpegObj((dir / "cd.jpg").string(), 8, 2000, 258).find("/Width 2000 /Height 258\n"), std::string::npos);
  WriteAll(dir / "empty.jpg", "");
  EXPECT_EQ(JpegObj((dir / "empty.jpg").string(), 8, 2000, 258), "");
  EXPECT_EQ(JpegObj((dir / "missing.jpg").string(), 8, 2000, 258), "");
  EXPECT_EQ(JpegObj(dir.string(), 8, 2000, 258), "");  // a folder is no picture
  fs::remove_all(dir);
}

TEST(PdfWriter, FindImgSearchOrder) {
  const fs::path root = fs::temp_directory_path() / "voltaris_pdf_findimg";
  fs::remove_all(root);
  const fs::path prog = root / "a" / "b" / "c" / "d" / "e" / "f" / "bin";
  const fs::path other = root / "other";
  const fs::path cwd = root / "cwd";
  for (const fs::path& d : {prog, other, cwd}) fs::create_directories(d);
  const fs::path oldCwd = fs::current_path();
  fs::current_path(cwd);

  const std::string name = "ZodOduzaz.jpg";
  const std::string passed = (other / "Header.jpg").string();
  EXPECT_EQ(FindImg(passed, name, prog), "");
  EXPECT_EQ(FindImg("", name, prog), "");

  WriteAll(other / name, "x");  // beside the passed path: the last place searched
  EXPECT_EQ(FindImg(passed, name, prog), (other / name).string());
  EXPECT_EQ(FindImg("", name, prog), "");
  WriteAll(cwd / name, "x");  // the current folder comes before it
  EXPECT_EQ(FindImg(passed, name, prog), (fs::current_path() / name).string());
  WriteAll(root / "a" / name, "x");  // six parents up from the program: too far
  EXPECT_EQ(FindImg(passed, name, prog), (fs::current_path() / name).string());
  WriteAll(root / "a" / "b" / name, "x");  // the fifth parent, the sixth folder: found
  EXPECT_EQ(FindImg(passed, name, prog), (root / "a" / "b" / name).string());
  WriteAll(prog / name, "x");  // the program's folder comes first
  EXPECT_EQ(FindImg(passed, name, prog), (prog / name).string());
  WriteAll(passed, "x");  // the passed path itself, when it exists
  EXPECT_EQ(FindImg(passed, name, prog), passed);

  fs::current_path(oldCwd);
  fs::remove_all(root);
}

TEST(PdfWriter, StreamsImagesAndTheCrossReferenceTable) {
  TPdfFile f;
  f.MsA("%PDF-1.4");
  for (int i = 1; i <= 4; ++i) {
    f.MarkObj(i);
    f.MsA(std::to_string(i) + " 0 obj null endobj");
  }
  f.WriteStream(5, "BT ET\r\n");
  f.WriteStream(6, "");
  const int img = f.AllocObj();
  const int missing = f.AllocObj();
  EXPECT_EQ(img, 7);
  EXPECT_EQ(missing, 8);
  f.WriteImg(img, "7 0 obj\n<< >>\nstream\nAB>\nendstream\nendobj");
  f.WriteImg(missing, "");
  f.Finish();
  const std::string& pdf = f.Bytes();

  EXPECT_NE(pdf.find("5 0 obj << /Length 7 >>\nstream\nBT ET\r\n\nendstream\nendobj\n"), std::string::npos);
  EXPECT_NE(pdf.find("6 0 obj << /Length 0 >>\nstream\n\nendstream\nendobj\n"), std::string::npos);
  EXPECT_NE(pdf.find("endobj\n8 0 obj null endobj\nxref\n"), std::string::npos);

  const size_t xref = pdf.find("xref\n");
  ASSERT_NE(xref, std::string::npos);
  const std::string table = pdf.substr(xref);
  const std::string head = "xref\n0 9\n0000000000 65535 f \n";
  ASSERT_EQ(table.substr(0, head.size()), head);
  for (int i = 1; i <= 8; ++i) {
    const std::string entry = table.substr(head.size() + static_cast<size_t>(i - 1) * 20, 20);
    ASSERT_EQ(entry.size(), 20u);
    EXPECT_EQ(entry.substr(10), " 00000 n \n") << i;
    const size_t offset = std::stoul(entry.substr(0, 10));
    EXPECT_EQ(pdf.compare(offset, std::to_string(i).size() + 6, std::to_string(i) + " 0 obj"), 0) << i;
  }
  const std::string trailer = "trailer << /Size 9 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF";
  EXPECT_EQ(table.substr(head.size() + 8 * 20), trailer);  // no LF after %%EOF
}
