#include "net/mqtt_client.h"

#include <mosquitto.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

#include "net/socket_wait.h"

namespace dorvan {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kKeepAliveSeconds = 30;
constexpr auto kFirstRetry = seconds(1);
constexpr auto kLastRetry = seconds(60);
// A broker that takes the TCP connection but never answers it.
constexpr auto kConnackWait = seconds(10);
// At stop: how long `offline` may wait for its acknowledgement, and the whole stop.
constexpr auto kFarewellWait = milliseconds(500);
constexpr auto kStopWait = milliseconds(1200);
// libmosquitto leaves an asynchronous connection's TLS handshake to the caller's loop, and
// does not always say which way it waits: a handshake is looked at this often as well.
constexpr int kHandshakeLook = 50;

constexpr std::string_view kRefused = "bağlantı reddedildi";
constexpr std::string_view kBadLogin = "kullanıcı adı ya da parola kabul edilmedi";
constexpr std::string_view kNoAnswer = "sunucu yanıt vermiyor";
constexpr std::string_view kNoName = "sunucu adı çözülemedi";
constexpr std::string_view kLost = "bağlantı koptu";
constexpr std::string_view kUnreachable = "sunucuya ulaşılamadı";
constexpr std::string_view kNoTls = "bu MQTT kitaplığı şifreli bağlantı kuramıyor; bağlanılmadı";

int toInt(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, 1 << 28)); }

}  // namespace

struct MqttClient::Shared {
  enum class Link { Idle, Connecting, Up };

  MqttConnection connection;
  SocketWait wait;

  // Guards what the UI thread and the client thread share.
  std::mutex mutex;
  std::deque<mqtt::Publication> outbox;
  bool stopping = false;
  std::atomic<bool> up = false;  // publish() queues only while connected
  bool finished = false;
  std::condition_variable finishedSignal;
  UiThread* ui = nullptr;  // null once stop() has begun: nothing more is posted

  // The UI thread's alone.
  MqttEvents* events = nullptr;

  // The client thread's alone.
  mosquitto* mosq = nullptr;
  Link link = Link::Idle;
  Clock::time_point attemptAt{};
  Clock::time_point connectingSince{};
  Clock::duration retry = kFirstRetry;
  std::string failure;  // the reason found for the attempt under way, before its error code
  bool tcpUp = false;   // the attempt under way has its TCP connection
  int farewellId = -1;
  bool farewellAcknowledged = false;

  // From the client thread: the task runs on the UI thread unless stop() has begun by then.
  void post(void (*what)(MqttEvents&, const MqttMessage&), MqttMessage message = {}) {
    std::lock_guard lock(mutex);
    if (!ui) return;
    ui->post([self = selfRef.lock(), what, message = std::move(message)] {
      if (self && self->events) what(*self->events, message);
    });
  }
  std::weak_ptr<Shared> selfRef;

  bool isStopping() {
    std::lock_guard lock(mutex);
    return stopping;
  }

  void down(std::string_view reason) {
    const bool wasUp = link == Link::Up;
    link = Link::Idle;
    up = false;
    attemptAt = Clock::now() + retry;
    retry = std::min<Clock::duration>(retry * 2, kLastRetry);
    // A socket still open (a refused login, an unanswered one) is closed by the DISCONNECT's write.
    mosquitto_disconnect(mosq);
    std::string why = !failure.empty() ? std::move(failure) : std::string(wasUp ? kLost : reason);
    failure.clear();
    post([](MqttEvents& e, const MqttMessage& m) { e.mqttDown(m.payload); }, MqttMessage{{}, std::move(why), false});
    std::lock_guard lock(mutex);
    outbox.clear();
  }

  void attempt() {
    failure.clear();
    tcpUp = false;
    if (connection.tls) connection.tls->forgetFailure();
    errno = 0;
    const int rc = mosquitto_connect_async(mosq, connection.host.c_str(), connection.port, kKeepAliveSeconds);
    if (rc == MOSQ_ERR_SUCCESS) {
      link = Link::Connecting;
      connectingSince = Clock::now();
      return;
    }
    // On a fast link the whole handshake may be over before connect_async returns.
    if (rc == MOSQ_ERR_TLS && connection.tls) failure = connection.tls->failureText();
    down(rc == MOSQ_ERR_EAI                                          ? kNoName
         : rc == MOSQ_ERR_ERRNO && SocketWait::lastErrorWasRefusal() ? kRefused
                                                                     : kUnreachable);
  }

  // Errors of loop_read, loop_write and loop_misc.
  void failed(int rc, bool refusedHint) {
    if (link == Link::Connecting && (refusedHint || (rc == MOSQ_ERR_ERRNO && SocketWait::lastErrorWasRefusal())) &&
        failure.empty())
      failure = kRefused;
    if (link == Link::Connecting && rc == MOSQ_ERR_TLS && connection.tls && failure.empty())
      failure = connection.tls->failureText();
    down(rc == MOSQ_ERR_KEEPALIVE ? kNoAnswer : link == Link::Connecting ? kUnreachable : kLost);
  }

