// The Debian PDF tools (qpdf, poppler-utils) run on a report file by the tests.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace voltaris::testing_pdf {

// Output of a shell command (stdout and stderr together) and its exit code.
struct ShellResult {
  int code = -1;
  std::string out;
};

inline ShellResult Shell(const std::string& cmd) {
  ShellResult r;
  FILE* pipe = popen((cmd + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return r;
  std::array<char, 4096> buf{};
  size_t n = 0;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
  const int status = pclose(pipe);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

inline bool HavePdfTools() {
  return Shell("command -v qpdf && command -v pdfinfo && command -v pdftotext && command -v pdftoppm && "
               "command -v pdfimages")
             .code == 0;
}

// The page count pdfinfo reports, -1 when it cannot read the file.
inline int PdfPages(const std::string& file) {
  const ShellResult r = Shell("pdfinfo '" + file + "'");
  const size_t p = r.out.find("Pages:");
  if (r.code != 0 || p == std::string::npos) return -1;
  return std::stoi(r.out.substr(p + 6));
}

// Number of distinct image objects `pdfimages -list` shows (an image placed on several
// pages is one object).
inline int PdfImageCount(const std::string& file) {
  const ShellResult r = Shell("pdfimages -list '" + file + "' | tail -n +3 | awk '{print $11}' | sort -u | wc -l");
  return r.out.empty() ? -1 : std::stoi(r.out);
}

}  // namespace voltaris::testing_pdf
