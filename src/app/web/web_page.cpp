#include "app/web/web_page.h"

#include <nlohmann/json.hpp>

#include "app/main_form.h"
#include "app/web/web_api.h"

namespace dorvan {

std::optional<std::string> WebPage::start(const WebSettings& settings, const HttpLimits& limits,
                                          const std::shared_ptr<TlsServerContext>& tls) {
  stopping_->store(false);
  journal_.load(files_);
  for (int p = 1; p <= kPortCount; ++p) portSent_[p - 1] = web::dumped(web::portJson(form_, p));
  const bool started = server_.start(
      settings.address, settings.port, settings.password,
      [this](const HttpRequest& request, HttpServer::Reply reply) { answer(request, std::move(reply)); }, limits, tls);
  if (started) {
    form_.observe(journal_);
    form_.observe(*this);
    observing_ = true;
    return std::nullopt;
  }
  const std::string where = settings.address.empty() ? "" : " " + settings.address + " adresinde";
  return std::string(kSettingsFile) + ", satır " + std::to_string(settings.line) + ": " +
         std::to_string(settings.port) + " numaralı port" + where +
         " açılamadı; başka bir program kullanıyor olabilir. Web sayfası kapalı kalacak.";
}

void WebPage::stop() {
  stopping_->store(true);
  server_.stop();
  if (!observing_) return;
  observing_ = false;
  form_.forget(journal_);
  form_.forget(*this);
}

// On the server's thread: what needs the window waits for the UI thread there, and the
// server answers 503 should it not come in time.
void WebPage::answer(const HttpRequest& request, HttpServer::Reply reply) {
  web::Routed routed = web::route(request, journal_);
  if (routed.answer) return reply(std::move(*routed.answer));
  ui_.post([reply = std::move(reply), task = std::move(routed.onUiThread), stopping = stopping_, &form = form_] {
    if (stopping->load()) return;
    try {
      reply(task(form));
    } catch (const std::exception&) {
      reply(jsonError(500, "İstek yanıtlanırken bir hata oluştu."));
    }
  });
}

void WebPage::sendPortIfChanged(int port) {
  std::string now = web::dumped(web::portJson(form_, port));
  if (now == portSent_[port - 1]) return;
  server_.broadcast(serverSentEvent("port", now));
  portSent_[port - 1] = std::move(now);
}

void WebPage::sendPortsSoon() {
  if (portsPosted_) return;
  portsPosted_ = true;
  ui_.post([this, stopping = stopping_] {
    if (stopping->load()) return;
    portsPosted_ = false;
    for (int p = 1; p <= kPortCount; ++p)
      if (std::exchange(portDirty_[p - 1], false)) sendPortIfChanged(p);
  });
}

void WebPage::portSwitched(int port, PortState, SwitchCause) {
  portDirty_[port - 1] = true;
  sendPortsSoon();
}

void WebPage::boxChanged(ControlId box) {
  for (const PortRow& row : kPortGrid) {
    for (std::string_view name : {row.description, row.startDate, row.startTime, row.endDate, row.endTime}) {
      if (controlId(name) != box) continue;
      portDirty_[&row - kPortGrid.data()] = true;
      return sendPortsSoon();
    }
  }
}

void WebPage::extrasChanged(int port) {
  portDirty_[port - 1] = true;
  sendPortsSoon();
}

void WebPage::boardChanged(bool present) {
  server_.broadcast(serverSentEvent("board", web::dumped(nlohmann::json{{"board", present}})));
}

void WebPage::stageChanged(int stage) {
  server_.broadcast(serverSentEvent("stage", web::dumped(nlohmann::json{{"stage", stage}})));
}

void WebPage::journalLine(std::string_view line) {
  server_.broadcast(serverSentEvent("journal", web::dumped(nlohmann::json{{"line", line}})));
}

// A next switching moves when its instant passes; the marks and tooltips with it. Looked
// at only while someone listens, after the tick that showed the second, and sent only
// when it differs.
void WebPage::secondShown() {
  if (server_.streamCount() == 0) return;
  portDirty_.fill(true);
  sendPortsSoon();
}

}  // namespace dorvan
