#include "net/http_server.h"

#include <algorithm>
#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>
#include <deque>
#include <limits>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>
#include <type_traits>

#include "net/http_guard.h"
#include "net/tls_server.h"

namespace dorvan {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;

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

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %XX decoded (and '+' as a space in a query); a broken escape is kept as it stands.
std::string percentDecoded(std::string_view text, bool query) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      const int high = hexValue(text[i + 1]);
      const int low = hexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(query && c == '+' ? ' ' : c);
  }
  return out;
}

std::multimap<std::string, std::string> queryOf(std::string_view text) {
  std::multimap<std::string, std::string> out;
  while (!text.empty()) {
    const std::string_view pair = text.substr(0, text.find('&'));
    text.remove_prefix(std::min(text.size(), pair.size() + 1));
    if (pair.empty()) continue;
    const std::size_t equals = pair.find('=');
    out.emplace(percentDecoded(pair.substr(0, equals), true),
                equals == std::string_view::npos ? std::string() : percentDecoded(pair.substr(equals + 1), true));
  }
  return out;
}

// Said to a connection refused as it comes, before a byte of it is read.
std::string refusalText() {
  const std::string body =
      jsonError(503, "Bu adresten ya da toplamda çok sayıda bağlantı açık; biraz sonra yeniden deneyin.").body;
  return "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nRetry-After: 5\r\nConnection: close\r\n\r\n" + body;
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
                      {},
                      false};
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

std::string serverSentEvent(std::string_view name, std::string_view data) {
  std::string out;
  out.reserve(name.size() + data.size() + 16);
  out.append("event: ").append(name).append("\ndata: ").append(data).append("\n\n");
  return out;
}

// What the server holds of a connection, whatever it is carried on.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  virtual ~Connection() = default;
  virtual void start() = 0;
  virtual void send(const std::shared_ptr<const std::string>& text) = 0;
};

struct ServerCore;

// What the server's other threads may reach: work for the server's thread, while it runs.
struct Gate {
  std::mutex mutex;
  asio::io_context* context = nullptr;  // none once the server stops

  template <class Work>
  void post(Work&& work) {
    const std::lock_guard lock(mutex);
    if (context) asio::post(*context, std::forward<Work>(work));
  }
};

struct ServerCore {
  HttpLimits limits;
  HttpServer::Handler handler;
  std::unique_ptr<PasswordGuard> guard;
  // The rest is the server's thread's alone.
  std::map<std::string, std::size_t, std::less<>> perAddress;
  std::size_t open = 0;
  // The open event streams, held here: between two events nothing else holds them.
  std::set<std::shared_ptr<Connection>> streams;
  std::atomic<std::size_t> streamCount{0};
  std::shared_ptr<Gate> gate = std::make_shared<Gate>();
  const std::string refusal = refusalText();
  std::unique_ptr<asio::ssl::context> tls;  // none: plain HTTP
  // Destroyed before what is above: the connections it still holds let go of it.
  asio::io_context context;
  tcp::acceptor acceptor{context};
  asio::steady_timer acceptPause{context};
  asio::steady_timer ping{context};
  std::thread thread;

  void accept();
  void admitConnection(tcp::socket socket);
  void pingStreams();
};

// One connection, on a plain TCP stream or on TLS over one.
template <class Stream>
class Session final : public Connection {
 public:
  template <class... StreamArgs>
  Session(ServerCore& server, std::string address, StreamArgs&&... streamArgs)
      : server_(server),
        stream_(std::forward<StreamArgs>(streamArgs)...),
        address_(std::move(address)),
        buffer_(server.limits.maxHeader + server.limits.maxBody),
        answerTimer_(stream_.get_executor()) {
    ++server_.open;
    ++server_.perAddress[address_];
  }

  ~Session() {
    --server_.open;
    const auto it = server_.perAddress.find(address_);
    if (it != server_.perAddress.end() && --it->second == 0) server_.perAddress.erase(it);
  }

  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void start() override {
    if constexpr (kTls) {
      // The handshake falls within the first request's deadline: a stranger who says nothing is let go.
      lowest().expires_after(server_.limits.headerDeadline);
      stream_.async_handshake(asio::ssl::stream_base::server, [self = self()](beast::error_code ec) {
        if (ec) return self->close();  // plain HTTP on this port among them: not served
        self->readRequest();
      });
    } else {
      readRequest();
    }
  }

