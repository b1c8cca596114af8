#include "ai/claude_api.h"

#include <curl/curl.h>

#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/utf8.h"
#include "config/ini_file.h"
#include "documents/json_text_writer.h"

namespace voltaris {

namespace {

struct HttpResponse {
  long status = 0;
  std::string body{};
};

// Bytes of a response read as UTF-8: invalid sequences become U+FFFD, so the text shown
// in the window and written into a dump is always valid.
std::string ReadAsUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char32_t cp : DecodeUtf8(bytes)) AppendUtf8(out, cp);
  return out;
}

void EnsureCurlReady() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) throw std::runtime_error("the HTTPS library cannot start");
  });
}

size_t CollectBody(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

// Asked by the transfer now and then: a non-zero answer stops it (the window went away).
int StopWhenClosed(void* queue, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return queue != nullptr && static_cast<const TUiThreadQueue*>(queue)->Closed() ? 1 : 0;
}

struct CurlHandles {
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  ~CurlHandles() {
    if (headers != nullptr) curl_slist_free_all(headers);
    if (easy != nullptr) curl_easy_cleanup(easy);
  }
};

// POSTs `body` to `url` with `headers`; the connection must be made within `timeoutSec`
// and the answer must not stall for longer than that. Throws with the transfer's own
// message on any failure (no connection, time-out, TLS, a stop request).
HttpResponse HttpPost(const std::string& url, const std::vector<std::string>& headers, const std::string& body,
                      int timeoutSec, const TUiThreadQueue* stop) {
  EnsureCurlReady();
  CurlHandles h;
  h.easy = curl_easy_init();
  if (h.easy == nullptr) throw std::runtime_error("the HTTPS library cannot start");
  for (const std::string& line : headers) {
    curl_slist* next = curl_slist_append(h.headers, line.c_str());
    if (next == nullptr) throw std::runtime_error("out of memory");
    h.headers = next;
  }
  // No "Expect: 100-continue" round trip: the body goes with the request at once.
  if (curl_slist* next = curl_slist_append(h.headers, "Expect:")) h.headers = next;

  HttpResponse response;
  char message[CURL_ERROR_SIZE] = {};
  const long timeoutMs = static_cast<long>(timeoutSec) * 1000;
  CURL* c = h.easy;
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, message);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");  // the endpoint is a web address, nothing else
  curl_easy_setopt(c, CURLOPT_POST, 1L);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, h.headers);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
  // Response time-out: no byte for timeoutSec ends the exchange; connection plus response
  // never take longer than both time-outs together.
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeoutSec));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, 2 * timeoutMs);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // time-outs without signals: this runs on a worker thread
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &response.body);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, StopWhenClosed);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, const_cast<TUiThreadQueue*>(stop));

  const CURLcode rc = curl_easy_perform(c);
  if (rc != CURLE_OK) throw std::runtime_error(message[0] != '\0' ? message : curl_easy_strerror(rc));
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &response.status);
  return response;
}

}  // namespace

TClaudeAPIConfig LoadClaudeConfig(const std::filesystem::path& iniPath) {
  TClaudeAPIConfig config = TClaudeAPIConfig::Default();
  std::error_code ec;
  if (std::filesystem::exists(iniPath, ec)) {
    const TIniFile ini = TIniFile::Load(iniPath);
    config.APIKey = ini.ReadString(kClaudeIniSection, "APIKey");
    config.ProxyURL = ini.ReadString(kClaudeIniSection, "ProxyURL");
  }
  if (config.APIKey.empty())
    if (const char* key = std::getenv(kApiKeyEnvVar)) config.APIKey = key;
  return config;
}

TClaudeAPI::TClaudeAPI(const TClaudeAPIConfig& config, std::shared_ptr<TUiThreadQueue> uiThread)
    : FConfig(config), uiThread_(std::move(uiThread)) {
  if (FConfig.Model.empty()) FConfig.Model = CLAUDE_DEFAULT_MODEL;
  if (FConfig.MaxTokens < 1) FConfig.MaxTokens = CLAUDE_DEFAULT_MAXTOK;
  if (FConfig.TimeoutSec < 1) FConfig.TimeoutSec = CLAUDE_DEFAULT_TIMEOUT_SEC;
}

