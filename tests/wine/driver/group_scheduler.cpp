// The clock tick seen from outside: the clock texts, and port 1 switched on and off
// at instants typed into its boxes a few seconds ahead.
#include <cwchar>
#include <cwctype>

#include "groups.h"
#include "standin_log.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

using namespace dorvan;

namespace {

// Digits where the pattern has '9', the pattern's own character elsewhere.
bool fitsPattern(const std::wstring& text, const wchar_t* pattern) {
  const std::wstring p(pattern);
  if (text.size() != p.size()) return false;
  for (std::size_t i = 0; i < p.size(); ++i)
    if (p[i] == L'9' ? !std::iswdigit(text[i]) : text[i] != p[i]) return false;
  return true;
}

std::string localeName() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = L"";
  GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
  return narrow(name);
}

struct Sample {
  std::wstring second;
  Color color;
};

}  // namespace

bool runScheduler(Context& ctx) {
  const std::string group = "scheduler (" + localeName() + ")";
  Session s(ctx.paths, LaunchOptions{});
  Report& r = ctx.report;
  HWND main = nullptr;
  try {
    r.run(group, "start", [&](Case& c) { main = acceptPrompt(s, launchToPrompt(s, c), c); });
    r.run(group, "the clock texts are HH:MM:SS and DD.MM.YYYY of now", [&](Case& c) {
      HWND timeLabel = control(main, "Label18", c), dateLabel = control(main, "Label20", c);
      c.require(waitUntil([&] { return !textOf(timeLabel).empty() && !textOf(dateLabel).empty(); }, 3000),
                "Label18 or Label20 stays empty");
      SYSTEMTIME before;
      GetLocalTime(&before);
      const std::wstring t = textOf(timeLabel), d = textOf(dateLabel);
      SYSTEMTIME after;
      GetLocalTime(&after);
      c.note("Label18 \"" + narrow(t) + "\", Label20 \"" + narrow(d) + "\"");
      c.expect(t.size() == 8 && fitsPattern(t, L"99:99:99"), "time text \"" + narrow(t) + "\"");
      c.expect(d.size() == 10 && fitsPattern(d, L"99.99.9999"), "date text \"" + narrow(d) + "\"");
      c.expect(t == timeText(before) || t == timeText(after) || t == timeText(plusSeconds(before, -1)),
               "time text \"" + narrow(t) + "\" is not now (" + narrow(timeText(before)) + ")");
      c.expect(d == dateText(before) || d == dateText(after), "date text \"" + narrow(d) + "\" is not today");
    });
    r.run(group, "port 1: on in its start second, off in its end second", [&](Case& c) {
      SYSTEMTIME now;
      GetLocalTime(&now);
      now.wMilliseconds = 0;
      const SYSTEMTIME on = plusSeconds(now, 3), off = plusSeconds(now, 5);
      typeInto(control(main, "Text2", c), dateText(on));
      typeInto(control(main, "Text5", c), timeText(on));
      typeInto(control(main, "Text19", c), dateText(off));
      typeInto(control(main, "Text21", c), timeText(off));
      c.expect(textOf(controlWindow(main, "Text5")) == timeText(on), "Text5 did not take the typed time");
      HWND indicator = control(main, "Label21", c);
      std::vector<Sample> samples;
      const SYSTEMTIME until = plusSeconds(off, 2);
      for (int guard = 0; guard < 200; ++guard) {
        SYSTEMTIME t;
        GetLocalTime(&t);
        samples.push_back(Sample{timeText(t), dominantColor(indicator, 2)});
        if (!earlier(t, until)) break;
        Sleep(100);
      }
      const auto calls = callsNamed(readCalls(s.logPath()), "WriteEx");
      const std::string onBytes = "00 01 01 00 00 00 00 00 00", offBytes = "00 01 00 00 00 00 00 00 00";
      int ons = 0, offs = 0;
      bool offSeen = false;
      for (const LibraryCall& w : calls) {
        const std::string data = w.arg("data");
        c.expect(w.arg("vid") == "6020" && w.arg("pid") == "2008", "WriteEx to " + w.args);
        if (data == onBytes) {
          ++ons;
          c.expect(w.second() == narrow(timeText(on)), "on report at " + w.time + ", due in " + narrow(timeText(on)));
          c.expect(!offSeen, "on report at " + w.time + " after an off report");
        } else if (data == offBytes) {
          ++offs;
          offSeen = true;
          c.expect(w.second() == narrow(timeText(off)),
                   "off report at " + w.time + ", due in " + narrow(timeText(off)));
        } else {
          c.expect(false, "unexpected report " + data + " at " + w.time);
        }
      }
      c.note(std::to_string(ons) + " on and " + std::to_string(offs) + " off reports");
      c.expect(ons >= 3, std::to_string(ons) + " on reports, one per tick of the second expected");
      c.expect(offs >= 3, std::to_string(offs) + " off reports, one per tick of the second expected");
      const std::wstring between = timeText(plusSeconds(on, 1)), after = timeText(plusSeconds(off, 1));
      int redBetween = 0, blueAfter = 0;
      for (const Sample& sm : samples) {
        if (sm.second == between) {
          redBetween += sm.color == kRed;
          c.expect(sm.color == kRed, "Label21 is " + colorName(sm.color) + " at " + narrow(sm.second));
        }
        if (sm.second == after || sm.second == timeText(until)) {
          blueAfter += sm.color == kBlue;
          c.expect(sm.color == kBlue, "Label21 is " + colorName(sm.color) + " at " + narrow(sm.second));
        }
      }
      c.expect(redBetween > 0, "Label21 was never seen red between the instants");
      c.expect(blueAfter > 0, "Label21 was never seen blue after the end instant");
    });
    r.run(group, "close", [&](Case& c) {
      const DWORD code = s.closeMainWindow(10000);
      c.expect(code == 0, "exit code " + std::to_string(code));
    });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