  // Whole events for an open stream; a reader that has stopped reading is let go.
  void send(const std::shared_ptr<const std::string>& text) override {
    if (!streaming_ || closed_) return;
    backlog_ += text->size();
    if (backlog_ > server_.limits.streamBacklog) return close();
    queue_.push_back(text);
    if (!writing_) writeNext();
  }

 private:
  static constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;

  std::shared_ptr<Session> self() { return std::static_pointer_cast<Session>(shared_from_this()); }
  beast::tcp_stream& lowest() { return beast::get_lowest_layer(stream_); }

  void readRequest() {
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(server_.limits.maxHeader));
    // The body's limit is checked once the header is, so that a stranger is told 401 first.
    parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
    if (served_ == 0 || buffer_.size() > 0) return readHeader();
    // A kept-alive connection waits for the first byte of its next request a while only.
    lowest().expires_after(server_.limits.idle);
    stream_.async_read_some(buffer_.prepare(1024), [self = self()](beast::error_code ec, std::size_t n) {
      if (ec) return self->close();
      self->buffer_.commit(n);
      self->readHeader();
    });
  }

  void readHeader() {
    lowest().expires_after(server_.limits.headerDeadline);
    http::async_read_header(stream_, buffer_, *parser_,
                            [self = self()](beast::error_code ec, std::size_t) { self->onHeader(ec); });
  }

  void onHeader(beast::error_code ec) {
    if (ec == http::error::header_limit)
      return answer(jsonError(431, "İstek başlığı 8 KiB'tan büyük."), true);
    if (ec == http::error::end_of_stream || ec == beast::error::timeout || ec == asio::error::eof ||
        ec == asio::error::connection_reset || ec == asio::error::operation_aborted ||
        ec == asio::ssl::error::stream_truncated)  // gone over TLS without saying goodbye
      return close();
    if (ec) return answer(jsonError(400, "İstek anlaşılamadı."), true);
    // How every answer to this request is written, a refusal's too.
    const auto& head = parser_->get();
    head_ = head.method() == http::verb::head;
    keepAlive_ = head.keep_alive();
    version_ = head.version();
    const auto authorization = head[http::field::authorization];
    const Admission admission =
        server_.guard->admit(address_, std::string_view(authorization.data(), authorization.size()),
                             PasswordGuard::Clock::now());
    if (admission == Admission::TooMany) {
      HttpResponse r = jsonError(429, "Çok sayıda yanlış parola denendi; bir dakika sonra yeniden deneyin.");
      r.headers.emplace_back("Retry-After", "60");
      return answer(std::move(r), true);
    }
    if (admission == Admission::Unauthorized) {
      HttpResponse r = jsonError(401, "Bu sayfa parola ister.");
      r.headers.emplace_back("WWW-Authenticate", std::string(kRealm));
      return answer(std::move(r), !parser_->is_done());
    }
    // A body is read only when its length is told, and is small.
    if (parser_->chunked())
      return answer(jsonError(411, "İstek gövdesinin uzunluğu (Content-Length) belirtilmeli."), true);
    if (parser_->content_length() && *parser_->content_length() > server_.limits.maxBody)
      return answer(jsonError(413, "İstek gövdesi 16 KiB'tan büyük."), true);
    if (parser_->is_done()) return dispatch();
    lowest().expires_after(server_.limits.bodyDeadline);
    http::async_read(stream_, buffer_, *parser_, [self = self()](beast::error_code error, std::size_t) {
      if (error) return self->close();
      self->dispatch();
    });
  }

  void dispatch() {
    const auto& in = parser_->get();
    HttpRequest request;
    request.method = head_ ? "GET" : std::string(in.method_string());
    const std::string_view target(in.target().data(), in.target().size());
    const std::size_t question = target.find('?');
    request.path = percentDecoded(target.substr(0, question), false);
    if (question != std::string_view::npos) request.query = queryOf(target.substr(question + 1));
    request.body = in.body();
    const auto header = [&in](http::field f) {
      const auto v = in[f];
      return std::string(v.data(), v.size());
    };
    request.contentType = header(http::field::content_type);
    request.origin = header(http::field::origin);
    request.host = header(http::field::host);
    request.address = address_;

    const std::uint64_t asked = ++asked_;
    waiting_ = true;
    answerTimer_.expires_after(server_.limits.answerWait);
    answerTimer_.async_wait([self = self(), asked](beast::error_code ec) {
      if (ec || !self->waiting_ || self->asked_ != asked) return;
      self->answer(jsonError(503, "Program şu anda yanıt veremiyor; biraz sonra yeniden deneyin."), false);
    });
    std::weak_ptr<Session> weak = self();
    server_.handler(request, [gate = server_.gate, weak, asked](HttpResponse response) {
      gate->post([weak, asked, r = std::move(response)]() mutable {
        const std::shared_ptr<Session> self = weak.lock();
        if (self && self->waiting_ && self->asked_ == asked) self->answer(std::move(r), false);
      });
    });
  }

  void answer(HttpResponse in, bool closeAfter) {
    waiting_ = false;
    answerTimer_.cancel();
    if (closed_) return;
    in.headers.emplace_back("Cache-Control", "no-store");
    in.headers.emplace_back("X-Content-Type-Options", "nosniff");
    if (in.eventStream && in.status == 200) return startStream(in);
    auto out = std::make_shared<http::response<http::string_body>>();
    out->version(version_);
    out->result(static_cast<unsigned>(in.status));
    out->set(http::field::content_type, in.contentType);
    for (const auto& [name, value] : in.headers) out->insert(name, value);
    out->keep_alive(keepAlive_ && !closeAfter);
    out->body() = std::move(in.body);
    out->prepare_payload();
    if (head_) out->body().clear();  // its length is still told
    lowest().expires_after(server_.limits.writeDeadline);
    http::async_write(stream_, *out, [self = self(), out](beast::error_code ec, std::size_t) {
      if (ec || !out->keep_alive()) return self->close();
      ++self->served_;
      self->readRequest();
    });
  }

  // The header by hand: the stream's length is not known, so it ends with the connection.
  void startStream(const HttpResponse& in) {
    std::string text = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream; charset=utf-8\r\n";
    for (const auto& [name, value] : in.headers) text.append(name).append(": ").append(value).append("\r\n");
    text.append("\r\n").append(in.body);
    streaming_ = true;
    server_.streams.insert(self());
    ++server_.streamCount;
    send(std::make_shared<const std::string>(std::move(text)));
  }

  void writeNext() {
    writing_ = true;
    const std::shared_ptr<const std::string> text = queue_.front();
    lowest().expires_after(server_.limits.writeDeadline);
    asio::async_write(stream_, asio::buffer(*text), [self = self(), text](beast::error_code ec, std::size_t) {
      self->writing_ = false;
      if (ec) return self->close();
      self->backlog_ -= text->size();
      self->queue_.pop_front();
      if (!self->queue_.empty()) return self->writeNext();
      // Nothing pending: the deadline must not fall on the next write.
      self->lowest().expires_never();
    });
  }

  void close() {
    if (closed_) return;
    closed_ = true;
    waiting_ = false;
    answerTimer_.cancel();
    queue_.clear();
    if (streaming_) {
      server_.streams.erase(self());
      --server_.streamCount;
    }
    beast::error_code ignored;
    lowest().socket().shutdown(tcp::socket::shutdown_both, ignored);
    lowest().close();
  }

  ServerCore& server_;
  Stream stream_;
  const std::string address_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  asio::steady_timer answerTimer_;
  std::deque<std::shared_ptr<const std::string>> queue_;
  std::size_t backlog_ = 0;
  std::uint64_t asked_ = 0;
  std::uint64_t served_ = 0;
  unsigned version_ = 11;
  bool keepAlive_ = false;
  bool head_ = false;
  bool waiting_ = false;
  bool streaming_ = false;
  bool writing_ = false;
  bool closed_ = false;
};