std::string TClaudeAPI::BuildRequestBody(const std::string& systemPrompt, const std::string& userMessage) const {
  std::string out = "{\"model\":";
  AppendJsonString(out, FConfig.Model, JsonEscapes::UnicodeOnly);
  out += ",\"max_tokens\":" + std::to_string(FConfig.MaxTokens);
  if (!systemPrompt.empty()) {
    out += ",\"system\":";
    AppendJsonString(out, systemPrompt, JsonEscapes::UnicodeOnly);
  }
  out += ",\"messages\":[{\"role\":\"user\",\"content\":";
  AppendJsonString(out, userMessage, JsonEscapes::UnicodeOnly);
  out += "}]}";
  return out;
}

void TClaudeAPI::ParseResponse(const std::string& responseText, std::string& answer, std::string& error) {
  using Json = nlohmann::json;
  answer.clear();
  error.clear();
  const Json root = Json::parse(responseText, nullptr, /*allow_exceptions=*/false);
  if (!root.is_object()) {
    error = "JSON parse hatası: " + responseText;
    return;
  }
  if (auto e = root.find("error"); e != root.end()) {
    if (!e->is_object()) throw std::runtime_error("\"error\" of the answer is not an object");
    auto m = e->find("message");
    if (m == e->end()) error = "API hatası";
    else error = m->is_string() ? m->get<std::string>() : m->dump();
    return;
  }
  if (auto c = root.find("content"); c != root.end()) {
    if (!c->is_array()) throw std::runtime_error("\"content\" of the answer is not an array");
    if (!c->empty()) {
      const Json& first = c->front();
      auto t = first.is_object() ? first.find("text") : first.end();
      if (!first.is_object() || t == first.end()) {
        error = "text alanı bulunamadı";
        return;
      }
      if (!t->is_string()) throw std::runtime_error("\"text\" of the answer is not a string");
      answer = t->get<std::string>();
      return;
    }
  }
  error = "Boş yanıt";
}

std::string TClaudeAPI::AskSync(const std::string& systemPrompt, const std::string& userMessage,
                                std::string& error) const {
  return Exchange(systemPrompt, userMessage, error, nullptr);
}

std::string TClaudeAPI::Exchange(const std::string& systemPrompt, const std::string& userMessage, std::string& error,
                                 const TUiThreadQueue* stopWhenClosed) const {
  std::string answer;
  error.clear();
  std::vector<std::string> headers = {std::string("anthropic-version: ") + CLAUDE_API_VERSION,
                                      "content-type: application/json"};
  if (!FConfig.APIKey.empty()) headers.push_back("x-api-key: " + FConfig.APIKey);
  try {
    const HttpResponse r = HttpPost(FConfig.Endpoint(), headers, BuildRequestBody(systemPrompt, userMessage),
                                    FConfig.TimeoutSec, stopWhenClosed);
    if (r.status == 200) {
      ParseResponse(ReadAsUtf8(r.body), answer, error);
    } else {
      error = "HTTP " + std::to_string(r.status) + ": " + ReadAsUtf8(r.body);
    }
  } catch (const std::exception& e) {
    answer.clear();
    error = std::string("Connection error: ") + e.what();
  }
  return answer;
}

void TClaudeAPI::AskAsync(const std::string& systemPrompt, const std::string& userMessage,
                          TClaudeCallback callback) const {
  std::shared_ptr<TUiThreadQueue> queue = uiThread_;
  if (!queue) throw std::logic_error("the AI client has no user-interface thread to answer on");
  queue->BeginRequest();
  try {
    std::thread([self = *this, queue, systemPrompt, userMessage, callback] {
      std::string error;
      const std::string answer = self.Exchange(systemPrompt, userMessage, error, queue.get());
      queue->PostAndWait([&] { callback(answer, error); });
      queue->EndRequest();
    }).detach();
  } catch (const std::system_error& e) {
    queue->EndRequest();
    callback({}, std::string("Connection error: ") + e.what());
  }
}

}  // namespace voltaris
