// The page's requests against the window's data, without sockets: what each one
// changes, every refusal changing nothing, and the password's limit per address.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "app/web/web_api.h"
#include "form_fixture.h"
#include "net/http_guard.h"

namespace dorvan::test {
namespace {

using nlohmann::json;

// "2026-12-06T17:26:38", the local part of what the page is given.
std::string formatIso(WallSecond s) {
  const LocalTime t = localTimeOf(s);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

struct Web : FormFixture {
  web::JournalTail journal;
  Web() {
    form.observe(journal);
    form.Form_Load();
    view.messages.clear();
  }
  HttpResponse ask(std::string method, std::string path, std::string body = {}, std::string type = "application/json") {
    HttpRequest r{std::move(method), std::move(path), {}, std::move(body), std::move(type), {},
                  "dorvan:8080",     "192.168.1.20"};
    if (const std::size_t q = r.path.find('?'); q != std::string::npos) {
      const std::string query = r.path.substr(q + 1);
      r.path.resize(q);
      r.query.emplace(query.substr(0, query.find('=')), query.substr(query.find('=') + 1));
    }
    web::Routed routed = web::route(r, journal);
    return routed.answer ? *routed.answer : routed.onUiThread(form);
  }
  json askJson(std::string method, std::string path, std::string body = {}) {
    const HttpResponse r = ask(std::move(method), std::move(path), std::move(body));
    EXPECT_EQ(r.status, 200) << r.body;
    return json::parse(r.body);
  }
};

TEST_F(Web, BadRequestsAreRefusedAndChangeNothing) {
  type("Text13", "ısıtıcı");
  const std::string before = files.files["gunluk.txt"];
  struct Case {
    const char* method;
    const char* path;
    const char* body;
    const char* type;
    int status;
  };
  const std::string tooLong(30, 'a');
  const std::string longBody = R"({"description":")" + tooLong + R"("})";
  const Case cases[] = {
      {"GET", "/yok", "", "", 404},
      {"GET", "/api/ports", "", "", 404},
      {"POST", "/api/ports/11", R"({"state":"on"})", "application/json", 404},
      {"POST", "/api/ports/0", R"({"state":"on"})", "application/json", 404},
      {"POST", "/api/ports/x", R"({"state":"on"})", "application/json", 404},
      {"POST", "/api/stages/8", "{}", "application/json", 404},
      {"DELETE", "/api/state", "", "", 405},
      {"GET", "/api/save", "", "", 405},
      {"POST", "/", "", "application/json", 405},
      {"DELETE", "/api/ports/5", "", "application/json", 405},
      {"POST", "/api/ports/5", R"({"state":"on"})", "text/plain", 415},
      {"POST", "/api/ports/5", R"({"state":"on"})", "application/x-www-form-urlencoded", 415},
      {"POST", "/api/save", "", "", 415},
      {"POST", "/api/ports/5", R"({"state":"on")", "application/json", 400},
      {"POST", "/api/ports/5", R"(["on"])", "application/json", 400},
      {"POST", "/api/ports/5", R"({"state":"ON"})", "application/json", 400},
      {"POST", "/api/ports/5", R"({"state":1})", "application/json", 400},
      {"PUT", "/api/ports/5", longBody.c_str(), "application/json", 400},
      {"PUT", "/api/ports/5", R"({"description":"a","start":{"time":"07:30:000"}})", "application/json", 400},
      {"PUT", "/api/ports/5", R"({"description":"✓"})", "application/json", 400},
      {"PUT", "/api/ports/5", R"({"description":"a\nb"})", "application/json", 400},
      {"PUT", "/api/ports/5", R"({"description":5})", "application/json", 400},
      {"PUT", "/api/ports/5", R"({"start":"07:30:00"})", "application/json", 400},
      {"PUT", "/api/ports/5", R"({"start":{"hour":"07"}})", "application/json", 400},
      {"PUT", "/api/ports/5", R"({"colour":"red"})", "application/json", 400},
      {"GET", "/api/journal?lines=x", "", "", 400},
      {"GET", "/api/journal?lines=-1", "", "", 400},
  };
  for (const Case& c : cases) {
    const HttpResponse r = ask(c.method, c.path, c.body, c.type);
    EXPECT_EQ(r.status, c.status) << c.method << " " << c.path << " " << c.body;
    if (c.status >= 400 && r.contentType.starts_with("application/json")) {
      EXPECT_FALSE(json::parse(r.body).value("error", "").empty()) << c.path;
    }
  }
  EXPECT_EQ(text("Text13"), "ısıtıcı");
  EXPECT_TRUE(library.written.empty());
  EXPECT_EQ(files.files["gunluk.txt"], before);
}

TEST_F(Web, AWriteFromAnotherSiteIsRefused) {
  HttpRequest r{"POST",
                "/api/ports/5",
                {},
                R"({"state":"on"})",
                "application/json",
                "http://evil.example",
                "192.168.1.5:8080",
                "192.168.1.20"};
  EXPECT_EQ(web::route(r, journal).answer->status, 403);
  r.origin = "http://192.168.1.5:8080";
  EXPECT_FALSE(web::route(r, journal).answer) << "the page's own origin";
  r.origin.clear();
  EXPECT_FALSE(web::route(r, journal).answer) << "a client that sends no Origin";
  EXPECT_TRUE(library.written.empty());
}

TEST_F(Web, ASwitchReachesTheBoardAndIsJournaledWithTheAddress) {
  json port = askJson("POST", "/api/ports/05", R"({"state":"on"})");
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{5, 1}}));
  EXPECT_THAT(files.files["gunluk.txt"], testing::HasSubstr("07:30:00 PORT 05 AÇIK (web 192.168.1.20)\n"));
  EXPECT_EQ(port["state"], "on");
  EXPECT_EQ(port["last"]["cause"], "web");
  port = askJson("POST", "/api/ports/5", R"({"state":"toggle"})");
  EXPECT_EQ(port["state"], "off");
  EXPECT_EQ(color("Label29"), kBlue);
}

