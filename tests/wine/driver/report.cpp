#include "report.h"

#include <cstdio>
#include <exception>

namespace wine_test {

namespace {
constexpr std::size_t kMaxFailureLines = 12;
}

bool Case::expect(bool ok, const std::string& what) {
  if (!ok) failures_.push_back(what);
  return ok;
}

void Case::require(bool ok, const std::string& what) {
  if (!ok) throw Abort{what};
}

bool Report::run(const std::string& group, const std::string& name, const std::function<void(Case&)>& body) {
  Case c(name);
  bool aborted = false;
  std::string abortWhy;
  try {
    body(c);
  } catch (const Abort& a) {
    aborted = true;
    abortWhy = a.why;
  } catch (const std::exception& e) {
    aborted = true;
    abortWhy = std::string("exception: ") + e.what();
  }
  if (aborted) c.expect(false, "cannot go on: " + abortWhy);
  print(group, c);
  if (aborted) throw Abort{abortWhy};
  return c.passed();
}

void Report::groupAborted(const std::string& group, const std::string& why) {
  ++failed_;
  std::printf("FAIL %s: setup: %s\n", group.c_str(), why.c_str());
  std::fflush(stdout);
}

void Report::print(const std::string& group, const Case& c) {
  if (c.passed()) {
    ++passed_;
    std::printf("PASS %s: %s\n", group.c_str(), c.name().c_str());
  } else {
    ++failed_;
    std::printf("FAIL %s: %s\n", group.c_str(), c.name().c_str());
    const auto& f = c.failures();
    for (std::size_t i = 0; i < f.size() && i < kMaxFailureLines; ++i) std::printf("     - %s\n", f[i].c_str());
    if (f.size() > kMaxFailureLines) std::printf("     ... and %zu more\n", f.size() - kMaxFailureLines);
  }
  for (const std::string& n : c.notes()) std::printf("     note: %s\n", n.c_str());
  std::fflush(stdout);
}

void Report::printSummary() const { std::printf("%d passed, %d failed\n", passed_, failed_); }

}  // namespace wine_test
