#include "net/http_server.h"

#include <httplib.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <thread>

#include "net/http_guard.h"

namespace dorvan {

namespace {

constexpr std::string_view kRealm = "Basic realm=\"DORVAN\"";

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  return out;
}

// "http://host:port/…" → "host:port".
std::string_view originHost(std::string_view origin) {
  const std::size_t scheme = origin.find("://");
  if (scheme == std::string_view::npos) return {};
  origin.remove_prefix(scheme + 3);
  return origin.substr(0, origin.find('/'));
}

void fill(httplib::Response& out, const HttpResponse& in) {
  out.status = in.status;
  for (const auto& [name, value] : in.headers) out.set_header(name, value);
  out.set_content(in.body, in.contentType);
}

}  // namespace

std::string HttpRequest::queryValue(std::string_view key) const {
  const auto it = query.find(std::string(key));
  return it == query.end() ? std::string() : it->second;
}

HttpResponse jsonError(int status, std::string_view text) {
  return HttpResponse{status,
                      "application/json; charset=utf-8",
                      nlohmann::json{{"error", text}}.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                      {}};
}

std::optional<HttpResponse> refuseWrite(const HttpRequest& request) {
  std::string_view type = request.contentType;
  type = type.substr(0, type.find(';'));
  while (!type.empty() && type.back() == ' ') type.remove_suffix(1);
  if (lower(type) != "application/json")
    return jsonError(415, "Yazma istekleri yalnızca \"Content-Type: application/json\" ile kabul edilir.");
  if (!request.origin.empty() && lower(originHost(request.origin)) != lower(request.host))
    return jsonError(403, "Başka bir siteden gelen yazma isteği reddedildi.");
  return std::nullopt;
}

struct HttpServer::Impl {
  httplib::Server server;
  std::thread thread;
  std::unique_ptr<PasswordGuard> guard;
  Handler handler;

  // Before the body is read: a stranger's body is never read, nor a body whose length is not told.
  httplib::Server::HandlerResponse admit(const httplib::Request& in, httplib::Response& out) {
    const Admission admission =
        guard->admit(in.remote_addr, in.get_header_value("Authorization"), PasswordGuard::Clock::now());
    if (admission == Admission::TooMany) {
      HttpResponse r = jsonError(429, "Çok sayıda yanlış parola denendi; bir dakika sonra yeniden deneyin.");
      r.headers.emplace_back("Retry-After", "60");
      fill(out, r);
      return httplib::Server::HandlerResponse::Handled;
    }
    if (admission == Admission::Unauthorized) {
      HttpResponse r = jsonError(401, "Bu sayfa parola ister.");
      r.headers.emplace_back("WWW-Authenticate", std::string(kRealm));
      fill(out, r);
      return httplib::Server::HandlerResponse::Handled;
    }
    // The library bounds a body by its Content-Length only.
    if (in.has_header("Transfer-Encoding")) {
      fill(out, jsonError(411, "İstek gövdesinin uzunluğu (Content-Length) belirtilmeli."));
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  }

  void serve(const httplib::Request& in, httplib::Response& out) {
    HttpRequest request;
    request.method = in.method == "HEAD" ? "GET" : in.method;
    request.path = in.path;
    for (const auto& [key, value] : in.params) request.query.emplace(key, value);
    request.body = in.body;
    request.contentType = in.get_header_value("Content-Type");
    request.origin = in.get_header_value("Origin");
    request.host = in.get_header_value("Host");
    request.address = in.remote_addr;
    HttpResponse answer = handler(request);
    answer.headers.emplace_back("Cache-Control", "no-store");
    answer.headers.emplace_back("X-Content-Type-Options", "nosniff");
    fill(out, answer);
  }
};

HttpServer::HttpServer() = default;

HttpServer::~HttpServer() { stop(); }

bool HttpServer::start(const std::string& address, std::uint16_t port, const std::string& password, Handler handler,
                       const HttpLimits& limits) {
  stop();
  impl_ = std::make_unique<Impl>();
  Impl& impl = *impl_;
  impl.guard = std::make_unique<PasswordGuard>(password);
  impl.handler = std::move(handler);
  httplib::Server& s = impl.server;
  const std::size_t threads = limits.threads;
  s.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  s.set_read_timeout(limits.readTimeoutSeconds, 0);
  s.set_write_timeout(limits.readTimeoutSeconds, 0);
  s.set_keep_alive_timeout(limits.keepAliveSeconds);
  s.set_keep_alive_max_count(limits.keepAliveMax);
  s.set_payload_max_length(limits.maxBody);
  s.set_pre_routing_handler(
      [&impl](const httplib::Request& in, httplib::Response& out) { return impl.admit(in, out); });
  const auto serve = [&impl](const httplib::Request& in, httplib::Response& out) { impl.serve(in, out); };
  const std::string any = ".*";
  s.Get(any, serve).Post(any, serve).Put(any, serve).Delete(any, serve).Patch(any, serve).Options(any, serve);
  // What the library answers by itself (a body too large, a request it cannot read) in Turkish too.
  s.set_error_handler([](const httplib::Request&, httplib::Response& out) {
    if (!out.body.empty()) return;
    const char* text = out.status == 413 ? "İstek gövdesi 16 KiB'tan büyük." : "İstek anlaşılamadı.";
    fill(out, jsonError(out.status, text));
  });
  if (!s.bind_to_port(address.empty() ? "0.0.0.0" : address, port)) {
    impl_.reset();
    return false;
  }
  impl.thread = std::thread([&s] { s.listen_after_bind(); });
  return true;
}

void HttpServer::stop() {
  if (!impl_) return;
  impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
  impl_.reset();
}

}  // namespace dorvan