TEST_F(Web, AnEditIsTypingThenFiresAndMarksAsTypingDoes) {
  json port =
      askJson("PUT", "/api/ports/5",
              R"({"description":"Işık","start":{"date":"06.12.2026","time":"07:30:05"},"end":{"time":"7:45"}})");
  EXPECT_EQ(text("Text13"), "Işık");
  EXPECT_EQ(view.texts[controlId("Text14")], "06.12.2026") << "the window shows it at once";
  EXPECT_EQ(port["next"]["state"], "on");
  EXPECT_THAT(port["next"]["at"].get<std::string>(), testing::StartsWith("2026-12-06T07:30:05"));
  EXPECT_EQ(port["marks"], json({"end.date", "end.time"}));
  EXPECT_FALSE(port["markTips"]["end.time"].get<std::string>().empty());
  EXPECT_TRUE(files.besideJournal().empty()) << "nothing saved before KAYDET";
  clock.set(at(2026, 12, 6, 7, 30, 5));
  form.Timer1_Timer();
  EXPECT_EQ(library.portsAndStates(), (std::vector<std::pair<int, int>>{{5, 1}}));
}

TEST_F(Web, ASunWordOrADurationGetsItsComputedNextSecond) {
  form.setPlace(Location{39.9334, 32.8597});
  const json port = askJson("PUT", "/api/ports/2",
                            R"({"start":{"date":"HER GÜN","time":"BATIŞ"},"end":{"date":"","time":"+4 SA"}})");
  EXPECT_EQ(port["marks"], json::array());
  const WallSecond set = *form.almanac().sun(SunEvent::Set, dayNumber(at(2026, 12, 6, 0, 0, 0)));
  EXPECT_THAT(port["start"]["next"].get<std::string>(), testing::StartsWith(formatIso(set)));
  EXPECT_THAT(port["end"]["next"].get<std::string>(), testing::StartsWith(formatIso(set + 4 * 3600)));
  EXPECT_EQ(port["next"]["at"], port["start"]["next"]);
  EXPECT_FALSE(askJson("GET", "/api/ports/1")["start"].contains("next")) << "a time as written needs none";
}

TEST_F(Web, ExtraWindowsAreListedMarkedAndReplacedWhole) {
  form.setPlace(Location{39.9334, 32.8597});
  json port = askJson("PUT", "/api/ports/5", R"({"extra":[
      {"start":{"date":"06.12.2026","time":"07:30:05"},"end":{"date":"06.12.2026","time":"07:31:00"}},
      {"start":{"date":"HER GÜN","time":"BATIŞ"},"end":{"time":"+1 SA"}},
      {"start":{"time":"7:45"}}]})");
  ASSERT_EQ(form.form().extras(5).size(), 3u);
  EXPECT_EQ(form.form().extras(5)[1].box(WindowBox::StartDate), "HER GÜN");
  ASSERT_EQ(port["extra"].size(), 3u);
  EXPECT_EQ(port["extra"][0]["start"], json({{"date", "06.12.2026"}, {"time", "07:30:05"}}));
  EXPECT_EQ(port["extra"][0]["marks"], json::array());
  const WallSecond set = *form.almanac().sun(SunEvent::Set, dayNumber(at(2026, 12, 6, 0, 0, 0)));
  EXPECT_THAT(port["extra"][1]["start"]["next"].get<std::string>(), testing::StartsWith(formatIso(set)));
  EXPECT_THAT(port["extra"][1]["end"]["next"].get<std::string>(), testing::StartsWith(formatIso(set + 3600)));
  EXPECT_EQ(port["extra"][2]["marks"], json({"start.date", "start.time"}));
  EXPECT_FALSE(port["extra"][2]["markTips"]["start.time"].get<std::string>().empty());
  EXPECT_THAT(port["next"]["at"].get<std::string>(), testing::StartsWith("2026-12-06T07:30:05")) << "every window";

  askJson("PUT", "/api/ports/5", R"({"description":"Fan"})");
  EXPECT_EQ(form.form().extras(5).size(), 3u) << "a PUT without \"extra\" leaves them";
  port = askJson("PUT", "/api/ports/5", R"({"extra":[]})");
  EXPECT_TRUE(form.form().extras(5).empty());
  EXPECT_EQ(port["extra"], json::array());
  EXPECT_EQ(port["next"], nullptr);
}

