#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "ai/claude_api.h"
#include "config/ini_file.h"
#include "loopback_http_server.h"

namespace voltaris {
namespace {

using testing_support::LoopbackHttpServer;
using testing_support::ScopedAiSettings;

// The client the window would build: defaults plus the settings file's [Claude] section.
TClaudeAPI ClientFromSettings(const std::shared_ptr<TUiThreadQueue>& queue = {}, int timeoutSec = 5) {
  TClaudeAPIConfig config = LoadClaudeConfig(FindIniPath(std::filesystem::temp_directory_path()));
  config.TimeoutSec = timeoutSec;
  return TClaudeAPI(config, queue);
}

TEST(ClaudeConfig, DefaultsEndpointAndConstructorClamps) {
  const TClaudeAPIConfig d = TClaudeAPIConfig::Default();
  EXPECT_EQ(d.APIKey, "");
  EXPECT_EQ(d.ProxyURL, "");
  EXPECT_EQ(d.Model, "claude-haiku-4-5-20251001");
  EXPECT_EQ(d.MaxTokens, 4096);
  EXPECT_EQ(d.TimeoutSec, 30);
  EXPECT_EQ(d.Endpoint(), CLAUDE_API_URL);
  EXPECT_EQ(std::string(CLAUDE_API_URL).substr(0, 8), "https://");
  EXPECT_NE(std::string(CLAUDE_API_URL).find("/v1/messages"), std::string::npos);
  TClaudeAPIConfig p = d;
  p.ProxyURL = "http://127.0.0.1:9/x";
  EXPECT_EQ(p.Endpoint(), "http://127.0.0.1:9/x");

  struct Case {
    std::string model;
    int maxTokens, timeoutSec;
    std::string wantModel;
    int wantMaxTokens, wantTimeout;
  };
  const Case cases[] = {
      {"", 0, 0, "claude-haiku-4-5-20251001", 4096, 30},
      {"m", -5, -1, "m", 4096, 30},
      {"m", 1, 1, "m", 1, 1},
      {"other-model", 100, 7, "other-model", 100, 7},
  };
  for (const Case& c : cases) {
    TClaudeAPIConfig cfg;
    cfg.Model = c.model;
    cfg.MaxTokens = c.maxTokens;
    cfg.TimeoutSec = c.timeoutSec;
    const TClaudeAPI api(cfg);
    EXPECT_EQ(api.Config().Model, c.wantModel);
    EXPECT_EQ(api.Config().MaxTokens, c.wantMaxTokens);
    EXPECT_EQ(api.Config().TimeoutSec, c.wantTimeout);
  }
}

TEST(ClaudeConfig, SettingsFileGivesKeyAndProxyAndTheEnvironmentOnlyAMissingKey) {
  {
    ScopedAiSettings ini("http://127.0.0.1:1/v1/messages", "ini-key", "cfg1");
    ::setenv("ANTHROPIC_API_KEY", "env-key", 1);
    const TClaudeAPIConfig c = LoadClaudeConfig(FindIniPath("/nonexistent"));
    EXPECT_EQ(c.APIKey, "ini-key");
    EXPECT_EQ(c.ProxyURL, "http://127.0.0.1:1/v1/messages");
    EXPECT_EQ(c.Endpoint(), "http://127.0.0.1:1/v1/messages");
    EXPECT_EQ(c.Model, "claude-haiku-4-5-20251001");
  }
  {
    ScopedAiSettings ini("", "", "cfg2");
    ::setenv("ANTHROPIC_API_KEY", "env-key", 1);
    EXPECT_EQ(LoadClaudeConfig(FindIniPath("/nonexistent")).APIKey, "env-key");
    ::unsetenv("ANTHROPIC_API_KEY");
    const TClaudeAPIConfig c = LoadClaudeConfig(FindIniPath("/nonexistent"));
    EXPECT_EQ(c.APIKey, "");
    EXPECT_EQ(c.Endpoint(), CLAUDE_API_URL);
  }
}

TEST(ClaudeRequestBody, CompactPureAsciiInMemberOrderWithUnicodeEscapes) {
  TClaudeAPIConfig cfg;
  cfg.MaxTokens = 123;
  const TClaudeAPI api(cfg);
  // No system member for an empty system prompt.
  EXPECT_EQ(api.BuildRequestBody("", "Hi"),
            R"({"model":"claude-haiku-4-5-20251001","max_tokens":123,"messages":[{"role":"user","content":"Hi"}]})");
  // Turkish letters, line breaks, a tab, quote, backslash and slash; a character beyond
  // U+FFFF as a surrogate pair.
  const std::string body = api.BuildRequestBody("Sen bir m\u00FChendissin.\r\nK\u0131sa yaz.",
                                                "a\"b\\c/d\te \u015Fey \U0001F600 \u00B0C");
  EXPECT_EQ(body,
            R"({"model":"claude-haiku-4-5-20251001","max_tokens":123,)"
            R"("system":"Sen bir m\u00FChendissin.\u000D\u000AK\u0131sa yaz.",)"
            R"("messages":[{"role":"user","content":"a\"b\\c/d\u0009e \u015Fey \uD83D\uDE00 \u00B0C"}]})");
  for (char ch : body) EXPECT_LT(static_cast<unsigned char>(ch), 128u);
}

