#include "form/recording_platform.h"

#include <charconv>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace voltaris {

const char* MessageKindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error: return "error";
    case MessageKind::Warning: return "warning";
    case MessageKind::Information: return "information";
    case MessageKind::About: return "about";
  }
  return "error";
}

std::filesystem::path ExecutableDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path();
  return std::filesystem::current_path(ec);
}

namespace {

// "WIDTHxHEIGHT" (positive whole numbers) from $VOLTARIS_SCREEN; the default screen when
// it is unset or does not read.
ScreenSize ScreenFromEnvironment() {
  ScreenSize size;
  const char* env = std::getenv("VOLTARIS_SCREEN");
  if (env == nullptr) return size;
  const std::string_view text(env);
  const size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return size;
  int w = 0, h = 0;
  const auto rw = std::from_chars(text.data(), text.data() + x, w);
  const auto rh = std::from_chars(text.data() + x + 1, text.data() + text.size(), h);
  if (rw.ec != std::errc() || rw.ptr != text.data() + x || rh.ec != std::errc() ||
      rh.ptr != text.data() + text.size() || w <= 0 || h <= 0)
    return size;
  return {w, h};
}

}  // namespace

std::filesystem::path IPlatform::TempDir() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  return ec ? std::filesystem::path("/tmp") : dir;
}

std::optional<std::string> IPlatform::ProgramResource(const std::string&) { return std::nullopt; }

RecordingPlatform::RecordingPlatform()
    : screen(ScreenFromEnvironment()), programDir(ExecutableDir()), tempDir(IPlatform::TempDir()) {}

void RecordingPlatform::ShowMessage(MessageKind kind, const std::string& title, const std::string& text) {
  messages.push_back({kind, title, text});
}

void RecordingPlatform::ShowAbout(const AboutInfo& about) {
  messages.push_back({MessageKind::About, about.title,
                      about.product + "\n" + about.version + "\n" + about.description});
}

std::optional<std::string> RecordingPlatform::NextAnswer() {
  if (answers_.empty()) return std::nullopt;  // nothing scripted: the user cancels
  auto a = answers_.front();
  answers_.pop_front();
  return a;
}

std::optional<std::string> RecordingPlatform::OpenFileDialog(const FileDialogRequest&) { return NextAnswer(); }
std::optional<std::string> RecordingPlatform::SaveFileDialog(const FileDialogRequest&) { return NextAnswer(); }

void RecordingPlatform::OpenWithDefaultApp(const std::string& path) { opened.push_back(path); }
void RecordingPlatform::SetClipboardText(const std::string& text) { clipboard = text; }

void RecordingPlatform::QueueDialogAnswer(std::optional<std::string> answer) {
  answers_.push_back(std::move(answer));
}

}  // namespace voltaris
