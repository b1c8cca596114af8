#include "report/pdf_writer.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <cmath>
#include <fstream>
#include <iterator>

#include "common/number_format.h"
#include "common/utf8.h"

namespace voltaris::pdf {

namespace {

// Fixed-point text of a single-precision operand: the C format "%.<decimals>f" without
// any locale (std::to_chars never looks at it).
std::string Fixed(double value, int decimals) {
  const double v = static_cast<double>(static_cast<float>(value));
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (res.ec != std::errc{}) return "0";
  return std::string(buf, res.ptr);
}

// A font size in whole points, halves rounded up (6.5 -> 7, 5.5 -> 6).
std::string FontSize(double size) {
  const double rounded = std::floor(static_cast<double>(static_cast<float>(size)) + 0.5);
  return std::to_string(static_cast<long long>(rounded));
}

// Code points of the 0x80..0x9F row of Windows-1252 (0 = unassigned).
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint16_t Be16(std::string_view b, size_t pos) {
  return static_cast<uint16_t>((static_cast<unsigned char>(b[pos]) << 8) | static_cast<unsigned char>(b[pos + 1]));
}

bool IsFile(const std::filesystem::path& p) {
  std::error_code ec;
  return !p.empty() && std::filesystem::is_regular_file(p, ec);
}

// The common part of the two raster object headers.
std::string RasterObj(const RgbRaster& raster, int objNum, const char* dictIndent, const char* tail) {
  const size_t hexLen = raster.rgb.size() * 2;
  std::string s = std::to_string(objNum) + " 0 obj\n<< /Type /XObject /Subtype /Image /Width " +
                  std::to_string(raster.width) + " /Height " + std::to_string(raster.height) + "\n" + dictIndent +
                  "/ColorSpace /DeviceRGB /BitsPerComponent 8\n" + dictIndent +
                  "/Filter /ASCIIHexDecode /Length " + std::to_string(hexLen + 1) + " >>\nstream\n";
  s.reserve(s.size() + hexLen + 32);
  AppendRGBHex(s, raster.rgb.data(), raster.rgb.size());
  s += tail;
  return s;
}

}  // namespace

std::string PdfStr(std::string_view text) {
  std::string s;
  s.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') s += '\\';
    s += c;
  }
  return s;
}

std::string FF(double value, int decimals) {
  if (decimals <= 0) return FF0(value);
  return FormatFloat("0." + std::string(static_cast<size_t>(decimals), '0'), value, '.');
}

std::string FF0(double value) { return FormatFloat("0", value, '.'); }

void AppendRGBHex(std::string& out, const uint8_t* bytes, size_t count) {
  static constexpr char HC[] = "0123456789ABCDEF";
  const size_t start = out.size();
  out.resize(start + count * 2);
  char* p = out.data() + start;
  for (size_t i = 0; i < count; ++i) {
    *p++ = HC[bytes[i] >> 4];
    *p++ = HC[bytes[i] & 0x0F];
  }
}

std::string RGBHex(const uint8_t* bytes, size_t count) {
  std::string s;
  AppendRGBHex(s, bytes, count);
  return s;
}

std::string ToWin1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char32_t cp : DecodeUtf8(utf8)) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char mapped = '?';
    for (size_t i = 0; i < kCp1252High.size(); ++i)
      if (kCp1252High[i] != 0 && kCp1252High[i] == cp) mapped = static_cast<char>(0x80 + i);
    out += mapped;
  }
  return out;
}

void ReadJpegSize(std::string_view b, int& width, int& height) {
  width = 0;
  height = 0;
  if (b.size() <= 3) return;
  size_t pos = 2;  // after the start-of-image marker
  while (pos + 8 < b.size()) {
    if (static_cast<unsigned char>(b[pos]) != 0xFF) return;
    const auto marker = static_cast<unsigned char>(b[pos + 1]);
    switch (marker) {
      case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC5:
      case 0xC6: case 0xC7: case 0xC9: case 0xCA: case 0xCB:
        height = Be16(b, pos + 5);
        width = Be16(b, pos + 7);
        return;
      default: break;
    }
    if (pos + 3 >= b.size()) return;
    const uint16_t len = Be16(b, pos + 2);
    if (len < 2) return;
    pos += 2 + len;
  }
}

std::string FindImg(const std::string& passedPath, const std::string& fileName,
                    const std::filesystem::path& programDir) {
  namespace fs = std::filesystem;
  if (!passedPath.empty() && IsFile(passedPath)) return passedPath;
  fs::path dir = programDir;
  for (int i = 0; i < 6 && !dir.empty(); ++i) {
    if (IsFile(dir / fileName)) return (dir / fileName).string();
    const fs::path parent = dir.parent_path();
    if (parent == dir) break;  // no parent remains
    dir = parent;
  }
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  if (!ec && IsFile(cwd / fileName)) return (cwd / fileName).string();
  if (!passedPath.empty()) {
    const fs::path beside = fs::path(passedPath).parent_path() / fileName;
    if (IsFile(beside)) return beside.string();
  }
  return "";
}

// ---- Page operators ----

void TPdfPage::Text(const char* font, std::string_view text, double x, double y, double size) {
  lines_.push_back(std::string("BT /") + font + " " + FontSize(size) + " Tf " + Fixed(x, 1) + " " + Fixed(y, 1) +
                   " Td (" + PdfStr(text) + ") Tj ET");
}

