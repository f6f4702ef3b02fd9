// The page's HTTP server, or HTTPS: Boost.Beast on one Asio thread of its own, which holds every
// connection without a thread each. What every request passes before it is answered:
// a bound on connections in all and per address, a deadline on the whole request
// header, the password and its rate limit, and a limit on the body. What a request asks
// is answered by the handler, which is called on the server's thread and must not
// block there: it replies when it can, from any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dorvan {

class TlsServerContext;

struct HttpRequest {
  std::string method;  // "GET", "POST", …; HEAD arrives as GET
  std::string path;    // without the query
  std::multimap<std::string, std::string> query;
  std::string body;
  std::string contentType;
  std::string origin;   // the Origin header; empty when none
  std::string host;     // the Host header
  std::string address;  // the client's IP address

  std::string queryValue(std::string_view key) const;
};

struct HttpResponse {
  int status = 200;
  std::string contentType = "application/json; charset=utf-8";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  // A Server-Sent Events stream: the body is its first events, and the connection then
  // stays open for whatever HttpServer::broadcast sends.
  bool eventStream = false;
};

// {"error": text} with that status.
HttpResponse jsonError(int status, std::string_view text);
// A write (anything but GET) is taken only as JSON, and only from a page of this
// server: 415 for another Content-Type, 403 when Origin names another host.
std::optional<HttpResponse> refuseWrite(const HttpRequest& request);
// One Server-Sent Event: "event: NAME\ndata: DATA\n\n" (DATA holds no line break).
std::string serverSentEvent(std::string_view name, std::string_view data);

struct HttpLimits {
  std::size_t connections = 256;  // open at once, event streams included; more are refused
  std::size_t perAddress = 16;    // open at once from one client address
  std::chrono::milliseconds headerDeadline{10'000};  // a request's whole header, however it trickles
  std::chrono::milliseconds bodyDeadline{10'000};    // its body, once the header is in
  std::chrono::milliseconds idle{5'000};             // a kept-alive connection with no new request
  std::chrono::milliseconds writeDeadline{10'000};   // an answer, or one write to an event stream
  std::chrono::milliseconds answerWait{5'000};       // the handler's reply; then 503
  std::chrono::milliseconds streamPing{15'000};      // a comment line on every event stream
  std::size_t maxHeader = 8 * 1024;                  // a larger header gets 431
  std::size_t maxBody = 16 * 1024;                   // a larger body gets 413
  std::size_t streamBacklog = 256 * 1024;  // unsent bytes of a stream whose reader has stopped; then it is closed
};

class HttpServer {
 public:
  // Called once per request, from any thread, at any time; a reply after the answer
  // wait, or after the server has stopped, is dropped.
  using Reply = std::function<void(HttpResponse)>;
  using Handler = std::function<void(const HttpRequest&, Reply)>;

  HttpServer();
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds the address ("" = every IPv4 address) and serves on a thread of its own: over
  // TLS alone when `tls` is given, else plain HTTP. False when the port cannot be had (in
  // use, no such address, not allowed).
  bool start(const std::string& address, std::uint16_t port, const std::string& password, Handler handler,
             const HttpLimits& limits = {}, const std::shared_ptr<TlsServerContext>& tls = nullptr);
  // Closes every connection and ends the thread; safe to call twice.
  void stop();

  // From any thread: `text` (whole events) to every open event stream, in the order of
  // the calls, after the first events of a stream whose reply was given before.
  void broadcast(std::string text);
  // Event streams open now; from any thread.
  std::size_t streamCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace dorvan
