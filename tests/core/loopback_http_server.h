// A tiny HTTP server on 127.0.0.1 (a free port of its own) that stands in for the AI
// service: it records each request byte for byte and answers with a fixed status and
// body, or never answers at all. Shared by the core, CLI and window tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace voltaris::testing_support {

struct RecordedRequest {
  std::string requestLine{};                                 // "POST /v1/messages HTTP/1.1"
  std::vector<std::pair<std::string, std::string>> headers{};  // names in lower case, in order
  std::string body{};

  // The value of a header, or "(absent)".
  std::string Header(const std::string& lowerName) const {
    for (const auto& [n, v] : headers)
      if (n == lowerName) return v;
    return "(absent)";
  }
};

class LoopbackHttpServer {
 public:
  // Answers every request with `status` and `body` (application/json).
  LoopbackHttpServer(int status, std::string body) : status_(status), body_(std::move(body)) { Start(); }
  // Reads the request and never answers.
  static LoopbackHttpServer NeverAnswering() { return LoopbackHttpServer(); }

  LoopbackHttpServer(LoopbackHttpServer&& other) = delete;
  ~LoopbackHttpServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listen_ >= 0) ::close(listen_);
    for (int fd : held_) ::close(fd);
  }

  int Port() const { return port_; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/v1/messages"; }

  std::vector<RecordedRequest> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

  // A loopback URL on which nothing listens (the connection is refused).
  static std::string RefusedUrl() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/v1/messages";
  }

 private:
  LoopbackHttpServer() : answer_(false) { Start(); }

  void Start() {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listen_ < 0) throw std::runtime_error("no socket");
    const int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 8) != 0)
      throw std::runtime_error("cannot listen on 127.0.0.1");
    socklen_t len = sizeof a;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }

  // Waits up to 50 ms for the socket to become readable; false on stop.
  bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 50) > 0;
  }

  void Serve() {
    while (!stop_) {
      if (!Readable(listen_)) continue;
      const int fd = ::accept(listen_, nullptr, nullptr);
      if (fd < 0) continue;
      std::string raw;
      size_t headerEnd = std::string::npos;
      size_t need = 0;
      char buf[4096];
      while (!stop_) {
        if (headerEnd != std::string::npos && raw.size() >= headerEnd + 4 + need) break;
        if (!Readable(fd)) continue;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        raw.append(buf, static_cast<size_t>(n));
        if (headerEnd == std::string::npos && (headerEnd = raw.find("\r\n\r\n")) != std::string::npos)
          need = ContentLength(raw.substr(0, headerEnd));
      }
      Record(raw, headerEnd);
      if (!answer_) {
        held_.push_back(fd);  // never answered; closed when the server goes away
        continue;
      }
      const std::string response = "HTTP/1.1 " + std::to_string(status_) + " Status\r\nContent-Type: application/json\r\n" +
                                   "Content-Length: " + std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" +
                                   body_;
      size_t sent = 0;
      while (sent < response.size()) {
        const ssize_t n = ::send(fd, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      ::close(fd);
    }
  }

  static std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }

  static size_t ContentLength(const std::string& head) {
    const std::string lower = Lower(head);
    const size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::stoul(head.substr(at + 17));
  }

  void Record(const std::string& raw, size_t headerEnd) {
    RecordedRequest r;
    const std::string head = raw.substr(0, headerEnd == std::string::npos ? raw.size() : headerEnd);
    size_t pos = head.find("\r\n");
    r.requestLine = head.substr(0, pos);
    while (pos != std::string::npos && pos < head.size()) {
      const size_t next = head.find("\r\n", pos + 2);
      const std::string line = head.substr(pos + 2, next == std::string::npos ? std::string::npos : next - pos - 2);
      const size_t colon = line.find(':');
      if (colon != std::string::npos) {
        size_t v = colon + 1;
        while (v < line.size() && line[v] == ' ') ++v;
        r.headers.emplace_back(Lower(line.substr(0, colon)), line.substr(v));
      }
      pos = next;
    }
    if (headerEnd != std::string::npos) r.body = raw.substr(headerEnd + 4);
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(r));
  }

  bool answer_ = true;
  int status_ = 200;
  std::string body_{};
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<int> held_;
  mutable std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
};

// Points the program's settings file ($VOLTARIS_INI) at a temporary "Kelvane.ini" with
// the given [Claude] keys, and clears $ANTHROPIC_API_KEY, for the lifetime of the object.
class ScopedAiSettings {
 public:
  explicit ScopedAiSettings(const std::string& proxyUrl, const std::string& apiKey = "test-key-123",
                            const std::string& name = "ai") {
    dir_ = std::filesystem::temp_directory_path() / ("voltaris_ai_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    path_ = dir_ / "Kelvane.ini";
    std::ofstream out(path_, std::ios::binary);
    out << "[Other]\r\nKey=1\r\n[Claude]\r\n";
    if (!apiKey.empty()) out << "APIKey=" << apiKey << "\r\n";
    if (!proxyUrl.empty()) out << "ProxyURL=" << proxyUrl << "\r\n";
    out.close();
    Save("VOLTARIS_INI", oldIni_);
    Save("ANTHROPIC_API_KEY", oldKey_);
    ::setenv("VOLTARIS_INI", path_.c_str(), 1);
    ::unsetenv("ANTHROPIC_API_KEY");
  }
  ~ScopedAiSettings() {
    Restore("VOLTARIS_INI", oldIni_);
    Restore("ANTHROPIC_API_KEY", oldKey_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  ScopedAiSettings(const ScopedAiSettings&) = delete;
  ScopedAiSettings& operator=(const ScopedAiSettings&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  static void Save(const char* name, std::optional<std::string>& slot) {
    if (const char* v = std::getenv(name)) slot = v;
  }
  static void Restore(const char* name, const std::optional<std::string>& slot) {
    if (slot) ::setenv(name, slot->c_str(), 1);
    else ::unsetenv(name);
  }
  std::filesystem::path dir_;
  std::filesystem::path path_;
  std::optional<std::string> oldIni_;
  std::optional<std::string> oldKey_;
};

}  // namespace voltaris::testing_support