TEST_F(Web, ABadExtraListIsRefusedAndChangesNothing) {
  form.form().setExtras(5, {ExtraWindow{{"HER GÜN", "06:00:00", "HER GÜN", "06:30:00"}}});
  const std::uint32_t revision = form.form().extrasRevision(5);
  std::string nine = R"({"extra":[{})";
  for (int i = 0; i < 8; ++i) nine += ",{}";
  nine += "]}";
  const std::string bodies[] = {
      nine,
      R"({"extra":{}})",
      R"({"extra":[5]})",
      R"({"extra":[{"start":"07:30:00"}]})",
      R"({"extra":[{"start":{"hour":"07"}}]})",
      R"({"extra":[{"middle":{"time":"07:30:00"}}]})",
      R"({"extra":[{"start":{"time":7}}]})",
      R"({"extra":[{"start":{"time":"07:30:000"}}]})",
      R"({"extra":[{"end":{"date":"06.12.20266"}}]})",
      R"({"extra":[{"end":{"time":"07;30"}}]})",
      R"({"extra":[{"end":{"date":"✓"}}]})",
      R"({"extra":[{"end":{"date":"a\nb"}}]})",
      R"({"extra":[{},{"start":{"time":";"}}]})",
      R"({"description":"yeni","extra":[{"end":{"time":";"}}]})",
  };
  for (const std::string& body : bodies) {
    const HttpResponse r = ask("PUT", "/api/ports/5", body);
    EXPECT_EQ(r.status, 400) << body;
    EXPECT_FALSE(json::parse(r.body).value("error", "").empty()) << body;
  }
  EXPECT_THAT(json::parse(ask("PUT", "/api/ports/5", bodies[0]).body)["error"].get<std::string>(),
              testing::HasSubstr("en çok 8"));
  EXPECT_THAT(json::parse(ask("PUT", "/api/ports/5", bodies[9]).body)["error"].get<std::string>(),
              testing::HasSubstr("\";\" içeremez"));
  EXPECT_EQ(form.form().extrasRevision(5), revision);
  EXPECT_EQ(form.form().extras(5)[0].box(WindowBox::EndTime), "06:30:00");
  EXPECT_EQ(text("Text13"), "");
}

TEST_F(Web, StagesAndSaveAnswerWithTheWindowsMessages) {
  json answer = askJson("POST", "/api/stages/2", "{}");
  EXPECT_EQ(answer["stage"], 2);
  ASSERT_EQ(answer["messages"].size(), 1u) << "kademe2.txt is missing";
  EXPECT_TRUE(view.messages.empty()) << "the desktop box opens only after the answer";
  askJson("PUT", "/api/ports/1", R"({"description":"Pompa"})");
  answer = askJson("POST", "/api/save", "{}");
  EXPECT_EQ(answer["stage"], 2);
  EXPECT_THAT(files.files["kademe2.txt"], testing::StartsWith("Pompa\r\n"));
  askJson("POST", "/api/stages/2", "{}");
  EXPECT_THAT(files.files["gunluk.txt"], testing::HasSubstr(" KADEME 2 KAYDEDİLDİ (web 192.168.1.20)"));
  EXPECT_THAT(files.files["gunluk.txt"], testing::HasSubstr(" KADEME 2 YÜKLENDİ (web 192.168.1.20)"));
}

TEST_F(Web, TheEventStreamBeginsWithTheWholeState) {
  const HttpResponse r = ask("GET", "/api/events");
  EXPECT_TRUE(r.eventStream);
  EXPECT_EQ(r.contentType, "text/event-stream");
  ASSERT_THAT(r.body, testing::StartsWith("event: state\ndata: {"));
  ASSERT_THAT(r.body, testing::EndsWith("}\n\n"));
  EXPECT_EQ(json::parse(r.body.substr(r.body.find('{'))), askJson("GET", "/api/state"));
  EXPECT_EQ(ask("POST", "/api/events", "{}").status, 405);
}

