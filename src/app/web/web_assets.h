// The page's files (src/app/web/page/), compiled into the program.
#pragma once

#include <string_view>

namespace dorvan::web {

struct Asset {
  std::string_view path;  // "/", "/app.js", "/style.css"
  std::string_view contentType;
  std::string_view body;
};

// The file served at this path; null for any other.
const Asset* assetAt(std::string_view path);

}  // namespace dorvan::web
