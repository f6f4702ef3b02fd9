// Windows has no socketpair: a connected pair over the loopback interface stands in.
// winsock2.h first: the other two build on it.
#include <winsock2.h>

#include <mstcpip.h>
#include <ws2tcpip.h>

#include "net/socket_wait.h"

namespace dorvan {

namespace {

SOCKET asSocket(long long s) { return static_cast<SOCKET>(s); }

}  // namespace

SocketWait::SocketWait() {
  // mosquitto_lib_init has started Winsock before any SocketWait is made.
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int len = sizeof addr;
  SOCKET a = INVALID_SOCKET, b = INVALID_SOCKET;
  if (bind(listener, reinterpret_cast<sockaddr*>(&addr), len) == 0 && listen(listener, 1) == 0 &&
      getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    a = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (a != INVALID_SOCKET && connect(a, reinterpret_cast<sockaddr*>(&addr), len) == 0)
      b = accept(listener, nullptr, nullptr);
  }
  closesocket(listener);
  if (b == INVALID_SOCKET) {
    if (a != INVALID_SOCKET) closesocket(a);
    return;
  }
  u_long nonBlocking = 1;
  ioctlsocket(a, FIONBIO, &nonBlocking);
  ioctlsocket(b, FIONBIO, &nonBlocking);
  wakeWrite_ = static_cast<long long>(a);
  wakeRead_ = static_cast<long long>(b);
}

SocketWait::~SocketWait() {
  if (wakeRead_ >= 0) closesocket(asSocket(wakeRead_));
  if (wakeWrite_ >= 0) closesocket(asSocket(wakeWrite_));
}

void SocketWait::wake() {
  if (wakeWrite_ < 0) return;
  const char byte = 1;
  send(asSocket(wakeWrite_), &byte, 1, 0);
}

void SocketWait::drain() {
  char buf[64];
  while (recv(asSocket(wakeRead_), buf, sizeof buf, 0) > 0) {
  }
}

SocketWait::Ready SocketWait::wait(int socket, bool wantWrite, int timeoutMs) {
  fd_set readSet, writeSet, failSet;
  FD_ZERO(&readSet);
  FD_ZERO(&writeSet);
  FD_ZERO(&failSet);
  if (wakeRead_ >= 0) FD_SET(asSocket(wakeRead_), &readSet);
  const SOCKET s = socket >= 0 ? static_cast<SOCKET>(socket) : INVALID_SOCKET;
  if (s != INVALID_SOCKET) {
    FD_SET(s, &readSet);
    if (wantWrite) {
      FD_SET(s, &writeSet);
      // A connection that fails is told here, not as writable.
      FD_SET(s, &failSet);
    }
  }
  Ready ready;
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  if (readSet.fd_count == 0) {
    Sleep(static_cast<DWORD>(timeoutMs));
    return ready;
  }
  if (select(0, &readSet, &writeSet, &failSet, &tv) <= 0) return ready;
  if (wakeRead_ >= 0 && FD_ISSET(asSocket(wakeRead_), &readSet)) drain();
  if (s != INVALID_SOCKET) {
    ready.read = FD_ISSET(s, &readSet);
    ready.write = FD_ISSET(s, &writeSet);
    if (FD_ISSET(s, &failSet)) {
      int error = 0;
      int size = sizeof error;
      getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
      ready.refused = error == WSAECONNREFUSED;
      ready.write = true;
      ready.failed = true;
    }
  }
  return ready;
}

// Windows keeps the setting for the socket; asked again it does nothing new. Where the
// system does not know it (before Windows 8, Wine), the delayed ACK stays.
void SocketWait::ackPromptly(int socket) {
  DWORD frequency = 1, returned = 0;
  WSAIoctl(static_cast<SOCKET>(socket), SIO_TCP_SET_ACK_FREQUENCY, &frequency, sizeof frequency, nullptr, 0, &returned,
           nullptr, nullptr);
}

bool SocketWait::lastErrorWasRefusal() { return WSAGetLastError() == WSAECONNREFUSED; }

// wait() has taken the socket's error already when it found one: its Ready says it.
bool SocketWait::connectionRefused(int socket) {
  int error = 0;
  int size = sizeof error;
  return getsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
         error == WSAECONNREFUSED;
}

}  // namespace dorvan
