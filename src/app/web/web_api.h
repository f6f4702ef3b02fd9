// The page's requests and the JSON API, as plain functions: what a request asks is
// decided on the server's thread from the request alone (its path, method and body
// are checked there, so that a bad request changes nothing), and what reads or
// changes the window is a task for the UI thread, run against MainForm.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "app/web/journal_tail.h"
#include "net/http_server.h"

namespace dorvan {

class MainForm;

namespace web {

struct Routed {
  std::optional<HttpResponse> answer;                 // known at once: the page's files, every refusal
  std::function<HttpResponse(MainForm&)> onUiThread;  // otherwise this, run on the UI thread
};

// `journal` answers for the journal, on the UI thread.
Routed route(const HttpRequest& request, const JournalTail& journal);

// One port's object of the state, as GET /api/state lists it.
nlohmann::json portJson(MainForm& form, int port);
nlohmann::json stateJson(MainForm& form);
// On one line, whatever bytes the texts hold.
std::string dumped(const nlohmann::json& value);

}  // namespace web
}  // namespace dorvan
