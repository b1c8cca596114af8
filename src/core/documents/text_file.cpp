#include "documents/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

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

[[noreturn]] void FailCreate(const std::string& fileName, int err) {
  throw DocumentError("Cannot create file \"" + fileName + "\". " + std::strerror(err));
}

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
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw DocumentError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw DocumentError("Cannot open file \"" + fileName + "\". Read error");
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