void TPdfPage::Tx(std::string_view text, double x, double y, double size) { Text("F1", text, x, y, size); }
void TPdfPage::TxB(std::string_view text, double x, double y, double size) { Text("F2", text, x, y, size); }

void TPdfPage::SetRGB(double r, double g, double b) {
  lines_.push_back(Fixed(r, 3) + " " + Fixed(g, 3) + " " + Fixed(b, 3) + " rg");
}

void TPdfPage::SetStroke(double r, double g, double b) {
  lines_.push_back(Fixed(r, 3) + " " + Fixed(g, 3) + " " + Fixed(b, 3) + " RG");
}

void TPdfPage::HLine(double x1, double x2, double y, double width) {
  lines_.push_back(Fixed(width, 2) + " w " + Fixed(x1, 1) + " " + Fixed(y, 1) + " m " + Fixed(x2, 1) + " " +
                   Fixed(y, 1) + " l S");
}

void TPdfPage::VLine(double x, double y1, double y2) {
  lines_.push_back("0.3 w " + Fixed(x, 1) + " " + Fixed(y1, 1) + " m " + Fixed(x, 1) + " " + Fixed(y2, 1) + " l S");
}

void TPdfPage::FillRect(double x, double y, double w, double h, double r, double g, double b) {
  lines_.push_back(Fixed(r, 3) + " " + Fixed(g, 3) + " " + Fixed(b, 3) + " rg " + Fixed(x, 1) + " " + Fixed(y, 1) +
                   " " + Fixed(w, 1) + " " + Fixed(h, 1) + " re f");
  lines_.push_back("0 0 0 rg");
}

void TPdfPage::PdfImg(std::string_view name, int x, int y, int w, int h) {
  lines_.push_back("q " + std::to_string(w) + " 0 0 " + std::to_string(h) + " " + std::to_string(x) + " " +
                   std::to_string(y) + " cm /" + std::string(name) + " Do Q");
}

std::string TPdfPage::Content() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return ToWin1252(text);
}

// ---- Image objects ----

std::string ChartObj(const RgbRaster* raster, int objNum, int width, int height) {
  if (raster == nullptr || !raster->Valid() || raster->width != width || raster->height != height) return "";
  return RasterObj(*raster, objNum, " ", ">\nendstream\nendobj");
}

std::string BitmapObj(const RgbRaster* bitmap, int objNum) {
  if (bitmap == nullptr || !bitmap->Valid()) return "";
  return RasterObj(*bitmap, objNum, "", ">\nendstream\nendobj\n");
}

std::string JpegObj(const std::string& path, int objNum, int defaultWidth, int defaultHeight) {
  if (!IsFile(path)) return "";
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) return "";
  int w = 0, h = 0;
  ReadJpegSize(bytes, w, h);
  if (w <= 0 || h <= 0) {
    w = defaultWidth;
    h = defaultHeight;
  }
  std::string s = std::to_string(objNum) + " 0 obj\n<< /Type /XObject /Subtype /Image /Width " + std::to_string(w) +
                  " /Height " + std::to_string(h) +
                  "\n /ColorSpace /DeviceRGB /BitsPerComponent 8\n /Filter /DCTDecode /Length " +
                  std::to_string(bytes.size()) + " >>\nstream\n";
  s += bytes;
  s += "\nendstream\nendobj";
  return s;
}

// ---- File assembly ----

TPdfFile::TPdfFile() : off_(7, 0) {}

void TPdfFile::MsA(std::string_view bytes) {
  ms_ += bytes;
  ms_ += '\n';
}

void TPdfFile::MsRaw(std::string_view bytes) { ms_ += bytes; }

void TPdfFile::MarkObj(int objNum) {
  if (objNum <= 0) return;
  if (off_.size() <= static_cast<size_t>(objNum)) off_.resize(static_cast<size_t>(objNum) + 1, 0);
  off_[static_cast<size_t>(objNum)] = ms_.size();
}

void TPdfFile::WriteStream(int objNum, std::string_view bytes) {
  MarkObj(objNum);
  MsA(std::to_string(objNum) + " 0 obj << /Length " + std::to_string(bytes.size()) + " >>");
  MsA("stream");
  MsRaw(bytes);
  MsRaw("\n");
  MsA("endstream");
  MsA("endobj");
}

void TPdfFile::WriteImg(int objNum, std::string_view objectText) {
  MarkObj(objNum);
  if (objectText.empty()) {
    MsA(std::to_string(objNum) + " 0 obj null endobj");
  } else {
    MsRaw(objectText);
    MsRaw("\n");
  }
}

void TPdfFile::Finish() {
  const size_t xrefPos = ms_.size();
  const int highest = HighestObj();
  const std::string size = std::to_string(highest + 1);
  MsRaw("xref\n0 " + size + "\n0000000000 65535 f \n");
  for (int i = 1; i <= highest; ++i) {
    const size_t offset = static_cast<size_t>(i) < off_.size() ? off_[static_cast<size_t>(i)] : 0;
    char entry[32];
    std::snprintf(entry, sizeof entry, "%.10zu 00000 n \n", offset);
    MsRaw(entry);
  }
  MsRaw("trailer << /Size " + size + " /Root 1 0 R >>\n");
  MsRaw("startxref\n");
  MsRaw(std::to_string(xrefPos));
  MsRaw("\n%%EOF");
}

}  // namespace voltaris::pdf
