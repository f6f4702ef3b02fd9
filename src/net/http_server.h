// The page's HTTP server: cpp-httplib on threads of its own, with what every request
// passes before it is answered: the password and its rate limit, a bounded pool of
// threads, a time limit on reading a request and a limit on its body. What a request
// asks is answered by the handler, on one of the server's threads.
#pragma once

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
};

// {"error": text} with that status.
HttpResponse jsonError(int status, std::string_view text);
// A write (anything but GET) is taken only as JSON, and only from a page of this
// server: 415 for another Content-Type, 403 when Origin names another host.
std::optional<HttpResponse> refuseWrite(const HttpRequest& request);

struct HttpLimits {
  std::size_t threads = 8;          // requests served at once
  int readTimeoutSeconds = 5;       // to read a request once it has begun
  int keepAliveSeconds = 2;         // an idle connection is closed after this
  std::size_t keepAliveMax = 20;    // requests over one connection
  std::size_t maxBody = 16 * 1024;  // a larger body gets 413
};

class HttpServer {
 public:
  using Handler = std::function<HttpResponse(const HttpRequest&)>;

  HttpServer();
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds the address ("" = every address) and serves on threads of its own. False
  // when the port cannot be had (in use, no such address, not allowed).
  bool start(const std::string& address, std::uint16_t port, const std::string& password, Handler handler,
             const HttpLimits& limits = {});
  // Waits for the requests being answered; safe to call twice.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace dorvan
