// The client of the AI service (Anthropic's Claude Messages API): its configuration, the
// request body, one blocking exchange over HTTPS, the extraction of the answer or the
// failure as text, and the asynchronous form that runs an exchange on a background thread
// and hands the result to the user-interface thread.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "ai/ui_thread_queue.h"

namespace voltaris {

inline constexpr const char* CLAUDE_API_URL = "https://api.anthropic.com/v1/messages";
inline constexpr const char* CLAUDE_API_VERSION = "2023-06-01";
inline constexpr const char* CLAUDE_DEFAULT_MODEL = "claude-haiku-4-5-20251001";
inline constexpr int CLAUDE_DEFAULT_MAXTOK = 4096;
inline constexpr int CLAUDE_DEFAULT_TIMEOUT_SEC = 30;

// Section and keys of the settings file that configure the service.
inline constexpr const char* kClaudeIniSection = "Claude";
// Where the settings file holds no key, this environment variable supplies it.
inline constexpr const char* kApiKeyEnvVar = "ANTHROPIC_API_KEY";

struct TClaudeAPIConfig {
  std::string APIKey{};    // secret: sent as a header, never written, logged or dumped
  std::string ProxyURL{};  // full URL replacing the service's endpoint when not empty
  std::string Model{CLAUDE_DEFAULT_MODEL};
  int MaxTokens = CLAUDE_DEFAULT_MAXTOK;
  int TimeoutSec = CLAUDE_DEFAULT_TIMEOUT_SEC;

  static TClaudeAPIConfig Default() { return {}; }
  // ProxyURL when set, else the service's endpoint.
  std::string Endpoint() const { return ProxyURL.empty() ? CLAUDE_API_URL : ProxyURL; }
};

// The configuration the settings file gives: the defaults, then "APIKey" and "ProxyURL"
// of section [Claude] of `iniPath` (a missing file or key reads as empty); an empty key
// is taken from $ANTHROPIC_API_KEY. Nothing is written.
TClaudeAPIConfig LoadClaudeConfig(const std::filesystem::path& iniPath);

// The answer text and the error text of one exchange; the error is empty on success.
using TClaudeCallback = std::function<void(const std::string& answer, const std::string& error)>;

class TClaudeAPI {
 public:
  // Copies the configuration: an empty model, a token limit below 1 and a time-out below
  // 1 s take their defaults. `uiThread` receives the results of AskAsync.
  explicit TClaudeAPI(const TClaudeAPIConfig& config, std::shared_ptr<TUiThreadQueue> uiThread = {});

  const TClaudeAPIConfig& Config() const { return FConfig; }

  // The request body: compact JSON, pure ASCII, members model, max_tokens, system (left
  // out when empty) and messages with the one user message.
  std::string BuildRequestBody(const std::string& systemPrompt, const std::string& userMessage) const;

  // Fills answer or error from a status-200 response text. A member of the wrong kind
  // ("error" not an object, "content" not an array, "text" not a string) throws.
  static void ParseResponse(const std::string& responseText, std::string& answer, std::string& error);

  // One exchange, blocking the calling thread; every failure ends as `error` text.
  std::string AskSync(const std::string& systemPrompt, const std::string& userMessage, std::string& error) const;

  // Runs AskSync on a background thread of its own and returns at once; the callback
  // runs on the user-interface thread (when the queue pumps) and the thread waits until
  // it has returned. A closed queue drops the result and stops the transfer early.
  void AskAsync(const std::string& systemPrompt, const std::string& userMessage, TClaudeCallback callback) const;

 private:
  std::string Exchange(const std::string& systemPrompt, const std::string& userMessage, std::string& error,
                       const TUiThreadQueue* stopWhenClosed) const;

  TClaudeAPIConfig FConfig;
  std::shared_ptr<TUiThreadQueue> uiThread_;
};

}  // namespace voltaris
