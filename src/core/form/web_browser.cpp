#include "form/web_browser.h"

namespace voltaris {

void RecordingWebBrowser::Create(const std::string& folder, CreatedHandler onCreated, MessageHandler onMessage) {
  userDataFolder = folder;
  created = resultCode == 0;
  onMessage_ = created ? std::move(onMessage) : MessageHandler{};
  if (onCreated) onCreated(resultCode);
}

void RecordingWebBrowser::Navigate(const std::string& target) {
  url = target;
  navigations.push_back(target);
}

void RecordingWebBrowser::ExecuteScript(const std::string& script) {
  scripts.push_back(script);
  if (onScript) onScript(script);
}

void RecordingWebBrowser::PostMessage(const std::string& jsonMessage) {
  if (onMessage_) onMessage_(jsonMessage);
}

}  // namespace voltaris
