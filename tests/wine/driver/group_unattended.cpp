// Left alone: the real program stopped (SIGSTOP) across a due second switches the
// port in its first tick after it goes on; a replugged board is told again what it
// was told; "DORVAN.exe 3" starts without a prompt and resumes stage 3.
#include "groups.h"
#include "hid/hid_library.h"
#include "standin_log.h"
#include "text.h"
#include "ui.h"
#include "unix_process.h"

namespace wine_test {

using namespace dorvan;

namespace {

const char* const kGroup = "unattended";
const unsigned kBoard = deviceHandle(kBoardVendorId, kBoardProductId);

std::string report(int port, int state) {
  char b[40];
  wsprintfA(b, "00 %02X %02X 00 00 00 00 00 00", port, state);
  return b;
}

std::vector<std::string> writesFrom(const Session& s, std::size_t from = 0) {
  std::vector<std::string> out;
  const auto calls = readCalls(s.logPath());
  for (std::size_t i = from; i < calls.size(); ++i)
    if (calls[i].call == "WriteEx") out.push_back(calls[i].arg("data"));
  return out;
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& x : v) s += (s.empty() ? "" : "; ") + x;
  return s.empty() ? "(none)" : s;
}

SYSTEMTIME now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t;
}

void waitUntilTime(const SYSTEMTIME& t) {
  waitUntil([&] { return !earlier(now(), t); }, 15000, 10);
}

void lateTickAndReplug(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  Report& r = ctx.report;
  HWND main = nullptr;
  r.run(kGroup, "start", [&](Case& c) { main = acceptPrompt(s, launchToPrompt(s, c), c); });
  r.run(kGroup, "stopped across the due second, the port is switched in the first tick after", [&](Case& c) {
    const std::vector<int> pids = unixPidsWithCommandLine(s.rootName());
    c.require(pids.size() == 1, std::to_string(pids.size()) + " Unix processes run this session's DORVAN.exe");
    SYSTEMTIME due = plusSeconds(now(), 3);
    due.wMilliseconds = 0;
    typeInto(control(main, "Text2", c), dateText(due));
    typeInto(control(main, "Text5", c), timeText(due));
    waitUntilTime(plusMs(due, -600));
    c.require(stopOrContinue(pids[0], true, 3000), "the program did not stop");
    const SYSTEMTIME stopped = now();
    waitUntilTime(plusMs(due, 1500));
    c.require(stopOrContinue(pids[0], false, 3000), "the program did not go on");
    const SYSTEMTIME continued = now();
    c.note("stopped " + narrow(timeText(stopped)) + "." + std::to_string(stopped.wMilliseconds) + ", continued " +
           narrow(timeText(continued)) + "." + std::to_string(continued.wMilliseconds) + ", due " +
           narrow(timeText(due)));
    c.expect(earlier(stopped, due), "stopped only after the due second began");
    c.expect(waitUntil([&] { return !writesFrom(s).empty(); }, 3000), "no report after going on");
    Sleep(1200);
    const auto writes = callsNamed(readCalls(s.logPath()), "WriteEx");
    c.expect(writes.size() == 1 && writes[0].arg("data") == report(1, 1),
             "reports: " + summarize(writes) + "; one on report for port 1 expected");
    if (!writes.empty()) {
      const std::string at = writes[0].time;
      c.note("switched on at " + at);
      c.expect(writes[0].second() != narrow(timeText(due)), "sent in the due second, while stopped?");
      c.expect(writes[0].second() == narrow(timeText(continued)) ||
                   writes[0].second() == narrow(timeText(plusSeconds(continued, 1))),
               "sent at " + at + ", not in the first tick after going on");
    }
    c.expect(dominantColor(control(main, "Label21", c), 2) == kRed, "Label21 is not red");
  });
  r.run(kGroup, "a replugged board gets port 1 on again; another device's plug sends nothing", [&](Case& c) {
    const std::size_t before = readCalls(s.logPath()).size();
    PostMessageW(main, kDeviceNotification, static_cast<WPARAM>(Notification::Plugged),
                 static_cast<LPARAM>(deviceHandle(kBoardVendorId, 2009)));
    PostMessageW(main, kDeviceNotification, static_cast<WPARAM>(Notification::Unplugged), static_cast<LPARAM>(kBoard));
    PostMessageW(main, kDeviceNotification, static_cast<WPARAM>(Notification::Plugged), static_cast<LPARAM>(kBoard));
    c.expect(waitUntil([&] { return !writesFrom(s, before).empty(); }, 3000), "nothing sent after the plug");
    Sleep(300);
    const auto calls = readCalls(s.logPath());
    c.expect(writesFrom(s, before) == std::vector<std::string>{report(1, 1)},
             "after the plugs: " + summarize(calls, before));
    c.expect(calls.size() >= 2 && calls.back().call == "WriteEx" && calls[calls.size() - 2].call == "GetProductID",
             "the report does not follow the board's plug: " + summarize(calls, before));
  });
  r.run(kGroup, "close", [&](Case& c) { c.expect(s.closeMainWindow(10000) == 0, "exit code not 0"); });
}