void ServerCore::accept() {
  acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
    if (ec == asio::error::operation_aborted) return;
    if (ec) {
      // Out of descriptors, say: the connections open now go on, and accepting resumes soon.
      acceptPause.expires_after(std::chrono::milliseconds(100));
      acceptPause.async_wait([this](beast::error_code e) {
        if (!e) accept();
      });
      return;
    }
    admitConnection(std::move(socket));
    accept();
  });
}

void ServerCore::admitConnection(tcp::socket socket) {
  beast::error_code ec;
  const tcp::endpoint peer = socket.remote_endpoint(ec);
  if (ec) return;
  std::string address = peer.address().to_string();
  const auto it = perAddress.find(address);
  if (open >= limits.connections || (it != perAddress.end() && it->second >= limits.perAddress)) {
    // Said at once, as far as the socket takes it without waiting, and closed; over TLS
    // there is no saying it before a handshake, which is what the bound saves.
    socket.non_blocking(true, ec);
    if (!tls) socket.write_some(asio::buffer(refusal), ec);
    socket.shutdown(tcp::socket::shutdown_both, ec);
    socket.close(ec);
    return;
  }
  socket.set_option(tcp::no_delay(true), ec);
  if (tls)
    std::make_shared<Session<beast::ssl_stream<beast::tcp_stream>>>(*this, std::move(address), std::move(socket), *tls)
        ->start();
  else
    std::make_shared<Session<beast::tcp_stream>>(*this, std::move(address), std::move(socket))->start();
}

