// The platform of the headless form: answers dialogs from a queue, records message
// boxes, opened files and clipboard text, and runs on a virtual clock.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "form/platform.h"

namespace voltaris {

struct RecordedMessage {
  MessageKind kind;
  std::string title;
  std::string text;
};

class RecordingPlatform : public IPlatform {
 public:
  RecordingPlatform();

  void ShowMessage(MessageKind kind, const std::string& title, const std::string& text) override;
  void ShowAbout(const AboutInfo& about) override;
  std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
  void OpenWithDefaultApp(const std::string& path) override;
  void SetClipboardText(const std::string& text) override;
  void ProcessPendingEvents() override {}
  ScreenSize Screen() override { return screen; }
  std::filesystem::path ProgramDir() override { return programDir; }
  int64_t NowMs() override { return nowMs; }
  std::filesystem::path TempDir() override { return tempDir; }
  IWebBrowser* EmbeddedBrowser() override { return &browser; }

  // Queues the answer of the next file dialog (nothing = cancel).
  void QueueDialogAnswer(std::optional<std::string> answer);
  void AdvanceClock(int64_t ms) { nowMs += ms; }

  std::vector<RecordedMessage> messages;
  std::vector<std::string> opened;
  std::string clipboard;
  std::vector<std::string> debugLines;  // the debug channel, when captured
  ScreenSize screen;  // $VOLTARIS_SCREEN ("WIDTHxHEIGHT"), else 1920x1080
  std::filesystem::path programDir;
  int64_t nowMs = 0;
  std::filesystem::path tempDir;   // the system's temporary folder unless a test sets one
  RecordingWebBrowser browser;     // the stand-in embedded browser

 private:
  std::optional<std::string> NextAnswer();
  std::deque<std::optional<std::string>> answers_;
};

}  // namespace voltaris
