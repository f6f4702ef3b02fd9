#include "net/socket_wait.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace dorvan {

SocketWait::SocketWait() {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0) return;
  wakeRead_ = pair[0];
  wakeWrite_ = pair[1];
}

SocketWait::~SocketWait() {
  if (wakeRead_ >= 0) close(static_cast<int>(wakeRead_));
  if (wakeWrite_ >= 0) close(static_cast<int>(wakeWrite_));
}

void SocketWait::wake() {
  if (wakeWrite_ < 0) return;
  const char byte = 1;
  // A full pair already holds a wake-up.
  [[maybe_unused]] const ssize_t n = send(static_cast<int>(wakeWrite_), &byte, 1, MSG_NOSIGNAL);
}

void SocketWait::drain() {
  char buf[64];
  while (recv(static_cast<int>(wakeRead_), buf, sizeof buf, 0) > 0) {
  }
}

SocketWait::Ready SocketWait::wait(int socket, bool wantWrite, int timeoutMs) {
  pollfd fds[2]{};
  nfds_t n = 0;
  if (wakeRead_ >= 0) fds[n++] = {static_cast<int>(wakeRead_), POLLIN, 0};
  const nfds_t sock = n;
  if (socket >= 0) fds[n++] = {socket, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0};
  Ready ready;
  if (poll(fds, n, timeoutMs) <= 0) return ready;
  if (wakeRead_ >= 0 && fds[0].revents) drain();
  if (socket >= 0) {
    const short r = fds[sock].revents;
    // An error or a hang-up is found by the read or write that follows.
    ready.read = r & (POLLIN | POLLHUP | POLLERR);
    ready.write = r & (POLLOUT | POLLERR);
    ready.failed = r & (POLLHUP | POLLERR);
  }
  return ready;
}

// Linux leaves quick-ack mode by itself, so it is asked for again after each read.
void SocketWait::ackPromptly(int socket) {
#ifdef TCP_QUICKACK
  const int on = 1;
  setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#else
  (void)socket;
#endif
}

bool SocketWait::lastErrorWasRefusal() { return errno == ECONNREFUSED; }

bool SocketWait::connectionRefused(int socket) {
  int error = 0;
  socklen_t size = sizeof error;
  return getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == ECONNREFUSED;
}

}  // namespace dorvan
