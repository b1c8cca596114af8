#include "documents/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <utility>

#include "common/utf8.h"
#include "documents/document_error.h"

namespace voltaris {

namespace fs = std::filesystem;

namespace {

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const size_t len = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) return false;
    }
    i += len;
  }
  return true;
}

[[noreturn]] void FailCreate(const std::string& fileName, const std::string& reason) {
  throw DocumentError("Cannot create file \"" + fileName + "\". " + reason);
}

[[noreturn]] void FailCreate(const std::string& fileName, int err) { FailCreate(fileName, std::strerror(err)); }

// A fresh name in the target's folder; the leading dot keeps it out of folder listings.
fs::path TempNameFor(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  fs::path tmp = target.parent_path();
  tmp /= "." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
         std::to_string(counter.fetch_add(1)) + ".tmp";
  return tmp;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

bool TextFileExists(const std::string& fileName) {
  std::error_code ec;
  return fs::exists(fileName, ec) && !fs::is_directory(fileName, ec);
}

std::string ReadTextFile(const std::string& fileName) {
  const auto fail = [&](const std::string& reason) {
    return DocumentError("Cannot open file \"" + fileName + "\". " + reason);
  };
  // Looked at before opening: a folder or a special file is never opened at all.
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) throw fail(std::strerror(errno));
  if (S_ISDIR(st.st_mode)) throw fail("It is a folder, not a file");
  if (!S_ISREG(st.st_mode)) throw fail("It is not a regular file (a device, a pipe or a socket)");
  // Without blocking, and checked again on the open descriptor: the name may have been
  // replaced in between.
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw fail(std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (::fstat(fd, &st) != 0) throw fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) throw fail("It is not a regular file (a device, a pipe or a socket)");
  const std::string tooLarge = "The file is larger than " + std::to_string(kMaxTextFileBytes >> 20) + " MiB";
  if (static_cast<std::uintmax_t>(st.st_size) > kMaxTextFileBytes) throw fail(tooLarge);

  std::string text(static_cast<size_t>(st.st_size), '\0');
  size_t got = 0;
  for (;;) {
    if (got == text.size()) {
      // The file grew since fstat: read on, up to the limit.
      if (text.size() > kMaxTextFileBytes) throw fail(tooLarge);
      text.resize(std::min(std::max<size_t>(text.size() * 2, 4096), kMaxTextFileBytes + 1));
    }
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw fail(std::string("Read error: ") + std::strerror(errno));
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  text.resize(got);
  if (text.size() > kMaxTextFileBytes) throw fail(tooLarge);

  return TextOfFileBytes(std::move(text), fileName);
}

std::string TextOfFileBytes(std::string text, const std::string& fileName) {
  // Text saved in another Unicode form is converted; its byte order mark says which form.
  // FF FE 00 00 starts UTF-32 rather than UTF-16 text that begins with U+0000.
  const std::string_view head(text.data(), std::min<size_t>(text.size(), 4));
  TWideForm form{};
  size_t bom = 0;
  if (head == std::string_view("\xFF\xFE\0\0", 4)) {
    form = TWideForm::Utf32LE;
    bom = 4;
  } else if (head == std::string_view("\0\0\xFE\xFF", 4)) {
    form = TWideForm::Utf32BE;
    bom = 4;
  } else if (head.starts_with("\xFF\xFE")) {
    form = TWideForm::Utf16LE;
    bom = 2;
  } else if (head.starts_with("\xFE\xFF")) {
    form = TWideForm::Utf16BE;
    bom = 2;
  }
  if (bom != 0) {
    std::string utf8, error;
    if (!WideToUtf8(std::string_view(text).substr(bom), form, utf8, error, bom)) {
      const std::string name = WideFormName(form);
      throw DocumentError("Cannot open file \"" + fileName + "\". The file is saved as " + name +
                          " text but is not valid " + name + ": " + error + "; save it as UTF-8 and try again");
    }
    return utf8;
  }
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  if (!IsValidUtf8(text)) {
    std::string clean;
    clean.reserve(text.size());
    for (char32_t cp : DecodeUtf8(text)) AppendUtf8(clean, cp);
    text = std::move(clean);
  }
  return text;
}

void WriteFileReplacing(const std::string& fileName, std::string_view bytes) {
  fs::path target(fileName);
  // Write through a symbolic link rather than replacing the link itself.
  if (fs::is_symlink(target)) target = fs::weakly_canonical(target);
  const fs::path folder = target.parent_path();
  if (!folder.empty() && !fs::exists(folder)) fs::create_directories(folder);

  // The rename would silently put a regular file in place of a device node, a pipe or a
  // folder, and would replace a file its owner made read-only: both are refused.
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) FailCreate(fileName, "It is a folder, not a file");
    if (!S_ISREG(existing.st_mode)) FailCreate(fileName, "It is not a regular file (a device, a pipe or a socket)");
    if ((existing.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) FailCreate(fileName, "The file is read-only");
  }

  fs::path tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = TempNameFor(target);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) FailCreate(fileName, errno);
  }
  if (fd < 0) FailCreate(fileName, EEXIST);

  // A replaced file keeps its permissions.
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);

  int err = 0;
  if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && std::rename(tmp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tmp.c_str());
    FailCreate(fileName, err);
  }
}

}  // namespace voltaris
