// The page's server in DORVAN.exe: with "web = 127.0.0.1:PORT" in ag.txt the state
// JSON is served, a switch asked over HTTP reaches the board within a second, slow
// clients from another address hold nothing up, and the journal names the address a
// switch came from. Requests go over a plain socket, one per connection ("Connection:
// close"); nlohmann/json reads the answers. (The event stream is read by wine.mqtt,
// from Linux.)
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "groups.h"
#include "hid/hid_library.h"
#include "standin_log.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

using namespace dorvan;

namespace {

const char* const kGroup = "web";

struct Winsock {
  Winsock() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw Abort{"WSAStartup failed"};
  }
  ~Winsock() { WSACleanup(); }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
};

sockaddr_in loopback(std::uint16_t port, std::uint32_t address = INADDR_LOOPBACK) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(address);
  return a;
}

// A connection from `from` (a loopback address) that has sent `text`; INVALID_SOCKET when none.
SOCKET opened(std::uint16_t port, std::uint32_t from, const std::string& text) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in source = loopback(0, from);
  sockaddr_in a = loopback(port);
  if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0 ||
      connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      send(s, text.data(), static_cast<int>(text.size()), 0) != static_cast<int>(text.size())) {
    if (s != INVALID_SOCKET) closesocket(s);
    return INVALID_SOCKET;
  }
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  return s;
}

// What the connection has sent, read until `needle` is in it or `ms` have passed. The
// socket does not block: a receive timeout would leave it unusable after it.
bool readUntil(SOCKET s, std::string& seen, const std::string& needle, unsigned ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  char buf[8192];
  while (seen.find(needle) == std::string::npos && GetTickCount64() < end) {
    const int got = recv(s, buf, sizeof buf, 0);
    if (got < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
      Sleep(10);
      continue;
    }
    if (got <= 0) {
      seen += got == 0 ? "[closed]" : "[error " + std::to_string(WSAGetLastError()) + "]";
      break;
    }
    seen.append(buf, static_cast<std::size_t>(got));
  }
  return seen.find(needle) != std::string::npos;
}

// A port nobody listens on: bound, read back and let go.
std::uint16_t freePort() {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a = loopback(0);
  int size = sizeof a;
  if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) != 0)
    throw Abort{"no free port on 127.0.0.1 (error " + std::to_string(WSAGetLastError()) + ")"};
  closesocket(s);
  return ntohs(a.sin_port);
}

struct Answer {
  int status = 0;  // 0: no answer (see error)
  std::string body;
  std::string error;
};

Answer ask(std::uint16_t port, const std::string& method, const std::string& path, const std::string& body = {}) {
  Answer out;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return {0, {}, "socket failed"};
  const DWORD limitMs = 10000;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limitMs), sizeof limitMs);
  sockaddr_in a = loopback(port);
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    out.error = "connect failed (error " + std::to_string(WSAGetLastError()) + ")";
    closesocket(s);
    return out;
  }
  std::string request =
      method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n";
  if (!body.empty())
    request += "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
  request += "\r\n" + body;
  std::string raw;
  if (send(s, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
    char buf[8192];
    int got;
    while ((got = recv(s, buf, sizeof buf, 0)) > 0) raw.append(buf, static_cast<std::size_t>(got));
  }
  closesocket(s);
  // "HTTP/1.1 200 OK\r\n…\r\n\r\nbody": the server closes after the one answer.
  const std::size_t headEnd = raw.find("\r\n\r\n");
  if (!raw.starts_with("HTTP/1.") || raw.size() < 12 || headEnd == std::string::npos) {
    out.error = "no HTTP answer: \"" + raw.substr(0, 200) + "\"";
    return out;
  }
  out.status = std::atoi(raw.c_str() + 9);
  out.body = raw.substr(headEnd + 4);
  return out;
}

std::string shown(const Answer& a) {
  return a.status == 0 ? a.error : std::to_string(a.status) + " " + a.body.substr(0, 300);
}

nlohmann::json parsed(const Answer& a) { return nlohmann::json::parse(a.body, nullptr, false); }

bool holdsTenPorts(const nlohmann::json& state) {
  if (!state.is_object() || !state.contains("ports") || !state["ports"].is_array() || state["ports"].size() != 10)
    return false;
  for (int i = 0; i < 10; ++i)
    if (state["ports"][static_cast<std::size_t>(i)].value("port", 0) != i + 1) return false;
  return true;
}

}  // namespace

