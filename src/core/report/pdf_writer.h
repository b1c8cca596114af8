// The program's own small PDF 1.4 writer: page operators with fixed number formats,
// string escaping, image objects (JPEG passthrough and ASCII-hex RGB rasters), the search
// for the report artwork, and the assembly of the file (objects, page tree, streams,
// cross-reference table, trailer). Content streams are uncompressed and encoded in
// Windows-1252, the encoding the two standard Type 1 fonts declare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "form/rgb_raster.h"

namespace voltaris::pdf {

// A4 portrait in points.
inline constexpr int PW = 595;
inline constexpr int PH = 842;

// "(" -> "\(", ")" -> "\)", "\" -> "\\"; everything else unchanged.
std::string PdfStr(std::string_view text);
// `value` with exactly `decimals` decimals, "." as separator, no grouping, at least one
// integer digit, whatever the user's or the C library's locale says.
std::string FF(double value, int decimals);
// `value` rounded to an integer.
std::string FF0(double value);
// Two uppercase hexadecimal digits per byte, no separators, no line breaks.
std::string RGBHex(const uint8_t* bytes, size_t count);
// The same, appended to `out`.
void AppendRGBHex(std::string& out, const uint8_t* bytes, size_t count);
// UTF-8 text as Windows-1252 bytes; characters outside that code page become "?".
std::string ToWin1252(std::string_view utf8);

// Width and height of a JPEG from its first frame header (both 0 when none is found).
void ReadJpegSize(std::string_view bytes, int& width, int& height);

// The first existing file of: `passedPath` itself (when not empty); `fileName` in
// `programDir` and in up to five of its parents; `fileName` in the current folder;
// `fileName` in the folder of `passedPath` (when not empty). "" when none exists.
std::string FindImg(const std::string& passedPath, const std::string& fileName,
                    const std::filesystem::path& programDir);

// One page under construction: one operator group per line.
class TPdfPage {
 public:
  void Tx(std::string_view text, double x, double y, double size);
  void TxB(std::string_view text, double x, double y, double size);
  void SetRGB(double r, double g, double b);
  void SetStroke(double r, double g, double b);
  void HLine(double x1, double x2, double y, double width);
  void VLine(double x, double y1, double y2);
  void FillRect(double x, double y, double w, double h, double r, double g, double b);
  void PdfImg(std::string_view name, int x, int y, int w, int h);
  // A literal line, for example "0 0 0 rg".
  void Add(std::string line) { lines_.push_back(std::move(line)); }

  const std::vector<std::string>& Lines() const { return lines_; }
  // The content stream: every line followed by CR LF, in Windows-1252.
  std::string Content() const;

 private:
  void Text(const char* font, std::string_view text, double x, double y, double size);
  std::vector<std::string> lines_;
};

// The image objects: the complete text of one indirect object, or "" without an image.
// A chart raster rendered at width x height; "" when absent or of another size.
std::string ChartObj(const RgbRaster* raster, int objNum, int width, int height);
// A bitmap at its own size; "" when absent or empty.
std::string BitmapObj(const RgbRaster* bitmap, int objNum);
// A JPEG file passed through; its size from the file, else the defaults. "" when the
// file does not exist or is empty.
std::string JpegObj(const std::string& path, int objNum, int defaultWidth, int defaultHeight);

// The file built in memory: fixed objects 1 (catalog) to 6 (second page's content),
// further numbers handed out from 7 on, byte offsets recorded as objects are written.
class TPdfFile {
 public:
  TPdfFile();
  int AllocObj() { return nextObj_++; }
  int HighestObj() const { return nextObj_ - 1; }

  // The bytes and one LF.
  void MsA(std::string_view bytes);
  // The bytes alone.
  void MsRaw(std::string_view bytes);
  // Remembers that object `objNum` starts here.
  void MarkObj(int objNum);
  // "%d 0 obj << /Length %d >>", "stream", the bytes, LF, "endstream", "endobj".
  void WriteStream(int objNum, std::string_view bytes);
  // A prepared object text and LF, or "%d 0 obj null endobj" for an empty text.
  void WriteImg(int objNum, std::string_view objectText);
  // Cross-reference table of objects 1..HighestObj, trailer, "startxref", the position and
  // "%%EOF" without a final LF.
  void Finish();

  const std::string& Bytes() const { return ms_; }
  std::string& Bytes() { return ms_; }

 private:
  std::string ms_;
  std::vector<size_t> off_;  // byte offset of each object, index = object number
  int nextObj_ = 7;
};

}  // namespace voltaris::pdf
