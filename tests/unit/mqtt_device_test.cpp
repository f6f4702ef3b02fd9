// The MQTT device over a MainForm of fakes and a real mosquitto the test starts on
// 127.0.0.1: what an edit of the table sends. Skipped where mosquitto is not installed.
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/mqtt_device.h"
#include "form_fixture.h"

namespace dorvan::test {
namespace {

using namespace std::chrono_literals;

class QueueUiThread final : public UiThread {
 public:
  void post(std::function<void()> task) override {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    signal_.notify_one();
  }
  void runFor(std::chrono::milliseconds wait) {
    const auto until = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < until) {
      std::deque<std::function<void()>> batch;
      {
        std::unique_lock lock(mutex_);
        signal_.wait_until(lock, until, [this] { return !tasks_.empty(); });
        batch.swap(tasks_);
      }
      for (auto& task : batch) task();
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable signal_;
  std::deque<std::function<void()>> tasks_;
};

// mosquitto on a free port of 127.0.0.1 with one user, for the test's length.
class Broker {
 public:
  Broker() {
    dir_ = std::filesystem::temp_directory_path() / ("dorvan-mqtt-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    const std::string passwords = (dir_ / "passwords").string();
    if (std::system(("mosquitto_passwd -b -c " + passwords + " birim parola >/dev/null 2>&1").c_str()) != 0) return;
    for (port_ = 20000 + getpid() % 20000; port_ < 65000; port_ += 97) {
      std::ofstream(dir_ / "conf") << "listener " << port_ << " 127.0.0.1\nallow_anonymous false\npassword_file "
                                   << passwords << "\npersistence false\nuser root\nlog_dest none\n";
      pid_ = fork();
      if (pid_ == 0) {
        execl("/usr/sbin/mosquitto", "mosquitto", "-c", (dir_ / "conf").c_str(), nullptr);
        _exit(127);
      }
      for (int i = 0; i < 100 && !ready(); ++i) std::this_thread::sleep_for(20ms);
      if (ready()) return;
      stop();
    }
  }
  ~Broker() {
    stop();
    std::filesystem::remove_all(dir_);
  }
  bool up() const { return pid_ > 0; }
  int port() const { return port_; }

 private:
  bool ready() {
    int status;
    if (waitpid(pid_, &status, WNOHANG) != 0) return false;  // ended: the port was taken
    mosquitto* probe = mosquitto_new(nullptr, true, nullptr);
    mosquitto_username_pw_set(probe, "birim", "parola");
    const bool ok = mosquitto_connect(probe, "127.0.0.1", port_, 5) == MOSQ_ERR_SUCCESS;
    mosquitto_destroy(probe);
    return ok;
  }
  void stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }
  std::filesystem::path dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// Everything published under the prefix and the discovery prefix, as it arrives.
class Listener {
 public:
  explicit Listener(int port) {
    m_ = mosquitto_new(nullptr, true, this);
    mosquitto_username_pw_set(m_, "birim", "parola");
    mosquitto_message_callback_set(m_, [](mosquitto*, void* self, const mosquitto_message* msg) {
      auto& l = *static_cast<Listener*>(self);
      std::lock_guard lock(l.mutex_);
      l.seen_.emplace_back(msg->topic, std::string(static_cast<const char*>(msg->payload), msg->payloadlen));
    });
    mosquitto_connect(m_, "127.0.0.1", port, 30);
    mosquitto_subscribe(m_, nullptr, "#", 1);
    mosquitto_loop_start(m_);
  }
  ~Listener() {
    mosquitto_disconnect(m_);
    mosquitto_loop_stop(m_, false);
    mosquitto_destroy(m_);
  }
  std::vector<std::string> payloads(std::string_view topic) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& [t, p] : seen_)
      if (t == topic) out.push_back(p);
    return out;
  }

 private:
  mosquitto* m_;
  std::mutex mutex_;
  std::vector<std::pair<std::string, std::string>> seen_;
};

struct MqttDeviceTest : FormFixture {
  Broker broker;
  QueueUiThread ui;

  void SetUp() override {
    if (!broker.up()) GTEST_SKIP() << "mosquitto is not installed";
    mosquitto_lib_init();
  }
  MqttSettings settings() const {
    MqttSettings s;
    s.host = "127.0.0.1";
    s.port = static_cast<std::uint16_t>(broker.port());
    s.user = "birim";
    s.password = "parola";
    s.prefix = "dorvan/birim";
    return s;
  }
};

TEST_F(MqttDeviceTest, EditsSendTheNewNameAndTheNewNextSwitchingOnce) {
  Listener seen(broker.port());
  MqttDevice device(form, ui, settings(), "1.0");
  for (int i = 0; i < 100 && files.files["gunluk.txt"].find("MQTT BAĞLANDI") == std::string::npos; ++i) ui.runFor(20ms);
  ASSERT_NE(files.files["gunluk.txt"].find("MQTT BAĞLANDI"), std::string::npos);
  ui.runFor(200ms);
  const std::string config = "homeassistant/switch/dorvan_birim/port_2/config";
  const std::string next = "dorvan/birim/port/3/sonraki";
  ASSERT_EQ(seen.payloads(config).size(), 1u);
  EXPECT_NE(seen.payloads(config)[0].find("\"name\":\"PORT 02\""), std::string::npos);

  // Typed a letter at a time: the name goes out once the handler is done, a finished
  // instant once it can fire; the other switches are not sent again.
  for (std::string_view text : {"S", "Se", "Sera"}) type("Text3", text);
  type("Text8", "07.12.2026");
  type("Text11", "06:30:00");
  ui.runFor(300ms);
  ASSERT_EQ(seen.payloads(config).size(), 2u);
  EXPECT_NE(seen.payloads(config)[1].find("\"name\":\"Sera\""), std::string::npos);
  EXPECT_EQ(seen.payloads("homeassistant/switch/dorvan_birim/port_1/config").size(), 1u);
  const std::vector<std::string> nexts = seen.payloads(next);
  ASSERT_FALSE(nexts.empty());
  EXPECT_TRUE(nexts.back().starts_with("2026-12-07T06:30:00")) << nexts.back();
  EXPECT_EQ(nexts.size(), 2u);  // empty at connect, then the instant

  device.stop();
  ui.runFor(200ms);
  EXPECT_EQ(seen.payloads("dorvan/birim/durum").back(), "offline");
}

}  // namespace
}  // namespace dorvan::test
