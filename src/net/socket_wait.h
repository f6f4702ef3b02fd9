// The MQTT thread's wait: for its broker socket to be readable or writable, for a
// wake-up from another thread, or for a timeout, whichever comes first. A socket pair
// carries the wake-up, so a message queued by the UI thread goes out at once.
// net/posix/socket_wait.cpp, net/win32/socket_wait.cpp
#pragma once

namespace dorvan {

class SocketWait {
 public:
  SocketWait();
  ~SocketWait();
  SocketWait(const SocketWait&) = delete;
  SocketWait& operator=(const SocketWait&) = delete;

  // False when the wake-up pair could not be made; the wait then still times out.
  bool ok() const { return wakeRead_ >= 0; }
  // From any thread; wakes the wait now, or the next one.
  void wake();

  struct Ready {
    bool read = false;
    bool write = false;
    bool refused = false;  // a connection being made has failed: the broker's address refused it
    bool failed = false;   // the socket has an error or was hung up on
  };
  // `socket` < 0: none, only the wake-up and the timeout.
  Ready wait(int socket, bool wantWrite, int timeoutMs);

  // Acknowledges what arrives on `socket` at once instead of after the delayed-ACK
  // timer. A broker that holds its small packets until the last is acknowledged
  // (Nagle) would otherwise keep a command waiting 40 ms (Linux) to 200 ms (Windows)
  // behind the acknowledgements of DORVAN's own messages. Called after every read.
  static void ackPromptly(int socket);

  // The reason of the last failed socket call, as the platform tells it: true when
  // the other end refused the connection.
  static bool lastErrorWasRefusal();
  // Whether the connection being made on `socket` was refused; asked once it has failed.
  static bool connectionRefused(int socket);

 private:
  void drain();
  long long wakeRead_ = -1;
  long long wakeWrite_ = -1;
};

}  // namespace dorvan
