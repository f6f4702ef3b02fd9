#include "app/qt/stop_signals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>

#include <csignal>
#include <utility>

namespace dorvan {
namespace {

// A signal handler may do next to nothing: it writes one byte, and the event loop,
// which watches the other end, does the closing.
int g_signalPipe[2] = {-1, -1};

void onStopSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[0], &byte, 1);
}

}  // namespace

void onStopSignals(QObject& context, std::function<void()> stop) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &context);
  QObject::connect(notifier, &QSocketNotifier::activated, &context, [stop = std::move(stop)] {
    char byte = 0;
    [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[1], &byte, 1);
    stop();
  });
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace dorvan