struct ParseCase {
  const char* name;
  std::string response;
  std::string answer;
  std::string error;
};

TEST(ClaudeParseResponse, AnswerOrErrorTextsVerbatim) {
  const ParseCase cases[] = {
      {"text of the first element", R"({"content":[{"type":"text","text":"Merhaba"},{"text":"ignored"}]})", "Merhaba", ""},
      {"error with message", R"({"type":"error","error":{"type":"overloaded","message":"Overloaded"}})", "", "Overloaded"},
      {"error without message", R"({"error":{"type":"x"}})", "", "API hatası"},
      {"error wins over content", R"({"error":{"message":"m"},"content":[{"text":"t"}]})", "", "m"},
      {"empty content", R"({"content":[]})", "", "Boş yanıt"},
      {"no content", R"({"id":"x"})", "", "Boş yanıt"},
      {"first element without text", R"({"content":[{"type":"tool_use"},{"text":"t"}]})", "", "text alanı bulunamadı"},
      {"first element not an object", R"({"content":["t"]})", "", "text alanı bulunamadı"},
      {"not JSON", "<html>Bad Gateway</html>", "", "JSON parse hatası: <html>Bad Gateway</html>"},
      {"JSON but not an object", "[1,2]", "", "JSON parse hatası: [1,2]"},
      {"empty text", "", "", "JSON parse hatası: "},
  };
  for (const ParseCase& c : cases) {
    std::string answer = "stale", error = "stale";
    TClaudeAPI::ParseResponse(c.response, answer, error);
    EXPECT_EQ(answer, c.answer) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
  }
}

TEST(ClaudeParseResponse, MembersOfTheWrongKindThrow) {
  for (const char* text : {R"({"error":"boom"})", R"({"content":"text"})", R"({"content":[{"text":5}]})"}) {
    std::string answer, error;
    EXPECT_THROW(TClaudeAPI::ParseResponse(text, answer, error), std::exception) << text;
  }
}

// ---- One exchange against the loopback stand-in, reached through the settings' ProxyURL ----

TEST(ClaudeExchange, SendsTheRequestUnchangedToTheProxyAndReadsTheAnswer) {
  LoopbackHttpServer server(200, R"({"content":[{"type":"text","text":"Merhaba d\u00fcnya"}]})");
  ScopedAiSettings ini(server.Url(), "sk-test-123", "ok");
  const TClaudeAPI api = ClientFromSettings();
  std::string error = "stale";
  const std::string answer = api.AskSync("System \u00E7", "Soru?\nİkinci", error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(answer, "Merhaba d\u00FCnya");

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& r = requests[0];
  EXPECT_EQ(r.requestLine, "POST /v1/messages HTTP/1.1");
  EXPECT_EQ(r.Header("anthropic-version"), "2023-06-01");
  EXPECT_EQ(r.Header("content-type"), "application/json");
  EXPECT_EQ(r.Header("x-api-key"), "sk-test-123");
  EXPECT_EQ(r.Header("expect"), "(absent)");
  EXPECT_EQ(r.Header("content-length"), std::to_string(r.body.size()));
  EXPECT_EQ(r.body,
            R"({"model":"claude-haiku-4-5-20251001","max_tokens":4096,"system":"System \u00E7",)"
            R"("messages":[{"role":"user","content":"Soru?\u000A\u0130kinci"}]})");
}

TEST(ClaudeExchange, WithoutAKeyTheRequestGoesWithoutTheKeyHeader) {
  LoopbackHttpServer server(401, R"({"type":"error","error":{"type":"authentication_error","message":"x-api-key header is required"}})");
  ScopedAiSettings ini(server.Url(), "", "nokey");
  const TClaudeAPI api = ClientFromSettings();
  std::string error;
  EXPECT_EQ(api.AskSync("", "Hi", error), "");
  // The whole body, not the parsed message.
  EXPECT_EQ(error,
            R"(HTTP 401: {"type":"error","error":{"type":"authentication_error","message":"x-api-key header is required"}})");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].Header("x-api-key"), "(absent)");
}