TEST_F(Web, TheStateListsTenPortsWithLocalTimes) {
  const json state = askJson("GET", "/api/state");
  EXPECT_TRUE(std::regex_match(state["time"].get<std::string>(), std::regex(R"(2026-12-06T07:30:00[+-]\d\d:\d\d)")));
  EXPECT_EQ(state["stage"], nullptr);
  ASSERT_EQ(state["ports"].size(), 10u);
  EXPECT_EQ(state["ports"][9]["port"], 10);
  EXPECT_EQ(state["ports"][0]["last"], nullptr);
  EXPECT_EQ(state["ports"][0]["state"], nullptr);
}

TEST_F(Web, TheJournalGivesItsLastLinesAndThePageItsFiles) {
  files.files["gunluk.txt"] = "a\r\nb\r\nc\r\n";
  journal.load(files);
  EXPECT_EQ(ask("GET", "/api/journal?lines=2").body, "b\nc\n");
  form.doubleClick(controlId(kPortGrid[0].indicator));  // a line written since is there too
  EXPECT_EQ(ask("GET", "/api/journal?lines=5000").body, "a\nb\nc\n06.12.2026 07:30:00 PORT 01 AÇIK (elle)\n");
  EXPECT_EQ(ask("GET", "/api/journal").contentType, "text/plain; charset=utf-8");
  for (const char* path : {"/", "/app.js", "/style.css"}) EXPECT_FALSE(ask("GET", path).body.empty()) << path;
}

TEST(PasswordGuard, FiveWrongPasswordsShutOneAddressOutForAMinute) {
  PasswordGuard guard("gizli");
  const auto t0 = PasswordGuard::Clock::time_point{} + std::chrono::hours(1);
  const std::string right = "Basic " + std::string("eDpnaXpsaQ==");  // x:gizli
  const std::string wrong = "Basic eDp5YW5sxLHFnw==";                // x:yanlış
  struct Step {
    int second;
    const char* address;
    std::string authorization;
    Admission expected;
  };
  const Step steps[] = {
      {0, "10.0.0.1", "", Admission::Unauthorized},  // a browser's first request: not counted
      {0, "10.0.0.1", right, Admission::Allowed},
      {1, "10.0.0.1", wrong, Admission::Unauthorized},
      {2, "10.0.0.1", "Bearer gizli", Admission::Unauthorized},
      {3, "10.0.0.1", wrong, Admission::Unauthorized},
      {4, "10.0.0.1", "", Admission::Unauthorized},
      {5, "10.0.0.1", wrong, Admission::Unauthorized},
      {6, "10.0.0.1", wrong, Admission::Unauthorized},  // the fifth
      {7, "10.0.0.1", right, Admission::TooMany},
      {7, "10.0.0.2", right, Admission::Allowed},
      {65, "10.0.0.1", right, Admission::TooMany},
      {67, "10.0.0.1", right, Admission::Allowed},
      {70, "10.0.0.3", wrong, Admission::Unauthorized},  // four wrong, spread over more than a minute
      {100, "10.0.0.3", wrong, Admission::Unauthorized},
      {125, "10.0.0.3", wrong, Admission::Unauthorized},
      {131, "10.0.0.3", wrong, Admission::Unauthorized},
      {132, "10.0.0.3", right, Admission::Allowed},
  };
  for (const Step& s : steps)
    EXPECT_EQ(guard.admit(s.address, s.authorization, t0 + std::chrono::seconds(s.second)), s.expected)
        << s.second << " " << s.address << " " << s.authorization;
  EXPECT_EQ(PasswordGuard("").admit("10.0.0.9", "", t0), Admission::Allowed);
}

TEST(PasswordGuard, PasswordsAreReadAndComparedExactly) {
  EXPECT_EQ(basicPassword("Basic eDpnaXpsaQ=="), "gizli");
  EXPECT_EQ(basicPassword("basic OmE6Yg=="), "a:b") << "any user, a colon in the password";
  EXPECT_EQ(basicPassword("Basic !!"), std::nullopt);
  EXPECT_EQ(basicPassword("Basic Z2l6bGk="), std::nullopt) << "no colon";
  EXPECT_TRUE(sameSecret("gizli", "gizli"));
  for (const char* other : {"", "gizl", "gizlii", "Gizli", "gizlj"}) EXPECT_FALSE(sameSecret(other, "gizli")) << other;
}

}  // namespace
}  // namespace dorvan::test
