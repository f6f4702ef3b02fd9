#include "app/web/web_page.h"

#include <future>

#include "app/web/web_api.h"

namespace dorvan {

std::optional<std::string> WebPage::start(const WebSettings& settings) {
  stopping_->store(false);
  const bool started = server_.start(settings.address, settings.port, settings.password,
                                     [this](const HttpRequest& request) { return answer(request); });
  if (started) return std::nullopt;
  const std::string where = settings.address.empty() ? "" : " " + settings.address + " adresinde";
  return std::string(kSettingsFile) + ", satır " + std::to_string(settings.line) + ": " +
         std::to_string(settings.port) + " numaralı port" + where +
         " açılamadı; başka bir program kullanıyor olabilir. Web sayfası kapalı kalacak.";
}

void WebPage::stop() {
  stopping_->store(true);
  server_.stop();
}

HttpResponse WebPage::answer(const HttpRequest& request) {
  web::Routed routed = web::route(request, files_);
  if (routed.answer) return std::move(*routed.answer);

  auto promise = std::make_shared<std::promise<HttpResponse>>();
  std::future<HttpResponse> result = promise->get_future();
  ui_.post([promise, task = std::move(routed.onUiThread), stopping = stopping_, &form = form_] {
    if (stopping->load()) return;
    try {
      promise->set_value(task(form));
    } catch (const std::exception&) {
      promise->set_value(jsonError(500, "İstek yanıtlanırken bir hata oluştu."));
    }
  });
  // Waited for in short steps, so that a page being stopped does not wait the whole limit.
  const auto deadline = std::chrono::steady_clock::now() + kUiWait;
  while (result.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
    if (stopping_->load() || std::chrono::steady_clock::now() >= deadline)
      return jsonError(503, "Program şu anda yanıt veremiyor; biraz sonra yeniden deneyin.");
  }
  try {
    return result.get();
  } catch (const std::future_error&) {  // the task was dropped: the program is ending
    return jsonError(503, "Program kapanıyor.");
  }
}

}  // namespace dorvan