void setInstants(Table& t, int port, const SYSTEMTIME& on, const SYSTEMTIME& off) {
  const std::size_t at = static_cast<std::size_t>(port - 1) * 5;
  t[at] = L"port " + std::to_wstring(port);
  t[at + 1] = dateText(on);
  t[at + 2] = timeText(on);
  t[at + 3] = dateText(off);
  t[at + 4] = timeText(off);
}

void startWithAStage(Context& ctx) {
  LaunchOptions options;
  options.arguments = L"3";
  Session s(ctx.paths, options);
  const SYSTEMTIME t = now();
  Table stage{};
  setInstants(stage, 2, plusSeconds(t, -3600), plusSeconds(t, 3600));   // on since an hour
  setInstants(stage, 5, plusSeconds(t, -7200), plusSeconds(t, -3600));  // on and off again
  setInstants(stage, 8, plusSeconds(t, 3600), plusSeconds(t, 7200));    // not yet
  stage[31] = L"6.12.2026";                                             // port 7: not the clock's text
  stage[32] = L"00:00:00";
  writeBytes(s.workFile(L"kademe3.txt"), stageFileBytes(stage));
  Report& r = ctx.report;
  r.run(kGroup, "DORVAN.exe 3: no prompt; stage 3 loaded; port 2 on and port 5 off", [&](Case& c) {
    s.launch();
    HWND main = s.waitForVisibleMain(30000);
    c.require(main != nullptr, "the main window did not appear (a prompt would keep it hidden)");
    c.expect(s.waitForMessageBox(1500) == nullptr, "a message box opened");
    c.expect(waitUntil([&] { return writesFrom(s).size() >= 2; }, 3000), "fewer than two reports");
    c.expect(writesFrom(s) == (std::vector<std::string>{report(2, 1), report(5, 0)}),
             "reports: " + joined(writesFrom(s)));
    c.expect(textOf(control(main, "Text3", c)) == L"port 2", "Text3 does not hold stage 3's value");
    c.expect(dominantColor(control(main, "Command33", c)) == kRed, "KADEME3 is not red");
    c.expect(dominantColor(control(main, "Label32", c), 2) == kRed, "port 2's indicator is not red");
    c.expect(s.closeMainWindow(10000) == 0, "exit code not 0");
  });
}

void startWithAWrongArgument(Context& ctx) {
  LaunchOptions options;
  options.arguments = L"8";
  Session s(ctx.paths, options);
  Report& r = ctx.report;
  r.run(kGroup, "DORVAN.exe 8: a message naming the form, then the prompt", [&](Case& c) {
    s.launch();
    HWND box = s.waitForMessageBox(30000);
    c.require(box != nullptr, "no message box");
    const std::wstring text = messageBoxText(box);
    c.expect(containsNoCase(text, L"\"8\"") && containsNoCase(text, L"1 ile 7 arasında bir kademe numarası"),
             "message: " + narrow(text));
    dismissMessageBox(box);
    HWND prompt = nullptr;
    c.require(waitUntil(
                  [&] {
                    prompt = s.waitForMessageBox(100);
                    return prompt != nullptr && messageBoxText(prompt) == L"KADEME SEÇİMİ YAPINIZ";
                  },
                  5000),
              "no start-up prompt after the message");
    acceptPrompt(s, prompt, c);
    c.expect(s.closeMainWindow(10000) == 0, "exit code not 0");
  });
}

}  // namespace

bool runUnattended(Context& ctx) {
  try {
    lateTickAndReplug(ctx);
  } catch (const Abort&) {
  }
  try {
    startWithAStage(ctx);
    startWithAWrongArgument(ctx);
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