void ServerCore::pingStreams() {
  ping.expires_after(limits.streamPing);
  ping.async_wait([this](beast::error_code ec) {
    if (ec) return;
    // A comment line: keeps proxies from closing a quiet stream, and finds readers that have gone.
    const auto text = std::make_shared<const std::string>(": ping\n\n");
    const std::vector<std::shared_ptr<Connection>> listening(streams.begin(), streams.end());
    for (const auto& s : listening) s->send(text);
    pingStreams();
  });
}

struct HttpServer::Impl : ServerCore {};

HttpServer::HttpServer() = default;

HttpServer::~HttpServer() { stop(); }

bool HttpServer::start(const std::string& address, std::uint16_t port, const std::string& password, Handler handler,
                       const HttpLimits& limits, const std::shared_ptr<TlsServerContext>& tls) {
  stop();
  impl_ = std::make_unique<Impl>();
  Impl& impl = *impl_;
  if (tls) {
    // Asio's context takes a reference of its own to OpenSSL's.
    SSL_CTX_up_ref(tls->native());
    impl.tls = std::make_unique<asio::ssl::context>(tls->native());
  }
  impl.limits = limits;
  impl.handler = std::move(handler);
  impl.guard = std::make_unique<PasswordGuard>(password);
  beast::error_code ec;
  const asio::ip::address ip = asio::ip::make_address(address.empty() ? "0.0.0.0" : address, ec);
  const tcp::endpoint endpoint(ip, port);
  if (!ec) impl.acceptor.open(endpoint.protocol(), ec);
#ifndef _WIN32
  // On Windows this option would let the port be taken from a program that holds it.
  if (!ec) impl.acceptor.set_option(asio::socket_base::reuse_address(true), ec);
#endif
  if (!ec) impl.acceptor.bind(endpoint, ec);
  if (!ec) impl.acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    impl_.reset();
    return false;
  }
  impl.gate->context = &impl.context;
  impl.accept();
  impl.pingStreams();
  impl.thread = std::thread([&impl] { impl.context.run(); });
  return true;
}

void HttpServer::stop() {
  if (!impl_) return;
  {
    const std::lock_guard lock(impl_->gate->mutex);
    impl_->gate->context = nullptr;
  }
  impl_->context.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
  // Their sockets go while the context they belong to is still there.
  impl_->streams.clear();
  impl_.reset();
}

void HttpServer::broadcast(std::string text) {
  if (!impl_) return;
  Impl& impl = *impl_;
  impl.gate->post([&impl, shared = std::make_shared<const std::string>(std::move(text))] {
    const std::vector<std::shared_ptr<Connection>> listening(impl.streams.begin(), impl.streams.end());
    for (const auto& s : listening) s->send(shared);
  });
}

std::size_t HttpServer::streamCount() const { return impl_ ? impl_->streamCount.load() : 0; }

}  // namespace dorvan
