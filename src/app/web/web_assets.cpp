#include "app/web/web_assets.h"

#include <array>

namespace dorvan::web {

namespace {
// kIndexHtml, kAppJs, kWeekJs, kStyleCss: made from the files by tools/embed_page.py.
#include "web_page.inc"

const std::array<Asset, 5> kAssets{{
    {"/", "text/html; charset=utf-8", kIndexHtml},
    {"/index.html", "text/html; charset=utf-8", kIndexHtml},
    {"/app.js", "text/javascript; charset=utf-8", kAppJs},
    {"/week.js", "text/javascript; charset=utf-8", kWeekJs},
    {"/style.css", "text/css; charset=utf-8", kStyleCss},
}};

}  // namespace

const Asset* assetAt(std::string_view path) {
  for (const Asset& a : kAssets)
    if (a.path == path) return &a;
  return nullptr;
}

}  // namespace dorvan::web
