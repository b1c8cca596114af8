// The embedded web browser as a platform service: created with a user-data folder (its
// completion reports a result code), navigated to a local page, asked to run scripts, and
// delivering the messages the page posts. The window hosts a real browser; the headless
// form a recording stand-in, so the views that use a page work without a display.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace voltaris {

class IWebBrowser {
 public:
  // Result of the creation: 0 is success, anything else a failure code.
  using CreatedHandler = std::function<void(uint32_t resultCode)>;
  // A message posted by the page, as a JSON-encoded string.
  using MessageHandler = std::function<void(const std::string& jsonMessage)>;

  virtual ~IWebBrowser() = default;
  // Why this platform can show no WebGL page at all ("" when it can).
  virtual std::string Unavailable() const { return {}; }
  // Whether scripts run in a page that can post an answer back (a waiting caller gives up
  // at once when nothing can answer).
  virtual bool Answers() const { return true; }
  // Starts the creation; `onCreated` is called once when it is done (possibly at once).
  virtual void Create(const std::string& userDataFolder, CreatedHandler onCreated, MessageHandler onMessage) = 0;
  virtual void Navigate(const std::string& url) = 0;
  virtual void ExecuteScript(const std::string& script) = 0;

  // What the browser was asked for, for the automation dump: the last URL and the scripts.
  virtual const std::string& Url() const = 0;
  virtual const std::vector<std::string>& Scripts() const = 0;
};

// The stand-in of the headless form: reports the creation result it is given, records
// navigations and every script, and lets a test post messages as the page would.
class RecordingWebBrowser : public IWebBrowser {
 public:
  std::string Unavailable() const override { return unavailable; }
  // The stand-in has no page: only a test's responder answers scripts.
  bool Answers() const override { return static_cast<bool>(onScript); }
  void Create(const std::string& userDataFolder, CreatedHandler onCreated, MessageHandler onMessage) override;
  void Navigate(const std::string& url) override;
  void ExecuteScript(const std::string& script) override;
  const std::string& Url() const override { return url; }
  const std::vector<std::string>& Scripts() const override { return scripts; }

  // A message posted by the page (JSON-encoded); nothing before the creation.
  void PostMessage(const std::string& jsonMessage);

  uint32_t resultCode = 0;    // what the creation reports
  std::string unavailable{};  // "": a page can be shown
  bool created = false;
  std::string userDataFolder{};
  std::string url{};
  std::vector<std::string> navigations{};
  std::vector<std::string> scripts{};
  // Called after a script was recorded (a test may answer as the page would).
  std::function<void(const std::string& script)> onScript{};

 private:
  MessageHandler onMessage_{};
};

}  // namespace voltaris