TEST(ClaudeExchange, StatusAndBodyCasesEndAsTheirTexts) {
  struct Case {
    int status;
    std::string body;
    std::string answer;
    std::string error;
  };
  const Case cases[] = {
      {200, R"({"error":{"type":"overloaded_error","message":"Overloaded"}})", "", "Overloaded"},
      {200, R"({"error":{"type":"overloaded_error"}})", "", "API hatası"},
      {200, R"({"content":[]})", "", "Boş yanıt"},
      {200, R"({"content":[{"type":"image"}]})", "", "text alanı bulunamadı"},
      {200, "not json at all", "", "JSON parse hatası: not json at all"},
      {500, "Internal \xFF error", "", "HTTP 500: Internal \xEF\xBF\xBD error"},
  };
  for (const Case& c : cases) {
    LoopbackHttpServer server(c.status, c.body);
    ScopedAiSettings ini(server.Url(), "k", "cases");
    std::string error;
    EXPECT_EQ(ClientFromSettings().AskSync("s", "u", error), c.answer) << c.body;
    EXPECT_EQ(error, c.error) << c.body;
  }
  // A member of the wrong kind is a malformed answer, reported like a failed exchange.
  LoopbackHttpServer server(200, R"({"content":"oops"})");
  ScopedAiSettings ini(server.Url(), "k", "kind");
  std::string error;
  EXPECT_EQ(ClientFromSettings().AskSync("s", "u", error), "");
  EXPECT_EQ(error.rfind("Connection error: ", 0), 0u) << error;
}

TEST(ClaudeExchange, RefusedConnectionAndSilentServerEndAsConnectionErrors) {
  {
    ScopedAiSettings ini(LoopbackHttpServer::RefusedUrl(), "k", "refused");
    std::string error;
    EXPECT_EQ(ClientFromSettings().AskSync("s", "u", error), "");
    EXPECT_EQ(error.rfind("Connection error: ", 0), 0u) << error;
  }
  {
    auto server = LoopbackHttpServer::NeverAnswering();
    ScopedAiSettings ini(server.Url(), "k", "silent");
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ClientFromSettings({}, 1).AskSync("s", "u", error), "");
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(error.rfind("Connection error: ", 0), 0u) << error;
    EXPECT_EQ(server.Requests().size(), 1u);
    // The time-out of 1 s ends the exchange (not a speed budget: a hang guard).
    EXPECT_LT(took, std::chrono::seconds(10));
  }
  {
    // Only web addresses are reachable through the configured endpoint.
    ScopedAiSettings ini("file:///etc/hostname", "k", "scheme");
    std::string error;
    EXPECT_EQ(ClientFromSettings().AskSync("s", "u", error), "");
    EXPECT_EQ(error.rfind("Connection error: ", 0), 0u) << error;
  }
}

// ---- The asynchronous form ----

TEST(ClaudeAsync, TheCallbackRunsOnThePumpingThreadAndTheWorkerWaitsForIt) {
  LoopbackHttpServer server(200, R"({"content":[{"text":"async answer"}]})");
  ScopedAiSettings ini(server.Url(), "k", "async");
  auto queue = std::make_shared<TUiThreadQueue>();
  const TClaudeAPI api = ClientFromSettings(queue);
  std::string gotAnswer = "none", gotError = "none";
  std::thread::id ranOn;
  int calls = 0;
  api.AskAsync("s", "u", [&](const std::string& a, const std::string& e) {
    gotAnswer = a;
    gotError = e;
    ranOn = std::this_thread::get_id();
    ++calls;
    // The worker is still waiting for this callback.
    EXPECT_EQ(queue->RequestsInFlight(), 1);
  });
  EXPECT_EQ(calls, 0);  // returns at once; nothing runs before the queue is pumped
  ASSERT_TRUE(queue->WaitForTask(10000));
  EXPECT_EQ(queue->Pump(), 1);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(gotAnswer, "async answer");
  EXPECT_EQ(gotError, "");
  EXPECT_TRUE(queue->WaitIdle(10000));
}

TEST(ClaudeAsync, AClosedQueueDropsTheAnswerAndReleasesTheWorker) {
  auto server = LoopbackHttpServer::NeverAnswering();
  ScopedAiSettings ini(server.Url(), "k", "closed");
  auto queue = std::make_shared<TUiThreadQueue>();
  const TClaudeAPI api = ClientFromSettings(queue, 30);
  bool called = false;
  api.AskAsync("s", "u", [&](const std::string&, const std::string&) { called = true; });
  while (server.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  queue->Close();
  // The transfer stops at its next progress check instead of waiting out its 30 s.
  EXPECT_TRUE(queue->WaitIdle(5000));
  EXPECT_EQ(queue->Pump(), 0);
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace voltaris