bool runWeb(Context& ctx) {
  Winsock winsock;
  Session s(ctx.paths, LaunchOptions{});
  Report& r = ctx.report;
  const std::uint16_t port = freePort();
  writeBytes(s.workFile(L"ag.txt"), "web = 127.0.0.1:" + std::to_string(port) + "\r\n");
  HWND main = nullptr;
  try {
    r.run(kGroup, "GET /api/state: 200, ten ports, no board yet", [&](Case& c) {
      main = acceptPrompt(s, launchToPrompt(s, c), c);
      Answer a;
      // The server starts once the window is shown.
      waitUntil([&] { return (a = ask(port, "GET", "/api/state")).status != 0; }, 10000, 100);
      c.require(a.status == 200, "GET /api/state on port " + std::to_string(port) + ": " + shown(a));
      const nlohmann::json state = parsed(a);
      c.expect(holdsTenPorts(state), "not ten ports 1..10: " + shown(a));
      c.expect(state.is_object() && state.value("board", true) == false, "board before the plug: " + shown(a));
    });
    r.run(kGroup, "the board plugged: \"board\": true", [&](Case& c) {
      PostMessageW(main, kDeviceNotification, static_cast<WPARAM>(Notification::Plugged),
                   static_cast<LPARAM>(deviceHandle(kBoardVendorId, kBoardProductId)));
      Answer a;
      c.expect(waitUntil(
                   [&] {
                     a = ask(port, "GET", "/api/state");
                     const nlohmann::json state = parsed(a);
                     return state.is_object() && state.value("board", false) == true;
                   },
                   5000, 100),
               "board never true: " + shown(a));
    });
    r.run(
        kGroup, "POST /api/ports/5 {\"state\":\"on\"}: 200, and the board gets 00 05 01 within a second", [&](Case& c) {
          const std::size_t before = readCalls(s.logPath()).size();
          const ULONGLONG start = GetTickCount64();
          const Answer a = ask(port, "POST", "/api/ports/5", R"({"state":"on"})");
          c.expect(a.status == 200 && parsed(a).is_object() && parsed(a).value("state", "") == "on",
                   "answer: " + shown(a));
          const auto reached = [&] {
            const auto calls = readCalls(s.logPath());
            for (std::size_t i = before; i < calls.size(); ++i)
              if (calls[i].call == "WriteEx" && calls[i].arg("data") == "00 05 01 00 00 00 00 00 00") return true;
            return false;
          };
          waitUntil(reached, 3000, 10);
          const ULONGLONG took = GetTickCount64() - start;
          c.note("request to report: " + std::to_string(took) + " ms");
          c.expect(reached() && took <= 1000,
                   "after " + std::to_string(took) + " ms the board had: " + summarize(readCalls(s.logPath()), before));
        });
    r.run(kGroup, "30 slow clients from 127.0.0.2: 16 held, the rest refused, and 127.0.0.1 answered", [&](Case& c) {
      std::vector<SOCKET> slow;
      for (int i = 0; i < 30; ++i)
        if (const SOCKET h = opened(port, 0x7F000002, "GET /api/state HTTP/1.1\r\nHost: x\r\n"); h != INVALID_SOCKET)
          slow.push_back(h);
      c.require(slow.size() == 30, "only " + std::to_string(slow.size()) + " connections from 127.0.0.2");
      int refused = 0;
      for (SOCKET h : slow) {
        std::string got;
        if (readUntil(h, got, " 503 ", 300)) ++refused;
      }
      ULONGLONG worst = 0;
      for (int i = 0; i < 5; ++i) {
        const ULONGLONG start = GetTickCount64();
        const Answer a = ask(port, "GET", "/api/state");
        worst = std::max(worst, GetTickCount64() - start);
        c.expect(a.status == 200, "beside the slow clients: " + shown(a));
      }
      for (SOCKET h : slow) closesocket(h);
      c.note("GET /api/state beside them: worst " + std::to_string(worst) + " ms");
      c.expect(refused == 14, std::to_string(refused) + " of 30 refused, not 14");
      c.expect(worst <= 1000, "an answer took " + std::to_string(worst) + " ms");
    });
    r.run(kGroup, "close: exit 0, gunluk.txt holds PORT 05 AÇIK (web 127.0.0.1)", [&](Case& c) {
      const DWORD code = s.closeMainWindow(10000);
      c.expect(code == 0, "exit code " + std::to_string(code));
      std::string journal;
      c.require(readBytes(s.workFile(L"gunluk.txt"), journal), "no gunluk.txt in the working folder");
      c.expect(journal.find(" PORT 05 AÇIK (web 127.0.0.1)\r\n") != std::string::npos, "gunluk.txt:\n" + journal);
    });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
