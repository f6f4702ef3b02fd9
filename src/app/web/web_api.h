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

#include "base/file_ops.h"
#include "net/http_server.h"

namespace dorvan {

class MainForm;

namespace web {

struct Routed {
  std::optional<HttpResponse> answer;                 // known at once: the page's files, every refusal
  std::function<HttpResponse(MainForm&)> onUiThread;  // otherwise this, run on the UI thread
};

// `files` reads the journal, on the UI thread.
Routed route(const HttpRequest& request, FileOps& files);

// One port's object of the state, as GET /api/state lists it.
nlohmann::json portJson(MainForm& form, int port);
nlohmann::json stateJson(MainForm& form);

// The last `lines` lines of the journal file, each with "\n".
std::string journalTail(FileOps& files, std::size_t lines);

inline constexpr std::size_t kMaxJournalLines = 1000;

}  // namespace web
}  // namespace dorvan