  void connack(int rc) {
    if (rc != 0) {
      failure = rc == 4 || rc == 5 ? kBadLogin : kRefused;
      return;  // loop_read returns the refusal next, and down() tells it
    }
    link = Link::Up;
    up = true;
    retry = kFirstRetry;
    for (const std::string& topic : connection.subscriptions) mosquitto_subscribe(mosq, nullptr, topic.c_str(), 1);
    post([](MqttEvents& e, const MqttMessage&) { e.mqttConnected(); });
  }

  void sendOutbox() {
    std::deque<mqtt::Publication> batch;
    {
      std::lock_guard lock(mutex);
      batch.swap(outbox);
    }
    for (const mqtt::Publication& p : batch)
      mosquitto_publish(mosq, nullptr, p.topic.c_str(), toInt(p.payload.size()), p.payload.data(), 1, p.retain);
  }

  bool handshaking() {
    if (!connection.tls || link != Link::Connecting) return false;
    const SSL* ssl = static_cast<const SSL*>(mosquitto_ssl_get(mosq));
    return ssl && !SSL_is_init_finished(ssl);
  }

  // Until the TCP connection is made the socket is watched for writing; after that
  // mosquitto_loop_read takes the handshake a step further at each look.
  void handshakeStep(int timeout) {
    const int socket = mosquitto_socket(mosq);
    const SSL* ssl = static_cast<const SSL*>(mosquitto_ssl_get(mosq));
    const SocketWait::Ready ready = wait.wait(socket, !tcpUp || SSL_want_write(ssl), std::min(timeout, kHandshakeLook));
    if (ready.failed && !tcpUp) {
      failure = ready.refused || SocketWait::connectionRefused(socket) ? kRefused : kUnreachable;
      return down(kUnreachable);
    }
    if (ready.read || ready.write) tcpUp = true;
    if (tcpUp) {
      if (const int rc = mosquitto_loop_read(mosq, 1); rc != MOSQ_ERR_SUCCESS) return failed(rc, false);
      // A connection reset is an error libmosquitto would wait on for ever.
      if (ready.failed) {
        failure = connection.tls->failureText();
        return down(kUnreachable);
      }
    }
    if (Clock::now() - connectingSince > kConnackWait) {
      failure = kNoAnswer;
      down(kNoAnswer);
    }
  }

  // One round: wait for the socket, the wake-up or the timeout, then do what is due.
  void step(Clock::time_point until) {
    const auto now = Clock::now();
    int timeout = static_cast<int>(std::chrono::duration_cast<milliseconds>(until - now).count());
    timeout = std::clamp(timeout, 0, 1000);
    if (link == Link::Idle) {
      wait.wait(-1, false,
                std::min<int>(timeout, static_cast<int>(std::max<long long>(
                                           0, std::chrono::duration_cast<milliseconds>(attemptAt - now).count()))));
      if (Clock::now() >= attemptAt && !isStopping()) attempt();
      return;
    }
    if (handshaking()) return handshakeStep(timeout);
    const SocketWait::Ready ready = wait.wait(mosquitto_socket(mosq), mosquitto_want_write(mosq), timeout);
    if (ready.read) {
      if (const int rc = mosquitto_loop_read(mosq, 1); rc != MOSQ_ERR_SUCCESS) return failed(rc, ready.refused);
      SocketWait::ackPromptly(mosquitto_socket(mosq));
    }
    if (ready.write)
      if (const int rc = mosquitto_loop_write(mosq, 1); rc != MOSQ_ERR_SUCCESS) return failed(rc, ready.refused);
    if (link == Link::Up) sendOutbox();
    if (const int rc = mosquitto_loop_misc(mosq); rc != MOSQ_ERR_SUCCESS) return failed(rc, false);
    if (link == Link::Connecting && Clock::now() - connectingSince > kConnackWait) {
      failure = kNoAnswer;
      down(kNoAnswer);
    }
  }

  void farewell() {
    if (link != Link::Up) return;
    const std::string_view offline = mqtt::kOffline;
    mosquitto_publish(mosq, &farewellId, connection.availabilityTopic.c_str(), toInt(offline.size()), offline.data(), 1,
                      true);
    const auto until = Clock::now() + kFarewellWait;
    while (!farewellAcknowledged && link == Link::Up && Clock::now() < until) step(until);
    if (link == Link::Up) mosquitto_disconnect(mosq);
    // The DISCONNECT leaves with the next write; the socket closes after it.
    const auto closing = Clock::now() + milliseconds(100);
    while (mosquitto_socket(mosq) >= 0 && mosquitto_want_write(mosq) && Clock::now() < closing) {
      wait.wait(mosquitto_socket(mosq), true, 20);
      mosquitto_loop_write(mosq, 1);
    }
  }

