#include "app/web/web_api.h"

#include <array>
#include <charconv>
#include <nlohmann/json.hpp>
#include <string_view>
#include <variant>
#include <vector>

#include "app/main_form.h"
#include "app/web/web_assets.h"
#include "app/web/week.h"
#include "base/cp1254.h"
#include "base/iso_time.h"
#include "base/utf8.h"
#include "journal/journal.h"
#include "scheduler/scheduler.h"
#include "stages/stage_selector.h"

namespace dorvan::web {

using nlohmann::json;

std::string dumped(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

namespace {

// KAYDET; the stage buttons are the stage selector's table.
constexpr ControlId kSaveButton = controlId("Command27");

const char* stateWord(PortState s) { return s == PortState::On ? "on" : "off"; }

const char* causeWord(SwitchCause c) {
  switch (c) {
    case SwitchCause::Schedule: return "schedule";
    case SwitchCause::Late: return "late";
    case SwitchCause::Resume: return "resume";
    case SwitchCause::Hand: return "hand";
    case SwitchCause::Rearm: return "rearm";
    case SwitchCause::Mqtt: return "mqtt";
    case SwitchCause::Web: return "web";
  }
  return "";
}

// The five boxes of a port, by the names the API gives them.
struct PortBoxes {
  ControlId description, startDate, startTime, endDate, endTime;
};

PortBoxes boxesOf(int port) {
  const PortRow& row = kPortGrid[port - 1];
  return {controlId(row.description), controlId(row.startDate), controlId(row.startTime), controlId(row.endDate),
          controlId(row.endTime)};
}

HttpResponse jsonAnswer(const json& body, int status = 200) {
  return HttpResponse{status, "application/json; charset=utf-8", dumped(body), {}, false};
}

HttpResponse notFound() { return jsonError(404, "Böyle bir sayfa ya da kaynak yok."); }

HttpResponse wrongMethod(std::string_view allowed) {
  HttpResponse r = jsonError(405, "Bu adres bu yöntemle kullanılamaz.");
  r.headers.emplace_back("Allow", std::string(allowed));
  return r;
}

// "1" … "10" (or "05"): nothing else names a number.
std::optional<int> numberIn(std::string_view text, int low, int high) {
  int n = 0;
  if (text.empty() || text.size() > 9) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size() || n < low || n > high) return std::nullopt;
  return n;
}

// Why this text cannot go into the box as typed, in Turkish; none when it can.
std::optional<std::string> boxProblem(const json& value, ControlId box, std::string_view name) {
  if (!value.is_string()) return "\"" + std::string(name) + "\" bir metin olmalı.";
  const std::string& text = value.get_ref<const std::string&>();
  std::size_t pos = 0;
  std::size_t count = 0;
  while (pos < text.size()) {
    const char32_t cp = utf8::next(text, pos);
    if (cp == utf8::kInvalid || cp < 0x20 || cp == 0x7F || !cp1254::representable(cp))
      return "\"" + std::string(name) + "\" kademe dosyasına yazılamayan bir karakter içeriyor.";
    ++count;
  }
  const int limit = controlSpec(box).maxLength;
  if (limit > 0 && count > static_cast<std::size_t>(limit))
    return "\"" + std::string(name) + "\" en çok " + std::to_string(limit) + " karakter olabilir.";
  return std::nullopt;
}

struct Edit {
  ControlId box;
  std::string text;
};

// The boxes a PUT sets, every one checked; an error answer when any is wrong.
std::variant<std::vector<Edit>, HttpResponse> editsOf(const std::string& body, int port) {
  const json doc = json::parse(body, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) return jsonError(400, "İstek gövdesi geçerli bir JSON nesnesi değil.");
  const PortBoxes boxes = boxesOf(port);
  std::vector<Edit> edits;
  const auto take = [&](const json& value, ControlId box, std::string_view name) -> std::optional<HttpResponse> {
    if (auto problem = boxProblem(value, box, name)) return jsonError(400, *problem);
    edits.push_back({box, value.get<std::string>()});
    return std::nullopt;
  };
  for (const auto& [key, value] : doc.items()) {
    if (key == "description") {
      if (auto bad = take(value, boxes.description, "description")) return *bad;
    } else if (key == "start" || key == "end") {
      if (!value.is_object()) return jsonError(400, "\"" + key + "\" bir nesne olmalı: {\"date\": …, \"time\": …}.");
      for (const auto& [part, text] : value.items()) {
        const bool start = key == "start";
        ControlId box;
        if (part == "date")
          box = start ? boxes.startDate : boxes.endDate;
        else if (part == "time")
          box = start ? boxes.startTime : boxes.endTime;
        else
          return jsonError(400, "\"" + key + "\" içinde yalnızca \"date\" ve \"time\" olabilir.");
        if (auto bad = take(text, box, key + "." + part)) return *bad;
      }
    } else {
      return jsonError(400, "Bilinmeyen alan: \"" + key + "\". Olabilecekler: description, start, end.");
    }
  }
  return edits;
}

std::variant<PortCommand, HttpResponse> commandOf(const std::string& body) {
  const json doc = json::parse(body, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) return jsonError(400, "İstek gövdesi geçerli bir JSON nesnesi değil.");
  const auto it = doc.find("state");
  if (it != doc.end() && it->is_string()) {
    const std::string& s = it->get_ref<const std::string&>();
    if (s == "on") return PortCommand::On;
    if (s == "off") return PortCommand::Off;
    if (s == "toggle") return PortCommand::Toggle;
  }
  return jsonError(400, "\"state\" \"on\", \"off\" ya da \"toggle\" olmalı.");
}

json buttonAnswer(std::optional<int> stage, const std::vector<std::string>& messages) {
  json out{{"stage", stage ? json(*stage) : json(nullptr)}, {"messages", messages}};
  return out;
}

Routed routePort(const HttpRequest& request, std::string_view number) {
  const std::optional<int> port = numberIn(number, 1, kPortCount);
  if (!port) return {jsonError(404, "Böyle bir port yok; portlar 1-10."), {}};
  const int p = *port;
  if (request.method == "POST") {
    if (auto refused = refuseWrite(request)) return {*refused, {}};
    auto command = commandOf(request.body);
    if (auto* bad = std::get_if<HttpResponse>(&command)) return {*bad, {}};
    return {std::nullopt, [p, c = std::get<PortCommand>(command), who = request.address](MainForm& form) {
              form.switchPort(p, c, SwitchCause::Web, who);
              return jsonAnswer(portJson(form, p));
            }};
  }
  if (request.method == "PUT") {
    if (auto refused = refuseWrite(request)) return {*refused, {}};
    auto edits = editsOf(request.body, p);
    if (auto* bad = std::get_if<HttpResponse>(&edits)) return {*bad, {}};
    return {std::nullopt, [p, e = std::get<std::vector<Edit>>(std::move(edits))](MainForm& form) {
              // Typed into the box, and shown there: the desktop window did not see the typing.
              for (const Edit& edit : e) {
                form.form().acceptTyped(edit.box, edit.text);
                form.form().view().showText(edit.box, form.form().text(edit.box));
              }
              return jsonAnswer(portJson(form, p));
            }};
  }
  if (request.method == "GET") return {std::nullopt, [p](MainForm& form) { return jsonAnswer(portJson(form, p)); }};
  return {wrongMethod("GET, POST, PUT"), {}};
}

Routed routeButton(const HttpRequest& request, ControlId button, std::optional<int> stage) {
  if (request.method != "POST") return {wrongMethod("POST"), {}};
  if (auto refused = refuseWrite(request)) return {*refused, {}};
  return {std::nullopt, [button, stage, by = "web " + request.address](MainForm& form) {
            const std::vector<std::string> messages = form.clickFromRemote(button, by);
            std::optional<int> shown = stage;
            if (!shown && form.currentStage() != 0) shown = form.currentStage();
            return jsonAnswer(buttonAnswer(shown, messages));
          }};
}

Routed routeJournal(const HttpRequest& request, const JournalTail& journal) {
  if (request.method != "GET") return {wrongMethod("GET"), {}};
  std::size_t lines = 50;
  if (const std::string asked = request.queryValue("lines"); !asked.empty()) {
    const std::optional<int> n = numberIn(asked, 0, 999999999);
    if (!n) return {jsonError(400, "\"lines\" 0 ile 1000 arasında bir sayı olmalı."), {}};
    lines = std::min<std::size_t>(static_cast<std::size_t>(*n), kMaxJournalLines);
  }
  return {std::nullopt, [lines, &journal](MainForm&) {
            return HttpResponse{200, "text/plain; charset=utf-8", journal.last(lines), {}, false};
          }};
}

}  // namespace

json portJson(MainForm& form, int port) {
  const FormState& f = form.form();
  const PortBoxes boxes = boxesOf(port);
  const PortControls& controls = kPortTable[port - 1];
  json out;
  out["port"] = port;
  out["description"] = f.text(boxes.description);
  out["start"] = {{"date", f.text(boxes.startDate)}, {"time", f.text(boxes.startTime)}};
  out["end"] = {{"date", f.text(boxes.endDate)}, {"time", f.text(boxes.endTime)}};
  // A sun word or a duration: the second it names next, for the page to show beside the row.
  const WallSecond nowSecond = wallSecond(form.now());
  for (const auto& [edge, key] : {std::pair{Edge::Start, "start"}, std::pair{Edge::End, "end"}})
    if (const std::optional<WallSecond> at = nextComputed(f, controls, edge, nowSecond, form.almanac()))
      out[key]["next"] = isoLocal(localTimeOf(*at));
  const std::optional<PortRecord>& last = form.lastSwitching(port);
  out["state"] = last ? json(stateWord(last->state)) : json(nullptr);
  out["last"] =
      last ? json{{"state", stateWord(last->state)}, {"cause", causeWord(last->cause)}, {"at", isoLocal(last->at)}}
           : json(nullptr);
  const std::optional<Switching> next = nextSwitching(f, controls, nowSecond, form.almanac());
  out["next"] = next ? json{{"state", stateWord(next->state)}, {"at", isoLocal(localTimeOf(next->at))}} : json(nullptr);
  json marks = json::array();
  json tips = json::object();
  const std::array<std::pair<ControlId, const char*>, 4> dated{{{boxes.startDate, "start.date"},
                                                                {boxes.startTime, "start.time"},
                                                                {boxes.endDate, "end.date"},
                                                                {boxes.endTime, "end.time"}}};
  for (const auto& [box, name] : dated) {
    const BoxFault fault = form.marks().fault(box);
    if (fault == BoxFault::None) continue;
    marks.push_back(name);
    tips[name] = faultText(fault);
  }
  out["marks"] = std::move(marks);
  out["markTips"] = std::move(tips);
  out["tooltip"] = form.indicatorToolTip(controls.indicator);
  return out;
}

json stateJson(MainForm& form) {
  json ports = json::array();
  for (int p = 1; p <= kPortCount; ++p) ports.push_back(portJson(form, p));
  const std::uint8_t stage = form.currentStage();
  return json{{"time", isoLocal(form.now())},
              {"board", form.boardPresent()},
              {"stage", stage ? json(stage) : json(nullptr)},
              {"ports", std::move(ports)}};
}

Routed route(const HttpRequest& request, const JournalTail& journal) {
  const std::string_view path = request.path;
  if (const Asset* asset = assetAt(path)) {
    if (request.method != "GET") return {wrongMethod("GET"), {}};
    return {HttpResponse{200, std::string(asset->contentType), std::string(asset->body), {}, false}, {}};
  }
  if (path == "/api/state") {
    if (request.method != "GET") return {wrongMethod("GET"), {}};
    return {std::nullopt, [](MainForm& form) { return jsonAnswer(stateJson(form)); }};
  }
  if (path == "/api/journal") return routeJournal(request, journal);
  if (path == "/api/week") {
    if (request.method != "GET") return {wrongMethod("GET"), {}};
    return {std::nullopt, [&journal](MainForm& form) { return jsonAnswer(weekJson(form, journal.history())); }};
  }
  if (path == "/api/events") {
    if (request.method != "GET") return {wrongMethod("GET"), {}};
    return {std::nullopt, [](MainForm& form) {
              return HttpResponse{200, "text/event-stream", serverSentEvent("state", dumped(stateJson(form))), {}, true};
            }};
  }
  if (path == "/api/save") return routeButton(request, kSaveButton, std::nullopt);
  constexpr std::string_view ports = "/api/ports/";
  if (path.substr(0, ports.size()) == ports) return routePort(request, path.substr(ports.size()));
  constexpr std::string_view stages = "/api/stages/";
  if (path.substr(0, stages.size()) == stages) {
    const std::optional<int> stage = numberIn(path.substr(stages.size()), 1, 7);
    if (!stage) return {jsonError(404, "Böyle bir kademe yok; kademeler 1-7."), {}};
    return routeButton(request, controlId(kStageButtons[*stage - 1].button), stage);
  }
  return {notFound(), {}};
}

}  // namespace dorvan::web