  void run() {
    auto nextSecond = Clock::now() + seconds(1);
    while (!isStopping()) {
      step(nextSecond);
      if (Clock::now() >= nextSecond) {
        nextSecond = Clock::now() + seconds(1);
        post([](MqttEvents& e, const MqttMessage&) { e.mqttSecond(); });
      }
    }
    farewell();
    std::lock_guard lock(mutex);
    finished = true;
    finishedSignal.notify_all();
  }

  ~Shared() {
    if (mosq) mosquitto_destroy(mosq);
  }
};

namespace {

MqttClient::Shared& sharedOf(void* obj) { return *static_cast<MqttClient::Shared*>(obj); }

void libraryOnce() {
  // Also Winsock's WSAStartup on Windows. Never undone: the process ends first.
  static std::once_flag once;
  std::call_once(once, [] { mosquitto_lib_init(); });
}

}  // namespace

MqttClient::MqttClient(MqttConnection connection, UiThread& ui, MqttEvents& events) {
  libraryOnce();
  shared_ = std::make_shared<Shared>();
  Shared& s = *shared_;
  s.selfRef = shared_;
  s.connection = std::move(connection);
  s.ui = &ui;
  s.events = &events;
  s.mosq = mosquitto_new(s.connection.clientId.c_str(), true, &s);
  if (!s.mosq) {
    s.finished = true;
    s.post([](MqttEvents& e, const MqttMessage&) { e.mqttDown(kUnreachable); });
    return;
  }
  if (!s.connection.user.empty())
    mosquitto_username_pw_set(s.mosq, s.connection.user.c_str(),
                              s.connection.password.empty() ? nullptr : s.connection.password.c_str());
  // DORVAN's own context as it is: libmosquitto's defaults would trust a choice of CAs of its own.
  // A library without TLS never gets the chance to connect in clear text instead.
  if (s.connection.tls &&
      (mosquitto_int_option(s.mosq, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0) != MOSQ_ERR_SUCCESS ||
       mosquitto_void_option(s.mosq, MOSQ_OPT_SSL_CTX, s.connection.tls->native()) != MOSQ_ERR_SUCCESS)) {
    s.finished = true;
    s.post([](MqttEvents& e, const MqttMessage&) { e.mqttDown(kNoTls); });
    return;
  }
  const std::string_view offline = mqtt::kOffline;
  mosquitto_will_set(s.mosq, s.connection.availabilityTopic.c_str(), toInt(offline.size()), offline.data(), 1, true);
  mosquitto_connect_callback_set(s.mosq, [](mosquitto*, void* obj, int rc) { sharedOf(obj).connack(rc); });
  mosquitto_publish_callback_set(s.mosq, [](mosquitto*, void* obj, int mid) {
    if (mid == sharedOf(obj).farewellId) sharedOf(obj).farewellAcknowledged = true;
  });
  mosquitto_message_callback_set(s.mosq, [](mosquitto*, void* obj, const mosquitto_message* m) {
    MqttMessage message{m->topic ? m->topic : "", {}, m->retain};
    if (m->payloadlen > 0) message.payload.assign(static_cast<const char*>(m->payload), m->payloadlen);
    sharedOf(obj).post([](MqttEvents& e, const MqttMessage& msg) { e.mqttMessage(msg); }, std::move(message));
  });
  s.attemptAt = Clock::now();
  thread_ = std::thread([keep = shared_] { keep->run(); });
}

MqttClient::~MqttClient() { stop(); }

void MqttClient::publish(mqtt::Publication message) {
  bool first;
  {
    std::lock_guard lock(shared_->mutex);
    if (shared_->stopping || !shared_->up) return;
    first = shared_->outbox.empty();
    shared_->outbox.push_back(std::move(message));
  }
  // One wake-up a batch: the thread takes the whole outbox when it wakes.
  if (first) shared_->wait.wake();
}

void MqttClient::stop() {
  if (!shared_) return;
  {
    std::unique_lock lock(shared_->mutex);
    shared_->stopping = true;
    shared_->ui = nullptr;
    shared_->events = nullptr;
    shared_->wait.wake();
    shared_->finishedSignal.wait_for(lock, kStopWait, [this] { return shared_->finished; });
  }
  if (thread_.joinable()) {
    bool finished;
    {
      std::lock_guard lock(shared_->mutex);
      finished = shared_->finished;
    }
    // Still inside a blocking name lookup: it ends on its own and holds its own share.
    if (finished)
      thread_.join();
    else
      thread_.detach();
  }
  shared_.reset();
}

}  // namespace dorvan
